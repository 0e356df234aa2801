// Running scripts: diagnostics, byte identity with the examples, files and bad usage, --list and
// --describe, --watch, signals (--render: render_acoustic.cpp).
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli_support.h"
#include "speechscore.h"
#include "support/child.h"

namespace {

const std::string kPiece = std::string(SPEECHSCORE_EXAMPLES_SOURCE) + "/piece.ss";

struct Scripted {
    bool check;         // diagnosed with --check: no score, and not closed
    std::string lines;  // after the opening
    void (*calls)();    // the same calls in C++ after the opening, when run
    int status;
    const char* diagnostics;  // standard error before the library's count line
    const char* summary;      // the summary line after "s.ss: ", when there is one
};

// Scripts run whole (the score of the same C++ calls, byte for byte) or diagnosed with --check.
TEST(ScriptRun, DiagnosticsOfWholeScripts) {
    const ChildResult piece = speechscore({"--check", kPiece});
    EXPECT_EQ(piece.status, 0);
    EXPECT_EQ(piece.out, "");
    // The piece's pitch rise is cut half way: Vs advances no F0 glide.
    EXPECT_EQ(piece.err, kPiece +
                             ":27:1: warning: the glide glF0 started here is cancelled by nrmGLF0 "
                             "on line 30 before reaching its target: after 1 of its 2 beats the "
                             "F0 offset was 0.125, not 0.25\n" +
                             kPiece + ": no errors; the score lasts 10.5208 s\n");
    const std::string vowel = "VOW 1 4 60 7 0.5 0 0 100 0.01 1 0 0\n";
    // clang-format off
    const Scripted cases[] = {
        // The library's report is found too, but fine is not called: no count line from it.
        {true, "Rest x\nF0B 1 13\nfine\n", nullptr, 1,
         "s.ss:4:6: error: 'x' is not a number; Rest argument 1 (beats) is a length in beats, > 0\n"
         "s.ss:5:7: error: F0B argument 2 (f0) = 13 is outside its range: pitch, "
         "octave-point-decimal, strictly between 0 and 12; the score says \"Error: <pitch> "
         "out-of-range.\"\n",
         "2 errors (1 line not run, 1 reported in the score)"},
        {true, "Rest 1\n", nullptr, 0,
         "s.ss:4:1: warning: the script ends without fine, which closes the score\n",
         "no errors; the score lasts 0.5 s"},
        {true, "glF0 4 -0.2\n" + vowel + "glOQ 1 0.8\n" + vowel + "glAV 2 -6\n" + vowel +
               "normGL\nglMM 4 90\nglMM 2 60\n" + vowel + "glAS 1 3\nfine\n", nullptr, 0,
         "s.ss:8:1: warning: the glide glAV started here is cancelled by normGL on line 10 before "
         "reaching its target: after 1 of its 2 beats the AV offset was -3, not -6\n"
         "s.ss:4:1: warning: the glide glF0 started here is cancelled by normGL on line 10 before "
         "reaching its target: after 3 of its 4 beats the F0 offset was -0.15, not -0.2\n"
         "s.ss:11:1: warning: the glide glMM started here is cancelled by a new glMM on line 12 "
         "before reaching its target: after 0 of its 4 beats the seconds per beat was 0.5, not "
         "0.666667\n"
         "s.ss:14:1: warning: the glide glAS started here is still short of its target at fine "
         "(line 15): after 0 of its 1 beats the AS offset is 0, not 3\n"
         "s.ss:12:1: warning: the glide glMM started here is still short of its target at fine "
         "(line 15): after 1 of its 2 beats the seconds per beat is 0.75, not 1\n",
         "no errors; the score lasts 2.25 s"},
        {false, "Rest 1\n# the end, but no fine\n", [] { Rest(1); fine(); }, 0,
         "s.ss:5:1: warning: the script ends without fine; the runner calls fine to close the "
         "score\n", nullptr},
        {false, "fine\nRest 1\nRest 1\n", [] { fine(); Rest(1); Rest(1); }, 0,
         "s.ss:5:1: warning: this call comes after fine (line 4); what it writes follows the end "
         "of the score\n", nullptr},
        // The library's reports pointed out.
        {false, "VOW 1 vAE 120 C9 0.5 0.002 0 1000 0.008 1 101 0\nfine\n",
         [] { VOW(1, 4, 120, 13, 0.5, 0.002, 0, 1000, 0.008, 1, 101, 0); fine(); }, 1,
         "s.ss:4:11: error: VOW argument 3 (AV) = 120 is outside its range: level in dB, up to "
         "100; the score says \"Error: <loudness> out-of-range.\"\n"
         "s.ss:4:43: error: VOW argument 11 (AS) = 101 is outside its range: level in dB, up to "
         "100; the score says \"Error: <loudness> out-of-range.\"\n"
         "s.ss:4:15: error: VOW argument 4 (F0) = C9 (13) is outside its range: pitch, "
         "octave-point-decimal, strictly between 0 and 12; the score says \"Error: <pitch> "
         "out-of-range.\"\n",
         "3 errors (3 reported in the score)"},
        {false, "genTL 0.1 9000\nfine\n", [] { genTL(0.1, 9000); fine(); }, 1,
         "s.ss:4:11: error: genTL argument 2 (tl) = 9000 is outside its range: spectral tilt in "
         "Hz, 0..8000 inclusive; the score says \"Error: <tilt> out-of-range.\"\n",
         "1 error (1 reported in the score)"},
        {false, "genNAS 0.1 40\nfine\n", [] { genNAS(0.1, 40); fine(); }, 1,
         "s.ss:4:12: error: genNAS argument 2 (nasalPtr) = 40 is outside its range: nasal pointer, "
         "33..38; the score says \"Odd error: Email: speechscore-maintainers@lists.speechscore.org.\"\n",
         "1 error (1 reported in the score)"},
        {false, "restAll 0\nfine\n", [] { restAll(0); fine(); }, 1,
         "s.ss:4:9: error: restAll argument 1 (span) = 0 is outside its range: length in seconds, "
         "> 0; the score says \"Error: <duration> <= 0.\" (18 times)\n",
         "18 errors (18 reported in the score)"},
        // Causes that are no argument: a setting, a span or a level the builder computed.
        {false, "TTO = 50\nCasc 0.1 vAE\nfine\n", [] { TTO = 50; Casc(0.1, 4); fine(); }, 1,
         "s.ss:5:1: error: Casc: the score says \"Error: <TTO operation> is wrong.\" (4 times); no "
         "argument is outside its range, but TTO = 50 (the TTO operation that maps the ring "
         "colours 0..11) is outside its range, 0..47\n",
         "4 errors (4 reported in the score)"},
        {false, "tV 1 cP vUW 50 54 60 D3 52 0 0.05 0.02 0.04 0.04 10 0.03 0.05 0.2\nfine\n",
         [] { tV(1, 27, 11, 50, 54, 60, 7 + 2 / 12.0, 52, 0, 0.05, 0.02, 0.04, 0.04, 10, 0.03, 0.05,
                 0.2); fine(); }, 1,
         "s.ss:4:1: error: tV: the score says \"Error: <duration> <= 0.\"; no argument is outside "
         "its range, but the span DC = d5 - dBurst came out 0 s\n",
         "1 error (1 reported in the score)"},
        {false, "dV 1 cD vAA 50 54 60 G3 52 0 0.05 0.02 0.01 0.04 -60 0.03 0.05 0.2\nfine\n",
         [] { dV(1, 30, 2, 50, 54, 60, 7 + 7 / 12.0, 52, 0, 0.05, 0.02, 0.01, 0.04, -60, 0.03, 0.05,
                 0.2); fine(); }, 1,
         "s.ss:4:1: error: dV: the score says \"Error: <loudness> out-of-range.\"; no argument is "
         "outside its range, but the level L1 = ampB - burstDrop came out 114\n",
         "1 error (1 reported in the score)"},
        // Reports that were asked for, or are no error.
        {false, "err 3 5\nfine\n", [] { err(3, 5); fine(); }, 1,
         "s.ss:4:1: error: err wrote \"Error: <duration> <= 0.\" into the score, as asked; it "
         "counts as an error\n",
         "1 error (1 reported in the score)"},
        {false, "metronome -1\nclrTTO 1 4\nfine\n", [] { metronome(-1); clrTTO(1, 4); fine(); }, 0,
         "s.ss:4:11: warning: metronome argument 1 (mark) = -1 is outside its range: metronome "
         "mark in beats per minute, > 0; the score says \"; TEMPO SPEC. IS WRONG; WILL USE "
         "MM=60.\"\n"
         "s.ss:5:1: note: clrTTO returned 5\n", nullptr},
    };
    // clang-format on
    ScratchDir dir;
    for (const Scripted& c : cases) {
        SCOPED_TRACE(c.lines);
        dir.write("s.ss", kOpening + c.lines);
        const ChildResult run = speechscore(c.check ? std::vector<std::string>{"--check", "s.ss"}
                                                    : std::vector<std::string>{"s.ss"},
                                            in(dir.path()));
        // The parent of these children never calls the library, so each starts fresh.
        const ChildResult cpp = c.check ? ChildResult{"", "", 0} : run_child([&]() {
            start1(0, 1, 1, 1, 1, 1, 0, 1, 1);
            startmn();
            metronome(120);
            c.calls();
        });
        EXPECT_EQ(run.out, cpp.out);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.err, c.diagnostics + cpp.err +
                               (c.summary ? "s.ss: " + std::string(c.summary) + "\n" : ""));
    }
}

