// Private to words/: the phone inventory (one row per phone, phones.cpp) and the phrase the
// layer plans: phones with stress, word and syllable positions and durations.
#ifndef SPEECHSCORE_WORDS_PHONES_H
#define SPEECHSCORE_WORDS_PHONES_H

#include <cstddef>
#include <string>
#include <vector>

namespace words {

enum class Class { Vowel, Stop, Affricate, Fricative, Aspirate, Nasal, Liquid, Glide, Pause };
enum class Place { None, Labial, Labiodental, Dental, Alveolar, Postalveolar, Velar, Glottal };

// One phone: targets, source levels, frication spectrum, nasal zero, durations, release.
struct Phone {
    const char* name;  // ARPAbet
    const char* ipa;
    Class cls;
    Place place;
    bool voiced;
    double f1, f2, f3, b1, b2, b3;  // Hz: target, or locus of an obstruent; onset of a diphthong
    double f1b, f2b, f3b;           // Hz: offset target of a diphthong, 0 for a steady phone
    double av, af, as;              // dB: voicing, frication, aspiration
    double a2, a3, a4, a5, a6, ab;  // dB: parallel formants 2..6 and bypass on the frication
    double peak;                    // Hz: frication peak, placed on the formant it excites
    double zero, zeroBw;            // Hz: nasal antiformant
    double inh, min;                // ms: inherent and minimum duration
    double burst, vot;              // ms: release burst, voice onset time after the release
    const char* source;
};

const std::vector<Phone>& inventory();
const Phone* find_phone(const std::string& name);  // by ARPAbet name, case ignored
const Phone* pause_phone();

bool is_vowel(const Phone& p);
bool is_sonorant(const Phone& p);  // vowels, nasals, liquids, glides

// One phone of a phrase, as planned.
struct Seg {
    const Phone* ph;
    int stress = 0;    // 0 unstressed, 1 primary, 2 secondary (of its syllable)
    int word = -1;     // index of its word, -1 for a pause
    int syllable = 0;  // syllable index within the phrase
    bool wordStart = false, wordEnd = false;
    bool finalSyllable = false;  // in the last syllable before a pause
    bool wordFinalSyllable = false;
    bool polysyllabic = false;  // its word has more than one syllable
    std::size_t offset = 0;     // byte offset in the phrase text, for messages
    double dur = 0;             // seconds, natural rate
    double start = 0;           // seconds from the phrase start, natural rate
};

struct Word {
    std::string text;
    bool joined = false;  // labelled together with the word before it (one written word)
};

struct Phrase {
    std::vector<Seg> segs;
    std::vector<Word> words;
};

// Gives every phone its syllable, word-position flags and rule duration; pauses their length.
void time_phrase(Phrase& phrase);

// The share of an affricate's segment that is its frication (the rest is its closure).
double frication_share(const Phone& p);

// Segment i is a voiceless stop released into a sonorant with its aspiration (not after /s/).
bool aspirated_release(const Phrase& ph, std::size_t i);

}  // namespace words

#endif  // SPEECHSCORE_WORDS_PHONES_H
