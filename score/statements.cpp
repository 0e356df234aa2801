// Statement writers and error log: every "i" and "f" line of the score except the two that
// fine prints itself. Owns the p-field buffer and the error count.
#include <cmath>

#include "output.h"
#include "reports.h"
#include "speechscore.h"

double pfields[50] = {};  // entry n is p-field n+1 of the statement being built
int nerrors = 0;          // errors reported since the last start1

namespace {

using output::Fixed;

const int kPfieldCount = 50;

// Counts above the buffer size are read as the whole buffer, never past it.
int clamp_count(int count) { return count > kPfieldCount ? kPfieldCount : count; }

// Instrument or table number, start and duration: the same for every writer.
const Fixed kHead[3] = {{3, 0}, {9, 4}, {7, 4}};

// Writes the statement of count p-fields: the letter, the head, fields 4 to count-1 in body,
// the last one in last. A statement with a field that is not a finite number is reported
// (catch-all code) instead, so that Csound never reads nan or inf.
void write_statement(char kind, int count, Fixed body, Fixed last) {
    const int n = clamp_count(count);
    for (int i = 0; i < (n > 3 ? n : 3); ++i) {
        if (!std::isfinite(pfields[i])) {
            err(0, count);
            return;
        }
    }
    output::Line line;
    line.letter(kind);
    for (int i = 0; i < 3; ++i) line.number(pfields[i], kHead[i]).letter(' ');
    for (int i = 3; i < n; ++i) line.number(pfields[i], i == n - 1 ? last : body).letter(' ');
    line.letter('\n').write();
}

}  // namespace

namespace output {

void report(int code, const double* fields, int count) {
    Line line;
    line.text(reports::of_code(code).text).text(";i").number(fields[0], {3, 0});
    for (int n = 1; n < clamp_count(count); ++n) line.number(fields[n], {9, 4}).text("  ");
    line.letter('\n').write();
    count_error();
}

bool check_finite(double value, int code, int count) {
    if (std::isfinite(value)) return true;
    err(code, count);
    return false;
}

}  // namespace output

// Writes one statement with the source-track format: p4 onward as "%5.3f ".
void wr(char kind, int count) { write_statement(kind, count, {5, 3}, {5, 3}); }

// Writes one statement with the filter format: p4 onward as "%5.1f ".
void wrfilt(char kind, int count) { write_statement(kind, count, {5, 1}, {5, 1}); }

// Writes the F4_8 statement: whole numbers up to the last field, which gets one decimal.
void wrf4_8(char kind, int count) { write_statement(kind, count, {4, 0}, {6, 1}); }

// Prints the message of code and an echo comment of count p-fields; counts one error.
void err(int code, int count) { output::report(code, pfields, count); }
