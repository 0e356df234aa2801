// Voice-source and noise tracks: generators, glides, voicing assembly and setters.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <string>

#include "speechscore.h"
#include "support/fresh.h"
#include "support/messages.h"

namespace {

// The end of an echo line: n fields of a stale 9, then the line end.
std::string nines(int n) { return repeat(n, "   9.0000  ") + "\n"; }

// Every call starts with 9 in every field of the buffer: echo lines show the buffer as earlier
// statements left it, twelve fields on the voice tracks, five on the noise tracks.
TEST(TrackEvents, RangeBoundsEchoesAndWhatRejectedEventsLeave) {
    struct Case {
        void (*call)();
        std::string out;
    };
    // clang-format off
    const Case cases[] = {
        {[] { genAV(0.1, 100, 0); }, "i 20    0.0000  0.1000 100.000 0.000 \n"},
        {[] { genAV(0.1, 100.001, 0); }, kLoud + ";i 20   0.0000     0.1000   100.0010     0.0000  " + nines(7)},
        // The check reads the client's value, not the sum with the offset.
        {[] { incAV = 10; genAV(0.1, 95, 0); }, "i 20    0.0000  0.1000 105.000 0.000 \n"},
        {[] { genF0(0.1, 0); }, kPitch + ";i 21   0.0000     0.1000     0.0000  " + nines(8)},
        {[] { genF0(0.1, 12); }, kPitch + ";i 21   0.0000     0.1000    12.0000  " + nines(8)},
        {[] { genF0(0.1, 11.99); }, "i 21    0.0000  0.1000 11.990 \n"},
        {[] { genF0(0.1, 0.001); }, "i 21    0.0000  0.1000 0.001 \n"},
        {[] { genOQ(0.1, 0); }, kQuotient + ";i 22   0.0000     0.1000     0.0000  " + nines(8)},
        {[] { genOQ(0.1, 1); }, kQuotient + ";i 22   0.0000     0.1000     1.0000  " + nines(8)},
        {[] { genOQ(0.1, 0.999); }, "i 22    0.0000  0.1000 0.999 \n"},
        {[] { genOQ(0.1, 0.001); }, "i 22    0.0000  0.1000 0.001 \n"},
        {[] { genTL(0.1, 0); }, "i 25    0.0000  0.1000 0.000 \n"},
        {[] { genTL(0.1, 8000); }, "i 25    0.0000  0.1000 8000.000 \n"},
        {[] { genTL(0.1, -1); }, kTilt + ";i 25   0.0000     0.1000    -1.0000  " + nines(8)},
        {[] { genTL(0.1, 8000.5); }, kTilt + ";i 25   0.0000     0.1000  8000.5000  " + nines(8)},
        {[] { genAS(0.1, 100, 1); }, "i 15    0.0000  0.1000 100.000 1.000 \n"},
        {[] { genAF(0.1, 100.5, 1); }, kLoud + ";i 16   0.0000     0.1000   100.5000     1.0000  \n"},
        {[] { incAS = 10; aS(0.1, 95); }, "i 15    0.0000  0.1000 105.000 0.000 \n"},
        {[] { xF(0.1, 40); }, "i 16    0.0000  0.1000 40.000 1.000 \n"},
        // clang-format on
        // A rejected event still moves its time line (back, for a negative span) and leaves its
        // value to be remembered; its switch is not remembered, on AV, AS or AF.
        {[] {
             genOQ(0.2, 1.5);
             genF0(0, 6);
             genTL(-0.1, 500);
             std::printf("%g %g %g %g %g %g\n", ooq, timepoints[14], of0, timepoints[13], otl,
                         timepoints[17]);
             genTL(0.3, 500);
             genAV(0.1, 50, 1);
             genAV(0.1, 150, 0);
             xS(0.1, 30);
             aS(0, 20);
             genAF(0.1, 30, 2);
             genAF(0.1, 150, 0);
             std::printf("%g %g %g %g %g %g %d\n", oav, oavswt, oas, oasswt, oafswt, timepoints[12],
                         nerrors);
         },
         kQuotient + ";i 22   0.0000     0.2000     1.5000  " + nines(8) + kDuration +
             ";i 21   0.0000     0.0000     6.0000  " + nines(8) + kDuration +
             ";i 25   0.0000    -0.1000   500.0000  " + nines(8) + "1.5 0.2 6 0 500 -0.1\n" +
             "i 25   -0.1000  0.3000 500.000 \n" + "i 20    0.0000  0.1000 50.000 1.000 \n" +
             kLoud + ";i 20   0.1000     0.1000   150.0000     0.0000  " + nines(7) +
             "i 15    0.0000  0.1000 30.000 1.000 \n" + kDuration +
             ";i 15   0.1000     0.0000    20.0000     0.0000  \n" +
             "i 16    0.0000  0.1000 30.000 2.000 \n" + kLoud +
             ";i 16   0.1000     0.1000   150.0000     0.0000  \n" + "150 1 20 1 2 0.2 6\n"},
        // A glide span of 0 or less is reported and the glide ends at the next step; noise
        // glides echo twelve fields too.
        {[] {
             genF0(0.1, 6);
             setAV(2);
             beatpoints[12] = 5;
             glAV(0, 10);
             std::printf("%g %g %g\n", spbGLAV, limGLAV, incAV);
             doGLAV(0);
             std::printf("%g %g %g\n", incAV, spbGLAV, beatpoints[12]);
             beatpoints[14] = 3;
             glOQ(-2, 0.5);
             std::printf("%g %g\n", spbGLOQ, limGLOQ);
             doGLOQ(0);
             std::printf("%g %g\n", facGLOQ, spbGLOQ);
             aS(0.1, 30);
             glAS(0, 5);
         },
         "i 21    0.0000  0.1000 6.000 \n" + kDuration + ";i 21   0.0000     0.1000     6.0000  " +
             nines(8) + "8 5 2\n10 0 5\n" + kDuration + ";i 21   0.0000     0.1000     6.0000  " +
             nines(8) + "0.25 1\n0.5 0\ni 15    0.0000  0.1000 30.000 0.000 \n" + kDuration +
             ";i 15   0.0000     0.1000    30.0000     0.0000  " + nines(7)},
        // Each of the eight events of qV is checked on its own: qV raises OQ halfway to 1, out
        // of range, and only the OQ event is missing.
        {[] {
             setOQ(1);
             qV(0.2, 60, 6);
             std::printf("errors %d\n", nerrors);
         },
         "i 20    0.0000  0.2000 60.000 0.000 \ni 21    0.0000  0.2000 6.000 \n" + kQuotient +
             ";i 22   0.0000     0.2000     1.0000     0.0000  " + nines(7) +
             "i 23    0.0000  0.2000 0.002 \ni 24    0.0000  0.2000 0.000 \n"
             "i 25    0.0000  0.2000 1000.000 \ni 26    0.0000  0.2000 0.008 \n"
             "i 27    0.0000  0.2000 1.000 \nerrors 1\n"},
        // Values that are not numbers, or not after the factor, are reported and never stored;
        // a running glide stays; a step that is not a number counts as 0.
        {[] {
             genF0(0.1, NAN);
             genAV(INFINITY, 50, 0);
             facGLDV = 10;
             genDV(0.1, 1e308);
             genAS(0.1, 40, NAN);
             glTL(2, 3);
             glTL(2, NAN);
             setOQ(NAN);
             doGLAV(NAN);
             std::printf("%g %g %g %g %g %g %g %g %g\n", of0, timepoints[13], timepoints[12], odv,
                         oasswt, spbGLTL, newGLTL, OQn, beatpoints[12]);
         },
         kPitch + ";i 21   0.0000     0.1000     0.0000  " + nines(8) + kDuration +
             ";i 20   0.0000     0.0000    50.0000     0.0000  " + nines(7) + kOdd +
             ";i 26   0.0000     0.1000     0.0000     0.0000  " + nines(7) + kLoud +
             ";i 15   0.0000     0.1000    40.0000     0.0000  \n" + kOdd +
             ";i 15   0.0000     0.1000    40.0000     0.0000  " + nines(7) + kOdd + ";i 15\n" +
             kDuration + ";i 15   0.0000     0.1000    40.0000     0.0000  " + nines(7) +
             "6 0.1 0 0.008 0 1 3 0.5 0\n"},
        // The voice-quality setters print what they set; normVOIC keeps the offsets.
        {[] {
             setVOIC(1.5, -0.002, 0, 9000, 0.008, 1);  // printed although out of range
             orgVOIC(0.7, 0.1, 0.2, 300, 0.4, 5);
             std::printf("%g %g %g %g %g %g\n", OQn, FLn, DIn, TLn, DVn, FVn);
             setAV(5);
             normVOIC();  // the offsets stay
             setVOIC(OQn, FLn, DIn, TLn, DVn, FVn);
             std::printf("%g\n", incAV);
             // normGL cancels all ten glides, offsets set directly included, not the tempo's.
             spbGLMM = 0.25;
             setF0(0.5);
             setAS(3);
             glOQ(2, 0.5);
             doGLOQ(1);
             glAF(2, 20);
             doGLAF(1);
             glTL(4, 2);
             normGL();
             std::printf("%g %g %g %g %g %g %g %g %g %g\n", incAS, incAF, incAV, incF0, facGLOQ,
                         facGLFL, facGLDI, facGLTL, facGLDV, facGLFV);
             std::printf("%g %g %g %g %g %g\n", spbGLOQ, spbGLAF, spbGLTL, limGLOQ, limGLAF,
                         spbGLMM);
             for (int i = 0; i < 21; ++i) beatpoints[i] = i;
             doGLVSrc(1);  // the eight voice tracks only
             for (int slot : {7, 8, 12, 13, 14, 15, 16, 17, 18, 19})
                 std::printf("%g ", beatpoints[slot]);
         },
         ";OQn=1.5000,FLn=-0.0020,DIn=0.0000,TLn=9000.0000,DVn=0.0080,FVn=1.0000,\n"
         "0.7 0.1 0.2 300 0.4 5\n"
         ";OQn=0.5000,FLn=0.0020,DIn=0.0000,TLn=1000.0000,DVn=0.0080,FVn=1.0000,\n5\n"
         "0 0 0 0 1 1 1 1 1 1\n0 0 0 1 1 0.25\n7 8 13 14 15 16 17 18 19 20 "},
    };
    for (const Case& c : cases) {
        ChildResult r = run_fresh([&] {
            std::fill(std::begin(pfields), std::end(pfields), 9.0);
            c.call();
        });
        EXPECT_EQ(r.out, c.out);
    }
}

// The ten voice and noise tracks, one row each: a crossed pointer in any row (another track's
// adjustment, limit, slope, beat position or remembered value) fails the row it is in.
struct TrackRow {
    const char* name;
    int instr, slot;
    bool factor;
    double *adj, *target, *limit, *slope, *last;
    void (*gen)(double span, double value);
    void (*glide)(double spanBeats, double target);
    void (*step)(double beats);
    void (*cancel)();
    double value, goal;  // a client value in range, and a glide target
};
// clang-format off
const TrackRow kTrackRows[] = {
//   name  in  sl factor adjust    target    limit     slope     last
    {"AV", 20, 12, false, &incAV,   &newGLAV, &limGLAV, &spbGLAV, &oav, [](double s, double v) { genAV(s, v, 1); }, glAV, doGLAV, nrmGLAV,   50,   10},
    {"F0", 21, 13, false, &incF0,   &newGLF0, &limGLF0, &spbGLF0, &of0, genF0, glF0, doGLF0, nrmGLF0,    6,  0.5},
    {"OQ", 22, 14, true,  &facGLOQ, &newGLOQ, &limGLOQ, &spbGLOQ, &ooq, genOQ, glOQ, doGLOQ, nrmGLOQ,  0.6,  0.5},
    {"FL", 23, 15, true,  &facGLFL, &newGLFL, &limGLFL, &spbGLFL, &ofl, genFL, glFL, doGLFL, nrmGLFL,  0.4,    3},
    {"DI", 24, 16, true,  &facGLDI, &newGLDI, &limGLDI, &spbGLDI, &odi, genDI, glDI, doGLDI, nrmGLDI,  0.2,    2},
    {"TL", 25, 17, true,  &facGLTL, &newGLTL, &limGLTL, &spbGLTL, &otl, genTL, glTL, doGLTL, nrmGLTL, 1000,  0.5},
    {"DV", 26, 18, true,  &facGLDV, &newGLDV, &limGLDV, &spbGLDV, &odv, genDV, glDV, doGLDV, nrmGLDV, 0.01,    5},
    {"FV", 27, 19, true,  &facGLFV, &newGLFV, &limGLFV, &spbGLFV, &ofv, genFV, glFV, doGLFV, nrmGLFV,  0.8, 0.25},
    {"AS", 15,  7, false, &incAS,   &newGLAS, &limGLAS, &spbGLAS, &oas, [](double s, double v) { genAS(s, v, 1); }, glAS, doGLAS, nrmGLAS,   40,   -8},
    {"AF", 16,  8, false, &incAF,   &newGLAF, &limGLAF, &spbGLAF, &oaf, [](double s, double v) { genAF(s, v, 1); }, glAF, doGLAF, nrmGLAF,   30,   12},
};
// clang-format on

// Start, three steps, the step that overshoots the limit, an event at the target, a cancel,
// and at every stage the other nine tracks untouched.
TEST(TrackGlides, EveryTrackStartsStepsOvershootsAndCancels) {
    for (const TrackRow& t : kTrackRows) {
        ChildResult r = run_fresh([&] {
            auto others_idle = [&] {
                for (const TrackRow& o : kTrackRows) {
                    if (&o == &t) continue;
                    const double neutral = o.factor ? 1 : 0;
                    if (*o.slope != 0 || *o.adj != neutral || beatpoints[o.slot] != 0)
                        std::printf("%s moved ", o.name);
                }
            };
            const double neutral = t.factor ? 1 : 0;
            beatpoints[t.slot] = 3;
            t.glide(4, t.goal);
            std::printf("%g %g %g|", *t.slope * 4 - (t.goal - neutral), *t.limit, *t.target);
            for (int i = 1; i <= 3; ++i) {
                t.step(1);
                std::printf("%g|", *t.adj - (neutral + i * (t.goal - neutral) / 4));
            }
            t.step(3);  // passes the limit: exactly the target, no partial step
            std::printf("%g %g %g|", *t.adj - t.goal, *t.slope, beatpoints[t.slot]);
            others_idle();
            t.gen(0.1, t.value);
            std::printf("|%g|", *t.last);
            t.cancel();
            std::printf("%g %g %g", *t.adj, *t.slope, *t.limit);
            others_idle();
        });
        const double p4 = t.factor ? t.value * t.goal : t.value + t.goal;
        const double last = t.factor ? t.value : p4;  // the factor stays out of it
        const char* onSwitch = t.factor || t.instr == 21 ? "" : "1.000 ";  // of AV, AS and AF
        char expect[256];
        std::snprintf(expect, sizeof expect,
                      "0 7 %g|0|0|0|0 0 9|i %2d    0.0000  0.1000 %5.3f %s\n|%g|%g 0 9", t.goal,
                      t.instr, p4, onSwitch, last, t.factor ? 1.0 : 0.0);
        EXPECT_EQ(r.out, expect) << t.name;
    }
}

}  // namespace
