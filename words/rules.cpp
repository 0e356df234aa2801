// Durations by Klatt's (1979) rules as Allen, Hunnicutt & Klatt (1987, Table 9-1) give them:
// each rule multiplies a percentage, and DUR = (INHDUR - MINDUR) x PRCNT / 100 + MINDUR.
#include <cstring>

#include "phones.h"

namespace words {
namespace {

bool syllabic(const Phone& p) {
    return is_vowel(p) || std::strcmp(p.name, "EM") == 0 || std::strcmp(p.name, "EN") == 0 ||
           std::strcmp(p.name, "EL") == 0;
}

bool voiced_plosive(const Phone& p) { return p.cls == Class::Stop && p.voiced; }
bool voiceless_plosive(const Phone& p) {
    return (p.cls == Class::Stop || p.cls == Class::Affricate) && !p.voiced;
}

// Segment i is a stop aspirated into a stressed sonorant.
bool aspirated(const Phrase& ph, std::size_t i) {
    return aspirated_release(ph, i) && ph.segs[i + 1].stress == 1;
}

// Marks syllables: a nucleus opens one; of the consonants between two nuclei of a word the
// last goes with the next syllable (a single consonant is an onset), the others close the
// earlier one.
void mark_syllables(Phrase& ph) {
    std::vector<Seg>& s = ph.segs;
    int syllable = -1;
    int nucleusStress = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i].ph->cls == Class::Pause) {
            s[i].syllable = syllable;
            continue;
        }
        if (syllabic(*s[i].ph)) {
            // The onset starts after the coda consonants of the syllable before.
            std::size_t first = i;
            while (first > 0 && s[first - 1].word == s[i].word && !syllabic(*s[first - 1].ph))
                --first;
            const bool wordInitial = first == 0 || s[first - 1].word != s[i].word;
            const std::size_t onset = wordInitial ? first : (i - first > 1 ? i - 1 : first);
            ++syllable;
            nucleusStress = s[i].stress;
            for (std::size_t k = onset; k <= i; ++k) {
                s[k].syllable = syllable;
                s[k].stress = nucleusStress;
            }
        } else {
            s[i].syllable = syllable < 0 ? 0 : syllable;
            s[i].stress = syllable < 0 ? 0 : nucleusStress;
        }
    }
    // A consonant before the first nucleus of the phrase belongs to syllable 0.
    for (Seg& g : s) {
        if (g.syllable < 0) g.syllable = 0;
    }
}

// Word position flags: word start and end, word-final syllable, polysyllabic words, the last
// syllable before a pause or the phrase end.
void mark_positions(Phrase& ph) {
    std::vector<Seg>& s = ph.segs;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i].word < 0) continue;
        s[i].wordStart = i == 0 || s[i - 1].word != s[i].word;
        s[i].wordEnd = i + 1 == s.size() || s[i + 1].word != s[i].word;
    }
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i].word < 0) continue;
        int lastSyllable = s[i].syllable;
        int firstSyllable = s[i].syllable;
        bool beforePause = true;
        for (std::size_t k = i; k < s.size() && s[k].word == s[i].word; ++k)
            lastSyllable = s[k].syllable;
        for (std::size_t k = i; k > 0 && s[k - 1].word == s[i].word; --k)
            firstSyllable = s[k - 1].syllable;
        std::size_t k = i;
        while (k < s.size() && s[k].word >= 0 && s[k].syllable == s[i].syllable) ++k;
        // Phrase-final: no later syllable before a pause or the end.
        for (std::size_t j = k; j < s.size() && s[j].ph->cls != Class::Pause; ++j) {
            if (syllabic(*s[j].ph)) beforePause = false;
        }
        s[i].wordFinalSyllable = s[i].syllable == lastSyllable;
        s[i].polysyllabic = lastSyllable != firstSyllable;
        s[i].finalSyllable = beforePause;
    }
}

// The next phone after i within the phrase (nullptr at its end).
const Phone* next_phone(const Phrase& ph, std::size_t i) {
    return i + 1 < ph.segs.size() ? ph.segs[i + 1].ph : nullptr;
}

// Rule 9, postvocalic context: the factor of a vowel by the consonant after it in its word.
double postvocalic(const Phrase& ph, std::size_t i) {
    const Seg& g = ph.segs[i];
    const Phone* n = next_phone(ph, i);
    double f = 100;
    if (g.wordEnd || n == nullptr || n->cls == Class::Pause) {
        f = 120;  // open word-final syllable
    } else if (n->cls == Class::Fricative && n->voiced) {
        f = 160;
    } else if (voiced_plosive(*n) || (n->cls == Class::Affricate && n->voiced)) {
        f = 120;
    } else if (n->cls == Class::Nasal) {
        f = 85;
    } else if (voiceless_plosive(*n)) {
        f = 70;
    }
    return g.finalSyllable ? f : 70 + 0.3 * f;  // non-phrase-final: 70 + 0.3 x PRCNT1
}

