// Standard MIDI file reader (format 0 and 1) into the song model of songs.h: the top voice of one
// track's channel, its lyric events (or text events) as syllables, the tempo map, measures from
// the time signatures. Owns no state beyond one call.
//
// The reader is our own. The Debian MIDI file libraries were considered: libsmf (1.3, upstream
// unchanged since 2010, glib-based, reports malformed input through glib's log) and portsmf
// (a 2010 snapshot whose reader converts to its own sequence and time model); neither is
// maintained, and both would still need a checked pass over lyrics, encodings and time. A
// standard MIDI file is a short chunked format, so a bounded reader that checks every length
// against the bytes left is smaller than the glue either library would need.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <new>

#include "song_build.h"
#include "songs.h"

namespace speechscore::songs {
namespace {

struct MidiError {
    std::string message;
};

// A cursor over the bytes of one chunk; every read is checked against its end.
class Bytes {
public:
    Bytes(const unsigned char* at, size_t size, std::string what)
        : at_(at), end_(at + size), what_(std::move(what)) {}
    bool done() const { return at_ >= end_; }
    size_t left() const { return static_cast<size_t>(end_ - at_); }
    unsigned peek() const {
        need(1);
        return *at_;
    }
    unsigned byte() {
        need(1);
        return *at_++;
    }
    std::uint32_t be(int count) {
        need(static_cast<size_t>(count));
        std::uint32_t v = 0;
        for (int i = 0; i < count; ++i) v = v << 8 | *at_++;
        return v;
    }
    // A variable-length quantity: at most four bytes, as the format allows.
    std::uint32_t varint() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            const unsigned b = byte();
            v = v << 7 | (b & 0x7f);
            if ((b & 0x80) == 0) return v;
        }
        throw MidiError{what_ + ": a variable-length number longer than four bytes"};
    }
    std::string take(size_t count) {
        need(count);
        std::string s(reinterpret_cast<const char*>(at_), count);
        at_ += count;
        return s;
    }

private:
    const unsigned char* at_;
    const unsigned char* end_;
    std::string what_;
    void need(size_t count) const {
        if (left() < count) throw MidiError{what_ + " ends in the middle of an event"};
    }
};

// Text as UTF-8: kept when it is valid UTF-8, else read as Latin-1; control characters dropped.
std::string to_utf8(const std::string& raw) {
    bool valid = true;
    for (size_t i = 0; i < raw.size() && valid;) {
        const unsigned char c = static_cast<unsigned char>(raw[i]);
        const size_t n = c < 0x80             ? 1
                         : (c & 0xe0) == 0xc0 ? 2
                         : (c & 0xf0) == 0xe0 ? 3
                         : (c & 0xf8) == 0xf0 ? 4
                                              : 0;
        if (n == 0 || i + n > raw.size() || (n == 2 && c < 0xc2)) valid = false;
        for (size_t k = 1; valid && k < n; ++k)
            valid = (static_cast<unsigned char>(raw[i + k]) & 0xc0) == 0x80;
        i += n == 0 ? 1 : n;
    }
    std::string out;
    for (const char ch : raw) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7f) continue;
        if (valid || c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xc0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3f));
        }
    }
    return out;
}

struct Note {
    std::int64_t on, off;
    int key, velocity;
};

struct Text {
    std::int64_t tick;
    std::string text;  // as in the file
    int track;
};

struct TimeSignature {
    std::int64_t tick;
    int numerator, power;  // numerator / 2^power
};

struct File {
    std::map<std::pair<int, int>, std::vector<Note>> notes;  // by (track, channel)
    std::map<int, std::string> trackNames;
    std::vector<Text> lyrics, texts;
    std::vector<std::pair<std::int64_t, std::uint32_t>> tempi;  // tick, microseconds a quarter
    std::vector<TimeSignature> signatures;
    size_t count = 0;  // notes and texts, bounded by kMaxEvents
};

