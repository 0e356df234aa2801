// Statement writers and error log: every "i" and "f" line of the score except the two that
// fine prints itself. Owns the p-field buffer and the error count.
#include <cstdio>

#include "speechscore.h"

double pfields[50] = {};  // entry n is p-field n+1 of the statement being built
int nerrors = 0;          // errors reported since the last start1

namespace {

const int kPfieldCount = 50;

// Counts above the buffer size are read as the whole buffer, never past it.
int clamp_count(int count) { return count > kPfieldCount ? kPfieldCount : count; }

// Letter, instrument or table number, start and duration: the same for every writer.
void write_head(char kind) {
    std::printf("%c", kind);
    std::printf("%3.0f ", pfields[0]);
    std::printf("%9.4f ", pfields[1]);
    std::printf("%7.4f ", pfields[2]);
}

void write_fields(int first, int last, const char* format) {
    for (int n = first; n < last; ++n) std::printf(format, pfields[n]);
}

// Message per error code; codes 0, 7, 12, 14 and all others share the catch-all.
const char* const kMessages[16] = {
    nullptr,                                   // 0
    "Error: <limit> <= 0.\n",                  // 1
    "Error: <loudness> out-of-range.\n",       // 2
    "Error: <duration> <= 0.\n",               // 3
    "Error: <pitch> out-of-range.\n",          // 4
    "Error: <open quotient> out-of-range.\n",  // 5
    "Error: <color symbol> is wrong.\n",       // 6
    nullptr,                                   // 7
    "Error: <tracheal pointer> is wrong.\n",   // 8
    "Error: <delta F1 symbol> is wrong.\n",    // 9
    "Error: <output switch> is wrong.\n",      // 10
    "Error: <source switch> is wrong.\n",      // 11
    nullptr,                                   // 12
    "Error: <tilt> out-of-range.\n",           // 13
    nullptr,                                   // 14
    "Error: <TTO operation> is wrong.\n",      // 15
};
const char kCatchAll[] = "Odd error: Email: speechscore-maintainers@lists.speechscore.org.\n";

}  // namespace

// Writes one statement with the source-track format: p4 onward as "%5.3f ".
void wr(char kind, int count) {
    write_head(kind);
    write_fields(3, clamp_count(count), "%5.3f ");
    std::printf("\n");
}

// Writes one statement with the filter format: p4 onward as "%5.1f ".
void wrfilt(char kind, int count) {
    write_head(kind);
    write_fields(3, clamp_count(count), "%5.1f ");
    std::printf("\n");
}

// Writes the F4_8 statement: whole numbers up to the last field, which gets one decimal.
void wrf4_8(char kind, int count) {
    const int n = clamp_count(count);
    write_head(kind);
    if (n >= 4) {
        write_fields(3, n - 1, "%4.0f ");
        std::printf("%6.1f ", pfields[n - 1]);
    }
    std::printf("\n");
}

// Prints the message of code and an echo comment of count p-fields; counts one error.
void err(int code, int count) {
    const char* message = code >= 0 && code < 16 ? kMessages[code] : nullptr;
    std::printf("%s", message != nullptr ? message : kCatchAll);
    std::printf(";i%3.0f", pfields[0]);
    write_fields(1, clamp_count(count), "%9.4f  ");
    std::printf("\n");
    ++nerrors;
}
