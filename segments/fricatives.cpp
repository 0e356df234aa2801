// Fricative segments: sV, vS and zV (fricative and vowel, spans from drfi) and Vs (vowel and
// final fricative, spans from drff). vS rewrites DA and DB, zV writes L2.
#include "phases.h"
#include "speechscore.h"

// Writes a voiceless fricative (aspiration, voice off), a voicing onset with a raised open
// quotient and the vowel.
void sV(double beats, int colorCons, int colorVow, double AScons, double AVon, double AVvow,
        double F0, double ASon, double ASvow, double d1, double d2, double d3, double minDur) {
    drfi(beats, d1, d2, d3, minDur);
    segment::write_phases({{D1, colorCons}, {D2, colorCons}, {D3, colorVow}},
                          {{aV, D1, 0, F0}, {aV, D2, 0, F0}, {qV, D3, AVon, F0}},
                          {{aS, D1, AScons}, {aS, D2, AScons}, {aS, D3, ASon}});
    segment::vowel_tail(beats, tsec, colorVow, DS, AVvow, F0, ASvow);
}

// Writes a voiced fricative through the cascade, phase 1 split into a silent tenth (DA) and
// the rest (DB), then the voicing onset and the vowel.
void vS(double beats, int colorCons, int colorVow, double AVcons, double AVon, double AVvow,
        double F0, double AScons, double ASvow, double d1, double d2, double d3, double minDur) {
    drfi(beats, d1, d2, d3, minDur);
    DA = D1 * 0.1;
    DB = D1 - DA;
    segment::write_phases(
        {{DA, colorCons}, {DB, colorCons}, {D2, colorCons}, {D3, colorVow}},
        {{aV, DA, 0, F0}, {aV, DB, AVcons, F0}, {aV, D2, AVon, F0}, {qV, D3, AVon, F0}},
        {{aS, DA, 0}, {aS, DB, AScons}, {aS, D2, AScons}, {aS, D3, AScons}});
    segment::vowel_tail(beats, tsec, colorVow, DS, AVvow, F0, ASvow);
}

// Writes a voiced fricative with frication through the parallel branch, then the vowel. Moves
// no glide but the tempo.
void zV(double beats, int colorCons, int colorVow, double level, double F0, double ASvow,
        double AVvow, double d1, double d2, double d3, double minDur) {
    drfi(beats, d1, d2, d3, minDur);
    // The shared level stays finite; the voice generator judges the value itself.
    const double onset = level - 10;
    L2 = segment::finite_or_zero(onset);
    segment::write_phases(
        {{D1, colorCons}, {D2, colorCons}, {D3, colorVow}, {DS, colorVow}},
        {{aV, D1, onset, F0}, {aV, D2, level, F0}, {qV, D3, level, F0}, {xV, DS, AVvow, F0}},
        {{aS, D1, level}, {aS, D2, level}, {aS, D3, ASvow}, {xS, DS, ASvow}});
    Para(D1, colorCons);
    Para(DA, colorCons);
    segment::write_noise({{aF, D1, level}, {aF, D2, level}, {aF, D3, 0}, {xF, DS, 0}});
    restNTD(tsec);
}

// Writes a vowel onset, the steady vowel and a voiceless fricative in two phases, all with
// switch 0. Moves no glide but the tempo.
void Vs(double beats, int colorVow, int colorFric, double AVon, double AVvow, double ASfric,
        double F0, double ASon, double ASvow, double d1, double d3, double d4, double minDur) {
    drff(beats, d1, d3, d4, minDur);
    segment::write_phases(
        {{D1, colorVow}, {DS, colorVow}, {D3, colorFric}, {D4, colorFric}},
        {{aV, D1, AVon, F0}, {qV, DS, AVvow, F0}, {aV, D3, 0, F0}, {aV, D4, 0, F0}},
        {{aS, D1, ASon}, {aS, DS, ASvow}, {aS, D3, ASfric}, {aS, D4, ASfric}});
    segment::rest_unshaped(tsec);
}
