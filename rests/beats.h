// Private to rests/: the span in seconds of a rest or statement given in beats.
#ifndef SPEECHSCORE_RESTS_BEATS_H
#define SPEECHSCORE_RESTS_BEATS_H

#include <cmath>

#include "speechscore.h"

// Sets tsec to beats x beat and returns it; a span that is not a finite number counts as 0.
// (The tempo and glide steps count non-finite beats as 0 themselves.)
inline double beats_to_tsec(double beats) {
    const double span = beats * beat;
    tsec = std::isfinite(span) ? span : 0.0;
    return tsec;
}

#endif
