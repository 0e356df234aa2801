// Tests of the renderer as a user meets it (the program, and the render module's Renderer): scores
// written by the library in a forked child, rendered, and the exit status, the exact messages and
// the files left behind checked.
#include "render.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "measure.h"
#include "speechscore.h"
#include "speechscore_render.h"
#include "support/child.h"

namespace {

// Runs the renderer with args, and extra NAME=value settings in its environment.
ChildResult render(std::vector<std::string> args, const std::vector<std::string>& env = {}) {
    args.insert(args.begin(), SPEECHSCORE_RENDER);
    return run_command(args, env);
}

// Writes a score in a forked child: start-up with the given avfact and asfact, then the calls.
// The child's exit status is that of the program (1 when fine finds errors).
std::string write_score(const std::string& name, const std::function<void()>& calls,
                        double avfact = 1, double asfact = 1) {
    const std::string score = scratch() + "/" + name + ".sco";
    std::ofstream(score).close();
    run_child(
        [&] {
            TTO = 0;
            start1(0, 1, avfact, asfact, 1, 1, 0, 1, 1);
            calls();
        },
        score.c_str());
    return score;
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

// Removes every file in the scratch directory.
void clear_scratch() {
    for (const std::string& name : listing(scratch()))
        std::remove((scratch() + "/" + name).c_str());
}

class Render : public testing::Test {
protected:
    void TearDown() override {
        if (!HasFailure()) clear_scratch();
    }
};

double dbfs(double value) { return 20 * std::log10(value); }

TEST_F(Render, KeepsAClippedTakeAndNamesThePeakAndTheAvfactThatAvoidsIt) {
    const std::string score = write_score("loud", piece, kLoud);
    const std::string wav = scratch() + "/loud.wav";
    std::ofstream(wav) << "an earlier take";
    const ChildResult r = render({score, wav});
    EXPECT_EQ(r.status, 4);
    const std::regex expected(
        "render: samples exceed full scale in (.*): peak \\+([0-9]+\\.[0-9]{2}) dBFS at "
        "([0-9]+\\.[0-9]{3}) s; ([0-9]+) samples clipped between ([0-9]+\\.[0-9]{3}) s and "
        "([0-9]+\\.[0-9]{3}) s\n"
        "render: avfact ([0-9]\\.[0-9]{4}) \\(the third setting of start1, now 16\\.0000\\) would "
        "bring the peak to (-1\\.[0-9]{2}) dBFS\n"
        "render: (.*) is kept, clipped to full scale; --allow-clip accepts clipping\n");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(r.err, m, expected)) << r.err;
    EXPECT_EQ(m[1].str(), wav);
    EXPECT_EQ(m[9].str(), wav);
    const double peak_db = std::stod(m[2]), peak_at = std::stod(m[3]);
    const int clipped = std::stoi(m[4]);
    const double first = std::stod(m[5]), last = std::stod(m[6]);
    const double avfact_fix = std::stod(m[7]), fixed_db = std::stod(m[8]);

    // The take holds the clipped samples at full scale, where the message says.
    const Sound take = read_sound(wav);
    ASSERT_FALSE(take.samples.empty());
    const double half_sample = 0.5 / take.rate, rounding = 0.0005;
    std::vector<double> at_full_scale;
    for (std::size_t i = 0; i < take.samples.size(); ++i)
        if (std::fabs(take.samples[i]) >= 8388607 / 8388608.0)
            at_full_scale.push_back(static_cast<double>(i) / take.rate);
    ASSERT_FALSE(at_full_scale.empty());
    EXPECT_NEAR(static_cast<double>(at_full_scale.size()), clipped, 2);
    EXPECT_NEAR(at_full_scale.front(), first, rounding + half_sample);
    EXPECT_NEAR(at_full_scale.back(), last, rounding + half_sample);

    // The score again with the avfact the message gives: no clipping, the peak where and as
    // high as the message says, and the first peak that much above it.
    const std::string fixed_score = write_score("fixed", piece, avfact_fix);
    const std::string fixed_wav = scratch() + "/fixed.wav";
    const ChildResult again = render({fixed_score, fixed_wav});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.err, "");
    const Sound fixed_sound = read_sound(fixed_wav);
    const double top = peak(fixed_sound);
    EXPECT_NEAR(dbfs(top), fixed_db, 0.01);
    EXPECT_LE(dbfs(top), -1.0 + 0.005);
    EXPECT_GT(dbfs(top), -1.05);
    // Every period of the vowel peaks alike, so the peak is checked where the message says.
    double near = 0;
    for (std::size_t i = 0; i < fixed_sound.samples.size(); ++i) {
        const double t = static_cast<double>(i) / fixed_sound.rate;
        if (std::fabs(t - peak_at) <= rounding + half_sample)
            near = std::max(near, std::fabs(fixed_sound.samples[i]));
    }
    EXPECT_NEAR(dbfs(near), dbfs(top), 0.001);
    EXPECT_NEAR(dbfs(top) + dbfs(kLoud / avfact_fix), peak_db, 0.01);