// Every example with a script twin (examples/NAME.cpp and NAME.ss) writes its script's bytes.
TEST(ScriptIdentity, EveryExampleWithATwinWritesTheSameScore) {
    std::set<std::string> programs, scripts;
    for (const auto& entry : std::filesystem::directory_iterator(SPEECHSCORE_EXAMPLES_SOURCE)) {
        const std::filesystem::path& path = entry.path();
        if (path.extension() == ".cpp") programs.insert(path.stem());
        if (path.extension() == ".ss") scripts.insert(path.stem());
    }
    EXPECT_TRUE(scripts.count("piece") && scripts.count("hello"));
    ScratchDir dir;
    for (const std::string& name : scripts) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(programs.count(name)) << "examples/" << name << ".ss has no .cpp twin";
        const ChildResult cpp = run_command({std::string(SPEECHSCORE_EXAMPLES_BUILD) + "/" + name});
        const std::string script = std::string(SPEECHSCORE_EXAMPLES_SOURCE) + "/" + name + ".ss";
        const ChildResult ss = speechscore({script});
        ASSERT_NE(cpp.status, 127) << "example program not built";
        EXPECT_GT(cpp.out.size(), 0u);
        EXPECT_EQ(ss.out, cpp.out);
        EXPECT_EQ(ss.status, cpp.status);
        EXPECT_EQ(ss.err, "");
        const ChildResult file = speechscore({"-o", dir.file(name + ".sco"), script});
        EXPECT_EQ(file.out, "");
        EXPECT_EQ(read_file(dir.file(name + ".sco")), cpp.out);
        EXPECT_EQ(speechscore({"-"}, RunOptions{"", script, {}}).out, cpp.out);
    }
}

