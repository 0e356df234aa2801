// Private to words/: the planner, which writes a timed phrase as library calls track by track.
#ifndef SPEECHSCORE_WORDS_PLAN_H
#define SPEECHSCORE_WORDS_PLAN_H

#include <cstddef>
#include <functional>
#include <vector>

#include "phones.h"
#include "speechscore_words.h"

namespace words {

// Makes (and passes on) one call; the planner reads the library's state (beat) between calls.
using Emit = std::function<void(const speechscore::words::Call&)>;

// Index of the last value at or before v in an ascending list (0 when none is).
std::size_t last_at_or_before(const std::vector<double>& list, double v);

// Writes the phrase through emit. Returns the real span of each segment, in seconds.
std::vector<double> write_phrase(const Phrase& phrase, const speechscore::words::Options& options,
                                 const Emit& emit);

}  // namespace words

#endif  // SPEECHSCORE_WORDS_PLAN_H
