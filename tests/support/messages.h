// The library's report lines, spelt out once for the tests that compare exact text; the tag
// test (score_test.cpp) holds them against the library's own table.
#ifndef SPEECHSCORE_TESTS_MESSAGES_H
#define SPEECHSCORE_TESTS_MESSAGES_H

#include <string>

inline const std::string kLimit = "Error: <limit> <= 0.\n";
inline const std::string kLoud = "Error: <loudness> out-of-range.\n";
inline const std::string kDuration = "Error: <duration> <= 0.\n";
inline const std::string kPitch = "Error: <pitch> out-of-range.\n";
inline const std::string kQuotient = "Error: <open quotient> out-of-range.\n";
inline const std::string kColour = "Error: <color symbol> is wrong.\n";
inline const std::string kTracheal = "Error: <tracheal pointer> is wrong.\n";
inline const std::string kDeltaF1 = "Error: <delta F1 symbol> is wrong.\n";
inline const std::string kOutput = "Error: <output switch> is wrong.\n";
inline const std::string kSource = "Error: <source switch> is wrong.\n";
inline const std::string kTilt = "Error: <tilt> out-of-range.\n";
inline const std::string kTto = "Error: <TTO operation> is wrong.\n";
inline const std::string kOdd =
    "Odd error: Email: speechscore-maintainers@lists.speechscore.org.\n";
inline const std::string kTempoFallback = "; TEMPO SPEC. IS WRONG; WILL USE MM=60. \n";
inline const std::string kBadMark = "; BAD MM mark; master envelope cancelled. \n";

#endif  // SPEECHSCORE_TESTS_MESSAGES_H
