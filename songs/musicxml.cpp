// MusicXML reader: partwise and timewise scores, plain or in an .mxl archive, into the song model
// of songs.h. Reads one part and one voice; measures are read once and laid out again for every
// pass through their repeats. Owns no state beyond one call.
#include <zip.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <pugixml.hpp>
#include <set>
#include <sstream>
#include <utility>

#include "song_build.h"
#include "songs.h"

namespace speechscore::songs {
namespace {

// Divisions, durations and offsets above this are refused as not a score's numbers.
constexpr std::int64_t kMaxNumber = 1000000000;
// A note keeps at most this many lyric lines.
constexpr size_t kMaxVerses = 100;
// A backward repeat played more times than this is played this many times.
constexpr int kMaxRepeatTimes = 16;

// ---- text and numbers ---------------------------------------------------------------------------

std::string trimmed(const char* text) {
    std::string_view s(text);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return std::string(s);
}

// A measure's number as the messages show it: on one line (a control character as '?'), and at
// most 32 bytes (cut at a character's start).
std::string measure_name(std::string n) {
    for (char& c : n)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    if (n.size() <= 32) return n;
    std::size_t cut = 32;
    while (cut > 0 && (static_cast<unsigned char>(n[cut]) & 0xC0) == 0x80) --cut;
    return n.substr(0, cut) + "...";
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A decimal number as an exact fraction ("480", "-1.5"); false when it is not one or its
// magnitude passes kMaxNumber.
bool parse_exact(const char* text, Beats& out) {
    const std::string s = trimmed(text);
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    std::int64_t num = 0, den = 1;
    bool digits = false, point = false;
    for (; i < s.size(); ++i) {
        if (s[i] == '.' && !point) {
            point = true;
            continue;
        }
        if (s[i] < '0' || s[i] > '9') return false;
        digits = true;
        if (point && den >= 1000000000) continue;  // digits past 1e-9 of a beat are dropped
        num = num * 10 + (s[i] - '0');
        if (point) den *= 10;
        if (num / den > kMaxNumber) return false;
    }
    if (!digits) return false;
    out = make_beats(negative ? -num : num, den);
    return true;
}

bool parse_double(const std::string& s, double& out) {
    const char* end = s.data() + s.size();
    const auto r = std::from_chars(s.data(), end, out);
    return r.ec == std::errc() && r.ptr == end && std::isfinite(out);
}

// The first number in text ("c. 120", "60-66" -> 60); false when there is none.
bool leading_number(const std::string& text, double& out) {
    const size_t start = text.find_first_of("0123456789");
    if (start == std::string::npos) return false;
    const size_t stop = text.find_first_not_of("0123456789.", start);
    return parse_double(text.substr(start, stop - start), out);
}

// ---- what one measure holds
// -----------------------------------------------------------------------

// A note or rest of the chosen voice, with what the model does not keep.
struct Piece {
    Event e;
    bool tieStart = false, tieStop = false;
    bool slash = false;          // grace: an acciaccatura
    double stealFollowing = -1;  // grace: percent of the next note's time, -1 not given
    double stealPrevious = -1;   // grace: percent of the previous note's time
};

enum class MarkKind { Tempo, Glide, ATempo, Dynamic, WedgeStart, WedgeStop };

// A tempo, dynamic or hairpin mark at a place in the measure.
struct Mark {
    MarkKind kind;
    Beats onset;
    double qpm = 0;
    std::string text;  // glide: the words; dynamic: the mark; wedge: its number
    bool crescendo = false;
    std::string measure;
};

struct Measure {
    std::string number;
    Beats length;
    std::vector<Piece> pieces;
    std::vector<Mark> marks;
    bool repeatForward = false, repeatBackward = false;
    int times = 2;
    bool timesGiven = false;
    std::vector<int> endingStart;  // numbers of an ending that starts here
    bool endingStop = false;       // an ending ends with this measure
    std::vector<int> ending;       // the numbers of the ending this measure is in
};

// A measure element and the element whose children are its music (itself in a partwise score,
// its part child in a timewise one).
struct MeasureNode {
    pugi::xml_node measure, content;
};

// The id of a <part>, the position-th of its parent's: its own, else (a part without an id, as
// some programs write) the id of the part list's entry at that position.
std::string part_id(pugi::xml_node part, std::size_t position,
                    const std::vector<std::string>& ids) {
    const pugi::xml_attribute id = part.attribute("id");
    if (id) return id.value();
    return position < ids.size() ? ids[position] : "";
}

// The <part> of `parent` with this id (see part_id), or an empty node.
pugi::xml_node part_of(pugi::xml_node parent, const std::string& id,
                       const std::vector<std::string>& ids) {
    std::size_t position = 0;
    for (pugi::xml_node p : parent.children("part"))
        if (part_id(p, position++, ids) == id) return p;
    return {};
}

// The measures of part id in either layout.
std::vector<MeasureNode> measures_of(pugi::xml_node root, const std::string& id, bool timewise,
                                     const std::vector<std::string>& ids) {
    std::vector<MeasureNode> list;
    if (timewise) {
        for (pugi::xml_node m : root.children("measure")) list.push_back({m, part_of(m, id, ids)});
    } else {
        for (pugi::xml_node m : part_of(root, id, ids).children("measure")) list.push_back({m, m});
    }
    return list;
}

std::string voice_of(pugi::xml_node note) {
    const std::string v = trimmed(note.child_value("voice"));
    return v.empty() ? "1" : v;
}

// The lyric line: its number, else its name ("chorus"), else "1".
std::string verse_of(pugi::xml_node lyric) {
    std::string v = trimmed(lyric.attribute("number").value());
    if (v.empty()) v = trimmed(lyric.attribute("name").value());
    return v.empty() ? "1" : v;
}

bool has_text(pugi::xml_node lyric) { return !trimmed(lyric.child_value("text")).empty(); }

// Whether words (in lower case) tell a player to jump: "d.c. al fine", "to coda".
bool jump_text(const std::string& w) {
    for (const char* jump : {"d.c.", "d.s.", "da capo", "dal segno", "to coda"})
        if (w.rfind(jump, 0) == 0) return true;
    return false;
}

// The language of a lyric line: the xml:lang of its first text that has one in the voice, else
// the score's <lyric-language> for its number or name, else the one for every line.
std::string language_of(pugi::xml_node root, const std::vector<MeasureNode>& nodes,
                        const std::string& verse, const std::string& voice) {
    for (const MeasureNode& mn : nodes)
        for (pugi::xml_node n : mn.content.children("note")) {
            if (voice_of(n) != voice) continue;
            for (pugi::xml_node l : n.children("lyric")) {
                if (verse_of(l) != verse) continue;
                for (pugi::xml_node t : l.children("text")) {
                    const std::string lang = trimmed(t.attribute("xml:lang").value());
                    if (!lang.empty()) return lang;
                }
            }
        }
    std::string all;
    for (pugi::xml_node l : root.child("defaults").children("lyric-language")) {
        const std::string lang = trimmed(l.attribute("xml:lang").value());
        const std::string number = trimmed(l.attribute("number").value());
        const std::string name = trimmed(l.attribute("name").value());
        if (number.empty() && name.empty()) {
            if (all.empty()) all = lang;
        } else if (number == verse || (number.empty() && name == verse)) {
            return lang;
        }
    }
    return all;
}

// The syllables of a lyric with each text split at its spaces: "b c" on one note is two
// syllables elided, as an <elision> between two texts is. The first piece ends a word the
// syllable continued, the last starts one it began; whitespace-only text is no syllable.
std::vector<Syllable> split_at_spaces(const std::vector<Syllable>& syllables) {
    std::vector<Syllable> out;
    for (const Syllable& s : syllables) {
        std::vector<std::string> pieces;
        std::istringstream words(s.text);
        for (std::string w; words >> w;) pieces.push_back(w);
        if (pieces.size() == 1) {
            out.push_back({pieces[0], s.syllabic});
            continue;
        }
        const bool continues = s.syllabic == Syllabic::Middle || s.syllabic == Syllabic::End;
        const bool goesOn = s.syllabic == Syllabic::Begin || s.syllabic == Syllabic::Middle;
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            Syllabic syllabic = Syllabic::Single;
            if (i == 0 && continues) syllabic = Syllabic::End;
            if (i + 1 == pieces.size() && goesOn) syllabic = Syllabic::Begin;
            out.push_back({pieces[i], syllabic});
        }
    }
    return out;
}

// Quarter notes of a note type ("eighth" -> 1/2); {0, 1} when unknown.
Beats type_beats(const std::string& type) {
    static const std::pair<const char*, Beats> kTypes[] = {
        {"maxima", {32, 1}}, {"long", {16, 1}},   {"breve", {8, 1}},  {"whole", {4, 1}},
        {"half", {2, 1}},    {"quarter", {1, 1}}, {"eighth", {1, 2}}, {"16th", {1, 4}},
        {"32nd", {1, 8}},    {"64th", {1, 16}},   {"128th", {1, 32}}, {"256th", {1, 64}},
        {"512th", {1, 128}}, {"1024th", {1, 256}}};
    for (const auto& [name, beats] : kTypes)
        if (type == name) return beats;
    return {0, 1};
}

// Semitones above C of a step letter; -1 when it is not one.
int step_semitones(const std::string& step) {
    static const char kSteps[] = "C D EF G A B";
    if (step.size() != 1 || step[0] == ' ') return -1;
    const char* at = std::strchr(kSteps, step[0]);
    return at == nullptr ? -1 : static_cast<int>(at - kSteps);
}

bool known_dynamic(const std::string& mark) {
    static const char* const kMarks[] = {
        "pppppp", "ppppp", "pppp", "ppp",   "pp",     "p",  "mp",  "mf", "f",
        "ff",     "fff",   "ffff", "fffff", "ffffff", "fp", "pf",  "sf", "sfp",
        "sfpp",   "sfz",   "sffz", "sfzp",  "fz",     "rf", "rfz", "n"};
    for (const char* m : kMarks)
        if (mark == m) return true;
    return false;
}

// Direction types that do not change what is sung, read past without a word.
bool silent_direction(const std::string& name) {
    static const char* const kNames[] = {"rehearsal",
                                         "segno",
                                         "coda",
                                         "dashes",
                                         "bracket",
                                         "pedal",
                                         "octave-shift",
                                         "harp-pedals",
                                         "damp",
                                         "damp-all",
                                         "eyeglasses",
                                         "string-mute",
                                         "scordatura",
                                         "image",
                                         "principal-voice",
                                         "percussion",
                                         "accordion-registration",
                                         "staff-divide",
                                         "other-direction",
                                         "symbol"};
    for (const char* n : kNames)
        if (name == n) return true;
    return false;
}

// Measure-level elements that do not change what is sung.
bool silent_element(const std::string& name) {
    static const char* const kNames[] = {"harmony", "figured-bass", "print",    "bookmark",
                                         "link",    "grouping",     "listening"};
    for (const char* n : kNames)
        if (name == n) return true;
    return false;
}

// ---- the reader ---------------------------------------------------------------------------------

class Reader {
public:
    Reader(Result& result, const Options& options) : result_(result), options_(options) {}
    void read(const pugi::xml_document& doc);

private:
    Result& result_;
    const Options& options_;
    std::string voice_;
    Beats divisions_{0, 1};  // per quarter note; 0 until the first valid <divisions>
    bool divisionsReported_ = false;
    double transpose_ = 0;  // semitones from written to sounding pitch
    std::string measure_;   // the measure being read, for diagnostics
    bool timed_ = false;    // a note of the measure has taken its time: a chord may follow
    Song& song() { return result_.song; }
    void note(const std::string& message) { add_diagnostic(result_, measure_, message); }

