// Private to words/: the phones of a phrase written as text, IPA or ARPAbet.
#ifndef SPEECHSCORE_WORDS_G2P_H
#define SPEECHSCORE_WORDS_G2P_H

#include <string>

#include "phones.h"
#include "speechscore_words.h"

namespace words {

using speechscore::words::Problem;

// Whether espeak-ng is started with the voice lang (problem says why not).
bool language_ready(const std::string& lang, Problem& problem);
bool phones_of_text(const std::string& text, const std::string& lang, Phrase& ph, Problem& problem);
bool phones_of_ipa(const std::string& text, Phrase& ph, Problem& problem);
bool phones_of_arpabet(const std::string& text, Phrase& ph, Problem& problem);

}  // namespace words

#endif  // SPEECHSCORE_WORDS_G2P_H
