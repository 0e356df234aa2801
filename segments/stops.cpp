// Stop syllables dV, tsV, tvV and tV: two silent phases, a frication burst, the release and the
// vowel, over the spans drpv_v leaves. Write the levels L1..L3; tvV also rewrites DB and DS.
#include <initializer_list>

#include "../score/output.h"
#include "phases.h"
#include "speechscore.h"

namespace {

// The parameters every stop passes through unchanged.
struct Stop {
    double beats;
    int colorCons;
    int colorVow;
    double AVvow;
    double F0;
    double ASvow;
    double dBurst;
};

// What tells the four stops apart, besides their voice and aspiration lists.
struct Shape {
    double vowelOnset;      // span of the first vowel-colored cascade and parallel event
    double burst;           // frication level of the burst
    double voiceSteady;     // span of the steady-phase voice event
    double lastAspiration;  // span of the last aspiration event
    bool voicedEnd;         // last frication event with switch 1
};

// Writes the stop's events on every track but 17..19, then rests those: cascade, voice and
// aspiration up to the steady phase, parallel and frication up to their last event, then the
// last event of each track, each glide stepped just before its track's last event.
void write_stop(const Stop& stop, const Shape& shape,
                std::initializer_list<segment::VoiceEvent> voice,
                std::initializer_list<segment::NoiseEvent> aspiration) {
    segment::write_phases(
        {{D1, stop.colorCons}, {DB, stop.colorCons}, {shape.vowelOnset, stop.colorVow}}, voice,
        aspiration);
    Para(D1, stop.colorCons);
    Para(DB, stop.colorCons);
    Para(shape.vowelOnset, stop.colorVow);
    segment::write_noise({{aF, D1, 0}, {aF, D2, 0}, {aF, stop.dBurst, shape.burst}, {aF, DC, 0}});
    Casc(DS, stop.colorVow);
    doGLVSrc(stop.beats);
    xV(shape.voiceSteady, stop.AVvow, stop.F0);
    doGLAS(stop.beats);
    xS(shape.lastAspiration, stop.ASvow);
    Para(DS, stop.colorVow);
    doGLAF(stop.beats);
    if (shape.voicedEnd) {
        xF(DD, 0);
    } else {
        aF(DD, 0);
    }
    restNTD(tsec);
}

// The larger of the two release levels (the second when neither is larger).
double larger(double ampB, double ampC) { return ampB > ampC ? ampB : ampC; }

}  // namespace

// Writes a voiced stop: voicing from phase 3, burst at ampB - burstDrop (L1).
void dV(double beats, int colorCons, int colorVow, double ampA, double ampB, double AVvow,
        double F0, double ampC, double ASvow, double d1, double d2, double dBurst, double d5,
        double burstDrop, double d3, double d4, double minDur) {
    drpv_v(beats, d1, d2, dBurst, d5, d3, d4, minDur);
    // The shared levels stay finite; the generators judge the values themselves.
    const double burst = ampB - burstDrop;
    L1 = segment::finite_or_zero(burst);
    write_stop({beats, colorCons, colorVow, AVvow, F0, ASvow, dBurst}, {D4, burst, DS, DS, true},
               {{aV, D1, 0, F0}, {aV, D2, 0, F0}, {aV, D3, ampA, F0}, {aV, D4, ampB, F0}},
               {{aS, D1, 0}, {aS, DB, 0}, {aS, D4, ampC}});
}

// Writes an aspirated stop with one voiced DE event; the burst at the larger of ampB and ampC
// (L1), the first D5 aspiration at ampA (L2).
void tsV(double beats, int colorCons, int colorVow, double ampA, double ampB, double AVvow,
         double F0, double ampC, double ASvow, double d1, double d2, double dBurst, double d5,
         double burstDrop, double d3, double d4, double minDur) {
    output::check_finite(burstDrop, 0, 12);  // not read, but a non-number is reported
    drpv_v(beats, d1, d2, dBurst, d5, d3, d4, minDur);
    const double release = larger(ampB, ampC);
    L1 = segment::finite_or_zero(release);
    L2 = segment::finite_or_zero(ampA);
    write_stop({beats, colorCons, colorVow, AVvow, F0, ASvow, dBurst}, {D4, release, DS, DA, false},
               {{aV, D1, 0, F0}, {aV, DG, 0, F0}, {aV, DE, ampB, F0}},
               {{aS, D1, 0}, {aS, D2, 0}, {aS, D5, ampA}, {aS, DF, release}, {aS, D5, ampC}});
}

// Writes an aspirated stop with two voiced DE events and the vowel color from the end of
// phase 4; burst at ampA (L3). Leaves DB = D2 + D3 + D4 and DS shortened by DE.
void tvV(double beats, int colorCons, int colorVow, double ampA, double ampB, double AVvow,
         double F0, double ampC, double ASvow, double d1, double d2, double dBurst, double d5,
         double burstDrop, double d3, double d4, double minDur) {
    output::check_finite(burstDrop, 0, 12);  // not read, but a non-number is reported
    drpv_v(beats, d1, d2, dBurst, d5, d3, d4, minDur);
    const double release = larger(ampB, ampC);
    L1 = segment::finite_or_zero(release);
    L2 = segment::finite_or_zero(ampA);
    L3 = segment::finite_or_zero(ampA);
    DB = segment::finite_or_zero(DG + DE);
    DS = segment::finite_or_zero(DS - DE);
    // The last aspiration event keeps DA, taken from the steady span before it was shortened.
    write_stop({beats, colorCons, colorVow, AVvow, F0, ASvow, dBurst}, {DE, ampA, DS, DA, false},
               {{aV, D1, 0, F0}, {aV, DG, 0, F0}, {aV, DE, ampA, F0}, {aV, DE, ampB, F0}},
               {{aS, D1, 0}, {aS, D2, 0}, {aS, D5, ampA}, {aS, DF, release}, {aS, D5, ampC}});
}

// Writes an aspirated stop with two voiced DE events, burst at ampA - burstDrop (L3), the
// steady voice event shortened by DE; DS itself is left as drpv_v set it.
void tV(double beats, int colorCons, int colorVow, double ampA, double ampB, double AVvow,
        double F0, double ampC, double ASvow, double d1, double d2, double dBurst, double d5,
        double burstDrop, double d3, double d4, double minDur) {
    drpv_v(beats, d1, d2, dBurst, d5, d3, d4, minDur);
    const double release = larger(ampB, ampC);
    const double burst = ampA - burstDrop;
    L1 = segment::finite_or_zero(release);
    L2 = segment::finite_or_zero(ampA);
    L3 = segment::finite_or_zero(burst);
    write_stop({beats, colorCons, colorVow, AVvow, F0, ASvow, dBurst},
               {D4, burst, DS - DE, DA, false},
               {{aV, D1, 0, F0}, {aV, DG, 0, F0}, {aV, DE, ampA, F0}, {aV, DE, ampB, F0}},
               {{aS, D1, 0}, {aS, D2, 0}, {aS, D5, ampA}, {aS, DF, release}, {aS, D5, ampC}});
}