    // --allow-clip: the same take and report, exit status 0.
    const ChildResult allowed = render({"--allow-clip", score, wav});
    EXPECT_EQ(allowed.status, 0);
    EXPECT_EQ(allowed.err, r.err.substr(0, r.err.rfind("render: ")) + "render: " + wav +
                               " is kept, clipped to full scale (--allow-clip)\n");
    EXPECT_EQ(read_sound(wav).samples, take.samples);
}

TEST_F(Render, NoiseBeyondFullScaleIsNotBlamedOnTheVoicing) {
    // Aspiration 300 times louder than usual: without the voicing the sound still clips.
    const std::string score = write_score(
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
    const std::vector<std::string> lines = lines_of(r.err);
    ASSERT_EQ(lines.size(), 3u) << r.err;
    const std::regex noise(
        "render: no avfact brings the peak to -1 dBFS: without the voicing the sound peaks at "
        "\\+[0-9]+\\.[0-9]{2} dBFS at [0-9]+\\.[0-9]{3} s \\(aspiration and frication\\); lower "
        "asfact or affact, or the AS and AF levels");
    EXPECT_TRUE(std::regex_match(lines[1], noise)) << lines[1];
    EXPECT_FALSE(read_sound(wav).samples.empty());
}

// The lines of a score for which keep is true, numbered from 1 as "number: line".
std::vector<std::string> numbered(const std::string& score,
                                  const std::function<bool(const std::string&)>& keep) {
    const std::vector<std::string> lines = lines_of(read_file(score));
    std::vector<std::string> out;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (keep(lines[i])) out.push_back(std::to_string(i + 1) + ": " + lines[i]);
    return out;
}

// The first line of a score that starts with prefix, as "number: line".
std::string line_starting(const std::string& score, const std::string& prefix) {
    const std::vector<std::string> found = numbered(
        score, [&](const std::string& l) { return l.compare(0, prefix.size(), prefix) == 0; });
    return found.empty() ? "" : found[0];
}

// The report of a score closed with errors: each message line and the echo line after it.
std::string error_lines(const std::string& score) {
    const std::vector<std::string> lines = lines_of(read_file(score));
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].compare(0, 6, "Error:") != 0) continue;
        out += "render: line " + std::to_string(i + 1) + ": " + lines[i] + "\n";
        out += "render: line " + std::to_string(i + 2) + ": " + lines[i + 1] + "\n";
    }
    return out;
}

// Runs a shell command line (the renderer is $R) with extra NAME=value settings in its
// environment, and captures what it prints.
ChildResult shell(const std::string& command, const std::vector<std::string>& env = {}) {
    return run_command(
        {"/bin/bash", "-c", std::string("R='") + SPEECHSCORE_RENDER + "'; " + command}, env);
}

std::string quoted(const std::string& path) { return "'" + path + "'"; }

