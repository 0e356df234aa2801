// Tempo: the metronome mark, the master tempo glide and the tempo step of every beat-timed
// segment. Owns the glide state beatnew..spbGLMM; sets the client's beat.
#include <cmath>
#include <cstdio>

#include "speechscore.h"

double beatnew = 0.0;     // seconds per beat at the end of the glide
double beatold = 1.0;     // seconds per beat when the glide started
double beatsaccum = 0.0;  // beats stepped since the last glMM
double beatslimit = 0.0;  // length of the glide in beats
double facGLMM = 1.0;     // during a glide beat = beatold * facGLMM
double spbGLMM = 0.0;     // change of facGLMM per beat; 0 = no glide

namespace {

// A usable mark gives a finite, positive number of seconds per beat.
bool good_mark(double mark) { return mark > 0 && std::isfinite(mark) && std::isfinite(60 / mark); }

}  // namespace

// Sets beat from a metronome mark; a mark that gives no finite tempo falls back to 60.
void metronome(double mark) {
    if (!good_mark(mark)) {
        std::printf("; TEMPO SPEC. IS WRONG; WILL USE MM=60. \n");
        beat = 1;
        return;
    }
    beat = 60 / mark;
}

// Starts the master tempo glide from the current beat to the seconds per beat of mark.
void glMM(double spanBeats, double mark) {
    // A span that is not a number counts as 0: reported, and the glide ends at the next step.
    const double span = std::isfinite(spanBeats) ? spanBeats : 0.0;
    if (span <= 0) err(3, 12);
    if (!good_mark(mark)) {
        std::printf("; BAD MM mark; master envelope cancelled. \n");
        ++nerrors;
        return;
    }
    beatnew = 60 / mark;
    beatold = beat;
    beatslimit = span;
    beatsaccum = 0;
    facGLMM = 1;
    const double divisor = span * beatold;
    // With nothing to divide by, the slope is the whole change: the glide ends at the next
    // step anyway, and no infinity reaches the score or the state.
    spbGLMM = divisor != 0 ? (beatnew - beatold) / divisor : beatnew - beatold;
    if (!std::isfinite(spbGLMM)) spbGLMM = beatnew - beatold;
    std::printf(";glMM start: beatnew=%9.4f;beatold=%9.4f;beatslimit=%9.4f;spbGLMM=%9.4f\n",
                beatnew, beatold, beatslimit, spbGLMM);
}

// Tempo step of a statement of the given beats; moves beat along a running glide.
void doGLMM(double beats) {
    const double step = std::isfinite(beats) ? beats : 0.0;  // a non-number steps nothing
    beatsaccum = beatsaccum + step;
    if (spbGLMM == 0) return;
    if (beatsaccum >= beatslimit) {
        facGLMM = 1;
        spbGLMM = 0;
        beat = beatnew;
        return;
    }
    facGLMM = facGLMM + spbGLMM * step;
    beat = beatold * facGLMM;
    std::printf("; Beat = %9.4f; beatsaccum = %9.4f; facGLMM = %9.4f\n", beat, beatsaccum, facGLMM);
}
