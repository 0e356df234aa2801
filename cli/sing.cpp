// The sing statement, `sing "twin-kle twin-kle" C4/1 C4/1 G4/1 G4/1`, and the voice and
// vibrato statements that shape it. A lyric is words of syllables joined by "-"; "_" holds the
// syllable before over the next note (a melisma). A note is NAME/BEATS (C4/1, F#3/0.5,
// Bb4/2/3), a rest r/BEATS; "~" after a note ties it to the next of the same pitch; ":mf" (ppp
// .. fff) sets the voicing level from the note on, ":<" and ":>" glide it to the next mark.
#include "sing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "say.h"
#include "speechscore.h"
#include "speechscore_sing.h"

namespace cli {
namespace {

namespace ss = speechscore::sing;
namespace sw = speechscore::words;

// What the statements set, for the rest of the script.
const ss::Voice* g_voice = nullptr;
ss::Vibrato g_vibrato;
double g_level = 0;  // dB of the last dynamic mark

struct Error {
    std::size_t column;
    std::string message;
};

// Voicing level of a dynamic mark, dB from mf: about 4 dB a step, the range of sung vowels'
// levels from pp to ff (about 20 dB).
bool dynamic_db(const std::string& mark, double& db) {
    static const struct {
        const char* mark;
        double db;
    } kMarks[] = {{"ppp", -15}, {"pp", -11}, {"p", -7}, {"mp", -3},
                  {"mf", 0},    {"f", 3},    {"ff", 6}, {"fff", 9}};
    for (const auto& m : kMarks) {
        if (mark == m.mark) {
            db = m.db;
            return true;
        }
    }
    return false;
}

bool read_number(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end == text.c_str() + text.size() && std::isfinite(value);
}

// A length in beats: a number or a fraction n/m.
bool read_beats(const std::string& text, double& beats) {
    const std::size_t slash = text.find('/');
    if (slash == std::string::npos) return read_number(text, beats) && beats > 0;
    double n = 0;
    double m = 0;
    if (!read_number(text.substr(0, slash), n) || !read_number(text.substr(slash + 1), m) ||
        !(m > 0))
        return false;
    beats = n / m;
    return beats > 0 && std::isfinite(beats);
}

struct Piece {
    std::string text;
    std::size_t column;
};

std::vector<Piece> split_words(const std::string& line, std::size_t at) {
    std::vector<Piece> out;
    while (at < line.size()) {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
        if (at >= line.size() || line[at] == '#') break;
        std::size_t stop = at;
        while (stop < line.size() && line[stop] != ' ' && line[stop] != '\t') ++stop;
        out.push_back({line.substr(at, stop - at), at});
        at = stop;
    }
    return out;
}

// The lyric: syllables and what each note takes from it (a syllable's index, or -1 to hold).
bool read_lyric(const std::string& lyric, std::size_t column, ss::Line& out,
                std::vector<int>& items, std::vector<std::size_t>& columns, Error& e) {
    std::size_t at = 0;
    while (at < lyric.size()) {
        while (at < lyric.size() && (lyric[at] == ' ' || lyric[at] == '\t')) ++at;
        if (at >= lyric.size()) break;
        std::size_t stop = at;
        while (stop < lyric.size() && lyric[stop] != ' ' && lyric[stop] != '\t') ++stop;
        // A word: its syllables between hyphens; "_" holds.
        std::size_t from = at;
        bool any = false;
        while (from <= stop) {
            std::size_t dash = lyric.find('-', from);
            if (dash == std::string::npos || dash > stop) dash = stop;
            const std::string part = lyric.substr(from, dash - from);
            if (part == "_") {
                items.push_back(-1);
                columns.push_back(column + from);
            } else if (!part.empty()) {
                out.syllables.push_back({part, false});
                items.push_back(static_cast<int>(out.syllables.size()) - 1);
                columns.push_back(column + from);
                any = true;
            }
            from = dash + 1;
        }
        if (any) out.syllables.back().wordEnd = true;
        at = stop;
    }
    if (out.syllables.empty()) {
        e = {column, "the lyric has no syllable"};
        return false;
    }
    return true;
}

// The notes: each takes the next lyric item; a tie continues the note before.
bool read_notes(const std::vector<Piece>& tokens, std::size_t& k, ss::Line& out,
                const std::vector<int>& items, const std::vector<std::size_t>& itemColumns,
                std::vector<std::size_t>& noteColumns, Error& e) {
    std::size_t next = 0;
    bool tied = false;
    double tiedHz = 0;
    std::vector<int> marks;  // per note: 0 none, 1 a level, 2 crescendo, 3 diminuendo
    std::vector<double> markDb;
    // Notes up to the options (name=value, no "/").
    auto option = [](const std::string& w) {
        return w.find('=') != std::string::npos && w.find('/') == std::string::npos;
    };
    for (; k < tokens.size() && !option(tokens[k].text); ++k) {
        std::string t = tokens[k].text;
        const std::size_t col = tokens[k].column;
        int mark = 0;
        double db = 0;
        double mm = 0;
        double glideBeats = 0;
        double glideMark = 0;
        const std::size_t colon = t.find(':');
        if (colon != std::string::npos) {
            // Marks after the note, each after a colon: a dynamic, < or >, mm=Q, gl=BEATS,Q.
            std::size_t from = colon + 1;
            while (from <= t.size()) {
                std::size_t stop = t.find(':', from);
                if (stop == std::string::npos) stop = t.size();
                const std::string m = t.substr(from, stop - from);
                const std::size_t comma = m.find(',');
                if (m == "<" || m == ">") {
                    mark = m == "<" ? 2 : 3;
                } else if (dynamic_db(m, db)) {
                    mark = 1;
                } else if (m.rfind("mm=", 0) == 0 && read_number(m.substr(3), mm) && mm >= 1 &&
                           mm <= 10000) {
                } else if (m.rfind("gl=", 0) == 0 && comma != std::string::npos &&
                           read_number(m.substr(3, comma - 3), glideBeats) && glideBeats > 0 &&
                           glideBeats <= 1e6 && read_number(m.substr(comma + 1), glideMark) &&
                           glideMark >= 1 && glideMark <= 10000) {
                } else {
                    e = {col + from, "'" + m +
                                         "' is no mark (ppp .. fff, < or >; mm=100 a tempo; "
                                         "gl=4,120 a tempo glide)"};
                    return false;
                }
                from = stop + 1;
            }
            t.resize(colon);
        }
        bool tie = false;
        if (!t.empty() && t.back() == '~') {
            tie = true;
            t.pop_back();
        }
        const std::size_t slash = t.find('/');
        double beats = 0;
        double hz = 0;
        const std::string name = t.substr(0, slash);
        if (slash == std::string::npos || !read_beats(t.substr(slash + 1), beats)) {
            e = {col, "note '" + tokens[k].text +
                          "': a note name and its length in beats (C4/1, F#3/0.5, r/1)"};
            return false;
        }
        if (name != "r" && !ss::note_hz(name, hz)) {
            // A note name whose pitch is out of range still has its Hz.
            e = {col, hz > 0 ? "'" + name + "' is out of a voice's reach (20 to 2000 Hz)"
                             : "'" + name + "' is no note name (C4, F#3, Bb5) or rest (r)"};
            return false;
        }
        if (tied && hz != tiedHz) {
            e = {col, "a tie joins notes of the same pitch"};
            return false;
        }
        // A tied note with a mark of its own holds the syllable as a note of its own, so that
        // the mark comes on its beat.
        if (tied && mark == 0 && mm == 0 && glideBeats == 0) {
            out.notes.back().beats += beats;
        } else {
            ss::Note n;
            n.beats = beats;
            n.hz = hz;
            if (tied) {
                n.syllable = -1;
            } else if (hz > 0) {
                if (next >= items.size()) {
                    e = {col, "no syllable left for this note (hold one with _ in the lyric)"};
                    return false;
                }
                const bool sung = std::any_of(out.notes.begin(), out.notes.end(),
                                              [](const ss::Note& o) { return o.syllable >= 0; });
                if (items[next] < 0 && !sung) {
                    e = {itemColumns[next], "'_' holds the syllable before it: this line has none"};
                    return false;
                }
                n.syllable = items[next++];
            }
            out.notes.push_back(n);
            noteColumns.push_back(col);
            marks.push_back(0);
            markDb.push_back(0);
        }
        if (mark != 0) {
            marks.back() = mark;
            markDb.back() = db;
        }
        if (mm > 0) out.notes.back().mark = mm;
        if (glideBeats > 0) {
            out.notes.back().glideBeats = glideBeats;
            out.notes.back().glideMark = glideMark;
        }
        tied = tie;
        tiedHz = hz;
        if (tie && hz == 0) {
            e = {col, "a rest cannot be tied"};
            return false;
        }
    }
    if (tied) {
        e = {tokens[k - 1].column, "the tie has no note to join"};
        return false;
    }
    if (next < items.size()) {
        e = {itemColumns[next], "this syllable and the rest of the lyric have no notes"};
        return false;
    }
    // Levels: marks set them, hairpins glide to the next mark (or 6 dB on at the line's end).
    std::vector<double> at(out.notes.size() + 1, 0);
    for (std::size_t j = 0; j < out.notes.size(); ++j) at[j + 1] = at[j] + out.notes[j].beats;
    for (std::size_t j = 0; j < out.notes.size();) {
        if (marks[j] == 1) g_level = markDb[j];
        if (marks[j] < 2) {
            out.notes[j].level = out.notes[j].levelEnd = g_level;
            ++j;
            continue;
        }
        std::size_t m = j + 1;
        while (m < out.notes.size() && marks[m] != 1) ++m;
        const double from = g_level;
        const double to = m < out.notes.size() ? markDb[m] : from + (marks[j] == 2 ? 6 : -6);
        for (std::size_t q = j; q < m; ++q) {
            const double span = at[m] - at[j];
            out.notes[q].level = from + (to - from) * (at[q] - at[j]) / span;
            out.notes[q].levelEnd = from + (to - from) * (at[q + 1] - at[j]) / span;
        }
        g_level = to;
        j = m;
    }
    return true;
}

// Where a sing line's syllables, notes and lang= option stand (0-based columns).
struct Places {
    std::vector<std::size_t> syllables, notes;
    std::size_t lang = std::string::npos;
};

bool read_sing(const std::string& line, std::size_t at, ss::Line& out, ss::Options& o,
               Places& places, Error& e) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    if (at >= line.size() || line[at] != '"') {
        e = {at, "sing needs a lyric in double quotes and its notes"};
        return false;
    }
    const std::size_t end = line.find('"', at + 1);
    if (end == std::string::npos) {
        e = {at, "the lyric has no closing \""};
        return false;
    }
    std::vector<int> items;
    std::vector<std::size_t> columns;
    if (!read_lyric(line.substr(at + 1, end - at - 1), at + 1, out, items, columns, e))
        return false;
    const std::vector<Piece> tokens = split_words(line, end + 1);
    std::size_t k = 0;
    if (!read_notes(tokens, k, out, items, columns, places.notes, e)) return false;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i] >= 0) places.syllables.push_back(columns[i]);
    if (out.notes.empty()) {
        e = {end + 1, "sing needs notes after its lyric (C4/1 ...)"};
        return false;
    }
    for (; k < tokens.size(); ++k) {
        const std::string& w = tokens[k].text;
        const std::size_t eq = w.find('=');
        if (w.substr(0, eq) == "lang" && eq + 1 < w.size()) {
            o.lang = w.substr(eq + 1);
            places.lang = tokens[k].column;
        } else {
            e = {tokens[k].column, "unknown option '" + w.substr(0, eq) + "' (the option is lang)"};
            return false;
        }
    }
    return true;
}

