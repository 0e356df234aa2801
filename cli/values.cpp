// Reading the values of a script: numbers exactly as strtod reads them in the C locale, integers,
// statement letters, colour and pointer names, note names and frequencies; and the words the
// messages use for quantities, ranges and misspelt names.
#include <locale.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "outputs.h"
#include "script.h"

namespace cli {
namespace {

// The C locale, whatever locale the process runs in: a script reads the same everywhere.
locale_t c_locale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

enum class NumberRead { Ok, NotANumber, NotFinite, TooLarge };

// Reads the whole text as one number, as strtod reads it in the C locale.
NumberRead read_number(const std::string& text, double& value) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) {
        return NumberRead::NotANumber;
    }
    errno = 0;
    char* end = nullptr;
    value = strtod_l(text.c_str(), &end, c_locale());
    if (end == text.c_str() || *end != '\0') return NumberRead::NotANumber;
    if (std::isnan(value)) return NumberRead::NotFinite;
    if (std::isinf(value)) return errno == ERANGE ? NumberRead::TooLarge : NumberRead::NotFinite;
    return NumberRead::Ok;  // an underflow reads as the C++ literal does: 0 or a subnormal
}

// The problem of a token that is a number but not a finite one.
std::string non_finite_problem(NumberRead read, const std::string& text) {
    if (read == NumberRead::TooLarge) return clipped(text) + " is beyond the range of a double";
    return quoted(text) + " is not a finite number";
}

bool read_integer(const std::string& text, int& value, std::string& problem) {
    double number = 0;
    const NumberRead read = read_number(text, number);
    if (read == NumberRead::NotANumber) return false;
    if (read != NumberRead::Ok) {
        problem = non_finite_problem(read, text);
        return false;
    }
    if (number != std::trunc(number)) {
        problem = clipped(text) + " is not an integer";
        return false;
    }
    if (number < INT_MIN || number > INT_MAX) {
        problem = clipped(text) + " is outside the range of an int";
        return false;
    }
    value = static_cast<int>(number);
    return true;
}

// A frequency written with its unit: 130.8Hz.
bool read_hz(const std::string& text, double& hz, std::string& problem) {
    const std::string unit = "Hz";
    if (text.size() <= unit.size() || text.compare(text.size() - unit.size(), unit.size(), unit)) {
        return false;
    }
    const std::string digits = text.substr(0, text.size() - unit.size());
    const NumberRead read = read_number(digits, hz);
    if (read == NumberRead::NotANumber) return false;
    if (read != NumberRead::Ok) {
        problem = non_finite_problem(read, text);
        return false;
    }
    if (!(hz > 0)) {
        problem = clipped(text) + " is not a frequency above 0 Hz";
        return false;
    }
    return true;
}

// What the names of a kind are called in messages.
const char* name_word(Kind kind) {
    switch (kind) {
        case Kind::Colour:
            return "colour";
        case Kind::Nasal:
            return "nasal pointer";
        case Kind::Tracheal:
            return "tracheal pointer";
        case Kind::DeltaF1:
            return "delta-F1 symbol";
        default:
            return "name";
    }
}

bool read_named(const std::string& text, Kind kind, int& value, std::string& problem) {
    if (read_integer(text, value, problem)) return true;
    if (!problem.empty()) return false;
    std::vector<std::string> candidates;
    for (const NamedValue& n : names_of(kind)) {
        if (text == n.name) {
            value = n.value;
            return true;
        }
        candidates.push_back(n.name);
    }
    problem = std::string("unknown ") + name_word(kind) + " name " + quoted(text);
    const std::string hint = suggestion(text, candidates);
    if (!hint.empty()) problem += " (" + hint + ")";
    return false;
}

bool read_pitch(const std::string& text, double& value, std::string& problem) {
    const NumberRead read = read_number(text, value);
    if (read == NumberRead::Ok) return true;
    if (read != NumberRead::NotANumber) {
        problem = non_finite_problem(read, text);
        return false;
    }
    double hz = 0;
    if (read_hz(text, hz, problem)) {
        value = pitch_of_hz(hz);
        if (std::isfinite(value)) return true;
        problem = clipped(text) + " is too low to have a finite pitch";
        return false;
    }
    if (!problem.empty()) return false;
    if (pitch_of_note(text, value)) return true;
    problem = quoted(text) + " is not a number, a note name or a frequency";
    return false;
}

// Case-blind optimal string alignment distance: insertions, deletions, substitutions and
// swaps of two neighbours each cost 1.
std::size_t distance(const std::string& a, const std::string& b) {
    const std::size_t n = a.size();
    const std::size_t m = b.size();
    std::vector<std::vector<std::size_t>> d(n + 1, std::vector<std::size_t>(m + 1));
    for (std::size_t i = 0; i <= n; ++i) d[i][0] = i;
    for (std::size_t j = 0; j <= m; ++j) d[0][j] = j;
    auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
    for (std::size_t i = 1; i <= n; ++i) {
        for (std::size_t j = 1; j <= m; ++j) {
            const std::size_t cost = lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && lower(a[i - 1]) == lower(b[j - 2]) &&
                lower(a[i - 2]) == lower(b[j - 1])) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[n][m];
}

}  // namespace

namespace {

// Where a long text is cut: at kShownBytes, moved back to the start of a UTF-8 sequence.
std::size_t cut_of(const std::string& text) {
    if (text.size() <= kShownBytes) return text.size();
    std::size_t end = kShownBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return end;
}

}  // namespace

