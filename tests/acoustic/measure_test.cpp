// Checks of the measurements on synthetic signals with known answers, with the settings the
// acoustic tests use: formants of vowels, tracks of glides of known length, band levels of noise.
#include "measure.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "render.h"
#include "speechscore.h"

namespace {

const double kRate = 44100;
const double kPi = 3.14159265358979323846;

// A time-varying two-pole resonator with unity gain at 0 Hz, as the orchestra's formants.
struct Resonator {
    double y1 = 0, y2 = 0;
    double run(double x, double freq, double bw) {
        const double c = -std::exp(-2 * kPi * bw / kRate);
        const double b = 2 * std::exp(-kPi * bw / kRate) * std::cos(2 * kPi * freq / kRate);
        const double y = (1 - b - c) * x + b * y1 + c * y2;
        y2 = y1;
        y1 = y;
        return y;
    }
};

// A vowel-like sound as the orchestra makes it: the flow-derivative pulse 2u - 3u^2 over the open
// half of each period at f0(t), a one-pole low-pass at 1 kHz, then the eight cascade formants of
// a colour row with F2 at f2(t).
Sound vowel_sound(double seconds, const std::function<double(double)>& f0,
                  const std::function<double(double)>& f2, int color = 13) {
    Sound sound;
    sound.rate = kRate;
    Resonator r[8];
    const double tilt = std::exp(-2 * kPi * 1000 / kRate);
    double phase = 0, low = 0;
    for (int n = 0; n < static_cast<int>(seconds * kRate); ++n) {
        const double t = n / kRate;
        phase += f0(t) / kRate;
        phase -= std::floor(phase);
        const double u = phase / 0.5;
        low = (1 - tilt) * (u < 1 ? 2 * u - 3 * u * u : 0) + tilt * low;
        double y = low;
        for (int k = 0; k < 8; ++k)
            y = r[k].run(y, k == 1 ? f2(t) : formants[color][k], formants[color][k + 8]);
        sound.samples.push_back(0.05 * y);
    }
    return sound;
}

// A ramp from a to b over [t0, t0 + length]; a step when length is 0.
std::function<double(double)> ramp(double a, double b, double t0, double length) {
    return [=](double t) {
        if (t < t0) return a;
        if (t >= t0 + length) return b;
        return a + (b - a) * (t - t0) / length;
    };
}

std::function<double(double)> constant(double v) {
    return [v](double) { return v; };
}

// The sound in a scratch file, for Praat.
Sound saved(Sound s, const std::string& name) {
    EXPECT_TRUE(save_sound(s, scratch() + "/" + name + ".wav"));
    return s;
}

TEST(Analysers, BurgFormantsOfSteadyVowels) {
    // The ring colours' first two formants at 6.3 (80.6 Hz), as the steady-vowel test measures
    // them: 30 ms windows, within 4 % and 1.5 %.
    for (int c = 0; c < 12; ++c) {
        const double* row = formants[c];
        const Sound s = saved(vowel_sound(0.5, constant(octToHz(6.3)), constant(row[1]), c), "low");
        for (const std::vector<double>& f : praat(s, "formants", {0.1, 0.03, 0.03, 10})) {
            ASSERT_GE(f.size(), 2u) << c;
            EXPECT_NEAR(f[0], row[0], 0.04 * row[0]) << c;
            EXPECT_NEAR(f[1], row[1], 0.015 * row[1]) << c;
        }
    }
}

TEST(Analysers, TracksTimeGlidesOfKnownLength) {
    // F2 glides linearly from 1000 to 1800 Hz (or back), or F0 two semitones from 130.8 to
    // 146.8 Hz, over a known length: 10 % to 90 % of the change takes 0.8 of it. A step measures
    // well below the 25 ms the transition and pitch tests ask: the 20 ms window of the formant
    // track smears it over about 10 ms, the 30 ms one of the pitch track over about 15 ms.
    struct Case {
        bool f0;
        double a, b, length, low, high;
    };
    const Case cases[] = {{false, 1000, 1800, 0.0, 0, 0.015},
                          {false, 1800, 1000, 0.05, 0.036, 0.044},
                          {true, 130.8, 146.8, 0.0, 0, 0.02},
                          {true, 130.8, 146.8, 0.08, 0.060, 0.070}};
    for (const Case& c : cases) {
        const std::function<double(double)> glide = ramp(c.a, c.b, 0.3, c.length);
        const Sound s = saved(c.f0 ? vowel_sound(0.7, glide, constant(1500))
                                   : vowel_sound(0.7, constant(130.8), glide),
                              "glide");
        const std::vector<TrackPoint> track =
            c.f0 ? pitch_track(s, 0.2, 0.6) : formant_track(s, 0.2, 0.6, 800, 2100);
        const double start = track_median(track, 0.2, 0.28);
        const double end = track_median(track, 0.45, 0.6);
        const double tolerance = c.f0 ? 0.001 : 0.03;
        EXPECT_NEAR(start, c.a, tolerance * c.a);
        EXPECT_NEAR(end, c.b, tolerance * c.b);
        const Transition t = transition_times(track, c.f0 ? c.a : start, c.f0 ? c.b : end);
        EXPECT_GE(t.seconds(), c.low) << c.a << " to " << c.b << " in " << c.length;
        EXPECT_LE(t.seconds(), c.high) << c.a << " to " << c.b << " in " << c.length;
        if (!c.f0) {
            EXPECT_NEAR((t.t10 + t.t90) / 2, 0.3 + c.length / 2, 0.004) << c.length;
        }
    }
    const Sound s200 = saved(vowel_sound(0.5, constant(200), constant(1500)), "200");
    EXPECT_NEAR(praat_values(s200, "pitch", span(0.1, 0.4)).at(0), 200, 0.1);
    // A running median of 9 frames removes a run of four outliers and keeps a step.
    std::vector<TrackPoint> track;
    for (int n = 0; n < 40; ++n)
        track.push_back({n * 0.002, n >= 10 && n < 14 ? 165.0 : (n < 25 ? 130.0 : 147.0)});
    const std::vector<TrackPoint> smooth = running_median(track, 4);
    for (int n = 0; n < 40; ++n)
        EXPECT_EQ(smooth[static_cast<std::size_t>(n)].value, n < 25 ? 130.0 : 147.0) << n;
}

TEST(Analysers, BandLevelsOfWhiteNoise) {
    // White noise of power 1/3: a band holds its share of the spectrum up to half the rate.
    Sound noise;
    noise.rate = kRate;
    std::mt19937 random(7);
    std::uniform_real_distribution<double> uniform(-1, 1);
    for (int n = 0; n < 10 * 44100; ++n) noise.samples.push_back(uniform(random));
    noise = saved(noise, "noise");
    const std::vector<double> levels = band_levels_db(noise, 0, 10, -9, 9);  // 125 Hz to 8 kHz
    ASSERT_EQ(levels.size(), 19u);
    for (int n = -9; n <= 9; ++n) {
        const double centre = 1000 * std::pow(2.0, n / 3.0), edge = std::pow(2.0, 1.0 / 6);
        const double share = (centre * edge - centre / edge) / (kRate / 2);
        EXPECT_NEAR(levels[static_cast<std::size_t>(n + 9)], 10 * std::log10(share / 3), 0.5)
            << centre;
    }
}

}  // namespace
