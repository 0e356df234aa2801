// A short score for the plot tests: nasal and tracheal pole-zero pairs, a tempo glide, a
// metronome fallback and one error of each kind the score can mark. Writes its score to
// standard output and, since errors were counted, ends with status 1.
#include "speechscore.h"

double beat = 1.0;
int TTO = 0;

int main() {
    start1(13, 1, 1, 1, 1, 1, 0, 1, 1);  // E1 at 0 s: output switch out of range
    startmn();
    metronome(120);  // 0.5 s per beat, printed nowhere
    Rest(1);         // 0.0 .. 0.5
    onaspt = 34;     // a nasal pair that does not cancel, replayed by the builders' rests
    VOW(2, 2, 60, 7.0, 0.5, 0.002, 0, 1000, 0.008, 1, 0, 0);  // 0.5 .. 1.5
    onaspt = 33;
    otrcpt = 38;  // a tracheal pair that does not cancel
    VOW(1, 5, 58, 7.5, 0.5, 0.002, 0, 1000, 0.008, 1, 0, 0);  // 1.5 .. 2.0
    otrcpt = 37;
    VOW(1, 7, 58, 12.5, 0.5, 0.002, 0, 1000, 0.008, 1, 0, 0);  // 2.0 .. 2.5, E2: pitch
    glMM(2, 0);   // E3: bad mark, counted, no glide
    glMM(2, 60);  // 0.5 -> 1.0 s per beat over two beats
    VOW(1, 4, 56, 7.25, 0.5, 0.002, 0, 1000, 0.008, 1, 0, 0);  // 2.5 .. 3.25 (beat 0.75)
    VOW(1, 4, 56, 7.25, 0.5, 0.002, 0, 1000, 0.008, 1, 0, 0);  // 3.25 .. 4.25 (beat 1)
    Casc(0.5, 50);  // E4: colour symbol, at 4.25 s
    metronome(-1);  // fallback to 1 s per beat, at 4.25 s (comment only)
    Rest(1);        // 4.25 .. 5.25
    fine();
    return 0;
}
