// Rendering scripts in the runner's own process: the example piece becomes a WAV, a take
// replaces the old one only whole, a signal stops the render at once.
#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <regex>
#include <set>
#include <string>
#include <thread>

#include "cli/cli_support.h"
#include "support/child.h"

namespace {

std::set<std::string> listing(const std::string& dir) {
    std::set<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* entry = readdir(d)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") names.insert(name);
        }
        closedir(d);
    }
    return names;
}

const std::string kVowel = "VOW 2 vEH 60 C3 0.5 0 0 1000 0.008 1 0 0\n";

TEST(ScriptRenderAcoustic, ExamplePieceBecomesAWav) {
    ScratchDir dir;
    const std::string script = std::string(SPEECHSCORE_EXAMPLES_SOURCE) + "/piece.ss";
    const ChildResult run = speechscore({"--render", "piece.wav", script}, in(dir.path()));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err.rfind(script + ": rendered 10.5208 s in ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(" ms (piece.wav)\n"), std::string::npos) << run.err;
    const std::string wav = read_file(dir.file("piece.wav"));
    ASSERT_GT(wav.size(), 44u * 1000);  // seconds of samples
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(wav.substr(8, 4), "WAVE");
    EXPECT_EQ(run.out, "");
}

TEST(ScriptRenderAcoustic, ATakeReplacesTheOldOneWholeAndNothingIsLeftBehind) {
    ScratchDir dir, tmp;
    dir.write("s.ss", std::string(kOpening) + kVowel + "fine\n");
    dir.write("loud.ss", "start1 0 1 16 1 1 1 0 1 1\nstartmn\nmetronome 120\n" + kVowel + "fine\n");
    dir.write("take.wav", "RIFFold take");
    RunOptions options = in(dir.path());
    options.env = {"TMPDIR=" + tmp.path()};
    const ChildResult run = speechscore({"--render", "take.wav", "s.ss"}, options);
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(
        std::regex_match(run.err, std::regex(R"(s\.ss: rendered 1 s in \d+ ms \(take\.wav\)\n)")))
        << run.err;
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
    std::fflush(stdout);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (chdir(dir.path().c_str()) != 0) _exit(127);
        execl(SPEECHSCORE_CLI, SPEECHSCORE_CLI, "--render", "take.wav", "long.ss",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    bool started = false;  // the unfinished take lies beside the old one
    for (int tries = 0; tries < 3000 && !started; ++tries) {
        started = listing(dir.path()).size() > before.size();
        if (!started) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(started);
    const auto stop = std::chrono::steady_clock::now();
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - stop).count();
    EXPECT_LT(seconds, 1.0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 143) << status;
    EXPECT_EQ(read_file(dir.file("take.wav")), "RIFFold take");
    EXPECT_EQ(listing(dir.path()), before);
}

}  // namespace
