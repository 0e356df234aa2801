// The fuzzers' fresh start: every exported variable of the library, saved when the fuzzer starts
// and put back before each input, so that each input runs from the state a program starts with;
// and fine's exit, which comes back to the fuzzer (exit is wrapped at link time).
#ifndef SPEECHSCORE_TESTS_FUZZ_LIBRARY_STATE_H
#define SPEECHSCORE_TESTS_FUZZ_LIBRARY_STATE_H

#include <csetjmp>

void restore_library_state();

extern std::jmp_buf exitJump;
extern bool exitArmed;

// Runs fn; an exit inside it returns here instead of ending the fuzzer.
template <class Fn>
void trap_exit(Fn fn) {
    exitArmed = true;
    if (setjmp(exitJump) == 0) fn();
    exitArmed = false;
}

#endif  // SPEECHSCORE_TESTS_FUZZ_LIBRARY_STATE_H
