// An example piece: a short sung phrase that uses every kind of segment builder, with rests,
// a tempo glide and voice glides. Writes its score to standard output.
#include "speechscore.h"
#include "speechscore_colours.h"

double beat = 1.0;
int TTO = 0;

namespace {

using namespace speechscore::colours;
using speechscore::pitch::noteOct;

// Pitches in octave-point-decimal: C3 and the notes above it.
constexpr double kC3 = noteOct("C3"), kD3 = noteOct("D3"), kE3 = noteOct("E3"), kF3 = noteOct("F3"),
                 kG3 = noteOct("G3");

// Phase durations in seconds: stops, fricatives, liquids, vowel transitions, final fricative.
void stop(void (*builder)(double, int, int, double, double, double, double, double, double, double,
                          double, double, double, double, double, double, double),
          double beats, int consonant, int vowel, double f0) {
    builder(beats, consonant, vowel, 50, 54, 60, f0, 52, 0, 0.05, 0.02, 0.01, 0.04, 10, 0.03, 0.05,
            0.2);
}

}  // namespace

int main() {
    start1(0, 1, 1, 1, 1, 1, 0, 1, 1);
    startmn();
    metronome(96);
    setVOIC(0.5, 0.002, 0, 1000, 0.008, 1);

    Rest(0.5);
    // "hello": h, a vowel, then l into the vowel of "hood". The tables hold no l; the m murmur
    // (a low F1 with a narrow bandwidth, without its nasal pair) stands in for it.
    H(0.25, vEH, 56, 0);
    VOW(0.5, vEH, 60, kC3, 0.5, 0.002, 0, 1000, 0.008, 1, 0, 0);
    lV(1, cM, vUH, 52, 56, 60, kD3, 0, 0, 0.05, 0.08, 0.05, 0.2);
    Rest(0.5);

    // "see the zoo": voiceless and voiced fricatives.
    sV(1, cS, vIY, 58, 50, 60, kE3, 40, 0, 0.1, 0.05, 0.05, 0.25);
    vS(0.75, cV, vAA, 45, 52, 60, kD3, 40, 0, 0.08, 0.04, 0.04, 0.2);
    zV(1, cZ, vUW, 54, kC3, 0, 60, 0.1, 0.05, 0.05, 0.25);

    // A diphthong and a final fricative, under a slow pitch rise.
    glF0(2, 0.25);
    vV(1, vAA, vIH, 60, 58, 60, kE3, kF3, 0, 0, 0.1, 0.05, 0.1, 0.3);
    Vs(1, vAE, cSH, 56, 60, 56, kE3, 0, 0, 0.05, 0.08, 0.08, 0.3);
    nrmGLF0();
    Rest(0.5);

    // Stop syllables while the tempo broadens and the voice fades a little.
    glMM(4, 72);
    glAV(4, -6);
    stop(dV, 1, cD, vAA, kG3);
    stop(tsV, 1, cT, vIY, kF3);
    stop(tvV, 1, cK, vUH, kE3);
    stop(tV, 1, cP, vUW, kD3);
    normGL();

    // A closing vowel with the current voice quality, a breathy h and silence.
    VOWn(1.5, vNeutral, 58, kC3, 0, 1);
    H(0.5, vNeutral, 50, 1);
    Rest(1);
    fine();
    return 0;
}
