// MIDI reader: files built byte by byte here, and hostile files that must end in one clear error.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "songs.h"

namespace songs = speechscore::songs;

namespace {

std::string varint(std::uint32_t v) {
    std::string out(1, static_cast<char>(v & 0x7f));
    while (v >>= 7) out.insert(out.begin(), static_cast<char>(0x80 | (v & 0x7f)));
    return out;
}

std::string be(std::uint32_t v, int bytes) {
    std::string out;
    for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>(v >> (8 * i) & 0xff);
    return out;
}

// A track chunk of the given bytes.
std::string mtrk(const std::string& body) {
    return "MTrk" + be(static_cast<std::uint32_t>(body.size()), 4) + body;
}

// A track's events, written as the file holds them.
struct Track {
    std::string bytes;
    Track& raw(std::uint32_t delta, std::initializer_list<int> data) {
        bytes += varint(delta);
        for (int b : data) bytes += static_cast<char>(b);
        return *this;
    }
    Track& meta(std::uint32_t delta, int type, const std::string& data) {
        bytes += varint(delta) + "\xff" + static_cast<char>(type) +
                 varint(static_cast<std::uint32_t>(data.size())) + data;
        return *this;
    }
    Track& tempo(std::uint32_t delta, std::uint32_t micro) {
        return meta(delta, 0x51, be(micro, 3));
    }
    std::string chunk() const { return mtrk(bytes + std::string("\x00\xff\x2f\x00", 4)); }
};

std::string smf(int format, int division, const std::vector<Track>& tracks) {
    std::string out = "MThd" + be(6, 4) + be(static_cast<std::uint32_t>(format), 2) +
                      be(static_cast<std::uint32_t>(tracks.size()), 2) +
                      be(static_cast<std::uint32_t>(division), 2);
    for (const Track& t : tracks) out += t.chunk();
    return out;
}

std::string printed(const songs::Result& r) {
    std::ostringstream out;
    songs::print_song(out, r.song);
    return out.str();
}

}  // namespace

