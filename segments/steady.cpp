// Single-phase segments: the steady vowels VOW and VOWn and the aspirated /h/ H. Each writes
// one event of the whole span on every instrument 10..27 and sets tsec to that span.
#include "../score/output.h"
#include "phases.h"
#include "speechscore.h"

// Writes a steady vowel with every voice-source value given; swt is the AV switch and picks
// the AS switch (0 for 0, else 1).
void VOW(double beats, int color, double AV, double F0, double OQ, double FL, double DI, double TL,
         double DV, double FV, double AS, double swt) {
    tsec = segment::start_segment(beats);
    Casc(tsec, color);
    doGLVSrc(beats);
    Voi(tsec, AV, F0, OQ, FL, DI, TL, DV, FV, swt);
    doGLAS(beats);
    if (swt == 0) {  // -0 too
        aS(tsec, AS);
    } else {
        xS(tsec, AS);
    }
    doGLAF(beats);
    segment::rest_unshaped(tsec);
}

// Writes a steady vowel with the current voice-quality values; swt picks switch 0 or 1 for
// both the AV and the AS event. A swt that is not a number is reported as VOW's AV event
// reports it (error 2) and picks switch 1.
void VOWn(double beats, int color, double AV, double F0, double AS, double swt) {
    output::check_finite(swt, 2, 12);
    tsec = segment::start_segment(beats);
    Casc(tsec, color);
    doGLVSrc(beats);
    doGLAS(beats);
    if (swt != 0) {
        xV(tsec, AV, F0);
        xS(tsec, AS);
    } else {
        aV(tsec, AV, F0);
        aS(tsec, AS);
    }
    doGLAF(beats);
    segment::rest_unshaped(tsec);
}

// Writes an /h/: aspiration through the cascade of a color with the voice at rest. The voice
// glides do not move. A swt that is not a number is reported (error 2) and picks switch 1.
void H(double beats, int color, double AS, double swt) {
    output::check_finite(swt, 2, 12);
    tsec = segment::start_segment(beats);
    Casc(tsec, color);
    restVoi(tsec);
    doGLAS(beats);
    if (swt != 0) {
        xS(tsec, AS);
    } else {
        aS(tsec, AS);
    }
    doGLAF(beats);
    segment::rest_unshaped(tsec);
}