void read_track(Bytes in, int track, File& file, Result& result) {
    const std::string where = "track " + std::to_string(track + 1);
    std::int64_t tick = 0;
    unsigned running = 0;
    std::map<std::pair<int, int>, std::vector<std::pair<std::int64_t, int>>> open;
    bool ended = false;
    while (!in.done() && !ended) {
        tick += in.varint();
        unsigned status = in.peek();
        if (status & 0x80)
            in.byte();
        else if (running != 0)
            status = running;
        else
            throw MidiError{where + ": a data byte where an event should start"};
        // The format says meta and system exclusive events cancel running status; files that
        // use it across them are read as meant, since a data byte cannot mean anything else.
        if (status == 0xff) {
            const unsigned type = in.byte();
            const std::string data = in.take(in.varint());
            if (type == 0x2f) ended = true;
            if (type == 0x05) file.lyrics.push_back({tick, data, track});
            if (type == 0x01) file.texts.push_back({tick, data, track});
            if (type == 0x03) file.trackNames.emplace(track, to_utf8(data));
            if (type == 0x51 && data.size() == 3) {
                const auto* d = reinterpret_cast<const unsigned char*>(data.data());
                file.tempi.push_back(
                    {tick, std::uint32_t{d[0]} << 16 | std::uint32_t{d[1]} << 8 | d[2]});
            }
            if (type == 0x58 && data.size() >= 2) {
                const int power = static_cast<unsigned char>(data[1]);
                if (data[0] == 0 || power > 6)
                    add_diagnostic(result, "", where + ": a bad time signature is skipped");
                else
                    file.signatures.push_back({tick, static_cast<unsigned char>(data[0]), power});
            }
            if (type == 0x05 || type == 0x01) ++file.count;
        } else if (status == 0xf0 || status == 0xf7) {
            in.take(in.varint());
        } else if (status >= 0x80 && status < 0xf0) {
            running = status;
            const unsigned kind = status >> 4, channel = status & 0x0f;
            const unsigned a = in.byte();
            const unsigned b = kind == 0xc || kind == 0xd ? 0 : in.byte();
            if ((a | b) & 0x80) throw MidiError{where + ": a status byte inside an event"};
            const std::pair<int, int> slot{static_cast<int>(channel), static_cast<int>(a)};
            if (kind == 0x9 && b > 0) {
                open[slot].push_back({tick, static_cast<int>(b)});
            } else if (kind == 0x8 || kind == 0x9) {
                auto it = open.find(slot);
                if (it == open.end() || it->second.empty()) continue;
                const auto [on, velocity] = it->second.front();  // first on, first off
                it->second.erase(it->second.begin());
                if (++file.count > kMaxEvents) throw MidiError{"more than a million notes"};
                file.notes[{track, static_cast<int>(channel)}].push_back(
                    {on, tick, static_cast<int>(a), velocity});
            }
        } else {
            throw MidiError{where + ": a system message that a file cannot hold"};
        }
        if (file.count > kMaxEvents) throw MidiError{"more than a million events"};
    }
    if (!ended) add_diagnostic(result, "", where + " has no end-of-track event");
    bool hanging = false;
    for (auto& [slot, ons] : open)
        for (const auto& [on, velocity] : ons) {
            hanging = true;
            if (tick > on)
                file.notes[{track, slot.first}].push_back({on, tick, slot.second, velocity});
        }
    if (hanging) add_diagnostic(result, "", where + ": notes never released end with the track");
}

// Places on the beat line and the measure numbers of the time signatures.
class Clock {
public:
    Clock(int tpq, int smpteFrames, int ticksPerFrame, std::vector<TimeSignature> signatures)
        : tpq_(tpq), frames_(smpteFrames), perFrame_(ticksPerFrame) {
        std::stable_sort(
            signatures.begin(), signatures.end(),
            [](const TimeSignature& a, const TimeSignature& b) { return a.tick < b.tick; });
        Beats at;
        std::int64_t number = 1;
        Beats length = make_beats(4);
        for (const TimeSignature& s : signatures) {
            const Beats start = beats(s.tick);
            if (start > at) {
                // Whole measures of the old signature, and one more for a part measure.
                const Beats span = start - at;
                const Beats count = span * Beats{length.den, length.num};
                number += count.num / count.den + (count.num % count.den != 0 ? 1 : 0);
            }
            at = start;
            length = make_beats(4 * s.numerator, std::int64_t{1} << s.power);
            segments_.push_back({at, number, length});
        }
        if (segments_.empty() || segments_.front().start.num != 0)
            segments_.insert(segments_.begin(), {Beats{}, 1, make_beats(4)});
    }
    // Ticks as quarter-note beats; SMPTE time at 120 quarter notes a minute.
    Beats beats(std::int64_t ticks) const {
        if (tpq_ > 0) return make_beats(ticks, tpq_);
        const std::int64_t fps100 = frames_ == 29 ? 2997 : frames_ * 100;
        return make_beats(ticks, fps100 * perFrame_) * Beats{200, 1};
    }
    std::string measure(Beats at) const {
        // The last segment starting at or before the place (the first starts at beat 0).
        auto after = std::upper_bound(segments_.begin(), segments_.end(), at,
                                      [](Beats t, const Segment& seg) { return t < seg.start; });
        const Segment* s = after == segments_.begin() ? &segments_.front() : &*(after - 1);
        const Beats count = (at - s->start) * Beats{s->length.den, s->length.num};
        return std::to_string(s->number + count.num / count.den);
    }

private:
    struct Segment {
        Beats start;
        std::int64_t number;
        Beats length;
    };
    int tpq_, frames_, perFrame_;
    std::vector<Segment> segments_;
};

