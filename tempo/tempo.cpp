// Tempo: the metronome mark, the master tempo glide and the tempo step of every beat-timed
// segment. Owns the glide state beatnew..spbGLMM; sets the client's beat.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>

#include "../score/output.h"
#include "../score/reports.h"
#include "speechscore.h"

double beatnew = 0.0;     // seconds per beat at the end of the glide
double beatold = 1.0;     // seconds per beat when the glide started
double beatsaccum = 0.0;  // beats stepped since the last glMM
double beatslimit = 0.0;  // length of the glide in beats
double facGLMM = 1.0;     // during a glide beat = beatold * facGLMM
double spbGLMM = 0.0;     // change of facGLMM per beat; 0 = no glide

namespace {

using output::Fixed;

const int kEcho = 12;  // p-fields echoed when a tempo request is reported

// Seconds per beat that a tempo can have: finite and above 0.
bool good_beat(double seconds) { return seconds > 0 && std::isfinite(seconds); }

// A usable mark gives a finite, positive number of seconds per beat.
bool good_mark(double mark) { return mark > 0 && std::isfinite(mark) && good_beat(60 / mark); }

// Ends the glide on its target; a target that is no tempo (only a client can write one) leaves
// beat where it is.
void end_glide() {
    facGLMM = 1;
    spbGLMM = 0;
    if (good_beat(beatnew)) beat = beatnew;
}

}  // namespace

// Sets beat from a metronome mark; a mark that gives no finite tempo falls back to 60. A mark
// that is not a number at all is also counted as an error.
void metronome(double mark) {
    output::check_finite(mark, 0, kEcho);
    if (!good_mark(mark)) {
        std::fputs(reports::of_tag(reports::Tag::Tempo).text, stdout);
        beat = 1;
        return;
    }
    beat = 60 / mark;
}

// Starts the master tempo glide from the current beat to the seconds per beat of mark.
void glMM(double spanBeats, double mark) {
    // A span that is not a number counts as 0: reported, and the glide ends at the next step.
    const double span = std::isfinite(spanBeats) ? spanBeats : 0.0;
    if (span <= 0) err(3, kEcho);
    if (!good_mark(mark)) {
        std::fputs(reports::of_tag(reports::Tag::Mark).text, stdout);
        output::count_error();
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
    const Fixed f = {9, 4};
    output::Line()
        .text(";glMM start: beatnew=")
        .number(beatnew, f)
        .text(";beatold=")
        .number(beatold, f)
        .text(";beatslimit=")
        .number(beatslimit, f)
        .text(";spbGLMM=")
        .number(spbGLMM, f)
        .letter('\n')
        .write();
}

// Tempo step of a statement of the given beats; moves beat along a running glide. The glide
// never runs past its ends: a step of less than 0 beats counts as 0, and beat and facGLMM
// stay between the glide's start and its target.
void doGLMM(double beats) {
    // A step that is not a number is reported and, like a negative one, counts as 0.
    const double step = output::check_finite(beats, 3, kEcho) && beats > 0 ? beats : 0.0;
    const double accum = beatsaccum + step;
    beatsaccum = std::isfinite(accum) ? accum : DBL_MAX;
    if (spbGLMM == 0) return;
    if (!(beatsaccum < beatslimit)) {
        end_glide();
        return;
    }
    const double factor = facGLMM + spbGLMM * step;
    const double ratio = beatnew / beatold;  // facGLMM at the target
    if (!good_beat(beatold) || !good_beat(beatnew) || !std::isfinite(factor) ||
        !std::isfinite(ratio)) {
        end_glide();  // past what a double holds, or state a client broke: the glide ends here
        return;
    }
    facGLMM = std::clamp(factor, std::min(1.0, ratio), std::max(1.0, ratio));
    beat = std::clamp(beatold * facGLMM, std::min(beatold, beatnew), std::max(beatold, beatnew));
    const Fixed f = {9, 4};
    output::Line()
        .text("; Beat = ")
        .number(beat, f)
        .text("; beatsaccum = ")
        .number(beatsaccum, f)
        .text("; facGLMM = ")
        .number(facGLMM, f)
        .letter('\n')
        .write();
}
