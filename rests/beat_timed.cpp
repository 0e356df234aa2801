// Beat-timed statements: the generators, filter statements and rests with a length in beats.
// Each converts beats to seconds with the beat in force and leaves the span in tsec.
#include "beats.h"
#include "speechscore.h"

// Writes the nasal, tracheal and delta-F1 rests (instr 17..19) for beats.
void restNTDB(double beats) { restNTD(beats_to_tsec(beats)); }

// Steps the eight voice-source glides by beats, then writes the voice rest (instr 20..27).
void restVoiB(double beats) {
    beats_to_tsec(beats);
    doGLVSrc(beats);
    restVoi(tsec);
}

// Steps the AF glide by beats, then writes the frication (16) and parallel (10) rests.
void restAFParB(double beats) {
    beats_to_tsec(beats);
    doGLAF(beats);
    restAFPar(tsec);
}

// Steps the AS glide by beats, then writes the aspiration rest (instr 15).
void restASB(double beats) {
    beats_to_tsec(beats);
    doGLAS(beats);
    restAS(tsec);
}

// Steps the AF glide by beats, then writes the frication rest (instr 16).
void restAFB(double beats) {
    beats_to_tsec(beats);
    doGLAF(beats);
    restAF(tsec);
}

// Writes one AV event (instr 20) of beats; no glide moves.
void AVB(double beats, double av, double avswt) { genAV(beats_to_tsec(beats), av, avswt); }

// Writes one F0 event (instr 21) of beats.
void F0B(double beats, double f0) { genF0(beats_to_tsec(beats), f0); }

// Writes one OQ event (instr 22) of beats.
void OQB(double beats, double oq) { genOQ(beats_to_tsec(beats), oq); }

// Writes one FL event (instr 23) of beats.
void FLB(double beats, double fl) { genFL(beats_to_tsec(beats), fl); }

// Writes one DI event (instr 24) of beats.
void DIB(double beats, double di) { genDI(beats_to_tsec(beats), di); }

// Writes one TL event (instr 25) of beats.
void TLB(double beats, double tl) { genTL(beats_to_tsec(beats), tl); }

// Writes one DV event (instr 26) of beats.
void DVB(double beats, double dv) { genDV(beats_to_tsec(beats), dv); }

// Writes one FV event (instr 27) of beats.
void FVB(double beats, double fv) { genFV(beats_to_tsec(beats), fv); }

// Writes the eight voice-source events (instr 20..27) of beats; no glide moves.
void VoiB(double beats, double av, double f0, double oq, double fl, double di, double tl, double dv,
          double fv, double avswt) {
    Voi(beats_to_tsec(beats), av, f0, oq, fl, di, tl, dv, fv, avswt);
}

// Writes one AS event (instr 15) of beats.
void ASB(double beats, double amp, double asswt) { genAS(beats_to_tsec(beats), amp, asswt); }

// Writes one AF event (instr 16) of beats.
void AFB(double beats, double amp, double afswt) { genAF(beats_to_tsec(beats), amp, afswt); }

// Steps the tempo, then writes the four cascade events (instr 11..14) of a color.
void CascB(double beats, int color) {
    doGLMM(beats);
    Casc(beats_to_tsec(beats), color);
}

// Steps the tempo, then writes F1..F3 (instr 11..13) with new frequencies and the last
// bandwidths, and rests F4_8 (14) for the same span.
void frqCascB(double beats, double f1, double f2, double f3) {
    doGLMM(beats);
    beats_to_tsec(beats);
    frqF1(tsec, f1, ocasc[8]);
    frqF2(tsec, f2, ocasc[9]);
    frqF3(tsec, f3, ocasc[10]);
    restF4_8(tsec);
}

// Writes one paraflt event (instr 10) of a color for beats.
void ParaB(double beats, int color) { Para(beats_to_tsec(beats), color); }
