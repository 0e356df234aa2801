// Checks of the acoustic analysers on synthetic signals with known answers: formant and pitch
// tracks on glides of known length, band and harmonic levels of tones and noise of known level,
// and Praat's jitter, shimmer and HNR on pulse trains with known perturbations and noise.
#include "measure.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "render.h"
#include "speechscore.h"

namespace {

const double kRate = 44100;
const double kPi = 3.14159265358979323846;

// Deterministic uniform numbers in [-1, 1).
class Uniform {
public:
    explicit Uniform(std::uint32_t seed) : state_(seed) {}
    double next() {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<double>(state_ >> 8) / 8388608.0 - 1;
    }

private:
    std::uint32_t state_;
};

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

TEST(Analysers, ClosedPhaseLpcFindsTheFormantsOfSteadyVowels) {
    // The ring colours' first four formants at 130.8 Hz: autocorrelation LPC is pulled by the
    // harmonics and the pulse shape (up to 10 % on a low F1), the closed-phase analysis is not,
    // even on 30 ms: within 2 % and 1 %.
    for (int c = 0; c < 12; ++c) {
        const double* row = formants[c];
        const Sound s = vowel_sound(0.5, constant(130.8), constant(row[1]), c);
        for (double t = 0.1; t < 0.4; t += 0.03) {
            const std::vector<Formant> f = closed_phase_formants(s, t, t + 0.03, 1 / 130.8);
            ASSERT_GE(f.size(), 2u) << c;
            EXPECT_NEAR(f[0].freq, row[0], 0.02 * row[0]) << c;
            EXPECT_NEAR(f[1].freq, row[1], 0.01 * row[1]) << c;
        }
    }
    // Autocorrelation LPC over 0.3 s, which the older vowel tests use, stays within 10 % and 7 %.
    const Sound s = vowel_sound(0.5, constant(130.8), constant(1500));
    const std::vector<Formant> f = lpc_formants(s, 0.1, 0.4);
    ASSERT_GE(f.size(), 2u);
    EXPECT_NEAR(f[0].freq, 500, 0.1 * 500);
    EXPECT_NEAR(f[1].freq, 1500, 0.07 * 1500);
}

TEST(Analysers, FormantTrackTimesGlidesOfKnownLength) {
    // F2 glides linearly from 1000 to 1800 Hz (and back) over a known length: 10 % to 90 % of
    // the change takes 0.8 of it. The 20 ms analysis window smears a step over about 10 ms, so
    // the tolerance is 4 ms, and a step measures well below the 25 ms the transition tests ask.
    struct Case {
        double a, b, length, low, high;
    };
    const Case cases[] = {{1000, 1800, 0.0, 0, 0.015},       {1000, 1800, 0.03, 0.020, 0.028},
                          {1000, 1800, 0.05, 0.036, 0.044},  {1800, 1000, 0.05, 0.036, 0.044},
                          {1000, 1800, 0.075, 0.056, 0.064}, {1800, 1000, 0.1, 0.076, 0.084}};
    for (const Case& c : cases) {
        const Sound s = vowel_sound(0.7, constant(130.8), ramp(c.a, c.b, 0.3, c.length));
        const std::vector<TrackPoint> track = formant_track(s, 0.2, 0.6, 800, 2100);
        const double start = track_median(track, 0.2, 0.28);
        const double end = track_median(track, 0.45, 0.6);
        EXPECT_NEAR(start, c.a, 0.03 * c.a);
        EXPECT_NEAR(end, c.b, 0.03 * c.b);
        const Transition t = transition_times(track, start, end);
        EXPECT_GE(t.seconds(), c.low) << c.a << " to " << c.b << " in " << c.length;
        EXPECT_LE(t.seconds(), c.high) << c.a << " to " << c.b << " in " << c.length;
        EXPECT_NEAR((t.t10 + t.t90) / 2, 0.3 + c.length / 2, 0.004) << c.length;
    }
}

TEST(Analysers, PitchTrackTimesGlidesOfKnownLength) {
    // F0 glides two semitones, 130.8 to 146.8 Hz, over a known length; the 30 ms window smears a
    // step over about 15 ms, so a step measures below the 25 ms the pitch tests ask.
    struct Case {
        double length, low, high;
    };
    const Case cases[] = {{0.0, 0, 0.02}, {0.04, 0.028, 0.038}, {0.08, 0.060, 0.070}};
    for (const Case& c : cases) {
        const Sound s = vowel_sound(0.7, ramp(130.8, 146.8, 0.3, c.length), constant(1500));
        const std::vector<TrackPoint> track = pitch_track(s, 0.2, 0.6);
        EXPECT_NEAR(track_median(track, 0.2, 0.28), 130.8, 0.001 * 130.8);
        EXPECT_NEAR(track_median(track, 0.45, 0.6), 146.8, 0.001 * 146.8);
        const Transition t = transition_times(track, 130.8, 146.8);
        EXPECT_GE(t.seconds(), c.low) << c.length;
        EXPECT_LE(t.seconds(), c.high) << c.length;
    }
    EXPECT_NEAR(f0_hz(vowel_sound(0.5, constant(200), constant(1500)), 0.1, 0.4), 200, 0.1);
    // A running median of 9 frames removes a run of four outliers and keeps a step.
    std::vector<TrackPoint> track;
    for (int n = 0; n < 40; ++n)
        track.push_back({n * 0.002, n >= 10 && n < 14 ? 165.0 : (n < 25 ? 130.0 : 147.0)});
    const std::vector<TrackPoint> smooth = running_median(track, 4);
    for (int n = 0; n < 40; ++n)
        EXPECT_EQ(smooth[static_cast<std::size_t>(n)].value, n < 25 ? 130.0 : 147.0) << n;
}

TEST(Analysers, BandLevelsOfAToneAndOfWhiteNoise) {
    Sound tone, noise;
    tone.rate = noise.rate = kRate;
    Uniform u(7);
    for (int n = 0; n < 10 * 44100; ++n) {
        tone.samples.push_back(0.5 * std::sin(2 * kPi * 1000 * n / kRate));
        noise.samples.push_back(u.next());
    }
    const std::vector<double> centres = third_octave_centres(-3, 3);  // 500 Hz to 2 kHz
    const std::vector<double> t = band_levels_db(tone, 0, 10, centres);
    EXPECT_NEAR(t[3], 20 * std::log10(0.5 / std::sqrt(2.0)), 0.1);
    for (int i : {0, 1, 5, 6}) EXPECT_LT(t[i], t[3] - 40) << centres[i];
    // White noise of power 1/3: a band holds its share of the spectrum up to half the rate.
    const std::vector<double> centres_all = third_octave_centres(-9, 9);  // 125 Hz to 8 kHz
    const std::vector<double> w = band_levels_db(noise, 0, 10, centres_all);
    const double edge = std::pow(2.0, 1.0 / 6);
    for (std::size_t i = 0; i < centres_all.size(); ++i) {
        const double share = (centres_all[i] * edge - centres_all[i] / edge) / (kRate / 2);
        EXPECT_NEAR(w[i], 10 * std::log10(share / 3), 0.5) << centres_all[i];
    }
}

TEST(Analysers, HarmonicLevelsOfAKnownComplex) {
    // Forty harmonics of 130.8 Hz falling 1.5 dB each, with scattered phases.
    Sound s;
    s.rate = kRate;
    for (int n = 0; n < 44100 / 2; ++n) {
        double v = 0;
        for (int k = 1; k <= 40; ++k)
            v += std::pow(10.0, -1.5 * (k - 1) / 20) *
                 std::sin(2 * kPi * k * 130.8 * n / kRate + k * k);
        s.samples.push_back(0.02 * v);
    }
    const std::vector<double> levels = harmonic_levels_db(s, 0.1, 0.4, 130.8, 40);
    for (int k = 1; k <= 40; ++k)
        EXPECT_NEAR(levels[static_cast<std::size_t>(k - 1)] - levels[0], -1.5 * (k - 1), 0.2) << k;
}

// A pulse train with the given periods and amplitudes, each pulse the impulse response of two
// formants placed at its exact (fractional) time, plus white noise of the given power.
Sound pulse_train(const std::vector<double>& periods, const std::vector<double>& amplitudes,
                  double noise_power) {
    Sound s;
    s.rate = kRate;
    double total = 0;
    std::vector<double> starts;
    for (double p : periods) {
        starts.push_back(total);
        total += p;
    }
    s.samples.assign(static_cast<std::size_t>(total * kRate), 0.0);
    for (std::size_t i = 0; i < starts.size(); ++i) {
        const std::size_t first = static_cast<std::size_t>(std::ceil(starts[i] * kRate));
        for (std::size_t n = first; n < s.samples.size() && n < first + 2000; ++n) {
            const double tau = static_cast<double>(n) / kRate - starts[i];
            s.samples[n] += amplitudes[i] * 0.3 *
                            (std::exp(-kPi * 120 * tau) * std::sin(2 * kPi * 600 * tau) +
                             0.5 * std::exp(-kPi * 150 * tau) * std::sin(2 * kPi * 1500 * tau));
        }
    }
    Uniform u(11);
    const double scale = std::sqrt(3 * noise_power);  // a uniform number has power 1/3
    for (double& v : s.samples) v += scale * u.next();
    return s;
}

double mean_power(const Sound& s) {
    double sum = 0;
    for (double v : s.samples) sum += v * v;
    return sum / static_cast<double>(s.samples.size());
}

// Local jitter or shimmer of a sequence: mean absolute difference of neighbours over the mean.
double local_perturbation(const std::vector<double>& v) {
    double diff = 0, sum = 0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        sum += v[i];
        if (i > 0) diff += std::fabs(v[i] - v[i - 1]);
    }
    return 100 * (diff / static_cast<double>(v.size() - 1)) / (sum / static_cast<double>(v.size()));
}

