// Metronome mark and master tempo glide.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "speechscore.h"
#include "support/fresh.h"
#include "support/messages.h"

namespace {

void print_beat() { std::printf("beat %.17g\n", beat); }

// The comment lines of glMM and doGLMM, formatted here on their own.
std::string start(double now, double old, double limit, double slope) {
    char line[128];
    std::snprintf(line, sizeof line,
                  ";glMM start: beatnew=%9.4f;beatold=%9.4f;beatslimit=%9.4f;spbGLMM=%9.4f\n", now,
                  old, limit, slope);
    return line;
}
std::string step(double now, double accum, double factor) {
    char line[128];
    std::snprintf(line, sizeof line, "; Beat = %9.4f; beatsaccum = %9.4f; facGLMM = %9.4f\n", now,
                  accum, factor);
    return line;
}

const std::string kBadSpan = kDuration + ";i  0" + repeat(11) + "\n";
const std::string kOddMark = kOdd + ";i  0" + repeat(11) + "\n";

TEST(Tempo, MetronomeAndGlideStepsEndExactlyOnTheTargetAndSurviveBadRequests) {
    struct Case {
        void (*calls)();
        std::string out;  // then the beat and the error count
    };
    const std::string fallback = kTempoFallback + "beat 1\nerrors 0\n";
    // clang-format off
    const Case cases[] = {
        {[] { metronome(90); }, "beat 0.66666666666666663\nerrors 0\n"},
        // Zero and non-numbers would make every later span infinite.
        {[] { beat = 7; metronome(0); }, fallback},
        // A mark that is not a number is also counted.
        {[] { beat = 7; metronome(NAN); }, kOddMark + fallback.substr(0, fallback.size() - 2) + "1\n"},
        {[] { beat = 7; metronome(1e-320); }, fallback},
        // Equal steps in seconds per beat; the step that reaches the limit ends on the target.
        {[] { glMM(4, 30); print_beat(); for (int i = 0; i < 5; ++i) doGLMM(1); },
         start(2, 1, 4, 0.25) + "beat 1\n" + step(1.25, 1, 1.25) + step(1.5, 2, 1.5) +
             step(1.75, 3, 1.75) + "beat 2\nerrors 0\n"},
        {[] { beat = 0.5; glMM(2, 120); doGLMM(1); doGLMM(1); },
         start(0.5, 0.5, 2, 0) + "beat 0.5\nerrors 0\n"},
        // A bad mark is counted and the running glide goes on.
        {[] { glMM(4, 30); glMM(2, 0); glMM(2, -60); doGLMM(1); },
         start(2, 1, 4, 0.25) + kBadMark + kBadMark + step(1.25, 1, 1.25) + "beat 1.25\nerrors 2\n"},
        // A span of 0 or less is reported (echoing the buffer), and the next step ends the glide.
        {[] { pfields[0] = 21; pfields[1] = 0.5; glMM(0, 30); doGLMM(0); },
         "Error: <duration> <= 0.\n;i 21   0.5000  " + repeat(10) + "\n" + start(2, 1, 0, 1) +
             "beat 2\nerrors 1\n"},
        {[] { glMM(-2, 30); doGLMM(1); }, kBadSpan + start(2, 1, -2, -0.5) + "beat 2\nerrors 1\n"},
        // Steps below 0 (the case that once wrote an eight-second rest) leave the glide where
        // it is.
        {[] { glMM(4, 30); doGLMM(-8); doGLMM(-1e308); doGLMM(-1e308); doGLMM(2); },
         start(2, 1, 4, 0.25) + step(1, 0, 1) + step(1, 0, 1) + step(1, 0, 1) + step(1.5, 2, 1.5) +
             "beat 1.5\nerrors 0\n"},
        // A target a client broke (no tempo) ends the glide and leaves beat where it was.
        {[] { glMM(4, 30); beatnew = 0; doGLMM(1); doGLMM(4); std::printf("%g\n", facGLMM); },
         start(2, 1, 4, 0.25) + "1\nbeat 1\nerrors 0\n"},
        {[] { glMM(4, 30); beatnew = NAN; doGLMM(1); doGLMM(4); std::printf("%g\n", facGLMM); },
         start(2, 1, 4, 0.25) + "1\nbeat 1\nerrors 0\n"},
        // A span or a step that is not a number is reported and counts as 0.
        {[] { glMM(NAN, 120); doGLMM(NAN); std::printf("%g %g\n", beatsaccum, beatslimit); },
         kBadSpan + start(0.5, 1, 0, -0.5) + kBadSpan + "0 0\nbeat 0.5\nerrors 2\n"},
    };
    // clang-format on
    for (const Case& c : cases) {
        ChildResult r = run_fresh([&] {
            c.calls();
            print_beat();
            std::printf("errors %d\n", nerrors);
        });
        EXPECT_EQ(r.out, c.out);
    }
}

}  // namespace
