// An example piece: a short sung phrase that uses every kind of segment builder, with rests,
// a tempo glide and voice glides. Writes its score to standard output.
#include "speechscore.h"

double beat = 1.0;
int TTO = 0;

namespace {

// Ring colours and consonant colours used below.
const int kO = 0, kA = 2, kAe = 4, kE = 5, kEi = 6, kI = 7, kU = 11, kNeutral = 13;
const int kV = 18, kS = 21, kZ = 22, kSh = 25;
const int kP = 27, kT = 29, kD = 30, kK = 31, kL = 34;

// Pitches in octave-point-decimal: C3 and the notes above it.
const double kC = 7.0, kD3 = 7.1667, kE3 = 7.3333, kF3 = 7.4167, kG = 7.5833;

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
    // "hello": h, a vowel, l with o.
    H(0.25, kE, 56, 0);
    VOW(0.5, kE, 60, kC, 0.5, 0.002, 0, 1000, 0.008, 1, 0, 0);
    lV(1, kL, kO, 52, 56, 60, kD3, 0, 0, 0.05, 0.08, 0.05, 0.2);
    Rest(0.5);

    // "see the zoo": voiceless and voiced fricatives.
    sV(1, kS, kI, 58, 50, 60, kE3, 40, 0, 0.1, 0.05, 0.05, 0.25);
    vS(0.75, kV, kA, 45, 52, 60, kD3, 40, 0, 0.08, 0.04, 0.04, 0.2);
    zV(1, kZ, kU, 54, kC, 0, 60, 0.1, 0.05, 0.05, 0.25);

    // A diphthong and a final fricative, under a slow pitch rise.
    glF0(2, 0.25);
    vV(1, kA, kEi, 60, 58, 60, kE3, kF3, 0, 0, 0.1, 0.05, 0.1, 0.3);
    Vs(1, kAe, kSh, 56, 60, 56, kE3, 0, 0, 0.05, 0.08, 0.08, 0.3);
    nrmGLF0();
    Rest(0.5);

    // Stop syllables while the tempo broadens and the voice fades a little.
    glMM(4, 72);
    glAV(4, -6);
    stop(dV, 1, kD, kA, kG);
    stop(tsV, 1, kT, kI, kF3);
    stop(tvV, 1, kK, kO, kE3);
    stop(tV, 1, kP, kU, kD3);
    normGL();

    // A closing vowel with the current voice quality, a breathy h and silence.
    VOWn(1.5, kNeutral, 58, kC, 0, 1);
    H(0.5, kNeutral, 50, 1);
    Rest(1);
    fine();
    return 0;
}
