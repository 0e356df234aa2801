// Measurements on rendered sound: Praat (measure.praat, run headless) measures every figure it has
// an analysis for; our own code reads and writes files and post-processes Praat's tracks (picks
// one formant, smooths by a running median, times a transition). Times are in seconds.
#ifndef SPEECHSCORE_TESTS_ACOUSTIC_MEASURE_H
#define SPEECHSCORE_TESTS_ACOUSTIC_MEASURE_H

#include <memory>
#include <string>
#include <vector>

struct Sound {
    std::vector<double> samples;              // first channel, full scale at 1.0
    double rate = 0;                          // samples per second
    std::shared_ptr<const std::string> file;  // the WAV file Praat reads
    double seconds() const { return rate > 0 ? static_cast<double>(samples.size()) / rate : 0; }
};

// Reads a sound file; an empty Sound when it cannot be read. With `owned` the file is removed
// when the last copy of the Sound goes.
Sound read_sound(const std::string& path, bool owned = false);

// Writes a sound as a mono WAV file of 32-bit float samples and makes it the Sound's own file;
// false when it cannot.
bool save_sound(Sound& sound, const std::string& path);

// Analysis windows [from + i hop, from + i hop + length), i = 0 .. count - 1.
struct Windows {
    double from, length, hop = 0;
    int count = 1;
};
inline Windows span(double from, double to) { return {from, to - from, 0, 1}; }

// One row of numbers per window or frame from `praat --run measure.praat FILE COMMAND ...`;
// NaN where Praat answers undefined. A failure is reported as a test failure, with no rows.
// "formants": mean F1 to F4 (Hz) of each window, Praat's Burg formants (five up to 5000 Hz,
// 25 ms windows).
std::vector<std::vector<double>> praat(const Sound& sound, const std::string& command, Windows w,
                                       double extra = 0);

// The first number of each window's row: "pitch" mean F0 (Hz, 60 to 500 Hz); "periodicity" the
// normalised autocorrelation at the lag of 60 to 500 Hz where it is highest (near 1 for voicing,
// low for noise); "above" the share of the energy above `extra` Hz, 0..1.
std::vector<double> praat_values(const Sound& sound, const std::string& command, Windows w,
                                 double extra = 0);

// Root-mean-square level in dB re full scale (-400 for digital silence), of the whole signal or,
// with a cutoff, of what lies above `cutoff` Hz (Praat's Hann band filter).
std::vector<double> levels_db(const Sound& sound, Windows w, double cutoff = 0);
double rms_db(const Sound& sound, double from, double to);

// Largest absolute sample of the whole sound (read from the samples).
double peak(const Sound& sound);

// One frame of a track: its centre time and the value found there (NaN when none).
struct TrackPoint {
    double time, value;
};

// F0 track of [from, to], a frame every 2 ms (Praat's To Pitch, floor 100 Hz and so a 30 ms
// window; NaN where unvoiced).
std::vector<TrackPoint> pitch_track(const Sound& sound, double from, double to);

// Formant track of [from, to], a frame every 2 ms (Praat's Burg formants on 20 ms windows): the
// formant within [lo, hi] Hz; when there are several, the one nearest the last.
std::vector<TrackPoint> formant_track(const Sound& sound, double from, double to, double lo,
                                      double hi);

// The track with each value replaced by the median of the values within `half` frames of it.
std::vector<TrackPoint> running_median(const std::vector<TrackPoint>& track, std::size_t half);

// Median of the track's values in [from, to]; NaN when there are none.
double track_median(const std::vector<TrackPoint>& track, double from, double to);

// Times at which a track passes 10 % and 90 % of the way from `start` to `end`: the first
// crossing of 90 %, and the last crossing of 10 % before it, so that a noisy track that wanders
// across 10 % early does not lengthen the transition (linear interpolation between frames with
// values, across gaps); NaN when it never gets to 90 %.
struct Transition {
    double t10, t90;
    double seconds() const { return t90 - t10; }
};
Transition transition_times(const std::vector<TrackPoint>& track, double start, double end);

// Mean power of [from, to) in the 1/3-octave bands n = first .. last (centre 1000 * 2^(n/3),
// edges at 2^(-1/6) and 2^(1/6) of it), in dB re full scale (a full-scale sine in one band reads
// -3 dB): band energies of Praat's spectrum of the whole stretch.
std::vector<double> band_levels_db(const Sound& sound, double from, double to, int first, int last);

// Power of [from, to) around each harmonic k * f0, k = 1..count (from (k - 1/2) f0 to
// (k + 1/2) f0), in dB of an arbitrary reference: Praat's spectrum of one Hann window.
std::vector<double> harmonic_levels_db(const Sound& sound, double from, double to, double f0,
                                       int count);

// Jitter (local, %), shimmer (local, %) and mean harmonics-to-noise ratio (cross-correlation
// method, dB) of [from, to), measured by Praat.
struct VoiceReport {
    double jitter = 0, shimmer = 0, hnr = 0;
};
VoiceReport voice_report(const Sound& sound, double from, double to);

#endif
