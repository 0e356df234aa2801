// Private to the library: the one way a line of the score is formatted and written, and the
// one way an error is counted. Numbers are converted with std::to_chars, which gives printf's
// digits in the C locale whatever locale the client set, into a line buffer that goes out with
// one fwrite.
#ifndef SPEECHSCORE_SCORE_OUTPUT_H
#define SPEECHSCORE_SCORE_OUTPUT_H

namespace output {

// printf's "%W.Pf": at least W columns, right-aligned with blanks, P decimals; never truncated.
struct Fixed {
    int width;
    int precision;
};

// One line of the score, built in a buffer of the library's own and written at once. One line
// is built at a time: a new Line starts the buffer afresh.
class Line {
public:
    Line();
    Line& text(const char* s);
    Line& letter(char c);
    // A value that is not a finite number is shown as 0: echo and comment lines never show
    // nan or inf (statements are checked before they are formatted).
    Line& number(double value, Fixed format);
    // Writes the line to standard output with one call.
    void write();
};

// Adds one error to nerrors; the count stops at the largest int instead of overflowing.
void count_error();

// Reports an error as err does, with an echo of count values of fields instead of pfields.
void report(int code, const double* fields, int count);

// Reports value with err(code, count) when it is not a finite number. Returns whether it is.
bool check_finite(double value, int code, int count);

}  // namespace output

#endif