TEST_F(Render, ATakeFromAScoreFileOrPipeReplacesThePreviousOneKeepingItsPermissions) {
    // A read-only take too: the renderer gives the new take its permissions only once csound can
    // no longer need to write it. Every take opens in Python's wave module (warnings as errors)
    // and in sox without complaint; nothing is left beside it or in the directory of temporary
    // files.
    const std::string score = write_score("plain", piece);
    const std::string loud = write_score("clipped", piece, kLoud);
    const std::string wav = scratch() + "/take.wav", tmp = scratch() + "/tmp";
    const std::string r = "\"$R\" ", to = " " + quoted(wav);
    ASSERT_EQ(mkdir(tmp.c_str(), 0700), 0);
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
        {r + quoted(score) + to, 0640, 0, 44100},
        {r + quoted(score) + to, 0444, 0, 44100},
        {r + quoted(score) + to, 0604, 0, 44100},
        {r + quoted(loud) + to, 0644, 4, 44100},
        {r + quoted(score) + to + " -r 22050 --ksmps=64 --omacro:UNUSED=1", 0644, 0, 22050},
        // The score read once from a pipe, and a score name that begins with "-".
        {r + "-" + to + " < " + quoted(score), 0644, 0, 44100},
        {"cat " + quoted(score) + " | " + r + "/dev/stdin" + to, 0644, 0, 44100},
        {r + "<(cat " + quoted(score) + ")" + to, 0644, 0, 44100},
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
        if (c.status == 0) {
            EXPECT_EQ(result.err, "") << c.command;
        }
        if (c.status == 0 && c.rate == 44100) {
            EXPECT_EQ(read_sound(wav).samples, expected) << c.command;
        }
        // The header as Python's wave module reads it: "channels width rate frames", the frames
        // those of the end event, from 0.01 s to the end of the F1 track at 1.5 s, within two
        // control blocks.
        const ChildResult w = run_command({"/usr/bin/python3", "-W", "error", "-c",
                                           "import sys, wave\n"
                                           "w = wave.open(sys.argv[1])\n"
                                           "print(w.getnchannels(), w.getsampwidth(), "
                                           "w.getframerate(), w.getnframes())\n",
                                           wav});
        EXPECT_EQ(w.err, "") << c.command;
        int channels = 0, width = 0, rate = 0, frames = 0;
        ASSERT_EQ(std::sscanf(w.out.c_str(), "%d %d %d %d", &channels, &width, &rate, &frames), 4)
            << w.out;
        EXPECT_EQ(std::vector<int>({channels, width, rate}), std::vector<int>({1, 3, c.rate}));
        EXPECT_NEAR(frames, 1.5 * c.rate, 2 * 64) << c.command;
        const ChildResult sox = run_command({"/usr/bin/sox", "-V2", wav, "-n"});
        EXPECT_EQ(sox.status, 0);
        EXPECT_EQ(sox.err, "");
        EXPECT_EQ(listing(scratch()), files) << c.command;
        EXPECT_EQ(listing(tmp), std::set<std::string>()) << c.command;
        chmod(wav.c_str(), 0644);
    }
    // A link to a file: the file is replaced, the link stays.
    const std::string link = scratch() + "/link.wav";
    std::ofstream(wav) << "an earlier take";
    ASSERT_EQ(symlink("take.wav", link.c_str()), 0);
    EXPECT_EQ(render({score, link}).status, 0);
    struct stat st {};
    EXPECT_TRUE(lstat(link.c_str(), &st) == 0 && S_ISLNK(st.st_mode));
    EXPECT_EQ(read_sound(wav).samples, expected);
}

