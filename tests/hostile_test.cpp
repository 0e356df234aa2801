// Hostile input: non-finite arguments, tables and settings, an error count at its limit, tempo
// steps that would run the glide past its ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "speechscore.h"
#include "support/child.h"
#include "support/fresh.h"
#include "support/messages.h"

namespace {

bool has_non_number(const std::string& text) {
    return text.find("nan") != std::string::npos || text.find("inf") != std::string::npos;
}

using Stop = void (*)(double, int, int, double, double, double, double, double, double, double,
                      double, double, double, double, double, double, double);
void stop(Stop fn, double d3, double burstDrop, double minDur) {
    fn(0.5, 19, 4, 50, 55, 60, 6, 45, 40, 0.05, 0.02, 0.01, 0.04, burstDrop, d3, 0.05, minDur);
}

TEST(NonFiniteArguments, AreCountedOnceWhereNothingElseWouldReportThem) {
    struct Case {
        const char* name;
        void (*call)();
        const char* report;  // its one report
    };
    // clang-format off
    const Case cases[] = {
        {"doGLVSrc", [] { doGLVSrc(NAN); }, "Error: <duration>"},
        {"drff d4", [] { drff(0.5, 0.05, 0.05, INFINITY, 0.2); }, "Error: <duration>"},
        {"drpv_v dBurst", [] { drpv_v(0.5, 0.05, 0.02, -INFINITY, 0.04, 0.03, 0.05, 0.2); }, "Error: <duration>"},
        {"lV minDur", [] { lV(0.6, 17, 4, 50, 55, 60, 6, 10, 20, 0.05, 0.1, 0.05, INFINITY); }, "Error: <duration>"},
        // d3 only enters derived spans of tV: its own report is the only one.
        {"tV d3", [] { stop(tV, INFINITY, 10, 0.2); }, "Error: <duration>"},
        // burstDrop is not read by tsV and tvV, and is still reported.
        {"tsV burstDrop", [] { stop(tsV, 0.03, NAN, 0.2); }, "Odd error"},
        {"tvV burstDrop", [] { stop(tvV, 0.03, -INFINITY, 0.2); }, "Odd error"},
        // A switch that is not a number: reported as VOW's AV event reports it, then switch 1.
        {"VOWn swt", [] { VOWn(1, 2, 58, 6.5, 30, NAN); }, "Error: <loudness>"},
        {"H swt", [] { H(0.5, 29, 50, NAN); }, "Error: <loudness>"},
    };
    // clang-format on
    for (const Case& c : cases) {
        ChildResult r = run_child([&] {
            fresh(0.5);
            c.call();
            std::fprintf(stderr, "%d", nerrors);
        });
        EXPECT_EQ(r.err, "1") << c.name;
        EXPECT_EQ(r.out.find(c.report), 0u) << c.name << "\n" << r.out;
        EXPECT_FALSE(has_non_number(r.out)) << c.name;
    }
}

TEST(ClientValues, ANonNumberInATableOrSettingIsReportedInsteadOfPrinted) {
    struct Case {
        const char* name;
        void (*call)();
        std::string expected;  // the score, then the count and the remembered pointer
    };
    const std::string zeros4 = "   0.0000     0.1000  ";
    // clang-format off
    const Case cases[] = {
        {"nasaltrach", [] { nasaltrach[0][1] = NAN; onaspt = 35; genNAS(0.1, 33); std::printf("%d %d\n", nerrors, onaspt); },
         kOdd + ";i 17" + zeros4 + " 270.0000     0.0000   450.0000     0.0000  \n1 35\n"},
        {"deltaf1", [] { deltaf1[1][0] = INFINITY; oDf1pt = 3; genDF1(0.1, 1); std::printf("%d %d\n", nerrors, oDf1pt); },
         kOdd + ";i 19" + zeros4 + "   0.0000     0.0000  \n1 3\n"},
        // The writers check what the buffer holds, whoever filled it.
        {"pfields", [] { pfields[0] = 20; pfields[1] = 0; pfields[2] = 1; pfields[3] = NAN; pfields[4] = 1; wr('i', 5); std::printf("%d\n", nerrors); },
         kOdd + ";i 20   0.0000     1.0000     0.0000     1.0000  \n1\n"},
        {"pfields head", [] { pfields[1] = -INFINITY; wrf4_8('f', 2); std::printf("%d\n", nerrors); },
         kOdd + ";i  0   0.0000  \n1\n"},
    };
    // clang-format on
    for (const Case& c : cases) {
        ChildResult r = run_fresh([&] {
            nasaltrach[0][0] = 270;
            nasaltrach[0][2] = 450;
            nasaltrach[0][3] = 0;
            deltaf1[1][1] = 0;
            c.call();
        });
        EXPECT_EQ(r.out, c.expected) << c.name;
    }

    // Settings written before fine, and a time line no generator would leave.
    ChildResult end = run_fresh([] {
        ass = NAN;
        timepoints[3] = INFINITY;
        fine();
    });
    EXPECT_EQ(end.status, 1);
    EXPECT_FALSE(has_non_number(end.out));
    EXPECT_EQ(end.out.find(kOdd +
                           ";i  1   0.0000     0.0100     0.0000     1.0000     1.0000     1.0000"
                           "     1.0000     1.0000     0.0000     1.0000     0.0000  \n" +
                           kOdd + ";i 80   0.0100     0.0000  \n;   i 10"),
              0u)
        << end.out;
    EXPECT_NE(end.out.find("\nTHERE ARE   2 ERRORS IN THIS FILE.\n"), std::string::npos);
}

TEST(ErrorCount, StopsAtTheLargestInt) {
    ChildResult r = run_fresh([] {
        nerrors = INT_MAX - 1;
        err(3, 1);
        err(3, 1);
        glMM(1, 0);  // the bad-mark comment counts too
        std::printf("%d\n", nerrors);
        fine();
    });
    EXPECT_NE(r.out.find("\n2147483647\n"), std::string::npos);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("THERE ARE 2147483647 ERRORS IN THIS FILE.\n"), std::string::npos);
    EXPECT_EQ(r.err, "Number of errors: 2147483647. Details in .sco file.\n");
}

