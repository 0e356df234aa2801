// MusicXML reader: the documents of tests/songs/documents read as their .expected dumps, .mxl
// archives, the choices of part, voice and verse, and hostile input that must end in one clear
// error or in diagnostics, never in a crash.
#include <gtest/gtest.h>
#include <zip.h>

#include <cstdint>
#include <cstdio>
#include <pugixml.hpp>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "songs.h"
#include "support/child.h"

namespace songs = speechscore::songs;

namespace {

std::string document(const std::string& name) {
    return read_file(std::string(SONGS_DOCUMENTS) + "/" + name);
}

std::string printed(const songs::Song& song) {
    std::ostringstream out;
    songs::print_song(out, song);
    return out.str();
}

std::vector<std::string> diagnostics(const songs::Result& r) {
    std::vector<std::string> lines;
    for (const songs::Diagnostic& d : r.diagnostics)
        lines.push_back((d.measure.empty() ? "" : "m" + d.measure + ": ") + d.message);
    return lines;
}

// An .mxl archive of the given files, made with libzip in a temporary file.
std::string make_zip(const std::vector<std::pair<std::string, std::string>>& files) {
    const std::string path = testing::TempDir() + "/songs_test.mxl";
    std::remove(path.c_str());
    int error = 0;
    zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    EXPECT_NE(zip, nullptr);
    for (const auto& [name, text] : files) {
        zip_source_t* source = zip_source_buffer(zip, text.data(), text.size(), 0);
        EXPECT_GE(zip_file_add(zip, name.c_str(), source, ZIP_FL_ENC_UTF_8), 0);
    }
    EXPECT_EQ(zip_close(zip), 0);
    return read_file(path);
}

const char kContainer[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<container><rootfiles>"
    "<rootfile full-path=\"score/song.musicxml\" "
    "media-type=\"application/vnd.recordare.musicxml+xml\"/></rootfiles></container>";

// A one-part score around the given measures.
std::string score(const std::string& measures) {
    return "<score-partwise version=\"4.0\"><part-list><score-part id=\"P1\"><part-name>V"
           "</part-name></score-part></part-list><part id=\"P1\">" +
           measures + "</part></score-partwise>";
}

}  // namespace

// Each document reads as its dump, with the diagnostics it should get and no others.
TEST(MusicXml, DocumentsReadAsTheirDumps) {
    struct Case {
        const char* document;
        songs::Options options;
        const char* expected;
        std::vector<std::string> diagnostics;
    };
    const Case cases[] = {
        {"lyrics.musicxml", {}, "lyrics.expected", {}},
        {"lyrics.musicxml", {"", "", "2"}, "lyrics.verse2.expected", {}},
        {"rhythm.musicxml",
         {},
         "rhythm.expected",
         {"m2: a note without a duration: its length is taken from its type"}},
        {"rhythm.musicxml",
         {"P1", "2", ""},
         "rhythm.voice2.expected",
         {"m2: a note without a duration: its length is taken from its type"}},
        {"repeats.musicxml",
         {},
         "repeats.expected",
         {"m5: 'D.C. al Fine' is not followed: jumps are not expanded"}},
        {"marks.musicxml", {}, "marks.expected", {"m4: <foo> is not read: skipped"}},
        {"timewise.musicxml", {}, "timewise.expected", {}},
        {"timewise.musicxml", {"Alto", "", ""}, "timewise.alto.expected", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.document) + " -> " + c.expected);
        const songs::Result r = songs::read_song(document(c.document), c.options);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(printed(r.song), document(c.expected));
        EXPECT_EQ(diagnostics(r), c.diagnostics);
    }
}

