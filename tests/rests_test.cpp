// Rests and beat-timed statements.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "speechscore.h"
#include "support/fresh.h"

namespace {

// Instrument numbers of the event lines, in order.
std::vector<int> instruments(const std::string& out) {
    std::vector<int> found;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        if (line[0] == 'i') found.push_back(std::stoi(line.substr(1, 3)));
    }
    return found;
}

// Beat positions of AS, AF, AV, F0 and FV on standard error.
void print_positions() {
    for (int slot : {7, 8, 12, 13, 19}) std::fprintf(stderr, "%g ", beatpoints[slot]);
}

// Whether out contains text anywhere.
bool has(const std::string& out, const std::string& text) {
    return out.find(text) != std::string::npos;
}

TEST(Rests, RestReplaysTheRememberedValuesOnEveryTrackFromItsOwnTimeLine) {
    ChildResult r = run_child([] {
        fresh(0.5);
        of0 = 6.5, ooq = 0.6, ofl = 0.01, odi = 0.02, otl = 900, odv = 0.007, ofv = 1.2;
        oavswt = oafswt = 1;
        for (int slot = 2; slot < 20; ++slot) timepoints[slot] = 0.25 * slot;
        Rest(2);
        std::fprintf(stderr, "tsec %g", tsec);  // its time lines: Properties (segments_test)
    });
    EXPECT_EQ(
        r.out,
        "i 11    0.7500  1.0000 500.0 101.0 \ni 12    1.0000  1.0000 1500.0 101.0 \n"
        "i 13    1.2500  1.0000 2500.0 150.0 \n"
        "i 14    1.5000  1.0000 3500 4500 5500 6500 7500  350  450  550  650  750    1.0 \n"
        "i 20    3.0000  1.0000 0.000 1.000 \ni 21    3.2500  1.0000 6.500 \n"
        "i 22    3.5000  1.0000 0.600 \ni 23    3.7500  1.0000 0.010 \n"
        "i 24    4.0000  1.0000 0.020 \ni 25    4.2500  1.0000 900.000 \n"
        "i 26    4.5000  1.0000 0.007 \ni 27    4.7500  1.0000 1.200 \n"
        "i 15    1.7500  1.0000 0.000 0.000 \ni 16    2.0000  1.0000 0.000 1.000 \n"
        "i 10    0.5000  1.0000   0.0 101.0   0.0 150.0   0.0 350.0   0.0 450.0   0.0 550.0   "
        "0.0 \n"
        "i 17    2.2500  1.0000 270.0  90.0 270.0  90.0 \n"
        "i 18    2.5000  1.0000 2150.0 180.0 2150.0 180.0 \ni 19    2.7500  1.0000   0.0   0.0 \n");
    EXPECT_EQ(r.err, "tsec 1");
}

TEST(Rests, RestStepsEveryGlideButFrication) {
    ChildResult r = run_fresh([] {
        setAV(5);
        setF0(0.5);
        glAS(2, 10);
        glAF(2, 10);
        Rest(1);
        Rest(1);
        print_positions();
    });
    EXPECT_TRUE(has(r.out, "i 20    0.0000  1.0000 5.000 0.000 \ni 21    0.0000  1.0000 6.500 \n"));
    EXPECT_TRUE(has(r.out, "i 20    1.0000  1.0000 5.000 0.000 \ni 21    1.0000  1.0000 7.000 \n"));
    EXPECT_TRUE(has(r.out, "i 15    0.0000  1.0000 5.000 0.000 \ni 16    0.0000  1.0000 0.000 0"));
    EXPECT_TRUE(has(r.out, "i 15    1.0000  1.0000 10.000 0.000 \ni 16    1.0000  1.0000 0.000 "));
    EXPECT_EQ(r.err, "2 0 2 2 2 ");
}