// vibrato off | on | rate=HZ extent=CENTS delay=S
bool read_vibrato(const std::vector<Piece>& tokens, ss::Vibrato& v, Error& e) {
    if (tokens.empty()) {
        e = {7, "vibrato needs off, on, or settings: rate=5.5 extent=50 delay=0.2"};
        return false;
    }
    for (const Piece& t : tokens) {
        if (t.text == "off" || t.text == "on") {
            v.on = t.text == "on";
            continue;
        }
        const std::size_t eq = t.text.find('=');
        const std::string key = t.text.substr(0, eq);
        double value = 0;
        const bool number =
            eq != std::string::npos && read_number(t.text.substr(eq + 1), value) && value >= 0;
        if (key == "rate" && number && value >= 1 && value <= 12) {
            v.rate = value;
        } else if (key == "extent" && number && value <= 300) {
            v.extent = value;
        } else if (key == "delay" && number && value <= 10) {
            v.delay = value;
        } else {
            e = {t.column,
                 "vibrato setting '" + t.text +
                     "': off, on, rate=1..12 (Hz), extent=0..300 (cents), delay=0..10 (s)"};
            return false;
        }
        v.on = true;
    }
    return true;
}

bool starts_with_word(const std::string& text, std::size_t at, const char* word) {
    const std::size_t n = std::char_traits<char>::length(word);
    return text.compare(at, n, word) == 0 &&
           (at + n == text.size() || text[at + n] == ' ' || text[at + n] == '\t');
}

}  // namespace

