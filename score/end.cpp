// Score end: the global-settings event, the end event, the time-line summary and either "e"
// or the error exit. Writes timepoints[20], the end event's duration.
#include <cstdio>
#include <cstdlib>

#include "speechscore.h"

namespace {

// Prints "; " and the time lines of slots first..last, each "%7.3f ".
void write_timelines(int first, int last) {
    std::printf("; ");
    for (int slot = first; slot <= last; ++slot) std::printf("%7.3f ", timepoints[slot]);
    std::printf("\n");
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
    std::printf("i 1 0 0.01 %3.0f %6.4f %6.4f %6.6f %6.6f %6.6f %3.0f %6.1f %6.1f\n", outswt,
                cascfac, avfact, asfact, affact, parafac, srcsw, fss, ass);
    timepoints[20] = timepoints[3] - 0.01;  // instrument 80 lasts until the F1 track ends
    std::printf("i 80 .01 %7.3f \n", timepoints[20]);

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
