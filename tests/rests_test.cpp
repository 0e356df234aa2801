// Rests and beat-timed statements.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "speechscore.h"
#include "support/child.h"

namespace {

// What the rests replay, as at program start; time lines 0, no glide, no offset.
void fresh(double secondsPerBeat) {
    start1(0, 1, 1, 1, 1, 1, 0, 1, 1);
    beat = secondsPerBeat;
    spbGLMM = 0;
    normGL();
    const double cascade[17] = {500, 1500, 2500, 3500, 4500, 5500, 6500, 7500, 101,
                                101, 150,  350,  450,  550,  650,  750,  1};
    const double para[11] = {0, 101, 0, 150, 0, 350, 0, 450, 0, 550, 0};
    for (int i = 0; i < 17; ++i) ocasc[i] = cascade[i];
    for (int i = 0; i < 11; ++i) opara[i] = para[i];
    of0 = 6, ooq = 0.5, ofl = 0, odi = 0, otl = 8000, odv = 0.008, ofv = 1;
    oavswt = oasswt = oafswt = 0;
    onaspt = 33, otrcpt = 37, oDf1pt = 0;
}

// Instrument numbers of the event lines, in order.
std::vector<int> instruments(const std::string& out) {
    std::vector<int> found;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        if (line[0] == 'i') found.push_back(std::stoi(line.substr(1, 3)));
    }
    return found;
}

void print_positions() {
    for (int slot : {7, 8, 12, 13, 19}) std::fprintf(stderr, "%g ", beatpoints[slot]);
}

const std::string kNTD =
    "i 17    0.0000  0.5000 270.0  90.0 270.0  90.0 \n"
    "i 18    0.0000  0.5000 2150.0 180.0 2150.0 180.0 \n"
    "i 19    0.0000  0.5000   0.0   0.0 \n";

TEST(Rests, ReplayTheRememberedValues) {
    struct Case {
        void (*rest)(double);
        std::string out;
    };
    const Case cases[] = {
        {restCasc,
         "i 11    0.0000  0.5000 500.0 101.0 \ni 12    0.0000  0.5000 1500.0 101.0 \n"
         "i 13    0.0000  0.5000 2500.0 150.0 \n"
         "i 14    0.0000  0.5000 3500 4500 5500 6500 7500  350  450  550  650  750    1.0 \n"},
        {restNTD, kNTD},
        {restAFPar,
         "i 16    0.0000  0.5000 0.000 1.000 \n"
         "i 10    0.0000  0.5000   0.0 101.0   0.0 150.0   0.0 350.0   0.0 450.0   0.0 550.0   "
         "0.0 \n"},
        {restVoi,
         "i 20    0.0000  0.5000 0.000 1.000 \ni 21    0.0000  0.5000 6.500 \n"
         "i 22    0.0000  0.5000 0.600 \ni 23    0.0000  0.5000 0.010 \n"
         "i 24    0.0000  0.5000 0.020 \ni 25    0.0000  0.5000 900.000 \n"
         "i 26    0.0000  0.5000 0.007 \ni 27    0.0000  0.5000 1.200 \n"},
    };
    for (const Case& c : cases) {
        ChildResult r = run_child([&] {
            fresh(1);
            of0 = 6.5, ooq = 0.6, ofl = 0.01, odi = 0.02, otl = 900, odv = 0.007, ofv = 1.2;
            oavswt = oafswt = 1;
            c.rest(0.5);
        });
        EXPECT_EQ(r.out, c.out);
    }
}

TEST(Rests, RestWritesEighteenEventsAndMovesEveryTimeLine) {
    ChildResult r = run_child([] {
        fresh(0.5);
        for (int slot = 2; slot < 20; ++slot) timepoints[slot] = 0.25 * slot;
        Rest(2);
        for (int slot = 2; slot < 20; ++slot)
            std::fprintf(stderr, "%g ", timepoints[slot] - 0.25 * slot);
        std::fprintf(stderr, "tsec %g", tsec);
    });
    const std::vector<int> order = {11, 12, 13, 14, 20, 21, 22, 23, 24,
                                    25, 26, 27, 15, 16, 10, 17, 18, 19};
    EXPECT_EQ(instruments(r.out), order);
    EXPECT_EQ(r.err, "1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 tsec 1");
    EXPECT_NE(r.out.find("i 17    2.2500  1.0000 "), std::string::npos);  // from its own line
}