// Rule 10, clusters: a consonant next to one consonant 70, between two 50; a vowel next to a
// vowel (before 120, after 70).
double cluster(const Phrase& ph, std::size_t i) {
    const std::vector<Seg>& s = ph.segs;
    auto consonant = [&](std::size_t k) {
        return k < s.size() && s[k].word == s[i].word && !syllabic(*s[k].ph) &&
               s[k].ph->cls != Class::Pause;
    };
    auto vowel = [&](std::size_t k) { return k < s.size() && syllabic(*s[k].ph); };
    if (syllabic(*s[i].ph)) {
        if (vowel(i + 1)) return 120;
        if (i > 0 && vowel(i - 1)) return 70;
        return 100;
    }
    const int neighbours = (i > 0 && consonant(i - 1) ? 1 : 0) + (consonant(i + 1) ? 1 : 0);
    return neighbours == 2 ? 50 : neighbours == 1 ? 70 : 100;
}

// The duration of segment i in milliseconds by rules 2 to 11.
double rule_duration(const Phrase& ph, std::size_t i) {
    const Seg& g = ph.segs[i];
    const Phone& p = *g.ph;
    double prcnt = 100;
    double min = p.min;
    const bool syl = syllabic(p);
    const bool postvocalicC = !syl && g.finalSyllable && !g.wordStart &&
                              (i == 0 || ph.segs[i - 1].syllable == g.syllable);
    auto apply = [&](double factor) { prcnt = prcnt * factor / 100; };
    if (g.finalSyllable && (syl || postvocalicC)) apply(140);  // 2 clause-final
    if (!g.finalSyllable && syl) apply(60);                    // 3 non-phrase-final
    if (!g.wordFinalSyllable && syl) apply(85);                // 4 non-word-final
    if (g.polysyllabic && syl) apply(80);                      // 5 polysyllabic
    if (!syl && !g.wordStart) apply(85);                       // 6 non-initial C
    if (g.stress == 0) {                                       // 7 unstressed
        min = min / 2;
        apply(syl ? (g.wordFinalSyllable ? 70 : 50) : 70);
    }
    if (syl && is_vowel(p)) apply(postvocalic(ph, i));  // 9 postvocalic
    apply(cluster(ph, i));                              // 10 clusters
    double dur = (p.inh - min) * prcnt / 100 + min;
    // 11 aspiration: a stressed vowel or sonorant after a voiceless plosive gains 25 ms, which
    // hold the plosive's aspiration. An aspirated stop's aspiration is its own release here, so
    // the stop takes them (and its release then holds its VOT, up to 70 % of it).
    if (aspirated(ph, i)) dur += 25;
    if (i > 0 && g.stress == 1 && is_sonorant(p) && voiceless_plosive(*ph.segs[i - 1].ph) &&
        !aspirated(ph, i - 1))
        dur += 25;
    return dur;
}

}  // namespace

// An affricate's closure is as long as Table 9-1's CH or JH, and /tʃ/'s frication as long again.
// /dʒ/'s frication is shorter by the ratio Jongman et al. (2000) measured between the voiced and
// the voiceless postalveolar fricative (/ʒ/ 123 ms, /ʃ/ 178 ms), for want of published frication
// durations of the affricates themselves.
double frication_share(const Phone& p) {
    const double frication = p.voiced ? 123.0 / 178.0 : 1.0;
    return frication / (1 + frication);
}

bool aspirated_release(const Phrase& ph, std::size_t i) {
    const auto& s = ph.segs;
    const Phone& p = *s[i].ph;
    return p.cls == Class::Stop && !p.voiced && i + 1 < s.size() && is_sonorant(*s[i + 1].ph) &&
           !(i > 0 && std::strcmp(s[i - 1].ph->name, "S") == 0);
}

void time_phrase(Phrase& phrase) {
    mark_syllables(phrase);
    mark_positions(phrase);
    double t = 0;
    for (std::size_t i = 0; i < phrase.segs.size(); ++i) {
        Seg& g = phrase.segs[i];
        g.dur = (g.ph->cls == Class::Pause ? g.ph->inh : rule_duration(phrase, i)) / 1000;
        // An affricate adds its frication to its closure.
        if (g.ph->cls == Class::Affricate) g.dur /= 1 - frication_share(*g.ph);
        g.start = t;
        t += g.dur;
    }
}

}  // namespace words
