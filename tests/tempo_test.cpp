// Metronome mark and master tempo glide.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "speechscore.h"
#include "support/child.h"

namespace {

void print_beat() { std::printf("beat %.17g\n", beat); }

TEST(Metronome, SetsSecondsPerBeatOrFallsBack) {
    struct Case {
        double mark;
        std::string out;
    };
    const std::string fallback = "; TEMPO SPEC. IS WRONG; WILL USE MM=60. \nbeat 1\n";
    const Case cases[] = {
        {120, "beat 0.5\n"},
        {90, "beat 0.66666666666666663\n"},
        {-1, fallback},
        // Zero and non-numbers would make every later span infinite.
        {0, fallback},
        {std::numeric_limits<double>::infinity(), fallback},
        {std::numeric_limits<double>::quiet_NaN(), fallback},
        {1e-320, fallback},
    };
    for (const Case& c : cases) {
        ChildResult r = run_child([&] {
            beat = 7;
            spbGLMM = 0;
            metronome(c.mark);
            print_beat();
            std::printf("glide %g\n", spbGLMM);
        });
        EXPECT_EQ(r.out, c.out + "glide 0\n") << c.mark;
    }
}

TEST(TempoGlide, StepsInEqualSecondsAndEndsExactlyOnTheTarget) {
    ChildResult r = run_child([] {
        beat = 1;
        glMM(4, 30);
        print_beat();  // glMM itself leaves beat alone
        for (int i = 0; i < 4; ++i) {
            doGLMM(1);
            print_beat();
        }
        doGLMM(1);  // idle again: nothing printed
        print_beat();
        std::printf("%g %g %g\n", spbGLMM, facGLMM, beatsaccum);
    });
    EXPECT_EQ(r.out,
              ";glMM start: beatnew=   2.0000;beatold=   1.0000;beatslimit=   4.0000;spbGLMM=   "
              "0.2500\n"
              "beat 1\n"
              "; Beat =    1.2500; beatsaccum =    1.0000; facGLMM =    1.2500\nbeat 1.25\n"
              "; Beat =    1.5000; beatsaccum =    2.0000; facGLMM =    1.5000\nbeat 1.5\n"
              "; Beat =    1.7500; beatsaccum =    3.0000; facGLMM =    1.7500\nbeat 1.75\n"
              "beat 2\nbeat 2\n"
              "0 1 5\n");
}

TEST(TempoGlide, OvershootAndCurrentMarkAndBadMark) {
    ChildResult overshoot = run_child([] {
        beat = 0.5;
        glMM(4, 60);
        doGLMM(10);
        print_beat();
    });
    EXPECT_EQ(overshoot.out,
              ";glMM start: beatnew=   1.0000;beatold=   0.5000;beatslimit=   4.0000;spbGLMM=   "
              "0.2500\nbeat 1\n");

    ChildResult same = run_child([] {
        beat = 0.5;
        glMM(2, 120);
        doGLMM(1);
        doGLMM(1);
        print_beat();
    });
    EXPECT_EQ(same.out,
              ";glMM start: beatnew=   0.5000;beatold=   0.5000;beatslimit=   2.0000;spbGLMM=   "
              "0.0000\nbeat 0.5\n");

    ChildResult bad = run_child([] {
        beat = 1;
        nerrors = 0;
        glMM(4, 30);
        glMM(2, 0);
        glMM(2, -60);
        std::printf("errors %d slope %g\n", nerrors, spbGLMM);
        doGLMM(1);  // the first glide goes on
    });
    EXPECT_EQ(bad.out,
              ";glMM start: beatnew=   2.0000;beatold=   1.0000;beatslimit=   4.0000;spbGLMM=   "
              "0.2500\n"
              "; BAD MM mark; master envelope cancelled. \n"
              "; BAD MM mark; master envelope cancelled. \n"
              "errors 2 slope 0.25\n"
              "; Beat =    1.2500; beatsaccum =    1.0000; facGLMM =    1.2500\n");
}

TEST(TempoGlide, ZeroOrNegativeSpanIsReportedAndEndsAtTheNextStep) {
    ChildResult zero = run_child([] {
        beat = 1;
        nerrors = 0;
        pfields[0] = 21;
        pfields[1] = 0.5;
        glMM(0, 30);
        std::printf("errors %d\n", nerrors);
        doGLMM(0);
        print_beat();
    });
    EXPECT_EQ(zero.out,
              "Error: <duration> <= 0.\n"
              ";i 21   0.5000     0.0000     0.0000     0.0000     0.0000     0.0000     0.0000  "
              "   0.0000     0.0000     0.0000     0.0000  \n"
              ";glMM start: beatnew=   2.0000;beatold=   1.0000;beatslimit=   0.0000;spbGLMM=   "
              "1.0000\n"
              "errors 1\nbeat 2\n");

    ChildResult nan = run_child([] {
        beat = 1;
        glMM(std::nan(""), 120);
        doGLMM(std::nan(""));
        std::printf("%g %g %g\n", beat, beatsaccum, beatslimit);
    });
    EXPECT_NE(nan.out.find("beatslimit=   0.0000;spbGLMM=  -0.5000\n"), std::string::npos);
    EXPECT_NE(nan.out.find("0.5 0 0\n"), std::string::npos);

    ChildResult negative = run_child([] {
        beat = 1;
        glMM(-2, 30);
        doGLMM(1);
        print_beat();
    });
    EXPECT_NE(negative.out.find("spbGLMM=  -0.5000\nbeat 2\n"), std::string::npos);
}

}  // namespace