// What the dumps do not show: the verses and the parts with lyrics, an elision's two syllables
// on one note, and the melisma's first note extending.
TEST(MusicXml, LyricsModel) {
    const songs::Result r = songs::read_song(document("lyrics.musicxml"));
    EXPECT_EQ(r.song.verses, (std::vector<std::string>{"1", "2"}));
    ASSERT_EQ(r.song.parts.size(), 2u);
    EXPECT_FALSE(r.song.parts[0].lyrics);
    EXPECT_TRUE(r.song.parts[1].lyrics);
    const songs::Lyric* how = songs::lyric_of(r.song.events[9], "1");
    ASSERT_NE(how, nullptr);
    ASSERT_EQ(how->syllables.size(), 2u);
    EXPECT_EQ(how->syllables[1].text, "I");
    EXPECT_TRUE(songs::lyric_of(r.song.events[5], "1")->extend);
}

// An .mxl reads as the score it holds, through its container or without one; a broken archive
// gets one error.
TEST(MusicXml, CompressedArchives) {
    const std::string plain = document("lyrics.musicxml");
    const std::string mxl = make_zip({{"mimetype", "application/vnd.recordare.musicxml"},
                                      {"META-INF/container.xml", kContainer},
                                      {"score/song.musicxml", plain}});
    songs::Result r = songs::read_song(make_zip({{"song.xml", plain}}));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(printed(r.song), document("lyrics.expected"));

    const std::pair<std::string, std::string> broken[] = {
        {mxl.substr(0, mxl.size() / 2), "unreadable .mxl archive: "},
        {make_zip({{"META-INF/container.xml", kContainer}}),
         "the .mxl archive has no file 'score/song.musicxml'"},
        {make_zip({{"META-INF/container.xml", "<container/>"}, {"a.xml", plain}}),
         "the .mxl archive's META-INF/container.xml names no score"},
        {make_zip({{"readme.txt", "hello"}}), "the .mxl archive holds no score"},
        {make_zip({{"song.xml", "not xml"}}), "not a MusicXML file: not XML"},
    };
    for (const auto& [bytes, error] : broken) {
        r = songs::read_song(bytes);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error.substr(0, error.size()), error);
    }
}

// Files that are not MusicXML, or not a usable one, get one error and an empty song.
TEST(MusicXml, NotAScoreIsOneError) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "not a MusicXML file: not XML (No document element found at line 1, column 1)"},
        {"hello", "not a MusicXML file: not XML (No document element found at line 1, column 6)"},
        {"<a>\n<b></a>",
         "not a MusicXML file: not XML (Start-end tags mismatch at line 2, "
         "column 6)"},
        {"<html><body/></html>",
         "not a MusicXML score: the root element is <html>, not "
         "<score-partwise> or <score-timewise>"},
        {"<opus/>", "a MusicXML opus lists scores and holds none: read one of its scores"},
        {"<score-partwise/>", "the score lists no parts (<part-list> has no <score-part>)"},
        {score(""), "part P1 has no measures"},
        {"<score-partwise><part-list><score-part id=\"P1\"/></part-list></score-partwise>",
         "part P1 has no measures"},
    };
    for (const auto& [bytes, error] : cases) {
        const songs::Result r = songs::read_song(bytes);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, error) << bytes;
        EXPECT_TRUE(r.song.events.empty());
    }
    const std::string huge(songs::kMaxInputBytes + 1, ' ');
    EXPECT_EQ(songs::read_song(huge).error, "the file is larger than 16 MiB");
    EXPECT_EQ(songs::read_song("MThd" + huge).error, "the file is larger than 16 MiB");
    songs::Options voice;
    voice.voice = "7";
    EXPECT_EQ(songs::read_song(document("rhythm.musicxml"), voice).error,
              "no voice '7' in part P1 (its voices are 1, 2)");
}