    bool choose(pugi::xml_node root, bool timewise, std::vector<MeasureNode>& nodes);
    Measure read_measure(const MeasureNode& node, size_t index);
    bool duration_of(pugi::xml_node element, Beats& out);
    void read_note(pugi::xml_node n, Measure& m, Beats& cursor, Beats& last, Beats& end);
    void read_lyric(pugi::xml_node lyric, Piece& piece);
    void read_direction(pugi::xml_node d, Measure& m, Beats cursor);
    void read_sound(pugi::xml_node sound, Measure& m, Beats at, bool& tempo);
    void read_other_tempos(pugi::xml_node root, bool timewise, std::vector<Measure>& measures);
    void read_barline(pugi::xml_node b, Measure& m, bool& fermata);
    void finish_measure(Measure& m, Beats end, bool barFermata);
    void steal_for_graces(std::vector<Piece>& pieces);
    std::vector<std::pair<size_t, int>> expand(std::vector<Measure>& measures);
    void lay_out(const std::vector<Measure>& measures,
                 const std::vector<std::pair<size_t, int>>& order);
    void resolve_marks(std::vector<Mark>& marks);
};

// Picks the part, voice and verse; false (with the error set) when a chosen one is not there.
bool Reader::choose(pugi::xml_node root, bool timewise, std::vector<MeasureNode>& nodes) {
    // The parts the part list names; a <part> without an id is the entry at its place.
    std::vector<std::string> ids;
    for (pugi::xml_node sp : root.child("part-list").children("score-part")) {
        Part part;
        part.id = sp.attribute("id").value();
        part.name = trimmed(sp.child_value("part-name"));
        ids.push_back(part.id);
        song().parts.push_back(part);
    }
    // The ids of the parts with a lyric, in one pass over the score.
    std::set<std::string> sung;
    auto scan = [&sung](pugi::xml_node content, const std::string& id) {
        if (sung.count(id) != 0) return;
        for (pugi::xml_node n : content.children("note"))
            for (pugi::xml_node l : n.children("lyric"))
                if (has_text(l)) {
                    sung.insert(id);
                    return;
                }
    };
    if (timewise) {
        for (pugi::xml_node m : root.children("measure")) {
            std::size_t position = 0;
            for (pugi::xml_node p : m.children("part")) scan(p, part_id(p, position++, ids));
        }
    } else {
        std::size_t position = 0;
        for (pugi::xml_node p : root.children("part")) {
            const std::string id = part_id(p, position++, ids);
            for (pugi::xml_node m : p.children("measure")) scan(m, id);
        }
    }
    for (Part& part : song().parts) part.lyrics = sung.count(part.id) != 0;
    if (song().parts.empty()) {
        result_.error = "the score lists no parts (<part-list> has no <score-part>)";
        return false;
    }
    const Part* chosen = nullptr;
    if (!options_.part.empty()) {
        for (const Part& p : song().parts)
            if (chosen == nullptr && p.id == options_.part) chosen = &p;
        for (const Part& p : song().parts)
            if (chosen == nullptr && p.name == options_.part) chosen = &p;
        if (chosen == nullptr) {
            const std::string list = part_list(song().parts);
            result_.error = "no part '" + options_.part + "' (the parts are " + list + ")";
            return false;
        }
    } else {
        for (const Part& p : song().parts)
            if (chosen == nullptr && p.lyrics) chosen = &p;
        if (chosen == nullptr) {
            chosen = &song().parts.front();
            note("no part has lyrics: part " + chosen->id + " is read");
        }
    }
    song().part = chosen->id;
    nodes = measures_of(root, chosen->id, timewise, ids);
    if (nodes.empty() || !nodes.front().content) {
        result_.error = "part " + chosen->id + " has no measures";
        return false;
    }
    // The voices in the order met, and the first voice and verse of a lyric.
    std::vector<std::string> voices;
    std::set<std::string> seen;
    std::string lyricVoice;
    for (const MeasureNode& mn : nodes)
        for (pugi::xml_node n : mn.content.children("note")) {
            const std::string v = voice_of(n);
            if (seen.insert(v).second) voices.push_back(v);
            if (!lyricVoice.empty()) continue;
            for (pugi::xml_node l : n.children("lyric"))
                if (has_text(l) && (options_.verse.empty() || verse_of(l) == options_.verse))
                    lyricVoice = v;
        }
    if (!options_.voice.empty()) {
        if (seen.count(options_.voice) == 0) {
            const std::string list = listed(voices);
            result_.error = "no voice '" + options_.voice + "' in part " + chosen->id +
                            " (its voices are " + list + ")";
            return false;
        }
        voice_ = options_.voice;
    } else {
        voice_ = !lyricVoice.empty() ? lyricVoice : voices.empty() ? "1" : voices.front();
    }
    song().voice = voice_;
    return true;
}

void Reader::read(const pugi::xml_document& doc) {
    pugi::xml_node root = doc.document_element();
    const std::string rootName = root.name();
    if (rootName == "opus") {
        result_.error = "a MusicXML opus lists scores and holds none: read one of its scores";
        return;
    }
    if (rootName != "score-partwise" && rootName != "score-timewise") {
        result_.error = "not a MusicXML score: the root element is <" + rootName +
                        ">, not <score-partwise> or <score-timewise>";
        return;
    }
    std::vector<MeasureNode> nodes;
    const bool timewise = rootName == "score-timewise";
    if (!choose(root, timewise, nodes)) return;

    std::vector<Measure> measures;
    for (const MeasureNode& node : nodes) measures.push_back(read_measure(node, measures.size()));
    measure_.clear();
    read_other_tempos(root, timewise, measures);
    const std::vector<std::pair<size_t, int>> order = expand(measures);
    if (!result_.error.empty()) return;
    lay_out(measures, order);
    if (!result_.error.empty()) return;

    list_verses(song());
    if (!options_.verse.empty()) {
        if (std::find(song().verses.begin(), song().verses.end(), options_.verse) ==
            song().verses.end()) {
            result_.error =
                "no verse '" + options_.verse + "' in part " + song().part + " voice " + voice_;
            return;
        }
        song().verse = options_.verse;
    } else if (!song().verses.empty()) {
        song().verse = song().verses.front();
    }
    if (!song().verse.empty()) {
        const std::string lang = language_of(root, nodes, song().verse, voice_);
        const bool tag = lang.size() <= 35 && std::all_of(lang.begin(), lang.end(), [](char c) {
                             return std::isalnum(static_cast<unsigned char>(c)) || c == '-';
                         });
        if (tag)
            song().language = lang;
        else
            note("the lyrics' xml:lang is no language tag (letters, digits, '-'): not read");
    }
    result_.ok = true;
}

bool tempo_mark(const Mark& mark) {
    return mark.kind == MarkKind::Tempo || mark.kind == MarkKind::Glide ||
           mark.kind == MarkKind::ATempo;
}

// The tempo is the whole score's, though editors often write it in one part only: a measure
// whose part has no tempo mark takes those of the first other part that has some there.
void Reader::read_other_tempos(pugi::xml_node root, bool timewise, std::vector<Measure>& measures) {
    std::vector<bool> marked(measures.size());
    for (size_t i = 0; i < measures.size(); ++i)
        marked[i] = std::any_of(measures[i].marks.begin(), measures[i].marks.end(), tempo_mark);
    std::vector<std::string> ids;
    for (const Part& p : song().parts) ids.push_back(p.id);
    for (const Part& part : song().parts) {
        if (part.id == song().part) continue;
        Result unheard;  // the other part's notes and reports are not this song's
        Reader other(unheard, options_);
        other.voice_ = "\n";  // no voice: its notes take their time and are not kept
        const std::vector<MeasureNode> nodes = measures_of(root, part.id, timewise, ids);
        for (size_t i = 0; i < nodes.size() && i < measures.size(); ++i) {
            const Measure m = other.read_measure(nodes[i], i);
            if (marked[i] || !std::any_of(m.marks.begin(), m.marks.end(), tempo_mark)) continue;
            marked[i] = true;
            for (Mark mark : m.marks)
                if (tempo_mark(mark)) {
                    mark.measure = measures[i].number;
                    measures[i].marks.push_back(std::move(mark));
                }
        }
    }
}

// The length of element's <duration> in beats; false (reported) when it is missing or bad.
bool Reader::duration_of(pugi::xml_node element, Beats& out) {
    pugi::xml_node d = element.child("duration");
    Beats raw;
    if (!d) return false;
    if (!parse_exact(d.child_value(), raw) || raw.num < 0) {
        note(std::string("<") + element.name() + "> has a bad duration '" +
             trimmed(d.child_value()) + "': skipped");
        return false;
    }
    if (divisions_.num == 0) {
        if (!divisionsReported_)
            note("no valid <divisions> before the first duration: 1 division a quarter is assumed");
        divisionsReported_ = true;
        divisions_ = make_beats(1);
    }
    out = raw * Beats{divisions_.den, divisions_.num};
    return true;
}

Measure Reader::read_measure(const MeasureNode& node, size_t index) {
    Measure m;
    m.number = measure_name(trimmed(node.measure.attribute("number").value()));
    if (m.number.empty()) m.number = std::to_string(index + 1);  // unnumbered: its place
    measure_ = m.number;
    if (!node.content) {
        note("part " + song().part + " is missing from this measure");
        return m;
    }
    Beats cursor, last, end;
    timed_ = false;
    bool barFermata = false;
    for (pugi::xml_node child : node.content.children()) {
        if (child.type() != pugi::node_element) continue;
        const std::string name = child.name();
        Beats d;
        if (name == "note") {
            read_note(child, m, cursor, last, end);
        } else if (name == "backup" || name == "forward") {
            if (!duration_of(child, d)) {
                if (!child.child("duration")) note("<" + name + "> without a duration: skipped");
                continue;
            }
            cursor = name == "forward" ? cursor + d : cursor - d;
            if (cursor.num < 0) {
                note("<backup> goes back past the start of the measure: stopped there");
                cursor = Beats{};
            }
            end = std::max(end, cursor);
        } else if (name == "attributes") {
            if (pugi::xml_node t = child.child("transpose")) {
                // A transposing part is written, not sounding: chromatic steps and octaves.
                double chromatic = 0, octaves = 0;
                const std::string c = trimmed(t.child_value("chromatic"));
                const std::string o = trimmed(t.child_value("octave-change"));
                if (parse_double(c, chromatic) && std::fabs(chromatic) <= 24 &&
                    (o.empty() || (parse_double(o, octaves) && std::fabs(octaves) <= 3)))
                    transpose_ = chromatic + 12 * octaves;
                else
                    note("bad <transpose>: the part is read as written");
            }
            pugi::xml_node div = child.child("divisions");
            if (!div) continue;
            Beats value;
            if (parse_exact(div.child_value(), value) && value.num > 0) {
                divisions_ = value;
            } else {
                note("bad <divisions> '" + trimmed(div.child_value()) + "'" +
                     (divisions_.num > 0 ? ": the previous value is kept" : ""));
            }
        } else if (name == "direction") {
            read_direction(child, m, cursor);
        } else if (name == "sound") {
            bool tempo = false;
            read_sound(child, m, cursor, tempo);
        } else if (name == "barline") {
            read_barline(child, m, barFermata);
        } else if (!silent_element(name)) {
            note("<" + name + "> is not read: skipped");
        }
    }
    finish_measure(m, end, barFermata);
    return m;
}

void Reader::read_note(pugi::xml_node n, Measure& m, Beats& cursor, Beats& last, Beats& end) {
    const bool grace = static_cast<bool>(n.child("grace"));
    bool chord = static_cast<bool>(n.child("chord"));
    if (chord && !grace && !timed_) {
        note("a <chord/> note with no note before it in the measure: read as a note");
        chord = false;
    }
    Beats length;
    if (!grace && !duration_of(n, length)) {
        if (n.child("duration")) return;
        // No duration: the written type, dots and tuplet ratio give it.
        length = type_beats(trimmed(n.child_value("type")));
        if (length.num == 0) {
            note("a note without a duration or a note type: skipped");
            return;
        }
        Beats dot = length;
        for (pugi::xml_node d = n.child("dot"); d; d = d.next_sibling("dot")) {
            dot = dot * Beats{1, 2};
            length = length + dot;
        }
        pugi::xml_node tm = n.child("time-modification");
        Beats actual, normal;
        if (tm && parse_exact(tm.child_value("actual-notes"), actual) && actual.num > 0 &&
            parse_exact(tm.child_value("normal-notes"), normal) && normal.num > 0)
            length = length * normal * Beats{actual.den, actual.num};
        else if (tm)
            note("a time modification that is no ratio of note counts: not read");
        note("a note without a duration: its length is taken from its type");
    }
    if (!grace && length.num == 0) {
        note("a note of no duration that is not a grace note: skipped");
        return;
    }
    const Beats onset = chord ? last : cursor;
    if (!chord && !grace) {
        timed_ = true;
        last = cursor;
        cursor = cursor + length;
        end = std::max(end, cursor);
    }
    if (n.child("cue")) return;  // a cue note is not sung; its time is a rest of this voice
    if (voice_of(n) != voice_) return;

    Piece p;
    p.e.onset = grace ? cursor : onset;
    p.e.length = length;
    p.e.measure = m.number;
    p.e.grace = grace;
    if (grace) {
        pugi::xml_node g = n.child("grace");
        p.slash = std::string(g.attribute("slash").value()) == "yes";
        double percent;
        if (parse_double(trimmed(g.attribute("steal-time-following").value()), percent))
            p.stealFollowing = std::clamp(percent, 0.0, 100.0);
        if (parse_double(trimmed(g.attribute("steal-time-previous").value()), percent))
            p.stealPrevious = std::clamp(percent, 0.0, 100.0);
    }
    if (pugi::xml_node pitch = n.child("pitch")) {
        const std::string step = trimmed(pitch.child_value("step"));
        double alter = 0, octave = -1;
        const std::string alterText = trimmed(pitch.child_value("alter"));
        const int semis = step_semitones(step);
        if (semis < 0 || !parse_double(trimmed(pitch.child_value("octave")), octave) ||
            octave < 0 || octave > 9 || octave != std::floor(octave) ||
            (!alterText.empty() && (!parse_double(alterText, alter) || std::fabs(alter) > 3))) {
            note("a note with a bad pitch is read as a rest");
            p.e.rest = true;
        } else {
            p.e.pitch = 12 * (octave + 1) + semis + alter + transpose_;
            p.e.name = step;
            const double whole = std::round(alter);
            for (double a = whole; a > 0; --a) p.e.name += "#";
            for (double a = whole; a < 0; ++a) p.e.name += "b";
            p.e.name += std::to_string(static_cast<int>(octave));
            if (alter != whole)
                p.e.name += (alter > whole ? "+" : "-") +
                            std::to_string(std::lround(std::fabs(alter - whole) * 100)) + "c";
            if (transpose_ != 0) p.e.name = pitch_name(p.e.pitch);  // the sounding pitch
        }
    } else if (n.child("unpitched")) {
        note("an unpitched note is read as a rest");
        p.e.rest = true;
    } else {
        p.e.rest = true;  // <rest>
    }
    for (pugi::xml_node t : n.children("tie")) {
        const std::string type = t.attribute("type").value();
        p.tieStart = p.tieStart || type == "start";
        p.tieStop = p.tieStop || type == "stop";
    }
    pugi::xml_node notations = n.child("notations");
    if (!n.child("tie"))  // only the notated tie: take it as the sounding one
        for (pugi::xml_node t : notations.children("tied")) {
            const std::string type = t.attribute("type").value();
            p.tieStart = p.tieStart || type == "start" || type == "continue";
            p.tieStop = p.tieStop || type == "stop" || type == "continue";
        }
    for (pugi::xml_node nt : n.children("notations")) {
        p.e.fermata = p.e.fermata || static_cast<bool>(nt.child("fermata"));
        for (pugi::xml_node a : nt.children("articulations"))
            p.e.breath = p.e.breath || a.child("breath-mark") || a.child("caesura");
    }
    if (!p.e.rest)
        for (pugi::xml_node l : n.children("lyric")) read_lyric(l, p);

    // A chord keeps its top note and gathers the lyrics and marks of all its notes.
    if (chord && !m.pieces.empty() && m.pieces.back().e.onset == p.e.onset &&
        m.pieces.back().e.grace == grace && !m.pieces.back().e.rest && !p.e.rest) {
        Piece& top = m.pieces.back();
        for (Lyric& l : p.e.lyrics) {
            if (lyric_of(top.e, l.verse) == nullptr)
                top.e.lyrics.push_back(std::move(l));
            else
                note("two lyrics of verse " + l.verse + " on one chord: the second is skipped");
        }
        top.e.fermata = top.e.fermata || p.e.fermata;
        top.e.breath = top.e.breath || p.e.breath;
        if (p.e.pitch > top.e.pitch) {
            top.e.pitch = p.e.pitch;
            top.e.name = p.e.name;
            top.tieStart = p.tieStart;
            top.tieStop = p.tieStop;
        }
        return;
    }
    m.pieces.push_back(std::move(p));
}

void Reader::read_lyric(pugi::xml_node l, Piece& piece) {
    Lyric lyric;
    lyric.verse = verse_of(l);
    Syllabic syllabic = Syllabic::Single;
    bool newSyllable = true;
    for (pugi::xml_node c : l.children()) {
        const std::string name = c.name();
        if (name == "syllabic") {
            const std::string s = trimmed(c.child_value());
            syllabic = s == "begin"    ? Syllabic::Begin
                       : s == "middle" ? Syllabic::Middle
                       : s == "end"    ? Syllabic::End
                                       : Syllabic::Single;
            if (s != "begin" && s != "middle" && s != "end" && s != "single")
                note("unknown syllabic '" + s + "': read as single");
        } else if (name == "text") {
            const std::string text = c.child_value();
            if (newSyllable) {
                lyric.syllables.push_back({text, syllabic});
                syllabic = Syllabic::Single;
            } else {
                lyric.syllables.back().text += text;  // the same syllable, formatted apart
            }
            newSyllable = false;
        } else if (name == "elision") {
            newSyllable = true;
        } else if (name == "extend") {
            lyric.extend = std::string(c.attribute("type").value()) != "stop";
        } else if (name == "humming" || name == "laughing") {
            note("a <" + name + "> lyric is not sung: skipped");
        }
    }
    lyric.syllables = split_at_spaces(lyric.syllables);
    if (lyric.syllables.empty() && !lyric.extend) return;
    if (piece.e.lyrics.size() >= kMaxVerses) {
        note("more than " + std::to_string(kMaxVerses) + " lyrics on one note: skipped");
        return;
    }
    if (lyric_of(piece.e, lyric.verse) != nullptr) {
        note("two lyrics of verse " + lyric.verse + " on one note: the second is skipped");
        return;
    }
    piece.e.lyrics.push_back(std::move(lyric));
}

void Reader::read_direction(pugi::xml_node d, Measure& m, Beats cursor) {
    Beats at = cursor;
    if (pugi::xml_node offset = d.child("offset")) {
        Beats raw;
        if (!parse_exact(offset.child_value(), raw))
            note("a direction's offset that is no number: read at its place");
        else if (divisions_.num > 0)
            at = cursor + raw * Beats{divisions_.den, divisions_.num};
        if (at.num < 0) {
            note("a direction's offset before the measure: read at its start");
            at = Beats{};
        }
    }
    bool soundTempo = false;
    if (pugi::xml_node sound = d.child("sound")) read_sound(sound, m, at, soundTempo);
    for (pugi::xml_node types : d.children("direction-type"))
        for (pugi::xml_node c : types.children()) {
            const std::string name = c.name();
            if (name == "metronome") {
                if (soundTempo) continue;  // <sound tempo> says the same, exactly
                std::vector<pugi::xml_node> units;
                for (pugi::xml_node u : c.children("beat-unit")) units.push_back(u);
                double perMinute = 0;
                if (units.size() != 1 || c.child("metronome-note")) {
                    note("a metronome mark relating two note values is not read");
                    continue;
                }
                Beats unit = type_beats(trimmed(units[0].child_value()));
                const std::string given = trimmed(c.child_value("per-minute"));
                // A number ("1e3" too), or one in words ("c. 60").
                const bool read =
                    parse_double(given, perMinute) || leading_number(given, perMinute);
                if (unit.num == 0 || !read || perMinute <= 0 || given[0] == '-') {
                    note("a metronome mark without a note value and a number is not read");
                    continue;
                }
                Beats dot = unit;
                for (pugi::xml_node x = c.child("beat-unit-dot"); x;
                     x = x.next_sibling("beat-unit-dot")) {
                    dot = dot * Beats{1, 2};
                    unit = unit + dot;
                }
                const double qpm = perMinute * unit.value();
                if (!(qpm >= kLeastQpm && qpm <= kMostQpm)) {
                    note("metronome mark '" + given +
                         "' is outside 1 to 10000 quarter notes a minute: not read");
                    continue;
                }
                m.marks.push_back({MarkKind::Tempo, at, qpm, "", false, ""});
            } else if (name == "words") {
                const std::string w = lower(trimmed(c.child_value()));
                const std::string text = trimmed(c.child_value());
                if (w.rfind("accel", 0) == 0 || w.rfind("stringendo", 0) == 0 ||
                    w.rfind("rit", 0) == 0 || w.rfind("rall", 0) == 0 ||
                    w.rfind("allarg", 0) == 0) {
                    m.marks.push_back({MarkKind::Glide, at, 0, text, false, ""});
                } else if (w == "a tempo" || w == "tempo i" || w == "tempo primo") {
                    if (!soundTempo) m.marks.push_back({MarkKind::ATempo, at, 0, text, false, ""});
                } else if (jump_text(w)) {
                    note("'" + text + "' is not followed: jumps are not expanded");
                }
            } else if (name == "dynamics") {
                for (pugi::xml_node mark : c.children()) {
                    if (mark.type() != pugi::node_element) continue;
                    const std::string value = mark.name();
                    if (known_dynamic(value))
                        m.marks.push_back({MarkKind::Dynamic, at, 0, value, false, ""});
                    else
                        note("dynamic <" + value + "> is not read");
                }
            } else if (name == "wedge") {
                const std::string type = c.attribute("type").value();
                std::string number = trimmed(c.attribute("number").value());
                if (number.empty()) number = "1";
                if (type == "crescendo" || type == "diminuendo")
                    m.marks.push_back(
                        {MarkKind::WedgeStart, at, 0, number, type == "crescendo", ""});
                else if (type == "stop")
                    m.marks.push_back({MarkKind::WedgeStop, at, 0, number, false, ""});
            } else if (name == "swing") {
                note("swing is not read: the rhythm is played as written");
            } else if (c.type() == pugi::node_element && !silent_direction(name)) {
                note("direction <" + name + "> is not read");
            }
        }
}

void Reader::read_sound(pugi::xml_node sound, Measure& m, Beats at, bool& tempo) {
    if (pugi::xml_attribute t = sound.attribute("tempo")) {
        double qpm;
        if (parse_double(trimmed(t.value()), qpm) && qpm >= kLeastQpm && qpm <= kMostQpm) {
            m.marks.push_back({MarkKind::Tempo, at, qpm, "", false, ""});
            tempo = true;
        } else {
            note("bad <sound tempo> '" + std::string(t.value()) + "'");
        }
    }
    // A jump the direction's words name is reported with them.
    bool named = false;
    for (pugi::xml_node types : sound.parent().children("direction-type"))
        for (pugi::xml_node words : types.children("words"))
            named = named || jump_text(lower(trimmed(words.child_value())));
    for (const char* jump : {"dacapo", "dalsegno", "tocoda"})
        if (sound.attribute(jump) && !named) {
            note(std::string("<sound ") + jump + "> is not followed: jumps are not expanded");
            break;
        }
}

void Reader::read_barline(pugi::xml_node b, Measure& m, bool& fermata) {
    const std::string location = b.attribute("location").value();
    if (pugi::xml_node repeat = b.child("repeat")) {
        const std::string direction = repeat.attribute("direction").value();
        if (direction == "forward") m.repeatForward = true;
        if (direction == "backward") {
            m.repeatBackward = true;
            if (pugi::xml_attribute t = repeat.attribute("times")) {
                m.timesGiven = true;
                Beats times;
                if (!parse_exact(t.value(), times) || times.den != 1 || times.num < 1) {
                    note("bad repeat times '" + std::string(t.value()) + "': played twice");
                } else if (times.num > kMaxRepeatTimes) {
                    note("a repeat " + std::to_string(times.num) + " times is played " +
                         std::to_string(kMaxRepeatTimes) + " times");
                    m.times = kMaxRepeatTimes;
                } else {
                    m.times = static_cast<int>(times.num);
                }
            }
        }
    }
    if (pugi::xml_node ending = b.child("ending")) {
        const std::string type = ending.attribute("type").value();
        if (type == "start") {
            std::string numbers = ending.attribute("number").value();
            for (char& c : numbers)
                if (c == ',') c = ' ';
            size_t i = 0;
            while (i < numbers.size()) {
                const size_t j = numbers.find(' ', i);
                const std::string one = numbers.substr(i, j == std::string::npos ? j : j - i);
                Beats n;
                if (!one.empty()) {
                    if (parse_exact(one.c_str(), n) && n.den == 1 && n.num >= 1 &&
                        n.num <= kMaxRepeatTimes) {
                        const int number = static_cast<int>(n.num);
                        if (std::find(m.endingStart.begin(), m.endingStart.end(), number) ==
                            m.endingStart.end())
                            m.endingStart.push_back(number);
                    } else
                        note("bad ending number '" + one + "'");
                }
                if (j == std::string::npos) break;
                i = j + 1;
            }
            if (m.endingStart.empty()) note("an ending without a number is played every time");
        } else if (type == "stop" || type == "discontinue") {
            m.endingStop = true;
        }
    }
    if (b.child("fermata") && location != "left") fermata = true;
}

// Gives grace notes time from the note they lean on: the percentage the file gives, else half
// of the next note for an appoggiatura and an eighth of a beat (at most a quarter of the next
// note) for a slashed acciaccatura; the principal note's syllable moves to the first grace note.
// Grace notes with no next note take an eighth of a beat from the end of the note before.
void Reader::steal_for_graces(std::vector<Piece>& pieces) {
    std::vector<Piece> out;
    for (size_t i = 0; i < pieces.size();) {
        if (!pieces[i].e.grace) {
            out.push_back(std::move(pieces[i++]));
            continue;
        }
        size_t j = i;
        while (j < pieces.size() && pieces[j].e.grace && pieces[j].e.onset == pieces[i].e.onset)
            ++j;
        bool before = pieces[i].stealPrevious > 0 && pieces[i].stealFollowing < 0;
        const bool previous = !out.empty() && !out.back().e.rest &&
                              out.back().e.onset + out.back().e.length == pieces[i].e.onset;
        Piece* lean = nullptr;  // the note whose time the grace notes take
        if (before && previous) lean = &out.back();
        if (!before && j < pieces.size() && !pieces[j].e.rest &&
            pieces[j].e.onset == pieces[i].e.onset && !pieces[j].tieStop)
            lean = &pieces[j];
        // Grace notes after their note (at the end of a measure, before a rest) end it.
        const bool after = lean == nullptr && !before && previous;
        if (after) lean = &out.back(), before = true;
        if (lean == nullptr) {
            const bool tied =
                j < pieces.size() && pieces[j].tieStop && pieces[j].e.onset == pieces[i].e.onset;
            note(tied ? "grace notes inside a tie (before the note that ends it): skipped"
                      : "grace notes with no note to take time from: skipped");
            i = j;
            continue;
        }
        const Piece& g = pieces[i];
        const Beats whole = lean->e.length;
        Beats stolen;
        const double percent = after ? -1 : before ? g.stealPrevious : g.stealFollowing;
        if (percent >= 0)
            stolen = whole * make_beats(std::llround(percent * 100), 10000);
        else if (g.slash || after)
            stolen = std::min(Beats{1, 8}, whole * Beats{1, 4});
        else
            stolen = whole * Beats{1, 2};
        if (stolen.num == 0 || stolen >= whole) {
            note("grace notes with no time to take: skipped");
            i = j;
            continue;
        }
        const Beats each = stolen * Beats{1, static_cast<std::int64_t>(j - i)};
        Beats at = before ? lean->e.onset + whole - stolen : lean->e.onset;
        lean->e.length = whole - stolen;
        if (before) {
            for (size_t k = i; k < j; ++k, at = at + each) {
                pieces[k].e.onset = at;
                pieces[k].e.length = each;
                out.push_back(std::move(pieces[k]));
            }
        } else {
            lean->e.onset = lean->e.onset + stolen;
            for (size_t k = i; k < j; ++k, at = at + each) {
                pieces[k].e.onset = at;
                pieces[k].e.length = each;
                if (k == i) {  // verses the grace note does not sing itself move to it
                    std::vector<Lyric> stay;
                    for (Lyric& l : lean->e.lyrics)
                        if (lyric_of(pieces[k].e, l.verse) == nullptr)
                            pieces[k].e.lyrics.push_back(std::move(l));
                        else
                            stay.push_back(std::move(l));
                    lean->e.lyrics = std::move(stay);
                }
                out.push_back(std::move(pieces[k]));
            }
        }
        i = j;
    }
    pieces = std::move(out);
}

// Orders the voice's pieces, gives grace notes their time, cuts overlaps, fills gaps with rests.
void Reader::finish_measure(Measure& m, Beats end, bool barFermata) {
    std::stable_sort(m.pieces.begin(), m.pieces.end(),
                     [](const Piece& a, const Piece& b) { return a.e.onset < b.e.onset; });
    // Of the notes and rests, one at a time: the top one where they start together, the
    // earlier one cut where they overlap. Grace notes stay where they stand.
    std::vector<Piece> out;
    size_t last = out.max_size();  // the last note or rest in out
    for (Piece& p : m.pieces) {
        if (!p.e.grace && last != out.max_size()) {
            Piece& prev = out[last];
            if (prev.e.onset == p.e.onset) {  // same start: the top note (a note over a rest)
                if (prev.e.rest || (!p.e.rest && p.e.pitch > prev.e.pitch)) std::swap(prev, p);
                for (Lyric& l : p.e.lyrics)
                    if (lyric_of(prev.e, l.verse) == nullptr) prev.e.lyrics.push_back(l);
                continue;
            }
            if (prev.e.onset + prev.e.length > p.e.onset) {
                note("notes of voice " + voice_ + " overlap: the earlier one is cut short");
                prev.e.length = p.e.onset - prev.e.onset;
                prev.tieStart = false;
            }
        }
        out.push_back(std::move(p));
        if (!out.back().e.grace) last = out.size() - 1;
    }
    steal_for_graces(out);
    std::stable_sort(out.begin(), out.end(),
                     [](const Piece& a, const Piece& b) { return a.e.onset < b.e.onset; });
    std::vector<Piece> filled;
    Beats at;
    for (Piece& p : out) {
        if (p.e.onset < at) {  // a grace note placed inside a note
            note("a grace note inside another note: skipped");
            continue;
        }
        if (at < p.e.onset) {
            Piece rest;
            rest.e.rest = true, rest.e.onset = at, rest.e.length = p.e.onset - at;
            rest.e.measure = m.number;
            filled.push_back(rest);
        }
        at = p.e.onset + p.e.length;
        filled.push_back(std::move(p));
    }
    m.length = std::max(end, at);
    if (at < m.length) {
        Piece rest;
        rest.e.rest = true, rest.e.onset = at, rest.e.length = m.length - at;
        rest.e.measure = m.number;
        filled.push_back(rest);
    }
    if (barFermata && !filled.empty()) filled.back().e.fermata = true;
    m.pieces = std::move(filled);
    for (Mark& mark : m.marks) mark.measure = m.number;
}

// The order in which the measures are played, each with its pass: repeats and endings expanded.
std::vector<std::pair<size_t, int>> Reader::expand(std::vector<Measure>& measures) {
    std::vector<int> active;
    for (Measure& m : measures) {
        if (!m.endingStart.empty()) active = m.endingStart;
        m.ending = active;
        if (m.endingStop) active.clear();
    }
    // A backward repeat in an ending, with no times of its own, repeats until the last ending
    // of its set is reached: "1, 2" then "3" plays three times.
    int last = 0;  // the highest ending number from here to the end of this set of endings
    for (size_t i = measures.size(); i-- > 0;) {
        Measure& m = measures[i];
        if (m.ending.empty()) last = 0;
        for (int n : m.ending) last = std::max(last, n);
        if (m.repeatBackward && !m.timesGiven && !m.ending.empty()) m.times = std::max(2, last);
    }
    // The repeats open at this measure: the outermost is the piece itself, or the part of it
    // after the last repeat that ended; each forward repeat opens one more.
    struct Section {
        size_t start;  // where its backward repeat goes back to
        int pass;      // the time through it
        bool written;  // opened by a forward repeat
    };
    std::vector<Section> open{{0, 1, false}};
    auto close = [&open](size_t next) {
        if (open.back().written) open.pop_back();
        if (!open.back().written) open.back() = {next, 1, false};
    };
    std::vector<std::pair<size_t, int>> order;
    std::vector<int> done(measures.size(), 0);
    bool afterEnding = false;  // the last measure played was in an ending
    size_t steps = 0;          // measures played and skipped, bounded too
    for (size_t i = 0; i < measures.size();) {
        if (++steps > 10 * kMaxExpandedMeasures) {
            result_.error = "the repeats and endings are too tangled to expand";
            return {};
        }
        const Measure& m = measures[i];
        const bool inEnding = !m.ending.empty();
        if (!inEnding && afterEnding) {  // past the endings: their repeat is over
            if (open.back().pass > 1)
                close(i);
            else if (!open.back().written)
                open.back().start = i;
        }
        // An ending is chosen by the pass of the repeat around it, also where its first measure
        // opens a repeat of its own (and comes back to it).
        const bool reopened = open.back().written && open.back().start == i;
        const int around =
            reopened && open.size() > 1 ? open[open.size() - 2].pass : open.back().pass;
        if (inEnding && std::find(m.ending.begin(), m.ending.end(), around) == m.ending.end()) {
            done[i] = 0;  // an ending for another pass
            ++i;
            continue;
        }
        if (m.repeatForward && !reopened) open.push_back({i, 1, true});
        const int pass = open.back().pass;
        afterEnding = inEnding;
        order.push_back({i, pass});
        if (order.size() > kMaxExpandedMeasures) {
            result_.error = "the repeats expand to more than " +
                            std::to_string(kMaxExpandedMeasures) + " measures";
            return {};
        }
        if (m.repeatBackward && ++done[i] < m.times) {
            ++open.back().pass;
            i = open.back().start;
            afterEnding = false;
            continue;
        }
        if (m.repeatBackward) {
            done[i] = 0;
            if (!inEnding) close(i + 1);  // in an ending, the repeat ends with its endings
        }
        ++i;
    }
    // An ending no pass reached is reported once.
    std::vector<bool> played(measures.size(), false);
    for (const auto& [i, p] : order) played[i] = true;
    for (size_t i = 0; i < measures.size(); ++i)
        if (!played[i]) {
            add_diagnostic(result_, measures[i].number,
                           "an ending no repeat reaches is not played");
            while (i + 1 < measures.size() && !played[i + 1]) ++i;
        }
    return order;
}

void Reader::lay_out(const std::vector<Measure>& measures,
                     const std::vector<std::pair<size_t, int>>& order) {
    std::vector<Piece> pieces;
    std::vector<Mark> marks;
    Beats offset;
    for (const auto& [i, pass] : order) {
        const Measure& m = measures[i];
        if (pieces.size() + marks.size() + m.pieces.size() + m.marks.size() > kMaxEvents) {
            result_.error = "the song has more than " + std::to_string(kMaxEvents) + " events";
            return;
        }
        for (Piece p : m.pieces) {
            p.e.onset = offset + p.e.onset;
            p.e.pass = pass;
            // Tied notes are one held note; the first keeps its syllable, the last its marks.
            // A tied note with a syllable of its own starts it: it is sung as a note.
            if (!pieces.empty()) {
                Piece& prev = pieces.back();
                const bool sung = std::any_of(p.e.lyrics.begin(), p.e.lyrics.end(),
                                              [](const Lyric& l) { return !l.syllables.empty(); });
                if (prev.tieStart && p.tieStop && !p.e.rest && !prev.e.rest && !sung &&
                    prev.e.pitch == p.e.pitch && prev.e.onset + prev.e.length == p.e.onset) {
                    prev.e.length = prev.e.length + p.e.length;
                    prev.tieStart = p.tieStart;
                    prev.e.fermata = prev.e.fermata || p.e.fermata;
                    prev.e.breath = p.e.breath;
                    continue;
                }
                if (prev.tieStart && p.tieStop && !p.e.rest && !prev.e.rest &&
                    prev.e.pitch != p.e.pitch)
                    add_diagnostic(result_, p.e.measure,
                                   "a tie from " + prev.e.name + " to " + p.e.name +
                                       ", another pitch: sung as two notes");
                // Rests side by side are one rest.
                if (prev.e.rest && p.e.rest && !prev.e.fermata && !prev.e.breath) {
                    prev.e.length = prev.e.length + p.e.length;
                    prev.e.fermata = p.e.fermata;
                    continue;
                }
            }
            pieces.push_back(std::move(p));
        }
        for (Mark mark : m.marks) {
            mark.onset = offset + mark.onset;
            marks.push_back(std::move(mark));
        }
        offset = offset + m.length;
    }
    for (Piece& p : pieces)
        if (p.e.length.num > 0) song().events.push_back(std::move(p.e));
    std::stable_sort(marks.begin(), marks.end(),
                     [](const Mark& a, const Mark& b) { return a.onset < b.onset; });
    resolve_marks(marks);
}

// Turns the marks into tempi, tempo glides, dynamics and hairpins.
void Reader::resolve_marks(std::vector<Mark>& marks) {
    double current = 0, beforeGlide = 0;
    std::map<std::string, const Mark*> wedges;
    for (size_t i = 0; i < marks.size(); ++i) {
        const Mark& k = marks[i];
        switch (k.kind) {
            case MarkKind::Tempo:
                if (song().tempi.empty() || song().tempi.back().qpm != k.qpm)
                    song().tempi.push_back({k.onset, k.measure, k.qpm});
                current = k.qpm;
                break;
            case MarkKind::Glide: {
                const Mark* target = nullptr;
                for (size_t j = i + 1; j < marks.size() && target == nullptr; ++j)
                    if (marks[j].kind == MarkKind::Tempo || marks[j].kind == MarkKind::ATempo)
                        target = &marks[j];
                if (target == nullptr || target->kind != MarkKind::Tempo ||
                    target->onset == k.onset) {
                    add_diagnostic(result_, k.measure,
                                   "'" + k.text + "' has no tempo mark after it: no tempo glide");
                    break;
                }
                beforeGlide = current;
                song().tempoGlides.push_back(
                    {k.onset, target->onset, k.measure, target->qpm, k.text});
                break;
            }
            case MarkKind::ATempo: {
                const double back = beforeGlide > 0 ? beforeGlide : current;
                if (back <= 0) {
                    add_diagnostic(result_, k.measure, "'" + k.text + "' with no tempo before it");
                    break;
                }
                song().tempi.push_back({k.onset, k.measure, back});
                current = back;
                break;
            }
            case MarkKind::Dynamic:
                song().dynamics.push_back({k.onset, k.measure, k.text});
                break;
            case MarkKind::WedgeStart:
                if (wedges.count(k.text) != 0)
                    add_diagnostic(result_, k.measure,
                                   "a hairpin starts inside another: the "
                                   "first ends here");
                if (wedges.count(k.text) != 0 && wedges[k.text]->onset < k.onset)
                    song().hairpins.push_back({wedges[k.text]->onset, k.onset,
                                               wedges[k.text]->measure, wedges[k.text]->crescendo});
                wedges[k.text] = &k;
                break;
            case MarkKind::WedgeStop: {
                auto open = wedges.find(k.text);
                if (open == wedges.end()) {
                    add_diagnostic(result_, k.measure, "a hairpin ends that never started");
                } else {
                    if (open->second->onset < k.onset)
                        song().hairpins.push_back({open->second->onset, k.onset,
                                                   open->second->measure, open->second->crescendo});
                    wedges.erase(open);
                }
                break;
            }
        }
    }
    for (const auto& [number, start] : wedges)
        add_diagnostic(result_, start->measure, "a hairpin never ends: skipped");
}

// ---- .mxl ---------------------------------------------------------------------------------------

// Reads one entry of the archive, at most kMaxInputBytes; false with error set otherwise.
bool read_entry(zip_t* zip, const std::string& name, std::string& out, std::string& error) {
    zip_file_t* file = zip_fopen(zip, name.c_str(), 0);
    if (file == nullptr) {
        error = "the .mxl archive has no file '" + name + "'";
        return false;
    }
    out.clear();
    char block[1 << 16];
    zip_int64_t got;
    while ((got = zip_fread(file, block, sizeof block)) > 0) {
        out.append(block, static_cast<size_t>(got));
        if (out.size() > kMaxInputBytes) break;
    }
    const std::string zipError = zip_error_strerror(zip_file_get_error(file));
    zip_fclose(file);
    if (got < 0) {
        error = "unreadable .mxl archive: '" + name + "': " + zipError;
        return false;
    }
    if (out.size() > kMaxInputBytes) {
        error = "the score in the .mxl archive is larger than " +
                std::to_string(kMaxInputBytes >> 20) + " MiB";
        return false;
    }
    return true;
}

// The score inside an .mxl archive: the first rootfile of META-INF/container.xml, else the
// first .musicxml or .xml file outside META-INF.
bool unpack_mxl(std::string_view bytes, std::string& score, std::string& error) {
    zip_error_t zerr;
    zip_error_init(&zerr);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &zerr);
    zip_t* zip = source == nullptr ? nullptr : zip_open_from_source(source, ZIP_RDONLY, &zerr);
    if (zip == nullptr) {
        error = std::string("unreadable .mxl archive: ") + zip_error_strerror(&zerr);
        if (source != nullptr) zip_source_free(source);
        zip_error_fini(&zerr);
        return false;
    }
    zip_error_fini(&zerr);
    std::unique_ptr<zip_t, int (*)(zip_t*)> owner(zip, zip_close);
    std::string name, container;
    if (zip_name_locate(zip, "META-INF/container.xml", 0) >= 0) {
        if (!read_entry(zip, "META-INF/container.xml", container, error)) return false;
        pugi::xml_document doc;
        if (doc.load_buffer(container.data(), container.size()))
            name = doc.child("container")
                       .child("rootfiles")
                       .child("rootfile")
                       .attribute("full-path")
                       .value();
        if (name.empty()) {
            error = "the .mxl archive's META-INF/container.xml names no score";
            return false;
        }
    } else {
        const zip_int64_t count = zip_get_num_entries(zip, 0);
        for (zip_int64_t i = 0; i < count && name.empty(); ++i) {
            const char* entry = zip_get_name(zip, static_cast<zip_uint64_t>(i), 0);
            const std::string e = entry == nullptr ? "" : entry;
            const bool xml = (e.size() > 4 && e.compare(e.size() - 4, 4, ".xml") == 0) ||
                             (e.size() > 9 && e.compare(e.size() - 9, 9, ".musicxml") == 0);
            if (xml && e.rfind("META-INF/", 0) != 0) name = e;
        }
        if (name.empty()) {
            error = "the .mxl archive holds no score (no META-INF/container.xml, no .xml file)";
            return false;
        }
    }
    return read_entry(zip, name, score, error);
}

// "line L, column C" of byte offset in text.
std::string place_of(std::string_view text, std::ptrdiff_t offset) {
    size_t line = 1, column = 1;
    for (size_t i = 0; i < text.size() && i < static_cast<size_t>(offset); ++i)
        if (text[i] == '\n')
            ++line, column = 1;
        else
            ++column;
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

}  // namespace

Result read_musicxml(std::string_view bytes, const Options& options) {
    Result result;
    if (bytes.size() > kMaxInputBytes) return failure(too_large_message());
    try {
        std::string unpacked;
        if (bytes.size() >= 4 && bytes.substr(0, 4) == std::string_view("PK\x03\x04", 4)) {
            std::string error;
            if (!unpack_mxl(bytes, unpacked, error)) return failure(error);
            bytes = unpacked;
        }
        // Without parse_doctype the DTD is skipped: no entity is declared, none fetched, none
        // expanded past the five of XML itself and character references.
        pugi::xml_document doc;
        const pugi::xml_parse_result parsed =
            doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_default);
        if (!parsed)
            return failure(std::string("not a MusicXML file: not XML (") + parsed.description() +
                           " at " + place_of(bytes, parsed.offset) + ")");
        Reader reader(result, options);
        reader.read(doc);
        if (!result.error.empty()) result.ok = false;
    } catch (const std::overflow_error&) {
        result.ok = false;
        result.error = "times in the score are too large or too finely divided to add up";
    } catch (const std::bad_alloc&) {
        result.ok = false;
        result.error = "out of memory while reading the score";
    }
    if (!result.ok) result.song = Song{};
    return result;
}

}  // namespace speechscore::songs
