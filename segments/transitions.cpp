// Transition segments vV (vowel to vowel) and lV (liquid and vowel): three compressed phases
// on the cascade, voice and aspiration tracks, then the steady vowel.
#include "phases.h"
#include "speechscore.h"

// Writes a vowel, a transition and a second vowel; keeps its phase spans to itself and leaves
// tsec and D1..DS as they were.
void vV(double beats, int colorVow1, int colorVow2, double AVvow1, double AVtr, double AVvow2,
        double F0vow1, double F0vow2, double AStr, double ASvow2, double d1, double d2, double d3,
        double minDur) {
    const segment::Phases p = segment::compress_phases(beats, {d1, d2, d3}, 2, minDur);
    const double s1 = p.part[0];
    const double s2 = p.part[1];
    const double s3 = p.part[2];
    segment::write_phases(
        {{s1, colorVow1}, {s2, colorVow1}, {s3, colorVow2}},
        {{aV, s1, AVvow1, F0vow1}, {xV, s2, AVvow1, F0vow1}, {aV, s3, AVtr, F0vow2}},
        {{aS, s1, AStr}, {xS, s2, AStr}, {aS, s3, AStr}});
    segment::vowel_tail(beats, p.span, colorVow2, p.steady, AVvow2, F0vow2, ASvow2);
}

// Writes a liquid and a vowel over the spans drli leaves in D1, D2, D3 and DS.
void lV(double beats, int colorLiq, int colorVow, double AVliq, double AVtr, double AVvow,
        double F0, double ASliq, double ASvow, double d1, double d2, double d3, double minDur) {
    drli(beats, d1, d2, d3, minDur);
    segment::write_phases({{D1, colorLiq}, {D2, colorLiq}, {D3, colorVow}},
                          {{aV, D1, AVliq, F0}, {aV, D2, AVliq, F0}, {aV, D3, AVtr, F0}},
                          {{aS, D1, ASliq}, {aS, D2, ASliq}, {aS, D3, ASliq}});
    segment::vowel_tail(beats, tsec, colorVow, DS, AVvow, F0, ASvow);
}
