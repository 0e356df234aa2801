// Running the speechscore program in the tests: a child process with its own directory, input
// and environment, and scratch directories for scripts, scores and takes.
#ifndef SPEECHSCORE_TESTS_CLI_SUPPORT_H
#define SPEECHSCORE_TESTS_CLI_SUPPORT_H

#include <string>
#include <vector>

#include "support/child.h"

struct RunOptions {
    std::string dir;               // working directory; the current one when empty
    std::string input;             // standard input, from this file when not empty
    std::vector<std::string> env;  // NAME=VALUE settings added to the environment
};

// Options that only set the working directory.
inline RunOptions in(const std::string& dir) { return RunOptions{dir, "", {}}; }

// Runs the speechscore program with args and collects its output and exit status.
ChildResult speechscore(const std::vector<std::string>& args, const RunOptions& options = {});

// Replaces this process with the speechscore program run with args (in a child).
[[noreturn]] void exec_speechscore(const std::vector<std::string>& args);

// Runs any program (args[0], looked up on PATH) in the directory dir.
inline ChildResult run_in(const std::string& dir, const std::vector<std::string>& args) {
    return run_command(args, {}, dir);
}

// start1, startmn and metronome 120: the opening of most test scripts.
inline const char kOpening[] = "start1 0 1 1 1 1 1 0 1 1\nstartmn\nmetronome 120\n";

#endif  // SPEECHSCORE_TESTS_CLI_SUPPORT_H
