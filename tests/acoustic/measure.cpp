// Measurements on rendered sound for the acoustic tests: the file reader and writer, levels, pitch
// and LPC formants with their tracks, band and harmonic spectra, high-pass energy, and the Praat
// voice report.
#include "measure.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <cstdio>
#include <limits>
#include <sstream>

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
    // The shortest lag whose peak reaches 0.9 of the highest, so that a periodic sound is not
    // read an octave low at twice its period.
    std::size_t best = lo;
    for (std::size_t k = lo; k <= hi; ++k)
        if (r[k] > r[best]) best = k;
    for (std::size_t k = lo; k < best; ++k)
        if (r[k] >= r[k - 1] && r[k] >= r[k + 1] && r[k] >= 0.9 * r[best]) {
            best = k;
            break;
        }
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

const double kNaN = std::numeric_limits<double>::quiet_NaN();

double to_db(double power) { return power > 0 ? 10 * std::log10(power) : -400; }

// In-place iterative radix-2 FFT; the size must be a power of two.
void fft(std::vector<std::complex<double>>& x) {
    const std::size_t n = x.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(x[i], x[j]);
    }
    for (std::size_t length = 2; length <= n; length <<= 1) {
        const std::complex<double> step = std::polar(1.0, -2 * kPi / static_cast<double>(length));
        for (std::size_t i = 0; i < n; i += length) {
            std::complex<double> w = 1;
            for (std::size_t k = 0; k < length / 2; ++k) {
                const std::complex<double> u = x[i + k], v = x[i + k + length / 2] * w;
                x[i + k] = u + v;
                x[i + k + length / 2] = u - v;
                w *= step;
            }
        }
    }
}

// One-sided power spectrum of a Hann-windowed stretch zero-padded to `size` (a power of two),
// scaled so that the bins of a stationary signal add up to its mean power.
std::vector<double> power_spectrum(const std::vector<double>& x, std::size_t size) {
    std::vector<std::complex<double>> buffer(size, 0.0);
    double window_power = 0;
    for (std::size_t n = 0; n < x.size() && n < size; ++n) {
        const double w =
            0.5 - 0.5 * std::cos(2 * kPi * static_cast<double>(n) / static_cast<double>(x.size()));
        buffer[n] = w * x[n];
        window_power += w * w;
    }
    fft(buffer);
    std::vector<double> power(size / 2 + 1, 0.0);
    if (window_power <= 0) return power;
    for (std::size_t k = 0; k <= size / 2; ++k)
        power[k] = std::norm(buffer[k]) * (k == 0 || k == size / 2 ? 1 : 2) /
                   (window_power * static_cast<double>(x.size()));
    return power;
}

// Sum of the bins of a power spectrum whose frequencies lie in [lo, hi).
double band_power(const std::vector<double>& power, double bin_hz, double lo, double hi) {
    double sum = 0;
    for (std::size_t k = 0; k < power.size(); ++k) {
        const double f = static_cast<double>(k) * bin_hz;
        if (f >= lo && f < hi) sum += power[k];
    }
    return sum;
}

const std::size_t kClosedOrder = 18;

