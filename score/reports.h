// Private to the library and its own front ends (the script runner, the tests, the fuzzers):
// every report the library prints into a score, by tag and code, so that a program that reads a
// score asks which report a line is instead of matching its wording. Not installed.
#ifndef SPEECHSCORE_SCORE_REPORTS_H
#define SPEECHSCORE_SCORE_REPORTS_H

#include <string_view>

namespace reports {

// What a report says is wrong; one tag per row of the table.
enum class Tag {
    None,  // no report (a parameter the library does not check)
    Limit,
    Loudness,
    Duration,
    Pitch,
    OpenQuotient,
    Colour,
    Tracheal,
    DeltaF1,
    Output,
    Source,
    Tilt,
    Tto,
    Odd,    // the catch-all of err
    Tempo,  // metronome's fallback to 60 (not counted as an error)
    Mark,   // glMM's bad metronome mark (counted)
};

struct Report {
    Tag tag;
    int code;          // the code err prints it for; -1 for the comments of the tempo operations
    const char* name;  // the tag in words, for messages: "pitch"
    const char* text;  // the line as printed, line end included
};

// The report err prints for code: its own row, or the catch-all.
const Report& of_code(int code);

// The row of tag (tag is not Tag::None).
const Report& of_tag(Tag tag);

// The report a line of the score is (the line without its line end), or nullptr.
const Report* of_line(std::string_view line);

}  // namespace reports

#endif  // SPEECHSCORE_SCORE_REPORTS_H
