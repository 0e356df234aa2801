// Acoustic tests: scores written by the library in a forked child, rendered by
// speechscore-render with the project's orchestra, then measured with Praat (measure.h). Tests of
// the voice print what they measured ("figure: ...").
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "measure.h"
#include "render.h"
#include "speechscore.h"
#ifdef SPEECHSCORE_WORDS_LAYER
#include "speechscore_words.h"
#endif

namespace {

const double kNaN = std::nan("");

// A steady vowel with a plain voice: no flutter, no diplophonia, no aspiration.
void vowel(double beats, int color, double av = 60, double f0 = kF0Oct, double swt = 1) {
    VOW(beats, color, av, f0, 0.5, 0, 0, 1000, 0.008, 1, 0, swt);
}

// Value of an instrument's p4 in force at time t, from the events of the score.
double value_at(const std::vector<ScoreEvent>& events, double t) {
    double value = kNaN;
    for (const ScoreEvent& e : events)
        if (e.start <= t && !e.fields.empty()) value = e.fields[0];
    return value;
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
    const std::vector<std::vector<double>> f = praat(r.sound, "formants", span(0.15, 0.35));
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
        const double periodic = praat_values(r.sound, "periodicity", span(p.from, p.to)).at(0);
        EXPECT_TRUE(p.voiced ? periodic > 0.9 : periodic < 0.5) << p.name << " " << periodic;
    }
}

TEST(Noise, ParallelFricationOfZvLiesHighInTheSpectrum) {
    // Output switch 12: the parallel branch alone. Phases 1 and 2 carry the frication.
    const Rendered r = render(
        "zv", [] { zV(2, 30, 11, 60, kF0Oct, 0, 60, 0.1, 0.05, 0.05, 0.25); }, 12);
    ASSERT_FALSE(r.sound.samples.empty());
    EXPECT_GT(rms_db(r.sound, 0.02, 0.15), -50);
    EXPECT_GT(praat_values(r.sound, "above", span(0.02, 0.15), 2500).at(0), 0.8);
}

TEST(Stops, BurstFollowsTheSilentPhases) {
    using Builder = void (*)(double, int, int, double, double, double, double, double, double,
                             double, double, double, double, double, double, double, double);
    const Builder builders[] = {dV, tsV, tvV, tV};
    const char* const names[] = {"dV", "tsV", "tvV", "tV"};
    // Each syllable follows a rest: 0..0.5 rest, 0.5..1 the syllable. The rest and the
    // syllable's phases 1 and 2 (0.05 + 0.02 s) are silent, then the burst.
    for (int b = 0; b < 4; ++b) {
        SCOPED_TRACE(names[b]);
        const Builder builder = builders[b];
        const Rendered r = render(names[b], [&] {
            Rest(1);
            builder(1, 30, 2, 50, 54, 60, kF0Oct, 52, 0, 0.05, 0.02, 0.01, 0.04, 10, 0.03, 0.05,
                    0.2);
        });
        ASSERT_FALSE(r.sound.samples.empty());
        const double burst = 0.5 + 0.07;
        const double level = rms_db(r.sound, burst, burst + 0.01);
        EXPECT_LT(rms_db(r.sound, 0, burst - 0.002), -60);
        EXPECT_GT(level, -50);
        // Onset: the first half millisecond within 20 dB of the burst's level.
        const std::vector<double> halves = levels_db(r.sound, {0.5, 0.0005, 0.0005, 1000});
        const auto onset =
            std::find_if(halves.begin(), halves.end(), [&](double l) { return l > level - 20; });
        EXPECT_NEAR(0.5 + 0.0005 * static_cast<double>(onset - halves.begin()), burst, 0.003);
    }
}

