// The grammar of call scripts: every kind of line that cannot be run gets its exact diagnostic,
// nothing is called for it, it is counted and the run ends with status 1 after fine; names,
// comments and blanks read as the plain numbers they stand for.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_support.h"

namespace {

struct BadLine {
    const char* line;
    std::string diagnostic;  // what follows "s.ss:4:"
};

const std::string kPitch =
    "a pitch, octave-point-decimal, strictly between 0 and 12, or a note "
    "name such as C3, Bb4 or F#2, or a frequency such as 130.8Hz";
const std::string kBeats = "; Rest argument 1 (beats) is a length in beats, > 0";

// clang-format off
const BadLine kBadLines[] = {
    // Names
    {"Vow 1 4 60 7 0.5 0.002 0 1000 0.008 1 0 0",
     "1: error: unknown operation 'Vow'; did you mean 'VOW'?"},
    {"frobnicate 1 2", "1: error: unknown operation 'frobnicate'"},
    {"Rset 1", "1: error: unknown operation 'Rset'; did you mean 'Rest'?"},
    {"restal 1",
     "1: error: unknown operation 'restal'; did you mean 'restAS', 'restAF' or 'restAll'?"},
    {"VOW+1 2", "1: error: unknown operation 'VOW+1'; did you mean 'VOW' or 'VOWn'?"},
    {"TTO 3", "1: error: TTO is a variable; set it with: TTO = VALUE"},
    {"3 4", "1: error: expected an operation or a variable at the start of the line, got '3'"},
    {"tto = 3", "1: error: unknown variable 'tto'; did you mean 'TTO'?"},
    {"VOW = 3", "1: error: VOW is an operation; call it with: VOW ARGUMENTS"},
    // Number of arguments
    {"VOW 1 4 60 7 0.5 0.002 0 1000 0.008 1 0 0 9",
     "43: error: VOW takes 12 arguments (beats color AV F0 OQ FL DI TL DV FV AS swt), got 13"},
    {"startmn 1", "9: error: startmn takes no arguments, got 1"},
    {"Rest",
     "5: error: Rest takes 1 argument (beats), got 0; the first missing is beats, a length in "
     "beats, > 0"},
    {"F0B 1 130.8 Hz",
     "13: error: F0B takes 2 arguments (beats f0), got 3; write a frequency and its unit "
     "together, as in 130.8Hz"},
    {"VOW(1, 4, 60, 7, 0.5, 0.002, 0, 1000, 0.008, 1, 0, 0);",
     "4: error: a call in a script has no parentheses, commas or semicolons; write: "
     "VOW 1 4 60 7 0.5 0.002 0 1000 0.008 1 0 0"},
    // A word where a number belongs (a '#' inside a word starts no comment), a non-integer where
    // an int belongs, no finite number
    {"Rest 1#x", "6: error: '1#x' is not a number" + kBeats},
    {"Rest \x01x", "6: error: '\\x01x' is not a number" + kBeats},
    {"wr ii 5",
     "4: error: 'ii' is not a single letter; wr argument 1 (kind) is a statement letter, i or f"},
    {"VOW 1 4.5 60 7 0.5 0.002 0 1000 0.008 1 0 0",
     "7: error: 4.5 is not an integer; VOW argument 2 (color) is a colour symbol, 0..47, or a "
     "colour name"},
    {"wr i 2147483648",
     "6: error: 2147483648 is outside the range of an int; wr argument 2 (count) is a number of "
     "p-fields, 1..50"},
    {"VOW 1 4 60 nan 0.5 0.002 0 1000 0.008 1 0 0",
     "12: error: 'nan' is not a finite number; VOW argument 4 (F0) is " + kPitch},
    {"Rest -inf", "6: error: '-inf' is not a finite number" + kBeats},
    {"Rest 1e999", "6: error: 1e999 is beyond the range of a double" + kBeats},
    // Unknown colour, note and pointer names, bad frequencies
    {"VOW 1 vEHH 60 7 0.5 0.002 0 1000 0.008 1 0 0",
     "7: error: unknown colour name 'vEHH' (did you mean 'vEH'?); VOW argument 2 (color) is a "
     "colour symbol, 0..47, or a colour name"},
    {"VOW 1 vAE 60 H4 0.5 0.002 0 1000 0.008 1 0 0",
     "14: error: 'H4' is not a number, a note name or a frequency; VOW argument 4 (F0) is " +
         kPitch},
    {"F0B 1 0Hz", "7: error: 0Hz is not a frequency above 0 Hz; F0B argument 2 (f0) is " + kPitch},
    {"F0B 1 4.9e-324Hz",
     "7: error: 4.9e-324Hz is too low to have a finite pitch; F0B argument 2 (f0) is " + kPitch},
    {"genNAS 0.1 nasX",
     "12: error: unknown nasal pointer name 'nasX' (did you mean 'nasM' or 'nasN'?); genNAS "
     "argument 2 (nasalPtr) is a nasal pointer, 33..38, or a nasal pointer name"},
    {"genTRC 0.1 nasM",
     "12: error: unknown tracheal pointer name 'nasM'; genTRC argument 2 (trachPtr) is a "
     "tracheal pointer, 37 or 38, or a tracheal pointer name"},
    // Assignments
    {"ocasc[17] = 3", "7: error: index 17 is outside ocasc, whose indices run from 0 to 16"},
    {"ocasc[-1] = 3", "7: error: index -1 is outside ocasc, whose indices run from 0 to 16"},
    {"ocasc[1.5] = 3", "7: error: 1.5 is not an integer; an index is a whole number from 0"},
    {"ocasc = 3",
     "1: error: ocasc is an array of 17 values; set an entry with: ocasc[INDEX] = VALUE"},
    {"formants[4] = 3",
     "1: error: formants is a table of 48 rows of 23 values; set a cell with: "
     "formants[ROW][COLUMN] = VALUE"},
    {"formants[48][0] = 3", "10: error: row 48 is outside formants, whose rows run from 0 to 47"},
    {"formants[4][0][1] = 3", "15: error: formants takes at most two indices"},
    {"TTO[1] = 3", "4: error: TTO is a single value, not an array"},
    {"ocasc[2 = 3", "9: error: expected ']' to close the index opened at column 6"},
    {"ocasc[2]", "9: error: expected '=' after ocasc, got the end of the line"},
    {"TTO =", "6: error: expected a value after '='"},
    {"TTO = 3;", "8: error: a line of a script ends without ';'"},
    {"TTO = 3 4", "9: error: unexpected '4' after the value"},
    {"TTO = vAE", "7: error: 'vAE' is not a number; TTO holds a TTO operation, 0..47"},
    {"beat = fast", "8: error: 'fast' is not a number; beat holds a number"},
};
// clang-format on

// Every bad line gets its diagnostic and is not run; comments, blank lines, tabs, carriage
// returns and the '#' of a note name change nothing.
TEST(ScriptGrammar, EachBadLineGetsItsDiagnosticAndIsNotRun) {
    ScratchDir dir;
    dir.write("noisy.ss",
              "# a comment line\n\nstart1 0 1 1 1 1 1 0 1 1 # settings\r\n"
              "\tstartmn\t\r\n   metronome   120   \n   # indented comment\n"
              "F0B 1 F#2 #no blank needed after the hash\nbeat=0.5\nRest 1 # one beat\nfine");
    const ChildResult good = speechscore({"noisy.ss"}, in(dir.path()));
    EXPECT_EQ(good.err, "");
    ASSERT_EQ(good.status, 0);
    for (const BadLine& c : kBadLines) {
        SCOPED_TRACE(c.line);
        dir.write("s.ss",
                  kOpening + std::string(c.line) + "\nF0B 1 F#2\nbeat = 0.5\nRest 1\nfine\n");
        const ChildResult run = speechscore({"s.ss"}, in(dir.path()));
        EXPECT_EQ(run.err, "s.ss:4:" + c.diagnostic + "\ns.ss: 1 error (1 line not run)\n");
        EXPECT_EQ(run.out, good.out);  // nothing called for the bad line, the rest run
        EXPECT_EQ(run.status, 1);
    }
}

// A NUL, a byte order mark and words of megabytes: short diagnostics, no search for a name;
// every bad line is counted and the rest runs.
TEST(ScriptGrammar, HostileBytesGetShortDiagnosticsAndTheRestRuns) {
    ScratchDir dir;
    dir.write("good.ss", std::string(kOpening) + "F0B 1 220\nfine\n");
    const std::string word(4000000, 'V');
    const std::string number = "1" + std::string(1000000, '0');
    dir.write("s.ss", "\xEF\xBB\xBF" + std::string(kOpening) + std::string("wr \0 3\n", 7) + word +
                          " 1\nRest " + number + "\nF0B 1 220\nfine\n");
    const ChildResult run = speechscore({"s.ss"}, in(dir.path()));
    EXPECT_EQ(run.status, 1);
    const std::vector<std::string> diagnostics = {
        "s.ss:4:4: error: '\\x00' is not a letter; wr argument 1 (kind) is a statement letter, i "
        "or f",
        "s.ss:5:1: error: unknown operation '" + std::string(64, 'V') + "...' (4000000 bytes)",
        "s.ss:6:6: error: 1" + std::string(63, '0') +
            "... (1000001 bytes) is beyond the range of a double" + kBeats,
        // A bare number where a pitch belongs that is a frequency of the pitch scale.
        "s.ss:7:7: error: F0B argument 2 (f0) = 220 is outside its range: pitch, "
        "octave-point-decimal, strictly between 0 and 12; the score says \"Error: <pitch> "
        "out-of-range.\"; did you mean 220Hz?",
        "Number of errors:   1. Details in .sco file.",
        "s.ss: 4 errors (3 lines not run, 1 reported in the score)"};
    EXPECT_EQ(lines_of(run.err), diagnostics);
    EXPECT_EQ(run.out, speechscore({"good.ss"}, in(dir.path())).out);
}

}  // namespace
