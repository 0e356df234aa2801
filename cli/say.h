// Private to cli/: the say statement of call scripts (the words layer), --expand and --labels.
#ifndef SPEECHSCORE_CLI_SAY_H
#define SPEECHSCORE_CLI_SAY_H

#include <cstddef>
#include <string>
#include <vector>

#include "script.h"

namespace speechscore::words {
struct Call;
struct Labels;
}  // namespace speechscore::words

namespace cli {

// Where --expand writes the expanded script (-1: not expanding) and where --labels writes the
// TextGrid (-1: nowhere; path names it in messages). Set before the run.
void set_expand_output(int fd);
void set_labels_output(int fd, const std::string& path);

// Runs a say line: returns false when the line is no say statement. A line that cannot be said
// is diagnosed as NAME:LINE:COLUMN: error: and writes nothing. While expanding, the calls it
// made are written as plain call lines.
bool say_line(const std::string& name, int line, const std::string& text, RunReport& report);

// The words and phones --labels collects, for the sing statement to add its own to (nullptr
// when no TextGrid is asked for); write_collected_labels writes them out once, as the score
// closes.
speechscore::words::Labels* collected_labels();
bool write_collected_labels(const std::string& name);  // false: not written (said)

// Where the score's tracks (instruments 10 to 27) have got to: the latest of their ends.
double score_end();

// Before a say or sing line runs: a warning at its column when the tracks do not end together
// (an operation of one track before it), since the phrase starts on each where it ends.
void warn_uneven_tracks(const std::string& name, int line, std::size_t at);

// After the calls of a say or sing line ran: reports the errors the library counted since
// `before` at the line's column ("say: the library counted N errors for this phrase"), copies
// the calls to the expanded script and moves the score's end.
void finish_line(const std::string& name, int line, std::size_t at, int before,
                 const char* statement, const char* unit,
                 const std::vector<speechscore::words::Call>& calls, RunReport& report);

// While expanding, copies a line that is not a say statement to the expanded script.
void expand_line(const std::string& text);

}  // namespace cli

#endif  // SPEECHSCORE_CLI_SAY_H
