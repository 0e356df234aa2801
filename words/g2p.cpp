// Phones of a phrase: English (or another language's) text through espeak-ng's
// grapheme-to-phoneme rules (its library, started once per process), ARPAbet with stress digits,
// or IPA; IPA symbols are mapped onto the inventory, and an unknown one is named with the
// nearest phones we have.
#include "g2p.h"

#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace words {
namespace {

// IPA symbols (as espeak-ng writes them, and as a user may) and the phones they become; a
// symbol of another language goes to the nearest phone we have.
// clang-format off
const std::pair<const char*, const char*> kIpa[] = {
    {"iː", "IY"}, {"i", "IY"}, {"ɪ", "IH"}, {"eɪ", "EY"}, {"e", "EY"}, {"ɛ", "EH"}, {"æ", "AE"},
    {"ɑː", "AA"}, {"ɑ", "AA"}, {"a", "AA"}, {"ɒ", "AA"}, {"ɔː", "AO"}, {"ɔ", "AO"}, {"oʊ", "OW"},
    {"əʊ", "OW"}, {"o", "OW"}, {"ʊ", "UH"}, {"uː", "UW"}, {"u", "UW"}, {"ʌ", "AH"}, {"ə", "AX"},
    {"ɐ", "AH"}, {"ɚ", "AXR"}, {"ɜː", "ER"}, {"ɜ", "ER"}, {"ɝ", "ER"}, {"aɪ", "AY"},
    {"aʊ", "AW"}, {"ɔɪ", "OY"}, {"ᵻ", "IH"}, {"ɨ", "IH"}, {"y", "IY"}, {"ʏ", "IH"}, {"ø", "EY"},
    {"œ", "EH"}, {"ɤ", "AH"}, {"ɯ", "UW"}, {"ɵ", "AX"}, {"ɘ", "AX"}, {"ʉ", "UW"}, {"ä", "AA"},
    {"p", "P"}, {"b", "B"}, {"t", "T"}, {"d", "D"}, {"k", "K"}, {"ɡ", "G"}, {"g", "G"},
    {"c", "K"}, {"ɟ", "G"}, {"ʔ", "T"}, {"ɾ", "DX"}, {"tʃ", "CH"}, {"dʒ", "JH"},
    {"f", "F"}, {"v", "V"}, {"θ", "TH"}, {"ð", "DH"}, {"s", "S"}, {"z", "Z"}, {"ʃ", "SH"},
    {"ʒ", "ZH"}, {"h", "HH"}, {"ɦ", "HH"}, {"x", "HH"}, {"ç", "HH"}, {"χ", "HH"}, {"β", "V"},
    {"ɣ", "G"}, {"ʝ", "Y"}, {"ʋ", "V"}, {"ɕ", "SH"}, {"ʑ", "ZH"}, {"tɕ", "CH"}, {"dʑ", "JH"},
    {"ʈ", "T"}, {"ɖ", "D"}, {"ʂ", "SH"}, {"ʐ", "ZH"}, {"ɳ", "N"}, {"ɭ", "L"}, {"ɻ", "R"},
    {"ɽ", "DX"}, {"q", "K"}, {"ɢ", "G"}, {"t͡ʃ", "CH"}, {"d͡ʒ", "JH"}, {"ʧ", "CH"}, {"ʤ", "JH"},
    {"t͡s", "T S"}, {"d͡z", "D Z"}, {"ʦ", "T S"}, {"ʣ", "D Z"},
    {"m", "M"}, {"n", "N"}, {"ŋ", "NG"}, {"ɲ", "N Y"}, {"m̩", "EM"}, {"n̩", "EN"}, {"l̩", "EL"},
    {"l", "L"}, {"ɫ", "L"}, {"ʎ", "L Y"}, {"ɹ", "R"}, {"r", "R"}, {"ʁ", "R"}, {"ʀ", "R"},
    {"w", "W"}, {"ʍ", "W"}, {"j", "Y"},
};
// clang-format on

// Marks that change nothing we can say.
// clang-format off
const char* const kIgnored[] = {
    "ː", "ˑ", "\u0303", "\u0329", "-", "\u032F", "ʲ", "ʰ", "'",  // length, nasal, syllabic, linking
    "\u032A", "\u031D", "\u031E", "\u031F", "\u0320", "\u0308",  // dental, raised, lowered,
                                                               // advanced, retracted, centralised
    "\u030A", "\u0325", "ᵝ", "ʱ",  // voiceless (above, below), compressed lips, breathy
    "\u033A", "\u033B", ".", "\u0361",  // apical, laminal, syllable break, tie bar
};
// clang-format on

// Vowel + /ɹ/ at the end of a syllable: the r-coloured vowels (Allen et al. 1987, Table 9-1).
const std::pair<const char*, const char*> kRhotic[] = {
    {"IH", "IXR"}, {"IY", "IXR"}, {"EH", "EXR"}, {"EY", "EXR"}, {"AO", "OXR"},
    {"OW", "OXR"}, {"UH", "UXR"}, {"UW", "UXR"}, {"AX", "AXR"}, {"ER", "ER"},
};

std::size_t utf8_length(const std::string& s, std::size_t at) {
    const auto c = static_cast<unsigned char>(s[at]);
    std::size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    return std::min(n, s.size() - at);
}

int edit_distance(const std::string& a, const std::string& b) {
    std::vector<int> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = static_cast<int>(j);
    for (std::size_t i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = static_cast<int>(i);
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const int up = row[j];
            row[j] =
                std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = up;
        }
    }
    return row[b.size()];
}