// The top voice: of notes starting together the highest; a later note that is higher, or that
// lasts past the sounding one, cuts it and goes on; a lower note ending inside it is left out.
std::vector<Note> top_voice(std::vector<Note> notes, size_t& dropped) {
    std::stable_sort(notes.begin(), notes.end(), [](const Note& a, const Note& b) {
        return a.on != b.on ? a.on < b.on : a.key > b.key;
    });
    std::vector<Note> top;
    for (const Note& n : notes) {
        if (n.off <= n.on) continue;
        if (!top.empty()) {
            Note& t = top.back();
            if (n.on == t.on || (n.on < t.off && n.key <= t.key && n.off <= t.off)) {
                ++dropped;
                continue;
            }
            if (n.on < t.off) t.off = n.on;
        }
        top.push_back(n);
    }
    return top;
}

std::string part_id(int track, int channel, bool split) {
    return "t" + std::to_string(track + 1) + (split ? "c" + std::to_string(channel + 1) : "");
}

// Cleans a lyric: drops the line marks ("/" and "\" of karaoke files, CR, LF), spaces and
// control bytes. Sets wordStart when the text begins a word by a leading space or line mark.
std::string clean_syllable(const std::string& raw, bool& wordStart) {
    wordStart = false;
    size_t i = 0;
    while (i < raw.size() && std::strchr(" /\\\r\n", raw[i]) != nullptr && raw[i] != '\0')
        ++i, wordStart = true;
    std::string s = to_utf8(raw.substr(i));
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

// A lyric may go to a part of track: its own track, or any when its track has no notes.
bool lyric_fits(const Text& lyric, int track, const std::map<int, int>& channelsOf) {
    return lyric.track == track || channelsOf.count(lyric.track) == 0;
}

}  // namespace

