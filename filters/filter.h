// Helpers shared by the filter-bank generators: the span rule, the start of an event and the
// check of the values going into its p-fields.
#ifndef SPEECHSCORE_FILTERS_FILTER_H
#define SPEECHSCORE_FILTERS_FILTER_H

#include <cmath>

#include "speechscore.h"

namespace filters {

// Span in seconds of an event on the track of slot: a span that is not a finite number, or
// that would carry the time line past the largest double, counts as 0, so it is reported as a
// duration error and moves no time line.
inline double usable_span(int slot, double span) {
    return std::isfinite(span) && std::isfinite(timepoints[slot] + span) ? span : 0.0;
}

// Moves the time line of slot by the usable span and returns that span.
inline double advance(int slot, double span) {
    const double used = usable_span(slot, span);
    timepoints[slot] += used;
    return used;
}

// Fills p1..p3 of an event on instrument instr and moves that track's time line by the span.
// Returns the span used, for the caller's span check.
inline double begin_event(int instr, double span) {
    const int slot = instr - 8;
    pfields[0] = instr;
    pfields[1] = timepoints[slot];
    const double used = advance(slot, span);
    pfields[2] = used;
    return used;
}

// Begins an event as begin_event does and reports a span of 0 or less as error 3 with an echo
// of count p-fields. Returns whether the event may go on.
inline bool open_event(int instr, double span, int count) {
    if (begin_event(instr, span) > 0) return true;
    err(3, count);
    return false;
}

// Puts count values into pfields from entry first on, 0 in place of any value that is not a
// finite number (so an echo never shows one). Returns whether every value was finite.
inline bool put_fields(int first, const double* values, int count) {
    bool finite = true;
    for (int n = 0; n < count; ++n) {
        const bool ok = std::isfinite(values[n]);
        pfields[first + n] = ok ? values[n] : 0.0;
        finite = finite && ok;
    }
    return finite;
}

}  // namespace filters

#endif  // SPEECHSCORE_FILTERS_FILTER_H