// Repeats expand into the order a player takes. Measures are written "|:" (forward repeat),
// ":|" or ":|3" (backward, times), "[1,2" (an ending starts), "]" (it stops); the order is the
// measures played, with "/pass" after a second or later time through.
TEST(MusicXml, RepeatsExpand) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"", ":|"}, "1 2 1/2 2/2"},
        {{"", "|:", ":|3", ""}, "1 2 3 2/2 3/2 2/3 3/3 4"},
        {{"", "|:", "[1,2 :| ]", "[3 ]", ""}, "1 2 3 2/2 3/2 2/3 4/3 5"},  // times from endings
        {{"|:", "[1 :| ]", "[2 ]", "", ":|"}, "1 2 1/2 3/2 4 5 4/2 5/2"},  // a new section
        {{"|:", "[1 ]", "[2 :| ]", ""}, "1 2 4"},  // an ending no pass reaches: reported
        {{"|:", "", ""}, "1 2 3"},                 // a forward repeat never closed
        {{"|:", "|: :|", ":|", ""}, "1 2 2/2 3 1/2 2 2/2 3/2 4"},  // nested repeats
        {{"", ":|", "", ":|"}, "1 2 1/2 2/2 3 4 3/2 4/2"},  // back to where the last one ended
        {{"|:", "[1 :| ]", "[2 ]", "|:", ":|"}, "1 2 1/2 3/2 4 5 4/2 5/2"},
    };
    for (const auto& [marks, expected] : cases) {
        std::string measures;
        for (size_t i = 0; i < marks.size(); ++i) {
            const std::string& m = marks[i];
            measures += "<measure number=\"" + std::to_string(i + 1) + "\">";
            if (m.find("|:") != std::string::npos)
                measures += "<barline location=\"left\"><repeat direction=\"forward\"/></barline>";
            const size_t ending = m.find('[');
            if (ending != std::string::npos)
                measures += "<barline location=\"left\"><ending type=\"start\" number=\"" +
                            m.substr(ending + 1, m.find(' ', ending) - ending - 1) +
                            "\"/></barline>";
            measures +=
                "<attributes><divisions>1</divisions></attributes><note><pitch><step>C"
                "</step><octave>4</octave></pitch><duration>1</duration></note>"
                "<barline location=\"right\">";
            const size_t backward = m.find(":|");
            if (backward != std::string::npos)
                measures += "<repeat direction=\"backward\"" +
                            (m.size() > backward + 2 && m[backward + 2] != ' '
                                 ? " times=\"" + m.substr(backward + 2, 1) + "\""
                                 : std::string()) +
                            "/>";
            if (m.find(']') != std::string::npos)
                measures += "<ending type=\"stop\" number=\"1\"/>";
            measures += "</barline></measure>";
        }
        const songs::Result r = songs::read_song(score(measures));
        ASSERT_TRUE(r.ok) << r.error;
        std::string order;
        for (const songs::Event& e : r.song.events)
            order += (order.empty() ? "" : " ") + e.measure +
                     (e.pass > 1 ? "/" + std::to_string(e.pass) : "");
        EXPECT_EQ(order, expected) << measures;
    }
}

// A transposing part sounds its transposition: a tenor saxophone's written D5 sounds C4.
TEST(MusicXml, TransposingPartsSound) {
    const songs::Result r = songs::read_song(score(
        "<measure number=\"1\"><attributes><divisions>1</divisions><transpose><diatonic>-1"
        "</diatonic><chromatic>-2</chromatic><octave-change>-1</octave-change></transpose>"
        "</attributes><note><pitch><step>D</step><octave>5</octave></pitch><duration>1</duration>"
        "</note></measure>"));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.song.events[0].pitch, 60);
    EXPECT_EQ(r.song.events[0].name, "C4");
}

