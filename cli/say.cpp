// The say statement: say "text", say /ARPABET/ or say [IPA], with options lang=, beats= and
// pitch=; the expanded script (--expand) and the TextGrid of the words and phones (--labels).
#include "say.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "files.h"
#include "outputs.h"
#include "speechscore.h"
#include "speechscore_words.h"

namespace cli {
namespace {

namespace sw = speechscore::words;

int g_expandFd = -1;
int g_labelsFd = -1;
std::string g_labelsPath;
sw::Labels g_labels;

struct SayError {
    std::size_t column;  // 0-based byte in the line
    std::string message;
};

// A pitch value: a note name (C3, Bb4), a frequency (220Hz) or a number of Hz.
bool read_hz(const std::string& text, double& hz) {
    double oct = 0;
    if (pitch_of_note(text, oct)) {
        hz = 440.0 * std::exp2(oct - 8.75);
    } else {
        std::string digits = text;
        if (digits.size() > 2 && digits.compare(digits.size() - 2, 2, "Hz") == 0)
            digits.resize(digits.size() - 2);
        char* end = nullptr;
        hz = std::strtod(digits.c_str(), &end);
        if (digits.empty() || end != digits.c_str() + digits.size()) return false;
    }
    // A note name is held to the same range as a frequency (C9 is some 8.4 kHz).
    return hz >= 20 && hz <= 2000;
}

bool read_number(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end == text.c_str() + text.size() && std::isfinite(value);
}

// pitch=C3,E3,G3 (one point per syllable), pitch=C3@0,G3@1.5 (at beats), pitch=C3@s0,G3@s2
// (at syllables).
bool read_pitch(const std::string& list, std::size_t column, sw::Options& o, SayError& e) {
    std::size_t from = 0;
    int syllable = 0;
    while (from <= list.size()) {
        std::size_t comma = list.find(',', from);
        if (comma == std::string::npos) comma = list.size();
        const std::string item = list.substr(from, comma - from);
        const std::size_t at = item.find('@');
        sw::PitchPoint p = {static_cast<double>(syllable++), true, 0};
        if (!read_hz(item.substr(0, at), p.hz)) {
            e = {column + from,
                 "pitch point '" + item +
                     "': a note name (C3, Bb4), a frequency (220Hz) or Hz, 20 to 2000 Hz"};
            return false;
        }
        if (at != std::string::npos) {
            std::string when = item.substr(at + 1);
            p.perSyllable = !when.empty() && when[0] == 's';
            if (p.perSyllable) when.erase(0, 1);
            if (!read_number(when, p.at) || p.at < 0) {
                e = {column + from + at + 1,
                     "pitch point '" + item +
                         "': the time after @ is beats (1.5) or a syllable (s2), 0 or more"};
                return false;
            }
        }
        o.pitch.push_back(p);
        from = comma + 1;
    }
    return true;
}

// Where the options lang=, beats= and pitch= stand in the line (npos: not given).
struct OptionColumns {
    std::size_t lang = std::string::npos;
    std::size_t beats = std::string::npos;
    std::size_t pitch = std::string::npos;
};

// Reads the say statement after its name: the phrase and the options.
bool read_say(const std::string& line, std::size_t at, std::string& phrase, sw::Input& input,
              std::size_t& phraseColumn, OptionColumns& columns, sw::Options& o, SayError& e) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    if (at >= line.size()) {
        e = {at, "say needs a phrase: \"text\", /ARPABET/ or [IPA]"};
        return false;
    }
    const char open = line[at];
    const char close = open == '"' ? '"' : open == '/' ? '/' : open == '[' ? ']' : '\0';
    if (close == '\0') {
        e = {at, "say needs a phrase: \"text\", /ARPABET/ or [IPA]"};
        return false;
    }
    input = open == '"' ? sw::Input::Text : open == '/' ? sw::Input::Arpabet : sw::Input::Ipa;
    const std::size_t end = line.find(close, at + 1);
    if (end == std::string::npos) {
        e = {at, std::string("the phrase has no closing ") + close};
        return false;
    }
    phrase = line.substr(at + 1, end - at - 1);
    phraseColumn = at + 1;
    at = end + 1;
    while (at < line.size()) {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
        if (at >= line.size() || line[at] == '#') break;
        std::size_t stop = at;
        while (stop < line.size() && line[stop] != ' ' && line[stop] != '\t') ++stop;
        const std::string word = line.substr(at, stop - at);
        const std::size_t eq = word.find('=');
        const std::string key = word.substr(0, eq);
        const std::string value = eq == std::string::npos ? "" : word.substr(eq + 1);
        if (eq == std::string::npos || value.empty()) {
            e = {at, "option '" + word + "' needs a value: lang=fr, beats=4, pitch=C3,E3"};
            return false;
        }
        const std::size_t given = key == "lang"    ? columns.lang
                                  : key == "beats" ? columns.beats
                                  : key == "pitch" ? columns.pitch
                                                   : std::string::npos;
        if (given != std::string::npos) {
            e = {at, "option '" + key + "' is given twice (first at column " +
                         std::to_string(given + 1) + ")"};
            return false;
        }
        if (key == "lang") {
            o.lang = value;
            columns.lang = at;
        } else if (key == "beats") {
            columns.beats = at;
            if (!read_number(value, o.beats) || !(o.beats > 0)) {
                e = {at + eq + 1, "beats=" + value + ": the phrase's length in beats, above 0"};
                return false;
            }
        } else if (key == "pitch") {
            columns.pitch = at;
            if (!read_pitch(value, at + eq + 1, o, e)) return false;
        } else {
            e = {at, "unknown option '" + key + "' (the options are lang, beats and pitch)"};
            return false;
        }
        at = stop;
    }
    return true;
}

// Writes the TextGrid; on failure says why and returns false.
bool write_labels(const std::string& name) {
    const std::string text = sw::text_grid(g_labels, score_end());
    if (speechscore::outputs::write_all(g_labelsFd, text.data(), text.size())) return true;
    std::fprintf(stderr, "%s: error: cannot write the labels to %s: %s\n", name.c_str(),
                 g_labelsPath.c_str(), std::strerror(errno));
    return false;
}

}  // namespace

