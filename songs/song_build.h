// Helpers shared by the readers of the songs folder: failures, diagnostics, printed beats.
#ifndef SPEECHSCORE_SONGS_SONG_BUILD_H
#define SPEECHSCORE_SONGS_SONG_BUILD_H

#include <string>
#include <vector>

#include "songs.h"

namespace speechscore::songs {

// The tempi a song is sung at, in quarter notes a minute (those the sing statement takes).
constexpr double kLeastQpm = 1;
constexpr double kMostQpm = 10000;

// A result that failed with message.
Result failure(std::string message);
// The message for an input above kMaxInputBytes.
std::string too_large_message();
// Adds a diagnostic; past a few hundred, one line says that more were left out.
void add_diagnostic(Result& result, const std::string& measure, std::string message);
// Fills song.verses from the events' lyrics, in the order first met.
void list_verses(Song& song);
// Items joined by ", ": the first twenty, then "and N more"; "none" when there are none.
std::string listed(const std::vector<std::string>& items);
// The parts as listed in messages: P1 "Soprano", P2 "Alto".
std::string part_list(const std::vector<Part>& parts);
// Beats as printed: an integer, or a decimal of up to six significant digits.
std::string beats_text(Beats b);

}  // namespace speechscore::songs

#endif
