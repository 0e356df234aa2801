// Eight "da" syllables that slow down half-way under a tempo glide; the third piece of
// docs/tutorial.md. Writes its score to standard output.
#include "speechscore.h"
#include "speechscore_colours.h"

double beat = 1.0;
int TTO = 0;

namespace {

using namespace speechscore::colours;

// One "da" syllable of `beats` at pitch f0: closure, burst, voiced release, vowel.
void da(double beats, double f0) {
    dV(beats, cD, vAA, 50, 54, 58, f0, 0, 0, 0.05, 0.02, 0.01, 0.04, 10, 0.03, 0.05, 0.2);
}

}  // namespace

int main() {
    const double f0 = speechscore::pitch::noteOct("D3");

    start1(0, 1, 1, 1, 1, 1, 0, 1, 1);
    startmn();
    metronome(150);  // 0.4 s per beat
    Rest(0.5);
    for (int i = 0; i < 4; ++i) da(1, f0);
    glMM(4, 75);  // over the next four beats the tempo falls from 150 to 75 per minute
    for (int i = 0; i < 4; ++i) da(1, f0);
    Rest(1);
    fine();
    return 0;
}
