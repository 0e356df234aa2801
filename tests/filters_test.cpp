// Color tables, cascade formants, parallel branch and pole-zero pairs; the colour names and the
// pitch helpers of speechscore_colours.h.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <set>
#include <string>
#include <utility>

#include "speechscore.h"
#include "speechscore_colours.h"
#include "support/fresh.h"
#include "support/messages.h"

// Both headers' names in one scope: the colour names must not meet the library's.
using namespace speechscore::colours;
using namespace speechscore::pitch;

namespace {

const std::string kZeros9 = repeat(9, "     0.0000") + "  \n";  // "%9.4f  " after a wider field

// Prints the time lines of the given slots and the error count.
void print_times(std::initializer_list<int> slots) {
    for (int slot : slots) std::printf("%g ", timepoints[slot]);
    std::printf("errors %d\n", nerrors);
}

// Calls from a fresh start and the exact lines they print.
TEST(Filters, CallsWriteTheseLines) {
    const std::string lowered =
        "i 14    0.0000  0.1000 3100 3500 4300 5100 5900  400  400  400  400  400    1.0 \n";
    const std::string plain =
        "i 14    0.0000  0.1000 3500 4500 5500 6500 7500  700  900 1100 1300 1500    1.0 \n";
    const std::string tto = kTto + ";i  9\n-1\n", color = kColour + ";i  9\n-1\n";
    const std::string stale = kTto + ";i 14\n";
    const std::string f1Echo = kColour + ";i 11   0.0000     0.5000   300.0000    60.0000  \n";
    const std::string nasEcho = "     0.1000     1.0000     2.0000     3.0000     4.0000  \n";
    const std::string trcEcho = "  2150.0000   180.0000  2050.0000   360.0000  \n";
    const std::string trcError = kTracheal + ";i 18   ", df1Error = kDeltaF1 + ";i 19   ";
    const std::string df1Span = kDuration + ";i 19   0.4000     0.0000";
    const std::pair<std::function<void()>, std::string> cases[] = {
        // Row 1 is added before the bandwidths are scaled; a row outside frmadj means none.
        {[] { clrF2(0.1, 0, 2.0, 100.0); }, "i 12    0.0000  0.1000 1050.0 180.0 \n"},
        // The shift is not scaled.
        {[] { clrF1(0.1, 0, 2.0, 100.0); }, "i 11    0.0000  0.1000 550.0 180.0 \n"},
        {[] { sing(), clrF4_8(0.1, 1, 2.0); }, lowered},
        {[] { sing(), norm(), clrF4_8(0.1, 1, 2.0); }, plain},
        {[] { frmadjpt = 3, clrF4_8(0.1, 1, 2.0); }, plain},
        {[] { frmadjpt = -1, clrF4_8(0.1, 1, 2.0); }, plain},
        // A TTO operation or a color out of range; the operation is tested first.
        {[] {
             pfields[0] = 9;
             for (int op : {48, -1}) std::printf("%d\n", clrTTO(op, 0));
             for (int c : {48, -1}) std::printf("%d\n", clrTTO(0, c));
             std::printf("%d\n", clrTTO(48, 99));
             std::printf("errors %d\n", nerrors);
         },
         tto + tto + color + color + tto + "errors 5\n"},
        // Ring colors go through the TTO map (12: color 4 becomes 8); a bad operation writes
        // nothing but moves the tracks; a color off the ring never looks at the operation.
        {[] {
             setTTO(12);
             Casc(0.2, 4);
             TTO = 48;
             Casc(0.2, 4);
             Casc(0.1, 15);
             print_times({3, 4, 5, 6});
         },
         "i 11    0.0000  0.2000 270.0  90.0 \ni 12    0.0000  0.2000 2050.0 120.0 \n"
         "i 13    0.0000  0.2000 2300.0 190.0 \n"
         "i 14    0.0000  0.2000 3250 4500 5500 6500 7500  325  450  500  590  750    1.0 \n" +
             stale + stale + stale + stale +
             "i 11    0.4000  0.1000 250.0 110.0 \ni 12    0.4000  0.1000 1550.0  80.0 \n"
             "i 13    0.4000  0.1000 2200.0 101.0 \n"
             "i 14    0.4000  0.1000 3150 4050 5500 6500 7500  350  400  550  650  750    1.0 \n"
             "0.5 0.5 0.5 0.5 errors 4\n"},
        // Color errors echo the buffer as the last event left it, and move the time lines.
        {[] {
             frqF1(0.5, 300, 60);
             clrF1(0.1, 48, 1, 0);
             clrF3(0.1, -1, 1, 0);
             clrF4_8(0.1, -1, 1);
             Para(0.1, 48);
             clrF3(0.1, 47, 1, 0);
             clrF2(0.1, 47, 1, 0);
             print_times({3, 4, 5, 6, 2});
         },
         "i 11    0.0000  0.5000 300.0  60.0 \n" + f1Echo + f1Echo + kColour +
             ";i 14   0.0000     0.1000   300.0000    60.0000" + kZeros9 + kColour +
             ";i 10   0.0000     0.1000   300.0000    60.0000" + kZeros9 +
             "i 13    0.0000  0.1000 2000.0 100.0 \ni 12    0.0000  0.1000 750.0 100.0 \n"
             "0.5 0.1 0.1 0.1 0.1 errors 4\n"},
        // Spans of 0 or less, or not numbers, are reported before the color.
        {[] {
             frqF1(0, 1, 2);
             frqF2(-0.3, 1, 2);
             clrF3(NAN, 4, 1, 0);
             clrF4_8(0, 99, 1);
             Para(-1, 99);
             print_times({3, 4, 5, 6, 2});
         },
         kDuration + ";i 11   0.0000     0.0000     0.0000     0.0000  \n" + kDuration +
             ";i 12   0.0000    -0.3000     0.0000     0.0000  \n" + kDuration +
             ";i 13   0.0000     0.0000     0.0000     0.0000  \n" + kDuration +
             ";i 14   0.0000     0.0000     0.0000     0.0000" + kZeros9 + kDuration +
             ";i 10   0.0000    -1.0000     0.0000     0.0000" + kZeros9 +
             "0 -0.3 0 0 -1 errors 5\n"},
        // Pole-zero rows and pointers: a pointer without a row is reported (nasal: the catch-
        // all report; delta F1: zeros) and not remembered; the tracheal span is checked first,
        // the delta F1 row or zeros come before the span check.
        {[] {
             genNAS(0.1, 34);
             genNAS(0.1, 33);
             genNAS(0.1, 38);
             for (int n = 0; n < 4; ++n) pfields[3 + n] = n + 1;
             genNAS(0.1, 39);
             genNAS(0.1, 32);
             std::printf("%d %g\n", onaspt, timepoints[9]);
             genTRC(0.1, 38);
             genTRC(0.1, 36);
             genTRC(0.1, 39);
             genTRC(0, 99);
             std::printf("%d %g\n", otrcpt, timepoints[10]);
             genDF1(0.1, 1);
             pfields[3] = 7, pfields[4] = 8;
             genDF1(0.1, 3);
             pfields[3] = 7, pfields[4] = 8;
             genDF1(0.1, 4);
             genDF1(0.1, -1);
             std::printf("%d\n", oDf1pt);
             genDF1(0, 1);
             pfields[3] = 7, pfields[4] = 8;
             genDF1(0, 9);
             std::printf("%d %g\n", oDf1pt, timepoints[11]);
         },
         "i 17    0.0000  0.1000 270.0  90.0 450.0 180.0 \n"
         "i 17    0.1000  0.1000 270.0  90.0 270.0  90.0 \n"
         "i 17    0.2000  0.1000 2150.0 180.0 2050.0 360.0 \n" +
             kOdd + ";i 17   0.3000" + nasEcho + kOdd + ";i 17   0.4000" + nasEcho +
             "38 0.5\ni 18    0.0000  0.1000 2150.0 180.0 2050.0 360.0 \n" + trcError +
             "0.1000     0.1000" + trcEcho + trcError + "0.2000     0.1000" + trcEcho + kDuration +
             ";i 18   0.3000     0.0000" + trcEcho +
             "38 0.3\ni 19    0.0000  0.1000   0.0   0.0 \ni 19    0.1000  0.1000   0.0   0.0 \n" +
             df1Error + "0.2000     0.1000     7.0000     8.0000  \n" + df1Error +
             "0.3000     0.1000     7.0000     8.0000  \n3\n" + df1Span +
             "     0.0000     0.0000  \n" + df1Span + "     7.0000     8.0000  \n3 0.4\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(run_fresh(c.first).out, c.second);
}

TEST(Cascade, TtoMapOfEveryGroup) {
    // Row 12g + n maps ring color x to (n + m x) mod 12, m = 1, -1, 5, 7 for g = 0..3.
    const int multiplier[4] = {1, -1, 5, 7};
    for (int op = 0; op < 48; ++op) {
        for (int x = 0; x < 12; ++x) {
            const int expected = ((op % 12 + multiplier[op / 12] * x) % 12 + 12) % 12;
            EXPECT_EQ(clrTTO(op, x), expected) << op << " " << x;
        }
    }
    for (int color : {12, 13, 33, 47}) EXPECT_EQ(clrTTO(29, color), color);
}

TEST(Filters, MemoriesHoldExactlyWhatWasWrittenAndNonFiniteValuesAreRejected) {
    ChildResult r = run_fresh([] {
        Casc(0.1, 7);
        clrF2(0.1, 0, 2.0, 100.0);
        clrF4_8(0.1, 4, 0.5);
        Para(0.1, 19);
        // Rejected events leave the memories alone; the echo shows 0 for a value not a number.
        clrF1(0.1, 0, NAN, 0);
        frqF4_8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11);
        frqF4_8(0.1, 1, 2, 3, 4, 5, INFINITY, 7, 8, 9, 10, 11);
        Para(0.1, 48);
        frqPara(0.1, 1, INFINITY, 3, 4, 5, 6, 7, 8, 9, 10, NAN);
        for (double v : ocasc) std::fprintf(stderr, "%g ", v);
        for (double v : opara) std::fprintf(stderr, "%g ", v);
        print_times({3, 6, 2});
    });
    EXPECT_EQ(r.err,
              "290 1050 2800 3500 4500 5500 6500 7500 90 180 200 175 225 275 325 375 1 "
              "0 250 0 320 0 350 0 500 28 1500 48 ");
    EXPECT_NE(r.out.find(kOdd + ";i 11   0.1000     0.1000   450.0000     0.0000  \n"),
              std::string::npos);
    const std::string tail = kOdd + ";i 10   0.2000     0.1000     1.0000     0.0000" +
                             "     3.0000     4.0000     5.0000     6.0000     7.0000     8.0000" +
                             "     9.0000    10.0000     0.0000  \n0.2 0.3 0.3 errors 5\n";
    ASSERT_GE(r.out.size(), tail.size());
    EXPECT_EQ(r.out.substr(r.out.size() - tail.size()), tail);
}

TEST(ColorTables, Invariants) {
    EXPECT_TRUE(std::equal(formants[10], formants[10] + 23, formants[15]));
    EXPECT_TRUE(std::equal(parallel[15], parallel[15] + 11, parallel[13]));
    EXPECT_NE(parallel[10][0], parallel[15][0]);
    // Column 16 is 1 everywhere; columns 17 and 18 place the ring colors on the border of a
    // 5 x 5 grid; columns 19 to 22 are flags; only color 14 passes 7500 Hz in the cascade.
    std::string places, flags[4], above7500;
    for (int row = 0; row < 48; ++row) {
        if (formants[row][16] != 1.0) places += "!";
        if (row < 12) {
            places += std::to_string(static_cast<int>(formants[row][17])) +
                      std::to_string(static_cast<int>(formants[row][18])) + " ";
        }
        for (int f = 0; f < 4; ++f) {
            if (formants[row][19 + f] == 1.0) flags[f] += std::to_string(row) + " ";
        }
        if (*std::max_element(formants[row], formants[row] + 8) > 7500)
            above7500 += std::to_string(row);
    }
    EXPECT_EQ(places, "20 30 41 42 43 34 24 14 03 02 01 10 ");
    EXPECT_EQ(flags[0] + "| " + flags[1] + "| " + flags[2] + "| " + flags[3],
              "12 13 14 17 19 21 23 24 27 29 31 | 17 18 19 20 21 22 23 24 | 27 28 29 30 31 32 | "
              "33 34 35 36 37 38 39 40 41 42 43 44 45 46 47 ");
    EXPECT_EQ(above7500, "14");
}

TEST(ColourNames, OneNameForEverySymbolInOrder) {
    ASSERT_EQ(std::size(kColourNames), 48u);
    std::set<std::string> names;
    for (int i = 0; i < 48; ++i) {
        EXPECT_EQ(kColourNames[i].value, i) << kColourNames[i].name;
        names.insert(kColourNames[i].name);
    }
    for (const Named& p : kPointerNames) names.insert(p.name);
    EXPECT_EQ(names.size(), std::size(kColourNames) + std::size(kPointerNames));
}

// The names promise equal rows and cancelling pairs; the tables must keep those promises.
TEST(ColourNames, RowsTheNamesCallEqualOrCancelling) {
    EXPECT_TRUE(std::equal(formants[xNeutral37], formants[xNeutral37] + 16, formants[xNeutral33]));
    EXPECT_TRUE(std::equal(formants[cN38], formants[cN38] + 16, formants[cN]));
    // The same frequencies; only B5 differs.
    EXPECT_TRUE(std::equal(formants[vOEfixed], formants[vOEfixed] + 8, formants[vOE]));
    for (int j = 0; j < 11; j += 2) EXPECT_EQ(parallel[vUXfixed][j], 0.0);
    for (int ptr : {nasOff, nasOff36, trachOff}) {
        EXPECT_EQ(nasaltrach[ptr - 33][0], nasaltrach[ptr - 33][2]) << ptr;
        EXPECT_EQ(nasaltrach[ptr - 33][1], nasaltrach[ptr - 33][3]) << ptr;
    }
    for (int ptr : {nasM, nasN, trachOn})
        EXPECT_NE(nasaltrach[ptr - 33][0], nasaltrach[ptr - 33][2]) << ptr;
    // Voiceless (odd) and voiced (even) members of each consonant pair: wider B1 voiceless.
    for (int voiceless : {cF, cTH, cS, cSH, cP, cT, cK})
        EXPECT_GT(formants[voiceless][8], formants[voiceless + 1][8]) << voiceless;
}

TEST(ColourNames, PointersAreAcceptedByTheirGenerators) {
    const ChildResult run = run_fresh([] {
        for (int ptr : {nasOff, nasM, nasN, nasOff36}) genNAS(0.1, ptr);
        for (int ptr : {trachOff, trachOn}) genTRC(0.1, ptr);
        for (int sym : {df1Row0, df1Row1}) genDF1(0.1, sym);
        std::printf("errors %d\n", nerrors);
    });
    EXPECT_NE(run.out.find("errors 0\n"), std::string::npos) << run.out;
}

TEST(Pitch, NotesAndFrequencies) {
    // Exact where the arithmetic is exact.
    EXPECT_EQ(noteOct(C, 3), 7.0);
    EXPECT_EQ(noteOct(A, 4), 8.75);
    static_assert(noteOct("A4") == 8.75, "evaluated at compile time");
    // clang-format off
    const struct {
        const char* name;
        double oct;
    } names[] = {
        {"C3", 7.0}, {"c3", 7.0}, {"Cb4", 7.0 + 11.0 / 12}, {"G#-1", 3.0 + 8.0 / 12}, {"C10", 14.0},
        // No note name: 0.
        {"", 0.0}, {"H4", 0.0}, {"C", 0.0}, {"C4x", 0.0}, {"C999999999999", 0.0},
    };
    // clang-format on
    for (const auto& n : names) EXPECT_DOUBLE_EQ(noteOct(n.name), n.oct) << n.name;
    EXPECT_EQ(noteOct(nullptr), 0.0);

    EXPECT_EQ(hzToOct(440.0), 8.75);
    EXPECT_EQ(octToHz(8.75), 440.0);
    EXPECT_NEAR(octToHz(8.0), 261.6256, 5e-5);
    for (double hz : {0.0, -1.0, std::nan(""), HUGE_VAL}) EXPECT_EQ(hzToOct(hz), 0.0) << hz;
    // A round trip over the voice's range: both conversions have the same slope.
    for (double oct = 5.0; oct < 11.0; oct += 0.125)
        EXPECT_NEAR(hzToOct(octToHz(oct)), oct, 1e-12) << oct;
}

}  // namespace