// "'K', 'G' or 'NG'": the names nearest to a word among candidates.
std::string nearest(const std::string& word, const std::vector<std::string>& candidates) {
    int best = 1 << 20;
    for (const auto& c : candidates) best = std::min(best, edit_distance(word, c));
    std::vector<std::string> picked;
    for (const auto& c : candidates)
        if (edit_distance(word, c) == best && picked.size() < 4) picked.push_back("'" + c + "'");
    std::string text;
    for (std::size_t i = 0; i < picked.size(); ++i)
        text += (i == 0 ? "" : i + 1 == picked.size() ? " or " : ", ") + picked[i];
    return text;
}

std::vector<std::string> phone_names() {
    std::vector<std::string> names;
    for (const Phone& p : inventory()) names.push_back(p.name);
    return names;
}

std::vector<std::string> ipa_symbols() {
    std::vector<std::string> names;
    for (const auto& e : kIpa) names.push_back(e.first);
    return names;
}

// Appends a phone to the phrase, with the stress waiting for its vowel.
void add(Phrase& ph, const Phone* p, int word, int& stress, std::size_t offset) {
    Seg g;
    g.ph = p;
    g.word = word;
    g.offset = offset;
    if (is_vowel(*p) || std::strcmp(p->name, "EN") == 0 || std::strcmp(p->name, "EM") == 0 ||
        std::strcmp(p->name, "EL") == 0) {
        g.stress = stress;
        stress = 0;
    }
    ph.segs.push_back(g);
}

void add_pause(Phrase& ph, std::size_t offset) {
    if (ph.segs.empty() || ph.segs.back().ph->cls == Class::Pause) return;
    Seg g;
    g.ph = pause_phone();
    g.offset = offset;
    ph.segs.push_back(g);
}

