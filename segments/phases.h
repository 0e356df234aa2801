// Steps shared by the segment builders: the tempo step and span of a segment, the phase
// compression rule of the duration drivers and vV, and the calls that close most segments.
#ifndef SPEECHSCORE_SEGMENTS_PHASES_H
#define SPEECHSCORE_SEGMENTS_PHASES_H

#include <initializer_list>

namespace segment {

// A length or level that is not a finite number counts as 0.
double finite_or_zero(double value);

// A nominal duration given to a driver: one that is not a finite number is reported (error 3)
// and counts as 0.
double nominal_length(double value);

// Steps the master tempo by beats, then returns them in seconds with the beat reached; a span
// that is not finite counts as 0. (The tempo and glide steps count non-finite beats as 0.)
double start_segment(double beats);

// Span of a segment split into timed phases and a steady remainder.
struct Phases {
    double span;     // seconds, as from start_segment
    double factor;   // 1 when the span holds the nominal length, else span / nominal length
    double part[4];  // compressed phase spans, in phase order
    double steady;   // span minus the phase spans
};

// Steps the tempo and compresses the nominal durations (seconds, at most four, in phase order)
// to the span of beats; the one at index doubled counts twice in the nominal length, which is
// at least minDur. Non-finite inputs count as 0; if the arithmetic leaves the finite numbers
// the phases shrink to 0 and the steady phase takes the whole span.
Phases compress_phases(double beats, std::initializer_list<double> nominal, int doubled,
                       double minDur);

// One event of a phase list on the cascade, voice or a noise track.
struct ColorEvent {
    double span;
    int color;
};
struct VoiceEvent {
    void (*form)(double, double, double);  // aV, xV or qV
    double span;
    double av;
    double f0;
};
struct NoiseEvent {
    void (*form)(double, double);  // aS, xS, aF or xF
    double span;
    double amp;
};

// Writes the phases before a segment's steady part, track by track in time order: the
// cascade events (Casc), then the voice events, then the aspiration events.
void write_phases(std::initializer_list<ColorEvent> cascade,
                  std::initializer_list<VoiceEvent> voice,
                  std::initializer_list<NoiseEvent> aspiration);

// Writes the events of one noise track in time order.
void write_noise(std::initializer_list<NoiseEvent> events);

// Rests the tracks a vowel does not shape: frication and parallel (16, 10), then 17..19.
void rest_unshaped(double span);

// Closes a segment with its steady vowel: the cascade event, the voice and aspiration events
// with switch 1 each after its glide step, the AF glide step and the rests of the rest.
void vowel_tail(double beats, double span, int colorVow, double steady, double AVvow, double F0,
                double ASvow);

}  // namespace segment

#endif
