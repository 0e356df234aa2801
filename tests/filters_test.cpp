// Color tables, cascade formants, parallel branch and pole-zero pairs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <limits>
#include <string>

#include "speechscore.h"
#include "support/child.h"

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

const std::string kColorError = "Error: <color symbol> is wrong.\n";
const std::string kSpanError = "Error: <duration> <= 0.\n";
const std::string kTtoError = "Error: <TTO operation> is wrong.\n";
const std::string kCatchAll = "Odd error: Email: speechscore-maintainers@lists.speechscore.org.\n";
const std::string kZeros9 =
    "     0.0000     0.0000     0.0000     0.0000     0.0000     0.0000     0.0000     0.0000 "
    "    0.0000  \n";

// Cleared time lines, buffer and count; no TTO operation, no adjustment.
void fresh() {
    start1(0, 1, 1, 1, 1, 1, 0, 1, 1);
    TTO = 0;
    frmadjpt = 0;
}

// Prints the time lines of the given slots and the error count.
void print_times(std::initializer_list<int> slots) {
    for (int slot : slots) std::printf("%g ", timepoints[slot]);
    std::printf("errors %d\n", nerrors);
}

ChildResult run_fresh(const std::function<void()>& calls) {
    return run_child([&] {
        fresh();
        calls();
    });
}

TEST(Cascade, ColorFourUnderTtoOperations) {
    struct Case {
        int tto;
        std::string out;
    };
    const std::string upper =
        "i 14    0.0000  0.2000 3500 4500 5500 6500 7500  350  450  550  650  750    1.0 \n";
    const Case cases[] = {
        {0,
         "i 11    0.0000  0.2000 670.0 101.0 \ni 12    0.0000  0.2000 1750.0 110.0 \n"
         "i 13    0.0000  0.2000 2500.0 170.0 \n" +
             upper},
        {1,
         "i 11    0.0000  0.2000 530.0  95.0 \ni 12    0.0000  0.2000 1900.0 110.0 \n"
         "i 13    0.0000  0.2000 2500.0 170.0 \n" +
             upper},
        {12,
         "i 11    0.0000  0.2000 270.0  90.0 \ni 12    0.0000  0.2000 2050.0 120.0 \n"
         "i 13    0.0000  0.2000 2300.0 190.0 \n"
         "i 14    0.0000  0.2000 3250 4500 5500 6500 7500  325  450  500  590  750    1.0 \n"},
    };
    for (const Case& c : cases) {
        ChildResult r = run_fresh([&] {
            setTTO(c.tto);
            Casc(0.2, 4);
            print_times({3, 4, 5, 6});
        });
        EXPECT_EQ(r.out, c.out + "0.2 0.2 0.2 0.2 errors 0\n") << "TTO " << c.tto;
    }
}

TEST(Cascade, ScaleShiftAndAdjustmentRows) {
    struct Case {
        std::function<void()> calls;
        std::string out;
    };
    const std::string lowered =
        "i 14    0.0000  0.1000 3100 3500 4300 5100 5900  400  400  400  400  400    1.0 \n";
    const std::string plain =
        "i 14    0.0000  0.1000 3500 4500 5500 6500 7500  700  900 1100 1300 1500    1.0 \n";
    const Case cases[] = {
        {[] { clrF2(0.1, 0, 2.0, 100.0); }, "i 12    0.0000  0.1000 1050.0 180.0 \n"},
        // The shift is not scaled.
        {[] { clrF1(0.1, 0, 2.0, 100.0); }, "i 11    0.0000  0.1000 550.0 180.0 \n"},
        {[] { clrF4_8(0.1, 4, 0.5); },
         "i 14    0.0000  0.1000 3500 4500 5500 6500 7500  175  225  275  325  375    1.0 \n"},
    };
    for (const Case& c : cases) {
        ChildResult r = run_fresh(c.calls);
        EXPECT_EQ(r.out, c.out);
    }

    // Row 1 is added before the bandwidths are scaled; a row outside frmadj means none.
    struct Adjust {
        void (*select)();
        std::string out;
    };
    const Adjust rows[] = {
        {sing, lowered},
        {norm, plain},
        {[] { frmadjpt = 2; }, plain},
        {[] { frmadjpt = 3; }, plain},
        {[] { frmadjpt = -1; }, plain},
    };
    for (const Adjust& a : rows) {
        ChildResult r = run_fresh([&] {
            sing();
            a.select();
            clrF4_8(0.1, 1, 2.0);
        });
        EXPECT_EQ(r.out, a.out);
    }
}

