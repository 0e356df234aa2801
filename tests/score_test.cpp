// Statement writers, error log, start-up and score end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <iterator>
#include <string>

#include "speechscore.h"
#include "support/child.h"

namespace {

void set_fields(std::initializer_list<double> values) {
    std::copy(values.begin(), values.end(), pfields);
}

std::string zero_echo(int fields) {
    std::string line = ";i  0";
    for (int i = 0; i < fields; ++i) line += "   0.0000  ";
    return line + "\n";
}

const std::string kSummaryTitles =
    ";   i 10    i 11    i 12    i 13    i 14    i 15    i 16    i 17    i 18    i 19\n"
    ";  paraflt   F1      F2      F3     F4_8     AS      AF     NasPZ  TralPZ  DltaF1\n";
const std::string kVoiceTitles =
    ";   i 20    i 21    i 22    i 23    i 24    i 25    i 26    i 27\n"
    ";    AV      F0    OQuot   Flutt   Diplo    Tilt      DV      FV    [syn]\n";

TEST(Writers, PrintEachStatementShape) {
    struct Case {
        void (*writer)(char, int);
        char kind;
        std::initializer_list<double> fields;
        int count;
        const char* line;
    };
    const Case cases[] = {
        {wr, 'i', {20, 1.5, 0.25, 60, 1}, 5, "i 20    1.5000  0.2500 60.000 1.000 \n"},
        {wrfilt, 'i', {11, 0, 0.2, 670, 101}, 5, "i 11    0.0000  0.2000 670.0 101.0 \n"},
        {wrf4_8,
         'i',
         {14, 0, 0.2, 3500, 4500, 5500, 6500, 7500, 350, 450, 550, 650, 750, 1},
         14,
         "i 14    0.0000  0.2000 3500 4500 5500 6500 7500  350  450  550  650  750    1.0 \n"},
        // Wider than the format: printed in full, pushing the line to the right.
        {wrfilt, 'i', {110, 12345.678, 1234.5, 100000}, 4, "i110 12345.6780 1234.5000 100000.0 \n"},
        // The first three fields are printed even when the count is below three.
        {wr, 'i', {21, 0.5, 0.1, 9}, 1, "i 21    0.5000  0.1000 \n"},
        {wrf4_8, 'i', {14, 0, 0.1, 3500}, 3, "i 14    0.0000  0.1000 \n"},
        {wrf4_8, 'i', {14, 0, 0.1, 3500}, 4, "i 14    0.0000  0.1000 3500.0 \n"},
        {wr, 'f', {6, 0, 129, 10, 1}, 5, "f  6    0.0000 129.0000 10.000 1.000 \n"},
    };
    for (const Case& c : cases) {
        ChildResult r = run_child([&] {
            set_fields(c.fields);
            c.writer(c.kind, c.count);
        });
        EXPECT_EQ(r.out, c.line);
        EXPECT_EQ(r.err, "");
    }
}

TEST(Writers, NeverReadPastTheBuffer) {
    ChildResult r = run_child([] {
        std::fill(std::begin(pfields), std::end(pfields), 2.0);
        wr('i', 60);
        wrf4_8('i', 1000);
        err(3, 51);
    });
    std::string wrLine = "i  2    2.0000  2.0000 ";
    for (int i = 3; i < 50; ++i) wrLine += "2.000 ";
    std::string f48Line = "i  2    2.0000  2.0000 ";
    for (int i = 3; i < 49; ++i) f48Line += "   2 ";
    f48Line += "   2.0 ";
    std::string echo = ";i  2";
    for (int i = 1; i < 50; ++i) echo += "   2.0000  ";
    EXPECT_EQ(r.out, wrLine + "\n" + f48Line + "\n" + "Error: <duration> <= 0.\n" + echo + "\n");
}

TEST(ErrorLog, MessagesEchoAndCount) {
    const std::string catchAll =
        "Odd error: Email: speechscore-maintainers@lists.speechscore.org.\n";
    struct Case {
        int code;
        std::string message;
    };
    const Case cases[] = {
        {1, "Error: <limit> <= 0.\n"},
        {2, "Error: <loudness> out-of-range.\n"},
        {3, "Error: <duration> <= 0.\n"},
        {4, "Error: <pitch> out-of-range.\n"},
        {5, "Error: <open quotient> out-of-range.\n"},
        {6, "Error: <color symbol> is wrong.\n"},
        {8, "Error: <tracheal pointer> is wrong.\n"},
        {9, "Error: <delta F1 symbol> is wrong.\n"},
        {10, "Error: <output switch> is wrong.\n"},
        {11, "Error: <source switch> is wrong.\n"},
        {13, "Error: <tilt> out-of-range.\n"},
        {15, "Error: <TTO operation> is wrong.\n"},
        {0, catchAll},
        {7, catchAll},
        {12, catchAll},
        {14, catchAll},
        {16, catchAll},
        {-1, catchAll},
    };
    for (const Case& c : cases) {
        ChildResult r = run_child([&] {
            set_fields({15, 2.0, 0, 40, 1});
            nerrors = 4;
            err(c.code, 5);
            std::printf("count %d\n", nerrors);
        });
        EXPECT_EQ(r.out, c.message +
                             ";i 15   2.0000     0.0000    40.0000     1.0000  \n"
                             "count 5\n")
            << "code " << c.code;
    }
    ChildResult shortEcho = run_child([] {
        set_fields({17, 3.0, 1.0});
        err(15, 1);
        err(6, 0);
    });
    EXPECT_EQ(shortEcho.out,
              "Error: <TTO operation> is wrong.\n;i 17\nError: <color symbol> is wrong.\n;i 17\n");
}

TEST(StartUp, SwitchesAreCheckedAndKept) {
    struct Case {
        double out, src;
        std::string expected;
    };
    const std::string outError = "Error: <output switch> is wrong.\n" + zero_echo(16);
    const std::string srcError = "Error: <source switch> is wrong.\n" + zero_echo(16);
    const Case cases[] = {
        {0, 0, ""},
        {12, 5, ""},
        {13, 0, outError},
        {-1, 5, outError},
        {0, 6, srcError},
        {12, -0.5, srcError},
        {13, 6, outError + srcError},
    };
    for (const Case& c : cases) {
        ChildResult r = run_child([&] {
            set_fields({99, 9, 9, 9});
            nerrors = 7;
            start1(c.out, 1, 1, 1, 1, 1, c.src, 1, 1);
            std::printf("count %d out %g src %g\n", nerrors, outswt, srcsw);
        });
        const int count = c.expected.empty() ? 0 : (c.out == 13 && c.src == 6 ? 2 : 1);
        char tail[64];
        std::snprintf(tail, sizeof tail, "count %d out %g src %g\n", count, c.out, c.src);
        EXPECT_EQ(r.out, c.expected + tail);
    }
}

TEST(StartUp, ResetsTimeLinesBufferAndDefaultsButNotBeatPositions) {
    ChildResult r = run_child([] {
        timepoints[3] = 2.5;
        timepoints[20] = 1.0;
        beatpoints[12] = 4.0;
        incAV = 3;
        incAF = 2;
        OQn = 0.9;
        TLn = 10;
        pfields[49] = 5;
        start1(0, 1, 1, 1, 1, 1, 0, 1, 1);
        std::printf("%g %g %g %g %g %g %g %g\n", timepoints[3], timepoints[20], beatpoints[12],
                    incAV, incAF, OQn, TLn, pfields[49]);
    });
    EXPECT_EQ(r.out, "0 0 4 0 0 0.5 1000 0\n");
}

TEST(StartUp, FunctionTableHeaderAndInitialSettings) {
    ChildResult r = run_child([] {
        startmn();
        startf(1, 2, 3, 4, 5, 6, 7, 8);
        startb(11, 12, 13, 14, 15, 16, 17, 18);
        std::printf("%g %g %g %g\n", f1i, f8i, b1i, b8i);
    });
    EXPECT_EQ(r.out,
              "f  4    0.0000 65.0000  -5.0 10000.0  12.0 1800.0  12.0 850.0  12.0 500.0   6.0 "
              "450.0  23.0 400.0 \n"
              "f  6    0.0000 129.0000  10.0   1.0 \n"
              "f  7    0.0000 32769.0000   3.0   0.0 32768.0   0.0 21845.3  -1.0 \n"
              "1 8 11 18\n");
}

TEST(ScoreEnd, WithoutErrorsEndsWithE) {
    ChildResult r = run_child([] {
        start1(3, 0.5, 1, 2, 1, 1, 4, 1, 1);
        timepoints[3] = 2.5;
        timepoints[7] = 1.25;
        timepoints[19] = 3;
        fine();
        std::printf("returned %.3f\n", timepoints[20]);
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "i 1 0 0.01   3 0.5000 1.0000 2.000000 1.000000 1.000000   4    1.0    1.0\n"
              "i 80 .01   2.490 \n" +
                  kSummaryTitles +
                  ";   0.000   2.500   0.000   0.000   0.000   1.250   0.000   0.000   0.000 "
                  "  0.000 \n" +
                  kVoiceTitles +
                  ";   0.000   0.000   0.000   0.000   0.000   0.000   0.000   3.000   2.490 \n"
                  "e\nreturned 2.490\n");
}

TEST(ScoreEnd, CountedErrorsExitWithStatusOne) {
    ChildResult r = run_child([] {
        start1(0, 1, 1, 1, 1, 1, 0, 1, 1);
        pfields[0] = 21;
        err(4, 1);
        err(4, 1);
        err(2, 1);
        fine();
        std::printf("not reached\n");
    });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Number of errors:   3. Details in .sco file.\n");
    const std::string tail =
        ";   0.000   0.000   0.000   0.000   0.000   0.000   0.000   0.000  -0.010 \n"
        "THERE ARE   3 ERRORS IN THIS FILE.\n";
    ASSERT_GE(r.out.size(), tail.size());
    EXPECT_EQ(r.out.substr(r.out.size() - tail.size()), tail);
    EXPECT_NE(r.out.find("i 80 .01  -0.010 \n"), std::string::npos);
}

TEST(ScoreEnd, AScoreThatCannotBeWrittenIsNotASuccess) {
    ChildResult r = run_child(
        [] {
            start1(0, 1, 1, 1, 1, 1, 0, 1, 1);
            startmn();
            fine();
        },
        "/dev/full");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "Error: the score could not be written to standard output.\n");

    ChildResult withErrors = run_child(
        [] {
            start1(20, 1, 1, 1, 1, 1, 0, 1, 1);
            fine();
        },
        "/dev/full");
    EXPECT_EQ(withErrors.status, 2);
    EXPECT_EQ(withErrors.err, "Error: the score could not be written to standard output.\n");
}

}  // namespace

namespace {

TEST(StartUp, SettingsThatAreNotNumbersKeepTheirValues) {
    ChildResult r = run_child([] {
        start1(3, 0.5, 1, 1, 1, 1, 2, 1, 1);
        start1(std::nan(""), INFINITY, 1, 1, 1, 1, -INFINITY, 1, 1);
        std::printf("count %d %g %g %g\n", nerrors, outswt, cascfac, srcsw);
        startf(1, 2, 3, 4, 5, 6, 7, std::nan(""));
        std::printf("count %d %g\n", nerrors, f8i);
    });
    const std::string echo = zero_echo(16);
    EXPECT_EQ(r.out, "Error: <output switch> is wrong.\n" + echo +
                         "Odd error: Email: speechscore-maintainers@lists.speechscore.org.\n" +
                         echo + "Error: <source switch> is wrong.\n" + echo +
                         "count 3 3 0.5 2\n"
                         "Odd error: Email: speechscore-maintainers@lists.speechscore.org.\n"
                         ";i  0\ncount 4 7500\n");
}

}  // namespace
