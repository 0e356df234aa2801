// Running the speechscore program in the tests: a child process with its own directory, input
// and PATH, and scratch directories for scripts, scores and takes.
#ifndef SPEECHSCORE_TESTS_CLI_SUPPORT_H
#define SPEECHSCORE_TESTS_CLI_SUPPORT_H

#include <string>
#include <vector>

#include "support/child.h"

// A fresh directory under the system's temporary directory, removed with all it holds.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // Writes text to the file name (made executable when asked); returns its path.
    std::string write(const std::string& name, const std::string& text,
                      bool executable = false) const;

private:
    std::string path_;
};

struct RunOptions {
    std::string dir;               // working directory; the current one when empty
    std::string input;             // standard input, from this file when not empty
    std::string pathPrefix;        // put before PATH when not empty
    std::vector<std::string> env;  // NAME=VALUE settings added to the environment
};

// Options that only set the working directory.
inline RunOptions in(const std::string& dir) { return RunOptions{dir, "", "", {}}; }

// Runs the speechscore program with args and collects its output and exit status.
ChildResult speechscore(const std::vector<std::string>& args, const RunOptions& options = {});

// Runs any program (args[0], looked up on PATH) in the directory dir.
ChildResult run_in(const std::string& dir, const std::vector<std::string>& args);

// The lines of text, without their line ends.
std::vector<std::string> lines_of(const std::string& text);

// start1, startmn and metronome 120: the opening of most test scripts.
extern const char kOpening[];

#endif  // SPEECHSCORE_TESTS_CLI_SUPPORT_H