TEST(Rests, ZeroOrNonFiniteSpanReportsEighteenErrorsAndMovesNothing) {
    // A length that is not a number is also reported by the tempo step and the AS and voice
    // glide steps: 18 for restAll(0), then 18 or 21.
    for (double beats : {0.0, std::nan(""), HUGE_VAL}) {
        ChildResult r = run_fresh([&] {
            restAll(0);
            Rest(beats);
            double moved = 0;
            for (int slot = 2; slot < 20; ++slot) moved += std::fabs(timepoints[slot]);
            std::fprintf(stderr, "%d %g %g %g", nerrors, moved, tsec, beatpoints[12]);
        });
        EXPECT_TRUE(instruments(r.out).empty());
        EXPECT_FALSE(has(r.out, "nan"));
        EXPECT_EQ(r.err, std::isfinite(beats) ? "36 0 0 0" : "39 0 0 0") << beats;
    }
}

TEST(BeatTimed, RestAndCascadeStatementsStepTheTempoFirst) {
    for (void (*call)() : {+[] { Rest(1); }, +[] { CascB(1, 0); }}) {
        ChildResult r = run_fresh([&] {
            glMM(4, 30);
            call();
            std::fprintf(stderr, "%g", tsec);
        });
        EXPECT_TRUE(has(r.out,
                        "\n; Beat =    1.2500; beatsaccum =    1.0000; facGLMM =    1.2500\n"
                        "i 11    0.0000  1.2500 "));
        EXPECT_EQ(r.err, "1.25");
    }
    ChildResult frq = run_child([] {
        fresh(0.5);
        Casc(0.2, 4);
        std::printf("--\n");
        frqCascB(1, 300, 2200, 2900);
    });
    EXPECT_EQ(frq.out.substr(frq.out.find("--\n") + 3),
              "i 11    0.2000  0.5000 300.0 101.0 \ni 12    0.2000  0.5000 2200.0 110.0 \n"
              "i 13    0.2000  0.5000 2900.0 170.0 \n"
              "i 14    0.2000  0.5000 3500 4500 5500 6500 7500  350  450  550  650  750    1.0 \n");
}

TEST(BeatTimed, RestsStepTheirOwnGlidesValueStatementsNone) {
    struct Case {
        void (*rest)(double);
        std::vector<int> written;
        std::string positions;  // beat positions of slots 7, 8, 12, 13, 19
        std::string first;      // the first event: a glide ending here already shows
    };
    // clang-format off
    const Case cases[] = {
        {restNTDB, {17, 18, 19}, "0 0 0 0 0 ", "i 17    0.0000  0.5000 270.0 "},
        {restVoiB, {20, 21, 22, 23, 24, 25, 26, 27}, "0 0 1 1 1 ", "i 20    0.0000  0.5000 10.000 "},
        {restAFParB, {16, 10}, "0 1 0 0 0 ", "i 16    0.0000  0.5000 30.000 "},
        {restASB, {15}, "1 0 0 0 0 ", "i 15    0.0000  0.5000 20.000 "},
        {restAFB, {16}, "0 1 0 0 0 ", "i 16    0.0000  0.5000 30.000 "},
        // No glide and no tempo step: 0.5 s per beat, the AV offset still 0.
        {[](double b) { AVB(b, 60, 0); }, {20}, "0 0 0 0 0 ", "i 20    0.0000  0.5000 60.000 "},
    };
    // clang-format on
    for (const Case& c : cases) {
        ChildResult r = run_child([&] {
            fresh(0.5);
            glAV(1, 10);
            glAS(1, 20);
            glAF(1, 30);
            glMM(1, 60);
            std::printf("--\n");
            c.rest(1);
            print_positions();
            std::fprintf(stderr, "%g", tsec);
        });
        const std::string out = r.out.substr(r.out.find("--\n") + 3);
        EXPECT_EQ(instruments(out), c.written);
        EXPECT_EQ(r.err, c.positions + "0.5");
        EXPECT_EQ(out.substr(0, c.first.size()), c.first);
    }
}

}  // namespace
