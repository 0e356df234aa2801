// Songs from score editors: a neutral model of one sung line (notes, rests, lyrics, tempo and
// dynamics) and the readers that fill it from MusicXML (.musicxml, .xml, .mxl) and standard
// MIDI files with lyrics. The model knows nothing of phones or of the library's calls.
#ifndef SPEECHSCORE_SONGS_H
#define SPEECHSCORE_SONGS_H

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace speechscore::songs {

// ---- time ---------------------------------------------------------------------------------------

/// A time or a length in quarter-note beats, exact: num/den in lowest terms, den > 0. The
/// arithmetic throws std::overflow_error when a result does not fit in 64 bits.
struct Beats {
    std::int64_t num = 0;
    std::int64_t den = 1;
    double value() const { return static_cast<double>(num) / static_cast<double>(den); }
};

/// num/den in lowest terms; den must not be 0 (std::overflow_error otherwise).
Beats make_beats(std::int64_t num, std::int64_t den = 1);
Beats operator+(Beats a, Beats b);
Beats operator-(Beats a, Beats b);
Beats operator*(Beats a, Beats b);
bool operator==(Beats a, Beats b);
bool operator!=(Beats a, Beats b);
bool operator<(Beats a, Beats b);
bool operator<=(Beats a, Beats b);
bool operator>(Beats a, Beats b);
bool operator>=(Beats a, Beats b);

// ---- the model ----------------------------------------------------------------------------------

/// Where a syllable stands in its word (MusicXML `syllabic`).
enum class Syllabic { Single, Begin, Middle, End };

/// One syllable of a lyric line.
struct Syllable {
    std::string text;  ///< UTF-8
    Syllabic syllabic = Syllabic::Single;
};

/// The lyric of one verse on one note.
struct Lyric {
    std::string verse = "1";          ///< the lyric line's number
    std::vector<Syllable> syllables;  ///< two or more: elided, sung on this one note
    bool extend = false;  ///< an extension line starts or goes on here: the syllable is held
};

/// A note or a rest of the chosen part and voice. Tied notes are merged into one held note.
struct Event {
    bool rest = false;
    Beats onset;                ///< from the start of the song, repeats expanded
    Beats length;               ///< > 0
    double pitch = 0;           ///< MIDI key number with its alteration (60 = C4, 60.5 a quarter
                                ///< tone above); 0 for a rest
    std::string name;           ///< spelled pitch, "Bb4", "F#3", "C4"; empty for a rest
    std::vector<Lyric> lyrics;  ///< one per verse that has a lyric on this note
    bool fermata = false;
    bool breath = false;  ///< a breath mark or caesura after this event
    bool grace = false;   ///< a grace note, given time taken from its neighbour
    std::string measure;  ///< the number of the measure it starts in, as the file writes it
    int pass = 1;         ///< which time through a repeat (1 the first)
};

/// A tempo: from onset on, qpm quarter notes per minute.
struct Tempo {
    Beats onset;
    std::string measure;
    double qpm = 0;
};

/// An accelerando or ritardando written as text, gliding to the next tempo mark.
struct TempoGlide {
    Beats onset;
    Beats end;  ///< where the next tempo mark stands
    std::string measure;
    double toQpm = 0;  ///< the next tempo mark's tempo
    std::string text;  ///< the mark as written: "rit.", "accel."
};

/// A dynamic mark: "ppp" .. "fff", "mp", "mf", "fp", "sf", "sfz", "sfp", "rfz", "fz", "n".
struct Dynamic {
    Beats onset;
    std::string measure;
    std::string mark;
};

/// A hairpin: a level glide from onset to end.
struct Hairpin {
    Beats onset;
    Beats end;
    std::string measure;
    bool crescendo = true;  ///< else diminuendo
};

/// A part of the file.
struct Part {
    std::string id;
    std::string name;
    bool lyrics = false;  ///< some note of it has a lyric
};

/// One sung line and what shapes it.
struct Song {
    std::vector<Part> parts;          ///< every part of the file, in order
    std::string part;                 ///< id of the chosen part
    std::string voice;                ///< the chosen voice
    std::string verse;                ///< the chosen lyric line; empty when the part has no lyrics
    std::vector<std::string> verses;  ///< every lyric line of the chosen voice
    std::string language;             ///< the chosen line's language (xml:lang "fr"), if given
    std::vector<Event> events;        ///< time order, no gaps, no overlaps, from beat 0
    std::vector<Tempo> tempi;
    std::vector<TempoGlide> tempoGlides;
    std::vector<Dynamic> dynamics;
    std::vector<Hairpin> hairpins;
};

// ---- reading ------------------------------------------------------------------------------------

/// What to read. Empty fields: the defaults.
struct Options {
    std::string part;   ///< id or name; default: the first part with lyrics, else the first
    std::string voice;  ///< default: the voice of the first lyric, else the first voice
    std::string verse;  ///< lyric line number; default: the first one met
};

/// Something read and skipped, or a choice the reader made.
struct Diagnostic {
    std::string measure;  ///< empty when it concerns the whole file
    std::string message;  ///< with "(N times)" when it came N times in a row in its measure
    int times = 1;
};

/// A reader's answer: ok and the song, or one error; diagnostics in both cases.
struct Result {
    bool ok = false;
    std::string error;
    Song song;
    std::vector<Diagnostic> diagnostics;
};

/// The largest input read: a file, or a score inside an .mxl, of more bytes is refused.
constexpr std::size_t kMaxInputBytes = 16u << 20;
/// The most measures a score may expand to through its repeats.
constexpr std::size_t kMaxExpandedMeasures = 100000;
/// The most events (notes, rests, marks) a song may have.
constexpr std::size_t kMaxEvents = 1000000;

/// Reads MusicXML (partwise or timewise, plain or .mxl) or a standard MIDI file, told apart by
/// their first bytes.
Result read_song(std::string_view bytes, const Options& options = {});
/// Reads the file at path as read_song does; errors name no path (the caller adds it).
Result read_song_file(const std::string& path, const Options& options = {});
/// Reads MusicXML text or an .mxl archive.
Result read_musicxml(std::string_view bytes, const Options& options = {});
/// Reads a standard MIDI file (format 0 or 1).
Result read_midi(std::string_view bytes, const Options& options = {});

// ---- helpers ------------------------------------------------------------------------------------

/// The lyric of verse on the event, or nullptr.
const Lyric* lyric_of(const Event& event, const std::string& verse);
/// A MIDI key number spelled with sharps: 61 -> "C#4"; fractions as cents: "C4+50c".
std::string pitch_name(double pitch);
/// Prints the song one event a line: measure, onset, then `NOTE/beats "syllable"`, where a
/// syllable followed by more of its word ends in "-", elided syllables are joined by "_", and a
/// note that holds the syllable before it shows `_`; then the tempo and dynamic marks.
void print_song(std::ostream& out, const Song& song);

}  // namespace speechscore::songs

#endif
