// Segment builders and duration drivers; invariants of valid sequences of calls.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <random>
#include <sstream>
#include <string>

#include "speechscore.h"
#include "support/fresh.h"

namespace {

struct Builder {
    const char* name;
    void (*call)(double beats);
    double beats;        // of the golden score
    double beat;         // seconds per beat
    const char* glides;  // beat positions of slots 7, 8, 12, 19 after the golden call
};

using StopBuilder = void (*)(double, int, int, double, double, double, double, double, double,
                             double, double, double, double, double, double, double, double);

// Every stop syllable here: the lengths of the stop examples, distinct levels.
void stop(StopBuilder fn, double beats) {
    fn(beats, 19, 4, 50, 55, 60, 6, 45, 40, 0.05, 0.02, 0.01, 0.04, 10, 0.03, 0.05, 0.2);
}

// clang-format off
const Builder kBuilders[] = {
    {"VOW", [](double b) { VOW(b, 4, 60, 6, 0.45, 0.003, 0.1, 900, 0.009, 1.5, 40, 2); }, 1, 0.5, "1 1 1 1"},
    {"VOWn", [](double b) { VOWn(b, 2, 58, 6.5, 30, 0); }, 1, 0.5, "1 1 1 1"},
    {"H", [](double b) { H(b, 29, 50, 1); }, 0.5, 1, "0.5 0.5 0 0"},
    {"vV", [](double b) { vV(b, 4, 2, 60, 55, 58, 6, 6.5, 20, 30, 0.05, 0.1, 0.1, 0.2); }, 0.175, 1, "0.175 0.175 0.175 0.175"},
    {"lV", [](double b) { lV(b, 17, 4, 50, 55, 60, 6, 10, 20, 0.05, 0.1, 0.05, 0.2); }, 0.6, 1, "0.6 0.6 0.6 0.6"},
    {"sV", [](double b) { sV(b, 29, 4, 55, 50, 60, 6, 40, 30, 0.1, 0.05, 0.05, 0.2); }, 0.5, 1, "0.5 0.5 0.5 0.5"},
    {"vS", [](double b) { vS(b, 29, 4, 45, 50, 60, 6, 40, 30, 0.1, 0.05, 0.05, 0.2); }, 0.5, 1, "0.5 0.5 0.5 0.5"},
    {"zV", [](double b) { zV(b, 29, 4, 60, 6, 30, 62, 0.1, 0.05, 0.05, 0.2); }, 0.5, 1, "0 0 0 0"},
    {"Vs", [](double b) { Vs(b, 4, 29, 50, 60, 55, 6, 20, 30, 0.05, 0.05, 0.1, 0.2); }, 0.6, 1, "0 0 0 0"},
    {"dV", [](double b) { stop(dV, b); }, 0.5, 1, "0.5 0.5 0.5 0.5"},
    {"tsV", [](double b) { stop(tsV, b); }, 0.5, 1, "0.5 0.5 0.5 0.5"},
    {"tvV", [](double b) { stop(tvV, b); }, 0.5, 1, "0.5 0.5 0.5 0.5"},
    {"tV", [](double b) { stop(tV, b); }, 0.5, 1, "0.5 0.5 0.5 0.5"},
};
// clang-format on

// Characters first..first+n-1 of every line of out that starts with prefix, joined.
std::string columns(const std::string& out, const std::string& prefix, size_t first, size_t n) {
    std::string joined;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        if (line.compare(0, prefix.size(), prefix) == 0) joined += line.substr(first, n);
    }
    return joined;
}

TEST(Builders, WriteTheirStatementsInOrder) {
    for (const Builder& b : kBuilders) {
        ChildResult r = run_child([&] {
            fresh(b.beat);
            b.call(b.beats);
            std::fprintf(stderr, "%g %g %g %g", beatpoints[7], beatpoints[8], beatpoints[12],
                         beatpoints[19]);
        });
        EXPECT_EQ(r.out, golden(std::string("segment_") + b.name + ".sco")) << b.name;
        EXPECT_EQ(r.err, b.glides) << b.name;
    }
}

