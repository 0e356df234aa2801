// Private to cli/: the tables the script runner reads (operations with their parameters, exported
// variables), the reading of a script line into a statement, and the running of a whole script.
#ifndef SPEECHSCORE_CLI_SCRIPT_H
#define SPEECHSCORE_CLI_SCRIPT_H

#include <cstddef>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "../score/reports.h"

namespace cli {

// How an argument is written in a script and which C++ type it becomes.
enum class Kind {
    Number,     // double: a number as strtod reads it
    Frequency,  // double in Hz: a number, optionally written with Hz (500Hz)
    Pitch,     // double, octave-point-decimal: a number, a note name (Bb4) or a frequency (130.8Hz)
    Integer,   // int: a number with an integral value
    Colour,    // int: a colour symbol or a colour name
    Nasal,     // int: a nasal pointer or its name
    Tracheal,  // int: a tracheal pointer or its name
    DeltaF1,   // int: a delta-F1 symbol or its name
    Letter,    // char: one character, the statement letter
};

constexpr double kUnbounded = std::numeric_limits<double>::infinity();

// Valid values of a quantity; a bound of +-kUnbounded is no bound.
struct Range {
    double low;
    double high;
    bool lowIncluded;
    bool highIncluded;
};

// What a parameter is: how it is written, its unit, its valid range and the report the library
// prints into the score for a value outside that range (Tag::None when it checks nothing).
struct Quantity {
    Kind kind;
    const char* unit;
    Range range;
    reports::Tag report;
};

struct Param {
    const char* name;
    const Quantity* quantity;
};

// One argument as the called function takes it.
struct Arg {
    double number;
    int integer;
    char letter;
};

using Invoker = int (*)(const Arg* args);

// What the runner does around a call besides calling it.
enum class Role {
    Call,    // an ordinary call
    Fine,    // fine: closes the score; not called by --check
    Report,  // err: its report in the score is what was asked for
    Result,  // clrTTO: returns an int, shown on standard error
};

constexpr int kMaxParams = 17;

// One exported operation: its name, how to call it, its parameters in order, and for the
// segment builders the shared spans and levels it computes from its arguments, as
// "NAME = formula" entries separated by '|' (a span of 0 or less, or a level above 100, in one
// of them explains a report when no argument is out of range).
struct Operation {
    const char* name;
    Invoker invoke;
    const char* types;  // one letter per parameter, from the signature: d double, i int, c char
    Role role;
    const char* derived;
    Param params[kMaxParams];
};

// One exported variable, array or table: a double or an int, with its shape.
struct Variable {
    const char* name;
    double* number;  // exactly one of number and integer is set
    int* integer;
    int rows;                  // 0 for a scalar
    int columns;               // 0 for a scalar or an array
    const Quantity* quantity;  // how a value is written (names, unit); nullptr: a plain number
};

const Operation* operations(std::size_t& count);
const Variable* variables(std::size_t& count);
const Operation* find_operation(const std::string& name);
const Variable* find_variable(const std::string& name);

// The quantity of a variable's value: its own, or a plain number or integer.
const Quantity& value_quantity(const Variable& v);

// A name the user may write for a number: a colour, a pointer or a symbol.
struct NamedValue {
    const char* name;
    int value;
};
// The names a kind accepts (colour names for Kind::Colour...); empty for the others.
std::vector<NamedValue> names_of(Kind kind);

// Octave-point-decimal pitch of a frequency in Hz, and of a note name such as C3, Bb4 or F#2
// (false when the text is no note name).
double pitch_of_hz(double hz);
bool pitch_of_note(const std::string& text, double& pitch);

// ---- Reading values ---------------------------------------------------------------------------

// A word of a script line and the column (1-based, in bytes) where it starts.
struct Token {
    std::string text;
    int column;
};

// Reads a token as a value of the quantity. On failure returns false and sets problem to what
// is wrong with the token ("'abc' is not a number", with a suggestion where one fits).
bool read_value(const Token& token, const Quantity& quantity, Arg& value, std::string& problem);

// What a quantity is, for messages: "octave-point-decimal pitch, strictly between 0 and 12, or
// a note name such as C3, Bb4 or F#2, or a frequency such as 130.8Hz".
std::string describe(const Quantity& q);

// Its valid range in words ("strictly between 0 and 12"); empty when any value goes.
std::string range_text(const Quantity& q);

bool in_range(const Quantity& q, double value);

// Messages show at most this many bytes of a word the script wrote.
constexpr std::size_t kShownBytes = 64;

// Text in single quotes as the messages show it, control characters as \xNN; a word longer
// than kShownBytes is cut there and its length given: 'VOWVOW...' (1048576 bytes).
std::string quoted(const std::string& text);

// The text as it is, cut like quoted cuts it.
std::string clipped(const std::string& text);

// A message with each of its words (runs without a space) cut like clipped cuts it.
std::string clipped_words(const std::string& message);

// A number as the messages print it (%g).
std::string number_text(double value);

// The closest candidates to word (edit distance, case ignored first), as "did you mean 'X'?"
// or "did you mean 'X' or 'Y'?"; empty when none is close, and for a word longer than
// kLongestSuggested (no name is that long), so that the time stays linear in the word.
constexpr std::size_t kLongestSuggested = 64;
std::string suggestion(const std::string& word, const std::vector<std::string>& candidates);

// ---- Reading a line ---------------------------------------------------------------------------

struct Statement {
    enum class Type { Empty, Call, Assign } type = Type::Empty;
    const Operation* op = nullptr;
    std::vector<Arg> args;
    std::vector<Token> tokens;  // the argument tokens of a call
    const Variable* var = nullptr;
    int index[2] = {0, 0};
    Arg value = {0.0, 0, '\0'};
    Token valueToken;
    int nameColumn = 1;
};

struct Diagnostic {
    int column;
    std::string message;
};

// Reads one line of a script (without its line end). Returns false with the diagnostic when
// the line cannot be run.
bool parse_line(const std::string& line, Statement& statement, Diagnostic& error);

// ---- Listing what a script can use -----------------------------------------------------------

// Prints every operation with its parameter names, then every variable with its shape.
void print_list(std::FILE* out);

// Prints what each span and level a segment builder or duration driver derives is (D1, DS,
// DA, L1 ...), when op is one; nothing for other operations.
void print_phases(std::FILE* out, const char* op);

// Prints the parameters of an operation (and the phases of a builder), or the type and shape
// of a variable. Returns false
// (with a message on err) when there is no such name.
bool print_description(std::FILE* out, std::FILE* err, const std::string& name);

// ---- Running a script -------------------------------------------------------------------------

// What a run tells the process that started it; it lives in memory shared with that process,
// so it survives the exit inside fine.
struct RunReport {
    int scriptErrors;   // lines that could not be run
    int libraryErrors;  // errors the library counted during the calls
    int fineLine;       // line of the first fine, 0 when none was called
    double scoreEnd;    // latest time line of any track, seconds
    int writeFailed;    // the errno of a failed write of the score, 0 when none failed
    int labelsFailed;   // 1 when the TextGrid of --labels could not be written (said)
};

// The measure each line of the script starts in, when the script sings a song file (the runner
// sets it before a run; empty for a script of one's own): messages on those lines name the
// measure, as the song reader's own do.
void set_song_places(std::vector<std::string> places);

// Where a message on line and column (both from 1) points: "NAME:LINE:COLUMN", or
// "NAME: measure M" on a line of a song's script that starts in measure M.
std::string place_of(const std::string& name, int line, std::size_t column);

// Runs the script text line by line with the library, writing the score to outFd (or nowhere
// when check is set: then fine is not called and nothing is written). Diagnostics go to
// standard error as NAME:LINE:COLUMN: error: .... Returns the exit status of the run.
int run_script(const std::string& name, const std::string& text, bool check, int outFd,
               RunReport& report);

// Tells the run in progress that its output (the score, or the expanded script) lost a write:
// errno's value, or EIO. The run then ends with status 2 and leaves its -o file as it was.
void note_write_failure(int error);

}  // namespace cli

#endif  // SPEECHSCORE_CLI_SCRIPT_H
