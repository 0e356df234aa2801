// Private to source/: the one machine behind the ten glide-driven tracks (voice source AV..FV,
// aspiration AS, frication AF). A track is a row of data; generator and glides are written once.
#ifndef SPEECHSCORE_SOURCE_TRACK_H
#define SPEECHSCORE_SOURCE_TRACK_H

namespace tracks {

// One glide-driven track: where it writes, how its adjustment applies, where its state lives.
struct Track {
    int instr;       // p1
    int slot;        // index of timepoints and beatpoints (instrument - 8)
    int fieldCount;  // p-fields of the event: 5 with a switch, 4 without
    int echoCount;   // p-fields echoed when the event is rejected: 12 voice, 5 noise
    bool factor;     // p4 = value * adjustment (neutral 1); else value + adjustment (neutral 0)
    double* adj;     // incXX or facGLXX
    double* target;  // newGLXX
    double* limit;   // limGLXX, beat position where the glide ends
    double* slope;   // spbGLXX, change per beat; 0 = no glide
    double* last;    // remembered value: p4 for offset tracks, the client's value for factor ones
    double* lastSwitch;          // remembered switch (p5), nullptr for tracks without one
    int errCode;                 // range error; also reported for a value that is not a number
    bool (*outOfRange)(double);  // range check on the client's value; nullptr = none
};

// Range check shared by AV, AS and AF: amplitudes above 100 (100 itself passes).
bool too_loud(double value);

// Writes one event on the track (or reports it) and moves its time line by span.
void gen_track(const Track& t, double span, double value, double sw);

// Starts a glide of the track's adjustment towards target over spanBeats beats.
void start_glide(const Track& t, double spanBeats, double target);

// Moves the track's beat position by step and its adjustment along a running glide.
void advance_glide(const Track& t, double step);

// Stops the track's glide and puts its adjustment back to neutral.
void cancel_glide(const Track& t);

}  // namespace tracks

#endif  // SPEECHSCORE_SOURCE_TRACK_H
