/**
 * @file speechscore_words.h
 * @brief speechscore words: say a phrase in English text, ARPAbet or IPA phones.
 *
 * A layer above the library: it turns a phrase into phones (text through espeak-ng's
 * grapheme-to-phoneme rules, GPL-3.0-or-later), gives every phone a duration by rule, a pitch
 * contour, formant transitions, bursts, frication and murmurs, and writes the phrase track by
 * track with the library's own generators (`frqF1`, `genAV`, `frqPara`, ...), in beats under the
 * metronome like every other statement. The same phrase can be returned as the list of library
 * calls it makes, one call per entry, so that a call script of plain calls writes the same bytes.
 */
#ifndef SPEECHSCORE_WORDS_H
#define SPEECHSCORE_WORDS_H

#include <string>
#include <vector>

namespace speechscore {
namespace words {

/// How the phrase is written.
enum class Input {
    Text,     ///< text in the language of `Options::lang` ("see my zoo")
    Arpabet,  ///< ARPAbet phones with stress digits, `|` between words ("S IY1 | M AY1")
    Ipa,      ///< IPA phones, spaces between words, ˈ and ˌ for stress ("siː maɪ zuː")
};

/// One point of a pitch contour.
struct PitchPoint {
    double at;         ///< beats from the start of the phrase, or a syllable index from 0
    bool perSyllable;  ///< true: `at` counts syllables (the point sits in the vowel's middle)
    double hz;         ///< pitch in Hz
};

/// How to say it. The defaults: American English, a natural rate and a falling statement tune.
struct Options {
    std::string lang = "en-us";     ///< espeak-ng voice name for text ("fr", "de", "es" ...)
    double beats = 0;               ///< > 0: fit the phrase into this many beats
    std::vector<PitchPoint> pitch;  ///< a contour instead of the natural one (at least one point)
};

/// One library call: the operation's name and its arguments in order.
struct Call {
    std::string op;
    std::vector<double> args;
};

/// A labelled stretch of the score, in seconds.
struct Label {
    double start;
    double end;
    std::string text;
};

/// The words and phones of the phrases said so far, with the score's event times.
struct Labels {
    std::vector<Label> words;
    std::vector<Label> phones;
};

/// Why a phrase could not be said: the message and the byte offset in the phrase it points at.
struct Problem {
    std::string message;
    std::size_t offset = 0;
};

/**
 * Says a phrase: plans it and writes it with the library's generators at the current time
 * lines (every track moves on by the phrase's span). Nothing is written when the phrase cannot
 * be said (an unknown phone, word or language, a bad option): then @p problem says why.
 * @param phrase  the phrase, written as @p input says
 * @param input   how the phrase is written
 * @param options language, length in beats, pitch contour
 * @param problem set when the phrase cannot be said
 * @param calls   when given, the library calls made are appended to it
 * @param labels  when given, the phrase's words and phones are appended to it
 * @return true when the phrase was written
 */
bool say(const std::string& phrase, Input input, const Options& options, Problem& problem,
         std::vector<Call>* calls = nullptr, Labels* labels = nullptr);

/**
 * Says English text with the default options; a phrase that cannot be said is reported on
 * standard error ("say: ...") and writes nothing.
 * @param text English text
 * @return true when the phrase was written
 */
bool say(const std::string& text);

/**
 * Whether text can be said in a language: espeak-ng has a voice of that name ("fr", "de").
 * @param lang the name `Options::lang` would take
 * @return true when espeak-ng starts and has the voice
 */
bool knows_language(const std::string& lang);

/**
 * A call as a call-script line: the name and the arguments, numbers printed so that they read
 * back to the same double ("frqF1 0.050000000000000003 310 45").
 * @param call the call
 * @return the line, without its line end
 */
std::string script_line(const Call& call);

/**
 * Makes one call of the library by name, as `say` makes it.
 * @param call the call
 * @return false when the name is no call the layer makes
 */
bool execute(const Call& call);

/**
 * Writes a Praat TextGrid (long text format) with a word tier and a phone tier, from 0 to
 * @p end seconds; the gaps between labels are empty intervals.
 * @param labels the labels
 * @param end    end of the grid, seconds (at least the last label's end)
 * @return the TextGrid text
 */
std::string text_grid(const Labels& labels, double end);

}  // namespace words
}  // namespace speechscore

#endif  // SPEECHSCORE_WORDS_H