// Reads one IPA word into phones (greedy, the longest symbol first). Returns false with the
// problem at the first symbol we have no phone for.
bool read_ipa_word(const std::string& text, std::size_t base, Phrase& ph, int word,
                   Problem& problem) {
    int stress = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        if (text.compare(at, strlen("ˈ"), "ˈ") == 0) {
            stress = 1;
            at += strlen("ˈ");
            continue;
        }
        if (text.compare(at, strlen("ˌ"), "ˌ") == 0) {
            stress = 2;
            at += strlen("ˌ");
            continue;
        }
        if (text[at] == '_') {
            ++at;
            continue;
        }
        bool skipped = false;
        for (const char* mark : kIgnored) {
            if (text.compare(at, strlen(mark), mark) == 0) {
                at += strlen(mark);
                skipped = true;
                break;
            }
        }
        if (skipped) continue;
        std::size_t bestLength = 0;
        const char* phones = nullptr;
        for (const auto& e : kIpa) {
            const std::size_t n = strlen(e.first);
            if (n > bestLength && text.compare(at, n, e.first) == 0) {
                bestLength = n;
                phones = e.second;
            }
        }
        if (phones == nullptr) {
            const std::string symbol = text.substr(at, utf8_length(text, at));
            problem.message = "unknown phone '" + symbol +
                              "'; the nearest phones we have: " + nearest(symbol, ipa_symbols());
            problem.offset = base + at;
            return false;
        }
        std::string list = phones;
        std::size_t from = 0;
        while (from < list.size()) {
            std::size_t space = list.find(' ', from);
            if (space == std::string::npos) space = list.size();
            add(ph, find_phone(list.substr(from, space - from)), word, stress, base + at);
            from = space + 1;
        }
        at += bestLength;
    }
    return true;
}

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Whether espeak-ng has a voice of this name: a voice's language, file or name ("fr", "en-us",
// "gmw/en-US", "German"), with at most one variant after a '+' ("en+f3"). Names are checked here
// because espeak-ng reads an unknown one as a path under its data folder ("../" reaches any
// file) and copies a variant's name into a 40-byte buffer (a longer one ends the process).
bool known_voice(const std::string& lang) {
    struct Names {
        std::set<std::string> voices, variants;
    };
    static const Names names = [] {
        Names n;
        // A voice's file is its identifier ("gmw/en-US"); a variant's is "!v/" and its name.
        auto add = [](std::set<std::string>& into, const espeak_VOICE& v, bool variant) {
            if (v.name != nullptr) into.insert(lower(v.name));
            if (v.identifier != nullptr) {
                std::string file = v.identifier;
                if (variant && file.rfind("!v/", 0) == 0) file.erase(0, 3);
                into.insert(lower(file));
            }
            // languages: a priority byte and a name, again and again, up to an empty name
            for (const char* p = v.languages; p != nullptr && p[0] != 0 && p[1] != 0;
                 p += std::strlen(p + 1) + 2) {
                into.insert(lower(p + 1));
            }
        };
        for (const espeak_VOICE** v = espeak_ListVoices(nullptr); v != nullptr && *v != nullptr;
             ++v)
            add(n.voices, **v, false);
        espeak_VOICE wanted{};  // espeak-ng lists the variants as voices of language "variant"
        wanted.languages = "variant";
        for (const espeak_VOICE** v = espeak_ListVoices(&wanted); v != nullptr && *v != nullptr;
             ++v)
            add(n.variants, **v, true);
        return n;
    }();
    const std::size_t plus = lang.find('+');
    const std::string voice = lower(lang.substr(0, plus));
    if (names.voices.count(voice) == 0) return false;
    return plus == std::string::npos || names.variants.count(lower(lang.substr(plus + 1))) != 0;
}

// Sets espeak-ng's voice by a name known_voice accepts: a voice's name or file, else (as
// "en-gb", whose file is "gmw/en") the file of the voice espeak-ng lists first for that
// language; with its variant ("en-gb+f3").
bool set_voice(const std::string& lang) {
    if (espeak_SetVoiceByName(lang.c_str()) == EE_OK) return true;
    const std::size_t plus = lang.find('+');
    const std::string language = lang.substr(0, plus);
    espeak_VOICE wanted{};
    wanted.languages = language.c_str();
    const espeak_VOICE** found = espeak_ListVoices(&wanted);
    if (found == nullptr || *found == nullptr || (*found)->identifier == nullptr) return false;
    const std::string file = (*found)->identifier;
    return espeak_SetVoiceByName(
               (file + (plus == std::string::npos ? "" : lang.substr(plus))).c_str()) == EE_OK;
}

// espeak-ng, started once per process; the voice is set again only when it changes.
bool espeak_ready(const std::string& lang, Problem& problem) {
    static int rate =
        espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
    static std::string voice;
    if (rate <= 0) {
        problem.message = "espeak-ng could not be started (is espeak-ng-data installed?)";
        return false;
    }
    if (voice == lang) return true;
    if (!known_voice(lang) || !set_voice(lang)) {
        problem.message = "unknown language '" + lang + "': espeak-ng has no voice of that name";
        voice.clear();
        return false;
    }
    voice = lang;
    return true;
}

