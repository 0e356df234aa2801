// Invariants of valid call sequences, drawn with fixed seeds: every builder and rest moves all
// eighteen time lines by its span, and a valid score counts no error.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <random>

#include "speechscore.h"
#include "support/fresh.h"

namespace {

// Arguments inside every range the generators check, and phase durations that leave every
// phase and derived span of the drivers above 0 for spans of 0.25 s and more.
struct Valid {
    std::mt19937_64 random;
    explicit Valid(unsigned seed) : random(seed) {}

    double in(double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(random);
    }
    int color() { return static_cast<int>(random() % 48); }
    double beats() { return in(0.5, 2); }  // with beat from 0.5 to 1: at least 0.25 s
    double av() { return in(0, 80); }      // and AS, AF
    double f0() { return in(3, 9); }
    double swt() { return static_cast<double>(random() % 3); }
    double d() { return in(0.03, 0.1); }
};

using Liquid = void (*)(double, int, int, double, double, double, double, double, double, double,
                        double, double, double);
using Stop = void (*)(double, int, int, double, double, double, double, double, double, double,
                      double, double, double, double, double, double, double);

// Writes one segment with valid arguments; returns its length in beats. lV, sV, vS and Vs take
// arguments of the same kinds in the same places, and so do the four stops.
double builder(Valid& v) {
    static const Liquid kLiquids[] = {lV, sV, vS, Vs};
    static const Stop kStops[] = {dV, tsV, tvV, tV};
    const double b = v.beats();
    const int c1 = v.color(), c2 = v.color();
    const unsigned pick = static_cast<unsigned>(v.random() % 13);
    if (pick < 4) {
        kLiquids[pick](b, c1, c2, v.av(), v.av(), v.av(), v.f0(), v.av(), v.av(), v.d(), v.d(),
                       v.d(), 0.2);
    } else if (pick < 8) {
        // d1, d2, the burst, d5, the burst drop, d3, d4.
        kStops[pick - 4](b, c1, c2, v.av(), v.av(), v.av(), v.f0(), v.av(), v.av(),
                         v.in(0.03, 0.06), v.in(0.01, 0.03), v.in(0.005, 0.015), v.in(0.02, 0.04),
                         v.in(0, 10), v.in(0.03, 0.05), v.in(0.045, 0.06), 0.2);
    } else if (pick == 8) {
        VOW(b, c1, v.av(), v.f0(), v.in(0.1, 0.9), v.in(0, 0.05), v.in(0, 0.5), v.in(0, 8000),
            v.in(0, 0.02), v.in(0, 2), v.av(), v.swt());
    } else if (pick == 9) {
        VOWn(b, c1, v.av(), v.f0(), v.av(), v.swt());
    } else if (pick == 10) {
        H(b, c1, v.av(), v.swt());
    } else if (pick == 11) {
        vV(b, c1, c2, v.av(), v.av(), v.av(), v.f0(), v.f0(), v.av(), v.av(), v.d(), v.d(), v.d(),
           0.2);
    } else {
        zV(b, c1, c2, v.in(10, 80), v.f0(), v.av(), v.av(), v.d(), v.d(), v.d(), 0.2);
    }
    return b;
}

// A valid call that is no segment: a tempo or track glide, a voice-quality or offset setting,
// a single event or a beat-timed statement. No F0 offset: rests add it to the last F0 again and
// again, and so may leave the pitch range.
void other_call(Valid& v) {
    const std::function<void()> calls[] = {
        [&] { metronome(v.in(60, 120)); },
        [&] { glMM(v.in(1, 8), v.in(60, 120)); },
        [&] { VoiB(v.beats(), v.av(), v.f0(), v.in(0.1, 0.9), 0, 0, 1000, 0.01, 1, v.swt()); },
        [&] { CascB(v.beats(), v.color()); },
        [&] { glAV(v.in(1, 8), v.in(-1, 1)); },
        [&] { glOQ(v.in(1, 8), v.in(0.8, 1.2)); },
        [&] { setAS(v.in(-10, 10)); },
        [&] { setVOIC(v.in(0.1, 0.9), v.in(0, 0.05), v.in(0, 0.5), v.in(0, 8000), 0.01, 1); },
    };
    calls[v.random() % 8]();
}

// The score of such a sequence counts no error and ends with e. (The fuzzer holds the count to
// the report lines printed.)
TEST(Properties, EveryBuilderAndRestMovesAllEighteenTimeLinesByItsSpan) {
    for (unsigned seed = 1; seed <= 12; ++seed) {
        ChildResult r = run_fresh([&] {
            startmn();
            metronome(90);
            Valid v(seed);
            int bad = 0;
            for (int call = 0; call < 80; ++call) {
                double before[20];
                for (int slot = 2; slot < 20; ++slot) before[slot] = timepoints[slot];
                double beats = 0;
                if (v.random() % 4 == 0) {
                    beats = v.beats();
                    Rest(beats);
                } else if (v.random() % 3 == 0) {
                    other_call(v);
                    continue;
                } else {
                    beats = builder(v);
                }
                // Every track adds its own phases, so the last digits may differ.
                const double span = beats * beat;
                for (int slot = 2; slot < 20; ++slot) {
                    if (std::fabs(timepoints[slot] - before[slot] - span) > 1e-9) ++bad;
                }
            }
            std::fprintf(stderr, "%d %d", bad, nerrors);
            fine();
        });
        EXPECT_EQ(r.err, "0 0") << "seed " << seed;
        EXPECT_EQ(r.status, 0) << "seed " << seed;
        EXPECT_EQ(r.out.substr(r.out.size() - 2), "e\n");
    }
}

}  // namespace
