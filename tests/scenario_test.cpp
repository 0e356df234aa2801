// The example piece as a whole: a complete, error-free score whose tracks all end together.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "support/child.h"

namespace {

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The numbers of a time-line summary row ("; " then "%7.3f " fields).
std::vector<double> numbers_of(const std::string& row) {
    std::vector<double> values;
    std::istringstream in(row.substr(1));
    for (double v; in >> v;) values.push_back(v);
    return values;
}

TEST(ExamplePiece, IsCompleteErrorFreeAndEndsEveryTrackTogether) {
    const ProgramRun run = run_program(SPEECHSCORE_PIECE);
    ASSERT_EQ(run.status, 0) << run.out;
    const std::vector<std::string> lines = lines_of(run.out);
    ASSERT_GE(lines.size(), 10u);
    EXPECT_EQ(lines.back(), "e");
    for (const std::string& line : lines) {
        EXPECT_NE(line.rfind("Error", 0), 0u) << line;
        EXPECT_NE(line.rfind("Odd error", 0), 0u) << line;
        EXPECT_NE(line.rfind("THERE ARE", 0), 0u) << line;
        EXPECT_NE(line.rfind(";i", 0), 0u) << "echo line of a rejected event: " << line;
    }
    // Summary rows: slots 2..11, then slots 12..19 and the end event's duration.
    const std::size_t n = lines.size();
    const std::vector<double> filters = numbers_of(lines[n - 5]);
    const std::vector<double> voice = numbers_of(lines[n - 2]);
    ASSERT_EQ(filters.size(), 10u);
    ASSERT_EQ(voice.size(), 9u);
    const double end = filters[1];  // the F1 track
    EXPECT_GT(end, 10.0);
    for (double v : filters) EXPECT_EQ(v, end);
    for (std::size_t i = 0; i < 8; ++i) EXPECT_EQ(voice[i], end);
    EXPECT_NEAR(voice[8], end - 0.01, 0.0011);
}

}  // namespace
