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

// The voice's tilt TL, as a multiple of the voice's TLn (1000 by default; the orchestra's shelf
// has its zero at 1250 Hz and its pole at 2 TL). Speech: 0.5 (500), a shelf 1.9 dB down above
// 1250 Hz, with which the vowels' formant levels match Peterson & Barney's (1952, Table II): over
// their ten vowels L2 - L1 is 1.9 dB above theirs on average and L3 - L1 4.5 dB (6000 put them
// 5.8 and 11.8 dB above; the acoustic tests hold them). Song: 6 (6000), a shelf rising 6 dB per
// octave above 1250 Hz: a trained singing voice is brighter than speech (a sung /u/ about 20 dB
// stronger near 3 kHz than a spoken one, Sundberg 1972), and the sung voices' figures
// (docs/sing.md) are measured with it.
constexpr double kSpeechTilt = 0.5;
constexpr double kSungTilt = 6;

// Writes the phrase through emit. Returns the real span of each segment, in seconds.
std::vector<double> write_phrase(const Phrase& phrase, const speechscore::words::Options& options,
                                 const Emit& emit, double tilt = kSpeechTilt);

}  // namespace words

#endif  // SPEECHSCORE_WORDS_PLAN_H