// Least-squares predictor of order kClosedOrder over the stretches [start, start + span) of d:
// d[n] + a1 d[n-1] + ... + ap d[n-p] = 0, by Householder reflections on the data matrix (the
// normal equations would square its poor conditioning), with a faint ridge that keeps the
// solution defined when the filter has fewer poles than the order. Returns 1, a1..ap, and the
// share of the energy left unexplained in `error`; empty when there is too little data.
std::vector<double> closed_fit(const std::vector<double>& d, const std::vector<std::size_t>& starts,
                               std::size_t span, double& error) {
    const std::size_t p = kClosedOrder;
    std::vector<std::vector<double>> rows;  // d[n-1] .. d[n-p], then -d[n]
    double total = 0;
    for (std::size_t c : starts)
        for (std::size_t n = c; n < c + span && n < d.size(); ++n) {
            if (n < p) continue;
            std::vector<double> row(p + 1);
            for (std::size_t k = 1; k <= p; ++k) row[k - 1] = d[n - k];
            row[p] = -d[n];
            total += d[n] * d[n];
            rows.push_back(row);
        }
    if (rows.size() < 2 * p || total <= 0) return {};
    for (std::size_t k = 0; k < p; ++k) {
        std::vector<double> row(p + 1, 0.0);
        row[k] = std::sqrt(1e-24 * total);
        rows.push_back(row);
    }
    for (std::size_t col = 0; col < p; ++col) {
        double norm = 0;
        for (std::size_t r = col; r < rows.size(); ++r) norm += rows[r][col] * rows[r][col];
        norm = std::sqrt(norm);
        const double alpha = rows[col][col] > 0 ? -norm : norm;
        std::vector<double> v(rows.size(), 0.0);
        for (std::size_t r = col; r < rows.size(); ++r) v[r] = rows[r][col];
        v[col] -= alpha;
        double vv = 0;
        for (std::size_t r = col; r < rows.size(); ++r) vv += v[r] * v[r];
        if (vv == 0) continue;
        for (std::size_t k = col; k <= p; ++k) {
            double dot = 0;
            for (std::size_t r = col; r < rows.size(); ++r) dot += v[r] * rows[r][k];
            const double f = 2 * dot / vv;
            for (std::size_t r = col; r < rows.size(); ++r) rows[r][k] -= f * v[r];
        }
    }
    std::vector<double> coefficients(p + 1, 0.0);
    coefficients[0] = 1;
    for (std::size_t i = p; i-- > 0;) {
        if (rows[i][i] == 0) return {};
        double acc = rows[i][p];
        for (std::size_t k = i + 1; k < p; ++k) acc -= rows[i][k] * coefficients[k + 1];
        coefficients[i + 1] = acc / rows[i][i];
    }
    double left = 0;
    for (std::size_t r = p; r < rows.size(); ++r) left += rows[r][p] * rows[r][p];
    error = left / total;
    return coefficients;
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

std::vector<Formant> closed_phase_formants(const Sound& sound, double from, double to,
                                           double period, double closed_share) {
    const std::vector<double> x = segment(sound, from, to);
    const double length = period * sound.rate;
    const std::size_t margin = 40;
    if (x.size() < 3 * static_cast<std::size_t>(length) + kClosedOrder + 2 * margin) return {};
    // Closures, roughly: the largest residual of an autocorrelation LPC in each period.
    const std::vector<double> a = lpc(x, static_cast<int>(kClosedOrder));
    std::vector<double> residual(x.size(), 0.0);
    for (std::size_t n = kClosedOrder; n < x.size(); ++n) {
        double e = x[n];
        for (std::size_t k = 1; k <= kClosedOrder; ++k) e += a[k] * x[n - k];
        residual[n] = std::fabs(e);
    }
    std::vector<std::size_t> closures;
    for (double start = static_cast<double>(kClosedOrder + margin);
         start + length + static_cast<double>(margin) < static_cast<double>(x.size());
         start += length) {
        const auto first = residual.begin() + static_cast<std::ptrdiff_t>(start);
        const auto last = residual.begin() + static_cast<std::ptrdiff_t>(start + length);
        closures.push_back(
            static_cast<std::size_t>(std::max_element(first, last) - residual.begin()));
    }
    // A first difference flattens the spectrum; it keeps the free ringing a sum of the same
    // damped sinusoids, so the poles found are the filter's.
    std::vector<double> d(x.size(), 0.0);
    for (std::size_t n = 1; n < x.size(); ++n) d[n] = x[n] - 0.97 * x[n - 1];
    // The closed phase is where the ringing fits exactly: the offset from the rough closures
    // that leaves the smallest share of error wins.
    const std::size_t span = static_cast<std::size_t>(closed_share * length);
    std::vector<double> best;
    double best_error = 2;
    for (std::size_t shift = 0; shift <= 2 * margin; shift += 2) {
        std::vector<std::size_t> starts;
        for (std::size_t c : closures) starts.push_back(c + shift - margin);
        double error = 2;
        const std::vector<double> coefficients = closed_fit(d, starts, span, error);
        if (!coefficients.empty() && error < best_error) {
            best_error = error;
            best = coefficients;
        }
    }
    std::vector<Formant> found;
    for (const std::complex<double>& z : roots(best)) {
        if (z.imag() <= 0) continue;
        const double freq = std::arg(z) * sound.rate / (2 * kPi);
        const double bandwidth = -std::log(std::abs(z)) * sound.rate / kPi;
        if (freq > 90 && bandwidth > 0 && bandwidth < 600) found.push_back({freq, bandwidth});
    }
    std::sort(found.begin(), found.end(),
              [](const Formant& l, const Formant& r) { return l.freq < r.freq; });
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

std::vector<TrackPoint> pitch_track(const Sound& sound, double from, double to, double hop,
                                    double window) {
    std::vector<TrackPoint> track;
    for (double t = from; t <= to + 1e-9; t += hop) {
        double lag = 0, value = 0;
        best_lag(segment(sound, t - window / 2, t + window / 2), sound.rate, lag, value);
        track.push_back({t, lag > 0 && value >= 0.5 ? sound.rate / lag : kNaN});
    }
    return track;
}

std::vector<TrackPoint> formant_track(const Sound& sound, double from, double to, double lo,
                                      double hi, double hop, double window) {
    std::vector<TrackPoint> track;
    double last = kNaN;
    for (double t = from; t <= to + 1e-9; t += hop) {
        double best = kNaN;
        for (const Formant& f : lpc_formants(sound, t - window / 2, t + window / 2)) {
            if (f.freq < lo || f.freq > hi) continue;
            const double guess = std::isnan(last) ? (lo + hi) / 2 : last;
            if (std::isnan(best) || std::fabs(f.freq - guess) < std::fabs(best - guess))
                best = f.freq;
        }
        if (!std::isnan(best)) last = best;
        track.push_back({t, best});
    }
    return track;
}

std::vector<TrackPoint> running_median(const std::vector<TrackPoint>& track, std::size_t half) {
    std::vector<TrackPoint> smooth = track;
    for (std::size_t n = 0; n < track.size(); ++n) {
        const std::size_t a = n >= half ? n - half : 0, b = std::min(track.size() - 1, n + half);
        smooth[n].value = track_median(
            std::vector<TrackPoint>(track.begin() + static_cast<std::ptrdiff_t>(a),
                                    track.begin() + static_cast<std::ptrdiff_t>(b + 1)),
            track[a].time, track[b].time);
    }
    return smooth;
}

double track_median(const std::vector<TrackPoint>& track, double from, double to) {
    std::vector<double> values;
    for (const TrackPoint& p : track)
        if (p.time >= from && p.time <= to && !std::isnan(p.value)) values.push_back(p.value);
    if (values.empty()) return kNaN;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

Transition transition_times(const std::vector<TrackPoint>& track, double start, double end) {
    // 90 %: the first crossing; 10 %: the last crossing before it, so that a noisy track that
    // wanders across 10 % early does not lengthen the transition.
    Transition result{kNaN, kNaN};
    const double sign = end >= start ? 1 : -1;
    const double low = start + 0.1 * (end - start), high = start + 0.9 * (end - start);
    const TrackPoint* a = nullptr;  // the last frame with a value; gaps are bridged
    for (const TrackPoint& b : track) {
        if (std::isnan(b.value)) continue;
        if (a != nullptr) {
            if (sign * (a->value - low) < 0 && sign * (b.value - low) >= 0)
                result.t10 = a->time + (b.time - a->time) * (low - a->value) / (b.value - a->value);
            if (sign * (a->value - high) < 0 && sign * (b.value - high) >= 0) {
                result.t90 =
                    a->time + (b.time - a->time) * (high - a->value) / (b.value - a->value);
                break;
            }
        }
        a = &b;
    }
    if (std::isnan(result.t90)) result.t10 = kNaN;
    return result;
}

std::vector<double> third_octave_centres(int first, int last) {
    std::vector<double> centres;
    for (int n = first; n <= last; ++n) centres.push_back(1000 * std::pow(2.0, n / 3.0));
    return centres;
}

std::vector<double> band_levels_db(const Sound& sound, double from, double to,
                                   const std::vector<double>& centres) {
    const std::size_t size = 32768;
    const std::vector<double> x = segment(sound, from, to);
    std::vector<double> total(size / 2 + 1, 0.0);
    std::size_t frames = 0;
    for (std::size_t a = 0; a + size <= x.size(); a += size / 2, ++frames) {
        const std::vector<double> p =
            power_spectrum(std::vector<double>(x.begin() + static_cast<std::ptrdiff_t>(a),
                                               x.begin() + static_cast<std::ptrdiff_t>(a + size)),
                           size);
        for (std::size_t k = 0; k < p.size(); ++k) total[k] += p[k];
    }
    std::vector<double> levels;
    const double bin_hz = sound.rate / static_cast<double>(size);
    const double edge = std::pow(2.0, 1.0 / 6);
    for (double c : centres)
        levels.push_back(frames == 0 ? -400
                                     : to_db(band_power(total, bin_hz, c / edge, c * edge) /
                                             static_cast<double>(frames)));
    return levels;
}

std::vector<double> harmonic_levels_db(const Sound& sound, double from, double to, double f0,
                                       int count) {
    const std::vector<double> x = segment(sound, from, to);
    std::size_t size = 1;
    while (size < 2 * x.size()) size <<= 1;
    const std::vector<double> p = power_spectrum(x, size);
    const double bin_hz = sound.rate / static_cast<double>(size);
    std::vector<double> levels;
    for (int k = 1; k <= count; ++k)
        levels.push_back(to_db(band_power(p, bin_hz, (k - 0.5) * f0, (k + 0.5) * f0)));
    return levels;
}

bool write_sound(const Sound& sound, const std::string& path) {
    SF_INFO info{};
    info.samplerate = static_cast<int>(sound.rate);
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) return false;
    const sf_count_t frames = static_cast<sf_count_t>(sound.samples.size());
    const bool ok = sf_writef_double(file, sound.samples.data(), frames) == frames;
    sf_close(file);
    return ok;
}

VoiceReport voice_report(const std::string& wav, double from, double to) {
    VoiceReport report;
    std::ostringstream command;
    command << "praat --run '" << SPEECHSCORE_VOICE_SCRIPT << "' '" << wav << "' " << from << ' '
            << to << " 2>&1";
    FILE* pipe = popen(command.str().c_str(), "r");
    if (pipe == nullptr) {
        report.error = "cannot run praat";
        return report;
    }
    std::string out;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
    const int status = pclose(pipe);
    std::istringstream in(out);
    if (status != 0 || !(in >> report.jitter >> report.shimmer >> report.hnr))
        report.error = "praat failed (install it with apt-get install praat): " + out;
    return report;
}