// A score that cannot be written is reported and the run fails, as fine does in C++.
TEST(ScriptRun, ALostScoreIsReported) {
    const ChildResult run = run_child([&]() { exec_speechscore({kPiece}); }, "/dev/full");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err,
              "Error: the score could not be written to standard output.\n"
              "speechscore: cannot write the score to standard output: No space left on device\n");
    // The expanded script too: a lost write is no success.
    const ChildResult expand = run_child(
        [&]() {
            exec_speechscore({"--expand", kPiece});
        },
        "/dev/full");
    EXPECT_EQ(expand.status, 2);
    EXPECT_EQ(expand.err,
              "speechscore: cannot write the expanded script to standard output: No space left on "
              "device\n");
}

TEST(ScriptRun, ListAndDescribeReadTheTables) {
    EXPECT_EQ(speechscore({"--version"}).out,
              std::string("speechscore ") + SPEECHSCORE_VERSION + "\n");
    const ChildResult list = speechscore({"--list"});
    EXPECT_EQ(list.status, 0);
    EXPECT_NE(list.out.find("\n  VOW beats color AV F0 OQ FL DI TL DV FV AS swt\n"),
              std::string::npos);
    EXPECT_NE(list.out.find("\n  formants: double table [48][23]\n"), std::string::npos);
    EXPECT_NE(list.out.find("\n  TTO: int\n"), std::string::npos);

    const ChildResult vow = speechscore({"--describe", "VOW"});
    EXPECT_EQ(vow.status, 0);
    EXPECT_EQ(lines_of(vow.out).at(0), "VOW beats color AV F0 OQ FL DI TL DV FV AS swt");
    EXPECT_EQ(lines_of(vow.out).at(2), "   2 color: a colour symbol, 0..47, or a colour name");
    const ChildResult tto = speechscore({"--describe=TTO"});
    EXPECT_EQ(tto.out, "TTO: int, a TTO operation, 0..47\n");
    const ChildResult none = speechscore({"--describe", "Vow\x1b[2J"});
    EXPECT_EQ(none.status, 2);
    EXPECT_EQ(none.err, "speechscore: no operation or variable is called 'Vow\\x1b[2J'\n");
    // A builder's description names every span and level it derives, in the order of its phases.
    const struct {
        const char* op;
        const char* names;
    } cases[] = {
        {"VOW", "span"},
        {"vV", "factor phase phase phase steady"},
        {"Vs", "factor D1 DS D3 D4"},
        {"tV", "factor D1 D2 D3 D4 D5 DS DA DB DC DD DE DF DG DH L1 L2 L3"},
        {"Rest", ""},
    };
    const std::regex phase(R"(\n  ([A-Za-z]\w*) )");  // a parameter's line starts with its number
    for (const auto& c : cases) {
        const std::string out = speechscore({"--describe", c.op}).out;
        std::string names;
        for (std::sregex_iterator it(out.begin(), out.end(), phase), end; it != end; ++it) {
            names += (names.empty() ? "" : " ") + (*it)[1].str();
        }
        EXPECT_EQ(names, c.names) << out;
    }
}

