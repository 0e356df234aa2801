// A song from a score editor as a call script: the first part with lyrics (or the one chosen)
// becomes sing lines, one from each rest to the next, with metronome and glMM for its tempo
// marks, dynamics and hairpins as note marks, breath marks as a short rest taken from the note
// before, fermatas as a note held longer (half as long again unless --fermata says), and a
// lead-in rest before a first note that leaves its onset consonants no room.
#include "song.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "songs.h"
#include "speechscore_sing.h"
#include "speechscore_words.h"

namespace cli {
namespace {

namespace songs = speechscore::songs;
namespace ss = speechscore::sing;

constexpr double kDefaultQpm = 120;  // MusicXML's and MIDI's tempo when none is given
constexpr double kLeadIn = 0.5;      // s before the first note: room for onset consonants

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string number(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%.10g", v);
    return text;
}

// Text for the script's comment line: a line break in a part's name or the file's would start
// a line of its own, read as a statement.
std::string one_line(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == '\x7f') c = ' ';
    return text;
}

// The letters of a lyric's syllables (joined where they are elided).
std::string letters_of(const songs::Lyric& lyric) {
    std::string out;
    for (const songs::Syllable& s : lyric.syllables) {
        for (const char c : s.text) {
            const auto u = static_cast<unsigned char>(c);
            if (std::isalpha(u) || c == '\'' || u >= 0x80) out += c;
        }
    }
    return out;
}

// A syllable as the sing statement reads it: no spaces, hyphens, underscores or quotes.
std::string syllable_text(const songs::Lyric& lyric) {
    const std::string letters = letters_of(lyric);
    return letters.empty() ? "ah" : letters;
}

bool continues_word(const songs::Lyric& lyric) {
    const songs::Syllabic s = lyric.syllables.back().syllabic;
    return s == songs::Syllabic::Begin || s == songs::Syllabic::Middle;
}

// The sing statement's name of a pitch: C4, F#3, with cents when it is between keys.
std::string note_name(double pitch) {
    const double key = std::round(pitch);
    static const char* kNames[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    const int k = static_cast<int>(key);
    std::string name = std::string(kNames[((k % 12) + 12) % 12]) + std::to_string(k / 12 - 1);
    const double cents = std::round((pitch - key) * 100);
    if (cents != 0) name += (cents > 0 ? "+" : "") + number(cents) + "c";
    return name;
}

std::string beats_text(songs::Beats b, double factor) {
    if (factor != 1) return number(b.value() * factor);
    if (b.den == 1) return std::to_string(b.num);
    return std::to_string(b.num) + "/" + std::to_string(b.den);
}

// The dynamic mark the sing statement knows for a mark of the file.
std::string dynamic_mark(const std::string& mark) {
    static const char* kKnown[] = {"ppp", "pp", "p", "mp", "mf", "f", "ff", "fff"};
    for (const char* k : kKnown)
        if (mark == k) return mark;
    if (mark == "pppp" || mark == "ppppp" || mark == "n") return "ppp";
    if (mark == "ffff" || mark == "fffff") return "fff";
    if (mark == "sf" || mark == "sfz" || mark == "fz" || mark == "rfz" || mark == "sffz")
        return "f";
    if (mark == "fp" || mark == "sfp") return "p";
    return "";
}

struct Builder {
    std::string lyric;
    std::string notes;
    bool inWord = false;  // the last syllable goes on in the next
    bool any = false;     // a note is in the line
    std::string rests;    // the line as plain rests and tempo statements, while it has no note
    std::string measure;  // of the line's first note
    std::string lang;     // " lang=fr" on every sing line, or empty
    // Writes the line to the script, and its measure to places (one a line, "" for the lines
    // before it that have none).
    void flush(std::string& script, std::vector<std::string>& places) {
        if (!notes.empty()) {
            std::string l = lyric;
            while (!l.empty() && (l.back() == ' ' || l.back() == '-')) l.pop_back();
            if (!any) {
                script += rests;  // rests only: plain rests
            } else {
                places.resize(
                    static_cast<std::size_t>(std::count(script.begin(), script.end(), '\n')));
                places.push_back(measure);
                script += "sing \"" + l + "\"" + notes + lang + "\n";
            }
        }
        lyric.clear();
        notes.clear();
        any = false;
        rests.clear();
    }
};

// Writes the script of the song (song_script without its guard).
bool write_script(const std::string& name, const std::string& bytes, const SongOptions& options,
                  std::string& script, std::vector<std::string>& places);

}  // namespace

bool is_song_path(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos) return false;
    const std::string ext = lower(path.substr(dot + 1));
    return ext == "musicxml" || ext == "xml" || ext == "mxl" || ext == "mid" || ext == "midi" ||
           ext == "kar";
}