// Random glides and steps of every sign and size: beat and facGLMM stay between the glide's
// ends, and beat stays positive and finite (the exact steps past the ends: tempo_test.cpp).
TEST(TempoGlide, NeverRunsPastItsEnds) {
    const ChildResult walk = run_fresh([] {
        std::mt19937_64 random(99);
        std::uniform_real_distribution<double> unit(0, 1);
        const double steps[] = {-1e308, -8, -1, -1e-9, 0, 1e-9, 0.25, 1, 3, 1e308};
        int bad = 0;
        for (int glide = 0; glide < 2000; ++glide) {
            const double mark = std::pow(10.0, 4 * unit(random) - 1);  // 0.1 to 1000
            glMM(std::pow(10.0, 3 * unit(random) - 1), mark);
            const double lo = std::min(beatold, beatnew), hi = std::max(beatold, beatnew);
            for (int i = 0; i < 12; ++i) {
                doGLMM(unit(random) < 0.5 ? steps[random() % 10] : 4 * unit(random) - 1);
                const double ratio = beatnew / beatold;
                if (!(beat >= lo && beat <= hi && beat > 0 && std::isfinite(beat))) ++bad;
                if (!(facGLMM >= std::min(1.0, ratio) && facGLMM <= std::max(1.0, ratio))) ++bad;
            }
        }
        std::fprintf(stderr, "%d %d", bad, nerrors);
    });
    EXPECT_EQ(walk.err, "0 0");
    EXPECT_FALSE(has_non_number(walk.out));
}
}  // namespace
