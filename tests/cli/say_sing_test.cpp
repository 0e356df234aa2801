// The say, sing, voice and vibrato statements, song files and --labels, through the program and
// the C++ calls.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include "speechscore.h"
#include "speechscore_colours.h"
#include "speechscore_sing.h"
#include "support/child.h"

namespace {

namespace ss = speechscore::sing;
namespace sw = speechscore::words;

// (cli_support.h's speechscore() is hidden here by the layers' namespaces.)
ChildResult run_program(std::vector<std::string> args, const ScratchDir& dir) {
    args.insert(args.begin(), SPEECHSCORE_CLI);
    return run_command(args, {}, dir.path());
}

// The intervals of tier 1 (words) or 2 (phones) of a TextGrid as Praat reads it, each
// "text@start " (start to 4 places).
std::string tier_labels(const ScratchDir& dir, const std::string& grid, int tier) {
    const std::string t = std::to_string(tier);
    dir.write("read.praat", "Read from file: \"" + grid + "\"\nn = Get number of intervals: " + t +
                                "\nfor i to n\n  t$ = Get label of interval: " + t +
                                ", i\n  x = Get start time of interval: " + t +
                                ", i\n  appendInfo: t$, \"@\", fixed$(x, 4), \" \"\nendfor\n");
    const ChildResult praat = run_command({"praat", "--run", "read.praat"}, {}, dir.path());
    EXPECT_EQ(praat.status, 0) << praat.err;
    return praat.out;
}

const char kStart[] = "start1 0 1 1 1 1 1 0 1 1\nstartmn\nmetronome 90\n";

double hz(const char* name) {
    double v = 0;
    ss::note_hz(name, v);
    return v;
}

// One phrase in its three forms: the script line, and the same for the C++ call.
struct Form {
    const char* line;
    const char* phrase;
    sw::Input input;
    sw::Options options;
};

std::vector<Form> forms() {
    sw::Options french;
    french.lang = "fr";
    sw::Options polish;
    polish.lang = "pl";
    sw::Options russian;
    russian.lang = "ru";
    sw::Options british;
    british.lang = "en-gb";
    sw::Options latvian;
    latvian.lang = "lv";
    sw::Options fitted;
    fitted.beats = 3;
    fitted.pitch = {{0, false, 110}, {1.5, false, hz("G3")}, {3, false, 98}};
    sw::Options sung;
    sung.pitch = {{0, true, hz("C3")}, {1, true, hz("E3")}};
    return {
        {"say \"see my zoo\"", "see my zoo", sw::Input::Text, sw::Options()},
        {"say /S IY1 | M AY1 | Z UW1/", "S IY1 | M AY1 | Z UW1", sw::Input::Arpabet, sw::Options()},
        {"say [ˈsiː maɪ ˈzuː]", "ˈsiː maɪ ˈzuː", sw::Input::Ipa, sw::Options()},
        // Runs of /h/ with no vowel after them (each /h/ once looked to the other for formants).
        {"say /HH HH , AA1 HH HH/", "HH HH , AA1 HH HH", sw::Input::Arpabet, sw::Options()},
        // "week-end" is read as English: espeak-ng marks it "(en)...(fr)".
        {"say \"bonjour, bon week-end\" lang=fr", "bonjour, bon week-end", sw::Input::Text, french},
        // /dʑ ɕ tɕ/ said as /dʒ ʃ tʃ/, Russian /ɭʲ/ as /l/, Latvian /t͡s t͡ʃ/ as /ts tʃ/.
        {"say \"dzień dobry, cześć\" lang=pl", "dzień dobry, cześć", sw::Input::Text, polish},
        {"say \"cena, četri\" lang=lv", "cena, četri", sw::Input::Text, latvian},
        {"say \"Калинка\" lang=ru", "Калинка", sw::Input::Text, russian},
        // A language espeak-ng lists whose voice file is named otherwise (gmw/en).
        {"say \"water\" lang=en-gb", "water", sw::Input::Text, british},
        {"say \"the church judge, sings\" beats=3 pitch=110@0,G3@1.5,98Hz@3",
         "the church judge, sings", sw::Input::Text, fitted},
        {"say \"hello there\" pitch=C3,E3", "hello there", sw::Input::Text, sung},
    };
}

// "twin-kle twin-kle" on C4 C4~C4 G4, a rest, a melisma on "star" and a crescendo.
ss::Line twinkle() {
    ss::Line l;
    l.syllables = {{"twin", false}, {"kle", true}, {"twin", false}, {"kle", true}, {"star", true}};
    l.notes = {{1, hz("C4"), 0, 0, 0},  {2, hz("C4"), 1, 0, 0},   {1, hz("G4"), 2, 0, 0},
               {1, hz("G4"), 3, 0, 0},  {0.5, 0, -1, 0, 0},       {1, hz("A4"), 4, 0, 3},
               {1, hz("B4"), -1, 3, 6}, {1.5, hz("G4"), -1, 6, 6}};
    return l;
}
const char kTwinkle[] =
    "sing \"twin-kle twin-kle star _ _\" C4/1 C4/1~ C4/1 G4/1 G4/1 r/1/2 A4/1:< B4/1 G4/3/2:ff\n";

TEST(SaySing, CallScriptAndExpandedScriptWriteTheSameBytes) {
    ScratchDir dir;
    std::string script = std::string(kStart) + "Rest 0.5\n";
    for (const Form& f : forms()) script += std::string(f.line) + "\nRest 0.25\n";
    script += "glMM 2 90\nsay \"thin shoes\"\nRest 1\nvoice soprano\nvibrato rate=6 extent=40\n" +
              std::string(kTwinkle) + "glMM 2 120\n" +
              "sing \"a-ve\" G4/1:mm=100 F#4+20c/2:gl=1,60 lang=fr\nRest 1\nfine\n";
    dir.write("s.ss", script);
    const ChildResult run = run_program({"s.ss"}, dir);
    ASSERT_EQ(run.status, 0) << run.err;

    std::string crlf;  // as an editor on Windows saves it
    for (const char c : script) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    dir.write("w.ss", crlf);
    EXPECT_TRUE(run_program({"w.ss"}, dir).out == run.out) << "\\r\\n line ends change the score";

    const ChildResult cpp = run_child([&]() {
        start1(0, 1, 1, 1, 1, 1, 0, 1, 1);
        startmn();
        metronome(90);
        Rest(0.5);
        for (const Form& f : forms()) {
            sw::Problem problem;
            if (!sw::say(f.phrase, f.input, f.options, problem)) std::fputs("failed\n", stderr);
            Rest(0.25);
        }
        glMM(2, 90);
        sw::say("thin shoes");
        Rest(1);
        fss = ss::find_voice("soprano")->fss;
        ass = ss::find_voice("soprano")->ass;
        ss::Options o;
        o.voice = ss::find_voice("soprano");
        o.vibrato.rate = 6;
        o.vibrato.extent = 40;
        ss::Problem problem;
        ss::Line line = twinkle();
        line.notes.back().level = line.notes.back().levelEnd = 6;  // :ff after the crescendo
        if (!ss::sing(line, o, problem)) std::fputs(problem.message.c_str(), stderr);
        glMM(2, 120);
        ss::Line ave;
        ave.syllables = {{"a", false}, {"ve", true}};
        ave.notes = {{1, hz("G4"), 0, 6, 6, 100}, {2, hz("F#4+20c"), 1, 6, 6, 0, 1, 60}};
        o.lang = "fr";
        if (!ss::sing(ave, o, problem)) std::fputs(problem.message.c_str(), stderr);
        Rest(1);
        fine();
    });
    EXPECT_EQ(cpp.err, "");
    EXPECT_TRUE(cpp.out == run.out) << "the C++ calls write another score";

    const ChildResult expanded = run_program({"--expand", "s.ss"}, dir);
    ASSERT_EQ(expanded.status, 0) << expanded.err;
    for (const char* statement : {"\nsay ", "\nsing ", "\nvoice ", "\nvibrato "})
        EXPECT_EQ(expanded.out.find(statement), std::string::npos) << statement;
    dir.write("x.ss", expanded.out);
    const ChildResult replay = run_program({"x.ss"}, dir);
    ASSERT_EQ(replay.status, 0) << replay.err;
    EXPECT_TRUE(replay.out == run.out) << "the expanded script writes another score";
}

// Sung under a steady tempo, a tempo glide (each syllable earlier than at the steady tempo) and
// a tempo mark, and said under a glide: the time lines of instruments 10..27 all end where the
// phrase ends, and each syllable starts on its first note's beat.
TEST(SaySing, NucleiStartOnTheirBeatsAndEveryTrackEndsWithThePhrase) {
    const std::pair<int, const char*> cases[] = {
        {0, "0.000000 0.833333 2.500000 3.333333 4.583333 "},
        {1, "0.000000 0.800857 2.233109 2.866079 3.711805 "},
        {2, "0.000000 0.833333 2.500000 3.333333 3.958333 "},
        {3, ""},
    };
    for (const auto& c : cases) {
        const int tempo = c.first;
        const ChildResult r = run_child([&]() {
            start1(0, 1, 1, 1, 1, 1, 0, 1, 1);
            metronome(72);
            if (tempo == 1) glMM(6, 120);
            if (tempo == 3) glMM(4, 120);
            ss::Problem problem;
            sw::Labels labels;
            ss::Line line = twinkle();
            if (tempo == 2) line.notes[3].mark = 144;  // twice as fast from the fourth note
            if (tempo == 3) {
                sw::say("quick brown fox, jumps");
            } else if (!ss::sing(line, ss::Options(), problem, nullptr, &labels)) {
                return;
            }
            const auto ends = std::minmax_element(timepoints + 2, timepoints + 20);
            std::fprintf(stderr, "%.9f %d\n", *ends.second - *ends.first, nerrors);
            for (const sw::Label& w : labels.words) std::fprintf(stderr, "%.6f ", w.start);
        });
        EXPECT_EQ(r.err, std::string("0.000000000 0\n") + c.second) << tempo;
    }
}

TEST(SaySing, ALineThatCannotBeSaidOrSungIsReportedAndWritesNothing) {
    struct Case {
        const char* line;
        const char* message;
    };
    const Case cases[] = {
        {"say /S IY1 QQ1/", "s.ss:4:12: error: unknown phone 'QQ1'; the nearest phones we have: "},
        {"say [siː ʕa]", "s.ss:4:11: error: unknown phone 'ʕ'; the nearest phones we have: "},
        {"say \"see\" lang=xx", "s.ss:4:11: error: unknown language 'xx': espeak-ng has no voice"},
        {"say \"caf\xE9 ol\xE9\"", "s.ss:4:9: error: the text is not UTF-8: byte \\xE9"},
        // Arabic's /ʕ/, after "2.5", which espeak-ng reads as three words.
        {"say \"2.5 عين\" lang=ar",
         "s.ss:4:10: error: the word 'عين' (ʕ_ˈa_j_n) has unknown phone"},
        // espeak-ng would copy the variant past its buffer (and read ../ names as paths).
        {"say \"see\" lang=en+aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa",
         "s.ss:4:11: error: unknown language 'en+aaaaaaaa"},
        {"say \"see\" lang=en lang=fr",
         "s.ss:4:19: error: option 'lang' is given twice (first at column 11)"},
        {"say \"see\" speed=2", "s.ss:4:11: error: unknown option 'speed' (the options are lang, "},
        // A long word shown cut.
        {"say \"see\" "
         "pitch="
         "QQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQ"
         "QQQQQQQQQQQ",
         "s.ss:4:17: error: pitch point "
         "'QQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQ... (103 bytes) a note "
         "name"},
        {"say \"see\" pitch=C3,Q9", "s.ss:4:20: error: pitch point 'Q9': a note name"},
        {"say \"see\" pitch=C3,D3",
         "s.ss:4:11: error: a pitch point is on syllable 1 (from 0), "
         "but the phrase has 1 syllable"},
        {"say \"see\" beats=0", "s.ss:4:17: error: beats=0: the phrase's length in beats, above 0"},
        {"say \"see", "s.ss:4:5: error: the phrase has no closing \""},
        {"say /S IY1 M9/", "s.ss:4:12: error: unknown phone 'M9'"},
        {"say", "s.ss:4:4: error: say needs a phrase"},
        {"say \"see\" beats=1e300", "s.ss:4:11: error: beats=1.0000000000000001e+300 would last"},
        {"say \"see\" beats=1e-9",
         "s.ss:4:11: error: beats=1.0000000000000001e-09 would leave the "
         "phrase's 2 phones and pauses 3.33e-07 ms each; each needs"},
        {"say \"see\" pitch=1e300", "s.ss:4:17: error: pitch point '1e300': a note name"},
        {"say \"see\" pitch=C3,C9", "s.ss:4:20: error: pitch point 'C9': a note name"},
        {"say []", "s.ss:4:6: error: no phones between the brackets"},
        {"sing \"la\" H4/1", "s.ss:4:11: error: 'H4' is no note name (C4, F#3, Bb5) or rest (r)"},
        {"sing \"la\" C4", "s.ss:4:11: error: note 'C4': a note name and its length in beats"},
        {"sing \"la\" C4/0", "s.ss:4:11: error: note 'C4/0': a note name and its length in beats"},
        {"sing \"la\" C4/1 D4/1", "s.ss:4:16: error: no syllable left for this note"},
        {"sing \"_ la\" C4/1 D4/1", "s.ss:4:7: error: '_' holds the syllable before it: this"},
        {"sing \"la\" C0/1", "s.ss:4:11: error: 'C0' is out of a voice's reach (20 to 2000 Hz)"},
        {"sing \"la 1984\" C4/1 D4/1", "s.ss:4:10: error: sing: the syllable '1984' holds digits"},
        {"sing \"la la\" C4/1", "s.ss:4:10: error: this syllable and the rest of the lyric have"},
        {"sing \"la la\" C4/1~ D4/1", "s.ss:4:20: error: a tie joins notes of the same pitch"},
        {"sing \"la\" C4/1~", "s.ss:4:11: error: the tie has no note to join"},
        {"sing \"la\" C4/1:mff", "s.ss:4:16: error: 'mff' is no mark (ppp .. fff"},
        {"sing \"la\" C4/1 speed=2", "s.ss:4:16: error: unknown option 'speed'"},
        {"sing \"la\" C4/1:mm=0", "s.ss:4:16: error: 'mm=0' is no mark"},
        {"sing \"la\" C4/1:f:gl=2", "s.ss:4:18: error: 'gl=2' is no mark"},
        {"sing \"la C4/1", "s.ss:4:6: error: the lyric has no closing \""},
        {"sing \"\" C4/1", "s.ss:4:7: error: the lyric has no syllable"},
        {"sing la C4/1", "s.ss:4:6: error: sing needs a lyric in double quotes"},
        {"sing \"la\" C4/1 lang=xx", "s.ss:4:16: error: sing: cannot sing 'la': unknown language"},
        {"sing \"la la\" C4/1 D4/1e-9", "s.ss:4:19: error: sing: a note needs a length of 1 ms"},
        {"sing \"la la\" C4/1 C4/100:mm=1", "s.ss:4:1: error: sing: a line lasts at most an hour"},
        {"voice baritone", "s.ss:4:7: error: voice needs one of bass, tenor, alto, soprano"},
        {"voice tenor bass", "s.ss:4:13: error: voice takes one preset; 'bass' comes after tenor"},
        {"vibrato rate=30", "s.ss:4:9: error: vibrato setting 'rate=30': off, on, rate=1..12"},
    };
    ScratchDir dir;
    dir.write("clean.ss", std::string(kStart) + "Rest 1\nfine\n");
    const ChildResult clean = run_program({"clean.ss"}, dir);
    for (const Case& c : cases) {
        dir.write("s.ss", std::string(kStart) + c.line + "\nRest 1\nfine\n");
        const ChildResult r = run_program({"s.ss"}, dir);
        EXPECT_EQ(r.status, 1) << c.line;
        EXPECT_EQ(r.err.rfind(c.message, 0), 0u) << c.line << "\n" << r.err;
        EXPECT_TRUE(r.out == clean.out) << c.line << ": the line wrote to the score";
    }
    // A line that fails after taking the Rest before it as its own still leaves the Rest.
    dir.write("s.ss", std::string(kStart) + "Rest 1\nsing \"la\" C4/1 lang=xx\nfine\n");
    const ChildResult taken = run_program({"s.ss"}, dir);
    EXPECT_EQ(taken.err.rfind("s.ss:5:16: error: sing: cannot sing 'la'", 0), 0u) << taken.err;
    EXPECT_TRUE(taken.out == clean.out);
    // A phrase longer than an hour at its natural rate (and said in about a second).
    std::string words = "say \"";
    for (int i = 0; i < 8000; ++i) words += "hello there ";
    dir.write("s.ss", std::string(kStart) + words + "\"\nRest 1\nfine\n");
    const ChildResult hour = run_program({"s.ss"}, dir);
    EXPECT_EQ(hour.err.rfind("s.ss:4:6: error: the phrase would last ", 0), 0u) << hour.err;
    EXPECT_TRUE(hour.out == clean.out);
    // A sung word of more bytes than a word has.
    dir.write("s.ss", std::string(kStart) + "sing \"" + std::string(300, 'a') + "\" C4/1\nfine\n");
    EXPECT_EQ(run_program({"s.ss"}, dir).err.rfind("s.ss:4:7: error: sing: a word of 300 bytes", 0),
              0u);
    // A phrase after fine is pointed out, as a call there is.
    dir.write("s.ss", std::string(kStart) + "fine\n  sing \"la\" C4/1\nsay \"see\"\n");
    EXPECT_EQ(run_program({"s.ss"}, dir).err,
              "s.ss:5:3: warning: this line comes after fine (line 4); what it writes follows the "
              "end of the score\n");
    // A phrase after one track's operation starts on each track where it ends: said.
    dir.write("s.ss", std::string(kStart) + "frqF1 1 500 90\nsay \"see\"\nfine\n");
    EXPECT_NE(
        run_program({"s.ss"}, dir)
            .err.find("s.ss:5:1: warning: the tracks end at different times (0.0000 to 1.0000 s)"),
        std::string::npos);
    // A mark on a tied note comes on its beat, as on a held syllable; "AH0" is unstressed
    // though no vowel of its word is stressed.
    // A glide running when a line starts moves its tempo as one on its first note does.
    // A silent Rest just before a line that starts with a note is the line's own rest (not
    // while another glide runs through it).
    const std::tuple<const char*, const char*, bool> same[] = {
        {"Rest 1\n# a breath\n\nsing \"la\" C4/1", "# a breath\n\nsing \"la\" r/1 C4/1", true},
        {"glAV 2 -6\nRest 1\nsing \"la\" C4/1", "glAV 2 -6\nsing \"la\" r/1 C4/1", false},
        {"sing \"la la\" C4/1~ C4/1:mm=120 D4/1", "sing \"la _ la\" C4/1 C4/1:mm=120 D4/1", true},
        {"sing \"la la\" C4/1~ C4/1:pp D4/1", "sing \"la _ la\" C4/1 C4/1:pp D4/1", true},
        {"glMM 4 120\nsing \"ah\" C4/4", "sing \"ah\" C4/4:gl=4,120", true},
        {"say /DH AH0 | K AE1 T/", "say /DH AH | K AE1 T/", false}};
    for (const auto& [one, other, equal] : same) {
        dir.write("s.ss", std::string(kStart) + one + "\nfine\n");
        dir.write("t.ss", std::string(kStart) + other + "\nfine\n");
        EXPECT_EQ(run_program({"s.ss"}, dir).out == run_program({"t.ss"}, dir).out, equal) << one;
    }
    // A consonant keeps its length in seconds under a tempo mark in the line.
    dir.write("s.ss", std::string(kStart) + "sing \"sa sa sa\" r/1/2 C4/1 C4/1:mm=15 C4/1\nfine\n");
    ASSERT_EQ(run_program({"--labels", "s.TextGrid", "-o", "s.sco", "s.ss"}, dir).status, 0);
    const std::string phones = tier_labels(dir, "s.TextGrid", 2);
    std::vector<double> lengths;
    for (std::size_t at = phones.find(" S@"); at != std::string::npos;
         at = phones.find(" S@", at + 1)) {
        const std::size_t next = phones.find('@', at + 3);
        lengths.push_back(std::stod(phones.substr(next + 1)) - std::stod(phones.substr(at + 3)));
    }
    ASSERT_EQ(lengths.size(), 3u) << phones;
    EXPECT_NEAR(lengths[2], lengths[0], 1e-3) << phones;
    // The library's own sing, without arguments, is still the operation.
    dir.write("s.ss", std::string(kStart) + "sing\nRest 1\nfine\n");
    EXPECT_EQ(run_program({"s.ss"}, dir).status, 0);
}

TEST(SaySing, ASongFileIsSungAndABrokenOneIsOneError) {
    ScratchDir dir;
    const std::string docs = SPEECHSCORE_SONG_DOCUMENTS;
    for (const char* doc : {"lyrics", "rhythm", "marks", "timewise"}) {
        const ChildResult r =
            run_program({docs + "/" + doc + ".musicxml", "-o", dir.file("s.sco")}, dir);
        EXPECT_EQ(r.status, 0) << doc << "\n" << r.err;
        EXPECT_EQ(r.err.find("error"), std::string::npos) << doc << "\n" << r.err;
        const std::string score = read_file(dir.file("s.sco"));
        EXPECT_NE(score.find("\ni 21 "), std::string::npos) << doc;
        EXPECT_EQ(score.find("nan"), std::string::npos) << doc;
    }
    // The chosen verse and voice.
    const ChildResult verse = run_program(
        {docs + "/lyrics.musicxml", "--verse", "2", "--voice", "bass", "--expand"}, dir);
    EXPECT_EQ(verse.status, 0) << verse.err;
    EXPECT_NE(verse.out.find("fss = 0.9499"), std::string::npos);

    // A <part> without an id is the part list's entry at its place, and a line break in a
    // part's name stays in the script's comment (it made a line of its own, read as a call).
    dir.write("noid.musicxml",
              "<score-partwise><part-list><score-part id=\"P1\"><part-name>Alto&#10;Rest "
              "9</part-name></score-part></part-list><part><measure><attributes><divisions>1"
              "</divisions></attributes><note><pitch><step>A</step><octave>4</octave></pitch>"
              "<duration>2</duration><lyric><text>la</text></lyric></note></measure></part>"
              "</score-partwise>");
    const ChildResult noid = run_program({"noid.musicxml", "--expand"}, dir);
    EXPECT_EQ(noid.status, 0) << noid.err;
    EXPECT_EQ(noid.err, "") << noid.err;
    EXPECT_EQ(noid.out.rfind("# noid.musicxml: part Alto Rest 9, verse 1, sung by", 0), 0u)
        << noid.out;
    EXPECT_EQ(noid.out.find("\nRest 9"), std::string::npos) << noid.out;

    // A lyric of digits alone is sung on "ah", and said so.
    const std::string page = read_file(dir.file("noid.musicxml"));
    dir.write("digits.musicxml", std::string(page).replace(page.find(">la<"), 4, ">1984<"));
    EXPECT_NE(
        run_program({"digits.musicxml", "-o", "d.sco"}, dir)
            .err.find("measure 1: warning: the syllable '1984' has no letters: sung on \"ah\""),
        std::string::npos);
    dir.write("ah.musicxml", std::string(page).replace(page.find(">la<"), 4, ">ah!<"));
    EXPECT_EQ(run_program({"ah.musicxml", "-o", "d.sco"}, dir).err, "");

    // The lyrics are sung in the language the file gives them (xml:lang) or --lang gives; a
    // language espeak-ng lacks is English from the file, and refused from --lang.
    const std::string text = read_file(dir.file("noid.musicxml"));
    for (const std::string lang : {"fr", "qq"})
        dir.write(
            lang + ".musicxml",
            std::string(text).replace(text.find("<text>"), 6, "<text xml:lang=\"" + lang + "\">"));
    const std::pair<std::vector<std::string>, std::string> langs[] = {
        {{"fr.musicxml"}, "soprano voice in fr\n"},
        {{"fr.musicxml", "--lang", "de"}, "soprano voice in de\n"},
        {{"qq.musicxml"}, "soprano voice\n"},
        {{"fr.musicxml", "--lang", "qq"}, ""}};
    for (const auto& [args, header] : langs) {
        std::vector<std::string> expand = args;
        expand.push_back("--expand");
        const ChildResult r = run_program(expand, dir);
        const std::string first = r.out.substr(0, r.out.find('\n') + 1);
        EXPECT_EQ(r.status, header.empty() ? 1 : 0) << r.err;
        if (!header.empty()) {
            EXPECT_EQ(first.substr(first.size() - std::min(first.size(), header.size())), header);
        }
        EXPECT_EQ(r.err.find("'qq'") != std::string::npos,
                  args.back() == "qq" || args.front() == "qq.musicxml")
            << r.err;
    }

    // A tempo that changes under a held note, or inside a rest, changes it there.
    const std::string note = "<note><pitch><step>C</step><octave>4</octave></pitch><duration>4";
    dir.write("tempo.musicxml",
              "<score-partwise><part-list><score-part id=\"P1\"/></part-list><part id=\"P1\">"
              "<measure><attributes><divisions>1</divisions></attributes><sound tempo=\"120\"/>" +
                  note +
                  "</duration><tie type=\"start\"/><lyric><text>hold</text></lyric></note>"
                  "</measure><measure><sound tempo=\"60\"/>" +
                  note +
                  "</duration><tie type=\"stop\"/></note></measure><measure><note><rest/>"
                  "<duration>4</duration></note><backup><duration>2</duration></backup><sound "
                  "tempo=\"240\"/><forward><duration>2</duration></forward></measure><measure>" +
                  note +
                  "</duration><lyric><text>next</text></lyric></note></measure></part>"
                  "</score-partwise>");
    ASSERT_EQ(run_program({"tempo.musicxml", "--labels", "t.TextGrid"}, dir).status, 0);
    EXPECT_EQ(tier_labels(dir, "t.TextGrid", 1), "@0 hold@0.5000 @6.5000 next@9.0000 @10.0000 ");
    // A note too short to sing gives the next its time, tempo and syllable; a tempo inside a
    // breath mark's rest changes it there.
    const std::string c4 = "<note><pitch><step>C</step><octave>4</octave></pitch><duration>";
    dir.write("short.musicxml",
              "<score-partwise><part-list><score-part id=\"P1\"/></part-list><part id=\"P1\">"
              "<measure><attributes><divisions>512</divisions></attributes>" +
                  c4 + "512</duration><lyric><text>one</text></lyric></note><sound tempo=\"60\"/>" +
                  c4 + "2</duration><lyric><text>two</text></lyric></note>" + c4 +
                  "510</duration></note>" + c4 +
                  "1024</duration><lyric><text>three</text></lyric><notations><articulations>"
                  "<breath-mark/></articulations></notations></note><backup><duration>128"
                  "</duration></backup><sound tempo=\"30\"/><forward><duration>128</duration>"
                  "</forward></measure><measure>" +
                  c4 +
                  "512</duration><lyric><text>four</text></lyric></note></measure></part>"
                  "</score-partwise>");
    ASSERT_EQ(run_program({"short.musicxml", "--labels", "s.TextGrid"}, dir).status, 0);
    EXPECT_EQ(tier_labels(dir, "s.TextGrid", 1),
              "@0 one@0.5000 two@1.0000 three@2.0000 @3.5000 four@4.2500 @6.2500 ");

    // An error the song's script finds names the measure its line starts in.
    dir.write("long.musicxml",
              "<score-partwise><part-list><score-part id=\"P1\"/></part-list><part id=\"P1\">"
              "<measure number=\"7\"><attributes><divisions>1</divisions></attributes><note>"
              "<pitch><step>A</step><octave>4</octave></pitch><duration>8000</duration><lyric>"
              "<text>la</text></lyric></note></measure></part></score-partwise>");
    const ChildResult hour = run_program({"long.musicxml", "-o", "long.sco"}, dir);
    EXPECT_EQ(hour.status, 1);
    EXPECT_EQ(
        hour.err.rfind("long.musicxml: measure 7: error: sing: a line lasts at most an hour", 0),
        0u)
        << hour.err;

    dir.write("broken.musicxml", "<?xml version=\"1.0\"?>\n<score-partwise><part id=\"P1\">");
    dir.write("text.mid", "not a MIDI file at all\n");
    for (const char* name : {"broken.musicxml", "text.mid"}) {
        const ChildResult r = run_program({name, "-o", "out.sco"}, dir);
        EXPECT_EQ(r.status, 1) << name;
        EXPECT_EQ(r.err.rfind(std::string(name) + ": error: ", 0), 0u) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_FALSE(std::filesystem::exists(dir.file("out.sco"))) << name;
    }
    const ChildResult voice = run_program({docs + "/lyrics.musicxml", "--voice", "baritone"}, dir);
    EXPECT_EQ(voice.status, 1);
    EXPECT_NE(voice.err.find("error: no voice 'baritone'"), std::string::npos) << voice.err;
}

// --labels writes the words or syllables and their phones at the score's event times (a sung
// syllable from its note's beat), for say and sing lines and song files; --fermata sets how long
// a note under a fermata is held.
TEST(SaySing, LabelsAreATextGridPraatReads) {
    ScratchDir dir;
    dir.write("s.ss", std::string(kStart) + "sing \"ta ka\" r/1 C4/1 D4/1\nRest 0.5\n" +
                          "say \"see my zoo\"\nRest 0.5\nsay \"pea\"\nRest 0.5\nsay /P IY1/\n" +
                          "say \"(2.5 cats)\"\nsay \"1,000 miles\"\nfine\n");
    ChildResult r = run_program({"--labels", "t.TextGrid", "-o", "s.sco", "s.ss"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    // The phrase starts after the line's 3 beats and the 0.5-beat rest at 90 per minute, and the
    // F1 events start there.
    EXPECT_NE(read_file(dir.file("s.sco")).find("i 11    2.3333  0.0020 "), std::string::npos);
    // The stop of "pea" is aspirated into its stressed vowel, and the phrase after it starts
    // later; a written word espeak-ng reads as several ("two point five", "one thousand") keeps
    // one label.
    EXPECT_EQ(tier_labels(dir, "t.TextGrid", 1),
              "@0 ta@0.6667 ka@1.3333 @2.0000 see@2.3333 my@2.5569 zoo@2.7678 @3.1480 "
              "pea@3.4814 @3.8194 P IY1@4.1527 2.5@4.4907 cats@5.4407 1,000@5.9410 miles@6.6494 ");
    // A short first note with no rest keeps a vowel (EH) between its onset and coda; a syllable
    // held across a rest is labelled where it is sung again; no line writes an event of 0 s.
    const std::tuple<const char*, int, const char*> lines[] = {
        {"metronome 90\nsing \"strengths\" C4/1/4", 2, " EH@"},
        {"metronome 90\nsing \"la _\" r/1/2 C4/1 r/1 D4/1", 1, "@0 la@0.3333 @1.0000 la@1.6667 "},
        {"metronome 200\nRest 0.5\nsing \"twin-kle\" C5/1/4 r/1/10 Bb3/1/8", 1, "twin@"}};
    for (const auto& [body, tier, want] : lines) {
        dir.write("v.ss", "start1 0 1 1 1 1 1 0 1 1\nstartmn\n" + std::string(body) + "\nfine\n");
        ASSERT_EQ(run_program({"--labels", "v.TextGrid", "-o", "v.sco", "v.ss"}, dir).status, 0);
        EXPECT_NE(tier_labels(dir, "v.TextGrid", tier).find(want), std::string::npos) << body;
        EXPECT_FALSE(std::regex_search(read_file(dir.file("v.sco")),
                                       std::regex("\ni +[0-9]+ +[0-9.]+ +0\\.0000 ")));
    }
    const std::string phones = tier_labels(dir, "t.TextGrid", 2);
    EXPECT_NE(phones.find(" S@2.3333 IY@"), std::string::npos) << phones;
    EXPECT_NE(phones.find(" P@"), std::string::npos) << phones;
    EXPECT_NE(phones.find("T@0.56"), std::string::npos) << phones;  // before the beat
    EXPECT_NE(phones.find("K@1.2"), std::string::npos) << phones;

    // A song: "This" (a half note under a fermata) at 0.5 s after the lead-in, "is" after it
    // at 120 a minute, held 1.5 times by default and twice with --fermata 2.
    const std::string song =
        std::string(SPEECHSCORE_SONG_CONFORMANCE) + "/42a-MultiVoice-TwoVoicesOnStaff-Lyrics.xml";
    for (const char* fermata : {"1.5", "2"}) {
        r = run_program({song, "--fermata", fermata, "--labels", "t.TextGrid", "-o", "s.sco"}, dir);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(tier_labels(dir, "t.TextGrid", 1).substr(0, 21),
                  std::string("@0 This@0.5000 is@") + (fermata[0] == '2' ? "2.5" : "2.0"))
            << fermata;
    }
    EXPECT_EQ(run_program({song, "--fermata", "0.5"}, dir).status, 2);
    // A song's options given with a script are a mistake of usage, not ignored.
    r = run_program({"s.ss", "--voice", "bass"}, dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("speechscore: --voice is for a song file", 0), 0u) << r.err;

    // The TextGrid is an output like the others: never over the script, the score or a file of
    // the user's beside it; one it cannot write is an error of the run.
    const std::string script = read_file(dir.file("s.ss"));
    dir.write("t.TextGrid.part", "mine");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--labels", "s.ss", "-o", "s.sco", "s.ss"},
          {"--labels", "s.sco", "-o", "s.sco", "s.ss"},
          {"--labels", "no/t.TextGrid", "-o", "s.sco", "s.ss"}}) {
        r = run_program(args, dir);
        EXPECT_EQ(r.status, 2) << args[1];
        EXPECT_NE(r.err.find(args[1] == "s.ss"    ? "the TextGrid would overwrite the script s.ss"
                             : args[1] == "s.sco" ? "the TextGrid would overwrite the score s.sco"
                                                  : "cannot write the labels to no/t.TextGrid"),
                  std::string::npos)
            << r.err;
    }
    EXPECT_EQ(read_file(dir.file("s.ss")), script);
    EXPECT_EQ(read_file(dir.file("t.TextGrid.part")), "mine");

    // It goes in place with what it labels: a script without words labels its silence; the
    // take of a run with errors is not rendered, and the TextGrid beside it stays.
    dir.write("rest.ss", std::string(kStart) + "Rest 1\nfine\n");
    ASSERT_EQ(run_program({"--labels", "t.TextGrid", "rest.ss"}, dir).status, 0);
    EXPECT_EQ(tier_labels(dir, "t.TextGrid", 1), "@0 ");
    const std::string silence = read_file(dir.file("t.TextGrid"));
    dir.write("bad.ss", std::string(kStart) + "say \"cat\"\nRest x\nfine\n");
    EXPECT_EQ(run_program({"--labels", "t.TextGrid", "--render", "t.wav", "bad.ss"}, dir).status,
              1);
    EXPECT_EQ(read_file(dir.file("t.TextGrid")), silence);
}

}  // namespace