// The words of the text as written, for the labels; a number's ',', '.' or ':' between its
// digits ("1,000", "2.5", "10:30") is in its word.
std::vector<std::string> written_words(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    auto digit = [&text](std::size_t i) {
        return i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]));
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool inNumber =
            (c == ',' || c == '.' || c == ':') && i > 0 && digit(i - 1) && digit(i + 1);
        if (!inNumber &&
            (std::isspace(static_cast<unsigned char>(c)) || c == ',' || c == '.' || c == ';' ||
             c == '!' || c == '?' || c == ':' || c == '"' || c == '(' || c == ')')) {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) words.push_back(word);
    return words;
}

// espeak-ng's phones without its marks of a word read in another language: "(en)" before it,
// and the text's language, "(fr)", after it. The phones between are that language's own,
// which the inventory holds as well (a French "week-end" is said as English).
std::string without_switches(std::string ipa) {
    std::size_t open = ipa.find('(');
    while (open != std::string::npos) {
        const std::size_t close = ipa.find(')', open);
        if (close == std::string::npos) break;
        const bool name =
            close > open + 1 &&
            std::all_of(ipa.begin() + static_cast<std::ptrdiff_t>(open) + 1,
                        ipa.begin() + static_cast<std::ptrdiff_t>(close), [](char c) {
                            return std::isalnum(static_cast<unsigned char>(c)) || c == '-';
                        });
        if (name) ipa.erase(open, close - open + 1);
        open = ipa.find('(', name ? open : close);
    }
    return ipa;
}

// The phones espeak-ng makes of a text, clause by clause: words between spaces, phones between
// '_'.
std::vector<std::string> clauses_of(const std::string& text) {
    std::vector<std::string> clauses;
    const void* at = text.c_str();
    while (at != nullptr) {
        const char* ipa =
            espeak_TextToPhonemes(&at, espeakCHARS_UTF8, espeakPHONEMES_IPA | ('_' << 8));
        if (ipa == nullptr) break;
        clauses.push_back(without_switches(ipa));
    }
    return clauses;
}

// The words in espeak-ng's clauses.
std::size_t words_in(const std::vector<std::string>& clauses) {
    std::size_t n = 0;
    for (const std::string& clause : clauses)
        for (std::size_t i = 0; i < clause.size(); ++i)
            if (clause[i] != ' ' && (i == 0 || clause[i - 1] == ' ')) ++n;
    return n;
}

// The words espeak-ng makes of a text, without their phones.
std::size_t heard_words(const std::string& text) { return words_in(clauses_of(text)); }

// A word of a text between spaces, without the punctuation at its edges: its place in the text
// and how many words espeak-ng makes of it, read alone.
struct Written {
    std::string label;
    std::size_t offset = 0;
    std::size_t heard = 0;
};

// The text's words between spaces that espeak-ng reads as one or more words, when together
// they make as many as it heard in the whole text (else none).
std::vector<Written> written_by_spaces(const std::string& text, std::size_t heardTotal) {
    static const std::string edges = ",.;!?:\"()";
    std::vector<Written> tokens;
    std::size_t total = 0;
    std::size_t from = 0;
    while (from < text.size()) {
        while (from < text.size() && std::isspace(static_cast<unsigned char>(text[from]))) ++from;
        std::size_t end = from;
        while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) ++end;
        if (end == from) break;
        const std::string token = text.substr(from, end - from);
        const std::size_t n = heard_words(token);
        total += n;
        const std::size_t first = token.find_first_not_of(edges);
        if (n > 0) {
            if (first == std::string::npos)
                tokens.push_back({token, from, n});
            else
                tokens.push_back({token.substr(first, token.find_last_not_of(edges) - first + 1),
                                  from + first, n});
        }
        from = end;
    }
    if (total != heardTotal) tokens.clear();
    return tokens;
}

// Labels the words espeak-ng heard with the text's words between spaces where a written word
// became several ("100%": one hundred percent; "2.5"), each read alone; the heard words of one
// written word are joined in the labels. Leaves the labels as heard if the counts disagree.
void label_by_spaces(const std::string& text, Phrase& ph) {
    std::size_t w = 0;
    for (const Written& token : written_by_spaces(text, ph.words.size())) {
        for (std::size_t k = 0; k < token.heard; ++k, ++w) {
            ph.words[w].text = token.label;
            ph.words[w].joined = k > 0;
        }
    }
}