std::string clipped(const std::string& text) {
    const std::size_t end = cut_of(text);
    if (end == text.size()) return text;
    return text.substr(0, end) + "... (" + std::to_string(text.size()) + " bytes)";
}

std::string clipped_words(const std::string& message) {
    std::string out;
    for (std::size_t at = 0; at < message.size();) {
        std::size_t end = message.find(' ', at);
        if (end == std::string::npos) end = message.size();
        out += clipped(message.substr(at, end - at));
        if (end < message.size()) out += ' ';
        at = end + 1;
    }
    return out;
}

std::string quoted(const std::string& text) {
    const std::size_t end = cut_of(text);
    const std::string shown = "'" + speechscore::outputs::printable(text.substr(0, end));
    if (end == text.size()) return shown + "'";
    return shown + "...' (" + std::to_string(text.size()) + " bytes)";
}

bool read_value(const Token& token, const Quantity& quantity, Arg& value, std::string& problem) {
    problem.clear();
    const std::string& text = token.text;
    value = {0.0, 0, '\0'};
    switch (quantity.kind) {
        case Kind::Letter:
            if (text.size() == 1 && std::isalpha(static_cast<unsigned char>(text[0]))) {
                value.letter = text[0];
                return true;
            }
            problem =
                quoted(text) + (text.size() == 1 ? " is not a letter" : " is not a single letter");
            return false;
        case Kind::Pitch:
            return read_pitch(text, value.number, problem);
        case Kind::Integer:
            if (read_integer(text, value.integer, problem)) return true;
            if (problem.empty()) problem = quoted(text) + " is not a number";
            return false;
        case Kind::Colour:
        case Kind::Nasal:
        case Kind::Tracheal:
        case Kind::DeltaF1:
            return read_named(text, quantity.kind, value.integer, problem);
        case Kind::Frequency:
            if (read_hz(text, value.number, problem)) return true;
            if (!problem.empty()) return false;
            break;
        case Kind::Number:
            break;
    }
    const NumberRead read = read_number(text, value.number);
    if (read == NumberRead::Ok) return true;
    problem = read == NumberRead::NotANumber ? quoted(text) + " is not a number"
                                             : non_finite_problem(read, text);
    return false;
}

std::string number_text(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

bool in_range(const Quantity& q, double value) {
    const Range& r = q.range;
    const bool aboveLow = r.lowIncluded ? value >= r.low : value > r.low;
    const bool belowHigh = r.highIncluded ? value <= r.high : value < r.high;
    return aboveLow && belowHigh;
}

std::string range_text(const Quantity& q) {
    const Range& r = q.range;
    const bool hasLow = r.low != -kUnbounded;
    const bool hasHigh = r.high != kUnbounded;
    const std::string low = number_text(r.low);
    const std::string high = number_text(r.high);
    // The notation of the reference: "> 0", "up to 100", "strictly between 0 and 12", "0..47",
    // "0..8000 inclusive", "37 or 38".
    const bool integer = q.kind != Kind::Number && q.kind != Kind::Frequency &&
                         q.kind != Kind::Pitch && q.kind != Kind::Letter;
    if (hasLow && hasHigh) {
        if (!r.lowIncluded && !r.highIncluded) return "strictly between " + low + " and " + high;
        if (r.lowIncluded && r.highIncluded) {
            if (integer) return r.high - r.low == 1 ? low + " or " + high : low + ".." + high;
            return low + ".." + high + " inclusive";
        }
        return (r.lowIncluded ? ">= " : "> ") + low + " and " + (r.highIncluded ? "<= " : "< ") +
               high;
    }
    if (hasLow) return (r.lowIncluded ? ">= " : "> ") + low;
    if (hasHigh) return (r.highIncluded ? "up to " : "< ") + high;
    return "";
}

std::string describe(const Quantity& q) {
    const char first = static_cast<char>(std::tolower(static_cast<unsigned char>(q.unit[0])));
    std::string text = std::string(std::strchr("aeiou", first) != nullptr ? "an " : "a ") + q.unit;
    const std::string range = range_text(q);
    if (!range.empty()) text += ", " + range;
    switch (q.kind) {
        case Kind::Pitch:
            text += ", or a note name such as C3, Bb4 or F#2, or a frequency such as 130.8Hz";
            break;
        case Kind::Colour:
        case Kind::Nasal:
        case Kind::Tracheal:
        case Kind::DeltaF1:
            if (!names_of(q.kind).empty())
                text += std::string(", or a ") + name_word(q.kind) + " name";
            break;
        default:
            break;
    }
    return text;
}

std::string suggestion(const std::string& word, const std::vector<std::string>& candidates) {
    // No name is that long: a longer word gets no search, so any word is diagnosed at once.
    if (word.size() > kLongestSuggested) return "";
    // A name within a third of its length (at least 1, at most 3 edits) is worth suggesting.
    const std::size_t limit = std::min<std::size_t>(3, std::max<std::size_t>(1, word.size() / 3));
    std::size_t best = limit + 1;
    std::vector<std::string> closest;
    for (const std::string& candidate : candidates) {
        const std::size_t d = distance(word, candidate);
        if (d < best) {
            best = d;
            closest.clear();
        }
        if (d == best && std::find(closest.begin(), closest.end(), candidate) == closest.end()) {
            closest.push_back(candidate);
        }
    }
    if (closest.empty()) return "";
    if (closest.size() > 3) closest.resize(3);
    std::string text = "did you mean ";
    for (std::size_t i = 0; i < closest.size(); ++i) {
        if (i > 0) text += i + 1 == closest.size() ? " or " : ", ";
        text += quoted(closest[i]);
    }
    return text + "?";
}

}  // namespace cli
