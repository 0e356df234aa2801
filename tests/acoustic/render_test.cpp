// The renderer as a user meets it (the program and the Renderer): status, messages, files left.
#include "render.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "speechscore.h"
#include "speechscore_render.h"
#include "support/child.h"

namespace {

// Runs the renderer with args, and extra NAME=value settings in its environment.
ChildResult render(std::vector<std::string> args, const std::vector<std::string>& env = {}) {
    args.insert(args.begin(), SPEECHSCORE_RENDER);
    return run_command(args, env);
}

// Runs a shell command line (the renderer is $R) with extra NAME=value settings.
ChildResult shell(const std::string& command, const std::vector<std::string>& env = {}) {
    return run_command(
        {"/bin/bash", "-c", std::string("R='") + SPEECHSCORE_RENDER + "'; " + command}, env);
}

std::string quoted(const std::string& path) { return "'" + path + "'"; }

// The score of start-up with the given avfact and asfact, then the calls.
std::string score_of(const std::string& name, const std::function<void()>& calls, double avfact = 1,
                     double asfact = 1) {
    return write_score(name, [&] {
        start1(0, 1, avfact, asfact, 1, 1, 0, 1, 1);
        calls();
    });
}

// A sung vowel between rests, voicing only (no aspiration, no frication): 1.5 s of sound.
void vowel() {
    metronome(120);
    Rest(0.5);
    VOW(2, 2, 60, 7.0, 0.5, 0, 0, 1000, 0.008, 1, 0, 0);
    Rest(0.5);
}

// An avfact that drives the vowel about 4 dB beyond full scale (it peaks near -20 dBFS at 1).
const double kLoud = 16;

// The vowel in a whole score.
void piece() {
    startmn();
    vowel();
    fine();
}

class Render : public testing::Test {
protected:
    void TearDown() override {  // the files of a failed test stay for a look
        if (HasFailure()) return;
        for (const std::string& name : listing(scratch()))
            std::remove((scratch() + "/" + name).c_str());
    }
};

double dbfs(double value) { return 20 * std::log10(value); }

// The resident copies of the renderer that listen (their abstract sockets' names).
std::set<std::string> residents() {
    std::set<std::string> names;
    std::ifstream table("/proc/net/unix");
    for (std::string line; std::getline(table, line);) {
        const std::size_t at = line.find("@speechscore-render-");
        if (at != std::string::npos) names.insert(line.substr(at));
    }
    return names;
}

// How many open files of processes lie in dir (a copy still rendering a take there holds one).
int holders(const std::string& dir) {
    namespace fs = std::filesystem;
    int n = 0;
    std::error_code none;
    for (const fs::directory_entry& process : fs::directory_iterator("/proc", none)) {
        std::error_code gone;  // a process may end while it is looked at
        for (const fs::directory_entry& fd : fs::directory_iterator(process.path() / "fd", gone))
            if (fs::read_symlink(fd.path(), gone).string().rfind(dir + "/", 0) == 0) ++n;
    }
    return n;
}

TEST_F(Render, KeepsAClippedTakeAndNamesThePeakAndTheAvfactThatAvoidsIt) {
    const std::string score = score_of("loud", piece, kLoud), wav = scratch() + "/loud.wav";
    std::ofstream(wav) << "an earlier take";
    const ChildResult r = render({score, wav});
    EXPECT_EQ(r.status, 4);
    const std::regex expected(
        "render: samples exceed full scale in " + wav +
        ": peak \\+([0-9]+\\.[0-9]{2}) dBFS at ([0-9]+\\.[0-9]{3}) s; ([0-9]+) samples clipped "
        "between ([0-9]+\\.[0-9]{3}) s and ([0-9]+\\.[0-9]{3}) s\n"
        "render: avfact ([0-9]\\.[0-9]{4}) \\(the third setting of start1, now 16\\.0000\\) would "
        "bring the peak to (-1\\.[0-9]{2}) dBFS\n"
        "render: " +
        wav + " is kept, clipped to full scale; --allow-clip accepts clipping\n");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(r.err, m, expected)) << r.err;
    const double avfact_fix = std::stod(m[6]);