// Merges a vowel and the /ɹ/ closing its syllable into an r-coloured vowel.
void colour_r(Phrase& ph) {
    std::vector<Seg> out;
    for (std::size_t i = 0; i < ph.segs.size(); ++i) {
        const Seg& g = ph.segs[i];
        const bool rNext = i + 1 < ph.segs.size() &&
                           std::strcmp(ph.segs[i + 1].ph->name, "R") == 0 &&
                           ph.segs[i + 1].word == g.word;
        const bool vowelAfter =
            i + 2 < ph.segs.size() && ph.segs[i + 2].word == g.word && is_vowel(*ph.segs[i + 2].ph);
        if (rNext && !vowelAfter) {
            const char* merged = nullptr;
            for (const auto& e : kRhotic)
                if (std::strcmp(g.ph->name, e.first) == 0) merged = e.second;
            if (merged != nullptr) {
                Seg m = g;
                m.ph = find_phone(merged);
                out.push_back(m);
                ++i;
                continue;
            }
        }
        out.push_back(g);
    }
    ph.segs = out;
}

}  // namespace

bool language_ready(const std::string& lang, Problem& problem) {
    return espeak_ready(lang, problem);
}

namespace {

// The first byte of the text that is a NUL or no part of well-formed UTF-8; npos when none.
std::size_t bad_byte(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == 0) return i;
        // The sequence's length and the range of its second byte (no overlong form, surrogate
        // or code point beyond U+10FFFF).
        int n = 1;
        unsigned char lo = 0x80, hi = 0xBF;
        if (c >= 0xC2 && c <= 0xDF)
            n = 2;
        else if (c >= 0xE0 && c <= 0xEF)
            n = 3, lo = c == 0xE0 ? 0xA0 : 0x80, hi = c == 0xED ? 0x9F : 0xBF;
        else if (c >= 0xF0 && c <= 0xF4)
            n = 4, lo = c == 0xF0 ? 0x90 : 0x80, hi = c == 0xF4 ? 0x8F : 0xBF;
        else if (c >= 0x80)
            return i;
        for (int k = 1; k < n; ++k) {
            const auto d = i + static_cast<std::size_t>(k) < text.size()
                               ? static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)])
                               : 0;
            if (d < (k == 1 ? lo : 0x80) || d > (k == 1 ? hi : 0xBF)) return i;
        }
        i += static_cast<std::size_t>(n);
    }
    return std::string::npos;
}

}  // namespace

bool phones_of_text(const std::string& text, const std::string& lang, Phrase& ph,
                    Problem& problem) {
    if (const std::size_t bad = bad_byte(text); bad != std::string::npos) {
        char shown[8];
        std::snprintf(shown, sizeof shown, "\\x%02X", static_cast<unsigned char>(text[bad]));
        problem = {text[bad] == '\0' ? std::string("a NUL byte in the text")
                                     : std::string("the text is not UTF-8: byte ") + shown,
                   bad};
        return false;
    }
    if (!espeak_ready(lang, problem)) return false;
    const std::vector<std::string> written = written_words(text);
    std::vector<std::string> heard;
    const std::vector<std::string> clauses = clauses_of(text);
    for (std::size_t c = 0; c < clauses.size(); ++c) {
        const std::string& clause = clauses[c];
        std::size_t from = 0;
        while (from < clause.size()) {
            std::size_t space = clause.find(' ', from);
            if (space == std::string::npos) space = clause.size();
            const std::string word = clause.substr(from, space - from);
            from = space + 1;
            if (word.empty()) continue;
            const int index = static_cast<int>(ph.words.size());
            Problem inner;
            if (!read_ipa_word(word, 0, ph, index, inner)) {
                // The written word it came from: one to one, or by the words between spaces.
                const std::size_t count = words_in(clauses);
                std::string w = word;
                std::size_t offset = std::string::npos;
                if (written.size() == count && static_cast<std::size_t>(index) < count) {
                    w = written[static_cast<std::size_t>(index)];
                    offset = text.find(w);
                } else {
                    std::size_t k = 0;
                    for (const Written& token : written_by_spaces(text, count)) {
                        if (static_cast<std::size_t>(index) < k + token.heard) {
                            w = token.label;
                            offset = token.offset;
                            break;
                        }
                        k += token.heard;
                    }
                }
                problem.message = "the word '" + w + "' (" + word + ") has " + inner.message;
                problem.offset = offset == std::string::npos ? 0 : offset;
                return false;
            }
            ph.words.push_back({word});
            heard.push_back(word);
        }
        if (c + 1 < clauses.size()) add_pause(ph, 0);
    }
    // Label the words as written when espeak-ng kept them one to one.
    if (written.size() == ph.words.size()) {
        for (std::size_t i = 0; i < written.size(); ++i) ph.words[i].text = written[i];
    } else {
        label_by_spaces(text, ph);
    }
    while (!ph.segs.empty() && ph.segs.back().ph->cls == Class::Pause) ph.segs.pop_back();
    if (ph.segs.empty()) {
        problem.message = "nothing to say in '" + text + "'";
        return false;
    }
    colour_r(ph);
    return true;
}

