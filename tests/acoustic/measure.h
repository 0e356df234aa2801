// Measurements on rendered sound: levels, pitch and formant tracks, transition times, band and
// harmonic spectra, the energy above a cutoff, and jitter, shimmer and HNR through Praat. Times
// are in seconds from the start of the file.
#ifndef SPEECHSCORE_TESTS_ACOUSTIC_MEASURE_H
#define SPEECHSCORE_TESTS_ACOUSTIC_MEASURE_H

#include <cstddef>
#include <string>
#include <vector>

struct Sound {
    std::vector<double> samples;  // first channel, full scale at 1.0
    double rate = 0;              // samples per second
    double seconds() const { return rate > 0 ? static_cast<double>(samples.size()) / rate : 0; }
};

struct Formant {
    double freq;       // Hz
    double bandwidth;  // Hz
};

// Reads a sound file; an empty Sound when it cannot be read.
Sound read_sound(const std::string& path);

// Root-mean-square level of [from, to) in dB relative to full scale; -400 for digital silence.
double rms_db(const Sound& sound, double from, double to);

// Largest absolute sample of the whole sound.
double peak(const Sound& sound);

// Fundamental frequency of [from, to) in Hz from the normalised autocorrelation over the lags of
// 60 to 500 Hz: the shortest lag whose peak reaches 0.9 of the highest, refined by a parabola.
double f0_hz(const Sound& sound, double from, double to);

// Normalised autocorrelation of [from, to) at the lag f0_hz chooses: near 1 for voicing, low
// for noise.
double periodicity(const Sound& sound, double from, double to);

// Formants of [from, to) from a 12th-order autocorrelation LPC at a quarter of the sampling
// rate, sorted by frequency; only resonances above 90 Hz and narrower than 600 Hz.
std::vector<Formant> lpc_formants(const Sound& sound, double from, double to);

// Formants of a strictly periodic voiced stretch [from, to) whose source is silent in the closed
// part of each period: a least-squares LPC of order 18 at the full rate over the closed phases
// only, where the sound is the free ringing of the filter, so neither the harmonics nor the pulse
// shape pull the estimate. Closures are found near the largest LPC residual of each period of
// `period` seconds, where the fit is best; the closed phase analysed lasts `closed_share` of the
// period. Sorted by frequency; only resonances above 90 Hz and narrower than 600 Hz. The fit is
// exact only on samples finer than 32-bit floats: render with --format=double.
std::vector<Formant> closed_phase_formants(const Sound& sound, double from, double to,
                                           double period, double closed_share = 0.4);

// Mean energy (dB) of consecutive frames of [from, to) after an 8th-order Butterworth high-pass
// at cutoff; the filter runs from the start of the sound, so it has settled by from.
std::vector<double> highpass_frames_db(const Sound& sound, double cutoff, double from, double to,
                                       double frame);

// Share of the energy of [from, to) that lies above cutoff, 0..1.
double share_above(const Sound& sound, double cutoff, double from, double to);

// One frame of a track: its centre time and the value found there (NaN when none).
struct TrackPoint {
    double time;
    double value;
};

// F0 track: f0_hz on windows of `window` seconds centred every `hop` seconds in [from, to];
// NaN where the window is not periodic (normalised autocorrelation below 0.5).
std::vector<TrackPoint> pitch_track(const Sound& sound, double from, double to, double hop = 0.002,
                                    double window = 0.03);

// Formant track: on windows of `window` seconds centred every `hop` seconds in [from, to], the LPC
// formant within [lo, hi] Hz; when there are several, the one nearest the last value found.
std::vector<TrackPoint> formant_track(const Sound& sound, double from, double to, double lo,
                                      double hi, double hop = 0.002, double window = 0.02);

// The track with each value replaced by the median of the values within `half` frames of it.
std::vector<TrackPoint> running_median(const std::vector<TrackPoint>& track, std::size_t half);

// Median of the track's values in [from, to]; NaN when there are none.
double track_median(const std::vector<TrackPoint>& track, double from, double to);

// Times at which a track passes 10 % and 90 % of the way from `start` to `end`: the first
// crossing of 90 %, and the last crossing of 10 % before it (linear interpolation between
// frames with values, across gaps); NaN when it never gets to 90 %.
struct Transition {
    double t10;
    double t90;
    double seconds() const { return t90 - t10; }
};
Transition transition_times(const std::vector<TrackPoint>& track, double start, double end);

// Exact 1/3-octave band centres 1000 * 2^(n/3) Hz for n from `first` to `last`.
std::vector<double> third_octave_centres(int first, int last);

// Mean power of [from, to) in each 1/3-octave band (centre * 2^(-1/6) to centre * 2^(1/6)), in
// dB relative to full scale (a full-scale sine in one band reads -3 dB); Welch average of Hann
// windows of 32768 samples with half overlap.
std::vector<double> band_levels_db(const Sound& sound, double from, double to,
                                   const std::vector<double>& centres);

// Power of [from, to) around each harmonic k * f0, k = 1..count (from (k - 1/2) f0 to
// (k + 1/2) f0), in dB as band_levels_db; one Hann window over the whole stretch.
std::vector<double> harmonic_levels_db(const Sound& sound, double from, double to, double f0,
                                       int count);

// Writes a sound as a mono WAV file of 32-bit float samples; false when it cannot.
bool write_sound(const Sound& sound, const std::string& path);

// Jitter (local, %), shimmer (local, %) and mean harmonics-to-noise ratio (cross-correlation
// method, dB) of [from, to) of the WAV file at path, measured by Praat run headless with the
// script voice_report.praat; `error` says why when it could not be measured.
struct VoiceReport {
    double jitter = 0;
    double shimmer = 0;
    double hnr = 0;
    std::string error;
};
VoiceReport voice_report(const std::string& wav, double from, double to);

#endif