TEST(Drivers, PhaseSpansFollowTheCompressionRule) {
    struct Case {
        void (*driver)();
        const char* spans;  // tsec D1 D2 D3 D4 D5 DS DA DB DC DD DE DF DG DH; 7 = not written
    };
    // clang-format off
    const Case cases[] = {
        {[] { drli(0.3, 0.05, 0.1, 0.05, 0.2); }, "0.3 0.05 0.1 0.05 7 7 0.1 7 7 7 7 7 7 7 7"},
        {[] { drli(0.15, 0.05, 0.1, 0.05, 0.2); }, "0.15 0.025 0.05 0.025 7 7 0.05 7 7 7 7 7 7 7 7"},
        {[] { drli(0.3, 0.05, 0.1, 0.05, 0.6); }, "0.3 0.025 0.05 0.025 7 7 0.2 7 7 7 7 7 7 7 7"},
        {[] { drfi(0.125, 0.1, 0.05, 0.05, 0.2); }, "0.125 0.05 0.025 0.025 7 7 0.025 0.075 0.05 7 7 7 7 7 7"},
        {[] { drff(0.15, 0.05, 0.05, 0.1, 0.2); }, "0.15 0.025 7 0.025 0.05 7 0.05 7 7 7 7 7 7 7 7"},
        {[] { drpv_v(0.1, 0.05, 0.02, 0.01, 0.04, 0.03, 0.05, 0.2); },
         "0.1 0.025 0.01 0.015 0.025 0.02 0.025 0.005 0.025 0.03 0.025 0.01675 0.02 0.03325 0.008375"},
        // DS shows in its last digits that the phases are added first to last.
        {[] { drpv_v(0.5, 0.01, 0.01, 0.01, 0.04, 0.02, 0.04, 0.2); },
         "0.5 0.01 0.01 0.02 0.04 0.04 0.42 0.38 0.03 0.03 0.44 0.0268 0.02 0.0432 0.0134"},
    };
    // clang-format on
    for (const Case& c : cases) {
        ChildResult r = run_fresh([&] {
            D1 = D2 = D3 = D4 = D5 = DS = DA = DB = DC = DD = DE = DF = DG = DH = 7;
            c.driver();
            const double all[] = {tsec, D1, D2, D3, D4, D5, DS, DA, DB, DC, DD, DE, DF, DG, DH};
            for (int i = 0; i < 15; ++i) std::fprintf(stderr, i > 0 ? " %.10g" : "%.10g", all[i]);
            // The steady span as the rule parenthesises it; a 7 marks a phase the driver lacks.
            const double d2 = D2 == 7 ? 0 : D2, d4 = D4 == 7 ? 0 : D4;
            std::printf("%d", DS == tsec - (((D1 + d2) + D3) + d4));
        });
        EXPECT_EQ(r.err, c.spans);
        EXPECT_EQ(r.out, "1") << c.spans;
    }
}

TEST(Drivers, TransitionKeepsItsPhasesToItselfAndLeavesTsec) {
    struct Case {
        double beats, minDur;
        const char* spans;  // of the F1 events: phases 1 to 3, then the steady phase
    };
    const Case cases[] = {
        {0.35, 0.2, "0.0500 0.1000 0.1000 0.1000 "},  // compressed: golden segment_vV.sco
        {0.7, 0.7, "0.0500 0.1000 0.1000 0.4500 "},
        {0.7, 1.4, "0.0250 0.0500 0.0500 0.5750 "},
    };
    for (const Case& c : cases) {
        ChildResult r = run_fresh([&] {
            tsec = 9;
            DS = 8;
            vV(c.beats, 4, 2, 60, 55, 58, 6, 6.5, 20, 30, 0.05, 0.1, 0.1, c.minDur);
            std::fprintf(stderr, "%g %g", tsec, DS);
        });
        EXPECT_EQ(columns(r.out, "i 11", 16, 7), c.spans) << c.beats;
        EXPECT_EQ(r.err, "9 8");
    }
}

TEST(Builders, SwitchSelectsTheShortForms) {
    struct Case {
        void (*call)(double swt);
        double swt;
        const char* switches;  // of the AV and the AS event
    };
    const auto vow = [](double swt) { VOW(1, 4, 0, 6, 0.5, 0, 0, 1000, 0.008, 1, 0, swt); };
    const auto vown = [](double swt) { VOWn(1, 4, 0, 6, 0, swt); };
    const auto h = [](double swt) { H(1, 4, 0, swt); };
    // clang-format off
    const Case cases[] = {
        {vow, 0, "0.000 0.000 "},     {vow, -0.0, "-0.000 0.000 "}, {vow, 2, "2.000 1.000 "},
        {vow, -1, "-1.000 1.000 "},   {vown, 0, "0.000 0.000 "},    {vown, 2, "1.000 1.000 "},
        {vown, -0.5, "1.000 1.000 "}, {h, 0, "1.000 0.000 "},       {h, 3, "1.000 1.000 "},
        // A switch that is not a number is reported with VOW's AV event; VOWn and H then
        // write the x forms.
        {vow, NAN, "1.000 "},         {vown, NAN, "1.000 1.000 "},  {h, -NAN, "1.000 1.000 "},
    };
    // clang-format on
    for (const Case& c : cases) {
        ChildResult r = run_fresh([&] {
            oavswt = 1;  // what the voice rest of H carries
            c.call(c.swt);
        });
        EXPECT_EQ(columns(r.out, "i 20", 29, 9) + columns(r.out, "i 15", 29, 9), c.switches)
            << c.swt;
    }
}