// The program running in the background in dir, its standard error read line by line.
class Background {
public:
    Background(const std::vector<std::string>& args, const std::string& dir) {
        int errPipe[2];
        if (pipe(errPipe) != 0) std::abort();
        pid_ = fork();
        if (pid_ == 0) {
            if (chdir(dir.c_str()) != 0) _exit(98);
            dup2(errPipe[1], STDERR_FILENO);
            close(errPipe[0]);
            close(errPipe[1]);
            exec_speechscore(args);
        }
        close(errPipe[1]);
        fd_ = errPipe[0];
    }
    ~Background() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(fd_);
    }
    // The next line of standard error, or "" when none comes within an ample 20 s.
    std::string next_line() {
        while (buffer_.find('\n') == std::string::npos) {
            pollfd p = {fd_, POLLIN, 0};
            char chunk[512];
            const ssize_t n = poll(&p, 1, 20000) > 0 ? read(fd_, chunk, sizeof chunk) : 0;
            if (n <= 0) return "";
            buffer_.append(chunk, static_cast<std::size_t>(n));
        }
        const std::string line = buffer_.substr(0, buffer_.find('\n'));
        buffer_.erase(0, line.size() + 1);
        return line;
    }
    // Interrupts the program (or sends it another signal) and returns its exit status.
    int interrupt(int signal_number = SIGINT) {
        kill(pid_, signal_number);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

private:
    pid_t pid_ = -1;
    int fd_ = -1;
    std::string buffer_;
};