void set_expand_output(int fd) { g_expandFd = fd; }
void set_labels_output(int fd, const std::string& path) {
    g_labelsFd = fd;
    g_labelsPath = path;
}

sw::Labels* collected_labels() { return g_labelsFd < 0 ? nullptr : &g_labels; }

bool write_collected_labels(const std::string& name) {
    const bool written = g_labelsFd < 0 || write_labels(name);
    g_labelsFd = -1;  // once: what comes after fine follows the end of the score
    return written;
}

void expand_line(const std::string& text) {
    if (g_expandFd < 0) return;
    const std::string line = text + "\n";
    if (!speechscore::outputs::write_all(g_expandFd, line.data(), line.size())) {
        note_write_failure(errno != 0 ? errno : EIO);  // the run then keeps the old file
        g_expandFd = -1;
    }
}

bool say_line(const std::string& name, int line, const std::string& text, RunReport& report) {
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    if (text.compare(at, 3, "say") != 0 ||
        (at + 3 < text.size() && text[at + 3] != ' ' && text[at + 3] != '\t'))
        return false;
    std::string phrase;
    sw::Input input = sw::Input::Text;
    std::size_t phraseColumn = 0;
    OptionColumns columns;
    sw::Options options;
    SayError e = {0, ""};
    sw::Problem problem;
    std::vector<sw::Call> calls;
    const int before = nerrors;
    std::fflush(stdout);
    if (!read_say(text, at + 3, phrase, input, phraseColumn, columns, options, e)) {
        std::fprintf(stderr, "%s: error: %s\n", place_of(name, line, e.column + 1).c_str(),
                     clipped_words(e.message).c_str());
        ++report.scriptErrors;
        return true;
    }
    warn_uneven_tracks(name, line, at);
    if (!sw::say(phrase, input, options, problem, g_expandFd >= 0 ? &calls : nullptr,
                 collected_labels())) {
        // A language espeak-ng does not know, or a length it cannot have, is pointed out at
        // its option.
        const auto starts = [&](const char* head) { return problem.message.rfind(head, 0) == 0; };
        const std::size_t option = starts("unknown language") ? columns.lang
                                   : starts("beats=")         ? columns.beats
                                   : starts("a pitch point")  ? columns.pitch
                                                              : std::string::npos;
        const std::size_t column =
            option != std::string::npos ? option : phraseColumn + problem.offset;
        std::fprintf(stderr, "%s: error: %s\n", place_of(name, line, column + 1).c_str(),
                     clipped_words(problem.message).c_str());
        ++report.scriptErrors;
        return true;
    }
    finish_line(name, line, at, before, "say", "phrase", calls, report);
    return true;
}

double score_end() {
    double end = 0;
    for (int slot = 2; slot <= 19; ++slot) end = std::max(end, timepoints[slot]);
    return end;
}

void warn_uneven_tracks(const std::string& name, int line, std::size_t at) {
    const auto ends = std::minmax_element(timepoints + 2, timepoints + 20);
    if (*ends.second - *ends.first <= 0.5e-3) return;
    std::fprintf(stderr,
                 "%s: warning: the tracks end at different times (%.4f to %.4f s): the phrase "
                 "starts on each where it ends, and its labels where F1 ends; bring them level "
                 "first (restF1, restVoi, ...)\n",
                 place_of(name, line, at + 1).c_str(), *ends.first, *ends.second);
}

void finish_line(const std::string& name, int line, std::size_t at, int before,
                 const char* statement, const char* unit,
                 const std::vector<speechscore::words::Call>& calls, RunReport& report) {
    std::fflush(stdout);
    if (nerrors > before) {
        report.libraryErrors += nerrors - before;
        std::fprintf(stderr, "%s: error: %s: the library counted %d errors for this %s\n",
                     place_of(name, line, at + 1).c_str(), statement, nerrors - before, unit);
    }
    for (const sw::Call& c : calls) expand_line(sw::script_line(c));
    report.scoreEnd = std::max(report.scoreEnd, score_end());
}

}  // namespace cli
