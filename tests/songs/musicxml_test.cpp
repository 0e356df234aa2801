// MusicXML reader: documents read as their dumps, hostile input ending in one clear error or in
// diagnostics, and the public test documents of tests/songs/conformance.
#include <gtest/gtest.h>
#include <zip.h>

#include <cstdio>
#include <map>
#include <regex>
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

// A note of the given step and octave ("C4"), with what comes before its pitch and after it.
std::string note(const std::string& pitch, const std::string& after,
                 const std::string& before = "") {
    return "<note>" + before + "<pitch><step>" + pitch.substr(0, 1) + "</step><octave>" +
           pitch.substr(1) + "</octave></pitch>" + after + "</note>";
}

// A one-part score of one measure, a division a quarter note, around the given notes.
std::string measure(const std::string& notes) {
    return score("<measure number=\"1\"><attributes><divisions>1</divisions></attributes>" + notes +
                 "</measure>");
}

}  // namespace

// Each input reads as its dump and then exactly its diagnostics ("note: "), or ends in one error
// ("error: " and its text) with an empty song and a few diagnostics at most.
TEST(MusicXml, ReadsAsItsDumpOrOneError) {
    const std::string lyrics = document("lyrics.musicxml");
    const std::string rhythm = document("rhythm.musicxml");
    const std::string mxl = make_zip({{"mimetype", "application/vnd.recordare.musicxml"},
                                      {"META-INF/container.xml", kContainer},
                                      {"score/song.musicxml", lyrics}});
    const std::string head = "part P1 voice 1 verse 1\n";
    const std::string c = note("C5", "<duration>2</duration><lyric><text>la</text></lyric>");
    const std::string d =
        note("D5", "<duration>2</duration><lyric name=\"chorus\"><text>lo</text></lyric>");
    auto grace = [](const std::string& attributes, const std::string& lyric = "") {
        return note("B4", lyric, "<grace" + attributes + "/>");
    };
    std::string bomb =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE score-partwise [\n<!ENTITY a \"aaaaaaaaaa\">\n";
    for (char e = 'b'; e <= 'k'; ++e)
        bomb += std::string("<!ENTITY ") + e + " \"" + std::string(10, '&') + "\">\n";
    bomb += "<!ENTITY ext SYSTEM \"file:///etc/passwd\">\n]>\n";
    // Each measure's length has a new prime denominator: their sum outgrows 64 bits.
    std::string primes;
    for (const char* p : {"999999937", "999999929", "999999893", "999999883"})
        primes += std::string("<measure number=\"") + p + "\"><attributes><divisions>" + p +
                  "</divisions></attributes><note><rest/><duration>1</duration></note></measure>";
    // 7000 repeats of 99 times, reported a few times.
    std::string repeats =
        "<measure number=\"1\"><attributes><divisions>1</divisions>"
        "</attributes><note><rest/><duration>1</duration></note></measure>";
    for (int i = 0; i < 7000; ++i)
        repeats +=
            "<measure><barline location=\"left\"><repeat direction=\"forward\"/>"
            "</barline><barline><repeat direction=\"backward\" times=\"99\"/></barline>"
            "</measure>";
    const std::string huge(songs::kMaxInputBytes + 1, ' ');
    const std::string noXml = "error: not a MusicXML file: not XML ";
    const std::string noDuration =
        "note: m2: a note without a duration: its length is taken from its type\n";
    const std::string latin =
        "<defaults><lyric-language number=\"2\" xml:lang=\"it\"/><lyric-language "
        "xml:lang=\"la\"/></defaults>";
    struct Case {
        std::string input;
        std::string expected;
        songs::Options options = {};
    };
    const Case cases[] = {
        {lyrics, document("lyrics.expected")},
        {lyrics, document("lyrics.verse2.expected"), {"", "", "2"}},
        {mxl, document("lyrics.expected")},
        {make_zip({{"song.xml", lyrics}}), document("lyrics.expected")},  // without a container
        {rhythm, document("rhythm.expected") + noDuration},
        {rhythm, document("rhythm.voice2.expected") + noDuration, {"P1", "2", ""}},
        {document("repeats.musicxml"),
         document("repeats.expected") +
             "note: m5: 'D.C. al Fine' is not followed: jumps are not expanded\n"},
        {document("marks.musicxml"),
         document("marks.expected") + "note: m4: <foo> is not read: skipped\n"},
        {document("timewise.musicxml"), document("timewise.expected")},
        {document("timewise.musicxml"), document("timewise.alto.expected"), {"Alto", "", ""}},
        // Grace notes take their time from the note they lean on and sing its syllable, unless
        // they have their own.
        {measure(grace("") + c), head + "m1 @0 B4/1 \"la\" grace\nm1 @1 C5/1 _\n"},
        {measure(grace("") + c + "<backup><duration>2</duration></backup>" + grace("") +
                 note("C4", "<duration>2</duration>")),
         head + "m1 @0 B4/1 \"la\" grace\nm1 @1 C5/1 _\n"  // under a second layer of the voice
                "note: m1: grace notes with no note to take time from: skipped\n"},
        {measure(grace(" slash=\"yes\"") + grace(" slash=\"yes\"") + c),
         head + "m1 @0 B4/0.0625 \"la\" grace\nm1 @0.0625 B4/0.0625 _ grace\n"
                "m1 @0.125 C5/1.875 _\n"},
        {measure(grace(" steal-time-following=\"25\"", "<lyric><text>ah</text></lyric>") + c),
         head + "m1 @0 B4/0.5 \"ah\" grace\nm1 @0.5 C5/1.5 \"la\"\n"},
        {measure(c + grace("")), head + "m1 @0 C5/1.875 \"la\"\nm1 @1.875 B4/0.125 _ grace\n"},
        {measure(c + grace(" steal-time-previous=\"50\"") + d),
         head + "m1 @0 C5/1 \"la\"\nm1 @1 B4/1 _ grace\nm1 @2 D5/2 _\n"},
        // A transposing part sounds its transposition: a tenor saxophone's written D5 sounds C4.
        {measure("<attributes><transpose><diatonic>-1</diatonic><chromatic>-2</chromatic>"
                 "<octave-change>-1</octave-change></transpose></attributes>" +
                 note("D5", "<duration>1</duration>")),
         "part P1 voice 1\nm1 @0 C4/1\nnote: no part has lyrics: part P1 is read\n"},
        // The lyrics' language: a text's xml:lang, else the score's for the line, else for all.
        {measure(
             note("C4", "<duration>1</duration><lyric><text xml:lang=\"de\">la</text></lyric>")),
         head.substr(0, head.size() - 1) + " language de\nm1 @0 C4/1 \"la\"\n"},
        {std::string(measure(c)).insert(measure(c).find('>') + 1, latin),
         head.substr(0, head.size() - 1) + " language la\nm1 @0 C5/2 \"la\"\n"},
        {measure(
             note("C4", "<duration>1</duration><lyric><text xml:lang=\"f r\">la</text></lyric>")),
         head + "m1 @0 C4/1 \"la\"\nnote: the lyrics' xml:lang is no language tag (letters, "
                "digits, '-'): not read\n"},
        // Bad numbers are reported with their measure and skipped; the rest is read. A measure's
        // number keeps to one line.
        {score("<measure number=\"1\"><attributes><divisions>0</divisions></attributes>" +
               note("C4", "<duration>1</duration><lyric><text>a</text></lyric>") +
               "</measure><measure number=\"2\"><attributes><divisions>2</divisions>"
               "</attributes>" +
               note("C4", "<duration>99999999999999999999</duration>") +
               note("C4", "<duration>-4</duration>") + note("C4", "<duration>2</duration>") +
               "<backup><duration>8</duration></backup></measure><measure number=\"3&#10;x\">" +
               note("H4", "<duration>2</duration>") + note("H4", "<duration>2</duration>") +
               grace("") + "</measure>"),
         head + "m1 @0 C4/1 \"a\"\nm2 @1 C4/1 _\nm3?x @2 R/2\n"
                "note: m1: bad <divisions> '0'\n"
                "note: m1: no valid <divisions> before the first duration: 1 division a quarter is "
                "assumed\n"
                "note: m2: <note> has a bad duration '99999999999999999999': skipped\n"
                "note: m2: <note> has a bad duration '-4': skipped\n"
                "note: m2: <backup> goes back past the start of the measure: stopped there\n"
                "note: m3?x: a note with a bad pitch is read as a rest (2 times)\n"
                "note: m3?x: grace notes with no note to take time from: skipped\n"},
        // What is read otherwise than written is said: a tie to another pitch, a tuplet that is
        // no ratio, a direction's offset before the measure or no number.
        {measure("<direction><direction-type><dynamics><p/></dynamics></direction-type><offset>"
                 "-8</offset></direction><direction><direction-type><dynamics><f/></dynamics>"
                 "</direction-type><offset>x</offset></direction>" +
                 note("C4",
                      "<duration>1</duration><tie type=\"start\"/><lyric><text>a</text>"
                      "</lyric>") +
                 note("D4", "<duration>1</duration><tie type=\"stop\"/>") +
                 note("E4",
                      "<type>quarter</type><time-modification><actual-notes>0"
                      "</actual-notes><normal-notes>2</normal-notes></time-modification>")),
         head + "m1 @0 C4/1 \"a\"\nm1 @1 D4/1 _\nm1 @2 E4/1 _\ndynamic m1 @0 p\ndynamic m1 @0 f\n"
                "note: m1: a direction's offset before the measure: read at its start\n"
                "note: m1: a direction's offset that is no number: read at its place\n"
                "note: m1: a time modification that is no ratio of note counts: not read\n"
                "note: m1: a note without a duration: its length is taken from its type\n"
                "note: m1: a tie from C4 to D4, another pitch: sung as two notes\n"},
        // The tempo written in another part only is the sung part's too, where it has none.
        {"<score-partwise><part-list><score-part id=\"A\"/><score-part id=\"B\"/></part-list>"
         "<part id=\"A\"><measure number=\"1\"><attributes><divisions>2</divisions>"
         "</attributes><note><rest/><duration>2</duration></note><sound tempo=\"90\"/>"
         "</measure><measure number=\"2\"><sound tempo=\"60\"/></measure></part>"
         "<part id=\"B\"><measure number=\"1\"><attributes><divisions>1</divisions>"
         "</attributes>" +
             c +
             "</measure><measure number=\"2\"><sound tempo=\"140\"/></measure></part>"
             "</score-partwise>",
         "part B voice 1 verse 1\nm1 @0 C5/2 \"la\"\ntempo m1 @1 90\ntempo m2 @2 140\n"},
        {score("<measure number=\"1\"><attributes><divisions>1</divisions></attributes>" +
               note("C4", "<duration>1</duration><tie type=\"start\"/>") +
               "</measure><measure number=\"2\">" + grace("") +
               note("C4", "<duration>1</duration><tie type=\"stop\"/>") + "</measure>"),
         "part P1 voice 1\nm1 @0 C4/2\nnote: no part has lyrics: part P1 is read\nnote: m2: grace "
         "notes inside a tie (before the note that ends it): skipped\n"},
        // A tied note with a syllable of its own is sung as a note.
        {measure(note("C4",
                      "<duration>1</duration><tie type=\"start\"/><lyric><text>a</text>"
                      "</lyric>") +
                 note("C4",
                      "<duration>1</duration><tie type=\"stop\"/><lyric><text>b</text>"
                      "</lyric>")),
         head + "m1 @0 C4/1 \"a\"\nm1 @1 C4/1 \"b\"\n"},
        // A chord sings its top note with its notes' lyrics, one a verse.
        {measure(note("E4", "<duration>1</duration><lyric><text>low</text></lyric>") +
                 note("G4", "<duration>1</duration><lyric><text>high</text></lyric>", "<chord/>")),
         head + "m1 @0 G4/1 \"low\"\nnote: m1: two lyrics of verse 1 on one chord: the second "
                "is skipped\n"},
        {measure(note("E4", "<duration>1</duration><lyric><text>e</text></lyric>", "<chord/>") +
                 note("G4", "<duration>1</duration><lyric><text>g</text></lyric>")),
         head + "m1 @0 E4/1 \"e\"\nm1 @1 G4/1 \"g\"\nnote: m1: a <chord/> note with no note "
                "before it in the measure: read as a note\n"},
        // A tempo the song cannot be sung at is reported in its measure.
        {measure("<direction><direction-type><metronome><beat-unit>half</beat-unit><per-minute>"
                 "6000</per-minute></metronome></direction-type></direction>" +
                 c),
         head + "m1 @0 C5/2 \"la\"\nnote: m1: metronome mark '6000' is outside 1 to 10000 "
                "quarter notes a minute: not read\n"},
        {bomb + measure(note("C4", "<duration>1</duration><lyric><text>&k;&ext;</text></lyric>")),
         head + "m1 @0 C4/1 \"&k;&ext;\"\n"},
        {"<a>\n<b></a>", noXml + "(Start-end tags mismatch at line 2, column 6)"},
        {"<html><body/></html>",
         "error: not a MusicXML score: the root element is <html>, not <score-partwise> or "
         "<score-timewise>"},
        {"<opus/>", "error: a MusicXML opus lists scores and holds none: read one of its scores"},
        {"<score-partwise/>", "error: the score lists no parts (<part-list> has no <score-part>)"},
        {score(""), "error: part P1 has no measures"},
        {rhythm, "error: no voice '7' in part P1 (its voices are 1, 2)", {"", "7", ""}},
        {huge, "error: the file is larger than 16 MiB"},
        {"MThd" + huge, "error: the file is larger than 16 MiB"},
        {mxl.substr(0, mxl.size() / 2), "error: unreadable .mxl archive: Not a zip archive"},
        {make_zip({{"META-INF/container.xml", kContainer}}),
         "error: the .mxl archive has no file 'score/song.musicxml'"},
        {make_zip({{"META-INF/container.xml", "<container/>"}, {"a.xml", lyrics}}),
         "error: the .mxl archive's META-INF/container.xml names no score"},
        {make_zip({{"readme.txt", "hello"}}),
         "error: the .mxl archive holds no score (no META-INF/container.xml, no .xml file)"},
        {make_zip({{"song.xml", "not xml"}}),
         noXml + "(No document element found at line 1, column 8)"},
        {score(primes), "error: times in the score are too large or too finely divided to add up"},
        {score(repeats), "error: the repeats expand to more than 100000 measures"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.expected.substr(0, 60));
        const songs::Result r = songs::read_song(k.input, k.options);
        std::string report = printed(r.song);
        for (const songs::Diagnostic& n : r.diagnostics)
            report +=
                "note: " + (n.measure.empty() ? "" : "m" + n.measure + ": ") + n.message + "\n";
        EXPECT_EQ(r.ok ? report : "error: " + r.error, k.expected);
        if (!r.ok) {
            EXPECT_TRUE(r.song.events.empty());
            EXPECT_LE(r.diagnostics.size(), 501u);
        }
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

// Repeats expand into the order a player takes. Measures are written "|:" (forward repeat),
// ":|" or ":|3" (backward, times), "[1,2" (an ending starts), "]" (it stops); the order is the
// measures played, with "/pass" after a second or later time through.
TEST(MusicXml, RepeatsExpand) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"", "|:", ":|3", ""}, "1 2 3 2/2 3/2 2/3 3/3 4"},
        {{"", "|:", "[1,2 :| ]", "[3 ]", ""}, "1 2 3 2/2 3/2 2/3 4/3 5"},  // times from endings
        {{"|:", "[1 :| ]", "[2 ]", "", ":|"}, "1 2 1/2 3/2 4 5 4/2 5/2"},  // a new section
        {{"|:", "[1 ]", "[2 :| ]", ""}, "1 2 4"},  // an ending no pass reaches: reported
        {{"|:", "", ""}, "1 2 3"},                 // a forward repeat never closed
        {{"|:", "|: :|", ":|", ""}, "1 2 2/2 3 1/2 2 2/2 3/2 4"},  // nested repeats
        {{"", ":|", "", ":|"}, "1 2 1/2 2/2 3 4 3/2 4/2"},  // back to where the last one ended
        {{"|:", "[1 :| ]", "[2 ]", "|:", ":|"}, "1 2 1/2 3/2 4 5 4/2 5/2"},
        {{"", "[1 :| ]", "[2 :| ]", "[3 ]", ""}, "1 2 1/2 3/2 1/3 4/3 5"},  // each ending repeats
        {{"|:", "[1 :| ]", "[2 |: ]", ":|", ""},
         "1 2 1/2 3 4 3/2 4/2 5"},  // a repeat opened in an ending
    };
    for (const auto& [marks, expected] : cases) {
        std::string measures;
        for (size_t i = 0; i < marks.size(); ++i) {
            std::string left;
            std::string right;
            std::istringstream words(marks[i]);
            for (std::string w; words >> w;) {
                if (w == "|:")
                    left += "<repeat direction=\"forward\"/>";
                else if (w[0] == '[')
                    left += "<ending type=\"start\" number=\"" + w.substr(1) + "\"/>";
                else if (w == "]")
                    right += "<ending type=\"stop\" number=\"1\"/>";
                else
                    right += "<repeat direction=\"backward\"" +
                             (w.size() > 2 ? " times=\"" + w.substr(2) + "\"" : "") + "/>";
            }
            measures += "<measure number=\"" + std::to_string(i + 1) +
                        "\"><barline location=\"left\">" + left +
                        "</barline><attributes><divisions>1</divisions></attributes>" +
                        note("C4", "<duration>1</duration>") + "<barline location=\"right\">" +
                        right + "</barline></measure>";
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

// The notes of a song sung the first time through each measure, and the beats they sound.
std::pair<int, double> first_play(const songs::Song& song) {
    int notes = 0;
    songs::Beats beats;
    std::map<std::string, int> firstPass;  // measure: the pass that first plays it
    for (const songs::Event& e : song.events) {
        if (firstPass.emplace(e.measure, e.pass).first->second != e.pass || e.rest) continue;
        ++notes;
        beats = beats + e.length;
    }
    return {notes, beats.value()};
}

// Each note's syllable as the dump writes it ("Tra-", "b_c", "_" for a held one).
std::string sung_syllables(const songs::Song& song) {
    static const std::regex syllable("\"([^\"]*)\"| _( |$)");
    std::string syllables;
    std::istringstream lines(printed(song));
    std::smatch m;
    for (std::string line; std::getline(lines, line);)
        if (std::regex_search(line, m, syllable))
            syllables += (syllables.empty() ? "" : " ") + (m[1].matched ? m[1].str() : "_");
    return syllables;
}

}  // namespace

// The public test documents (tests/songs/conformance/README.md): read without an error, each note
// of the part and voice (a chord's notes one, tied notes one) sung once for its written beats or
// reported with its measure, the lyrics on their notes.
TEST(MusicXml, ConformanceSuite) {
    struct Case {
        const char* file;
        const char* voice;      // "": the default
        const char* verse;      // "": the default
        int notes;              // notes sung the first time through
        double sung;            // the beats they sound
        double beats;           // the song's whole length in beats
        const char* syllables;  // the lyric note by note; nullptr: a part without lyrics
    };
    const Case cases[] = {
        {"02a-Rests-Durations.xml", "", "", 0, 0, 24, nullptr},
        {"03a-Rhythm-Durations.xml", "", "", 32, 136, 136, nullptr},
        {"03b-Rhythm-Backup.xml", "", "", 2, 2, 3, nullptr},
        {"03c-Rhythm-DivisionChange.xml", "", "", 6, 8, 8, nullptr},
        {"03d-Rhythm-DottedDurations-Factors.xml", "", "", 11, 22, 55.25, nullptr},
        {"03f-Rhythm-Forward.xml", "", "", 3, 2.25, 5, nullptr},
        {"21e-Chords-PickupMeasures.xml", "", "", 3, 3, 3, nullptr},
        {"23a-Tuplets.xml", "", "", 30, 14, 14, nullptr},
        {"33b-Spanners-Tie.xml", "", "", 1, 8, 8, nullptr},
        {"42a-MultiVoice-TwoVoicesOnStaff-Lyrics.xml", "", "", 6, 7, 12,
         "This is the lyrics of Voice1"},
        {"42a-MultiVoice-TwoVoicesOnStaff-Lyrics.xml", "2", "", 6, 7, 12,
         "This is the lyrics of Voice2"},
        {"45a-SimpleRepeat.xml", "", "", 0, 0, 24, nullptr},
        {"45b-RepeatWithAlternatives.xml", "", "", 4, 16, 20, nullptr},
        {"46e-PickupMeasure-SecondVoiceStartsLater.xml", "", "", 5, 5, 5, nullptr},
        {"46e-PickupMeasure-SecondVoiceStartsLater.xml", "2", "", 1, 1, 5, nullptr},
        {"61a-Lyrics.xml", "", "", 11, 12, 12, "Tra- la- li Ja! _ Tra- _ ra! _ Bah! _"},
        {"61b-MultipleLyrics.xml", "", "", 8, 8, 8, "1.Tra- la- la, ja! _ Tra- _ ra..."},
        {"61b-MultipleLyrics.xml", "", "iij", 8, 8, 8, "3.TRA- LA- LA, JA! _ TRA- _ RA..."},
        {"61c-Lyrics-Pianostaff.xml", "", "", 4, 4, 4, "tra- la- li ja!"},
        {"61d-Lyrics-Melisma.xml", "", "", 7, 8, 8, "Me- _ _ _ lis- ma. _"},
        {"61e-Lyrics-Chords.xml", "", "", 4, 4, 4, "Ly- rics on chords"},
        {"61f-Lyrics-GracedNotes.xml", "", "", 13, 8, 8,
         "Ly- _ _ rics on _ notes _ _ _ with _ graces"},
        {"61g-Lyrics-NameNumber.xml", "", "", 6, 6, 6, "Verse1A- 1B- Verse1C- Chorus1D- _ NoneF-"},
        {"61g-Lyrics-NameNumber.xml", "", "Verse", 6, 6, 6, "VerseE- _"},
        {"61h-Lyrics-BeamsMelismata.xml", "", "", 28, 14, 16,
         "Me- _ _ lis- ma _ _ Me- _ _ lis- ma _ _ Me- _ _ lis- ma _ _ Me- _ _ lis- ma _ _"},
        {"61i-Lyrics-Chords.xml", "", "3", 1, 1, 1, "Lyrics_3"},
        {"61j-Lyrics-Elisions.xml", "", "", 4, 4, 4, "a b_c d_e f_g_h"},
        {"61k-Lyrics-SpannersExtenders.xml", "", "", 11, 11, 12, "A _ b- _ _ CC _ _ e _ _"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " voice " + c.voice + " verse " + c.verse);
        const songs::Options options = {"", c.voice, c.verse};
        const std::string text = read_file(std::string(SONGS_CONFORMANCE) + "/" + c.file);
        const songs::Result r = songs::read_song(text, options);
        ASSERT_TRUE(r.ok) << r.error;
        for (const songs::Diagnostic& d : r.diagnostics)
            EXPECT_TRUE(!d.measure.empty() || d.message.rfind("no part has lyrics", 0) == 0)
                << d.message;
        EXPECT_EQ(first_play(r.song), std::make_pair(c.notes, c.sung));
        songs::Beats end;
        for (const songs::Event& e : r.song.events) {
            EXPECT_EQ(e.onset, end);
            end = e.onset + e.length;
        }
        EXPECT_EQ(end.value(), c.beats);
        if (c.syllables != nullptr) {
            EXPECT_EQ(sung_syllables(r.song), c.syllables);
        } else {
            EXPECT_TRUE(r.song.verse.empty());
        }
    }
}
