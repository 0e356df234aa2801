// Renders library scores for the acoustic tests: a score written in a forked child, rendered by
// speechscore-render with the project's orchestra into a Sound, in a scratch directory per process.
#ifndef SPEECHSCORE_TESTS_ACOUSTIC_RENDER_H
#define SPEECHSCORE_TESTS_ACOUSTIC_RENDER_H

#include <functional>
#include <string>
#include <vector>

#include "measure.h"
#include "speechscore_colours.h"

const double kBeat = 0.5;                   // 120 beats per minute
const double kControlBlock = 32 / 44100.0;  // one control cycle of the orchestra
const double kF0Oct = 7.0;                  // pitch of the test vowels, octave-point-decimal

// Hz of an octave-point-decimal pitch (cpsoct: 8.75 is 440 Hz and every unit an octave).
using speechscore::pitch::octToHz;

// Scratch directory, made once per process and removed at the end when empty.
const std::string& scratch();

struct Rendered {
    std::string score;
    Sound sound;
};

// Renders the score at path into a sound, with one csound option (as "--omacro:GLIDE=0.06").
Rendered render_score(const std::string& score, const std::string& name,
                      const std::string& options = "");

// Writes the score of `calls`, run in a forked child, to NAME.sco in scratch(); returns its path.
std::string write_score(const std::string& name, const std::function<void()>& calls);

// Writes a score (start-up with the output switch `output`, tables, 120 per minute, calls, end)
// and renders it.
Rendered render(const std::string& name, const std::function<void()>& calls, double output = 0,
                const std::string& options = "");

// Writes the example piece's score and renders it; an empty sound when the examples are not
// built. With `output` other than 0 the score's output switch (p4 of instrument 1) is set to it
// before rendering, to hear one inner signal of the synthesizer.
Rendered render_piece(int output = 0);

// End of the F1 track: the latest start plus span of the instrument 11 events.
double f1_track_end(const std::string& score);

// One event of a score: instrument, start, span and p4 onward.
struct ScoreEvent {
    int instr;
    double start, span;
    std::vector<double> fields;
};

// The events of one instrument in the order of their start times.
std::vector<ScoreEvent> score_events(const std::string& score, int instr);

#endif