bool sing_line(const std::string& name, int line, const std::string& text, RunReport& report,
               double& lead, const std::function<void(bool)>& before) {
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    Error e = {0, ""};
    auto fail = [&](const Error& err) {
        std::fprintf(stderr, "%s: error: %s\n", place_of(name, line, err.column + 1).c_str(),
                     clipped_words(err.message).c_str());
        ++report.scriptErrors;
        return true;
    };
    if (starts_with_word(text, at, "voice")) {
        const std::vector<Piece> t = split_words(text, at + 5);
        if (t.size() > 1 && ss::find_voice(t[0].text) != nullptr)
            return fail({t[1].column,
                         "voice takes one preset; '" + t[1].text + "' comes after " + t[0].text});
        if (t.size() != 1 || ss::find_voice(t[0].text) == nullptr)
            return fail({t.empty() ? at : t[0].column,
                         "voice needs one of bass, tenor, alto, soprano, child, breathy"});
        g_voice = ss::find_voice(t[0].text);
        fss = g_voice->fss;
        ass = g_voice->ass;
        char lines[96];
        std::snprintf(lines, sizeof lines, "fss = %.17g", fss);
        expand_line(lines);
        std::snprintf(lines, sizeof lines, "ass = %.17g", ass);
        expand_line(lines);
        return true;
    }
    if (starts_with_word(text, at, "vibrato")) {
        ss::Vibrato v = g_vibrato;
        if (!read_vibrato(split_words(text, at + 7), v, e)) {
            e.column = e.column == 7 ? at : e.column;
            return fail(e);
        }
        g_vibrato = v;
        return true;
    }
    if (!starts_with_word(text, at, "sing") || split_words(text, at + 4).empty()) return false;
    ss::Line sung;
    ss::Options options;
    options.voice = g_voice;
    options.vibrato = g_vibrato;
    const double level = g_level;
    Places places;
    if (!read_sing(text, at + 4, sung, options, places, e)) {
        g_level = level;
        return fail(e);
    }
    const double taken = lead > 0 && sung.notes.front().hz > 0 ? lead : 0;
    if (taken > 0) {
        ss::Note rest;
        rest.beats = taken;
        rest.level = rest.levelEnd = sung.notes.front().level;
        sung.notes.insert(sung.notes.begin(), rest);
        places.notes.insert(places.notes.begin(), at);
    }
    before(taken > 0);
    ss::Problem problem;
    std::vector<sw::Call> calls;
    const int errorsBefore = nerrors;
    std::fflush(stdout);
    warn_uneven_tracks(name, line, at);
    if (!ss::sing(sung, options, problem, &calls, collected_labels())) {
        g_level = level;
        // Pointed out at the language, the syllable or the note it concerns.
        const auto index = [](int i, const std::vector<std::size_t>& list) {
            return i >= 0 && static_cast<std::size_t>(i) < list.size()
                       ? list[static_cast<std::size_t>(i)]
                       : std::string::npos;
        };
        std::size_t column = problem.message.find("unknown language") != std::string::npos
                                 ? places.lang
                                 : index(problem.syllable, places.syllables);
        if (column == std::string::npos) column = index(problem.note, places.notes);
        return fail({column != std::string::npos ? column : at, "sing: " + problem.message});
    }
    if (taken > 0) lead = 0;
    finish_line(name, line, at, errorsBefore, "sing", "line", calls, report);
    return true;
}

}  // namespace cli
