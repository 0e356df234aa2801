// Set-up shared by the unit tests: module state as a test child needs it, a child that starts
// from it, and repeated text for the long echo lines.
#ifndef SPEECHSCORE_TESTS_FRESH_H
#define SPEECHSCORE_TESTS_FRESH_H

#include <algorithm>
#include <functional>
#include <iterator>
#include <string>

#include "speechscore.h"
#include "support/child.h"

// Start-up done (time lines, buffer, error count, offsets and voice quality cleared), no tempo
// or track glide, TTO 0, no adjustment row, every beat position at 0 and the remembered
// values as at program start.
inline void fresh(double secondsPerBeat = 1.0) {
    start1(0, 1, 1, 1, 1, 1, 0, 1, 1);
    beat = secondsPerBeat;
    TTO = 0;
    frmadjpt = 0;
    spbGLMM = 0;
    normGL();
    std::fill(std::begin(beatpoints), std::end(beatpoints), 0.0);
    const double cascade[17] = {500, 1500, 2500, 3500, 4500, 5500, 6500, 7500, 101,
                                101, 150,  350,  450,  550,  650,  750,  1};
    const double para[11] = {0, 101, 0, 150, 0, 350, 0, 450, 0, 550, 0};
    std::copy(std::begin(cascade), std::end(cascade), ocasc);
    std::copy(std::begin(para), std::end(para), opara);
    oav = oas = oaf = oavswt = oasswt = oafswt = 0;
    of0 = 6, ooq = 0.5, ofl = 0, odi = 0, otl = 8000, odv = 0.008, ofv = 1;
    onaspt = 33, otrcpt = 37, oDf1pt = 0;
}

// Runs calls in a forked child from a fresh start.
inline ChildResult run_fresh(const std::function<void()>& calls, double secondsPerBeat = 1.0) {
    return run_child([&] {
        fresh(secondsPerBeat);
        calls();
    });
}

// n copies of text; by default the echo field of a 0 ("%9.4f  ").
inline std::string repeat(int n, const std::string& text = "   0.0000  ") {
    std::string out;
    for (int i = 0; i < n; ++i) out += text;
    return out;
}

#endif
