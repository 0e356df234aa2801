// Acoustic tests: scores written by the library in a forked child, rendered by
// speechscore-render with the project's orchestra, then measured with Praat: formants, pitch,
// voicing, spectrum, silence and clicks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "measure.h"
#include "render.h"
#include "speechscore.h"

namespace {

// A steady vowel at the test pitch with a plain voice: no flutter, no diplophonia.
void vowel(double beats, int color, double av = 60, double f0 = kF0Oct) {
    VOW(beats, color, av, f0, 0.5, 0, 0, 1000, 0.008, 1, 0, 1);
}

double max_of(const std::vector<double>& values) {
    return values.empty() ? -400 : *std::max_element(values.begin(), values.end());
}

TEST(Vowels, TtoOneMakesColourFourSoundAsColourFive) {
    const Rendered r = render("tto", [] {
        TTO = 1;
        vowel(1, 4);
    });
    ASSERT_FALSE(r.sound.samples.empty());
    const std::vector<std::vector<double>> f = burg_formants(r.sound, span(0.15, 0.35));
    ASSERT_EQ(f.size(), 1u);
    ASSERT_GE(f[0].size(), 2u);
    EXPECT_NEAR(f[0][0], formants[5][0], 0.10 * formants[5][0]);
    EXPECT_NEAR(f[0][1], formants[5][1], 0.07 * formants[5][1]);
    EXPECT_GT(std::fabs(f[0][0] - formants[4][0]), 0.10 * formants[4][0]);
}

TEST(Noise, HAndTheFricativeOfSvAreUnvoiced) {
    // 0..0.5 a voiced reference, 0.5..1 an h, then sV from 1 s: its phase 2 (no voicing,
    // full aspiration) runs from 1.1 to 1.2 s.
    const Rendered r = render("unvoiced", [] {
        vowel(1, 2);
        H(1, 2, 60, 1);
        sV(2, 21, 7, 60, 50, 60, kF0Oct, 40, 0, 0.1, 0.1, 0.05, 0.25);
    });
    ASSERT_FALSE(r.sound.samples.empty());
    struct Part {
        const char* name;
        double from, to;
        bool voiced;
    };
    const Part parts[] = {
        {"vowel", 0.2, 0.45, true}, {"h", 0.6, 0.95, false}, {"sV fricative", 1.11, 1.2, false}};
    for (const Part& p : parts) {
        EXPECT_GT(rms_db(r.sound, p.from, p.to), -50) << p.name;
        if (p.voiced) {
            EXPECT_GT(periodicity(r.sound, span(p.from, p.to)).at(0), 0.9) << p.name;
        } else {
            EXPECT_LT(periodicity(r.sound, span(p.from, p.to)).at(0), 0.5) << p.name;
        }
    }
}

TEST(Noise, ParallelFricationOfZvLiesHighInTheSpectrum) {
    // Output switch 12: the parallel branch alone. Phases 1 and 2 carry the frication.
    const Rendered r = render(
        "zv", [] { zV(2, 30, 11, 60, kF0Oct, 0, 60, 0.1, 0.05, 0.05, 0.25); }, 12);
    ASSERT_FALSE(r.sound.samples.empty());
    EXPECT_GT(rms_db(r.sound, 0.02, 0.15), -50);
    EXPECT_GT(share_above(r.sound, span(0.02, 0.15), 2500).at(0), 0.8);
}

TEST(Stops, BurstFollowsTheSilentPhases) {
    using Builder = void (*)(double, int, int, double, double, double, double, double, double,
                             double, double, double, double, double, double, double, double);
    const Builder builders[] = {dV, tsV, tvV, tV};
    const char* const names[] = {"dV", "tsV", "tvV", "tV"};
    // Each syllable follows a rest: 0..0.5 rest, 0.5..1 the syllable. The rest and the
    // syllable's phases 1 and 2 (0.05 + 0.02 s) are silent, then the burst. (A vowel's fall into
    // a rest and the vowel after it: voice_test.cpp, Offsets.)
    for (int b = 0; b < 4; ++b) {
        const Builder builder = builders[b];
        const Rendered r = render(names[b], [&] {
            Rest(1);
            builder(1, 30, 2, 50, 54, 60, kF0Oct, 52, 0, 0.05, 0.02, 0.01, 0.04, 10, 0.03, 0.05,
                    0.2);
        });
        ASSERT_FALSE(r.sound.samples.empty()) << names[b];
        const double burst = 0.5 + 0.07;
        const double level = rms_db(r.sound, burst, burst + 0.01);
        EXPECT_LT(rms_db(r.sound, 0, burst - 0.002), -60) << names[b];
        EXPECT_GT(level, -50) << names[b];
        // Onset: the first half millisecond within 20 dB of the burst's level.
        const std::vector<double> halves = levels_db(r.sound, {0.5, 0.0005, 0.0005, 1000});
        double onset = 0;
        for (std::size_t i = 0; i < halves.size() && onset == 0; ++i)
            if (halves[i] > level - 20) onset = 0.5 + 0.0005 * static_cast<double>(i);
        EXPECT_NEAR(onset, burst, 0.003) << names[b];
    }
}

TEST(Clicks, VowelBoundariesAddNoEnergyAboveEightKilohertz) {
    // Colour changes with a step and a ramp of the voicing, a pitch change and a transition.
    const Rendered r = render("clicks", [] {
        vowel(1, 2);
        vowel(1, 6, 56, 7.2);
        VOW(1, 11, 60, kF0Oct, 0.5, 0, 0, 1000, 0.008, 1, 0, 0);
        vV(2, 3, 7, 60, 58, 60, kF0Oct, 7.1, 0, 0, 0.05, 0.05, 0.1, 0.3);
    });
    ASSERT_FALSE(r.sound.samples.empty());
    // The loudest 10 ms frame above 8 kHz of each stretch, in one pass over 0 to 2.4 s.
    const double frame = 0.01;
    const std::vector<double> frames = levels_db(r.sound, {0, frame, frame, 240}, 8000);
    ASSERT_EQ(frames.size(), 240u);
    const auto loudest = [&](double from, double to) {
        return max_of(std::vector<double>(frames.begin() + std::lround(from / frame),
                                          frames.begin() + std::lround(to / frame)));
    };
    // The vowels themselves hold next to nothing above 8 kHz (Praat's band filter finds them near
    // the 24-bit take's noise, -140 dBFS and below): a click stands out against them or against
    // -126 dBFS, whichever is higher.
    const double steady = std::max(
        {loudest(0.1, 0.4), loudest(0.6, 0.9), loudest(1.1, 1.4), loudest(1.8, 2.4), -126.0});
    // Boundaries at 0.5, 1.0 and 1.5 s; the transition of vV from 1.6 to 1.7 s.
    const double edges[][2] = {{0.45, 0.55}, {0.95, 1.05}, {1.45, 1.55}, {1.55, 1.75}};
    for (const auto& edge : edges)
        EXPECT_LT(loudest(edge[0], edge[1]), steady + 6) << "boundary at " << edge[0] << " s";
}

TEST(Piece, IsFiniteBelowFullScaleAndAsLongAsItsF1Track) {
    const Rendered r = render_piece();
    ASSERT_FALSE(r.sound.samples.empty());
    const bool finite = std::all_of(r.sound.samples.begin(), r.sound.samples.end(),
                                    [](double v) { return std::isfinite(v); });
    EXPECT_TRUE(finite);
    EXPECT_LT(peak(r.sound), 1.0);
    EXPECT_NEAR(r.sound.seconds(), f1_track_end(r.score), kControlBlock);
}

#ifdef SPEECHSCORE_EXAMPLES_DIR
// The programs of docs/tutorial.md render, and stay below -1 dBFS: the crescendo of the melody
// must not reach full scale when the orchestra changes.
TEST(Tutorial, PiecesRenderBelowFullScale) {
    for (const char* program : {"first_mama", "first_melody", "first_tempo"}) {
        const std::string score = scratch() + "/" + program + ".sco";
        const std::string command =
            std::string("'" SPEECHSCORE_EXAMPLES_DIR "/") + program + "' > '" + score + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << program;
        const Rendered r = render_score(score, program);
        ASSERT_FALSE(r.sound.samples.empty()) << program;
        EXPECT_LT(20 * std::log10(peak(r.sound)), -1.0) << program;
    }
}
#endif

}  // namespace
