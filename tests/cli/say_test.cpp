// The say statement: the C++ call, the script line and the expanded script write the same
// bytes; every track ends together; a phrase that cannot be said is reported at its line and
// column and writes nothing; --labels writes a TextGrid that Praat reads; the phone page matches
// the phone table.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "speechscore.h"
#include "speechscore_colours.h"
#include "speechscore_words.h"
#include "support/child.h"

namespace {

namespace sw = speechscore::words;

// The program's helpers (cli_support.h) name a function speechscore, which the namespace of the
// words layer hides, so this file runs the program itself.
using Dir = ScratchDir;

ChildResult run_script(std::vector<std::string> args, const Dir& dir) {
    args.insert(args.begin(), SPEECHSCORE_CLI);
    return run_command(args, {}, dir.path());
}

const char kStart[] = "start1 0 1 1 1 1 1 0 1 1\nstartmn\nmetronome 60\nRest 0.5\n";

// One phrase in its three forms: the script line, and the same for the C++ call.
struct Form {
    const char* line;
    const char* phrase;
    sw::Input input;
    sw::Options options;
};

double hz(const char* note) {
    return speechscore::pitch::octToHz(speechscore::pitch::noteOct(note));
}

std::vector<Form> forms() {
    sw::Options french;
    french.lang = "fr";
    sw::Options fitted;
    fitted.beats = 3;
    fitted.pitch = {{0, false, 110}, {1.5, false, hz("G3")}, {3, false, 98}};
    sw::Options sung;
    sung.pitch = {{0, true, hz("C3")}, {1, true, hz("E3")}};
    return {
        {"say \"see my zoo\"", "see my zoo", sw::Input::Text, sw::Options()},
        {"say /S IY1 | M AY1 | Z UW1/", "S IY1 | M AY1 | Z UW1", sw::Input::Arpabet, sw::Options()},
        {"say [ˈsiː maɪ ˈzuː]", "ˈsiː maɪ ˈzuː", sw::Input::Ipa, sw::Options()},
        {"say \"bonjour\" lang=fr", "bonjour", sw::Input::Text, french},
        {"say \"the church judge, sings\" beats=3 pitch=110@0,G3@1.5,98Hz@3",
         "the church judge, sings", sw::Input::Text, fitted},
        {"say \"hello there\" pitch=C3,E3", "hello there", sw::Input::Text, sung},
    };
}

TEST(Say, CallScriptAndExpandedScriptWriteTheSameBytes) {
    Dir dir;
    std::string script = kStart;
    for (const Form& f : forms()) script += std::string(f.line) + "\nRest 0.25\n";
    script += "glMM 2 90\nsay \"thin shoes\"\nRest 1\nfine\n";
    dir.write("s.ss", script);
    const ChildResult run = run_script({"s.ss"}, dir);
    ASSERT_EQ(run.status, 0) << run.err;

    const ChildResult cpp = run_child([&]() {
        start1(0, 1, 1, 1, 1, 1, 0, 1, 1);
        startmn();
        metronome(60);
        Rest(0.5);
        for (const Form& f : forms()) {
            sw::Problem problem;
            if (!sw::say(f.phrase, f.input, f.options, problem)) std::fputs("failed\n", stderr);
            Rest(0.25);
        }
        glMM(2, 90);
        sw::say("thin shoes");
        Rest(1);
        fine();
    });
    EXPECT_EQ(cpp.err, "");
    EXPECT_TRUE(cpp.out == run.out) << "the C++ calls write another score";

    const ChildResult expanded = run_script({"--expand", "s.ss"}, dir);
    ASSERT_EQ(expanded.status, 0) << expanded.err;
    EXPECT_EQ(expanded.out.find("say "), std::string::npos);
    EXPECT_NE(expanded.out.find("\nfrqF2 "), std::string::npos);
    EXPECT_NE(expanded.out.find("\nnasaltrach[1][2] = 1000\n"), std::string::npos);
    dir.write("x.ss", expanded.out);
    const ChildResult replay = run_script({"x.ss"}, dir);
    ASSERT_EQ(replay.status, 0) << replay.err;
    EXPECT_TRUE(replay.out == run.out) << "the expanded script writes another score";
}

TEST(Say, EveryTrackEndsWithThePhrase) {
    const ChildResult r = run_child([]() {
        start1(0, 1, 1, 1, 1, 1, 0, 1, 1);
        metronome(72);
        Rest(0.5);
        glMM(4, 120);  // the tempo moves while the phrase is said
        sw::say("quick brown fox, jumps");
        double lowest = 1e9;
        double highest = 0;
        for (int slot = 2; slot <= 19; ++slot) {
            lowest = std::min(lowest, timepoints[slot]);
            highest = std::max(highest, timepoints[slot]);
        }
        std::fprintf(stderr, "%.12f %d\n", highest - lowest, nerrors);
    });
    EXPECT_EQ(r.err, "0.000000000000 0\n");
}

TEST(Say, APhraseThatCannotBeSaidIsReportedAndWritesNothing) {
    struct Case {
        const char* line;
        const char* message;
    };
    const Case cases[] = {
        {"say /S IY1 QQ1/", "s.ss:5:12: error: unknown phone 'QQ1'; the nearest phones we have: "},
        {"say [siː ʕa]", "s.ss:5:11: error: unknown phone 'ʕ'; the nearest phones we have: "},
        {"say \"see\" lang=xx", "s.ss:5:11: error: unknown language 'xx': espeak-ng has no voice"},
        {"say \"see\" speed=2", "s.ss:5:11: error: unknown option 'speed' (the options are lang, "},
        {"say \"see\" pitch=C3,Q9", "s.ss:5:20: error: pitch point 'Q9': a note name"},
        {"say \"see\" beats=0", "s.ss:5:17: error: beats=0: the phrase's length in beats, above 0"},
        {"say \"see", "s.ss:5:5: error: the phrase has no closing \""},
        {"say /S IY1 M9/", "s.ss:5:12: error: unknown phone 'M9'"},
        {"say", "s.ss:5:4: error: say needs a phrase"},
        {"say \"see\" beats=1e300", "s.ss:5:6: error: beats=1.0000000000000001e+300 would last"},
        {"say \"see\" pitch=1e300", "s.ss:5:17: error: pitch point '1e300': a note name"},
        {"say []", "s.ss:5:6: error: no phones between the brackets"},
    };
    Dir dir;
    dir.write("clean.ss", std::string(kStart) + "Rest 1\nfine\n");
    const ChildResult clean = run_script({"clean.ss"}, dir);
    for (const Case& c : cases) {
        dir.write("s.ss", std::string(kStart) + c.line + "\nRest 1\nfine\n");
        const ChildResult r = run_script({"s.ss"}, dir);
        EXPECT_EQ(r.status, 1) << c.line;
        EXPECT_EQ(r.err.rfind(c.message, 0), 0u) << c.line << "\n" << r.err;
        EXPECT_TRUE(r.out == clean.out) << c.line << ": the line wrote to the score";
    }
}

TEST(Say, LabelsAreATextGridPraatReads) {
    Dir dir;
    dir.write("s.ss", std::string(kStart) + "say \"see my zoo\"\nRest 0.5\nsay /P IY1/\nfine\n");
    const ChildResult r = run_script({"--labels", "t.TextGrid", "-o", "s.sco", "s.ss"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    dir.write("read.praat",
              "g = Read from file: \"t.TextGrid\"\n"
              "n = Get number of intervals: 2\n"
              "for i to n\n"
              "  t$ = Get label of interval: 2, i\n"
              "  x = Get start time of interval: 2, i\n"
              "  appendInfo: t$, \"@\", fixed$(x, 4), \" \"\n"
              "endfor\n"
              "w$ = Get label of interval: 1, 4\n"
              "appendInfoLine: \"| \", w$\n");
    const ChildResult praat = run_command({"praat", "--run", "read.praat"}, {}, dir.path());
    ASSERT_EQ(praat.status, 0) << praat.err;
    // Boundaries at the score's event times: the phrase starts after the 0.5-beat rest at 60
    // per minute, and the F1 events start there.
    EXPECT_EQ(praat.out.rfind("@0 S@0.5000 IY@", 0), 0u) << praat.out;
    EXPECT_NE(praat.out.find(" P@"), std::string::npos);
    EXPECT_NE(praat.out.find("| zoo"), std::string::npos) << praat.out;
    EXPECT_NE(read_file(dir.file("s.sco")).find("i 11    0.5000  0.0020 "), std::string::npos);
}

}  // namespace