TEST(Clicks, VowelBoundariesAddNoEnergyAboveEightKilohertz) {
    // Colour changes with a step and a ramp of the voicing, a pitch change and a transition.
    const Rendered r = render("clicks", [] {
        vowel(1, 2);
        vowel(1, 6, 56, 7.2);
        vowel(1, 11, 60, kF0Oct, 0);
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

#if defined(SPEECHSCORE_PIECE) && defined(SPEECHSCORE_EXAMPLES_DIR)
// The example piece and the programs of docs/tutorial.md render below -1 dBFS (the crescendo of
// the melody must not reach full scale when the orchestra changes), as long as their F1 track.
TEST(Examples, RenderBelowMinusOneDbfsAsLongAsTheirF1Track) {
    for (const std::string program :
         {SPEECHSCORE_PIECE, SPEECHSCORE_EXAMPLES_DIR "/first_mama",
          SPEECHSCORE_EXAMPLES_DIR "/first_melody", SPEECHSCORE_EXAMPLES_DIR "/first_tempo"}) {
        const std::string name = program.substr(program.rfind('/') + 1);
        const std::string score = scratch() + "/" + name + ".sco";
        ASSERT_EQ(std::system(("'" + program + "' > '" + score + "'").c_str()), 0) << program;
        const Rendered r = render_score(score, name);
        ASSERT_FALSE(r.sound.samples.empty()) << program;
        EXPECT_LT(20 * std::log10(peak(r.sound)), -1.0) << program;
        EXPECT_NEAR(r.sound.seconds(), f1_track_end(r.score), kControlBlock) << program;
    }
}
#endif

// ---- Transitions ----------------------------------------------------------------------------

TEST(Transitions, PieceBoundariesMoveF2InTwentyFiveToSixtyMilliseconds) {
    // The boundaries named by their F2 values in the score (Hz): the consonant-vowel transitions
    // of lV (l to o), dV (d to a) and tvV (k to o), the diphthong of vV (a to ei) and the
    // fricative release of zV (z to u). Measured on the cascade branch alone (output switch 9),
    // where the frication noise of the parallel branch does not disturb the formant tracker.
    // Tolerance: 10 % to 90 % of the change in 25 to 60 ms.
    struct Boundary {
        const char* name;
        double from, to;
    };
    const Boundary boundaries[] = {{"lV", 1270, 950},
                                   {"dV", 1600, 1110},
                                   {"tvV", 1990, 950},
                                   {"vV", 1110, 2050},
                                   {"zV", 1390, 900}};
    const Rendered r = render_piece(9);
    ASSERT_FALSE(r.sound.samples.empty());
    const std::vector<ScoreEvent> f2 = score_events(r.score, 12);
    for (const Boundary& b : boundaries) {
        std::size_t i = 1;
        while (i < f2.size() && !(f2[i - 1].fields[0] == b.from && f2[i].fields[0] == b.to)) ++i;
        ASSERT_LT(i, f2.size()) << b.name << " not found in the piece's score";
        const double at = f2[i].start, phase = f2[i].span;
        const double lo = 0.8 * std::min(b.from, b.to), hi = 1.15 * std::max(b.from, b.to);
        const std::vector<TrackPoint> track = formant_track(r.sound, at - 0.03, at + 0.25, lo, hi);
        const Transition t = transition_times(track, track_median(track, at - 0.03, at - 0.01),
                                              track_median(track, at + 0.15, at + 0.25));
        std::printf("figure: %s F2 10-90 %% in %.1f ms, from %.1f ms after the boundary\n", b.name,
                    1000 * t.seconds(), 1000 * (t.t10 - at));
        EXPECT_GE(t.seconds(), 0.025) << b.name;
        EXPECT_LE(t.seconds(), 0.060) << b.name;
        if (std::string(b.name) == "vV") {
            // The diphthong moves over its whole transition phase: it starts in the phase's first
            // quarter, is short of 90 % at its middle and gets there before its end.
            EXPECT_LE(t.t10, at + phase / 4);
            EXPECT_GE(t.t90, at + phase / 2);
            EXPECT_LE(t.t90, at + phase);
        }
    }
}

TEST(Transitions, SteadyVowelsKeepTheirFormantsInTheirMiddle) {
    // Half-second vowels in an order of large jumps, at 6.3 (80.6 Hz), where the harmonics lie
    // close enough not to pull Praat's Burg formants (at C3 they pull a low F1 by 8 %); in the
    // middle 60 % of each, Burg formants of 30 ms windows. Tolerance: F1 within 5 %, F2 within
    // 3 % of the table row.
    const int order[] = {7, 3, 11, 5, 0, 6, 2, 8, 4, 10, 1, 9};
    const Rendered r = render("steady", [&] {
        for (int color : order) vowel(1, color, 60, 6.3, 0);
    });
    ASSERT_FALSE(r.sound.samples.empty());
    double worst[2] = {0, 0};  // F1, F2
    for (int i = 0; i < 12; ++i) {
        const double* row = formants[order[i]];
        for (const std::vector<double>& f :
             praat(r.sound, "formants", {(i + 0.2) * kBeat, 0.03, 0.03, 10})) {
            ASSERT_GE(f.size(), 2u) << "colour " << order[i];
            EXPECT_NEAR(f[0], row[0], 0.05 * row[0]) << "colour " << order[i];
            EXPECT_NEAR(f[1], row[1], 0.03 * row[1]) << "colour " << order[i];
            for (int k : {0, 1}) worst[k] = std::max(worst[k], std::fabs(f[k] / row[k] - 1));
        }
    }
    std::printf("figure: steady vowels, largest deviation F1 %.1f %%, F2 %.1f %%\n", 100 * worst[0],
                100 * worst[1]);
}

TEST(Transitions, GlideTimeIsARenderOption) {
    // An o followed by an ei (F2 950 to 2050 Hz), rendered as it is and with the formant glide
    // set to 0.12 s at render time: the transition takes at least one and a half times as long.
    double seconds[2] = {0, 0};
    const char* const options[] = {"", "--omacro:GLIDE=0.12"};
    for (int k = 0; k < 2; ++k) {
        const Rendered r = render(
            "glide" + std::to_string(k),
            [] {
                vowel(1, 0, 60, kF0Oct, 0);
                vowel(1, 6, 60, kF0Oct, 0);
            },
            0, options[k]);
        ASSERT_FALSE(r.sound.samples.empty());
        const std::vector<TrackPoint> track = formant_track(r.sound, 0.45, 0.8, 800, 2300);
        seconds[k] =
            transition_times(track, track_median(track, 0.45, 0.48), track_median(track, 0.7, 0.8))
                .seconds();
    }
    std::printf("figure: o to ei, F2 10-90 %% in %.1f ms; with GLIDE=0.12 in %.1f ms\n",
                1000 * seconds[0], 1000 * seconds[1]);
    EXPECT_GE(seconds[1], 1.5 * seconds[0]);
}

// ---- Spectral balance -----------------------------------------------------------------------

// Universal long-term average speech spectrum, male and female average, 1/3-octave band levels
// in dB SPL at 70 dB overall: D. Byrne, H. Dillon, K. Tran et al., "An international comparison
// of long-term average speech spectra", J. Acoust. Soc. Am. 96 (4), 2108-2120 (1994).
const double kLtassDb[] = {38.6, 43.5, 54.4, 57.7, 56.8, 60.2, 60.3, 59.0,  // 63 to 315 Hz
                           62.1, 62.1, 60.5, 56.8, 53.7, 53.0, 52.0, 48.7,  // 400 Hz to 2 kHz
                           48.1, 46.8, 45.6, 44.5, 44.3, 43.7};             // 2.5 to 8 kHz
const int kLtassFirst = -12;  // band 1000 * 2^(-12/3) = 62.5 Hz

// A sound's 1/3-octave levels against the LTASS, both relative to their loudest band: within
// 6 dB in every band from 1 to 4 kHz and within 10 dB from 5 to 8 kHz.
void expect_follows_ltass(const Sound& sound, const char* what) {
    ASSERT_FALSE(sound.samples.empty()) << what;
    const std::vector<double> levels = band_levels_db(sound, 0, sound.seconds(), kLtassFirst, 9);
    ASSERT_EQ(levels.size(), std::size(kLtassDb)) << what;
    const double loudest = max_of(levels);
    const double speech = *std::max_element(std::begin(kLtassDb), std::end(kLtassDb));
    double worst[2] = {0, 0};  // 1 to 4 kHz, 5 to 8 kHz
    for (int n = 0; n <= 9; ++n) {
        const std::size_t i = static_cast<std::size_t>(n - kLtassFirst);
        const double off = std::fabs(levels[i] - loudest - (kLtassDb[i] - speech));
        EXPECT_LE(off, n <= 6 ? 6 : 10) << what << ", " << 1000 * std::pow(2.0, n / 3.0) << " Hz";
        worst[n > 6] = std::max(worst[n > 6], off);
    }
    std::printf("figure: %s re LTASS: within %.1f dB at 1 to 4 kHz, %.1f dB at 5 to 8 kHz\n", what,
                worst[0], worst[1]);
}

TEST(Spectrum, PieceFollowsTheUniversalLtass) {
    expect_follows_ltass(render_piece().sound, "piece");
}

#ifdef SPEECHSCORE_WORDS_LAYER
TEST(Spectrum, SpokenTextFollowsTheUniversalLtass) {
    // The speaking voice's balance over running speech: the first two sentences of "The North
    // Wind and the Sun", said with the default options.
    const Rendered r = render("north-wind", [] {
        Rest(0.5);
        speechscore::words::say(
            "The north wind and the sun were disputing which was the stronger, when a "
            "traveler came along wrapped in a warm cloak.");
        Rest(0.5);
        speechscore::words::say(
            "They agreed that the one who first succeeded in making the traveler take his "
            "cloak off should be considered stronger than the other.");
        Rest(0.5);
    });
    expect_follows_ltass(r.sound, "spoken text");
}
#endif

TEST(Spectrum, ColourFourHarmonicsAndTiltBrightness) {
    // A steady colour-4 vowel at C3 with the default voice and each TL in turn. The share of the
    // energy above 4 kHz rises with TL, by at least 1 dB from one value to the next. With the
    // default voice (TL 1000) the harmonic nearest 2 kHz lies at most 20 dB, the one nearest
    // 4 kHz at most 45 dB below the strongest harmonic.
    double last = -400;
    for (double tl : {100, 300, 1000, 3000, 8000}) {
        const Rendered r = render("colour4-" + std::to_string(static_cast<int>(tl)), [tl] {
            setTL(tl);
            VOWn(2, 4, 60, kF0Oct, 0, 0);
        });
        ASSERT_FALSE(r.sound.samples.empty());
        const double f0 = praat_values(r.sound, "pitch", span(0.3, 0.9)).at(0);
        const std::vector<double> levels =
            harmonic_levels_db(r.sound, 0.3, 0.9, f0, static_cast<int>(5000 / f0));
        ASSERT_FALSE(levels.empty());
        const double top = max_of(levels);
        const double near2k = levels.at(static_cast<std::size_t>(std::lround(2000 / f0) - 1)) - top;
        const double near4k = levels.at(static_cast<std::size_t>(std::lround(4000 / f0) - 1)) - top;
        const double above4k =
            10 * std::log10(praat_values(r.sound, "above", span(0.3, 0.9), 4000).at(0));
        std::printf("figure: TL %.0f: 2 kHz %.1f dB, 4 kHz %.1f dB, above 4 kHz %.1f dB\n", tl,
                    near2k, near4k, above4k);
        EXPECT_GE(above4k, last + 1) << "TL " << tl;
        last = above4k;
        if (tl == 1000) {
            EXPECT_GE(near2k, -20);
            EXPECT_GE(near4k, -45);
        }
    }
}

// ---- A living voice -------------------------------------------------------------------------

TEST(Voice, DefaultVoiceLivesAndAPlainOneIsStrictlyPeriodic) {
    // Steady vowels at C3, with the default voice (tolerance: jitter 0.2 to 1 %, shimmer 1.5 to
    // 4 %, HNR 15 to 30 dB) and without flutter and aspiration (jitter below 0.05 %); F0 within
    // 1 % of the score's.
    const struct {
        int color;
        bool plain;
    } cases[] = {{2, false}, {5, false}, {11, false}, {2, true}, {11, true}};
    for (const auto& c : cases) {
        const int color = c.color;
        const Rendered r = render(std::to_string(c.plain) + "voice" + std::to_string(color), [&] {
            c.plain ? vowel(4, color, 60, kF0Oct, 0) : VOWn(4, color, 60, kF0Oct, 0, 0);
        });
        ASSERT_FALSE(r.sound.samples.empty());
        const VoiceReport v = voice_report(r.sound, 0.3, 1.8);
        std::printf("figure: %s voice colour %d: jitter %.3f %%, shimmer %.2f %%, HNR %.1f dB\n",
                    c.plain ? "plain" : "default", color, v.jitter, v.shimmer, v.hnr);
        EXPECT_NEAR(praat_values(r.sound, "pitch", span(0.3, 1.8)).at(0), octToHz(kF0Oct),
                    0.01 * octToHz(kF0Oct))
            << color;
        if (c.plain) {
            EXPECT_LT(v.jitter, 0.05) << color;
            continue;
        }
        EXPECT_GE(v.jitter, 0.2) << color;
        EXPECT_LE(v.jitter, 1.0) << color;
        EXPECT_GE(v.shimmer, 1.5) << color;
        EXPECT_LE(v.shimmer, 4.0) << color;
        EXPECT_GE(v.hnr, 15) << color;
        EXPECT_LE(v.hnr, 30) << color;
    }
}

// ---- Smooth pitch ---------------------------------------------------------------------------

TEST(Pitch, PieceVoicedChangesGlide) {
    // Every change of F0 in the piece with voicing on both sides (AV above 0 20 ms before,
    // at the change and 20 ms after), measured on the voicing source alone (output switch 1), which
    // the noise of the fricatives does not mask. Tolerance: 10 % to 90 % of the change in at least
    // 25 ms, and settled within 100 ms: 90 % reached by then, and from then on within 10 % of the
    // change or 1 % of F0, whichever is more (up to 150 ms or to the next change).
    const Rendered r = render_piece(1);
    ASSERT_FALSE(r.sound.samples.empty());
    const std::vector<ScoreEvent> f0 = score_events(r.score, 21);
    const std::vector<ScoreEvent> av = score_events(r.score, 20);
    int checked = 0;
    for (std::size_t i = 1; i < f0.size(); ++i) {
        const double before = f0[i - 1].fields[0], after = f0[i].fields[0], at = f0[i].start;
        // A change while the voice is silent is no glide: the voice restarts at its new pitch.
        if (before == after || !(value_at(av, at - 0.02) > 0) || !(value_at(av, at) > 0) ||
            !(value_at(av, at + 0.02) > 0))
            continue;
        const auto change = std::find_if(f0.begin() + static_cast<std::ptrdiff_t>(i), f0.end(),
                                         [&](const ScoreEvent& e) { return e.fields[0] != after; });
        const double next = std::min(at + 0.15, change == f0.end() ? at + 1 : change->start);
        const double a = octToHz(before), b = octToHz(after);
        // Tracker errors where the pulse changes shape (a raised open quotient) are dropped:
        // frames outside a fourth below and above the two pitches, and short runs of outliers
        // through a running median of 9 frames.
        std::vector<TrackPoint> track = pitch_track(r.sound, at - 0.03, next);
        for (TrackPoint& p : track)
            if (p.value < 0.75 * std::min(a, b) || p.value > 1.33 * std::max(a, b)) p.value = kNaN;
        track = running_median(track, 4);
        const Transition t = transition_times(track, a, b);
        // The largest deviation from the new F0 after 100 ms, as a share of the tolerance.
        const double tolerance = std::max(0.1 * std::fabs(b - a), 0.01 * b);
        double off = 0;
        for (const TrackPoint& p : track)
            if (p.time >= at + 0.1 && p.time <= next - 0.015 && !std::isnan(p.value))
                off = std::max(off, std::fabs(p.value - b) / tolerance);
        std::printf("figure: F0 change at %.3f s: 10-90 %% in %.1f ms, 90 %% at %.1f ms\n", at,
                    1000 * t.seconds(), 1000 * (t.t90 - at));
        EXPECT_GE(t.seconds(), 0.025) << "at " << at;
        EXPECT_LE(t.t90 - at, 0.1) << "at " << at;
        EXPECT_LE(off, 1) << "at " << at;
        ++checked;
    }
    EXPECT_GE(checked, 5);
}

// ---- Offsets, rests and headroom ------------------------------------------------------------

TEST(Offsets, VowelIntoRestFallsSixtyDecibelsWithinThirtyMilliseconds) {
    // Each ring vowel (0.5 s, default voice) followed by a rest of 0.5 s. Tolerance: the 5 ms
    // level 30 ms after the rest starts lies 60 dB below the vowel's last 50 ms, and every 5 ms
    // level of the rest from 30 ms on is below -60 dBFS.
    const Rendered r = render("offsets", [] {
        for (int color = 0; color < 12; ++color) {
            VOWn(1, color, 60, kF0Oct, 0, 0);
            Rest(1);
        }
    });
    ASSERT_FALSE(r.sound.samples.empty());
    const int count = static_cast<int>(std::lround((kBeat - 0.03) / 0.005));
    double slowest = 0, loudest = -400;  // the figures: time to 60 dB down, loudest rest level
    for (int color = 0; color < 12; ++color) {
        const double rest = (2 * color + 1) * kBeat, vowel = rms_db(r.sound, rest - 0.05, rest);
        // The 5 ms levels ending every half millisecond of the rest's first 200 ms.
        const std::vector<double> ends = levels_db(r.sound, {rest - 0.005, 0.005, 0.0005, 400});
        ASSERT_EQ(ends.size(), 400u);
        EXPECT_LE(ends[60], vowel - 60) << "colour " << color;  // 25 to 30 ms
        const auto down =
            std::find_if(ends.begin(), ends.end(), [&](double l) { return l <= vowel - 60; });
        slowest = std::max(slowest, 0.0005 * static_cast<double>(down - ends.begin()));
        const double rests = max_of(levels_db(r.sound, {rest + 0.03, 0.005, 0.005, count}));
        EXPECT_LT(rests, -60) << "colour " << color;
        loudest = std::max(loudest, rests);
    }
    std::printf("figure: vowel into rest, 60 dB down in %.1f ms; rest from 30 ms on %.1f dBFS\n",
                1000 * slowest, loudest);
}

TEST(Headroom, LoudRingVowelsFromC3ToC5StayBelowMinusOneDbfs) {
    // AV 70 with AS 40 on every ring vowel at every semitone from C3 to C5, default voice and
    // default factors. Tolerance: the peak stays below -1 dBFS.
    const Rendered r = render("headroom", [] {
        for (int color = 0; color < 12; ++color)
            for (int semitone = 0; semitone <= 24; ++semitone)
                VOWn(0.5, color, 70, kF0Oct + semitone / 12.0, 40, 0);
    });
    ASSERT_FALSE(r.sound.samples.empty());
    std::printf("figure: AV 70 with AS 40, ring vowels C3 to C5, peak %.2f dBFS\n",
                20 * std::log10(peak(r.sound)));
    EXPECT_LT(20 * std::log10(peak(r.sound)), -1);
}

}  // namespace
