// speechscore colour names: a named constant for every colour symbol (0..47), nasal and
// tracheal pointer (33..38) and delta-F1 symbol (0, 1), and pitch helpers for octave-point-decimal.
// Header only; the names are read off the colour tables, see docs/colours.md for the basis.
#ifndef SPEECHSCORE_COLOURS_H
#define SPEECHSCORE_COLOURS_H

#include <cmath>

namespace speechscore {

/// Colour symbols by name. Every name starts with a lower-case kind letter, so that none can
/// meet a macro or an exported name of the library (`H`, `DH`, `vV`, `TTO` ...):
///   v  a vowel row: the twelve ring colours 0..11 (named after the nearest vowel of
///      Peterson and Barney's 1952 table, in ARPAbet letters) and the fixed vowel rows;
///   c  a consonant row: fricatives, stops, nasal murmurs;
///   x  a schematic row: round formant values, every bandwidth 100 Hz, no parallel branch.
/// Bring them in with `using namespace speechscore::colours;`.
namespace colours {

// clang-format off

// Ring colours 0..11: the cascade generators map them through the TTO operation in force.
constexpr int vUH = 0;    ///< as in "hood"
constexpr int vAO = 1;    ///< as in "hawed"
constexpr int vAA = 2;    ///< as in "hod" (father)
constexpr int vA  = 3;    ///< open central a (between "hud" and "had")
constexpr int vAE = 4;    ///< as in "had"
constexpr int vEH = 5;    ///< as in "head"
constexpr int vIH = 6;    ///< as in "hid"
constexpr int vIY = 7;    ///< as in "heed"
constexpr int vUE = 8;    ///< close front with a low F3: a rounded i, like German "ü" (by ear unsure)
constexpr int vOE = 9;    ///< mid front with a low F3: like German "ö" (by ear unsure)
constexpr int vUX = 10;   ///< close central: a fronted u (by ear unsure)
constexpr int vUW = 11;   ///< as in "who'd"

// Fixed vowel rows: never moved by the TTO map.
constexpr int vCentre       = 12;  ///< the centre of the vowel ring, between "hid" and "head"
constexpr int vNeutral      = 13;  ///< uniform tube: 500, 1500, 2500 ... Hz; no parallel branch
constexpr int vNeutralShort = 14;  ///< uniform tube half as long: 1000, 3000, 5000 ... Hz
constexpr int vUXfixed      = 15;  ///< the formants of vUX, no parallel branch
constexpr int vOEfixed      = 16;  ///< the formants of vOE, no parallel branch

// Fricatives: odd rows voiceless (wide B1), even rows voiced (narrow B1).
constexpr int cF        = 17;  ///< f: noise through the bypass
constexpr int cV        = 18;  ///< v
constexpr int cTH       = 19;  ///< th as in "thin": bypass and a little of formant 6
constexpr int cDH       = 20;  ///< th as in "then"
constexpr int cS        = 21;  ///< s: noise through formant 6
constexpr int cZ        = 22;  ///< z
constexpr int cSHcasc   = 23;  ///< sh-like cascade formants with the vowels' parallel row
constexpr int cFric1650 = 24;  ///< a voiceless fricative row, F2 1650 Hz (which one: unsure)
constexpr int cSH       = 25;  ///< sh: noise through formants 3..6 (no fricative flag)
constexpr int cZH       = 26;  ///< zh as in "measure"

// Stops: odd rows voiceless, even rows voiced.
constexpr int cP = 27;  ///< p: burst through the bypass
constexpr int cB = 28;  ///< b
constexpr int cT = 29;  ///< t: burst through formants 3..6
constexpr int cD = 30;  ///< d
constexpr int cK = 31;  ///< k: burst through formants 2..5
constexpr int cG = 32;  ///< g

// Rows 33..38 double as nasal and tracheal pointers (see below).
constexpr int xNeutral33 = 33;  ///< 500, 1500, 2500 Hz with wider B2, B3; no parallel branch
constexpr int cM         = 34;  ///< m murmur: F1 480 Hz with a narrow B1
constexpr int cN         = 35;  ///< n murmur
constexpr int cNG        = 36;  ///< ng-like murmur: F2 and F3 close together (by ear unsure)
constexpr int xNeutral37 = 37;  ///< the same row as xNeutral33
constexpr int cN38       = 38;  ///< the cascade formants of cN (what it is meant for: unsure)

// Schematic rows, named by their F1 and F2 in Hz.
constexpr int x500_1500 = 39;  ///< 500, 1500, 2500 Hz: the neutral tube
constexpr int x250_1500 = 40;  ///< close central
constexpr int x750_1250 = 41;  ///< open back-central
constexpr int x500_1750 = 42;  ///< mid front-central
constexpr int x250_1750 = 43;  ///< close front-central
constexpr int x500_750  = 44;  ///< mid back
constexpr int x250_2000 = 45;  ///< close front, F3 3000 Hz
constexpr int x125_2000 = 46;  ///< very close front (F1 125 Hz), F3 3000 Hz
constexpr int x250_750  = 47;  ///< close back, F3 2000 Hz

// Nasal pointers for genNAS (33..38 accepted). A pointer stays in force: every later rest of
// the nasal track, and so every later segment builder, repeats it until another is written.
constexpr int nasOff   = 33;  ///< pole = zero: the pair cancels itself (the start value)
constexpr int nasM     = 34;  ///< pole 270 Hz, zero 450 Hz
constexpr int nasN     = 35;  ///< the same pair as nasM
constexpr int nasOff36 = 36;  ///< pole = zero (271 Hz): cancels itself like nasOff

// Tracheal pointers for genTRC (37, 38 accepted); they stay in force the same way.
constexpr int trachOff = 37;  ///< pole = zero: the pair cancels itself (the start value)
constexpr int trachOn  = 38;  ///< pole 2150 Hz, zero 2050 Hz

// Delta-F1 symbols for genDF1. Both rows hold zeros: neither changes F1.
constexpr int df1Row0 = 0;  ///< the start value
constexpr int df1Row1 = 1;  ///< the second row (also zeros)

// clang-format on

/// A name and its value, for front ends that read names from a script.
struct Named {
    const char* name;  ///< the name as written in code and scripts
    int value;         ///< the colour symbol, pointer or delta-F1 symbol it stands for
};

/// Every colour name above, in the order of the symbols (0..47, one name each).
inline constexpr Named kColourNames[] = {
    {"vUH", vUH},
    {"vAO", vAO},
    {"vAA", vAA},
    {"vA", vA},
    {"vAE", vAE},
    {"vEH", vEH},
    {"vIH", vIH},
    {"vIY", vIY},
    {"vUE", vUE},
    {"vOE", vOE},
    {"vUX", vUX},
    {"vUW", vUW},
    {"vCentre", vCentre},
    {"vNeutral", vNeutral},
    {"vNeutralShort", vNeutralShort},
    {"vUXfixed", vUXfixed},
    {"vOEfixed", vOEfixed},
    {"cF", cF},
    {"cV", cV},
    {"cTH", cTH},
    {"cDH", cDH},
    {"cS", cS},
    {"cZ", cZ},
    {"cSHcasc", cSHcasc},
    {"cFric1650", cFric1650},
    {"cSH", cSH},
    {"cZH", cZH},
    {"cP", cP},
    {"cB", cB},
    {"cT", cT},
    {"cD", cD},
    {"cK", cK},
    {"cG", cG},
    {"xNeutral33", xNeutral33},
    {"cM", cM},
    {"cN", cN},
    {"cNG", cNG},
    {"xNeutral37", xNeutral37},
    {"cN38", cN38},
    {"x500_1500", x500_1500},
    {"x250_1500", x250_1500},
    {"x750_1250", x750_1250},
    {"x500_1750", x500_1750},
    {"x250_1750", x250_1750},
    {"x500_750", x500_750},
    {"x250_2000", x250_2000},
    {"x125_2000", x125_2000},
    {"x250_750", x250_750},
};

/// The pointer and symbol names: nasal, tracheal, delta F1.
inline constexpr Named kPointerNames[] = {
    {"nasOff", nasOff},     {"nasM", nasM},       {"nasN", nasN},       {"nasOff36", nasOff36},
    {"trachOff", trachOff}, {"trachOn", trachOn}, {"df1Row0", df1Row0}, {"df1Row1", df1Row1},
};

}  // namespace colours

/// Pitch on the orchestra's scale, octave-point-decimal: the integer part is the octave, the
/// fraction twelfths of it in semitones (8.00 = middle C = 261.6 Hz, 7.00 = 130.8 Hz,
/// 8.75 = 440 Hz). Octave numbers in note names are scientific: C4 is middle C.
namespace pitch {

// clang-format off
// Semitones above C, for noteOct; "s" is sharp, "b" flat.
constexpr int C  = 0;   ///< C
constexpr int Cs = 1;   ///< C sharp
constexpr int Db = 1;   ///< D flat
constexpr int D  = 2;   ///< D
constexpr int Ds = 3;   ///< D sharp
constexpr int Eb = 3;   ///< E flat
constexpr int E  = 4;   ///< E
constexpr int F  = 5;   ///< F
constexpr int Fs = 6;   ///< F sharp
constexpr int Gb = 6;   ///< G flat
constexpr int G  = 7;   ///< G
constexpr int Gs = 8;   ///< G sharp
constexpr int Ab = 8;   ///< A flat
constexpr int A  = 9;   ///< A
constexpr int As = 10;  ///< A sharp
constexpr int Bb = 10;  ///< B flat
constexpr int B  = 11;  ///< B
// clang-format on

/// Octave-point-decimal of a note: semitone above C (0..11, or beyond to cross octaves) in
/// the scientific octave (4 = middle C). noteOct(C, 3) = 7.00, noteOct(A, 4) = 8.75.
/// @param semitone semitones above C (C, Cs ... B above)
/// @param octave   scientific octave number, 4 for the octave of middle C
/// @return the pitch in octave-point-decimal: octave + 4 + semitone / 12
constexpr double noteOct(int semitone, int octave) {
    return static_cast<double>(octave + 4) + static_cast<double>(semitone) / 12.0;
}

/// Octave-point-decimal of a note name: a letter A..G (either case), then any number of '#'
/// or 'b', then the octave (digits, optionally '-'): "C3" = 7.00, "F#4", "Bb2". Any other text
/// gives 0, which the F0 generator reports as a pitch out of range.
/// @param name the note name, a C string
/// @return the pitch in octave-point-decimal, or 0 for a text that is no note name
constexpr double noteOct(const char* name) {
    constexpr int kLetters[7] = {A, B, C, D, E, F, G};
    if (name == nullptr) return 0.0;
    const char letter = name[0];
    int semitone = 0;
    if (letter >= 'A' && letter <= 'G') {
        semitone = kLetters[letter - 'A'];
    } else if (letter >= 'a' && letter <= 'g') {
        semitone = kLetters[letter - 'a'];
    } else {
        return 0.0;
    }
    int i = 1;
    for (; name[i] == '#' || name[i] == 'b'; ++i) semitone += name[i] == '#' ? 1 : -1;
    bool negative = false;
    if (name[i] == '-') {
        negative = true;
        ++i;
    }
    if (name[i] < '0' || name[i] > '9') return 0.0;
    int octave = 0;
    for (; name[i] >= '0' && name[i] <= '9'; ++i) {
        if (octave > 100) return 0.0;
        octave = octave * 10 + (name[i] - '0');
    }
    if (name[i] != '\0') return 0.0;
    return noteOct(semitone, negative ? -octave : octave);
}

/// Octave-point-decimal of a frequency in Hz: 8.75 + log2(hz / 440). A frequency that is not
/// a positive finite number gives 0, which the F0 generator reports as a pitch out of range.
/// @param hz frequency in Hz, > 0
/// @return the pitch in octave-point-decimal (130.8 Hz gives 7.00, 440 Hz 8.75)
inline double hzToOct(double hz) {
    if (!(hz > 0.0) || !std::isfinite(hz)) return 0.0;
    return 8.75 + std::log2(hz / 440.0);
}

/// Frequency in Hz of an octave-point-decimal pitch: 440 × 2^(oct − 8.75).
/// @param oct pitch in octave-point-decimal
/// @return the frequency in Hz (7.00 gives 130.8 Hz, 8.75 gives 440 Hz)
inline double octToHz(double oct) { return 440.0 * std::exp2(oct - 8.75); }

}  // namespace pitch

}  // namespace speechscore

#endif  // SPEECHSCORE_COLOURS_H
