// Private to cli/: the sing, voice and vibrato statements of call scripts (the sing layer).
#ifndef SPEECHSCORE_CLI_SING_H
#define SPEECHSCORE_CLI_SING_H

#include <functional>
#include <string>

#include "script.h"

namespace cli {

// Runs a sing, voice or vibrato line: returns false when the line is none of them (a bare
// `sing`, the library's operation, is left to the script). A line that cannot be sung is
// diagnosed as NAME:LINE:COLUMN: error: and writes nothing.
//
// A rest the script wrote just before the line (lead > 0 beats, held back by the runner) becomes
// the line's own when the line starts with a note: its onset consonants and the voice's first
// open phase then come before the first beat, as after a rest in the line. before(taken) is
// called before the line writes anything, taken telling whether it takes the rest; lead is set
// to 0 once the line is sung with it.
bool sing_line(const std::string& name, int line, const std::string& text, RunReport& report,
               double& lead, const std::function<void(bool)>& before);

}  // namespace cli

#endif  // SPEECHSCORE_CLI_SING_H