TEST(Cascade, TtoMapOfEveryGroup) {
    struct Case {
        int op;
        int row[12];
    };
    const Case cases[] = {
        {0, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},  {1, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0}},
        {12, {0, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1}}, {13, {1, 0, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2}},
        {23, {11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0}}, {24, {0, 5, 10, 3, 8, 1, 6, 11, 4, 9, 2, 7}},
        {36, {0, 7, 2, 9, 4, 11, 6, 1, 8, 3, 10, 5}}, {47, {11, 6, 1, 8, 3, 10, 5, 0, 7, 2, 9, 4}},
    };
    for (const Case& c : cases) {
        for (int x = 0; x < 12; ++x) EXPECT_EQ(clrTTO(c.op, x), c.row[x]) << c.op << " " << x;
    }
    for (int color : {12, 13, 33, 47}) EXPECT_EQ(clrTTO(29, color), color);

    ChildResult r = run_fresh([] {
        pfields[0] = 9;
        for (int op : {48, -1}) std::printf("%d\n", clrTTO(op, 0));
        for (int color : {48, -1}) std::printf("%d\n", clrTTO(0, color));
        std::printf("%d\n", clrTTO(48, 99));  // the operation is tested first
        std::printf("errors %d\n", nerrors);
    });
    const std::string tto = kTtoError + ";i  9\n-1\n";
    const std::string color = kColorError + ";i  9\n-1\n";
    EXPECT_EQ(r.out, tto + tto + color + color + tto + "errors 5\n");
}

TEST(Cascade, ColorAndSpanErrorsAndTheirTimeLines) {
    ChildResult colors = run_fresh([] {
        frqF1(0.5, 300, 60);
        clrF1(0.1, 48, 1, 0);  // echoes the buffer as the F1 event left it
        clrF3(0.1, -1, 1, 0);
        clrF4_8(0.1, -1, 1);
        Para(0.1, 48);
        clrF3(0.1, 47, 1, 0);
        clrF2(0.1, 47, 1, 0);
        print_times({3, 4, 5, 6, 2});
    });
    const std::string f1Echo = kColorError + ";i 11   0.0000     0.5000   300.0000    60.0000  \n";
    EXPECT_EQ(colors.out, "i 11    0.0000  0.5000 300.0  60.0 \n" + f1Echo + f1Echo + kColorError +
                              ";i 14   0.0000     0.1000   300.0000    60.0000" + kZeros9 +
                              kColorError + ";i 10   0.0000     0.1000   300.0000    60.0000" +
                              kZeros9 +
                              "i 13    0.0000  0.1000 2000.0 100.0 \n"
                              "i 12    0.0000  0.1000 750.0 100.0 \n"
                              "0.5 0.1 0.1 0.1 0.1 errors 4\n");

    ChildResult spans = run_fresh([] {
        frqF1(0, 1, 2);
        frqF2(-0.3, 1, 2);
        clrF3(kNaN, 4, 1, 0);
        clrF4_8(0, 99, 1);  // span before color
        Para(-1, 99);
        print_times({3, 4, 5, 6, 2});
    });
    EXPECT_EQ(spans.out, kSpanError + ";i 11   0.0000     0.0000     0.0000     0.0000  \n" +
                             kSpanError + ";i 12   0.0000    -0.3000     0.0000     0.0000  \n" +
                             kSpanError + ";i 13   0.0000     0.0000     0.0000     0.0000  \n" +
                             kSpanError + ";i 14   0.0000     0.0000     0.0000     0.0000" +
                             kZeros9 + kSpanError +
                             ";i 10   0.0000    -1.0000     0.0000     0.0000" + kZeros9 +
                             "0 -0.3 0 0 -1 errors 5\n");
}

