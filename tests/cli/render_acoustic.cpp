// Rendering scripts in the runner's own process: a take replaces the old one only whole, a
// signal stops the render at once (the example pieces are rendered by the acoustic tests).
#include <gtest/gtest.h>
#include <signal.h>

#include <regex>
#include <set>
#include <string>

#include "cli/cli_support.h"
#include "support/child.h"

namespace {

const std::string kVowel = "VOW 2 vEH 60 C3 0.5 0 0 1000 0.008 1 0 0\n";

TEST(ScriptRenderAcoustic, ATakeReplacesTheOldOneWholeAndNothingIsLeftBehind) {
    ScratchDir dir, tmp;
    dir.write("s.ss", std::string(kOpening) + kVowel + "fine\n");
    dir.write("loud.ss", "start1 0 1 16 1 1 1 0 1 1\nstartmn\nmetronome 120\n" + kVowel + "fine\n");
    dir.write("take.wav", "RIFFold take");
    RunOptions options = in(dir.path());
    options.env = {"TMPDIR=" + tmp.path()};
    const ChildResult run = speechscore({"--render", "take.wav", "s.ss"}, options);
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(std::regex_match(run.out + run.err,
                                 std::regex(R"(s\.ss: rendered 1 s in \d+ ms \(take\.wav\)\n)")))
        << run.out << run.err;
    EXPECT_EQ(read_file(dir.file("take.wav")).substr(0, 4), "RIFF");
    EXPECT_NE(read_file(dir.file("take.wav")), "RIFFold take");
    EXPECT_EQ(listing(tmp.path()), std::set<std::string>());
    EXPECT_EQ(listing(dir.path()), (std::set<std::string>{"loud.ss", "s.ss", "take.wav"}));

    // With -o the score stays beside the take.
    const ChildResult score = speechscore({"s.ss"}, options);
    const ChildResult kept = speechscore({"-o", "s.sco", "--render=take.wav", "s.ss"}, options);
    EXPECT_EQ(kept.status, 0) << kept.err;
    EXPECT_EQ(read_file(dir.file("s.sco")), score.out);

    // A clipped take is kept, with the renderer's report, and status 4.
    const ChildResult loud = speechscore({"--render", "loud.wav", "loud.ss"}, options);
    EXPECT_EQ(loud.status, 4);
    ASSERT_EQ(lines_of(loud.err).size(), 3u) << loud.err;
    EXPECT_EQ(
        lines_of(loud.err)[0].rfind("speechscore: samples exceed full scale in loud.wav: ", 0), 0u);
    EXPECT_EQ(lines_of(loud.err)[2], "speechscore: loud.wav is kept, clipped to full scale");
    EXPECT_EQ(read_file(dir.file("loud.wav")).substr(0, 4), "RIFF");
}

TEST(ScriptRenderAcoustic, ASignalStopsTheRenderAtOnce) {
    ScratchDir dir;
    std::string script = kOpening;
    for (int i = 0; i < 300; ++i) script += kVowel;
    dir.write("long.ss", script + "fine\n");
    dir.write("take.wav", "RIFFold take");
    const std::set<std::string> before = listing(dir.path());
    const Stopped s = stop_while_writing({SPEECHSCORE_CLI, "--render", "take.wav", "long.ss"},
                                         dir.path(), SIGTERM, dir.path());
    EXPECT_TRUE(s.started);  // the unfinished take lay beside the old one
    EXPECT_LT(s.seconds, 1.0);
    EXPECT_EQ(s.status, 143);
    EXPECT_EQ(read_file(dir.file("take.wav")), "RIFFold take");
    EXPECT_EQ(listing(dir.path()), before);
}

}  // namespace
