// The programs of docs/tutorial.md write complete scores, and the behaviour the tutorial
// teaches holds: a pitch in Hz is reported twice, a nasal pointer stays in force until nasOff.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "speechscore.h"
#include "speechscore_colours.h"
#include "support/child.h"
#include "support/fresh.h"

namespace {

using namespace speechscore::colours;

std::vector<std::string> lines_with(const std::string& text, const std::string& start) {
    std::vector<std::string> found;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(start, 0) == 0) found.push_back(line);
    return found;
}

TEST(Tutorial, ProgramsWriteCompleteScores) {
    for (const char* program : {"first_mama", "first_melody", "first_tempo"}) {
        const ProgramRun run = run_program(std::string(SPEECHSCORE_EXAMPLES_DIR) + "/" + program);
        EXPECT_EQ(run.status, 0) << program << "\n" << run.out;
        ASSERT_GE(run.out.size(), 2u) << program;
        EXPECT_EQ(run.out.substr(run.out.size() - 2), "e\n") << program;
        EXPECT_TRUE(lines_with(run.out, "Error").empty()) << program;
        EXPECT_TRUE(lines_with(run.out, ";i").empty()) << program;
    }
}

TEST(Tutorial, PitchInHertzIsReportedByTheVowelAndTheRestAfterIt) {
    const ChildResult run = run_child([] {
        fresh(0.5);
        VOWn(0.5, vAA, 60, 130.8, 0, 0);
        Rest(0.5);
        fine();
    });
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Number of errors:   2. Details in .sco file.\n");
    EXPECT_EQ(lines_with(run.out, "Error: <pitch> out-of-range.").size(), 2u) << run.out;
    EXPECT_EQ(lines_with(run.out, ";i 21   0.0000     0.2500   130.8000").size(), 1u) << run.out;
    EXPECT_EQ(lines_with(run.out, "THERE ARE   2 ERRORS IN THIS FILE.").size(), 1u);
}

TEST(Tutorial, NasalPointerStaysInForceUntilSwitchedOff) {
    const ChildResult run = run_child([] {
        fresh(0.5);
        genNAS(0.1, nasM);
        VOWn(1, vAA, 60, 7.0, 0, 0);
        Rest(1);
        genNAS(0.1, nasOff);
        VOWn(1, vAA, 60, 7.0, 0, 0);
    });
    const std::vector<std::string> nasal = lines_with(run.out, "i 17");
    ASSERT_EQ(nasal.size(), 5u) << run.out;
    const std::string on = "270.0  90.0 450.0 180.0 ";
    const std::string off = "270.0  90.0 270.0  90.0 ";
    for (int i = 0; i < 3; ++i) EXPECT_EQ(nasal[i].substr(nasal[i].size() - on.size()), on) << i;
    for (int i = 3; i < 5; ++i) EXPECT_EQ(nasal[i].substr(nasal[i].size() - off.size()), off) << i;
}

}  // namespace