VoiceReport report_of(const Sound& s, const std::string& name) {
    const std::string wav = scratch() + "/" + name + ".wav";
    EXPECT_TRUE(write_sound(s, wav));
    const VoiceReport r = voice_report(wav, 0.05, s.seconds() - 0.05);
    std::remove(wav.c_str());
    EXPECT_EQ(r.error, "");
    return r;
}

TEST(Analysers, PraatMeasuresKnownJitterShimmerAndNoise) {
    const double period = 1 / 130.8;
    const std::size_t count = 200;
    Uniform u(3);
    std::vector<double> steady(count, period), jittered, ones(count, 1.0), shaky;
    for (std::size_t i = 0; i < count; ++i) {
        jittered.push_back(period * (1 + 0.01 * u.next()));
        shaky.push_back(1 + 0.05 * u.next());
    }
    // Strictly periodic: no jitter, no shimmer, a very high HNR.
    const VoiceReport clean = report_of(pulse_train(steady, ones, 0), "clean");
    EXPECT_LT(clean.jitter, 0.02);
    EXPECT_LT(clean.shimmer, 0.2);
    EXPECT_GT(clean.hnr, 40);
    // Known jitter, then known shimmer: within a tenth of the sequence's own figure.
    const double jitter = local_perturbation(jittered);
    const VoiceReport j = report_of(pulse_train(jittered, ones, 0), "jitter");
    EXPECT_NEAR(j.jitter, jitter, 0.1 * jitter);
    const double shimmer = local_perturbation(shaky);
    const VoiceReport s = report_of(pulse_train(steady, shaky, 0), "shimmer");
    EXPECT_NEAR(s.shimmer, shimmer, 0.15 * shimmer);
    EXPECT_LT(s.jitter, 0.05);
    // Known harmonics-to-noise ratios of 20 and 30 dB.
    const double power = mean_power(pulse_train(steady, ones, 0));
    for (double hnr : {20.0, 30.0}) {
        const VoiceReport h =
            report_of(pulse_train(steady, ones, power * std::pow(10.0, -hnr / 10)), "noisy");
        EXPECT_NEAR(h.hnr, hnr, 1.5) << hnr;
    }
    std::printf("known jitter %.3f %% measured %.3f %%; known shimmer %.3f %% measured %.3f %%\n",
                jitter, j.jitter, shimmer, s.shimmer);
}

}  // namespace