TEST(Builders, StepTheTempoFirstAndTheGlidesOnceBeforeTheSteadyEvents) {
    ChildResult vow = run_child([] {
        fresh(0.5);
        glMM(4, 60);
        glAV(2, 10);
        glAS(2, 10);
        glF0(2, 1);
        std::printf("--\n");
        VOW(1, 4, 60, 6, 0.5, 0, 0, 1000, 0.008, 1, 40, 0);
        std::fprintf(stderr, "%g", tsec);
    });
    EXPECT_EQ(vow.out.substr(vow.out.find("--\n") + 3, 64),
              "; Beat =    0.6250; beatsaccum =    1.0000; facGLMM =    1.2500\n");
    EXPECT_EQ(vow.err, "0.625");
    EXPECT_EQ(columns(vow.out, "i 20", 23, 99) + columns(vow.out, "i 21", 23, 99) +
                  columns(vow.out, "i 15", 23, 99),
              "65.000 0.000 6.500 45.000 0.000 ");

    ChildResult vv = run_fresh([] {
        glAV(0.35, 10);
        glAS(0.35, 10);
        vV(0.175, 4, 2, 60, 55, 58, 6, 6.5, 20, 30, 0.05, 0.1, 0.1, 0.2);
    });
    EXPECT_EQ(columns(vv.out, "i 20", 23, 7), "60.000 60.000 55.000 63.000 ");
    EXPECT_EQ(columns(vv.out, "i 15", 23, 7), "20.000 20.000 20.000 35.000 ");
}

// Non-finite lengths are reported and count as 0: VOW's tempo step, voice, aspiration and
// frication glide steps and eighteen events each report their duration; drli has no nominal
// length to divide by.
TEST(Builders, LeaveTheSharedSpansAndLevelsAsStatedAndNonFiniteLengthsAsZero) {
    ChildResult r = run_fresh([] {
        stop(tvV, 0.5);
        std::fprintf(stderr, "tvV %.4f %.4f %g %g %g\n", DB, DS, L1, L2, L3);
        stop(tV, 0.5);
        std::fprintf(stderr, "tV %.4f %.4f %g %g %g\n", DB, DS, L1, L2, L3);
        stop(dV, 0.5);
        std::fprintf(stderr, "dV %g\n", L1);
        vS(0.5, 29, 4, 45, 50, 60, 6, 40, 30, 0.1, 0.05, 0.05, 0.2);
        std::fprintf(stderr, "vS %g %g\n", DA, DB);
        zV(0.5, 29, 4, 60, 6, 30, 62, 0.1, 0.05, 0.05, 0.2);
        std::fprintf(stderr, "zV %g %g\n", L2, DA);
        D2 = 5;
        Vs(0.6, 4, 29, 50, 60, 55, 6, 20, 30, 0.05, 0.05, 0.1, 0.2);
        std::fprintf(stderr, "Vs %g %.4f\n", D2, DS);
        VOW(NAN, 4, 60, 6, 0.5, 0, 0, 1000, 0.008, 1, 40, 0);
        std::fprintf(stderr, "%d %g\n", nerrors, tsec);
        drpv_v(0.5, HUGE_VAL, 0.02, NAN, 0.04, 0.03, 0.05, -HUGE_VAL);
        std::fprintf(stderr, "%g %g %g %g %g\n", D1, DS, DC, DD, DG);
        drli(-1, 0, 0, 0, 0);
        std::fprintf(stderr, "%g %g %g", D1, DS, tsec);
    });
    EXPECT_EQ(r.out.find("nan"), std::string::npos);
    EXPECT_EQ(r.err,
              "tvV 0.1000 0.3165 55 50 50\ntV 0.0500 0.3500 55 50 40\ndV 45\n"
              "vS 0.01 0.09\nzV 50 0.4\nVs 5 0.4000\n22 0\n0 0.4 0.04 0.44 0.0665\n0 -1 -1");
}

// Invariants of valid call sequences, drawn with fixed seeds: every builder and rest moves all
// eighteen time lines by its span, and a valid score counts no error.

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

// Writes one segment with valid arguments; returns its length in beats. lV, sV, vS and Vs take
// arguments of the same kinds in the same places, and so do the four stops.
double builder(Valid& v) {
    static const Liquid kLiquids[] = {lV, sV, vS, Vs};
    static const StopBuilder kStops[] = {dV, tsV, tvV, tV};
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