// Grace notes take their time from the note they lean on and sing its syllable, unless they
// have their own; a lyric line named and not numbered is a verse of that name.
TEST(MusicXml, GraceNotesTakeTime) {
    const std::string c =
        "<note><pitch><step>C</step><octave>5</octave></pitch>"
        "<duration>2</duration><lyric><text>la</text></lyric></note>";
    const std::string d =
        "<note><pitch><step>D</step><octave>5</octave></pitch>"
        "<duration>2</duration><lyric name=\"chorus\"><text>lo</text>"
        "</lyric></note>";
    auto grace = [](const std::string& attributes, const std::string& lyric) {
        return "<note><grace" + attributes + "/><pitch><step>B</step><octave>4</octave></pitch>" +
               lyric + "</note>";
    };
    const std::pair<std::string, std::string> cases[] = {
        {grace("", "") + c, "m1 @0 B4/1 \"la\" grace\nm1 @1 C5/1 _\n"},
        {grace("", "") + c + "<backup><duration>2</duration></backup>" + grace("", "") +
             "<note><pitch><step>C</step><octave>4</octave></pitch><duration>2</duration></note>",
         "m1 @0 B4/1 \"la\" grace\nm1 @1 C5/1 _\n"},  // under a second layer of the voice
        {grace(" slash=\"yes\"", "") + grace(" slash=\"yes\"", "") + c,
         "m1 @0 B4/0.0625 \"la\" grace\nm1 @0.0625 B4/0.0625 _ grace\nm1 @0.125 C5/1.875 _\n"},
        {grace(" steal-time-following=\"25\"", "<lyric><text>ah</text></lyric>") + c,
         "m1 @0 B4/0.5 \"ah\" grace\nm1 @0.5 C5/1.5 \"la\"\n"},
        {c + grace("", ""), "m1 @0 C5/1.875 \"la\"\nm1 @1.875 B4/0.125 _ grace\n"},
        {c + grace(" steal-time-previous=\"50\"", "") + d,
         "m1 @0 C5/1 \"la\"\nm1 @1 B4/1 _ grace\nm1 @2 D5/2 _\n"},
    };
    for (const auto& [notes, expected] : cases) {
        const songs::Result r = songs::read_song(
            score("<measure number=\"1\"><attributes><divisions>1</divisions></attributes>" +
                  notes + "</measure>"));
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(printed(r.song), "part P1 voice 1 verse 1\n" + expected) << notes;
    }
    const songs::Result r = songs::read_song(
        score("<measure number=\"1\"><attributes><divisions>1</divisions></attributes>" + c + d +
              "</measure>"));
    EXPECT_EQ(r.song.verses, (std::vector<std::string>{"1", "chorus"}));
}

// Bad numbers in a score are reported with their measure and skipped; the rest is read.
TEST(MusicXml, BadNumbersAreReportedAndSkipped) {
    const std::string note = "<note><pitch><step>C</step><octave>4</octave></pitch>";
    const std::string measures =
        "<measure number=\"1\"><attributes><divisions>0</divisions></attributes>" + note +
        "<duration>1</duration><lyric><text>a</text></lyric></note></measure>"
        "<measure number=\"2\"><attributes><divisions>2</divisions></attributes>" +
        note + "<duration>99999999999999999999</duration></note>" + note +
        "<duration>-4</duration></note>" + note +
        "<duration>2</duration></note>"
        "<backup><duration>8</duration></backup></measure>"
        "<measure number=\"3\"><note><pitch><step>H</step><octave>4</octave></pitch>"
        "<duration>2</duration></note><note><grace/><pitch><step>D</step><octave>4</octave>"
        "</pitch></note></measure>";
    const songs::Result r = songs::read_song(score(measures));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(printed(r.song),
              "part P1 voice 1 verse 1\n"
              "m1 @0 C4/1 \"a\"\n"
              "m2 @1 C4/1 _\n"
              "m3 @2 R/1\n");
    EXPECT_EQ(diagnostics(r),
              (std::vector<std::string>{
                  "m1: bad <divisions> '0'",
                  "m1: no valid <divisions> before the first duration: 1 division a quarter is "
                  "assumed",
                  "m2: <note> has a bad duration '99999999999999999999': skipped",
                  "m2: <note> has a bad duration '-4': skipped",
                  "m2: <backup> goes back past the start of the measure: stopped there",
                  "m3: a note with a bad pitch is read as a rest",
                  "m3: grace notes with no note to take time from: skipped"}));
}