TEST(Cascade, BadTtoWritesNothingButKeepsTheTracksInStep) {
    ChildResult r = run_fresh([] {
        TTO = 48;
        Casc(0.2, 4);
        Casc(0.1, 15);  // not a ring color: the operation is never looked at
        print_times({3, 4, 5, 6});
    });
    const std::string stale = kTtoError + ";i  0\n";
    EXPECT_EQ(r.out, stale + stale + stale + kTtoError + ";i 14\n" +
                         "i 11    0.2000  0.1000 250.0 110.0 \n"
                         "i 12    0.2000  0.1000 1550.0  80.0 \n"
                         "i 13    0.2000  0.1000 2200.0 101.0 \n"
                         "i 14    0.2000  0.1000 3150 4050 5500 6500 7500  350  400  550  650  750 "
                         "   1.0 \n"
                         "0.3 0.3 0.3 0.3 errors 4\n");
}

TEST(ParallelAndPoleZero, ExamplesAndMemories) {
    ChildResult r = run_fresh([] {
        Para(0.1, 19);
        genNAS(0.1, 34);
        std::printf("%d\n", onaspt);
        genNAS(0.1, 33);
        std::printf("%d\n", onaspt);
        genTRC(0.1, 38);
        genTRC(0.1, 36);
        genTRC(0.1, 39);
        genTRC(0, 99);
        std::printf("%d %g\n", otrcpt, timepoints[10]);
        genDF1(0.1, 1);
        genDF1(0.1, 4);
        std::printf("%d %g\n", oDf1pt, timepoints[11]);
    });
    const std::string trcEcho = "  0.1000  2150.0000   180.0000  2050.0000   360.0000  \n";
    EXPECT_EQ(r.out,
              "i 10    0.0000  0.1000   0.0 250.0   0.0 320.0   0.0 350.0   0.0 500.0  28.0 1500.0 "
              " 48.0 \n"
              "i 17    0.0000  0.1000 270.0  90.0 450.0 180.0 \n34\n"
              "i 17    0.1000  0.1000 270.0  90.0 270.0  90.0 \n33\n"
              "i 18    0.0000  0.1000 2150.0 180.0 2050.0 360.0 \n"
              "Error: <tracheal pointer> is wrong.\n;i 18   0.1000   " +
                  trcEcho + "Error: <tracheal pointer> is wrong.\n;i 18   0.2000   " + trcEcho +
                  kSpanError +
                  ";i 18   0.3000     0.0000  2150.0000   180.0000  2050.0000   360.0000  \n"
                  "38 0.3\n"
                  "i 19    0.0000  0.1000   0.0   0.0 \n"
                  "Error: <delta F1 symbol> is wrong.\n"
                  ";i 19   0.1000     0.1000     0.0000     0.0000  \n"
                  "1 0.2\n");
}

TEST(ParallelAndPoleZero, PointersWithoutRows) {
    ChildResult r = run_fresh([] {
        onaspt = 35;
        for (int n = 0; n < 4; ++n) pfields[3 + n] = n + 1;
        genNAS(0.1, 39);
        genNAS(0.1, 32);
        std::printf("%d\n", onaspt);
        genNAS(0.1, 38);
        std::printf("%d %g\n", onaspt, timepoints[9]);
        pfields[3] = 1;
        pfields[4] = 2;
        genDF1(0.1, 3);  // no row: zeros
        std::printf("%d\n", oDf1pt);
        pfields[3] = 7;
        pfields[4] = 8;
        genDF1(0.1, -1);
        std::printf("%d\n", oDf1pt);
        genDF1(0, 2);  // the zeros come before the span check
        pfields[3] = 7;
        pfields[4] = 8;
        genDF1(0, 9);
        std::printf("%d %g\n", oDf1pt, timepoints[11]);
    });
    EXPECT_EQ(r.out,
              kCatchAll +
                  ";i 17   0.0000     0.1000     1.0000     2.0000     3.0000     4.0000  \n" +
                  kCatchAll +
                  ";i 17   0.1000     0.1000     1.0000     2.0000     3.0000     4.0000  \n"
                  "35\n"
                  "i 17    0.2000  0.1000 2150.0 180.0 2050.0 360.0 \n38 0.3\n"
                  "i 19    0.0000  0.1000   0.0   0.0 \n3\n"
                  "Error: <delta F1 symbol> is wrong.\n"
                  ";i 19   0.1000     0.1000     7.0000     8.0000  \n3\n" +
                  kSpanError + ";i 19   0.2000     0.0000     0.0000     0.0000  \n" + kSpanError +
                  ";i 19   0.2000     0.0000     7.0000     8.0000  \n3 0.2\n");
}