    // The take is at full scale where the message says (within its rounding and half a sample).
    const Sound take = read_sound(wav);
    const double near = 0.0005 + 0.5 / take.rate;
    std::vector<double> at_full_scale;
    for (std::size_t i = 0; i < take.samples.size(); ++i)
        if (std::fabs(take.samples[i]) >= 8388607 / 8388608.0)
            at_full_scale.push_back(static_cast<double>(i) / take.rate);
    ASSERT_FALSE(at_full_scale.empty());
    EXPECT_NEAR(static_cast<double>(at_full_scale.size()), std::stoi(m[3]), 2);
    EXPECT_NEAR(at_full_scale.front(), std::stod(m[4]), near);
    EXPECT_NEAR(at_full_scale.back(), std::stod(m[5]), near);

    // With the avfact the message gives: no clipping, the peak where and as the message says.
    const std::string fixed_wav = scratch() + "/fixed.wav";
    const ChildResult again = render({score_of("fixed", piece, avfact_fix), fixed_wav});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.err, "");
    const Sound fixed = read_sound(fixed_wav);
    const double top = dbfs(peak(fixed));
    EXPECT_NEAR(top, std::stod(m[7]), 0.01);
    EXPECT_NEAR(top, -1.0, 0.005);
    EXPECT_NEAR(top + dbfs(kLoud / avfact_fix), std::stod(m[1]), 0.01);
    // Every period of the vowel peaks alike, so the peak is checked where the message says.
    double there = 0;
    for (std::size_t i = 0; i < fixed.samples.size(); ++i)
        if (std::fabs(static_cast<double>(i) / fixed.rate - std::stod(m[2])) <= near)
            there = std::max(there, std::fabs(fixed.samples[i]));
    EXPECT_NEAR(dbfs(there), top, 0.001);

    // --allow-clip: the same take and report, exit status 0.
    const ChildResult allowed = render({"--allow-clip", score, wav});
    EXPECT_EQ(allowed.status, 0);
    EXPECT_EQ(allowed.err, r.err.substr(0, r.err.rfind("render: ")) + "render: " + wav +
                               " is kept, clipped to full scale (--allow-clip)\n");
    EXPECT_EQ(read_sound(wav).samples, take.samples);
}

TEST_F(Render, NoiseBeyondFullScaleIsNotBlamedOnTheVoicing) {
    // Aspiration 300 times louder than usual: without the voicing the sound still clips.
    const std::string score = score_of(
        "noisy",
        [] {
            startmn();
            metronome(120);
            Rest(0.5);
            sV(2, 21, 7, 58, 50, 60, 7.0, 40, 0, 0.1, 0.05, 0.05, 0.25);
            fine();
        },
        1, 300);
    const std::string wav = scratch() + "/noisy.wav";
    const ChildResult r = render({score, wav});
    EXPECT_EQ(r.status, 4);
    EXPECT_TRUE(std::regex_match(
        r.err,
        std::regex("render: samples exceed full scale in .*\n"
                   "render: no avfact brings the peak to -1 dBFS: without the voicing the sound "
                   "peaks at \\+[0-9]+\\.[0-9]{2} dBFS at [0-9]+\\.[0-9]{3} s \\(aspiration and "
                   "frication\\); lower asfact or affact, or the AS and AF levels\n"
                   "render: .* is kept, clipped to full scale; --allow-clip accepts clipping\n")))
        << r.err;
    EXPECT_FALSE(read_sound(wav).samples.empty());
}

