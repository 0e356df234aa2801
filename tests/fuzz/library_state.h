// The fuzzers' fresh start: every exported variable of the library, saved when the fuzzer starts
// and put back before each input, so that each input runs from the state a program starts with.
#ifndef SPEECHSCORE_TESTS_FUZZ_LIBRARY_STATE_H
#define SPEECHSCORE_TESTS_FUZZ_LIBRARY_STATE_H

void save_library_state();
void restore_library_state();

#endif  // SPEECHSCORE_TESTS_FUZZ_LIBRARY_STATE_H
