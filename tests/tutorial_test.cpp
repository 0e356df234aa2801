// The example piece and the programs of docs/tutorial.md, and the behaviour the tutorial teaches.
#include <gtest/gtest.h>

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
    for (const std::string& line : lines_of(text))
        if (line.rfind(start, 0) == 0) found.push_back(line);
    return found;
}

// The numbers of a time-line summary row ("; " then "%7.3f " fields).
std::vector<double> numbers_of(const std::string& row) {
    std::vector<double> values;
    std::istringstream in(row.substr(1));
    for (double v; in >> v;) values.push_back(v);
    return values;
}

// The example piece and the tutorial's programs write complete, error-free scores (no error or
// echo line) whose tracks all end together: the summary rows hold slots 2..11, then slots 12..19
// and the end event's duration.
TEST(Tutorial, ProgramsWriteCompleteScoresWhoseTracksEndTogether) {
    for (const char* program :
         {SPEECHSCORE_PIECE, SPEECHSCORE_EXAMPLES_DIR "/first_mama",
          SPEECHSCORE_EXAMPLES_DIR "/first_melody", SPEECHSCORE_EXAMPLES_DIR "/first_tempo"}) {
        SCOPED_TRACE(program);
        const ProgramRun run = run_program(program);
        ASSERT_EQ(run.status, 0) << run.out;
        const std::vector<std::string> lines = lines_of(run.out);
        ASSERT_GE(lines.size(), 10u);
        EXPECT_EQ(lines.back(), "e");
        for (const char* start : {"Error", "Odd error", "THERE ARE", ";i"})
            EXPECT_TRUE(lines_with(run.out, start).empty()) << start;
        const std::vector<double> filters = numbers_of(lines[lines.size() - 5]);
        const std::vector<double> voice = numbers_of(lines[lines.size() - 2]);
        ASSERT_EQ(filters.size(), 10u);
        ASSERT_EQ(voice.size(), 9u);
        const double end = filters[1];  // the F1 track
        for (double v : filters) EXPECT_EQ(v, end);
        for (std::size_t i = 0; i < 8; ++i) EXPECT_EQ(voice[i], end);
        EXPECT_NEAR(voice[8], end - 0.01, 0.0011);
    }
}

// A pitch in Hz is reported by the vowel and by the rest after it; a nasal pointer stays in
// force until nasOff.
TEST(Tutorial, PitchInHertzIsReportedTwiceANasalPointerStaysUntilSwitchedOff) {
    const ChildResult run = run_fresh(
        [] {
            genNAS(0.1, nasM);
            VOWn(0.5, vAA, 60, 130.8, 0, 0);
            Rest(1);
            genNAS(0.1, nasOff);
            VOWn(1, vAA, 60, 7.0, 0, 0);
        },
        0.5);
    EXPECT_EQ(lines_with(run.out, "Error: <pitch> out-of-range.").size(), 2u) << run.out;
    EXPECT_EQ(lines_with(run.out, ";i 21   0.0000     0.2500   130.8000").size(), 1u) << run.out;
    const std::vector<std::string> nasal = lines_with(run.out, "i 17");
    ASSERT_EQ(nasal.size(), 5u) << run.out;
    for (std::size_t i = 0; i < 5; ++i)  // the pole and zero: the nasal pair, then off
        EXPECT_EQ(nasal[i].substr(nasal[i].size() - 24),
                  i < 3 ? "270.0  90.0 450.0 180.0 " : "270.0  90.0 270.0  90.0 ")
            << i;
}

}  // namespace