TEST(ScriptWatch, RunsAgainOnEveryChange) {
    ScratchDir dir;
    dir.write("s.ss", std::string(kOpening) + "Rest 2\nfine\n");
    Background watch({"--watch", "-o", "s.sco", "s.ss"}, dir.path());
    const std::regex done(R"(s\.ss: no errors; the score lasts 1 s \(s\.sco, \d+ ms\))");
    EXPECT_TRUE(std::regex_match(watch.next_line(), done));
    EXPECT_NE(read_file(dir.file("s.sco")).find("\ne\n"), std::string::npos);

    // An editor may save by writing a new file and renaming it over the old one.
    dir.write("s.new", std::string(kOpening) + "Rest 2\nRest x\nfine\n");
    std::filesystem::rename(dir.file("s.new"), dir.file("s.ss"));
    EXPECT_EQ(watch.next_line(),
              "s.ss:5:6: error: 'x' is not a number; Rest argument 1 (beats) "
              "is a length in beats, > 0");
    EXPECT_EQ(watch.next_line(), "s.ss: 1 error (1 line not run)");
    const std::string second = read_file(dir.file("s.sco"));
    EXPECT_NE(second.find("\ne\n"), std::string::npos);  // the lines that ran, closed

    dir.write("s.ss", std::string(kOpening) + "Rest 2\nRest 4\nfine\n");
    const std::regex longer(R"(s\.ss: no errors; the score lasts 3 s \(s\.sco, \d+ ms\))");
    EXPECT_TRUE(std::regex_match(watch.next_line(), longer));
    EXPECT_NE(read_file(dir.file("s.sco")), second);
    // An output it cannot write ends its pass with a status line too.
    std::filesystem::remove(dir.file("s.sco"));
    std::filesystem::create_directory(dir.file("s.sco"));
    dir.write("s.ss", std::string(kOpening) + "Rest 2\nfine\n");
    EXPECT_EQ(watch.next_line(), "speechscore: cannot write s.sco: it is a directory");
    EXPECT_EQ(watch.next_line(), "s.ss: status 2 (a file could not be read or written)");
    EXPECT_EQ(watch.interrupt(), 130);

    // A take that clips is kept, and said to be rendered.
    dir.write("c.ss",
              "start1 0 1 30 1 1 1 0 1 1\nstartmn\nmetronome 120\nRest 0.5\nVOW 1 4 60 "
              "7 0.5 0 0 100 0.01 1 0 0\nfine\n");
    Background clipped({"--watch", "--render", "c.wav", "c.ss"}, dir.path());
    std::string line;
    while (!(line = clipped.next_line()).empty() && line.rfind("c.ss", 0) != 0) {
    }
    EXPECT_TRUE(std::regex_match(line, std::regex(R"(c\.ss: rendered .* \(c\.wav\), clipped)")))
        << line;
    EXPECT_EQ(clipped.interrupt(), 130);
}

// A character device like the system's (1,3 is null, 1,5 zero); false when not allowed.
bool make_device(const std::string& path, unsigned minor) {
    return mknod(path.c_str(), S_IFCHR | 0666, makedev(1, minor)) == 0;
}

