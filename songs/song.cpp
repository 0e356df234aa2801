// The song model: exact beat arithmetic, pitch names, the printed form of a song, and the
// entry that tells MusicXML, .mxl and MIDI apart and reads a file within the size limit.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <numeric>
#include <ostream>
#include <set>
#include <sstream>

#include "song_build.h"
#include "songs.h"

namespace speechscore::songs {

// ---- Beats
// ----------------------------------------------------------------------------------------

Beats make_beats(std::int64_t num, std::int64_t den) {
    if (den == 0 || num == INT64_MIN || den == INT64_MIN) throw std::overflow_error("beats");
    if (den < 0) num = -num, den = -den;
    const std::int64_t g = std::gcd(num, den);
    return Beats{num / g, den / g};
}

namespace {

// Products of two 64-bit numbers fit; __extension__ keeps -Wpedantic quiet about the type.
__extension__ typedef __int128 Wide;

// The exact value of a 128-bit fraction, reduced, or overflow_error.
Beats reduce_wide(Wide num, Wide den) {
    if (den < 0) num = -num, den = -den;
    Wide a = num < 0 ? -num : num, b = den;
    while (b != 0) {
        const Wide t = a % b;
        a = b, b = t;
    }
    if (a > 1) num /= a, den /= a;
    if (num > INT64_MAX || num < -INT64_MAX || den > INT64_MAX || den == 0)
        throw std::overflow_error("beats");
    return Beats{static_cast<std::int64_t>(num), static_cast<std::int64_t>(den)};
}

}  // namespace

Beats operator+(Beats a, Beats b) {
    return reduce_wide(static_cast<Wide>(a.num) * b.den + static_cast<Wide>(b.num) * a.den,
                       static_cast<Wide>(a.den) * b.den);
}
Beats operator-(Beats a, Beats b) { return a + Beats{-b.num, b.den}; }
Beats operator*(Beats a, Beats b) {
    return reduce_wide(static_cast<Wide>(a.num) * b.num, static_cast<Wide>(a.den) * b.den);
}
bool operator==(Beats a, Beats b) { return a.num == b.num && a.den == b.den; }
bool operator!=(Beats a, Beats b) { return !(a == b); }
bool operator<(Beats a, Beats b) {
    return static_cast<Wide>(a.num) * b.den < static_cast<Wide>(b.num) * a.den;
}
bool operator<=(Beats a, Beats b) { return !(b < a); }
bool operator>(Beats a, Beats b) { return b < a; }
bool operator>=(Beats a, Beats b) { return !(a < b); }

// ---- helpers
// ----------------------------------------------------------------------------------------

const Lyric* lyric_of(const Event& event, const std::string& verse) {
    for (const Lyric& lyric : event.lyrics)
        if (lyric.verse == verse) return &lyric;
    return nullptr;
}

std::string pitch_name(double pitch) {
    static const char* const kNames[12] = {"C",  "C#", "D",  "D#", "E",  "F",
                                           "F#", "G",  "G#", "A",  "A#", "B"};
    if (!std::isfinite(pitch) || pitch < 0 || pitch > 200) return "?";
    const long key = std::lround(pitch);
    const long cents = std::lround((pitch - static_cast<double>(key)) * 100);
    std::string name = kNames[key % 12] + std::to_string(key / 12 - 1);
    if (cents != 0) name += (cents > 0 ? "+" : "") + std::to_string(cents) + "c";
    return name;
}

std::string beats_text(Beats b) {
    if (b.den == 1) return std::to_string(b.num);
    char text[40];
    std::snprintf(text, sizeof text, "%.6g", b.value());
    return text;
}

namespace {

// The syllables of a lyric as one printed word: "twin-", "kle", "a_b" (elided).
std::string syllable_text(const Lyric& lyric) {
    std::string text;
    for (size_t i = 0; i < lyric.syllables.size(); ++i) {
        if (i > 0) text += "_";
        text += lyric.syllables[i].text;
    }
    const Syllabic last = lyric.syllables.back().syllabic;
    if (last == Syllabic::Begin || last == Syllabic::Middle) text += "-";
    return text;
}

}  // namespace

void print_song(std::ostream& out, const Song& song) {
    out << "part " << song.part << " voice " << song.voice;
    if (!song.verse.empty()) out << " verse " << song.verse;
    if (!song.language.empty()) out << " language " << song.language;
    out << "\n";
    bool held = false;  // a syllable is sounding and a note without one goes on with it
    for (const Event& e : song.events) {
        out << "m" << e.measure << " @" << beats_text(e.onset) << " ";
        if (e.rest) {
            out << "R/" << beats_text(e.length);
            held = false;
        } else {
            out << e.name << "/" << beats_text(e.length);
            const Lyric* lyric = lyric_of(e, song.verse);
            if (lyric != nullptr && !lyric->syllables.empty()) {
                out << " \"" << syllable_text(*lyric) << "\"";
                held = true;
            } else if (held) {
                out << " _";
            }
        }
        if (e.grace) out << " grace";
        if (e.fermata) out << " fermata";
        if (e.breath) out << " breath";
        if (e.pass > 1) out << " pass " << e.pass;
        out << "\n";
        if (e.breath) held = false;
    }
    for (const Tempo& t : song.tempi)
        out << "tempo m" << t.measure << " @" << beats_text(t.onset) << " " << t.qpm << "\n";
    for (const TempoGlide& g : song.tempoGlides)
        out << "tempo-glide m" << g.measure << " @" << beats_text(g.onset) << ".."
            << beats_text(g.end) << " " << g.text << " to " << g.toQpm << "\n";
    for (const Dynamic& d : song.dynamics)
        out << "dynamic m" << d.measure << " @" << beats_text(d.onset) << " " << d.mark << "\n";
    for (const Hairpin& h : song.hairpins)
        out << (h.crescendo ? "crescendo" : "diminuendo") << " m" << h.measure << " @"
            << beats_text(h.onset) << ".." << beats_text(h.end) << "\n";
}

// ---- reading ------------------------------------------------------------------------------------

Result read_song(std::string_view bytes, const Options& options) {
    if (bytes.size() >= 4 && bytes.substr(0, 4) == "MThd") return read_midi(bytes, options);
    return read_musicxml(bytes, options);
}

Result read_song_file(const std::string& path, const Options& options) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return failure("cannot open the file");
    // Read at most one byte past the limit, whatever the file claims its size is.
    std::string bytes;
    char block[1 << 16];
    while (bytes.size() <= kMaxInputBytes && in.read(block, sizeof block).gcount() > 0)
        bytes.append(block, static_cast<size_t>(in.gcount()));
    if (in.bad()) return failure("cannot read the file");
    if (bytes.size() > kMaxInputBytes) return failure(too_large_message());
    return read_song(bytes, options);
}