Result read_midi(std::string_view bytes, const Options& options) {
    Result result;
    if (bytes.size() > kMaxInputBytes) return failure(too_large_message());
    try {
        Bytes file(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                   "the MIDI file");
        if (file.left() < 4 || file.take(4) != "MThd")
            return failure("not a standard MIDI file: no MThd header");
        if (file.left() < 10)
            return failure("the MIDI file is cut short: its header needs 14 bytes, it has " +
                           std::to_string(bytes.size()));
        const std::uint32_t headerLength = file.be(4);
        if (headerLength < 6 || headerLength > file.left())
            return failure("not a standard MIDI file: a header of " + std::to_string(headerLength) +
                           " bytes");
        const unsigned format = file.be(2), trackCount = file.be(2), division = file.be(2);
        file.take(headerLength - 6);
        if (format > 1)
            return failure("MIDI format " + std::to_string(format) +
                           " is not read: save the song as format 0 or 1");
        int tpq = 0, frames = 0, perFrame = 0;
        if (division & 0x8000) {
            frames = 256 - static_cast<int>(division >> 8);
            perFrame = static_cast<int>(division & 0xff);
            if ((frames != 24 && frames != 25 && frames != 29 && frames != 30) || perFrame == 0)
                return failure("a MIDI file with a bad time division");
            add_diagnostic(result, "", "SMPTE time: read at 120 quarter notes a minute");
        } else {
            tpq = static_cast<int>(division);
            if (tpq == 0) return failure("a MIDI file with 0 ticks a quarter note");
        }

        File content;
        unsigned tracks = 0;
        while (tracks < trackCount && file.left() >= 8) {
            const std::string id = file.take(4);
            const std::uint32_t length = file.be(4);
            if (length > file.left())
                return failure("the MIDI file is cut short: track " + std::to_string(tracks + 1) +
                               " claims " + std::to_string(length) + " bytes, " +
                               std::to_string(file.left()) + " are left");
            const std::string chunk = file.take(length);
            if (id != "MTrk") continue;  // chunks of other kinds are skipped, as the format asks
            read_track(Bytes(reinterpret_cast<const unsigned char*>(chunk.data()), chunk.size(),
                             "track " + std::to_string(tracks + 1)),
                       static_cast<int>(tracks), content, result);
            ++tracks;
        }
        if (tracks < trackCount)
            add_diagnostic(result, "",
                           "the header announces " + std::to_string(trackCount) +
                               " tracks, the file holds " + std::to_string(tracks));
        if (content.notes.empty()) return failure("the MIDI file has no notes");
        if (format == 0 && tracks > 1)
            add_diagnostic(result, "", "a format 0 file with more than one track");

        const Clock clock(tpq, frames, perFrame, content.signatures);
        Song& song = result.song;

        // Lyric events, else text events that are not karaoke headers ("@T title").
        std::vector<Text> lyrics = content.lyrics;
        if (lyrics.empty()) {
            for (const Text& t : content.texts)
                if (!t.text.empty() && t.text[0] != '@' && t.text[0] != '%') lyrics.push_back(t);
            if (!lyrics.empty())
                add_diagnostic(result, "", "no lyric events: text events are read as lyrics");
        }
        std::stable_sort(lyrics.begin(), lyrics.end(),
                         [](const Text& a, const Text& b) { return a.tick < b.tick; });

        // One part per track and channel; the lyrics belong to the part whose notes start where
        // most of them stand, among the parts of the lyric's own track when it has notes.
        std::map<int, int> channelsOf;
        for (const auto& [slot, notes] : content.notes) ++channelsOf[slot.first];
        std::vector<std::pair<int, int>> slots;
        size_t best = 0, bestHits = 0;
        for (const auto& [slot, notes] : content.notes) {
            std::vector<std::int64_t> ons;
            for (const Note& n : notes) ons.push_back(n.on);
            std::sort(ons.begin(), ons.end());
            size_t hits = 0;
            for (const Text& l : lyrics)
                if (lyric_fits(l, slot.first, channelsOf) &&
                    std::binary_search(ons.begin(), ons.end(), l.tick))
                    ++hits;
            Part part;
            part.id = part_id(slot.first, slot.second, channelsOf[slot.first] > 1);
            part.name = content.trackNames.count(slot.first) ? content.trackNames[slot.first] : "";
            if (channelsOf[slot.first] > 1)
                part.name += (part.name.empty() ? "" : " ") + std::string("channel ") +
                             std::to_string(slot.second + 1);
            part.lyrics = hits > 0;
            if (hits > bestHits) best = song.parts.size(), bestHits = hits;
            song.parts.push_back(part);
            slots.push_back(slot);
        }
        size_t chosen = best;
        if (!options.part.empty()) {
            chosen = song.parts.size();
            for (size_t i = 0; i < song.parts.size() && chosen == song.parts.size(); ++i)
                if (song.parts[i].id == options.part) chosen = i;
            for (size_t i = 0; i < song.parts.size() && chosen == song.parts.size(); ++i)
                if (song.parts[i].name == options.part) chosen = i;
            if (chosen == song.parts.size()) {
                const std::string list = part_list(song.parts);
                return failure("no part '" + options.part + "' (the parts are " + list + ")");
            }
        } else if (bestHits == 0) {
            add_diagnostic(
                result, "",
                lyrics.empty() ? "the file has no lyrics" : "no lyric stands where a note starts");
        }
        if (!options.voice.empty() && options.voice != "1")
            return failure("a MIDI part has one voice, voice 1");
        if (!options.verse.empty() && options.verse != "1")
            return failure("a MIDI file has one verse, verse 1");
        song.part = song.parts[chosen].id;
        song.voice = "1";

        size_t dropped = 0;
        const std::vector<Note> top = top_voice(content.notes[slots[chosen]], dropped);
        if (dropped > 0)
            add_diagnostic(result, "",
                           std::to_string(dropped) + " notes under the top voice are left out");

        // Lyrics onto the notes: the note starting at the lyric, else one starting within a
        // sixteenth after it, else the note sounding there if it began within a sixteenth.
        const std::int64_t near = tpq > 0 ? std::max(1, tpq / 4) : 0;
        std::vector<std::vector<std::pair<std::string, bool>>> sung(top.size());
        for (const Text& l : lyrics) {
            if (!lyric_fits(l, slots[chosen].first, channelsOf)) continue;
            bool wordStart = false;
            const std::string text = clean_syllable(l.text, wordStart);
            if (text.empty()) continue;
            size_t at = top.size();
            auto first = std::lower_bound(top.begin(), top.end(), l.tick,
                                          [](const Note& n, std::int64_t t) { return n.on < t; });
            if (first != top.end() && first->on - l.tick <= near)
                at = static_cast<size_t>(first - top.begin());
            else if (first != top.begin() && (first - 1)->off > l.tick &&
                     l.tick - (first - 1)->on <= near)
                at = static_cast<size_t>(first - top.begin() - 1);
            if (at == top.size()) {
                // A note that ends where it starts is no note to sing on: said so.
                const std::vector<Note>& all = content.notes[slots[chosen]];
                const bool empty = std::any_of(all.begin(), all.end(), [&](const Note& n) {
                    return n.off <= n.on && n.on >= l.tick && n.on - l.tick <= near;
                });
                if (!options.part.empty() || bestHits > 0)
                    add_diagnostic(result, clock.measure(clock.beats(l.tick)),
                                   "lyric '" + text + "' is on " +
                                       (empty ? "a note of no length" : "no note of the part") +
                                       ": skipped");
                continue;
            }
            sung[at].push_back({text, wordStart});
        }

        // Syllables into words: a trailing '-' joins the next syllable; where no syllable has
        // one, karaoke's rule: a syllable joins the last unless it starts with a space or "/".
        bool hyphens = false, spaces = false;
        for (const auto& list : sung)
            for (const auto& [text, wordStart] : list) {
                hyphens = hyphens || text.back() == '-';
                spaces = spaces || wordStart;
            }
        constexpr size_t kNone = static_cast<size_t>(-1);
        bool joinNext = false;    // the previous syllable continues its word
        size_t previous = kNone;  // the event of the last lyric
        Beats at;
        for (size_t i = 0; i < top.size(); ++i) {
            Event e;
            e.onset = clock.beats(top[i].on);
            if (at < e.onset) {
                Event rest;
                rest.rest = true, rest.onset = at, rest.length = e.onset - at;
                rest.measure = clock.measure(at);
                song.events.push_back(rest);
            }
            e.length = clock.beats(top[i].off) - e.onset;
            e.pitch = top[i].key;
            e.name = pitch_name(e.pitch);
            e.measure = clock.measure(e.onset);
            at = e.onset + e.length;
            Lyric lyric;
            for (const auto& [raw, wordStart] : sung[i]) {
                std::string text = raw;
                Lyric* last = previous == kNone ? nullptr : &song.events[previous].lyrics.back();
                if (!lyric.syllables.empty()) last = &lyric;
                if (text == "_" || text == "+" || text == "~") {  // a held syllable
                    if (last != nullptr) last->extend = true;
                    continue;
                }
                bool continues = false;
                if (hyphens) {
                    continues = text.size() > 1 && text.back() == '-';
                    if (continues) text.pop_back();
                }
                const bool joined = hyphens ? joinNext : spaces && !wordStart && last != nullptr;
                if (!hyphens && joined) {
                    // The last syllable did not end its word after all.
                    Syllable& before = last->syllables.back();
                    before.syllabic = before.syllabic == Syllabic::Single ? Syllabic::Begin
                                      : before.syllabic == Syllabic::End  ? Syllabic::Middle
                                                                          : before.syllabic;
                }
                lyric.syllables.push_back(
                    {text, joined ? (continues ? Syllabic::Middle : Syllabic::End)
                                  : (continues ? Syllabic::Begin : Syllabic::Single)});
                joinNext = continues;
            }
            if (!lyric.syllables.empty()) {
                e.lyrics.push_back(lyric);
                previous = song.events.size();
            }
            song.events.push_back(e);
        }

        std::stable_sort(content.tempi.begin(), content.tempi.end());
        for (const auto& [tick, micro] : content.tempi) {
            if (tpq == 0) break;  // SMPTE time does not follow the tempo
            if (micro == 0) {
                add_diagnostic(result, clock.measure(clock.beats(tick)), "a tempo of 0 skipped");
                continue;
            }
            const double qpm = 60e6 / micro;
            if (qpm > kMostQpm) {
                add_diagnostic(result, clock.measure(clock.beats(tick)),
                               "a tempo of " + std::to_string(std::llround(qpm)) +
                                   " quarter notes a minute is over 10000: skipped");
                continue;
            }
            const Beats onset = clock.beats(tick);
            if (!song.tempi.empty() && song.tempi.back().onset == onset) song.tempi.pop_back();
            if (song.tempi.empty() || song.tempi.back().qpm != qpm)
                song.tempi.push_back({onset, clock.measure(onset), qpm});
        }
        if (tpq == 0) song.tempi.push_back({Beats{}, "1", 120});
        list_verses(song);
        if (!song.verses.empty()) song.verse = "1";
        result.ok = true;
    } catch (const MidiError& e) {
        return failure(e.message);
    } catch (const std::overflow_error&) {
        return failure("times in the MIDI file are too large to add up");
    } catch (const std::bad_alloc&) {
        return failure("out of memory while reading the MIDI file");
    }
    return result;
}

}  // namespace speechscore::songs
