// The colour names and pitch helpers of speechscore_colours.h: one name per colour symbol,
// pointers the generators accept, rows the names call equal, exact pitch values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <set>
#include <string>

#include "speechscore.h"
#include "speechscore_colours.h"
#include "support/fresh.h"

// Both headers' names in one scope: the colour names must not meet the library's.
using namespace speechscore::colours;
using namespace speechscore::pitch;

namespace {

bool same_formants(int a, int b) {
    return std::equal(std::begin(formants[a]), std::begin(formants[a]) + 16,
                      std::begin(formants[b]));
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
    EXPECT_TRUE(same_formants(xNeutral37, xNeutral33));
    EXPECT_TRUE(same_formants(cN38, cN));
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