TEST_F(Render, ASignalEndsTheRenderAtOnceLeavingThePreviousTakeAndNoTemporaryFile) {
    // Ten minutes of sound take seconds to render: long enough to be stopped half-way, once the
    // unfinished take lies next to the output.
    const std::string score = write_score("long", [] {
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
}

TEST_F(Render, RefusesBadInputNamingTheLikelyCauseAndTouchesNoFile) {
    const std::string score = write_score("refused", piece);
    const std::string text = read_file(score);
    const std::string wav = scratch() + "/refused.wav";
    std::ofstream(wav) << "an earlier take";
    // Scores written wrongly: csound refuses some (its messages follow the cause), the renderer
    // the others before it starts.
    const std::string no_tables = write_score("no_tables", [] {
        vowel();
        fine();
    });
    const std::string not_closed = write_score("not_closed", [] {
        startmn();
        vowel();
    });
    const std::string with_errors = write_score("closed_with_errors", [] {
        startmn();
        metronome(120);
        VOW(1, 2, 60, 7.0, 0.5, 0, 0, 1000, 0.008, 1, 0, 0);
        VOW(1, 2, 160, 7.0, 0.5, 0, 0, 1000, 0.008, 1, 0, 0);  // loudness out of range
        genTL(0.5, -1);                                        // tilt out of range
        fine();
    });
    const std::string unknown = write_score("unknown_instrument", [] {
        startmn();
        vowel();
        pfields[0] = 33, pfields[1] = 0, pfields[2] = 0.5, pfields[3] = 1, pfields[4] = 2;
        wr('i', 5);
        fine();
    });
    const std::string closing = line_starting(with_errors, "THERE ARE");
    // Devices and a FIFO as the take, and a link to one (a character device only for root).
    const std::string null = scratch() + "/null", fifo = scratch() + "/fifo.wav";
    const std::string to_null = scratch() + "/to_null.wav";
    const bool root = mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(symlink(root ? null.c_str() : fifo.c_str(), to_null.c_str()), 0);
    const std::string device = root ? " is a character device" : " is a FIFO";
    const std::string regular = ", not a regular file; give the name of the WAV file to write\n";
    const std::string chosen =
        " sets csound's output file or sample format, which the renderer chooses itself\n";
    const std::string usage =
        "usage: render [--allow-clip] SCORE.sco OUTPUT.wav [csound options...]\n";
    const std::string nothing = "render: nothing was written to " + wav + "\n";
    const std::string unclosed =
        " has no final line: the program did not call fine(), or stopped before it (a closed "
        "score ends with \"e\")\nrender: its last line is line ";
    const std::string r = "\"$R\" ", to_wav = " " + quoted(wav);
    struct Case {
        std::string command;
        int status;
        std::string err;
        bool csound_ran;  // csound's messages follow err, then `nothing`
    };
    std::vector<Case> cases = {
        {r + quoted(no_tables) + to_wav, 1,
         "render: " + no_tables +
             " has no function tables 4, 6 and 7: startmn() was not called (call it once, after "
             "start1())\n",
         true},
        {r + quoted(not_closed) + to_wav, 1,
         "render: " + not_closed + unclosed +
             numbered(not_closed,
                      [](const std::string& l) {
                          return l.find_first_not_of(" \t") != std::string::npos;
                      })
                 .back() +
             "\n" + nothing,
         false},
        {r + quoted(with_errors) + to_wav, 1,
         "render: " + with_errors +
             " was closed with errors: fine() wrote \"THERE ARE   2 ERRORS IN THIS FILE.\" (line " +
             closing.substr(0, closing.find(':')) + ") instead of \"e\"\n" +
             error_lines(with_errors) +
             "render: correct the calls these lines report and write the score again\n" + nothing,
         false},
        {r + quoted(unknown) + to_wav, 1,
         "render: " + unknown +
             " plays instrument 33, which is not in the orchestra (it has 1, 10 to 27 and 80); "
             "first at line " +
             line_starting(unknown, "i 33") + "\n",
         true},
        {r + quoted(score) + " " + quoted(score), 1,
         "render: " + score +
             " is the score or the orchestra itself; give another name for the WAV file\n",
         false},
        {r + quoted(score) + " " + quoted(scratch()), 1,
         "render: " + scratch() + " is a directory; give the name of the WAV file to write\n",
         false},
        {r + quoted(score) + to_wav + " -o " + quoted(scratch() + "/other.wav"), 2,
         "render: -o" + chosen + usage, false},
        {r + quoted(score) + to_wav + " -f", 2, "render: -f" + chosen + usage, false},
        {r + quoted(score), 2, usage, false},
        {r + quoted(score) + " " + quoted(fifo), 1, "render: " + fifo + " is a FIFO" + regular,
         false},
        {r + quoted(score) + " " + quoted(to_null), 1, "render: " + to_null + device + regular,
         false},
        {r + "-" + to_wav + " < /dev/null", 1,
         "render: - is empty: the program wrote no score\n" + nothing, false},
        {"printf 'f 4 0 8 -2 1\\ni 80 0 1\\n' | " + r + "-" + to_wav, 1,
         "render: -" + unclosed + "2: i 80 0 1\n" + nothing, false},
        {r + quoted(scratch() + "/none.sco") + to_wav, 1,
         "render: cannot read score " + scratch() + "/none.sco\n", false},
        // A device that never ends is read up to the limit, then refused.
        {r + "/dev/zero" + to_wav, 1,
         "render: /dev/zero is larger than 1 GiB, the largest score the renderer reads\n", false},
    };
    if (root)
        cases.push_back({r + quoted(score) + " " + quoted(null), 1,
                         "render: " + null + " is a character device" + regular, false});
    // csound's messages go to a file in the directory of temporary files while it renders;
    // nothing of it is left afterwards.
    const std::string tmp = scratch() + "/tmp";
    ASSERT_EQ(mkdir(tmp.c_str(), 0700), 0);
    const std::set<std::string> before = listing(scratch());
    for (const Case& c : cases) {
        const ChildResult result = shell(c.command, {"TMPDIR=" + tmp});
        EXPECT_EQ(result.status, c.status) << c.command;
        if (c.csound_ran) {
            EXPECT_EQ(result.err.substr(0, c.err.size()), c.err) << c.command;
            EXPECT_NE(result.err.find("render: csound's messages:\n  "), std::string::npos);
            EXPECT_GE(result.err.size(), nothing.size());
            EXPECT_EQ(
                result.err.substr(result.err.size() - std::min(result.err.size(), nothing.size())),
                nothing)
                << c.command;
        } else {
            EXPECT_EQ(result.err, c.err) << c.command;
        }
        EXPECT_EQ(read_file(score), text);
        EXPECT_EQ(read_file(wav), "an earlier take") << c.command;
        EXPECT_EQ(listing(scratch()), before) << c.command << ": files left behind";
        EXPECT_EQ(listing(tmp), std::set<std::string>()) << c.command;
    }
    struct stat st {};
    EXPECT_TRUE(lstat(fifo.c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
    EXPECT_TRUE(lstat(to_null.c_str(), &st) == 0 && S_ISLNK(st.st_mode));
    if (root) {
        EXPECT_TRUE(lstat(null.c_str(), &st) == 0 && S_ISCHR(st.st_mode));
    }
}

TEST_F(Render, NamesAFullDisk) {
    // A 64 KiB file system of its own, in a mount namespace of the child alone (root only).
    const std::string score = write_score("full", piece);
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

TEST_F(Render, OneRendererRendersManyScoresAsTheProgramDoesAloneOrInABatchAndStopsWhenAsked) {
    const std::string plain = write_score("batch_plain", piece);
    const std::string loud = write_score("batch_loud", piece, kLoud);
    const std::string dir = scratch() + "/", open = dir + "batch_open.sco";
    std::ofstream(open) << "f 4 0 8 -2 0\ni 80 0 1\n";
    const std::vector<std::string> scores = {plain, loud, dir + "none.sco", open, plain};
    // Score i rendered one way makes the take b<i>.<way>.wav; its messages, in lines as the
    // program prints them, are compared with the way left out of the take's name.
    const auto take = [&](std::size_t i, const std::string& way) {
        return dir + "b" + std::to_string(i) + "." + way + ".wav";
    };
    const auto said = [](const std::string& text, const std::string& way) {
        return std::regex_replace(text, std::regex("\\." + way + "\\.wav"), ".wav");
    };
    const auto lines = [&](const std::vector<std::string>& messages, const std::string& way) {
        std::string text;
        for (const std::string& line : messages) text += "render: " + line + "\n";
        return said(text, way);
    };
    // One renderer renders one score after another; another renders them all at once, then
    // those that can be read, given as text and named as given.
    speechscore::Renderer alone(SPEECHSCORE_ORCHESTRA), batch(SPEECHSCORE_ORCHESTRA);
    ASSERT_TRUE(alone.ok()) << alone.error();
    batch.set_jobs(3);
    std::vector<speechscore::RenderResult> expected;
    std::vector<speechscore::RenderItem> items;
    std::vector<speechscore::RenderText> texts;
    for (std::size_t i = 0; i < scores.size(); ++i) {
        expected.push_back(alone.render_file(scores[i], take(i, "alone")));
        items.push_back({scores[i], take(i, "batch")});
        if (i != 2) texts.push_back({read_file(scores[i]), scores[i], take(i, "text")});
    }
    std::vector<std::size_t> told;
    const auto results =
        batch.render_batch(items, [&](std::size_t done, std::size_t total, std::size_t item,
                                      const speechscore::RenderResult& result) {
            EXPECT_EQ(done, told.size() + 1);
            EXPECT_EQ(total, items.size());
            EXPECT_EQ(result.status, expected[item].status);
            told.push_back(item);
        });
    std::sort(told.begin(), told.end());
    EXPECT_EQ(told, (std::vector<std::size_t>{0, 1, 2, 3, 4}));
    const auto from_text = batch.render_batch(texts);
    ASSERT_EQ(results.size(), items.size());
    ASSERT_EQ(from_text.size(), texts.size());
    for (std::size_t i = 0; i < scores.size(); ++i) {
        const std::string messages = lines(expected[i].messages, "alone");
        EXPECT_EQ(results[i].status, expected[i].status) << i;
        EXPECT_EQ(lines(results[i].messages, "batch"), messages) << i;
        if (i != 2) {
            const speechscore::RenderResult& text = from_text[i < 2 ? i : i - 1];
            EXPECT_EQ(text.status, expected[i].status) << i;
            EXPECT_EQ(lines(text.messages, "text"), messages) << i;
        }
        if (expected[i].status == speechscore::RenderStatus::failed) continue;
        // The program, through the resident copy of the compiled orchestra (after the first
        // render) and in its own process: the same take, messages and status.
        const ChildResult program = render({scores[i], take(i, "program")});
        const ChildResult own =
            render({scores[i], take(i, "own")}, {"SPEECHSCORE_RENDER_RESIDENT=0"});
        EXPECT_EQ(said(program.err, "program").substr(0, messages.size()), messages) << i;
        EXPECT_EQ(own.status, program.status) << i;
        EXPECT_EQ(said(own.err, "own"), said(program.err, "program")) << i;
        const std::vector<double> samples = read_sound(take(i, "alone")).samples;
        for (const char* way : {"batch", "text", "program", "own"})
            EXPECT_EQ(read_sound(take(i, way)).samples, samples) << i << " " << way;
    }
    EXPECT_EQ(expected[1].status, speechscore::RenderStatus::clipped);
    EXPECT_GT(expected[1].clipped, 0);
    EXPECT_EQ(expected[0].status, speechscore::RenderStatus::rendered);
    EXPECT_EQ(expected[0].messages, std::vector<std::string>{});
    EXPECT_NEAR(expected[0].seconds, 1.5, 0.01);
    EXPECT_EQ(results[2].messages,
              std::vector<std::string>{"cannot read score " + dir + "none.sco"});
    // Stopped when the first item ends: those that end with it (at most the three in flight)
    // keep their takes; the rest are stopped and leave no file behind.
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
    // The program: a list of takes, the worst status; a malformed line refused with its number.
    const std::string list = scratch() + "/batch.tsv";
    std::ofstream(list) << plain << "\t" << dir << "p0.wav\n\n"
                        << dir << "none.sco\t" << dir << "p1.wav\n";
    ChildResult r = render({"--jobs", "2", "--batch", list});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "render: cannot read score " + dir +
                         "none.sco\nrender: 1 of 2 scores were not rendered\n");
    EXPECT_EQ(read_sound(dir + "p0.wav").samples, read_sound(take(0, "alone")).samples);
    std::ofstream(list) << plain << "\t" << dir << "p0.wav\n" << plain << " " << dir << "p1.wav\n";
    r = render({"--batch", list});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(
        r.err.substr(0, r.err.find('\n')),
        "render: " + list + ":2: error: expected a score and a WAV file separated by one tab");
}

}  // namespace
