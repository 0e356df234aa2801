// The table of the library's reports: err's message per code and the two comments of the tempo
// operations, each with the tag its readers ask for.
#include "reports.h"

#include <iterator>

namespace reports {
namespace {

// clang-format off
// Codes 0, 7, 12, 14 and every code outside 1..15 print the catch-all (the row of code 0).
const Report kReports[] = {
//   tag                 code  name                text
    {Tag::Odd,             0,  "odd",              "Odd error: Email: speechscore-maintainers@lists.speechscore.org.\n"},
    {Tag::Limit,           1,  "limit",            "Error: <limit> <= 0.\n"},
    {Tag::Loudness,        2,  "loudness",         "Error: <loudness> out-of-range.\n"},
    {Tag::Duration,        3,  "duration",         "Error: <duration> <= 0.\n"},
    {Tag::Pitch,           4,  "pitch",            "Error: <pitch> out-of-range.\n"},
    {Tag::OpenQuotient,    5,  "open quotient",    "Error: <open quotient> out-of-range.\n"},
    {Tag::Colour,          6,  "color symbol",     "Error: <color symbol> is wrong.\n"},
    {Tag::Tracheal,        8,  "tracheal pointer", "Error: <tracheal pointer> is wrong.\n"},
    {Tag::DeltaF1,         9,  "delta F1 symbol",  "Error: <delta F1 symbol> is wrong.\n"},
    {Tag::Output,         10,  "output switch",    "Error: <output switch> is wrong.\n"},
    {Tag::Source,         11,  "source switch",    "Error: <source switch> is wrong.\n"},
    {Tag::Tilt,           13,  "tilt",             "Error: <tilt> out-of-range.\n"},
    {Tag::Tto,            15,  "TTO operation",    "Error: <TTO operation> is wrong.\n"},
    {Tag::Tempo,          -1,  "tempo",            "; TEMPO SPEC. IS WRONG; WILL USE MM=60. \n"},
    {Tag::Mark,           -1,  "mark",             "; BAD MM mark; master envelope cancelled. \n"},
};
// clang-format on

}  // namespace

const Report& of_code(int code) {
    for (const Report& r : kReports) {
        if (r.code == code && code >= 0) return r;
    }
    return kReports[0];
}

const Report& of_tag(Tag tag) {
    for (const Report& r : kReports) {
        if (r.tag == tag) return r;
    }
    return kReports[0];
}

const Report* of_line(std::string_view line) {
    for (const Report& r : kReports) {
        const std::string_view text(r.text);
        if (line == text.substr(0, text.size() - 1)) return &r;
    }
    return nullptr;
}

}  // namespace reports
