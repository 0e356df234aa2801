/**
 * @file speechscore_sing.h
 * @brief speechscore sing: lyrics sung on notes, voices and vibrato.
 *
 * A layer above the words layer: a line of syllables is put on notes so that every syllable's
 * vowel starts on its note's time (its onset consonants come before the beat, its coda
 * consonants end the note), a syllable may be held over several notes (a melisma), and the
 * pitch of every note is exact, with a short portamento between notes and a vibrato on
 * sustained notes. The phones, their transitions and their tracks are the words layer's; the
 * calls are the library's own, in beats under the metronome.
 */
#ifndef SPEECHSCORE_SING_H
#define SPEECHSCORE_SING_H

#include <string>
#include <vector>

#include "speechscore_words.h"

namespace speechscore {
namespace sing {

/// A voice: a named set of library settings.
struct Voice {
    const char* name;
    double fss;     ///< formant frequency scale of `start1`
    double ass;     ///< bandwidth scale of `start1`
    double lowHz;   ///< lowest note of its range
    double highHz;  ///< highest note of its range
    double oq;      ///< open quotient
    double tl;      ///< spectral tilt (TL of the voice source)
    double breath;  ///< dB added to the aspiration of voiced sounds
    int trach;      ///< tracheal pointer: 37 none, 38 the tracheal pole-zero pair
    int df1;        ///< delta-F1 symbol: 0 none, 1 the glottal-opening F1 rise
};

/// The presets: bass, tenor, alto, soprano, child, breathy.
const std::vector<Voice>& voices();
/// A preset by name, or nullptr.
const Voice* find_voice(const std::string& name);
/// The preset whose range holds the notes from lowHz to highHz best (breathy is never chosen).
const Voice& voice_for_range(double lowHz, double highHz);

/// Vibrato of sustained notes: a sine on F0 that fades in after a delay.
struct Vibrato {
    bool on = true;
    double rate = 5.5;     ///< Hz
    double extent = 50;    ///< cents either side of the note
    double delay = 0.2;    ///< s after the note's start
    double minNote = 0.4;  ///< s: shorter notes are sung without vibrato
};

/// One syllable of the lyric. An empty text on a note holds the syllable before (a melisma).
struct Syllable {
    std::string text;
    bool wordEnd = true;  ///< the last syllable of its word
};

/// One note or rest, in beats.
struct Note {
    double beats = 1;
    double hz = 0;          ///< 0: a rest
    int syllable = -1;      ///< index of the syllable it starts; -1: holds the one before
    double level = 0;       ///< dB added to the voicing at the note's start (dynamics)
    double levelEnd = 0;    ///< dB added at its end (a hairpin glides from level to levelEnd)
    double mark = 0;        ///< > 0: the metronome mark from the note's start on
    double glideBeats = 0;  ///< > 0: a tempo glide (glMM) starts at the note, this many beats
    double glideMark = 0;   ///< the mark the glide reaches
};

/// A sung line.
struct Line {
    std::vector<Syllable> syllables;
    std::vector<Note> notes;
};

/// How to sing it.
struct Options {
    std::string lang = "en-us";
    const Voice* voice = nullptr;  ///< nullptr: the words layer's speaking voice settings
    Vibrato vibrato;
};

/// Why a line could not be sung: the message and the syllable (or -1) or note it concerns.
struct Problem {
    std::string message;
    int syllable = -1;
    int note = -1;
};

/**
 * Sings a line at the current time lines: writes it with the library's generators (every track
 * moves on by the line's span). Nothing is written when the line cannot be sung.
 * @param line    syllables and notes
 * @param options language, voice, vibrato
 * @param problem set when the line cannot be sung
 * @param calls   when given, the library calls made are appended to it
 * @param labels  when given, the sung syllables and phones are appended to it
 * @return true when the line was written
 */
bool sing(const Line& line, const Options& options, Problem& problem,
          std::vector<words::Call>* calls = nullptr, words::Labels* labels = nullptr);

/// A note name (C4, F#3, Bb5, a rest r) as Hz; false when it is none.
bool note_hz(const std::string& name, double& hz);

}  // namespace sing
}  // namespace speechscore

#endif  // SPEECHSCORE_SING_H