TEST(Filters, NonFiniteValuesRejectTheEvent) {
    ChildResult r = run_fresh([] {
        clrF2(0.1, 0, kNaN, 100);
        frqPara(0.1, 1, kInf, 3, 4, 5, 6, 7, 8, 9, 10, 11);
        print_times({4, 2});
    });
    EXPECT_EQ(r.out, kCatchAll + ";i 12   0.0000     0.1000  1050.0000     0.0000  \n" + kCatchAll +
                         ";i 10   0.0000     0.1000     1.0000     0.0000     3.0000     4.0000  "
                         "   5.0000     6.0000     7.0000     8.0000     9.0000    10.0000    "
                         "11.0000  \n0.1 0.1 errors 2\n");
}

TEST(Filters, MemoriesHoldExactlyWhatWasWritten) {
    ChildResult r = run_fresh([] {
        Casc(0.1, 7);
        clrF2(0.1, 0, 2.0, 100.0);
        clrF4_8(0.1, 4, 0.5);
        Para(0.1, 19);
        // Rejected events leave the memories alone.
        clrF1(0.1, 0, kNaN, 0);
        frqF4_8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11);
        frqF4_8(0.1, 1, 2, 3, 4, 5, kInf, 7, 8, 9, 10, 11);
        Para(0.1, 48);
        frqPara(0.1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, kNaN);
        for (double v : ocasc) std::fprintf(stderr, "%g ", v);
        for (double v : opara) std::fprintf(stderr, "%g ", v);
    });
    EXPECT_EQ(r.err,
              "290 1050 2800 3500 4500 5500 6500 7500 90 180 200 175 225 275 325 375 1 "
              "0 250 0 320 0 350 0 500 28 1500 48 ");
}

TEST(ColorTables, Invariants) {
    EXPECT_EQ(sizeof formants / sizeof formants[0], 48u);
    EXPECT_EQ(sizeof parallel / sizeof parallel[0], 48u);
    for (int j = 0; j < 23; ++j) EXPECT_EQ(formants[10][j], formants[15][j]) << j;
    for (int j = 0; j < 11; ++j) EXPECT_EQ(parallel[15][j], parallel[13][j]) << j;
    EXPECT_NE(parallel[10][0], parallel[15][0]);

    const int border[12][2] = {{2, 0}, {3, 0}, {4, 1}, {4, 2}, {4, 3}, {3, 4},
                               {2, 4}, {1, 4}, {0, 3}, {0, 2}, {0, 1}, {1, 0}};
    const std::string flags[4] = {"12 13 14 17 19 21 23 24 27 29 31 ", "17 18 19 20 21 22 23 24 ",
                                  "27 28 29 30 31 32 ",
                                  "33 34 35 36 37 38 39 40 41 42 43 44 45 46 47 "};
    std::string rowsWithFlag[4];
    std::string above7500;
    for (int row = 0; row < 48; ++row) {
        EXPECT_EQ(formants[row][16], 1.0) << row;
        if (row < 12) {
            EXPECT_EQ(formants[row][17], border[row][0]) << row;
            EXPECT_EQ(formants[row][18], border[row][1]) << row;
        }
        for (int f = 0; f < 4; ++f) {
            if (formants[row][19 + f] == 1.0) rowsWithFlag[f] += std::to_string(row) + " ";
        }
        for (int j = 0; j < 8; ++j) {
            if (formants[row][j] > 7500) {
                above7500 += std::to_string(row) + " ";
                break;
            }
        }
    }
    for (int f = 0; f < 4; ++f) EXPECT_EQ(rowsWithFlag[f], flags[f]) << "column " << 19 + f;
    EXPECT_EQ(above7500, "14 ");
}

}  // namespace