Result failure(std::string message) {
    Result result;
    result.error = std::move(message);
    return result;
}

std::string too_large_message() {
    return "the file is larger than " + std::to_string(kMaxInputBytes >> 20) + " MiB";
}

void add_diagnostic(Result& result, const std::string& measure, std::string message) {
    // The same fault again in the same measure (each note of a drum part) is counted in the
    // message before it: "... (10 times)".
    auto counted = [&](int times) {
        return times == 1 ? message : message + " (" + std::to_string(times) + " times)";
    };
    if (!result.diagnostics.empty()) {
        Diagnostic& last = result.diagnostics.back();
        if (last.measure == measure && last.message == counted(last.times)) {
            last.message = counted(++last.times);
            return;
        }
    }
    // A hostile file could repeat one fault millions of times: keep the first few hundred.
    constexpr size_t kMaxDiagnostics = 500;
    if (result.diagnostics.size() < kMaxDiagnostics)
        result.diagnostics.push_back({measure, std::move(message)});
    else if (result.diagnostics.size() == kMaxDiagnostics)
        result.diagnostics.push_back({"", "more problems not listed"});
}

std::string listed(const std::vector<std::string>& items) {
    constexpr size_t kShown = 20;
    std::string text;
    for (size_t i = 0; i < items.size() && i < kShown; ++i) text += (i ? ", " : "") + items[i];
    if (items.size() > kShown) text += " and " + std::to_string(items.size() - kShown) + " more";
    return items.empty() ? "none" : text;
}

std::string part_list(const std::vector<Part>& parts) {
    std::vector<std::string> items;
    for (const Part& p : parts) items.push_back(p.id + " \"" + p.name + "\"");
    return listed(items);
}

void list_verses(Song& song) {
    song.verses.clear();
    std::set<std::string> known;
    for (const Event& e : song.events)
        for (const Lyric& lyric : e.lyrics)
            if (known.insert(lyric.verse).second) song.verses.push_back(lyric.verse);
}

}  // namespace speechscore::songs
