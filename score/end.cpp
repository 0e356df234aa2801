// Score end: the global-settings event, the end event, the time-line summary and either "e"
// or the error exit. Writes timepoints[20], the end event's duration.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "output.h"
#include "speechscore.h"

namespace {

using output::Fixed;

// Prints "; " and the time lines of slots first..last, each "%7.3f ".
void write_timelines(int first, int last) {
    output::Line line;
    line.text("; ");
    for (int slot = first; slot <= last; ++slot) line.number(timepoints[slot], {7, 3}).letter(' ');
    line.letter('\n').write();
}

// Writes an event of count p-fields: head (the text of the first ones), then the fields from
// first on in their formats, one blank apart, then end. An event with a value that is not a
// finite number is reported (catch-all code, echo of its p-fields) instead.
void write_event(const double* fields, int count, const char* head, int first, const Fixed* formats,
                 const char* end) {
    for (int i = 0; i < count; ++i) {
        if (!std::isfinite(fields[i])) {
            output::report(0, fields, count);
            return;
        }
    }
    output::Line line;
    line.text(head);
    for (int i = first; i < count; ++i) {
        if (i > first) line.letter(' ');
        line.number(fields[i], formats[i - first]);
    }
    line.text(end).write();
}

// Flushes the score; a score that did not reach its destination is reported and the
// process ends with status 2, so that no caller takes a lost score for a finished one.
void flush_or_exit() {
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        std::fprintf(stderr, "Error: the score could not be written to standard output.\n");
        std::exit(2);
    }
}

}  // namespace

// Closes the score; exits with status 1 when errors were counted since start1.
void fine() {
    const double settings[12] = {1,      0,      0.01,    outswt, cascfac, avfact,
                                 asfact, affact, parafac, srcsw,  fss,     ass};
    const Fixed formats[9] = {{3, 0}, {6, 4}, {6, 4}, {6, 6}, {6, 6},
                              {6, 6}, {3, 0}, {6, 1}, {6, 1}};
    write_event(settings, 12, "i 1 0 0.01 ", 3, formats, "\n");
    timepoints[20] = timepoints[3] - 0.01;  // instrument 80 lasts until the F1 track ends
    const double end[3] = {80, 0.01, timepoints[20]};
    const Fixed endFormat[1] = {{7, 3}};
    write_event(end, 3, "i 80 .01 ", 2, endFormat, " \n");

    std::printf(";   i 10    i 11    i 12    i 13    i 14 ");
    std::printf("   i 15    i 16    i 17    i 18    i 19\n");
    std::printf(";  paraflt   F1      F2      F3     F4_8 ");
    std::printf("    AS      AF     NasPZ  TralPZ  DltaF1\n");
    write_timelines(2, 11);
    std::printf(";   i 20    i 21    i 22    i 23    i 24    i 25");
    std::printf("    i 26    i 27\n");
    std::printf(";    AV      F0    OQuot   Flutt   Diplo    Tilt ");
    std::printf("     DV      FV    [syn]\n");
    write_timelines(12, 20);

    if (nerrors > 0) {
        std::printf("THERE ARE %3d ERRORS IN THIS FILE.\n", nerrors);
        flush_or_exit();
        std::fprintf(stderr, "Number of errors: %3d. Details in .sco file.\n", nerrors);
        std::exit(1);
    }
    std::printf("e\n");
    flush_or_exit();
}
