// Line buffer of the score and the error count's step: every number the library prints goes
// through Line::number. Owns the line buffer.
#include "output.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "speechscore.h"

namespace {

// The longest line: an echo or statement of 50 fields, each at most 317 characters ("-", 309
// digits, ".", 6 decimals) and two blanks, after a message line.
const int kLineSize = 1 << 15;
char buffer[kLineSize];
int used = 0;

void append(const char* s, int n) {
    if (n > kLineSize - used) n = kLineSize - used;  // cannot happen with the library's lines
    std::memcpy(buffer + used, s, static_cast<size_t>(n));
    used += n;
}

}  // namespace

namespace output {

Line::Line() { used = 0; }

Line& Line::text(const char* s) {
    append(s, static_cast<int>(std::strlen(s)));
    return *this;
}

Line& Line::letter(char c) {
    append(&c, 1);
    return *this;
}

Line& Line::number(double value, Fixed format) {
    char digits[400];
    const std::to_chars_result r =
        std::to_chars(digits, digits + sizeof digits, std::isfinite(value) ? value : 0.0,
                      std::chars_format::fixed, format.precision);
    const int n = static_cast<int>(r.ptr - digits);
    for (int pad = format.width - n; pad > 0; --pad) letter(' ');
    append(digits, n);
    return *this;
}

void Line::write() { std::fwrite(buffer, 1, static_cast<size_t>(used), stdout); }

void count_error() {
    if (nerrors < INT_MAX) ++nerrors;
}

}  // namespace output