// Hostile documents end quickly in an error or a reading: entities are not expanded, times
// that cannot be added exactly are refused, repeats that explode are refused.
TEST(MusicXml, HostileDocuments) {
    std::string bomb =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE score-partwise [\n<!ENTITY a \"aaaaaaaaaa\">\n";
    for (char c = 'b'; c <= 'k'; ++c)
        bomb += std::string("<!ENTITY ") + c + " \"" + std::string(10, '&') + "\">\n";
    bomb += "<!ENTITY ext SYSTEM \"file:///etc/passwd\">\n]>\n";
    bomb += score(
        "<measure number=\"1\"><attributes><divisions>1</divisions></attributes>"
        "<note><pitch><step>C</step><octave>4</octave></pitch><duration>1</duration>"
        "<lyric><text>&k;&ext;</text></lyric></note></measure>");
    songs::Result r = songs::read_song(bomb);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(songs::lyric_of(r.song.events[0], "1")->syllables[0].text, "&k;&ext;");

    // Each measure's length has a new prime denominator: their sum outgrows 64 bits.
    std::string primes;
    for (const char* p : {"999999937", "999999929", "999999893", "999999883"})
        primes += std::string("<measure number=\"") + p + "\"><attributes><divisions>" + p +
                  "</divisions></attributes><note><rest/><duration>1</duration></note></measure>";
    r = songs::read_song(score(primes));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "times in the score are too large or too finely divided to add up");

    std::string repeats =
        "<measure number=\"1\"><attributes><divisions>1</divisions>"
        "</attributes><note><rest/><duration>1</duration></note></measure>";
    for (int i = 0; i < 7000; ++i)
        repeats +=
            "<measure><barline location=\"left\"><repeat direction=\"forward\"/>"
            "</barline><barline><repeat direction=\"backward\" times=\"99\"/></barline>"
            "</measure>";
    r = songs::read_song(score(repeats));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "the repeats expand to more than 100000 measures");
    EXPECT_LE(r.diagnostics.size(), 501u);  // 7000 repeats of 99 times, reported a few times
}

