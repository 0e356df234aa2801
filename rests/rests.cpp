// Rests: one event per track that lasts the span, with the AV, AS and AF tracks at their rest
// amplitudes and every other track holding its remembered value. Owns no state.
#include "beats.h"
#include "speechscore.h"

// Writes one F1 event (instr 11) with the last F1 frequency and bandwidth.
void restF1(double span) { frqF1(span, ocasc[0], ocasc[8]); }

// Writes one F2 event (instr 12) with the last F2 frequency and bandwidth.
void restF2(double span) { frqF2(span, ocasc[1], ocasc[9]); }

// Writes one F3 event (instr 13) with the last F3 frequency and bandwidth.
void restF3(double span) { frqF3(span, ocasc[2], ocasc[10]); }

// Writes one F4_8 event (instr 14) with the last F4..F8, B4..B8 and field 16.
void restF4_8(double span) {
    frqF4_8(span, ocasc[3], ocasc[4], ocasc[5], ocasc[6], ocasc[7], ocasc[11], ocasc[12], ocasc[13],
            ocasc[14], ocasc[15], ocasc[16]);
}

// Writes the eight voice-source events (instr 20..27): AV at rest, the rest as last given.
void restVoi(double span) { Voi(span, zav, of0, ooq, ofl, odi, otl, odv, ofv, oavswt); }

// Writes one AS event (instr 15) at the rest amplitude with the last AS switch.
void restAS(double span) { genAS(span, zas, oasswt); }

// Writes one AF event (instr 16) at the rest amplitude with the last AF switch.
void restAF(double span) { genAF(span, zaf, oafswt); }

// Writes one paraflt event (instr 10) with the last eleven parallel values.
void restPara(double span) {
    frqPara(span, opara[0], opara[1], opara[2], opara[3], opara[4], opara[5], opara[6], opara[7],
            opara[8], opara[9], opara[10]);
}

// Writes one NasPZ event (instr 17) with the last nasal pointer.
void restNas(double span) { genNAS(span, onaspt); }

// Writes one TralPZ event (instr 18) with the last tracheal pointer.
void restTrc(double span) { genTRC(span, otrcpt); }

// Writes one DltaF1 event (instr 19) with the last delta-F1 symbol.
void restDf1(double span) { genDF1(span, oDf1pt); }

// Writes the four cascade rests, instruments 11, 12, 13, 14.
void restCasc(double span) {
    restF1(span);
    restF2(span);
    restF3(span);
    restF4_8(span);
}

// Writes the frication rest (16), then the parallel-branch rest (10).
void restAFPar(double span) {
    restAF(span);
    restPara(span);
}

// Writes the nasal (17), tracheal (18) and delta-F1 (19) rests.
void restNTD(double span) {
    restNas(span);
    restTrc(span);
    restDf1(span);
}

// Writes a rest on all eighteen tracks: 11..14, 20..27, 15, 16, 10, 17..19.
void restAll(double span) {
    restCasc(span);
    restVoi(span);
    restAS(span);
    restAFPar(span);
    restNTD(span);
}

// Steps the tempo and nine glides by beats, then rests every track for beats x beat.
void Rest(double beats) {
    doGLMM(beats);
    // The frication glide is left where it is: a rest steps every glide but AF's.
    doGLAS(beats);
    doGLVSrc(beats);
    // Timed with the tempo reached at the end of this step.
    restAll(beats_to_tsec(beats));
}
