// Duration drivers drli, drfi, drff and drpv_v, and the steps every segment builder shares.
// Writes the phase spans D1..D5, DA..DH, DS and tsec; owns no state.
#include <cmath>
#include <initializer_list>

#include "../score/output.h"
#include "phases.h"
#include "speechscore.h"

namespace segment {

double finite_or_zero(double value) { return std::isfinite(value) ? value : 0.0; }

double nominal_length(double value) { return output::check_finite(value, 3, 12) ? value : 0.0; }

double start_segment(double beats) {
    doGLMM(beats);
    // Timed with the tempo reached at the end of this segment's own step.
    return finite_or_zero(beats * beat);
}

Phases compress_phases(double beats, std::initializer_list<double> nominal, int doubled,
                       double minDur) {
    const int kMaxPhases = 4;
    double d[kMaxPhases] = {};
    int count = 0;
    for (const double value : nominal) {
        if (count < kMaxPhases) d[count++] = nominal_length(value);
    }
    Phases p = {start_segment(beats), 1.0, {}, 0.0};
    // Nominal sum in parameter order, then the doubled duration once more.
    double sum = d[0];
    for (int i = 1; i < count; ++i) sum = sum + d[i];
    if (doubled >= 0 && doubled < count) sum = sum + d[doubled];
    const double least = nominal_length(minDur);
    const double length = least < sum ? sum : least;
    // A span equal to the nominal length is not compressed.
    p.factor = p.span >= length ? 1.0 : p.span / length;
    for (int i = 0; i < count; ++i) p.part[i] = d[i] * p.factor;
    // Phase spans added in phase order, ((p1 + p2) + p3) + p4: the last digits show.
    double used = p.part[0];
    for (int i = 1; i < count; ++i) used = used + p.part[i];
    p.steady = p.span - used;

    bool finite = std::isfinite(p.factor) && std::isfinite(p.steady);
    for (int i = 0; i < count; ++i) finite = finite && std::isfinite(p.part[i]);
    if (!finite) {
        p.factor = 0.0;
        for (double& part : p.part) part = 0.0;
        p.steady = p.span;
    }
    return p;
}

void write_phases(std::initializer_list<ColorEvent> cascade,
                  std::initializer_list<VoiceEvent> voice,
                  std::initializer_list<NoiseEvent> aspiration) {
    for (const ColorEvent& e : cascade) Casc(e.span, e.color);
    for (const VoiceEvent& e : voice) e.form(e.span, e.av, e.f0);
    write_noise(aspiration);
}

void write_noise(std::initializer_list<NoiseEvent> events) {
    for (const NoiseEvent& e : events) e.form(e.span, e.amp);
}

void rest_unshaped(double span) {
    restAFPar(span);
    restNTD(span);
}

void vowel_tail(double beats, double span, int colorVow, double steady, double AVvow, double F0,
                double ASvow) {
    Casc(steady, colorVow);
    doGLVSrc(beats);
    xV(steady, AVvow, F0);
    doGLAS(beats);
    xS(steady, ASvow);
    doGLAF(beats);
    rest_unshaped(span);
}

}  // namespace segment

// Sets tsec and the liquid's phase spans D1, D2, D3 (d2 counted twice) and DS.
void drli(double beats, double d1, double d2, double d3, double minDur) {
    const segment::Phases p = segment::compress_phases(beats, {d1, d2, d3}, 1, minDur);
    tsec = p.span;
    D1 = p.part[0];
    D2 = p.part[1];
    D3 = p.part[2];
    DS = p.steady;
}

// Sets tsec, the fricative's phase spans D1, D2, D3 (d2 counted twice) and DS as drli does,
// and the spans after phase 1 (DA) and after phase 2 (DB).
void drfi(double beats, double d1, double d2, double d3, double minDur) {
    drli(beats, d1, d2, d3, minDur);
    DA = segment::finite_or_zero(tsec - D1);
    DB = segment::finite_or_zero(DA - D2);
}

// Sets tsec, the final fricative's phase spans D1, D3, D4 (d4 counted twice) and DS; D2 stays.
void drff(double beats, double d1, double d3, double d4, double minDur) {
    const segment::Phases p = segment::compress_phases(beats, {d1, d3, d4}, 2, minDur);
    tsec = p.span;
    D1 = p.part[0];
    D3 = p.part[1];
    D4 = p.part[2];
    DS = p.steady;
}

// Sets tsec, the stop's phase spans D1..D4 (d4 counted twice), D5 and DS, and the derived
// spans DA..DH; dBurst and d5 enter DC and DD uncompressed.
void drpv_v(double beats, double d1, double d2, double dBurst, double d5, double d3, double d4,
            double minDur) {
    const segment::Phases p = segment::compress_phases(beats, {d1, d2, d3, d4}, 3, minDur);
    const double burst = segment::nominal_length(dBurst);
    const double aspiration = segment::nominal_length(d5);
    tsec = p.span;
    D1 = p.part[0];
    D2 = p.part[1];
    D3 = p.part[2];
    D4 = p.part[3];
    D5 = segment::finite_or_zero(aspiration * p.factor);
    DS = p.steady;
    DA = segment::finite_or_zero(DS - D5);
    DB = segment::finite_or_zero(D2 + D3);
    DC = segment::finite_or_zero(aspiration - burst);
    DD = segment::finite_or_zero(tsec - ((D1 + D2) + aspiration));
    DE = segment::finite_or_zero(D4 * 0.67);
    DF = segment::finite_or_zero((D3 + D4) - D5);
    DG = segment::finite_or_zero(((D2 + D3) + D4) - DE);
    DH = segment::finite_or_zero(DE * 0.5);
}