// The dump program prints the song, reports with the file and measure, and exits 1 on an error.
TEST(MusicXml, DumpProgram) {
    const std::string dir = SONGS_DOCUMENTS;
    ChildResult r = run_command({SONGS_DUMP, "--verse", "2", dir + "/lyrics.musicxml"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, document("lyrics.verse2.expected"));
    r = run_command({SONGS_DUMP, dir + "/repeats.musicxml"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(lines_of(r.err).at(0), dir +
                                         "/repeats.musicxml: measure 5: warning: 'D.C. al Fine' "
                                         "is not followed: jumps are not expanded");
    r = run_command({SONGS_DUMP, dir + "/lyrics.expected"});
    EXPECT_EQ(r.status, 1);
    const std::string error = dir + "/lyrics.expected: error: not a MusicXML file: not XML (";
    EXPECT_EQ(r.err.substr(0, error.size()), error);
    EXPECT_EQ(run_command({SONGS_DUMP, "--part"}).status, 2);
}

namespace {

std::string conformance(const std::string& name) {
    return read_file(std::string(SONGS_CONFORMANCE) + "/" + name);
}

// What the document itself holds for a part and voice, counted with pugixml apart from the
// reader: its notes (a chord's notes are one, a note tied on from the one before is the same
// note) and the quarter notes they sound (grace notes take no time of their own).
struct Written {
    int notes = 0;
    songs::Beats beats;
};

Written written(const std::string& text, const std::string& part, const std::string& voice) {
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_string(text.c_str()));
    Written w;
    std::int64_t divisions = 1;
    std::string tiedPitch;  // the pitch of the last note when it starts a tie
    for (pugi::xml_node p : doc.child("score-partwise").children("part")) {
        if (part != p.attribute("id").value()) continue;
        for (pugi::xml_node m : p.children("measure")) {
            for (pugi::xml_node c : m.children()) {
                if (std::string(c.name()) == "attributes" && c.child("divisions"))
                    divisions = c.child("divisions").text().as_llong();
                const std::string v = c.child("voice") ? c.child_value("voice") : "1";
                if (std::string(c.name()) != "note" || c.child("chord") || v != voice ||
                    c.child("rest"))
                    continue;
                pugi::xml_node pitch = c.child("pitch");
                const std::string name = std::string(pitch.child_value("step")) +
                                         pitch.child_value("alter") + pitch.child_value("octave");
                bool stops = false;
                bool starts = false;
                for (pugi::xml_node t : c.children("tie")) {
                    stops = stops || std::string(t.attribute("type").value()) == "stop";
                    starts = starts || std::string(t.attribute("type").value()) == "start";
                }
                if (!(stops && tiedPitch == name)) ++w.notes;
                tiedPitch = starts ? name : "";
                if (!c.child("grace"))
                    w.beats = w.beats +
                              songs::make_beats(c.child("duration").text().as_llong(), divisions);
            }
        }
    }
    return w;
}

// The notes of a song as sung the first time through each measure, and their beats.
Written first_play(const songs::Song& song) {
    Written w;
    std::set<std::string> played;
    std::string measure;
    bool again = false;
    for (const songs::Event& e : song.events) {
        if (e.measure != measure) {
            measure = e.measure;
            again = !played.insert(measure).second;
        }
        if (again || e.rest) continue;
        ++w.notes;
        w.beats = w.beats + e.length;
    }
    return w;
}

// Each note's syllable as the dump writes it ("Tra-", "b_c", "_" for a held one).
std::string sung_syllables(const songs::Song& song) {
    std::ostringstream out;
    songs::print_song(out, song);
    std::string syllables;
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);) {
        const std::size_t quote = line.find('"');
        std::string s;
        if (quote != std::string::npos)
            s = line.substr(quote + 1, line.find('"', quote + 1) - quote - 1);
        else if (line.find(" _") != std::string::npos)
            s = "_";
        else
            continue;
        syllables += (syllables.empty() ? "" : " ") + s;
    }
    return syllables;
}

}  // namespace