bool phones_of_ipa(const std::string& text, Phrase& ph, Problem& problem) {
    std::size_t from = 0;
    while (from < text.size()) {
        while (from < text.size() && (text[from] == ' ' || text[from] == '\t')) ++from;
        if (from >= text.size()) break;
        if (text[from] == ',') {
            add_pause(ph, from);
            ++from;
            continue;
        }
        std::size_t end = from;
        while (end < text.size() && text[end] != ' ' && text[end] != '\t' && text[end] != ',')
            ++end;
        const int index = static_cast<int>(ph.words.size());
        if (!read_ipa_word(text.substr(from, end - from), from, ph, index, problem)) return false;
        ph.words.push_back({text.substr(from, end - from)});
        from = end;
    }
    while (!ph.segs.empty() && ph.segs.back().ph->cls == Class::Pause) ph.segs.pop_back();
    if (ph.segs.empty()) {
        problem.message = "no phones between the brackets";
        return false;
    }
    colour_r(ph);
    return true;
}

bool phones_of_arpabet(const std::string& text, Phrase& ph, Problem& problem) {
    std::size_t from = 0;
    int word = 0;
    std::string wordText;
    bool wordOpen = false;
    std::vector<bool> digits;  // of each word: a stress digit written on one of its vowels
    auto close_word = [&]() {
        if (!wordOpen) return;
        ph.words.push_back({wordText});
        wordText.clear();
        wordOpen = false;
        ++word;
    };
    while (from < text.size()) {
        while (from < text.size() && (text[from] == ' ' || text[from] == '\t')) ++from;
        if (from >= text.size()) break;
        std::size_t end = from;
        while (end < text.size() && text[end] != ' ' && text[end] != '\t') ++end;
        const std::string token = text.substr(from, end - from);
        if (token == "|" || token == ",") {
            close_word();
            if (token == ",") add_pause(ph, from);
            from = end;
            continue;
        }
        std::string name = token;
        int stress = -1;
        if (!name.empty() && name.back() >= '0' && name.back() <= '2') {
            stress = name.back() - '0';
            name.pop_back();
        }
        const Phone* p = find_phone(name);
        if (p == nullptr || p->cls == Class::Pause) {
            problem.message = "unknown phone '" + token +
                              "'; the nearest phones we have: " + nearest(name, phone_names());
            problem.offset = from;
            return false;
        }
        if (stress >= 0 && !is_vowel(*p)) {
            problem.message = "the stress digit of '" + token + "' belongs on a vowel";
            problem.offset = from;
            return false;
        }
        digits.resize(static_cast<std::size_t>(word) + 1);
        if (stress >= 0) digits[static_cast<std::size_t>(word)] = true;
        int s = stress < 0 ? 0 : stress;
        add(ph, p, word, s, from);
        wordText += (wordText.empty() ? "" : " ") + token;
        wordOpen = true;
        from = end;
    }
    close_word();
    if (ph.segs.empty()) {
        problem.message = "no phones between the slashes";
        return false;
    }
    // A word written without stress digits is stressed on its first vowel ("AH0" is unstressed).
    for (int w = 0; w < word; ++w) {
        if (digits[static_cast<std::size_t>(w)]) continue;
        for (Seg& g : ph.segs) {
            if (g.word == w && is_vowel(*g.ph)) {
                g.stress = 1;
                break;
            }
        }
    }
    return true;
}

}  // namespace words