bool song_script(const std::string& name, const std::string& bytes, const SongOptions& options,
                 std::string& script, std::vector<std::string>* places) {
    std::vector<std::string> measures;
    try {
        const bool written = write_script(name, bytes, options, script, measures);
        if (places != nullptr) *places = std::move(measures);
        return written;
    } catch (const std::exception& e) {
        // The exact beat arithmetic overflows only on absurd lengths.
        std::fprintf(stderr, "%s: error: the song's note lengths do not fit: %s\n", name.c_str(),
                     e.what());
        return false;
    }
}

namespace {

bool write_script(const std::string& name, const std::string& bytes, const SongOptions& options,
                  std::string& script, std::vector<std::string>& places) {
    songs::Options o;
    o.part = options.part;
    o.verse = options.verse;
    const songs::Result r = songs::read_song(bytes, o);
    for (const songs::Diagnostic& d : r.diagnostics) {
        std::fprintf(stderr, "%s: %swarning: %s\n", name.c_str(),
                     d.measure.empty() ? "" : ("measure " + d.measure + ": ").c_str(),
                     d.message.c_str());
    }
    if (!r.ok) {
        std::fprintf(stderr, "%s: error: %s\n", name.c_str(), r.error.c_str());
        return false;
    }
    const songs::Song& song = r.song;
    double low = 1e9;
    double high = 0;
    for (const songs::Event& e : song.events) {
        if (e.rest) continue;
        low = std::min(low, e.pitch);
        high = std::max(high, e.pitch);
    }
    auto hz = [](double key) { return 440.0 * std::exp2((key - 69) / 12); };
    if (high == 0) {
        // Only rests: the score is the silence they make.
        std::fprintf(stderr, "%s: warning: the part has no notes to sing: its rests are silent\n",
                     name.c_str());
        low = high = 60;
    }
    const ss::Voice* voice = nullptr;
    if (!options.voice.empty()) {
        voice = ss::find_voice(options.voice);
        if (voice == nullptr) {
            std::fprintf(stderr,
                         "%s: error: no voice '%s' (bass, tenor, alto, soprano, child, breathy)\n",
                         name.c_str(), options.voice.c_str());
            return false;
        }
    } else {
        voice = &ss::voice_for_range(hz(low), hz(high));
    }
    // The lyrics' language: --lang, else the file's; the file's English is the default en-us.
    std::string lang = options.lang.empty() ? song.language : options.lang;
    std::string lower;
    for (const char c : lang)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (options.lang.empty() && (lower == "en" || lower == "en-us")) lang.clear();
    if (!lang.empty() && !speechscore::words::knows_language(lang)) {
        if (!options.lang.empty()) {
            std::fprintf(stderr,
                         "%s: error: no language '%s': espeak-ng has no voice of that name\n",
                         name.c_str(), lang.c_str());
            return false;
        }
        std::fprintf(stderr,
                     "%s: warning: the lyrics are in '%s', a language espeak-ng does not speak: "
                     "they are sung with English rules (--lang chooses another)\n",
                     name.c_str(), lang.c_str());
        lang.clear();
    }
    std::string partName = song.part;
    for (const songs::Part& p : song.parts)
        if (p.id == song.part && !p.name.empty()) partName = p.name;
    script = "# " +
             one_line(name + ": part " + partName +
                      (song.verse.empty() ? "" : ", verse " + song.verse)) +
             ", sung by the " + voice->name + " voice" + (lang.empty() ? "" : " in " + lang) + "\n";
    script += "start1 0 1 1 1 1 1 0 1 1\nstartmn\n";
    double qpm = kDefaultQpm;
    if (!song.tempi.empty() && song.tempi.front().onset == songs::Beats{0, 1})
        qpm = song.tempi.front().qpm;
    script += "metronome " + number(qpm) + "\n";
    script += "voice " + std::string(voice->name) + "\n";

    Builder line;
    if (!lang.empty()) line.lang = " lang=" + lang;
    // A first note too near the start has no room for its onset consonants before its beat: a
    // rest before it moves the song on so that its vowel still starts on the beat.
    for (const songs::Event& e : song.events) {
        if (e.rest) continue;
        const double lead = kLeadIn - e.onset.value() * 60 / qpm;
        if (lead > 0) {
            line.notes += " r/" + number(lead * qpm / 60);
            line.rests += "Rest " + number(lead * qpm / 60) + "\n";
        }
        break;
    }
    std::size_t tempo = 0;
    std::size_t glide = 0;
    std::size_t dynamic = 0;
    std::size_t hairpin = 0;
    bool holding = false;  // an extend line runs: notes without lyric hold the syllable
    // Notes too short to sing give the next event their beats, tempo marks, dynamic and
    // syllable.
    songs::Beats carry{0, 1};
    std::string carriedTempoMarks, carriedTempoLines, carriedMark;
    const songs::Lyric* carriedLyric = nullptr;
    const songs::Event* carriedFrom = nullptr;  // the note whose syllable is carried
    // The tempo marks and glides that start by beat t: as marks on a note and as statements.
    auto tempo_by = [&](songs::Beats t, std::string& marks, std::string& lines) {
        while (tempo < song.tempi.size() && song.tempi[tempo].onset <= t) {
            if (!(song.tempi[tempo].onset == songs::Beats{0, 1}) || tempo > 0) {
                marks += ":mm=" + number(song.tempi[tempo].qpm);
                lines += "metronome " + number(song.tempi[tempo].qpm) + "\n";
            }
            ++tempo;
        }
        while (glide < song.tempoGlides.size() && song.tempoGlides[glide].onset <= t) {
            const songs::TempoGlide& g = song.tempoGlides[glide];
            const std::string b = number((g.end - g.onset).value());
            marks += ":gl=" + b + "," + number(g.toQpm);
            lines += "glMM " + b + " " + number(g.toQpm) + "\n";
            ++glide;
        }
    };
    // The next tempo mark or glide when it starts inside the stretch from..to, with a 64th of a
    // beat or more on each side: there the stretch is split. Else `to`.
    auto tempo_inside = [&](songs::Beats from, songs::Beats to) {
        songs::Beats at = to;
        if (tempo < song.tempi.size() && song.tempi[tempo].onset < at) at = song.tempi[tempo].onset;
        if (glide < song.tempoGlides.size() && song.tempoGlides[glide].onset < at)
            at = song.tempoGlides[glide].onset;
        const songs::Beats room = songs::make_beats(1, 64);
        return at - from >= room && to - at >= room ? at : to;
    };
    // The stretch of length beats from start split where a tempo changes inside it: the pieces'
    // lengths, with the tempo marks and statements that start each (the first's are given).
    struct Stretch {
        std::vector<songs::Beats> pieces;
        std::vector<std::string> marksOf, linesOf;
    };
    auto split = [&](songs::Beats start, songs::Beats length, std::string marks,
                     std::string lines) {
        Stretch st{{}, {std::move(marks)}, {std::move(lines)}};
        for (songs::Beats at = start, end = start + length;;) {
            const songs::Beats next = tempo_inside(at, end);
            st.pieces.push_back(next - at);
            if (next == end) break;
            st.marksOf.emplace_back();
            st.linesOf.emplace_back();
            tempo_by(next, st.marksOf.back(), st.linesOf.back());
            at = next;
        }
        return st;
    };
    auto rest_of = [&](const Stretch& st, double factor) {
        for (std::size_t k = 0; k < st.pieces.size(); ++k) {
            line.notes += " r/" + beats_text(st.pieces[k], factor) + st.marksOf[k];
            line.rests += st.linesOf[k] + "Rest " + number(st.pieces[k].value() * factor) + "\n";
        }
    };
    auto syllable_lost = [&](const songs::Event& from, const songs::Lyric& l) {
        std::fprintf(stderr,
                     "%s: measure %s: warning: the syllable '%s' of a note too short to sing is "
                     "not sung\n",
                     name.c_str(), from.measure.c_str(), one_line(syllable_text(l)).c_str());
    };
    for (std::size_t i = 0; i < song.events.size(); ++i) {
        const songs::Event& e = song.events[i];
        // Tempo marks and glides at this event: marks on it.
        std::string tempoMarks = carriedTempoMarks;
        std::string tempoLines = carriedTempoLines;  // the same as statements
        carriedTempoMarks.clear();
        carriedTempoLines.clear();
        tempo_by(e.onset, tempoMarks, tempoLines);
        if (e.rest) line.flush(script, places);
        // Dynamics and hairpins that start by this event.
        std::string mark = carriedMark;
        carriedMark.clear();
        while (dynamic < song.dynamics.size() && song.dynamics[dynamic].onset <= e.onset) {
            const std::string m = dynamic_mark(song.dynamics[dynamic].mark);
            if (m.empty()) {
                std::fprintf(stderr, "%s: measure %s: warning: dynamic '%s' not sung; skipped\n",
                             name.c_str(), song.dynamics[dynamic].measure.c_str(),
                             song.dynamics[dynamic].mark.c_str());
            } else {
                mark = m;
            }
            ++dynamic;
        }
        while (hairpin < song.hairpins.size() && song.hairpins[hairpin].onset <= e.onset) {
            if (mark.empty()) mark = song.hairpins[hairpin].crescendo ? "<" : ">";
            ++hairpin;
        }
        const songs::Lyric* l =
            e.rest || song.verse.empty() ? nullptr : songs::lyric_of(e, song.verse);
        if (l != nullptr && l->syllables.empty()) l = nullptr;
        if (e.length < songs::make_beats(1, 64) && i + 1 < song.events.size()) {
            // Too short to sing (a note of less than a 64th of a beat): the next event starts
            // where it does, with its marks and syllable.
            std::fprintf(stderr,
                         "%s: measure %s: warning: a note of %s beats is too short to "
                         "sing; the next takes its time\n",
                         name.c_str(), e.measure.c_str(), number(e.length.value()).c_str());
            carry = carry + e.length;
            carriedTempoMarks = tempoMarks;
            carriedTempoLines = tempoLines;
            carriedMark = mark;
            if (l != nullptr && carriedLyric != nullptr) syllable_lost(e, *l);
            if (l != nullptr && carriedLyric == nullptr) {
                carriedLyric = l;
                carriedFrom = &e;
            }
            continue;
        }
        if (carriedLyric != nullptr && (l != nullptr || e.rest)) {
            syllable_lost(*carriedFrom, *carriedLyric);
        } else if (carriedLyric != nullptr) {
            l = carriedLyric;
        }
        carriedLyric = nullptr;
        const double factor = e.fermata ? options.fermata : 1;
        // A breath mark: the note's last quarter (at most half a beat) becomes a rest.
        songs::Beats length = e.length + carry;
        const songs::Beats start = e.onset - carry;
        carry = songs::Beats{0, 1};
        songs::Beats breath{0, 1};
        if (e.breath && !e.rest) {
            breath = songs::make_beats(1, 4) * length;
            if (breath > songs::make_beats(1, 2)) breath = songs::make_beats(1, 2);
            length = length - breath;
        }
        // A tempo that changes inside a note or rest splits it there: a rest into rests, a note
        // into notes that hold its syllable; the later pieces carry the marks.
        const Stretch st = split(start, length, tempoMarks, tempoLines);
        const std::vector<songs::Beats>& pieces = st.pieces;
        if (e.rest) {
            rest_of(st, factor);
            holding = false;
        } else {
            double pitch = std::isfinite(e.pitch) ? e.pitch : 60;
            while (hz(pitch) < 20) pitch += 12;
            while (hz(pitch) > 2000) pitch -= 12;
            if (pitch != e.pitch) {
                std::fprintf(stderr,
                             "%s: measure %s: warning: %s is out of a voice's reach; sung "
                             "%s\n",
                             name.c_str(), e.measure.c_str(), e.name.c_str(),
                             note_name(pitch).c_str());
            }
            for (std::size_t k = 0; k < pieces.size(); ++k) {
                line.notes += " " + note_name(pitch) + "/" + beats_text(pieces[k], factor);
                if (k == 0 && !mark.empty()) line.notes += ":" + mark;
                line.notes += st.marksOf[k];
            }
            if (l != nullptr) {
                // A verse's number before its first syllable ("1. Twin-") is not sung; a
                // syllable of digits alone is sung on "ah", and said so.
                if (letters_of(*l).empty())
                    std::fprintf(stderr,
                                 "%s: measure %s: warning: the syllable '%s' has no letters: sung "
                                 "on \"ah\" (a number is sung from words)\n",
                                 name.c_str(), e.measure.c_str(),
                                 one_line(l->syllables.front().text).c_str());
                line.lyric += syllable_text(*l);
                line.inWord = continues_word(*l);
                line.lyric += line.inWord ? "-" : " ";
                holding = l->extend;
            } else {
                // No syllable: a part without lyrics sings every note on "la"; otherwise the
                // syllable before is held (a melisma), or "ah" sung after a rest.
                if (song.verse.empty()) {
                    line.lyric += "la ";
                    line.inWord = false;
                } else if (line.any || holding) {
                    line.lyric += std::string("_") + (line.inWord ? "-" : " ");
                } else {
                    line.lyric += "ah ";
                    line.inWord = false;
                }
            }
            for (std::size_t k = 1; k < pieces.size(); ++k)
                line.lyric += std::string("_") + (line.inWord ? "-" : " ");
            if (!line.any) line.measure = e.measure;
            line.any = true;
        }
        if (breath.num != 0) {
            line.flush(script, places);
            std::string marks, lines;
            tempo_by(start + length, marks, lines);
            rest_of(split(start + length, breath, marks, lines), 1);
        }
    }
    line.flush(script, places);
    script += "Rest 0.5\nfine\n";
    return true;
}

}  // namespace

}  // namespace cli
