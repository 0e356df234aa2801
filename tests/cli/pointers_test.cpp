// The library's own reports pointed out: a call the library reports in the score is named on
// standard error with its line, its operation and the argument outside its range (or the span,
// level or setting that explains it), while the score stays byte for byte what the C++ program
// making the same calls writes.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "cli/cli_support.h"
#include "speechscore.h"
#include "support/child.h"

namespace {

struct Pointed {
    const char* lines;            // script lines after the opening, before fine
    std::function<void()> calls;  // the same calls in C++
    const char* diagnostics;      // standard error before the summary line
    const char* summary;          // the summary line, without the script's name
};

void opening() {
    start1(0, 1, 1, 1, 1, 1, 0, 1, 1);
    startmn();
    metronome(120);
}

// clang-format off
const Pointed kPointed[] = {
    {"VOW 1 vAE 120 C9 0.5 0.002 0 1000 0.008 1 101 0\n",
     [] { VOW(1, 4, 120, 13, 0.5, 0.002, 0, 1000, 0.008, 1, 101, 0); },
     "p.ss:4:11: error: VOW argument 3 (AV) = 120 is outside its range: level in dB, up to "
     "100; the score says \"Error: <loudness> out-of-range.\"\n"
     "p.ss:4:43: error: VOW argument 11 (AS) = 101 is outside its range: level in dB, up to "
     "100; the score says \"Error: <loudness> out-of-range.\"\n"
     "p.ss:4:15: error: VOW argument 4 (F0) = C9 (13) is outside its range: pitch, "
     "octave-point-decimal, strictly between 0 and 12; the score says \"Error: <pitch> out-of-range.\"\n",
     "3 errors (3 reported in the score)"},
    {"genOQ 0.1 1.5\ngenTL 0.1 9000\n",
     [] { genOQ(0.1, 1.5); genTL(0.1, 9000); },
     "p.ss:4:11: error: genOQ argument 2 (oq) = 1.5 is outside its range: open quotient, "
     "strictly between 0 and 1; the score says \"Error: <open quotient> "
     "out-of-range.\"\n"
     "p.ss:5:11: error: genTL argument 2 (tl) = 9000 is outside its range: spectral tilt in Hz, "
     "0..8000 inclusive; the score says \"Error: <tilt> out-of-range.\"\n",
     "2 errors (2 reported in the score)"},
    {"Casc 0.1 48\n",
     [] { Casc(0.1, 48); },
     "p.ss:4:10: error: Casc argument 2 (color) = 48 is outside its range: colour symbol, "
     "0..47; the score says \"Error: <color symbol> is wrong.\" (4 times)\n",
     "4 errors (4 reported in the score)"},
    {"genTRC 0.1 36\ngenNAS 0.1 40\ngenDF1 0.1 5\n",
     [] { genTRC(0.1, 36); genNAS(0.1, 40); genDF1(0.1, 5); },
     "p.ss:4:12: error: genTRC argument 2 (trachPtr) = 36 is outside its range: tracheal "
     "pointer, 37 or 38; the score says \"Error: <tracheal pointer> is wrong.\"\n"
     "p.ss:5:12: error: genNAS argument 2 (nasalPtr) = 40 is outside its range: nasal pointer, "
     "33..38; the score says \"Odd error: Email: speechscore-maintainers@lists.speechscore.org.\"\n"
     "p.ss:6:12: error: genDF1 argument 2 (df1Sym) = 5 is outside its range: delta-F1 symbol, "
     "0..3; the score says \"Error: <delta F1 symbol> is wrong.\"\n",
     "3 errors (3 reported in the score)"},
    {"start1 13 1 1 1 1 1 6 1 1\n",
     [] { start1(13, 1, 1, 1, 1, 1, 6, 1, 1); },
     "p.ss:4:8: error: start1 argument 1 (outswt) = 13 is outside its range: output switch, "
     "0..12 inclusive; the score says \"Error: <output switch> is wrong.\"\n"
     "p.ss:4:21: error: start1 argument 7 (srcsw) = 6 is outside its range: source switch, 0..5 inclusive; "
     "the score says \"Error: <source switch> is wrong.\"\n",
     "2 errors (2 reported in the score)"},
    {"restAll 0\n",
     [] { restAll(0); },
     "p.ss:4:9: error: restAll argument 1 (span) = 0 is outside its range: length in seconds, "
     "> 0; the score says \"Error: <duration> <= 0.\" (18 times)\n",
     "18 errors (18 reported in the score)"},
    {"glMM 2 0\n",
     [] { glMM(2, 0); },
     "p.ss:4:8: error: glMM argument 2 (mark) = 0 is outside its range: metronome mark in beats "
     "per minute, > 0; the score says \"; BAD MM mark; master envelope cancelled.\"\n",
     "1 error (1 reported in the score)"},
    // Causes that are no argument: a setting, a span or a level the builder computed.
    {"TTO = 50\nCasc 0.1 vAE\n",
     [] { TTO = 50; Casc(0.1, 4); },
     "p.ss:5:1: error: Casc: the score says \"Error: <TTO operation> is wrong.\" (4 times); no "
     "argument is outside its range, but TTO = 50 (the TTO operation that maps the ring colours "
     "0..11) is outside its range, 0..47\n",
     "4 errors (4 reported in the score)"},
    {"OQn = 1\nqV 0.1 60 C3\n",
     [] { OQn = 1; qV(0.1, 60, 7); },
     "p.ss:5:1: error: qV: the score says \"Error: <open quotient> out-of-range.\"; no argument "
     "is outside its range, but OQn = 1 (the open quotient aV and xV pass on and qV raises "
     "halfway to 1) is outside its range, strictly between 0 and 1\n",
     "1 error (1 reported in the score)"},
    {"tV 1 cP vUW 50 54 60 D3 52 0 0.05 0.02 0.04 0.04 10 0.03 0.05 0.2\n",
     [] { tV(1, 27, 11, 50, 54, 60, 7 + 2 / 12.0, 52, 0, 0.05, 0.02, 0.04, 0.04, 10, 0.03, 0.05,
             0.2); },
     "p.ss:4:1: error: tV: the score says \"Error: <duration> <= 0.\"; no argument is outside its "
     "range, but the span DC = d5 - dBurst came out 0 s\n",
     "1 error (1 reported in the score)"},
    {"dV 1 cD vAA 50 54 60 G3 52 0 0.05 0.02 0.01 0.04 -60 0.03 0.05 0.2\n",
     [] { dV(1, 30, 2, 50, 54, 60, 7 + 7 / 12.0, 52, 0, 0.05, 0.02, 0.01, 0.04, -60, 0.03, 0.05,
             0.2); },
     "p.ss:4:1: error: dV: the score says \"Error: <loudness> out-of-range.\"; no argument is "
     "outside its range, but the level L1 = ampB - burstDrop came out 114\n",
     "1 error (1 reported in the score)"},
    // Reports that were asked for, or are no error.
    {"err 3 5\n",
     [] { err(3, 5); },
     "p.ss:4:1: error: err wrote \"Error: <duration> <= 0.\" into the score, as asked; it counts "
     "as an error\n",
     "1 error (1 reported in the score)"},
    {"metronome -1\nclrTTO 1 4\n",
     [] { metronome(-1); clrTTO(1, 4); },
     "p.ss:4:11: warning: metronome argument 1 (mark) = -1 is outside its range: metronome mark "
     "in beats per minute, > 0; the score says \"; TEMPO SPEC. IS WRONG; WILL USE MM=60.\"\n"
     "p.ss:5:1: note: clrTTO returned 5\n",
     nullptr},
};
// clang-format on

TEST(ScriptPointers, LibraryReportsArePointedOutAndTheScoreIsTheLibrarys) {
    ScratchDir dir;
    for (const Pointed& c : kPointed) {
        SCOPED_TRACE(c.lines);
        dir.write("p.ss", std::string(kOpening) + c.lines + "fine\n");
        const ChildResult run = speechscore({"p.ss"}, in(dir.path()));
        // The parent of these children never calls the library, so each starts fresh.
        const ChildResult cpp = run_child([&]() {
            opening();
            c.calls();
            fine();
        });
        EXPECT_EQ(run.out, cpp.out);
        EXPECT_EQ(run.status, cpp.status);
        std::string expected = c.diagnostics;
        if (c.summary != nullptr) expected += cpp.err + "p.ss: " + c.summary + "\n";
        EXPECT_EQ(run.err, expected);
    }
}

}  // namespace
