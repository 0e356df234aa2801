// Runs library calls in a forked child and captures what it prints and how it ends.
#ifndef SPEECHSCORE_TESTS_CHILD_H
#define SPEECHSCORE_TESTS_CHILD_H

#include <functional>
#include <set>
#include <string>
#include <vector>

struct ChildResult {
    std::string out;  // standard output
    std::string err;  // standard error
    int status;       // exit status, or 128 + signal number when killed
};

// Flushes stdout, forks, runs fn in the child with stdout sent to a pipe (or to the file at
// outPath when given) and stderr to a scratch file, flushes, _exit(0)s. The parent's state stays.
ChildResult run_child(const std::function<void()>& fn, const char* outPath = nullptr);

// Runs a program (args[0], looked up on PATH) with NAME=VALUE settings added to its environment,
// in the directory dir when one is given.
ChildResult run_command(const std::vector<std::string>& args,
                        const std::vector<std::string>& env = {}, const std::string& dir = "");

// A fresh directory under the system's temporary directory, removed with all it holds.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // Writes text to the file name; returns its path.
    std::string write(const std::string& name, const std::string& text) const;

private:
    std::string path_;
};

// A program stopped by a signal while it writes: started (in the directory cwd when given), it
// gets the signal once a new file shows in dir (its unfinished output). Whether that file came,
// the exit status (128 + signal when killed) and the seconds from the signal to the end.
struct Stopped {
    bool started;
    int status;
    double seconds;
};
Stopped stop_while_writing(const std::vector<std::string>& args, const std::string& dir, int sig,
                           const std::string& cwd = "");

// Runs the program at path with no arguments: what it printed (standard error merged into
// standard output) and its exit status (127 when it could not be started).
using ProgramRun = ChildResult;
ProgramRun run_program(const std::string& path);

// Reads a whole file; empty when it cannot be read.
std::string read_file(const std::string& path);

// The lines of text, without their line ends.
std::vector<std::string> lines_of(const std::string& text);

// The names in a directory, without . and ..: a scratch file left behind shows here.
std::set<std::string> listing(const std::string& dir);

// Reads a golden file from tests/golden.
std::string golden(const std::string& name);

#endif