TEST_F(Render, ATakeFromAScoreFileOrPipeReplacesThePreviousOneKeepingItsPermissions) {
    // Read-only takes and links too; every take opens in Python's wave module, nothing is left.
    const std::string score = score_of("plain", piece), loud = score_of("clipped", piece, kLoud);
    const std::string wav = scratch() + "/take.wav", link = scratch() + "/link.wav";
    const std::string tmp = scratch() + "/tmp", r = "\"$R\" ", to = " " + quoted(wav);
    ASSERT_EQ(mkdir(tmp.c_str(), 0700), 0);
    ASSERT_EQ(symlink("take.wav", link.c_str()), 0);
    ASSERT_EQ(render({score, scratch() + "/reference.wav"}).status, 0);
    const std::vector<double> expected = read_sound(scratch() + "/reference.wav").samples;
    ASSERT_FALSE(expected.empty());
    std::set<std::string> files = listing(scratch());
    files.insert("take.wav");
    const struct {
        std::string command;
        mode_t mode;
        int status, rate;
    } cases[] = {
        {r + quoted(score) + to, 0444, 0, 44100},
        {r + quoted(loud) + to, 0604, 4, 44100},
        {r + quoted(score) + to + " -r 22050 --ksmps=64 --omacro:UNUSED=1", 0640, 0, 22050},
        {r + quoted(score) + " " + quoted(link), 0644, 0, 44100},
        // The score read once from a pipe, and a score name that begins with "-".
        {r + "-" + to + " < " + quoted(score), 0644, 0, 44100},
        {"cat " + quoted(score) + " | " + r + "/dev/stdin" + to, 0644, 0, 44100},
        {"cd " + quoted(scratch()) + " && cp -- plain.sco -plain.sco && " + r + "-plain.sco" + to +
             " && rm ./-plain.sco",
         0644, 0, 44100},
    };
    for (const auto& c : cases) {
        std::ofstream(wav) << "an earlier take";
        chmod(wav.c_str(), c.mode);
        const ChildResult result = shell(c.command, {"TMPDIR=" + tmp});
        EXPECT_EQ(result.status, c.status) << c.command << ": " << result.err;
        struct stat st {};
        ASSERT_EQ(stat(wav.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, c.mode) << c.command;
        EXPECT_EQ(result.err.empty(), c.status == 0) << c.command << ": " << result.err;
        if (c.status == 0 && c.rate == 44100) {
            EXPECT_EQ(read_sound(wav).samples, expected) << c.command;
        }
        // Mono, 24-bit, the rate, and 1.5 s of frames (the F1 track's end) within two blocks.
        const ChildResult w =
            run_command({"/usr/bin/python3", "-W", "error", "-c",
                         "import sys, wave\nw = wave.open(sys.argv[1])\nrate = w.getframerate()\n"
                         "print(w.getnchannels(), w.getsampwidth(), rate, "
                         "abs(w.getnframes() - 1.5 * rate) <= 2 * 64)",
                         wav});
        EXPECT_EQ(w.out + w.err, "1 3 " + std::to_string(c.rate) + " True\n") << c.command;
        EXPECT_EQ(listing(scratch()), files) << c.command;
        EXPECT_EQ(listing(tmp), std::set<std::string>()) << c.command;
        chmod(wav.c_str(), 0644);
    }
    struct stat st {};
    EXPECT_TRUE(lstat(link.c_str(), &st) == 0 && S_ISLNK(st.st_mode));
}

TEST_F(Render, ASignalEndsTheRenderAtOnceLeavingThePreviousTakeAndNoTemporaryFile) {
    const std::set<std::string> earlier = residents();
    // Ten minutes of sound: stopped half-way, once the unfinished take lies next to the output.
    const std::string score = score_of("long", [] {
        startmn();
        metronome(120);
        for (int i = 0; i < 300; ++i) VOW(4, i % 12, 60, 7.0, 0.5, 0, 0, 1000, 0.008, 1, 0, 0);
        fine();
    });
    const std::string wav = scratch() + "/long.wav";
    std::ofstream(wav) << "an earlier take";
    const std::set<std::string> before = listing(scratch());
    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
        const Stopped s = stop_while_writing({SPEECHSCORE_RENDER, score, wav}, scratch(), sig);
        EXPECT_TRUE(s.started) << sig;
        EXPECT_LT(s.seconds, 1.0) << sig;
        EXPECT_EQ(s.status, 128 + sig);
        EXPECT_EQ(read_file(wav), "an earlier take");
        EXPECT_EQ(listing(scratch()), before);
    }
    // A render csound is still reading a second after it began (a score loop of 20000 events
    // keeps it there for about 20 s), in the resident copy a lone render leaves (once it
    // listens, within 3 s): the copy ends with the program that asked for it, and holds no take
    // in the folder.
    const std::string looping = scratch() + "/loop.sco";
    std::ofstream(looping) << "{ 20000 CNT\ni 11 0 0.5 500 100\n}\n" << read_file(score);
    ASSERT_EQ(render({score_of("short", piece), scratch() + "/short.wav"}).status, 0);
    for (int tries = 0; tries < 60 && residents() == earlier; ++tries) usleep(50000);
    const ChildResult stopped = shell("\"$R\" " + quoted(looping) + " " + quoted(wav) +
                                      " & sleep 1; kill -TERM $!; wait $!");
    EXPECT_EQ(stopped.status, 128 + SIGTERM) << stopped.err;
    int holding = 0;
    for (int tries = 0; tries < 40; ++tries) {
        holding = holders(scratch());
        if (holding == 0) break;
        usleep(50000);
    }
    EXPECT_EQ(holding, 0) << "a copy still renders a take into " << scratch();
}