// Format 0: running status, note-on of velocity 0 as note-off, a tempo change, Latin-1 and UTF-8
// lyrics, a 3/4 measure, a rest. Text events as lyrics, karaoke style ("@" headers not sung).
// SMPTE time (25 frames of 40 ticks: two beats). Format 1: the lyrics choose the melody's track; a
// chord keeps its top note, a legato overlap cuts the earlier note; a track chosen by name.
TEST(Midi, FilesReadAsTheirDumpsOrOneError) {
    Track zero;
    zero.tempo(0, 500000).meta(0, 0x58, std::string("\x03\x02\x18\x08", 4));
    zero.meta(0, 0x05, "Twin-").raw(0, {0x90, 60, 100}).raw(480, {60, 0});
    zero.meta(0, 0x05, "kle").raw(0, {60, 90}).raw(480, {60, 0});
    zero.tempo(0, 400000).meta(0, 0x05, "S\xe9").raw(0, {67, 80}).raw(960, {0x80, 67, 0});
    zero.meta(480, 0x05, "\xc3\xa7\x61").raw(0, {0x90, 69, 80}).raw(480, {69, 0});  // "ça"
    Track text;
    text.meta(0, 0x01, "@TTwinkle").meta(0, 0x01, "/Twin").raw(0, {0x90, 60, 90});
    text.meta(480, 0x01, "kle").raw(0, {0x90, 62, 90}).raw(0, {0x80, 60, 0});
    text.meta(480, 0x01, " lit").raw(0, {0x90, 64, 90}).raw(0, {0x80, 62, 0});
    text.meta(480, 0x01, "tle").raw(0, {0x90, 65, 90}).raw(0, {0x80, 64, 0});
    text.meta(480, 0x01, " star").raw(0, {0x90, 67, 90}).raw(0, {0x80, 65, 0});
    text.raw(480, {0x80, 67, 0});
    Track smpte;
    smpte.meta(0, 0x05, "\rla").raw(0, {0x90, 69, 90}).raw(500, {0x80, 69, 0});
    smpte.meta(500, 0x05, "\rlo").raw(0, {0x90, 67, 90}).raw(1000, {0x80, 67, 0});
    Track empty;  // a lyric on a note that ends where it starts
    empty.meta(0, 0x05, "a").raw(0, {0x90, 60, 90}).raw(480, {60, 0});
    empty.meta(0, 0x05, "b").raw(0, {62, 90}).raw(0, {62, 0}).raw(480, {64, 90}).raw(480, {64, 0});
    Track fast;  // tempi of 0 and of 600000 quarter notes a minute: skipped
    fast.tempo(0, 500000).meta(0, 0x05, "la").raw(0, {0x90, 60, 90}).raw(480, {60, 0});
    fast.tempo(0, 0).meta(0, 0x05, "lo").raw(0, {62, 90}).raw(480, {62, 0});
    fast.tempo(0, 100).meta(0, 0x05, "li").raw(0, {64, 90}).raw(480, {64, 0});
    Track conductor, melody, bass;
    conductor.meta(0, 0x03, "Song").tempo(0, 600000);
    melody.meta(0, 0x03, "Melody").meta(0, 0x05, "hi");
    melody.raw(0, {0x91, 60, 90}).raw(0, {0x91, 64, 90}).raw(480, {0x81, 60, 0}).raw(0, {64, 0});
    melody.meta(0, 0x05, "hel-").raw(0, {0x91, 62, 90});
    melody.meta(480, 0x05, "lo").raw(0, {0x91, 60, 90}).raw(20, {0x81, 62, 0});
    melody.raw(20, {0x91, 59, 90}).raw(200, {59, 0}).raw(240, {0x81, 60, 0});
    bass.meta(0, 0x03, "Bass").raw(0, {0x92, 36, 90}).raw(1440, {0x82, 36, 0});
    const std::string one = smf(1, 480, {conductor, melody, bass});
    const std::string header = "MThd" + be(6, 4) + be(0, 2) + be(1, 2) + be(480, 2);
    // The dump, "error: " and the error, then "note: " and each diagnostic.
    const std::pair<std::string, std::string> cases[] = {
        {smf(0, 480, {zero}),
         "part t1 voice 1 verse 1\nm1 @0 C4/1 \"Twin-\"\nm1 @1 C4/1 \"kle\"\n"
         "m1 @2 G4/2 \"S\xc3\xa9\"\nm2 @4 R/1\nm2 @5 A4/1 \"\xc3\xa7\x61\"\ntempo m1 @0 120\n"
         "tempo m1 @2 150\n"},
        {smf(0, 480, {text}),
         "part t1 voice 1 verse 1\nm1 @0 C4/1 \"Twin-\"\nm1 @1 D4/1 \"kle\"\n"
         "m1 @2 E4/1 \"lit-\"\nm1 @3 F4/1 \"tle\"\nm2 @4 G4/1 \"star\"\n"
         "note: no lyric events: text events are read as lyrics\n"},
        {smf(0, 480, {empty}),
         "part t1 voice 1 verse 1\nm1 @0 C4/1 \"a\"\nm1 @1 R/1\nm1 @2 E4/1\nnote: lyric 'b' is "
         "on a note of no length: skipped\n"},
        {smf(0, 480, {fast}),
         "part t1 voice 1 verse 1\nm1 @0 C4/1 \"la\"\nm1 @1 D4/1 \"lo\"\nm1 @2 E4/1 \"li\"\n"
         "tempo m1 @0 120\nnote: a tempo of 0 skipped\nnote: a tempo of 600000 quarter notes a "
         "minute is over 10000: skipped\n"},
        {smf(0, (256 - 25) << 8 | 40, {smpte}),
         "part t1 voice 1 verse 1\nm1 @0 A4/1 \"la\"\nm1 @1 R/1\nm1 @2 G4/2 \"lo\"\n"
         "tempo m1 @0 120\nnote: SMPTE time: read at 120 quarter notes a minute\n"},
        {one,
         "part t2 voice 1 verse 1\nm1 @0 E4/1 \"hi\"\nm1 @1 D4/1 \"hel-\"\nm1 @2 C4/1 \"lo\"\n"
         "tempo m1 @0 100\nnote: 2 notes under the top voice are left out\n"},
        // Broken and hostile files: one clear error each, never a crash.
        {"MThd", "error: the MIDI file is cut short: its header needs 14 bytes, it has 4\n"},
        {"MThd" + be(0xffffffff, 4) + std::string(8, '\0'),
         "error: not a standard MIDI file: a header of 4294967295 bytes\n"},
        {"MThd" + be(6, 4) + be(2, 2) + be(1, 2) + be(480, 2),
         "error: MIDI format 2 is not read: save the song as format 0 or 1\n"},
        {"MThd" + be(6, 4) + be(0, 2) + be(1, 2) + be(0, 2),
         "error: a MIDI file with 0 ticks a quarter note\n"},
        {header, "error: the MIDI file has no notes\n"},
        {header + "MTrk" + be(1000, 4) + std::string("\x00\x90\x3c\x40", 4),
         "error: the MIDI file is cut short: track 1 claims 1000 bytes, 4 are left\n"},
        {header + "MTrk" + be(0xffffffff, 4),
         "error: the MIDI file is cut short: track 1 claims 4294967295 bytes, 0 are left\n"},
        {header + mtrk(std::string("\xff\xff\xff\xff\x7f\x90\x3c\x40", 8)),
         "error: track 1: a variable-length number longer than four bytes\n"},
        {header + mtrk(std::string("\x00\xff\x01\x8f\xff\xff\x7f", 7)),
         "error: track 1 ends in the middle of an event\n"},
        {header + mtrk(std::string("\x00\x3c\x40", 3)),
         "error: track 1: a data byte where an event should start\n"},
        {header + mtrk(std::string("\x00\x90\x3c", 3)),
         "error: track 1 ends in the middle of an event\n"},
        {header + mtrk(std::string("\x00\x90\x3c\x90", 4)),
         "error: track 1: a status byte inside an event\n"},
        {header + mtrk(std::string("\x00\xf1\x00", 3)),
         "error: track 1: a system message that a file cannot hold\n"},
    };
    for (const auto& [file, expected] : cases) {
        const songs::Result r = songs::read_song(file);
        std::string report = r.ok ? printed(r) : "error: " + r.error + "\n";
        for (const songs::Diagnostic& d : r.diagnostics) report += "note: " + d.message + "\n";
        EXPECT_EQ(report, expected);
    }
    const songs::Song song = songs::read_song(one).song;
    ASSERT_EQ(song.parts.size(), 2u);
    EXPECT_EQ(song.parts[0].name, "Melody");
    EXPECT_TRUE(song.parts[0].lyrics);
    EXPECT_FALSE(song.parts[1].lyrics);
    songs::Options byName;
    byName.part = "Bass";
    EXPECT_EQ(printed(songs::read_song(one, byName)),
              "part t3 voice 1\nm1 @0 C2/3\ntempo m1 @0 100\n");
}
