// Runs library calls in a forked child and captures what it prints and how it ends.
#ifndef SPEECHSCORE_TESTS_CHILD_H
#define SPEECHSCORE_TESTS_CHILD_H

#include <functional>
#include <string>

struct ChildResult {
    std::string out;  // standard output
    std::string err;  // standard error
    int status;       // exit status, or 128 + signal number when killed
};

// Flushes stdout, forks, runs fn in the child with stdout and stderr sent to pipes (or
// stdout to the file at outPath when given), flushes, _exit(0)s. The parent keeps its state.
ChildResult run_child(const std::function<void()>& fn, const char* outPath = nullptr);

// What a program printed (standard error merged into standard output) and its wait status as
// pclose gives it (-1 when it could not be started).
struct ProgramRun {
    std::string out;
    int status;
};

// Runs the program at path with no arguments.
ProgramRun run_program(const std::string& path);

// Reads a whole file; empty when it cannot be read.
std::string read_file(const std::string& path);

// Reads a golden file from tests/golden.
std::string golden(const std::string& name);

#endif