TEST(Rests, RestStepsTempoFirstAndEveryGlideButFrication) {
    ChildResult glide = run_child([] {
        fresh(1);
        glMM(4, 30);
        Rest(1);
    });
    const std::string head =
        "; Beat =    1.2500; beatsaccum =    1.0000; facGLMM =    1.2500\n"
        "i 11    0.0000  1.2500 500.0 ";
    EXPECT_EQ(glide.out.substr(glide.out.find('\n') + 1, head.size()), head);

    ChildResult steps = run_child([] {
        fresh(1);
        for (int slot : {7, 8, 12, 13, 19}) beatpoints[slot] = 0;
        setAV(5);
        setF0(0.5);
        glAS(2, 10);
        glAF(2, 10);
        Rest(1);
        Rest(1);
        print_positions();
    });
    const std::string out = steps.out;
    EXPECT_NE(out.find("i 20    0.0000  1.0000 5.000 0.000 \ni 21    0.0000  1.0000 6.500 \n"),
              std::string::npos);
    EXPECT_NE(out.find("i 20    1.0000  1.0000 5.000 0.000 \ni 21    1.0000  1.0000 7.000 \n"),
              std::string::npos);
    EXPECT_NE(
        out.find("i 15    0.0000  1.0000 5.000 0.000 \ni 16    0.0000  1.0000 0.000 0.000 \n"),
        std::string::npos);
    EXPECT_NE(out.find("i 15    1.0000  1.0000 10.000 0.000 \ni 16    1.0000  1.0000 0.000 "),
              std::string::npos);
    EXPECT_EQ(steps.err, "2 0 2 2 2 ");
}

TEST(Rests, ZeroOrNonFiniteSpanReportsEighteenErrorsAndMovesNothing) {
    for (double beats : {0.0, std::nan(""), HUGE_VAL}) {
        ChildResult r = run_child([&] {
            fresh(1);
            restAll(0);
            Rest(beats);
            double moved = 0;
            for (int slot = 2; slot < 20; ++slot) moved += std::fabs(timepoints[slot]);
            std::fprintf(stderr, "%d %g %g %g", nerrors, moved, tsec, beatpoints[12]);
        });
        EXPECT_TRUE(instruments(r.out).empty());
        EXPECT_EQ(r.out.find("nan"), std::string::npos);
        EXPECT_EQ(r.err.substr(0, 6), "36 0 0") << beats;
    }
}

TEST(BeatTimed, ValueStatementsUseTheBeatAndMoveNoGlide) {
    ChildResult r = run_child([] {
        fresh(0.5);
        glAV(4, 8);
        glMM(4, 60);  // no tempo step: AVB stays at 0.5 s per beat
        const double position = beatpoints[12];
        AVB(2, 60, 0);
        std::fprintf(stderr, "%g %g %g %g", tsec, beatpoints[12] - position, incAV, beat);
    });
    EXPECT_NE(r.out.find("\ni 20    0.0000  1.0000 60.000 0.000 \n"), std::string::npos);
    EXPECT_EQ(r.err, "1 0 0 0.5");
}

TEST(BeatTimed, RestsStepTheirOwnGlidesBeforeWriting) {
    struct Case {
        void (*rest)(double);
        std::vector<int> written;
        std::string positions;  // beat positions of slots 7, 8, 12, 13, 19
        std::string first;      // start of the first event: a glide ending here already shows
    };
    const Case cases[] = {
        {restNTDB, {17, 18, 19}, "0 0 0 0 0 ", "i 17    0.0000  0.5000 270.0 "},
        {restVoiB,
         {20, 21, 22, 23, 24, 25, 26, 27},
         "0 0 1 1 1 ",
         "i 20    0.0000  0.5000 10.000 "},
        {restAFParB, {16, 10}, "0 1 0 0 0 ", "i 16    0.0000  0.5000 30.000 "},
        {restASB, {15}, "1 0 0 0 0 ", "i 15    0.0000  0.5000 20.000 "},
        {restAFB, {16}, "0 1 0 0 0 ", "i 16    0.0000  0.5000 30.000 "},
    };
    for (const Case& c : cases) {
        ChildResult r = run_child([&] {
            fresh(0.5);
            for (int slot : {7, 8, 12, 13, 19}) beatpoints[slot] = 0;
            glAV(1, 10);
            glAS(1, 20);
            glAF(1, 30);
            c.rest(1);
            print_positions();
        });
        EXPECT_EQ(instruments(r.out), c.written);
        EXPECT_EQ(r.err, c.positions);
        EXPECT_EQ(r.out.substr(0, c.first.size()), c.first);
    }
}

TEST(BeatTimed, CascadeStatementsStepTheTempoFirst) {
    ChildResult casc = run_child([] {
        fresh(1);
        glMM(4, 30);
        CascB(1, 4);
        std::fprintf(stderr, "%g", tsec);
    });
    EXPECT_NE(casc.out.find("; Beat =    1.2500; beatsaccum =    1.0000; facGLMM =    1.2500\n"
                            "i 11    0.0000  1.2500 670.0 101.0 \n"),
              std::string::npos);
    EXPECT_EQ(casc.err, "1.25");

    ChildResult frq = run_child([] {
        fresh(0.5);
        Casc(0.2, 4);
        std::printf("--\n");
        frqCascB(1, 300, 2200, 2900);
    });
    EXPECT_EQ(frq.out.substr(frq.out.find("--\n") + 3),
              "i 11    0.2000  0.5000 300.0 101.0 \n"
              "i 12    0.2000  0.5000 2200.0 110.0 \n"
              "i 13    0.2000  0.5000 2900.0 170.0 \n"
              "i 14    0.2000  0.5000 3500 4500 5500 6500 7500  350  450  550  650  750    1.0 \n");
}

}  // namespace
