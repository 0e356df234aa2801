// The benchmarks' piece: one phrase of every kind of segment, repeated until the F1 track
// reaches the length asked for, between start-up and the end of the score.
#ifndef SPEECHSCORE_BENCH_PIECE_H
#define SPEECHSCORE_BENCH_PIECE_H

#include "speechscore.h"

// One phrase of every kind of segment: 18 beats, 9 s at 120 beats per minute.
inline void phrase() {
    Rest(0.5);
    VOW(1, 2, 60, 7.0, 0.5, 0.002, 0, 1000, 0.008, 1, 0, 1);
    vV(2, 2, 6, 60, 58, 60, 7.0, 7.2, 0, 0, 0.05, 0.1, 0.1, 0.2);
    sV(2, 21, 7, 58, 50, 60, 7.1, 40, 0, 0.1, 0.05, 0.05, 0.2);
    zV(2, 30, 9, 55, 7.0, 0, 60, 0.1, 0.05, 0.05, 0.2);
    dV(2, 30, 2, 50, 54, 60, 7.0, 52, 0, 0.05, 0.02, 0.01, 0.04, 10, 0.03, 0.05, 0.2);
    tV(2, 27, 7, 50, 54, 60, 7.0, 52, 0, 0.05, 0.02, 0.01, 0.04, 10, 0.03, 0.05, 0.2);
    Vs(2, 0, 25, 55, 60, 55, 6.9, 0, 0, 0.05, 0.05, 0.1, 0.2);
    H(1, 4, 56, 0);
    VOWn(1, 5, 60, 7.3, 0, 1);
    lV(2, 34, 3, 52, 56, 60, 7.0, 0, 0, 0.05, 0.1, 0.05, 0.2);
    Rest(0.5);
}

// A whole score of at least the given length, in whole phrases at the given tempo.
inline void piece(double seconds, double mark) {
    start1(0, 1, 1, 1, 1, 1, 0, 1, 1);
    startmn();
    metronome(mark);
    while (timepoints[3] < seconds) phrase();
    fine();
}

#endif