// The public MusicXML test documents in tests/songs/conformance (see its README): each is read
// without an error, every note the document holds for the part and voice is sung once (or
// reported with its measure) for exactly the beats it is written, and the lyrics fall on their
// notes; a compressed copy reads the same.
TEST(MusicXml, ConformanceSuite) {
    struct Case {
        const char* file;
        songs::Options options;
        int notes;              // notes sung the first time through; -1: the document's count
        double beats;           // the song's whole length in beats; -1: not checked
        const char* syllables;  // the lyric note by note; nullptr: a part without lyrics
    };
    const Case cases[] = {
        {"02a-Rests-Durations.xml", {}, 0, 24, nullptr},
        {"03a-Rhythm-Durations.xml", {}, 32, 136, nullptr},
        {"03b-Rhythm-Backup.xml", {}, 2, 3, nullptr},
        {"03b-Rhythm-Backup.xml", {"", "2", ""}, 2, 3, nullptr},
        {"03c-Rhythm-DivisionChange.xml", {}, 6, 8, nullptr},
        {"03d-Rhythm-DottedDurations-Factors.xml", {}, 11, 55.25, nullptr},
        {"03f-Rhythm-Forward.xml", {}, 3, 5, nullptr},
        {"21e-Chords-PickupMeasures.xml", {}, 3, 3, nullptr},
        {"23a-Tuplets.xml", {}, 30, 14, nullptr},
        {"33b-Spanners-Tie.xml", {}, 1, 8, nullptr},
        {"42a-MultiVoice-TwoVoicesOnStaff-Lyrics.xml", {}, 6, 12, "This is the lyrics of Voice1"},
        {"42a-MultiVoice-TwoVoicesOnStaff-Lyrics.xml",
         {"", "2", ""},
         6,
         12,
         "This is the lyrics of Voice2"},
        {"45a-SimpleRepeat.xml", {}, 0, 24, nullptr},
        {"45b-RepeatWithAlternatives.xml", {}, 4, 20, nullptr},
        {"46e-PickupMeasure-SecondVoiceStartsLater.xml", {}, 5, 5, nullptr},
        {"46e-PickupMeasure-SecondVoiceStartsLater.xml", {"", "2", ""}, 1, 5, nullptr},
        {"61a-Lyrics.xml", {}, 11, 12, "Tra- la- li Ja! _ Tra- _ ra! _ Bah! _"},
        {"61b-MultipleLyrics.xml", {}, 8, 8, "1.Tra- la- la, ja! _ Tra- _ ra..."},
        {"61b-MultipleLyrics.xml", {"", "", "2"}, 8, 8, "2.tra- la- la, ja! _ Tra- _ ra."},
        {"61b-MultipleLyrics.xml", {"", "", "iij"}, 8, 8, "3.TRA- LA- LA, JA! _ TRA- _ RA..."},
        {"61c-Lyrics-Pianostaff.xml", {}, 4, 4, "tra- la- li ja!"},
        {"61c-Lyrics-Pianostaff.xml", {"", "2", ""}, 4, 4, "TRA- LA- LI JA!"},
        {"61d-Lyrics-Melisma.xml", {}, 7, 8, "Me- _ _ _ lis- ma. _"},
        {"61e-Lyrics-Chords.xml", {}, 4, 4, "Ly- rics on chords"},
        {"61f-Lyrics-GracedNotes.xml", {}, -1, 8, "Ly- _ _ rics on _ notes _ _ _ with _ graces"},
        {"61g-Lyrics-NameNumber.xml", {}, 6, 6, "Verse1A- 1B- Verse1C- Chorus1D- _ NoneF-"},
        {"61g-Lyrics-NameNumber.xml", {"", "", "Verse"}, 6, 6, "VerseE- _"},
        {"61h-Lyrics-BeamsMelismata.xml",
         {},
         28,
         16,
         "Me- _ _ lis- ma _ _ Me- _ _ lis- ma _ _ Me- _ _ lis- ma _ _ Me- _ _ lis- ma _ _"},
        {"61i-Lyrics-Chords.xml", {"", "", "3"}, 1, 1, "Lyrics_3"},
        {"61j-Lyrics-Elisions.xml", {}, 4, 4, "a b_c d_e f_g_h"},
        {"61k-Lyrics-SpannersExtenders.xml", {}, 11, 12, "A _ b- _ _ CC _ _ e _ _"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " voice " + c.options.voice + " verse " +
                     c.options.verse);
        const std::string text = conformance(c.file);
        const songs::Result r = songs::read_song(text, c.options);
        ASSERT_TRUE(r.ok) << r.error;
        for (const songs::Diagnostic& d : r.diagnostics)
            EXPECT_TRUE(!d.measure.empty() || d.message.rfind("no part has lyrics", 0) == 0)
                << d.message;
        const Written w = written(text, r.song.part, r.song.voice);
        const Written sung = first_play(r.song);
        EXPECT_EQ(sung.notes, w.notes);
        EXPECT_EQ(sung.beats, w.beats);
        if (c.notes >= 0) {
            EXPECT_EQ(sung.notes, c.notes);
        }
        songs::Beats end;
        for (const songs::Event& e : r.song.events) {
            EXPECT_EQ(e.onset, end);
            end = e.onset + e.length;
        }
        if (c.beats >= 0) {
            EXPECT_EQ(end.value(), c.beats);
        }
        if (c.syllables != nullptr) {
            EXPECT_EQ(sung_syllables(r.song), c.syllables);
        } else {
            EXPECT_TRUE(r.song.verse.empty());
        }
        const songs::Result z = songs::read_song(
            make_zip({{"META-INF/container.xml", kContainer}, {"score/song.musicxml", text}}),
            c.options);
        ASSERT_TRUE(z.ok) << z.error;
        EXPECT_EQ(printed(z.song), printed(r.song));
    }
}