TEST_F(Render, RefusesBadInputNamingTheLikelyCauseAndTouchesNoFile) {
    const std::string score = score_of("refused", piece), text = read_file(score);
    const std::string wav = scratch() + "/refused.wav";
    std::ofstream(wav) << "an earlier take";
    // Scores written wrongly: csound refuses some, the renderer the others before it starts.
    const std::string no_tables = score_of("no_tables", [] {
        vowel();
        fine();
    });
    const std::string with_errors = score_of("closed_with_errors", [] {
        startmn();
        metronome(120);
        VOW(1, 2, 60, 7.0, 0.5, 0, 0, 1000, 0.008, 1, 0, 0);
        VOW(1, 2, 160, 7.0, 0.5, 0, 0, 1000, 0.008, 1, 0, 0);  // loudness out of range
        genTL(0.5, -1);                                        // tilt out of range
        fine();
    });
    const std::string unknown = scratch() + "/unknown_instrument.sco";
    std::ofstream(unknown) << "i 33 0 0.5 1 2\n" << text;
    const std::string include = scratch() + "/include.sco";
    std::ofstream(include) << "#include \"missing.sco\"\n" << text;
    const std::string infinite = scratch() + "/infinite.sco";  // the voicing at 100000 dB
    std::ofstream(infinite) << std::regex_replace(
        text, std::regex("(^|\n)(i 20 +[0-9.]+ +[0-9.]+ +)[0-9.]+"), "$1$2 1e5");
    // The line of fine()'s count of errors, and each error with its statement's echo.
    std::string closing, reported;
    const std::vector<std::string> lines = lines_of(read_file(with_errors));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind("THERE ARE", 0) == 0) closing = std::to_string(i + 1);
        if (lines[i].rfind("Error:", 0) != 0) continue;
        for (const std::size_t k : {i, i + 1})
            reported += "render: line " + std::to_string(k + 1) + ": " + lines[k] + "\n";
    }
    // A FIFO as the take, and a link to a device (a character device for root, else the FIFO).
    const std::string null = scratch() + "/null", fifo = scratch() + "/fifo.wav";
    const std::string to_null = scratch() + "/to_null.wav";
    const bool root = mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(symlink(root ? null.c_str() : fifo.c_str(), to_null.c_str()), 0);
    const std::string regular = ", not a regular file; give the name of the WAV file to write\n";
    const std::string usage =
        "usage: render [--allow-clip] SCORE.sco OUTPUT.wav [csound options...]\n";
    const std::string nothing = "render: nothing was written to " + wav + "\n";
    const std::string csound = "render: csound's messages:\n  ...\n" + nothing;
    const std::string r = "\"$R\" ", to_wav = " " + quoted(wav);
    const struct {
        std::string command;
        int status;
        std::string err;
    } cases[] = {
        {r + quoted(no_tables) + to_wav, 1,
         "render: " + no_tables +
             " has no function tables 4, 6 and 7: startmn() was not called (call it once, after "
             "start1())\n" +
             csound},
        {r + quoted(with_errors) + to_wav, 1,
         "render: " + with_errors +
             " was closed with errors: fine() wrote \"THERE ARE   2 ERRORS IN THIS FILE.\" (line " +
             closing + ") instead of \"e\"\n" + reported +
             "render: correct the calls these lines report and write the score again\n" + nothing},
        {r + quoted(unknown) + to_wav, 1,
         "render: " + unknown +
             " plays instrument 33, which is not in the orchestra (it has 1, 10 to 27 and 80); "
             "first at line 1: i 33 0 0.5 1 2\n" +
             csound},
        // csound gives up on it by a jump that ends the process it is in: a copy of its own.
        {"SPEECHSCORE_RENDER_RESIDENT=0 " + r + quoted(include) + to_wav, 1,
         "render: csound stopped without a word while rendering " + include + "\n" + nothing},
        {r + quoted(infinite) + to_wav, 1,
         "render: the sound of " + infinite +
             " is no number (NaN or infinity) from 0.010 s: a level far beyond what the "
             "orchestra plays; look at the levels there\n" +
             nothing},
        {r + quoted(score) + " " + quoted(score), 1,
         "render: " + score +
             " is the score or the orchestra itself; give another name for the WAV file\n"},
        {r + quoted(score) + " " + quoted(scratch()), 1,
         "render: " + scratch() + " is a directory; give the name of the WAV file to write\n"},
        {r + quoted(score) + to_wav + " -o " + quoted(scratch() + "/other.wav"), 2,
         "render: -o sets csound's output file or sample format, which the renderer chooses "
         "itself\n" +
             usage},
        // Options csound would take to run no render, a broken one, or none at all: without
        // the program's Cscore it never ends, and it jumps out of the program on a flag
        // without its value (or on -t, -O... before their values were joined).
        {r + quoted(score) + to_wav + " -C", 2,
         "render: -C asks for csound's Cscore processing, which needs a program of its own\n" +
             usage},
        {r + quoted(score) + to_wav + " -r 8000", 2,
         "render: -r8000: the orchestra needs a sample rate of 16000 Hz or more\n" + usage},
        {r + quoted(score) + to_wav + " -r 22050 --ksmps=400", 2,
         "render: --ksmps=400: the orchestra needs a control period of at most 10 ms (--ksmps "
         "of at most a hundredth of the sample rate)\n" +
             usage},
        {r + quoted(score) + to_wav + " --nchnls=2", 2,
         "render: --nchnls=2 sets csound's output file or sample format, which the renderer "
         "chooses itself\n" +
             usage},
        {r + quoted(score) + to_wav + " -m0 --ksmps", 1,
         "render: csound cannot take the option --ksmps: it ends the program on it (a flag "
         "without its value, or one csound takes only on its own command line)\n" +
             nothing},
        {r + quoted(score), 2, usage},
        // A name's control characters are shown as escapes: a message stays one line.
        {r + "\"$(printf 'a\\nb\\033[2J.sco')\"" + to_wav, 1,
         "render: cannot read score a\\x0ab\\x1b[2J.sco\n"},
        {r + quoted(score) + to_wav + " " + quoted(score) + " other.wav", 2,
         "render: '" + score +
             "' is no csound option: one score and one take (--batch renders "
             "several)\n" +
             usage},
        {r + "--batch " + quoted(scratch()), 2,
         "render: cannot read the batch list " + scratch() + ": it is a directory\n"},
        {r + quoted(score) + " " + quoted(fifo), 1, "render: " + fifo + " is a FIFO" + regular},
        {r + quoted(score) + " " + quoted(to_null), 1,
         "render: " + to_null + (root ? " is a character device" : " is a FIFO") + regular},
        {r + "-" + to_wav + " < /dev/null", 1,
         "render: - is empty: the program wrote no score\n" + nothing},
        {"printf 'f 4 0 8 -2 1\\ni 80 0 1\\n\\n \\n' | " + r + "-" + to_wav, 1,
         "render: - has no final line: the program did not call fine(), or stopped before it (a "
         "closed score ends with \"e\")\nrender: its last line is line 2: i 80 0 1\n" +
             nothing},
        // An event, or a beat, longer than csound's count of samples holds would never end.
        {"printf 'f 4 0 8 -2 1\\ni 80 0 1e30\\ne\\n' | " + r + "-" + to_wav, 1,
         "render: - asks for a time or length of 1e30, longer than any take can be (a WAV file "
         "holds 9 hours at 44100 Hz)\nrender: line 2: i 80 0 1e30\n" +
             nothing},
        {"printf 't 0 1e-20\\nf 4 0 8 -2 1\\ni 80 0 1\\ne\\n' | " + r + "-" + to_wav, 1,
         "render: - asks for a tempo of 1e-20 beats a minute, a beat longer than any take can be "
         "(a WAV file holds 9 hours at 44100 Hz)\nrender: line 1: t 0 1e-20\n" +
             nothing},
        // A device that never ends is read up to the limit, then refused.
        {r + "/dev/zero" + to_wav, 1,
         "render: /dev/zero is larger than 1 GiB, the largest score the renderer reads\n"},
    };
    // Nothing is left in the temporary directory either; csound's own lines compare as "  ...".
    const std::string tmp = scratch() + "/tmp";
    ASSERT_EQ(mkdir(tmp.c_str(), 0700), 0);
    const std::set<std::string> before = listing(scratch());
    const std::regex csound_lines("(\n  [^\n]*)+");
    for (const auto& c : cases) {
        const ChildResult result = shell(c.command, {"TMPDIR=" + tmp});
        EXPECT_EQ(result.status, c.status) << c.command;
        EXPECT_EQ(std::regex_replace(result.err, csound_lines, "\n  ..."), c.err) << c.command;
        EXPECT_EQ(read_file(score), text);
        EXPECT_EQ(read_file(wav), "an earlier take") << c.command;
        EXPECT_EQ(listing(scratch()), before) << c.command << ": files left behind";
        EXPECT_EQ(listing(tmp), std::set<std::string>()) << c.command;
    }
    struct stat st {};
    EXPECT_TRUE(lstat(fifo.c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
    EXPECT_TRUE(lstat(to_null.c_str(), &st) == 0 && S_ISLNK(st.st_mode));
    EXPECT_TRUE(!root || (lstat(null.c_str(), &st) == 0 && S_ISCHR(st.st_mode)));
}

TEST_F(Render, NamesAFullDisk) {
    // A 64 KiB file system of its own, in a mount namespace of the child alone (root only).
    const std::string score = score_of("full", piece);
    const std::string dir = scratch() + "/small";
    ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
    const std::string wav = dir + "/full.wav";
    const ChildResult r = run_child([&] {
        if (unshare(CLONE_NEWNS) != 0 ||
            mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=64k") != 0)
            _exit(77);
        execl(SPEECHSCORE_RENDER, SPEECHSCORE_RENDER, score.c_str(), wav.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    });
    rmdir(dir.c_str());
    if (r.status == 77) GTEST_SKIP() << "no tmpfs can be mounted here";
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "render: the disk is full: no room for the take in " + dir +
                         "\nrender: nothing was written to " + wav + "\n");
}

// A worker performs the scores it is given one after another in one running performance: each
// sounds and ends as it does alone, whatever the score before it left set, whatever its events'
// times, and a score that cannot follow another is rendered alone.
TEST_F(Render, ScoresFollowingOneAnotherInAWorkerSoundAsTheyDoAlone) {
    std::string tables;  // the tables startmn() writes
    for (const std::string& line : lines_of(read_file(score_of("follow_plain", piece))))
        if (line.rfind("f ", 0) == 0) tables += line + "\n";
    const std::string dir = scratch() + "/";
    const auto write = [&](const std::string& name, const std::string& text) {
        std::ofstream(dir + name) << text;
        return dir + name;
    };
    // Settings, a nasal pair and delta F1 away from the orchestra's start values.
    const std::string set = write("follow_set.sco", tables +
                                                        "i 1 0 0.01 0 1 0.5 1 1 1 0 1 1\n"
                                                        "i 17 0 0.05 400 100 250 60\n"
                                                        "i 19 0 0.05 80 40\n"
                                                        "i 20 0 0.6 60 0\ni 21 0 0.6 7.0\n"
                                                        "i 80 0.01 0.59\ne\n");
    // None of them; a pitch change halfway between two control cycles (0.16 s, at 1378.125
    // cycles a second); a last note that its instrument cuts to the formant glide, so that the
    // score ends at 0.6 s, not 0.9.
    const std::string body =
        "i 20 0 0.6 60 0\ni 21 0 0.16 7.0\ni 21 0.16 0.44 7.2\n"
        "i 11 0.5 0.4 700 80\ni 80 0.01 0.59\ne\n";
    const std::string rest = write("follow_rest.sco", tables + body);
    const std::string untabled =  // without table 7: it fails alone, and after another
        write("follow_untabled.sco",
              std::regex_replace(tables, std::regex("f  ?7[^\n]*\n"), "") + body);
    const std::vector<std::string> scores = {set, rest, untabled, set, rest};
    speechscore::Renderer renderer(SPEECHSCORE_ORCHESTRA);
    renderer.set_jobs(1);
    std::vector<speechscore::RenderItem> items;
    for (std::size_t i = 0; i < scores.size(); ++i)
        items.push_back({scores[i], dir + "f" + std::to_string(i) + ".wav"});
    const std::vector<speechscore::RenderResult> results = renderer.render_batch(items);
    for (std::size_t i = 0; i < scores.size(); ++i) {
        const std::string alone = dir + "alone" + std::to_string(i) + ".wav";
        const ChildResult own = render({scores[i], alone}, {"SPEECHSCORE_RENDER_RESIDENT=0"});
        EXPECT_EQ(own.status, results[i].status == speechscore::RenderStatus::rendered ? 0 : 1)
            << i << own.err;
        if (own.status != 0) continue;
        EXPECT_EQ(read_sound(items[i].wav).samples, read_sound(alone).samples) << i;
    }
    EXPECT_EQ(results[1].status, speechscore::RenderStatus::rendered);
    EXPECT_NEAR(results[1].seconds, 0.6, 0.001);
    EXPECT_EQ(results[2].status, speechscore::RenderStatus::failed);
    EXPECT_EQ(results[2].messages.front(),
              untabled + " lacks function table 7 of the three (4, 6 and 7) that startmn() writes");
}

TEST_F(Render, ABatchRendersAsTheProgramDoesAloneAndStopsWhenAsked) {
    const std::string plain = score_of("batch_plain", piece);
    const std::string loud = score_of("batch_loud", piece, kLoud);
    const std::string dir = scratch() + "/", open = dir + "batch_open.sco";
    std::ofstream(open) << "f 4 0 8 -2 0\ni 80 0 1\n";
    const std::string include = dir + "batch_include.sco";  // csound gives up on reading it
    std::ofstream(include) << "#include \"missing.sco\"\n" << read_file(plain);
    // Four takes for three renders at once: one of them after another's.
    const std::vector<std::string> scores = {plain, loud, dir + "none.sco", open, include,
                                             plain, loud};
    // Score i rendered one way makes b<i>.<way>.wav; messages are compared without the way.
    const auto take = [&](std::size_t i, const std::string& way) {
        return dir + "b" + std::to_string(i) + "." + way + ".wav";
    };
    const auto said = [](const std::string& text, const std::string& way) {
        return std::regex_replace(text, std::regex("\\." + way + "\\.wav"), ".wav");
    };
    // Three at once, each item told as it ends.
    speechscore::Renderer batch(SPEECHSCORE_ORCHESTRA);
    ASSERT_TRUE(batch.ok()) << batch.error();
    batch.set_jobs(3);
    std::vector<speechscore::RenderItem> items;
    for (std::size_t i = 0; i < scores.size(); ++i) items.push_back({scores[i], take(i, "batch")});
    std::vector<speechscore::RenderResult> told(items.size());
    std::size_t count = 0;
    const auto results =
        batch.render_batch(items, [&](std::size_t done, std::size_t total, std::size_t item,
                                      const speechscore::RenderResult& result) {
            EXPECT_EQ(done, ++count);
            EXPECT_EQ(total, items.size());
            told[item] = result;
        });
    ASSERT_EQ(results.size(), items.size());
    for (std::size_t i = 0; i < scores.size(); ++i) {
        EXPECT_EQ(told[i].status, results[i].status) << i;
        EXPECT_EQ(told[i].messages, results[i].messages) << i;
        // The program, resident (after the first render) or not: the same messages and take.
        std::string messages;
        for (const std::string& line : results[i].messages) messages += "render: " + line + "\n";
        messages = said(messages, "batch");
        const ChildResult program = render({scores[i], take(i, "program")});
        const ChildResult own =
            render({scores[i], take(i, "own")}, {"SPEECHSCORE_RENDER_RESIDENT=0"});
        EXPECT_EQ(said(program.err, "program").substr(0, messages.size()), messages) << i;
        EXPECT_EQ(own.status, program.status) << i;
        EXPECT_EQ(said(own.err, "own"), said(program.err, "program")) << i;
        if (results[i].status == speechscore::RenderStatus::failed) continue;
        const std::vector<double> samples = read_sound(take(i, "batch")).samples;
        for (const char* way : {"program", "own"})
            EXPECT_EQ(read_sound(take(i, way)).samples, samples) << i << " " << way;
    }
    EXPECT_EQ(results[1].status, speechscore::RenderStatus::clipped);
    EXPECT_GT(results[1].clipped, 0);
    EXPECT_EQ(results[0].status, speechscore::RenderStatus::rendered);
    EXPECT_EQ(results[0].messages, std::vector<std::string>{});
    EXPECT_NEAR(results[0].seconds, 1.5, 0.01);
    EXPECT_EQ(results[2].messages,
              std::vector<std::string>{"cannot read score " + dir + "none.sco"});
    // A worker ends with the thread that started it: a renderer's batch on another thread than
    // its last one renders with workers of its own, and loses no item when that thread ends.
    speechscore::Renderer threads(SPEECHSCORE_ORCHESTRA);
    std::vector<speechscore::RenderItem> again;
    for (int i = 0; i < 6; ++i) again.push_back({plain, dir + "t" + std::to_string(i) + ".wav"});
    std::promise<void> rendered, end;
    std::thread other([&] {
        threads.render_batch({again[0]});
        rendered.set_value();
        end.get_future().wait();
    });
    rendered.get_future().wait();
    for (const speechscore::RenderResult& result : threads.render_batch(
             again,
             [&](std::size_t done, std::size_t, std::size_t, const speechscore::RenderResult&) {
                 if (done != 1) return;
                 end.set_value();
                 other.join();
             }))
        EXPECT_EQ(result.status, speechscore::RenderStatus::rendered)
            << (result.messages.empty() ? "" : result.messages[0]);
    EXPECT_EQ(read_sound(dir + "t5.wav").samples, read_sound(take(0, "batch")).samples);
    // Lone renders after the first go to a kept worker: the same samples after another score,
    // and a stop while one renders leaves no take and the next render whole.
    for (const std::string& score : {loud, plain, plain}) {
        const speechscore::RenderResult result = threads.render_file(score, dir + "l.wav");
        EXPECT_NE(result.status, speechscore::RenderStatus::failed) << score;
    }
    EXPECT_EQ(read_sound(dir + "l.wav").samples, read_sound(take(0, "batch")).samples);
    threads.set_stop([] { return true; });
    EXPECT_EQ(threads.render_file(plain, dir + "stopped.wav").status,
              speechscore::RenderStatus::stopped);
    threads.set_stop({});
    EXPECT_FALSE(std::filesystem::exists(dir + "stopped.wav"));
    EXPECT_EQ(threads.render_file(loud, dir + "l.wav").status, speechscore::RenderStatus::clipped);
    // Stopped when the first item ends: at most the three in flight keep takes, the rest none.
    const std::set<std::string> before = listing(scratch());
    std::vector<speechscore::RenderItem> more;
    for (int i = 0; i < 6; ++i) more.push_back({plain, dir + "s" + std::to_string(i) + ".wav"});
    bool stop = false;
    batch.set_stop([&] { return stop; });
    const auto stopped =
        batch.render_batch(more, [&](std::size_t, std::size_t, std::size_t,
                                     const speechscore::RenderResult&) { stop = true; });
    std::set<std::string> after = listing(scratch());
    int ended = 0;
    for (std::size_t i = 0; i < more.size(); ++i) {
        if (stopped[i].status == speechscore::RenderStatus::stopped) continue;
        ++ended;
        after.erase("s" + std::to_string(i) + ".wav");
    }
    EXPECT_GE(ended, 1);
    EXPECT_LE(ended, 3);
    EXPECT_EQ(after, before);
    // The program: a list of takes, the worst status; a second line for one take refused; a
    // malformed line refused with its number.
    const std::string list = scratch() + "/batch.tsv";
    std::ofstream(list) << plain << "\t" << dir << "p0.wav\n\n"
                        << dir << "none.sco\t" << dir << "p1.wav\n"
                        << plain << "\t" << dir << "./p0.wav\n";
    ChildResult r = render({"--jobs", "2", "--batch", list});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "render: cannot read score " + dir + "none.sco\nrender: " + dir +
                         "./p0.wav is the WAV file of item 1 of the batch too; give each its "
                         "own\nrender: 2 of 3 scores were not rendered\n");
    EXPECT_EQ(read_sound(dir + "p0.wav").samples, read_sound(take(0, "batch")).samples);
    std::ofstream(list) << plain << "\t" << dir << "p0.wav\n" << plain << " " << dir << "p1.wav\n";
    r = render({"--batch", list});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(
        r.err.substr(0, r.err.find('\n')),
        "render: " + list + ":2: error: expected a score and a WAV file separated by one tab");
    // No take over the list or a score of the batch: nothing is rendered.
    const std::string copy = dir + "copy.sco", text = read_file(plain);
    std::ofstream(copy) << text;
    for (const std::string& over : {list, copy}) {
        std::ofstream(list) << plain << "\t" << over << "\n" << copy << "\t" << dir << "c.wav\n";
        const std::string listed = read_file(list);
        r = render({"--batch", list});
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, "render: " + list + ":1: error: the take " + over + " would overwrite " +
                             (over == list ? "the batch list" : "the score " + copy) +
                             "; give another name for the WAV file\n");
        EXPECT_EQ(read_file(list), listed);
        EXPECT_EQ(read_file(copy), text);
    }
}

}  // namespace
