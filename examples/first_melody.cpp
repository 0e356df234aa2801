// Four sung notes on one vowel with a crescendo; the second piece of docs/tutorial.md. Writes
// its score to standard output.
#include "speechscore.h"
#include "speechscore_colours.h"

double beat = 1.0;
int TTO = 0;

int main() {
    using namespace speechscore::colours;
    using speechscore::pitch::noteOct;

    start1(0, 1, 1, 1, 1, 1, 0, 1, 1);
    startmn();
    metronome(80);  // 0.75 s per beat
    setFL(0.01);    // a little flutter: a livelier sung tone
    Rest(0.5);

    glAV(4, 8);  // crescendo: the voicing level rises by 8 dB over the four notes
    VOWn(1, vAA, 48, noteOct("C3"), 0, 0);  // switch 0: the note starts at its level
    VOWn(1, vAA, 48, noteOct("E3"), 0, 1);  // switch 1: the level glides on from the last note
    VOWn(1, vAA, 48, noteOct("G3"), 0, 1);
    VOWn(1, vAA, 48, noteOct("C4"), 0, 1);
    nrmGLAV();
    Rest(1);
    fine();
    return 0;
}
