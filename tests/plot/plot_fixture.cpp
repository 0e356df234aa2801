// Scores for the plot tests, written to standard output. Without arguments: nasal and tracheal
// pole-zero pairs, a tempo glide, a metronome fallback and one error of each kind the score can
// mark (ends with status 1). With "tempo": glides that end on their first step and a tempo
// change that the score does not show.
#include "speechscore.h"

double beat = 1.0;
int TTO = 0;

namespace {

void vowel(double beats, int color, double f0) {
    VOW(beats, color, 58, f0, 0.5, 0.002, 0, 1000, 0.008, 1, 0, 0);
}

void errors_and_pairs() {
    start1(13, 1, 1, 1, 1, 1, 0, 1, 1);  // E1 at 0 s: output switch out of range
    startmn();
    metronome(120);    // 0.5 s per beat, printed nowhere
    Rest(1);           // 0.0 .. 0.5
    onaspt = 34;       // a nasal pair that does not cancel, replayed by the builders' rests
    vowel(2, 2, 7.0);  // 0.5 .. 1.5
    onaspt = 33;
    otrcpt = 38;       // a tracheal pair that does not cancel
    vowel(1, 5, 7.5);  // 1.5 .. 2.0
    otrcpt = 37;
    vowel(1, 7, 12.5);  // 2.0 .. 2.5, E2: pitch
    glMM(2, 0);         // E3: bad mark, counted, no glide
    glMM(2, 60);        // 0.5 -> 1.0 s per beat over two beats
    vowel(1, 4, 7.25);  // 2.5 .. 3.25 (beat 0.75)
    vowel(1, 4, 7.25);  // 3.25 .. 4.25 (beat 1)
    Casc(0.5, 50);      // E4 to E7: colour symbol, at 4.25 s
    metronome(-1);      // W1: fallback to 1 s per beat, at 4.25 s (comment only)
    Rest(1);            // 4.25 .. 5.25
}

void hidden_tempo() {
    start1(0, 1, 1, 1, 1, 1, 0, 1, 1);
    startmn();
    metronome(120);
    Rest(1);            // 0.0 .. 0.5
    glMM(1, 60);        // ends on the first step, which prints nothing
    vowel(2, 2, 7.0);   // 0.5 .. 2.5 at 1 s per beat
    metronome(240);     // printed nowhere
    Rest(2);            // 2.5 .. 3.0 at 0.25 s per beat
    glMM(1, 120);       // starts from 0.25 s per beat, not the 1 s the score showed last
    vowel(1, 4, 7.25);  // 3.0 .. 3.5
    Rest(1);            // 3.5 .. 4.0
}

}  // namespace

int main(int argc, char**) {
    if (argc > 1) {  // "tempo"
        hidden_tempo();
    } else {
        errors_and_pairs();
    }
    fine();
    return 0;
}
