// The phone inventory of General American English: one row per phone, with the published
// source of its numbers in the last column (docs/phones.md is generated from this table).
#include "phones.h"

#include <algorithm>
#include <cctype>

namespace words {
namespace {

constexpr Class V = Class::Vowel;
constexpr Class St = Class::Stop;
constexpr Class Af = Class::Affricate;
constexpr Class Fr = Class::Fricative;
constexpr Class Hh = Class::Aspirate;
constexpr Class Na = Class::Nasal;
constexpr Class Li = Class::Liquid;
constexpr Class Gl = Class::Glide;
constexpr Class Pa = Class::Pause;
constexpr Place None = Place::None;
constexpr Place Lab = Place::Labial;
constexpr Place Ld = Place::Labiodental;
constexpr Place Den = Place::Dental;
constexpr Place Alv = Place::Alveolar;
constexpr Place Pal = Place::Postalveolar;
constexpr Place Vel = Place::Velar;
constexpr Place Glo = Place::Glottal;

// Sources (docs/phones.md lists them in full):
//  H95   Hillenbrand et al. (1995), men's means (F1-F3); H95d their 20 %/80 % values (diphthongs).
//        Their Michigan talkers' /æ/ is raised to /ɛ/'s F1 (591 against 588 Hz), so the two
//        would differ by F2 alone; /æ/ takes the General American values of PB52 instead.
//  K80   Klatt (1980), Table II (vowel bandwidths; /u/'s onset and offset, the fronted start
//        and backing glide that H95's one steady state leaves out), Table III (consonants,
//        parallel levels)
//  M87   Allen, Hunnicutt & Klatt (1987): Table 9-1 durations, Table 11-1 schwa, Table C-7 bursts
//  J00   Jongman et al. (2000), spectral peak of the fricatives
//  Z76   Zue (1976), VOT of prevocalic stops
//  F62   Fujimura (1962), murmur formants, bandwidths (Table I), antiformant ranges
//  D75   Dalston (1975), adult men's /w r l/ formants
//  BS79  Blumstein & Stevens (1979): labial bursts diffuse-falling (A2..A4 6 dB apart)
//  PB52  Peterson & Barney (1952), Table II, men's formant frequencies
//  cal   a level set so that the rendered phone lands on a published relative level (Jongman's
//        frication levels, Zue's burst levels), or on the peers' where none is published
//        (murmurs, aspiration, the voice under a voiced fricative): docs/phones.md, "Levels"
// clang-format off
const std::vector<Phone> kPhones = {
//  name   ipa    class place voiced  F1    F2    F3   B1   B2   B3    F1b   F2b   F3b    AV    AF    AS   A2  A3  A4  A5  A6  AB   peak  zero  zbw  inh  min burst vot   source
  {"IY",  "i",    V,  None, true,   343, 2323, 3001,  45, 200, 400,     0,    0,    0,   60,    0,    0,   0,  0,  0,  0,  0,  0,     0,    0,   0, 155,  55,   0,  0, "F H95; B K80 II i; dur M87 9-1"},  // 0
  {"IH",  "ɪ",    V,  None, true,   429, 2034, 2687,  50, 100, 140,     0,    0,    0,   60,    0,    0,   0,  0,  0,  0,  0,  0,     0,    0,   0, 135,  40,   0,  0, "F H95; B K80 II ɪ; dur M87 9-1"},  // 1
  {"EY",  "eɪ",   V,  None, true,   479, 2089, 2699,  70, 100, 200,   400, 2229, 2742,   60,    0,    0,   0,  0,  0,  0,  0,  0,     0,    0,   0, 190, 100,   0,  0, "F H95d e 20/80 %; B K80 II e; dur M87 9-1"},  // 2
  {"EH",  "ɛ",    V,  None, true,   588, 1803, 2604,  70, 100, 200,     0,    0,    0,   60,    0,    0,   0,  0,  0,  0,  0,  0,     0,    0,   0, 150,  70,   0,  0, "F H95; B K80 II e (no ɛ row); dur M87 9-1"},  // 3
  {"AE",  "æ",    V,  None, true,   660, 1720, 2410,  70, 150, 320,     0,    0,    0,   60,    0,    0,   0,  0,  0,  0,  0,  0,     0,    0,   0, 230,  80,   0,  0, "F PB52 (H95 æ has ɛ's F1); B K80 II æ; dur M87 9-1"},  // 4
  {"AA",  "ɑ",    V,  None, true,   756, 1309, 2535, 130,  70, 160,     0,    0,    0,   60,    0,    0,   0,  0,  0,  0,  0,  0,     0,    0,   0, 240, 100,   0,  0, "F H95; B K80 II ɑ; dur M87 9-1"},  // 5
  {"AO",  "ɔ",    V,  None, true,   656, 1023, 2521, 130,  70, 160,     0,    0,    0,   60,    0,    0,   0,  0,  0,  0,  0,  0,     0,    0,   0, 240, 100,   0,  0, "F H95; B K80 II ɑ (no ɔ row); dur M87 9-1"},  // 6
  {"OW",  "oʊ",   V,  None, true,   511,  936, 2455,  80,  70,  70,   435,  898, 2448,   60,    0,    0,   0,  0,  0,  0,  0,  0,     0,    0,   0, 220,  80,   0,  0, "F H95d o 20/80 %; B K80 II o; dur M87 9-1"},  // 7
  {"UH",  "ʊ",    V,  None, true,   469, 1123, 2435,  65, 110, 140,     0,    0,    0,   60,    0,    0,   0,  0,  0,  0,  0,  0,     0,    0,   0, 160,  60,   0,  0, "F H95; B K80 II u (no ʊ row); dur M87 9-1"},  // 8
  {"UW",  "u",    V,  None, true,   350, 1250, 2200,  65, 110, 140,   320,  900, 2200,   60,    0,    0,   0,  0,  0,  0,  0,  0,     0,    0,   0, 210,  70,   0,  0, "F B K80 II u onset/offset (its fronted start and backing glide; H95 gives one steady state); dur M87 9-1"},  // 9
  {"AH",  "ʌ",    V,  None, true,   621, 1181, 2548,  80,  50, 140,     0,    0,    0,   60,    0,    0,   0,  0,  0,  0,  0,  0,     0,    0,   0, 140,  60,   0,  0, "F H95; B K80 II ʌ; dur M87 9-1"},  // 10
  {"AX",  "ə",    V,  None, true,   550, 1260, 2470,  80,  50, 140,     0,    0,    0,   60,    0,    0,   0,  0,  0,  0,  0,  0,     0,    0,   0, 120,  60,   0,  0, "F B M87 11-1 ə; dur M87 9-1"},  // 11
  {"ER",  "ɝ",    V,  None, true,   475, 1379, 1711, 100,  60, 110,     0,    0,    0,   60,    0,    0,   0,  0,  0,  0,  0,  0,     0,    0,   0, 180,  80,   0,  0, "F H95; B K80 II ɝ; dur M87 9-1"},  // 12
  {"AXR", "ɚ",    V,  None, true,   550, 1260, 2470,  80,  50, 140,   475, 1379, 1711,   60,    0,    0,   0,  0,  0,  0,  0,  0,     0,    0,   0, 260, 120,   0,  0, "F B ə (M87 11-1) to ɝ (H95); dur M87 9-1"},  // 13
  {"IXR", "ɪɹ",   V,  None, true,   429, 2034, 2687,  50, 100, 140,   475, 1379, 1711,   60,    0,    0,   0,  0,  0,  0,  0,  0,     0,    0,   0, 230, 100,   0,  0, "F B ɪ to ɝ (H95, K80 II); dur M87 9-1"},  // 14
  {"EXR", "ɛɹ",   V,  None, true,   588, 1803, 2604,  70, 100, 200,   475, 1379, 1711,   60,    0,    0,   0,  0,  0,  0,  0,  0,     0,    0,   0, 270, 130,   0,  0, "F B ɛ to ɝ (H95, K80 II); dur M87 9-1"},  // 15
  {"OXR", "ɔɹ",   V,  None, true,   511,  936, 2455,  80,  70,  70,   475, 1379, 1711,   60,    0,    0,   0,  0,  0,  0,  0,  0,     0,    0,   0, 240, 130,   0,  0, "F B o to ɝ (H95, K80 II); dur M87 9-1"},  // 16
  {"UXR", "ʊɹ",   V,  None, true,   469, 1123, 2435,  65, 110, 140,   475, 1379, 1711,   60,    0,    0,   0,  0,  0,  0,  0,  0,     0,    0,   0, 230, 110,   0,  0, "F B ʊ to ɝ (H95, K80 II); dur M87 9-1"},  // 17
  {"AY",  "aɪ",   V,  None, true,   756, 1309, 2535, 130,  70, 160,   429, 2034, 2687,   60,    0,    0,   0,  0,  0,  0,  0,  0,     0,    0,   0, 250, 150,   0,  0, "F B ɑ to ɪ rows (H95, K80 II; no aɪ data); dur M87 9-1"},  // 18
  {"AW",  "aʊ",   V,  None, true,   756, 1309, 2535, 130,  70, 160,   440, 1020, 2240,   60,    0,    0,   0,  0,  0,  0,  0,  0,     0,    0,   0, 260, 100,   0,  0, "F B ɑ row (H95, K80 II) to ʊ of PB52 II (no aʊ data); dur M87 9-1"},  // 19
  {"OY",  "ɔɪ",   V,  None, true,   656, 1023, 2521, 130,  70, 160,   429, 2034, 2687,   60,    0,    0,   0,  0,  0,  0,  0,  0,     0,    0,   0, 280, 150,   0,  0, "F B ɔ to ɪ rows (H95, K80 II; no ɔɪ data); dur M87 9-1"},  // 20

  {"P",   "p",   St,  Lab,  false,  400, 1100, 2150, 300, 100, 150,     0,    0,    0,    0,   43, 48.3,  57, 51, 45,  0,  0,  0,     0,    0,   0,  90,  50,   5, 58, "F B K80 III p; A BS79 falling; AF at the level of its aspiration (Z76's labials, 12 dB under t d k g, would sink under it); AS cal; dur M87 9-1; burst M87 C-7; VOT Z76"},  // 21
  {"B",   "b",   St,  Lab,  true,   200, 1100, 2150,  60, 100, 150,     0,    0,    0,   45,   14,    0,   0,  0,  0,  0,  0, 63,     0,    0,   0,  85,  60,   5, 15, "F B K80 III b; A K80 III (bypass, flat; not for p, whose aspiration follows through the parallel branch at once, while the bypass gain still falls); AF cal Z76 (12 dB under t d k g); dur M87 9-1; burst M87 C-7; VOT Z76"},  // 22
  {"T",   "t",   St,  Alv,  false,  400, 1600, 2600, 300, 100, 150,     0,    0,    0,    0,   40, 48.3,   0, 30, 63, 57, 45,  0,  3660,    0,   0,  75,  50,  15, 71, "F B K80 III t; A K80 III t, largest on F4 at the peak; peak Z76 t (by vowel); AF cal Z76; AS cal; dur M87 9-1; burst M87 C-7; VOT Z76"},  // 23
  {"D",   "d",   St,  Alv,  true,   200, 1600, 2600,  60, 100, 150,     0,    0,    0,   45,   37,    0,   0, 47, 62, 60, 60,  0,  3300,    0,   0,  75,  50,  10, 21, "F B K80 III d; A K80 III d, largest on F4 at the peak; peak Z76 d (by vowel); AF cal Z76; dur M87 9-1; burst M87 C-7; VOT Z76"},  // 24
  {"K",   "k",   St,  Vel,  false,  300, 1990, 2850, 250, 100, 150,     0,    0,    0,    0,   47, 48.3,   0, 53, 43, 45, 45,  0,     0,    0,   0,  80,  60,  25, 73, "F B A K80 III k (F2 by Z76 peak); AF cal Z76; AS cal; dur M87 9-1; burst M87 C-7; VOT Z76"},  // 25
  {"G",   "g",   St,  Vel,  true,   200, 1990, 2850,  60, 100, 150,     0,    0,    0,   45,   46,    0,   0, 53, 43, 45, 45,  0,     0,    0,   0,  80,  60,  20, 22, "F B A K80 III g (F2 by Z76 peak); AF cal Z76; dur M87 9-1; burst M87 C-7; VOT Z76's 30-38 held to a short lag (under 25)"},  // 26
  {"DX",  "ɾ",   St,  Alv,  true,   200, 1600, 2600,  60, 100, 150,     0,    0,    0,   45,    0,    0,   0,  0,  0,  0,  0,  0,     0,    0,   0,  20,  20,   0,  0, "F B K80 III d; dur M87 9-1 DX"},  // 27
  {"CH",  "tʃ",  Af,  Pal,  false,  300, 1840, 2750, 200, 100, 150,     0,    0,    0,    0, 46.6,    0,   0, 48, 57, 48, 46,  0,  3820,    0,   0,  70,  50,  15,  0, "F B A K80 III ʃ (A3 A4 swapped: the largest at the peak); AF cal J00; peak J00 ʃ; dur M87 9-1 (x2); burst M87 C-7"},  // 28
  {"JH",  "dʒ",  Af,  Pal,  true,   240, 1840, 2750,  70, 100, 150,     0,    0,    0,   38, 46.6,    0,   0, 48, 57, 48, 46,  0,  3820,    0,   0,  70,  50,  10,  0, "F B A K80 III ʃ (A3 A4 swapped), voiced as z; AF cal J00; peak J00 ʃ; dur M87 9-1 (closure; frication x 123/178, J00 ʒ/ʃ); burst M87 C-7"},  // 29

  {"F",   "f",   Fr,  Ld,   false,  340, 1100, 2080, 200, 100, 150,     0,    0,    0,    0,   22,    0,   0,  0,  0,  0,  0, 57,     0,    0,   0, 100,  80,   0,  0, "F B A K80 III f; AF cal J00; dur M87 9-1"},  // 30
  {"V",   "v",   Fr,  Ld,   true,   220, 1100, 2080,  60, 100, 150,     0,    0,    0,   38,   22,    0,   0,  0,  0,  0,  0, 57,     0,    0,   0,  60,  40,   0,  0, "F B A K80 III v; AF cal J00; AV cal; dur M87 9-1"},  // 31
  {"TH",  "θ",   Fr,  Den,  false,  320, 1290, 2540, 200, 100, 150,     0,    0,    0,    0,   30,    0,   0,  0,  0,  0, 28, 48,     0,    0,   0,  90,  60,   0,  0, "F B A K80 III θ; AF cal J00; dur M87 9-1"},  // 32
  {"DH",  "ð",   Fr,  Den,  true,   270, 1290, 2540,  60, 100, 150,     0,    0,    0,   38,   30,    0,   0,  0,  0,  0, 28, 48,     0,    0,   0,  50,  30,   0,  0, "F B A K80 III ð; AF cal J00; AV cal; dur M87 9-1"},  // 33
  {"S",   "s",   Fr,  Alv,  false,  320, 1390, 2530, 200, 100, 150,     0,    0,    0,    0, 48.5,    0,   0,  0,  0,  0, 52,  0,  6839,    0,   0, 105,  60,   0,  0, "F B A K80 III s; peak J00 s (K80 F6 4900 was the top of a 10-kHz synthesizer); AF cal J00; dur M87 9-1"},  // 34
  {"Z",   "z",   Fr,  Alv,  true,   240, 1390, 2530,  70, 100, 150,     0,    0,    0,   38, 48.5,    0,   0,  0,  0,  0, 52,  0,  6839,    0,   0,  75,  40,   0,  0, "F B A K80 III z; peak J00 s; AF cal J00; AV cal; dur M87 9-1"},  // 35
  {"SH",  "ʃ",   Fr,  Pal,  false,  300, 1840, 2750, 200, 100, 150,     0,    0,    0,    0, 46.6,    0,   0, 48, 57, 48, 46,  0,  3820,    0,   0, 105,  80,   0,  0, "F B A K80 III ʃ (A3 A4 swapped: the largest at the peak); peak J00 ʃ; AF cal J00; dur M87 9-1"},  // 36
  {"ZH",  "ʒ",   Fr,  Pal,  true,   240, 1840, 2750,  70, 100, 150,     0,    0,    0,   38, 46.6,    0,   0, 48, 57, 48, 46,  0,  3820,    0,   0,  70,  40,   0,  0, "F B A K80 III ʃ (A3 A4 swapped), voiced as z; peak J00 ʃ; AF cal J00; AV cal; dur M87 9-1"},  // 37
  {"HH",  "h",   Hh,  Glo,  false,    0,    0,    0,   0,   0,   0,     0,    0,    0,    0,    0, 50.3,   0,  0,  0,  0,  0,  0,     0,    0,   0,  80,  20,   0,  0, "F B of the next vowel (K80); AS cal; dur M87 9-1"},  // 38

  {"M",   "m",   Na,  Lab,  true,   270, 1000, 2130,  60,  60,  90,     0,    0,    0,   50,    0,    0,   0,  0,  0,  0,  0,  0,     0, 1000,  80,  70,  60,   0,  0, "F1 K80 III FNP (m); F2 B zero F62; F3 K80 III m; AV cal; dur M87 9-1"},  // 39
  {"N",   "n",   Na,  Alv,  true,   270, 1000, 2470,  40, 100, 110,     0,    0,    0,   50,    0,    0,   0,  0,  0,  0,  0,  0,     0, 1800, 600,  60,  50,   0,  0, "F1 K80 III FNP (n); F2 B zero F62; F3 K80 III n; AV cal; dur M87 9-1"},  // 40
  {"NG",  "ŋ",   Na,  Vel,  true,   350, 1050, 1900,  80, 100, 230,     0,    0,    0,   50,    0,    0,   0,  0,  0,  0,  0,  0,     0, 3000, 300,  95,  60,   0,  0, "F B zero F62 (zero > 3000, its bandwidth own); AV cal; dur M87 9-1"},  // 41
  {"EM",  "m̩",   Na,  Lab,  true,   270, 1000, 2130,  60,  60,  90,     0,    0,    0,   50,    0,    0,   0,  0,  0,  0,  0,  0,     0, 1000,  80, 170, 110,   0,  0, "as m; dur M87 9-1 EM"},  // 42
  {"EN",  "n̩",   Na,  Alv,  true,   270, 1000, 2470,  40, 100, 110,     0,    0,    0,   50,    0,    0,   0,  0,  0,  0,  0,  0,     0, 1800, 600, 170, 100,   0,  0, "as n; dur M87 9-1 EN"},  // 43
  {"L",   "l",   Li,  Alv,  true,   344, 1179, 2880,  50, 100, 280,     0,    0,    0,   58,    0,    0,   0,  0,  0,  0,  0,  0,     0,    0,   0,  80,  40,   0,  0, "F1 F2 D75; F3 B K80 III l; dur M87 9-1"},  // 44
  {"EL",  "l̩",   Li,  Alv,  true,   344, 1179, 2880,  50, 100, 280,     0,    0,    0,   58,    0,    0,   0,  0,  0,  0,  0,  0,     0,    0,   0, 260, 110,   0,  0, "as l; dur M87 9-1 EL"},  // 45
  {"R",   "ɹ",   Li,  Alv,  true,   348, 1061, 1546,  70, 100, 120,     0,    0,    0,   58,    0,    0,   0,  0,  0,  0,  0,  0,     0,    0,   0,  80,  30,   0,  0, "F D75; B K80 III ɹ; dur M87 9-1"},  // 46
  {"W",   "w",   Gl,  Lab,  true,   336,  732, 2290,  50,  80,  60,     0,    0,    0,   58,    0,    0,   0,  0,  0,  0,  0,  0,     0,    0,   0,  80,  60,   0,  0, "F D75; B K80 III w; dur M87 9-1"},  // 47
  {"Y",   "j",   Gl,  Pal,  true,   260, 2070, 3020,  40, 250, 500,     0,    0,    0,   58,    0,    0,   0,  0,  0,  0,  0,  0,     0,    0,   0,  80,  40,   0,  0, "F B K80 III j; dur M87 9-1"},  // 48

  {"PAU", "_",   Pa,  None, false,    0,    0,    0,   0,   0,   0,     0,    0,    0,    0,    0,    0,   0,  0,  0,  0,  0,  0,     0,    0,   0, 200, 200,   0,  0, "M87 rule 1 comma pause"},  // 49
};
// clang-format on

}  // namespace

const std::vector<Phone>& inventory() { return kPhones; }

const Phone* find_phone(const std::string& name) {
    for (const Phone& p : kPhones) {
        std::string upper = name;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (upper == p.name) return &p;
    }
    return nullptr;
}

const Phone* pause_phone() { return &kPhones.back(); }

bool is_vowel(const Phone& p) { return p.cls == Class::Vowel; }

bool is_sonorant(const Phone& p) {
    return p.cls == Class::Vowel || p.cls == Class::Nasal || p.cls == Class::Liquid ||
           p.cls == Class::Glide;
}

}  // namespace words
