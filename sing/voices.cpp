// The voices: each a named set of library settings. Formant scales are the mean of the
// women/men and children/men formant ratios of Hillenbrand et al. (1995), Table 1a (women F1
// F2 F3 1.18 1.16 1.14, children 1.24 1.29 1.24), the phone table being men's; bandwidths
// scale with the formants (constant Q). Open quotient, tilt and aspiration after Klatt & Klatt
// (1990): women's voices have a larger open quotient, a steeper tilt and more aspiration noise
// than men's, and a breathy voice more of all three, with the tracheal pole-zero pair in the
// spectrum. The women's TL (a share of the sung voice's) puts their H1-A3 9.3 dB above the
// tenor's at one note, as Hanson & Chuang (1999) measured women's 9.6 dB above men's; the
// breathy voice's is steeper still (our choice). Ranges are the usual choral ranges of each
// voice. docs/sing.md gives the measured figures of each.
#include <cmath>
#include <string>

#include "speechscore_sing.h"

namespace speechscore {
namespace sing {

const std::vector<Voice>& voices() {
    // clang-format off
    static const std::vector<Voice> kVoices = {
    //   name       fss   ass   low Hz  high Hz  OQ    TL    breath trach df1
        {"bass",    0.95, 0.95,  82.4,   329.6, 0.50, 1.00,  0,    37,   0},  // E2..E4
        {"tenor",   1.00, 1.00, 130.8,   523.3, 0.50, 1.00,  0,    37,   0},  // C3..C5
        {"alto",    1.16, 1.16, 174.6,   698.5, 0.60, 0.08,  4,    37,   0},  // F3..F5
        {"soprano", 1.16, 1.16, 261.6,  1046.5, 0.60, 0.08,  4,    37,   0},  // C4..C6
        {"child",   1.26, 1.26, 261.6,   880.0, 0.60, 0.80,  4,    37,   0},  // C4..A5
        {"breathy", 1.16, 1.16, 174.6,  1046.5, 0.80, 0.04, 12,    38,   0},  // F3..C6
    };
    // clang-format on
    return kVoices;
}

const Voice* find_voice(const std::string& name) {
    for (const Voice& v : voices())
        if (name == v.name) return &v;
    return nullptr;
}

const Voice& voice_for_range(double lowHz, double highHz) {
    // The voice whose range's middle (in octaves) is nearest the notes' middle, among those
    // whose range holds the most of them.
    const Voice* best = &voices()[1];
    double bestScore = 1e9;
    const double mid = std::log2(std::sqrt(lowHz * highHz));
    for (const Voice& v : voices()) {
        if (std::string(v.name) == "breathy" || std::string(v.name) == "child") continue;
        const double outside =
            std::max(0.0, std::log2(v.lowHz / lowHz)) + std::max(0.0, std::log2(highHz / v.highHz));
        const double score =
            4 * outside + std::fabs(mid - std::log2(std::sqrt(v.lowHz * v.highHz)));
        if (score < bestScore) {
            bestScore = score;
            best = &v;
        }
    }
    return *best;
}

bool note_hz(const std::string& name, double& hz) {
    if (name.size() < 2) return false;
    static const int kSemis[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    const char letter = name[0];
    int semi = 0;
    if (letter >= 'A' && letter <= 'G')
        semi = kSemis[letter - 'A'];
    else if (letter >= 'a' && letter <= 'g')
        semi = kSemis[letter - 'a'];
    else
        return false;
    std::size_t at = 1;
    while (at < name.size() && (name[at] == '#' || name[at] == 'b')) {
        semi += name[at] == '#' ? 1 : -1;
        ++at;
    }
    if (at >= name.size()) return false;
    bool negative = false;
    if (name[at] == '-') {
        negative = true;
        ++at;
    }
    if (at >= name.size() || name[at] < '0' || name[at] > '9') return false;
    const int octave = (negative ? -1 : 1) * (name[at] - '0');
    double cents = 0;
    if (at + 1 < name.size()) {
        // Cents after the octave: C4+50c, A3-14c.
        const std::string rest = name.substr(at + 1);
        if (rest.size() < 3 || (rest[0] != '+' && rest[0] != '-') || rest.back() != 'c')
            return false;
        const std::string digits = rest.substr(1, rest.size() - 2);
        if (digits.empty() || digits.size() > 3 ||
            digits.find_first_not_of("0123456789") != std::string::npos)
            return false;
        cents = (rest[0] == '-' ? -1 : 1) * std::stod(digits);
    }
    const int key = 12 * (octave + 1) + semi;  // MIDI key: C4 = 60
    hz = 440.0 * std::exp2((key + cents / 100 - 69) / 12.0);
    return hz >= 20 && hz <= 2000;
}

}  // namespace sing
}  // namespace speechscore
