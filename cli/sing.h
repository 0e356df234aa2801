// Private to cli/: the sing, voice and vibrato statements of call scripts (the sing layer).
#ifndef SPEECHSCORE_CLI_SING_H
#define SPEECHSCORE_CLI_SING_H

#include <string>

#include "script.h"

namespace cli {

// Runs a sing, voice or vibrato line: returns false when the line is none of them (a bare
// `sing`, the library's operation, is left to the script). A line that cannot be sung is
// diagnosed as NAME:LINE:COLUMN: error: and writes nothing.
bool sing_line(const std::string& name, int line, const std::string& text, RunReport& report);

}  // namespace cli

#endif  // SPEECHSCORE_CLI_SING_H
