// Measurements on rendered sound for the acoustic tests: the file reader, levels, pitch, LPC
// formants and high-pass energy.
#include "measure.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>

namespace {

const double kPi = 3.14159265358979323846;
const int kLpcOrder = 12;
const std::size_t kDecimation = 4;

// Sample index of a time, clamped to the sound.
std::size_t index_at(const Sound& sound, double t) {
    const double n = std::floor(t * sound.rate);
    if (n <= 0) return 0;
    const std::size_t i = static_cast<std::size_t>(n);
    return std::min(i, sound.samples.size());
}

std::vector<double> segment(const Sound& sound, double from, double to) {
    const std::size_t a = index_at(sound, from);
    const std::size_t b = std::max(a, index_at(sound, to));
    return std::vector<double>(sound.samples.begin() + static_cast<std::ptrdiff_t>(a),
                               sound.samples.begin() + static_cast<std::ptrdiff_t>(b));
}

double hamming(std::size_t n, std::size_t size) {
    return 0.54 - 0.46 * std::cos(2 * kPi * static_cast<double>(n) / static_cast<double>(size - 1));
}

// Normalised autocorrelation at each lag of the 60..500 Hz range; returns the best lag
// (with parabolic refinement) and its value.
void best_lag(const std::vector<double>& x, double rate, double& lag, double& value) {
    const std::size_t lo = static_cast<std::size_t>(rate / 500);
    const std::size_t hi = static_cast<std::size_t>(rate / 60);
    lag = 0;
    value = 0;
    if (x.size() <= hi + 1) return;
    std::vector<double> r(hi + 2, 0.0);
    for (std::size_t k = lo - 1; k <= hi + 1; ++k) {
        double xy = 0, xx = 0, yy = 0;
        for (std::size_t n = 0; n + k < x.size(); ++n) {
            xy += x[n] * x[n + k];
            xx += x[n] * x[n];
            yy += x[n + k] * x[n + k];
        }
        r[k] = xx > 0 && yy > 0 ? xy / std::sqrt(xx * yy) : 0;
    }
    std::size_t best = lo;
    for (std::size_t k = lo; k <= hi; ++k)
        if (r[k] > r[best]) best = k;
    const double a = r[best - 1], b = r[best], c = r[best + 1];
    const double denominator = a - 2 * b + c;
    const double shift = denominator < 0 ? 0.5 * (a - c) / denominator : 0;
    lag = static_cast<double>(best) + shift;
    value = b;
}

// Levinson-Durbin on the autocorrelation of x: returns 1, a1..ap of A(z).
std::vector<double> lpc(const std::vector<double>& x, int order) {
    const std::size_t p = static_cast<std::size_t>(order);
    std::vector<double> r(p + 1, 0.0);
    for (std::size_t k = 0; k <= p; ++k)
        for (std::size_t n = 0; n + k < x.size(); ++n) r[k] += x[n] * x[n + k];
    std::vector<double> a(p + 1, 0.0);
    a[0] = 1;
    double error = r[0];
    for (std::size_t i = 1; i <= p && error > 0; ++i) {
        double acc = r[i];
        for (std::size_t j = 1; j < i; ++j) acc += a[j] * r[i - j];
        const double k = -acc / error;
        std::vector<double> next = a;
        for (std::size_t j = 1; j < i; ++j) next[j] = a[j] + k * a[i - j];
        next[i] = k;
        a = next;
        error *= 1 - k * k;
    }
    return a;
}

// Roots of z^p + a1 z^(p-1) + ... + ap by simultaneous (Durand-Kerner) iteration.
std::vector<std::complex<double>> roots(const std::vector<double>& a) {
    using C = std::complex<double>;
    const std::size_t p = a.size() - 1;
    std::vector<C> z(p);
    for (std::size_t i = 0; i < p; ++i) z[i] = std::pow(C(0.4, 0.9), static_cast<double>(i));
    for (int iteration = 0; iteration < 2000; ++iteration) {
        double change = 0;
        for (std::size_t i = 0; i < p; ++i) {
            C value = 1;
            for (std::size_t k = 1; k <= p; ++k) value = value * z[i] + a[k];
            C denominator = 1;
            for (std::size_t j = 0; j < p; ++j)
                if (j != i) denominator *= z[i] - z[j];
            const C step = value / denominator;
            z[i] -= step;
            change = std::max(change, std::abs(step));
        }
        if (change < 1e-14) break;
    }
    return z;
}

// Biquad section in direct form I.
struct Biquad {
    double b0, b1, b2, a1, a2;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    double run(double x) {
        const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

// 8th-order Butterworth high-pass as four sections.
std::vector<double> highpass(const std::vector<double>& x, double rate, double cutoff) {
    const double w = 2 * kPi * cutoff / rate;
    const double c = std::cos(w), s = std::sin(w);
    std::vector<double> y = x;
    for (int k = 1; k <= 4; ++k) {
        const double q = 1 / (2 * std::cos((2 * k - 1) * kPi / 16));
        const double alpha = s / (2 * q), a0 = 1 + alpha;
        Biquad section{(1 + c) / 2 / a0, -(1 + c) / a0, (1 + c) / 2 / a0, -2 * c / a0,
                       (1 - alpha) / a0};
        for (double& v : y) v = section.run(v);
    }
    return y;
}

double energy(const std::vector<double>& x, std::size_t a, std::size_t b) {
    double sum = 0;
    for (std::size_t n = a; n < b; ++n) sum += x[n] * x[n];
    return sum;
}

}  // namespace

Sound read_sound(const std::string& path) {
    Sound sound;
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) return sound;
    std::vector<double> frames(static_cast<std::size_t>(info.frames * info.channels));
    const sf_count_t got = sf_readf_double(file, frames.data(), info.frames);
    sf_close(file);
    sound.rate = info.samplerate;
    for (sf_count_t n = 0; n < got; ++n)
        sound.samples.push_back(frames[static_cast<std::size_t>(n * info.channels)]);
    return sound;
}

double rms_db(const Sound& sound, double from, double to) {
    const std::vector<double> x = segment(sound, from, to);
    if (x.empty()) return -400;
    const double mean = energy(x, 0, x.size()) / static_cast<double>(x.size());
    return mean > 0 ? 10 * std::log10(mean) : -400;
}

double peak(const Sound& sound) {
    double top = 0;
    for (double v : sound.samples) top = std::max(top, std::fabs(v));
    return top;
}

double f0_hz(const Sound& sound, double from, double to) {
    double lag = 0, value = 0;
    best_lag(segment(sound, from, to), sound.rate, lag, value);
    return lag > 0 ? sound.rate / lag : 0;
}

double periodicity(const Sound& sound, double from, double to) {
    double lag = 0, value = 0;
    best_lag(segment(sound, from, to), sound.rate, lag, value);
    return value;
}

std::vector<Formant> lpc_formants(const Sound& sound, double from, double to) {
    // Low-pass at the new Nyquist frequency (windowed sinc), keep every fourth sample.
    const std::vector<double> x = segment(sound, from, to);
    const std::size_t taps = 129, half = taps / 2;
    std::vector<double> h(taps);
    for (std::size_t n = 0; n < taps; ++n) {
        const double t =
            (static_cast<double>(n) - static_cast<double>(half)) / static_cast<double>(kDecimation);
        const double sinc = t == 0 ? 1 : std::sin(kPi * t) / (kPi * t);
        h[n] = sinc * hamming(n, taps) / static_cast<double>(kDecimation);
    }
    std::vector<double> y;
    for (std::size_t n = 0; n < x.size(); n += kDecimation) {
        double acc = 0;
        for (std::size_t k = 0; k < taps; ++k) {
            const std::size_t m = n + k;
            if (m >= half && m - half < x.size()) acc += h[k] * x[m - half];
        }
        y.push_back(acc);
    }
    // Pre-emphasis and a Hamming window.
    for (std::size_t n = y.size(); n-- > 1;) y[n] -= 0.9 * y[n - 1];
    for (std::size_t n = 0; n < y.size(); ++n) y[n] *= hamming(n, y.size());

    const double rate = sound.rate / static_cast<double>(kDecimation);
    std::vector<Formant> found;
    for (const std::complex<double>& z : roots(lpc(y, kLpcOrder))) {
        if (z.imag() <= 0) continue;
        const double freq = std::arg(z) * rate / (2 * kPi);
        const double bandwidth = -std::log(std::abs(z)) * rate / kPi;
        if (freq > 90 && bandwidth < 600) found.push_back({freq, bandwidth});
    }
    std::sort(found.begin(), found.end(),
              [](const Formant& a, const Formant& b) { return a.freq < b.freq; });
    return found;
}

std::vector<double> highpass_frames_db(const Sound& sound, double cutoff, double from, double to,
                                       double frame) {
    const std::vector<double> y = highpass(sound.samples, sound.rate, cutoff);
    const std::size_t length = std::max<std::size_t>(1, index_at(sound, frame));
    std::vector<double> frames;
    for (std::size_t a = index_at(sound, from); a + length <= index_at(sound, to); a += length) {
        const double mean = energy(y, a, a + length) / static_cast<double>(length);
        frames.push_back(mean > 0 ? 10 * std::log10(mean) : -400);
    }
    return frames;
}

double share_above(const Sound& sound, double cutoff, double from, double to) {
    const std::vector<double> y = highpass(sound.samples, sound.rate, cutoff);
    const std::size_t a = index_at(sound, from), b = index_at(sound, to);
    const double total = energy(sound.samples, a, b);
    return total > 0 ? energy(y, a, b) / total : 0;
}