TEST(ScriptFiles, TheScoreReplacesOnlyTheNamedFileAndOnlyWhole) {
    ScratchDir dir;
    dir.write("s.ss", std::string(kOpening) + "Rest 2\nfine\n");
    dir.write("bad.ss", std::string(kOpening) + "Rest x\nfine\n");
    const std::string score = speechscore({"s.ss"}, in(dir.path())).out;
    dir.write("out.sco", "old");
    chmod(dir.file("out.sco").c_str(), 0640);

    // A run with errors still replaces it whole (its score shows what ran), keeping its mode.
    const ChildResult bad = speechscore({"-o", "out.sco", "bad.ss"}, in(dir.path()));
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(read_file(dir.file("out.sco")), speechscore({"bad.ss"}, in(dir.path())).out);
    struct stat st;
    ASSERT_EQ(stat(dir.file("out.sco").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    // A symbolic link is followed, also to a file still to come; the link stays.
    dir.write("real.sco", "old");
    ASSERT_EQ(symlink("real.sco", dir.file("link.sco").c_str()), 0);
    ASSERT_EQ(symlink("later.sco", dir.file("ahead.sco").c_str()), 0);
    EXPECT_EQ(speechscore({"-o", "link.sco", "s.ss"}, in(dir.path())).status, 0);
    EXPECT_EQ(speechscore({"-o", "ahead.sco", "s.ss"}, in(dir.path())).status, 0);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.sco")));
    EXPECT_EQ(read_file(dir.file("real.sco")), score);
    EXPECT_EQ(read_file(dir.file("later.sco")), score);

    // A FIFO, or this program's standard output by name, is written into: that is streaming.
    EXPECT_EQ(speechscore({"-o", "/dev/stdout", "s.ss"}, in(dir.path())).out, score);
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
    std::string streamed;
    std::thread reader([&]() { streamed = read_file(dir.file("fifo")); });
    EXPECT_EQ(speechscore({"-o", "fifo", "s.ss"}, in(dir.path())).status, 0);
    reader.join();
    EXPECT_EQ(streamed, score);
    // A script is read from a FIFO as from its file.
    std::thread writer([&]() { std::ofstream(dir.file("fifo")) << read_file(dir.file("s.ss")); });
    const ChildResult piped = speechscore({"--check", "fifo"}, in(dir.path()));
    writer.join();
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(piped.err, "fifo: no errors; the score lasts 1 s\n");
    EXPECT_EQ(listing(dir.path()),
              (std::set<std::string>{"ahead.sco", "bad.ss", "fifo", "later.sco", "link.sco",
                                     "out.sco", "real.sco", "s.ss"}));
}

// Bad usage, and files that cannot be read or written, end the run with status 2 before it
// writes anything; an output is never an input, whatever its name.
TEST(ScriptFiles, BadUsageAndFilesThatCannotBeUsedEndWithStatus2) {
    ScratchDir dir;
    const std::string script = std::string(kOpening) + "Rest 2\nfine\n";
    dir.write("s.ss", script);
    ASSERT_EQ(link(dir.file("s.ss").c_str(), dir.file("hard.ss").c_str()), 0);
    ASSERT_EQ(symlink(".", dir.file("here").c_str()), 0);
    std::filesystem::create_directory(dir.file("d"));
    std::filesystem::resize_file(dir.write("huge.ss", "VOW"), (std::size_t{16} << 20) + 1);
    ASSERT_EQ(link(dir.file("huge.ss").c_str(), dir.file("huge.musicxml").c_str()), 0);
    const bool devices = make_device(dir.file("null"), 3) && make_device(dir.file("zero"), 5);

    const struct {
        std::vector<std::string> args;
        const char* message;  // standard error after "speechscore: "; none when ""
        int status = 2;
        bool fromStdin = false;
        bool device = false;
    } cases[] = {
        // clang-format off
        {{}, "no script given"},
        {{"--frobnicate", "s.ss"}, "unknown option --frobnicate"},
        {{"s.ss", "t.ss"}, "one script at a time (got s.ss and t.ss)"},
        {{"--watch", "s.ss"}, "--watch needs -o, --render or --check"},
        {{"--check", "-o", "s.sco", "s.ss"}, "--check writes nothing; leave out -o and --render"},
        {{"-o"}, "-o needs a file name"},
        {{"nope.ss"}, "cannot read nope.ss: No such file or directory"},
        // A name's control characters are shown as escapes: a name cannot drive the terminal.
        {{"no\x1b[2J.ss"}, "cannot read no\\x1b[2J.ss: No such file or directory"},
        {{"-o", "no/\x1b]0;x\x07/s.sco", "s.ss"},
         "cannot write no/\\x1b]0;x\\x07/s.sco: No such file or directory"},
        {{"huge.ss"},
         "cannot read huge.ss: it holds 16777217 bytes, more than the 16 MiB a script may hold"},
        {{"huge.musicxml"}, "cannot read huge.musicxml: it holds 16777217 bytes, more than the "
                            "16 MiB a song file may hold"},
        {{"zero"},
         "cannot read zero: it holds more than the 16 MiB a script may hold", 2, false, true},
        {{"-o", "no/such/dir/s.sco", "s.ss"},
         "cannot write no/such/dir/s.sco: No such file or directory"},
        {{"-o", "hard.ss", "s.ss"}, "the score would overwrite the script s.ss"},
        {{"--render", "here/hard.ss", "-"},
         "the WAV file would overwrite the script on standard input", 2, true},
        {{"-o", "here/x.sco", "--render", "x.sco", "s.ss"},
         "the WAV file would overwrite the score here/x.sco"},
        {{"-o", "d", "s.ss"}, "cannot write the score to d: it is a directory"},
        {{"-o", "null", "s.ss"}, "", 0, false, true},
        {{"--render", "null", "s.ss"},
         "cannot render to null: it is a character device", 2, false, true},
        {{"-o", "null", "--render", "t.wav", "s.ss"},
         "--render reads the score back from null, a FIFO or device; leave out -o or name a file",
         2, false, true},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        if (c.device && !devices) continue;
        RunOptions options = in(dir.path());
        if (c.fromStdin) options.input = dir.file("s.ss");
        const ChildResult run = speechscore(c.args, options);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out, "");
        // The message alone, or before the usage.
        const std::string said =
            c.message[0] == '\0' ? "" : "speechscore: " + std::string(c.message) + "\n";
        EXPECT_TRUE(run.err == said || run.err.rfind(said + "usage: ", 0) == 0) << run.err;
    }
    EXPECT_EQ(read_file(dir.file("s.ss")), script);
    struct stat st;
    EXPECT_TRUE(stat(dir.file("d").c_str(), &st) == 0 && S_ISDIR(st.st_mode));
    if (devices) {
        EXPECT_TRUE(stat(dir.file("null").c_str(), &st) == 0 && S_ISCHR(st.st_mode));
    }
    EXPECT_EQ(listing(dir.path()).size(), devices ? 8u : 6u);
}

// A signal stops the run, or its render, at once: the previous score and take stay and no
// scratch file is left.
TEST(ScriptSignals, StopTheRunAndKeepThePreviousScore) {
    ScratchDir dir;
    std::string script = kOpening;
    for (int i = 0; i < 200000; ++i) script += "VOW 1 4 60 7 0.5 0 0 100 0.01 1 0 0\n";
    dir.write("long.ss", script + "fine\n");
    dir.write("quiet.ss", std::string(kOpening) + "Rest 1200\nfine\n");  // run at once, long render
    const std::pair<int, const char*> cases[] = {
        {SIGINT, "long.ss"}, {SIGTERM, "long.ss"}, {SIGHUP, "long.ss"}, {SIGINT, "quiet.ss"}};
    for (const auto& [signal_number, name] : cases) {
        SCOPED_TRACE(signal_number);
        const bool render = name[0] == 'q';
        dir.write("out.sco", "old");
        dir.write("out.wav", "old take");
        std::vector<std::string> args = {"-o", "out.sco", name};
        if (render) args.insert(args.begin(), {"--render", "out.wav"});
        Background run(args, dir.path());
        std::this_thread::sleep_for(std::chrono::milliseconds(render ? 1500 : 300));
        EXPECT_EQ(run.interrupt(signal_number), 128 + signal_number);
        EXPECT_EQ(run.next_line(), "");  // nothing said
        EXPECT_EQ(read_file(dir.file("out.sco")), "old");
        EXPECT_EQ(read_file(dir.file("out.wav")), "old take");
        EXPECT_EQ(listing(dir.path()),
                  (std::set<std::string>{"long.ss", "quiet.ss", "out.sco", "out.wav"}));
    }
}

}  // namespace
