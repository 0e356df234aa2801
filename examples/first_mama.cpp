// "mama": a spoken word with two nasal murmurs under a falling pitch; the first piece of
// docs/tutorial.md. Writes its score to standard output.
#include "speechscore.h"
#include "speechscore_colours.h"

double beat = 1.0;
int TTO = 0;

namespace {

using namespace speechscore::colours;
using speechscore::pitch::noteOct;

const double kRelease = 0.02;  // seconds of the murmur's end with the nasal pair switched off

// One nasal murmur on all eighteen tracks: the cascade of the murmur colour, the voice, no
// noise, and the nasal pole-zero pair of pointer. A nasal pointer stays in force for every later
// segment, so the last kRelease seconds switch the pair off again: the next vowel is oral.
void murmur(double beats, int colour, int pointer, double av, double f0) {
    doGLMM(beats);
    tsec = beats * beat;
    Casc(tsec, colour);
    doGLVSrc(beats);
    aV(tsec, av, f0);
    doGLAS(beats);
    aS(tsec, 0);
    doGLAF(beats);
    restAFPar(tsec);
    genNAS(tsec - kRelease, pointer);
    genNAS(kRelease, nasOff);
    restTrc(tsec);
    restDf1(tsec);
}

}  // namespace

int main() {
    start1(0, 1, 1, 1, 1, 1, 0, 1, 1);
    startmn();
    metronome(120);  // 0.5 s per beat

    const double f0 = noteOct("C3");  // 7.00 = 130.8 Hz, a man's speaking pitch
    Rest(0.5);
    glF0(1.75, -0.4);  // the pitch falls 0.4 octave over the word's 1.75 beats
    murmur(0.25, cM, nasM, 52, f0);
    VOWn(0.5, vAA, 60, f0, 0, 0);
    murmur(0.25, cM, nasM, 52, f0);
    VOWn(0.75, vAA, 56, f0, 0, 0);
    nrmGLF0();
    Rest(0.5);
    fine();
    return 0;
}
