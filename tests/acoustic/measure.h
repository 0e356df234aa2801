// Measurements on rendered sound: levels, pitch, periodicity, LPC formants and the energy above a
// cutoff. Times are in seconds from the start of the file.
#ifndef SPEECHSCORE_TESTS_ACOUSTIC_MEASURE_H
#define SPEECHSCORE_TESTS_ACOUSTIC_MEASURE_H

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

// Fundamental frequency of [from, to) in Hz from the highest normalised autocorrelation
// between 60 and 500 Hz, refined by a parabola through its neighbours.
double f0_hz(const Sound& sound, double from, double to);

// Highest normalised autocorrelation of [from, to) over the lags of 60 to 500 Hz: near 1 for
// voicing, low for noise.
double periodicity(const Sound& sound, double from, double to);

// Formants of [from, to) from a 12th-order autocorrelation LPC at a quarter of the sampling
// rate, sorted by frequency; only resonances above 90 Hz and narrower than 600 Hz.
std::vector<Formant> lpc_formants(const Sound& sound, double from, double to);

// Mean energy (dB) of consecutive frames of [from, to) after an 8th-order Butterworth high-pass
// at cutoff; the filter runs from the start of the sound, so it has settled by from.
std::vector<double> highpass_frames_db(const Sound& sound, double cutoff, double from, double to,
                                       double frame);

// Share of the energy of [from, to) that lies above cutoff, 0..1.
double share_above(const Sound& sound, double cutoff, double from, double to);

#endif
