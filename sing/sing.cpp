// The sing planner: syllables on notes. Each syllable's phones come from the words layer (its
// word through the grapheme-to-phoneme rules, split into syllables, each with its onset, its
// nucleus and its coda), are laid out in beats so that the nucleus starts on the note's time,
// and are written by the words layer's track writer. The pitch track is the notes' own: exact
// on every note, a short portamento into the next, a vibrato on sustained notes.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <functional>
#include <optional>

#include "g2p.h"
#include "phones.h"
#include "plan.h"
#include "speechscore.h"
#include "speechscore_sing.h"

namespace speechscore {
namespace sing {
namespace {

using words::Call;
using ::words::Class;
using ::words::last_at_or_before;
using ::words::Phone;
using ::words::Seg;

constexpr double kMs = 0.001;
constexpr double kF0Step = 0.01;           // s between pitch events
constexpr double kPortamento = 0.07;       // s: the glide into the next note, at least
constexpr double kGlideSlope = 4;          // octaves a second: a larger leap glides longer
constexpr double kPitchGlide = 0.05;       // s: the orchestra's pitch glide (PGLIDE)
constexpr double kVibratoFade = 0.15;      // s: the vibrato's extent grows over this time
constexpr double kTailShare = 0.5;         // consonants take at most this share of a note
constexpr double kLeastVowel = 1.0 / 3;    // a line's first note keeps this share for its vowel
constexpr double kRelease = 0.08;          // s: a phrase-final vowel dies away over this time
constexpr double kGlideOff = 0.15;         // s: a held diphthong moves to its offset at the end
constexpr double kGlideStep = 0.25;        // beats: a tempo glide steps at least this often
constexpr double kShortest = 0.001;        // s: the shortest note or rest
constexpr double kVoiceEdge = 0.02;        // s: the voice fades in and out at a rest
constexpr std::size_t kLongestWord = 256;  // bytes of a sung word's syllables
constexpr double kQuiet = 0.002;           // s: a fade-in's first part, to 40 dB under the level

// One sung syllable: its phones split around the nucleus (the first vowel on).
struct Sung {
    std::vector<Seg> onset, nucleus, coda;
    int word = 0;
    std::string text;
};

bool letter(unsigned char c) { return std::isalpha(c) || c == '\'' || c >= 0x80; }

// The text of a word without its punctuation.
std::string clean(const std::string& text) {
    std::string out;
    for (const char c : text)
        if (letter(static_cast<unsigned char>(c))) out += c;
    return out;
}

// The nearest steady vowel to a diphthong's onset: what a singer holds before the glide.
const Phone* held_vowel(const Phone& p) {
    if (p.f1b <= 0) return &p;
    const Phone* best = &p;
    double d = 1e18;
    for (const Phone& q : ::words::inventory()) {
        if (q.cls != Class::Vowel || q.f1b > 0) continue;
        const double e = std::pow(q.f1 - p.f1, 2) + std::pow((q.f2 - p.f2) / 2, 2);
        if (e < d) {
            d = e;
            best = &q;
        }
    }
    return best;
}

Seg vowel_seg(const Phone* p) {
    Seg g;
    g.ph = p;
    g.stress = 1;
    g.dur = p->inh * kMs;
    return g;
}

// Splits a word's phones into n sung syllables. The words layer's syllables are matched to the
// lyric's: extra ones join the last sung syllable, missing ones hold the vowel before.
bool syllables_of_word(const std::vector<std::string>& parts, int word, const std::string& lang,
                       std::vector<Sung>& out, Problem& problem, int firstIndex) {
    std::string text;
    for (std::size_t k = 0; k < parts.size(); ++k) {
        // A number is several words: its syllables go on notes of their own.
        if (std::any_of(parts[k].begin(), parts[k].end(),
                        [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
            problem = {"the syllable '" + parts[k] +
                           "' holds digits: write the number in words, a syllable to a note",
                       firstIndex + static_cast<int>(k), -1};
            return false;
        }
        text += clean(parts[k]);
    }
    ::words::Phrase ph;
    std::vector<std::vector<Seg>> groups;
    if (!text.empty()) {
        words::Problem wp;
        if (!::words::phones_of_text(text, lang, ph, wp)) {
            problem = {"cannot sing '" + text + "': " + wp.message, firstIndex, -1};
            return false;
        }
        ::words::time_phrase(ph);
        int last = -1;
        for (const Seg& g : ph.segs) {
            if (g.ph->cls == Class::Pause) continue;
            if (groups.empty() || g.syllable != last) groups.emplace_back();
            groups.back().push_back(g);
            last = g.syllable;
        }
    }
    // A syllable without a vowel joins the one before (or after).
    std::vector<std::vector<Seg>> merged;
    auto has_vowel = [](const std::vector<Seg>& gs) {
        return std::any_of(gs.begin(), gs.end(), [](const Seg& g) { return is_vowel(*g.ph); });
    };
    for (auto& g : groups) {
        if (!merged.empty() && (!has_vowel(g) || !has_vowel(merged.back())))
            merged.back().insert(merged.back().end(), g.begin(), g.end());
        else
            merged.push_back(g);
    }
    const std::size_t n = parts.size();
    while (merged.size() > n) {
        auto tail = merged.back();
        merged.pop_back();
        merged.back().insert(merged.back().end(), tail.begin(), tail.end());
    }
    for (std::size_t k = 0; k < n; ++k) {
        Sung s;
        s.word = word;
        s.text = parts[k];
        if (k < merged.size()) {
            const auto& gs = merged[k];
            std::size_t v = 0;
            while (v < gs.size() && !is_vowel(*gs[v].ph)) ++v;
            if (v == gs.size()) {  // no vowel: the last sonorant is the nucleus, else a schwa
                v = gs.size();
                while (v > 0 && !is_sonorant(*gs[v - 1].ph)) --v;
                if (v > 0) --v;
            }
            std::size_t c = gs.size();
            while (c > v + 1 && !is_vowel(*gs[c - 1].ph)) --c;
            s.onset.assign(gs.begin(),
                           gs.begin() + static_cast<std::ptrdiff_t>(std::min(v, gs.size())));
            if (v < gs.size()) {
                s.nucleus.assign(gs.begin() + static_cast<std::ptrdiff_t>(v),
                                 gs.begin() + static_cast<std::ptrdiff_t>(c));
                s.coda.assign(gs.begin() + static_cast<std::ptrdiff_t>(c), gs.end());
            }
        }
        if (s.nucleus.empty()) {
            // A lyric syllable with no phones of its own: the vowel before it, or "ah".
            const Phone* v = ::words::find_phone("AA");
            if (!out.empty() && !out.back().nucleus.empty()) v = out.back().nucleus.front().ph;
            s.nucleus.push_back(vowel_seg(held_vowel(*v)));
        }
        for (Seg& g : s.nucleus)
            if (is_vowel(*g.ph)) g.stress = 1;
        out.push_back(std::move(s));
    }
    return true;
}

double seconds(const std::vector<Seg>& gs) {
    double t = 0;
    for (const Seg& g : gs) t += g.dur;
    return t;
}

// A stretch of the line in beats: a syllable's span (its notes) or a rest.
struct Span {
    int syllable;  // -1: a rest
    double start, end;
};

// A phone laid out in beats.
struct Placed {
    Seg seg;
    double start, end;
};

// Lays consonants back to back, ending at end (or starting at start), squeezed by factor.
void place_run(const std::vector<Seg>& gs, double from, double factor, double secondsPerBeat,
               std::vector<Placed>& out) {
    double t = from;
    for (const Seg& g : gs) {
        const double len = g.dur * factor / secondsPerBeat;
        out.push_back({g, t, t + len});
        t += len;
    }
}

// Lays a held phone from `from` to `to`, cut where the tempo changes (at each of cuts inside
// it), so that each change falls on a phone's start.
void place_cut(const Seg& g, double from, double to, const std::vector<double>& cuts,
               std::vector<Placed>& out) {
    for (const double c : cuts) {
        if (c > from + 1e-9 && c < to - 1e-9) {
            out.push_back({g, from, c});
            from = c;
        }
    }
    out.push_back({g, from, to});
}

// Every phone of the line, in beats, with pauses in the gaps. secondsPerBeat(b): the tempo in
// force at beat b of the line, which turns the phones' seconds into beats where they stand.
std::vector<Placed> lay_out(const std::vector<Sung>& syl, const std::vector<Span>& spans,
                            const std::function<double(double)>& secondsPerBeat,
                            const std::vector<double>& cuts) {
    std::vector<Placed> out;
    const std::size_t n = spans.size();
    // Seconds a beat where each span's onset stands (before its beat, or at the line's start
    // after it) and where its end stands.
    std::vector<double> onS(n, 1), endS(n, 1);
    for (std::size_t k = 0; k < n; ++k) {
        const bool before = k > 0 && spans[k].start > 1e-9;
        onS[k] = secondsPerBeat(before ? spans[k].start - 1e-9 : spans[k].start);
        endS[k] = secondsPerBeat(std::max(spans[k].start, spans[k].end - 1e-9));
    }
    // Beats taken before each span's start by its onset, and before its end by its coda.
    std::vector<double> onB(n, 0), coB(n, 0), onF(n, 1), coF(n, 1);
    for (std::size_t k = 0; k < n; ++k) {
        if (spans[k].syllable < 0) continue;
        const Sung& s = syl[static_cast<std::size_t>(spans[k].syllable)];
        onB[k] = seconds(s.onset) / onS[k];
        coB[k] = seconds(s.coda) / endS[k];
    }
    for (std::size_t k = 0; k < n; ++k) {
        if (spans[k].syllable < 0) continue;
        const double len = spans[k].end - spans[k].start;
        // The tail of this note holds its coda and, when a syllable follows at once, the
        // next onset: together at most kTailShare of the note.
        const bool next = k + 1 < n && spans[k + 1].syllable >= 0;
        const double tail = coB[k] + (next ? onB[k + 1] : 0);
        const double f = tail > kTailShare * len ? kTailShare * len / tail : 1;
        coF[k] = f;
        if (next) onF[k + 1] = f;
        if (k == 0 || spans[k - 1].syllable < 0) {
            // After a rest: the onset takes the rest's end; at the line's start, the note's.
            const double room = k == 0 ? kTailShare * len : spans[k - 1].end - spans[k - 1].start;
            onF[k] = onB[k] > room ? room / onB[k] : 1;
        }
        const double consonants = onB[k] * onF[k] + tail * f;
        if (k == 0 && consonants > (1 - kLeastVowel) * len) {
            // At the line's start onset and coda share the note: both shorter, so that the
            // vowel keeps its share.
            const double g = (1 - kLeastVowel) * len / consonants;
            onF[k] *= g;
            coF[k] *= g;
            if (next) onF[k + 1] = coF[k];
        }
    }
    for (std::size_t k = 0; k < n; ++k) {
        const Span& sp = spans[k];
        if (sp.syllable < 0) continue;
        const Sung& s = syl[static_cast<std::size_t>(sp.syllable)];
        const double on = onB[k] * onF[k];
        double vowelStart = sp.start;
        if (k == 0) {
            place_run(s.onset, sp.start, onF[k], onS[k], out);
            vowelStart = sp.start + on;
        } else {
            place_run(s.onset, sp.start - on, onF[k], onS[k], out);
        }
        const bool next = k + 1 < n && spans[k + 1].syllable >= 0;
        const double nextOn = next ? onB[k + 1] * onF[k + 1] : 0;
        const double codaEnd = sp.end - nextOn;
        const double vowelEnd = codaEnd - coB[k] * coF[k];
        // The nucleus: its first vowel held, the rest at their own lengths (at most half).
        const Seg& first = s.nucleus.front();
        std::vector<Seg> rest(s.nucleus.begin() + 1, s.nucleus.end());
        const double vlen = vowelEnd - vowelStart;
        double restB = seconds(rest) / endS[k];
        double restF = restB > 0.5 * vlen ? 0.5 * vlen / restB : 1;
        const double heldEnd = vowelEnd - restB * restF;
        const Phone& p = *first.ph;
        Seg held = first;
        double glide = 0;
        if (p.f1b > 0 && rest.empty()) {
            held.ph = held_vowel(p);
            glide = std::min(kGlideOff / endS[k], 0.4 * (heldEnd - vowelStart));
        } else if (rest.empty() && coB[k] == 0 && !next) {
            // A vowel before a rest: its last part a short piece that dies away.
            glide = std::min(kRelease / endS[k], 0.3 * (heldEnd - vowelStart));
        }
        place_cut(held, vowelStart, heldEnd - glide, cuts, out);
        if (glide > 0) out.push_back({first, heldEnd - glide, heldEnd});
        place_run(rest, heldEnd, restF, endS[k], out);
        place_run(s.coda, vowelEnd, coF[k], endS[k], out);
    }
    // Pauses in the gaps, cut as held vowels are; phones in time order.
    std::stable_sort(out.begin(), out.end(),
                     [](const Placed& a, const Placed& b) { return a.start < b.start; });
    std::vector<Placed> full;
    double t = 0;
    const double end = spans.empty() ? 0 : spans.back().end;
    Seg pause;
    pause.ph = ::words::pause_phone();
    for (const Placed& q : out) {
        if (q.start > t + 1e-9) place_cut(pause, t, q.start, cuts, full);
        const double s0 = std::max(q.start, t);
        if (q.end > s0 + 1e-9) full.push_back({q.seg, s0, q.end});
        t = std::max(t, q.end);
    }
    if (end > t + 1e-9) place_cut(pause, t, end, cuts, full);
    return full;
}

double oct_of_hz(double hz) { return 8.75 + std::log2(hz / 440.0); }

// Beats left of the library's tempo glide, 0 when none runs.
double glide_left() {
    const bool running =
        spbGLMM != 0 && beatsaccum < beatslimit && std::isfinite(beatnew) && beatnew > 0;
    return running ? beatslimit - beatsaccum : 0;
}

// A sung note in seconds from the line's start.
struct Timed {
    double t0, t1, hz;
};

// The pitch, in octaves, at time t: the note sounding (a rest takes the next note's pitch),
// a straight glide into each note that follows another at once, and vibrato.
double pitch_at(const std::vector<Timed>& notes, const Vibrato& vib, double t) {
    std::size_t j = 0;
    j = static_cast<std::size_t>(
        std::upper_bound(notes.begin() + 1, notes.end(), t,
                         [](double at, const Timed& n) { return at < n.t0; }) -
        (notes.begin() + 1));
    if (t < notes[j].t0 || (t >= notes[j].t1 && j + 1 == notes.size())) {
        // Before the first note or after the last; in a rest, the next note.
    }
    const Timed& n = notes[j];
    double oct = oct_of_hz(n.hz);
    if (t >= n.t1 && j + 1 < notes.size()) return oct_of_hz(notes[j + 1].hz);  // in a rest
    const bool joined = j + 1 < notes.size() && notes[j + 1].t0 - n.t1 < 1e-6;
    // The glide into the next note: kPortamento, longer for a leap, so that F0 can follow it
    // (an aim is at most 0.25 octave ahead of F0, which goes a fifth of the way each 10 ms:
    // 5 octaves a second), within the last 30 % of the note.
    const double leap = joined ? std::fabs(oct_of_hz(notes[j + 1].hz) - oct) : 0;
    const double p =
        joined ? std::min(std::max(kPortamento, leap / kGlideSlope), 0.3 * (n.t1 - n.t0)) : 0;
    if (joined && t > n.t1 - p) {
        const double f = (t - (n.t1 - p)) / p;
        oct += (oct_of_hz(notes[j + 1].hz) - oct) * f;
    } else if (vib.on && n.t1 - n.t0 >= vib.minNote && t >= n.t0 + vib.delay) {
        const double a = t - n.t0 - vib.delay;
        const double fadeOut = std::clamp((n.t1 - p - t) / 0.1, 0.0, 1.0);
        const double grow = std::min(1.0, a / kVibratoFade);
        oct += vib.extent / 1200 * grow * fadeOut * std::sin(2 * M_PI * vib.rate * a);
    }
    return oct;
}

// Dynamics: dB added at beat b (a note's level, gliding to its end level; a rest the next).
double level_at(const std::vector<Note>& notes, const std::vector<double>& starts, double b) {
    // The note sounding at b: the last that starts at or before it.
    for (std::size_t j = last_at_or_before(starts, b); j < notes.size(); ++j) {
        const double e = starts[j] + notes[j].beats;
        if (b < e || j + 1 == notes.size()) {
            const double f = std::clamp((b - starts[j]) / notes[j].beats, 0.0, 1.0);
            return notes[j].level + (notes[j].levelEnd - notes[j].level) * f;
        }
    }
    return 0;
}

// The frequency of the note sounding at beat b (a rest takes the next note's); 0: none.
double hz_at(const std::vector<Note>& notes, const std::vector<double>& starts, double b) {
    for (std::size_t j = last_at_or_before(starts, b); j < notes.size(); ++j)
        if (notes[j].hz > 0 && (b < starts[j] + notes[j].beats || j + 1 == notes.size()))
            return notes[j].hz;
    return 0;
}

}  // namespace

bool sing(const Line& line, const Options& options, Problem& problem, std::vector<Call>* calls,
          words::Labels* labels) {
    if (line.notes.empty()) {
        problem = {"no notes to sing", -1, -1};
        return false;
    }
    if (!(beat > 0) || !std::isfinite(beat)) {
        problem = {"the tempo is not set", -1, -1};
        return false;
    }
    // The library's tempo glide still running when the line starts: beats of it left.
    const double gliding = glide_left();
    // The line's length in seconds at most: each note at the slowest tempo it may have.
    double total = 0;  // beats
    double longest = 0;
    double slowest = gliding > 0 ? std::max(beat, beatnew) : beat;
    for (std::size_t j = 0; j < line.notes.size(); ++j) {
        const Note& n = line.notes[j];
        if (!(n.beats * beat >= kShortest) || !std::isfinite(n.beats) ||
            (n.hz != 0 && !(n.hz >= 20 && n.hz <= 2000)) || !std::isfinite(n.level) ||
            !std::isfinite(n.levelEnd) || std::fabs(n.level) > 40 || std::fabs(n.levelEnd) > 40 ||
            !(n.mark == 0 || (n.mark >= 1 && n.mark <= 10000)) ||
            !(n.glideBeats == 0 || (n.glideBeats > 0 && n.glideBeats <= 1e6 && n.glideMark >= 1 &&
                                    n.glideMark <= 10000))) {
            problem = {
                "a note needs a length of 1 ms or more, a pitch of 20 to 2000 Hz, a level "
                "within 40 dB of mf, and tempo marks of 1 to 10000 a minute",
                -1, static_cast<int>(j)};
            return false;
        }
        if (n.syllable >= static_cast<int>(line.syllables.size())) {
            problem = {"the note has no syllable", -1, static_cast<int>(j)};
            return false;
        }
        if (n.mark > 0) slowest = 60 / n.mark;
        if (n.glideBeats > 0) slowest = std::max(slowest, 60 / n.glideMark);
        total += n.beats;
        longest += n.beats * slowest;
    }
    if (!(longest <= 3600)) {
        problem = {"a line lasts at most an hour", -1, -1};
        return false;
    }
    // The syllables' phones, word by word.
    std::vector<Sung> syl;
    for (std::size_t k = 0; k < line.syllables.size();) {
        std::size_t e = k;
        while (e + 1 < line.syllables.size() && !line.syllables[e].wordEnd) ++e;
        std::vector<std::string> parts;
        std::size_t bytes = 0;
        for (std::size_t q = k; q <= e; ++q) {
            parts.push_back(line.syllables[q].text);
            bytes += parts.back().size();
        }
        if (bytes > kLongestWord) {  // the syllables are found in time that grows as its square
            problem = {"a word of " + std::to_string(bytes) + " bytes; a sung word has at most " +
                           std::to_string(kLongestWord),
                       static_cast<int>(k), -1};
            return false;
        }
        if (!syllables_of_word(parts, static_cast<int>(syl.size()), options.lang, syl, problem,
                               static_cast<int>(k)))
            return false;
        k = e + 1;
    }
    // Spans: a syllable from its note to the end of the notes that hold it; rests.
    std::vector<Span> spans;
    std::vector<double> starts;
    double b = 0;
    int current = -1;
    for (const Note& n : line.notes) {
        starts.push_back(b);
        if (n.hz == 0) {
            if (!spans.empty() && spans.back().syllable < 0)
                spans.back().end += n.beats;
            else
                spans.push_back({-1, b, b + n.beats});
            current = -1;
        } else if (n.syllable >= 0 || current < 0 || spans.empty() || spans.back().syllable < 0) {
            int s = n.syllable;
            if (s < 0) {
                // A held syllable after a rest: its vowel again.
                Sung again;
                const Phone* v = ::words::find_phone("AA");
                int from =
                    current >= 0 ? current : (syl.empty() ? -1 : static_cast<int>(syl.size()) - 1);
                for (std::size_t q = spans.size(); q-- > 0;)
                    if (spans[q].syllable >= 0) {
                        from = spans[q].syllable;
                        break;
                    }
                if (from >= 0) {
                    v = syl[static_cast<std::size_t>(from)].nucleus.front().ph;
                    again.text = syl[static_cast<std::size_t>(from)].text;  // its label too
                }
                again.nucleus.push_back(vowel_seg(held_vowel(*v)));
                again.word = from >= 0 ? syl[static_cast<std::size_t>(from)].word : 0;
                syl.push_back(again);
                s = static_cast<int>(syl.size()) - 1;
            }
            spans.push_back({s, b, b + n.beats});
            current = s;
        } else {
            spans.back().end += n.beats;
        }
        b += n.beats;
    }
    const double spb = beat;
    // Tempo marks and glides, at their notes' beats.
    std::vector<std::pair<double, const Note*>> tempi;
    std::vector<double> cuts;
    // The tempo through the line: from a beat on, seconds a beat gliding from `from` to `to`
    // over `beats` (0: at once), as the library's glide moves it.
    struct Stretch {
        double at, from, to, beats;
    };
    std::vector<Stretch> tempo = {{0, spb, spb, 0}};
    // The glide steps at every phone: a held vowel under it is cut every quarter beat, so that
    // the tempo moves smoothly; so is one still running when the line starts.
    auto glide_cuts = [&cuts](double from, double beats) {
        for (double g = kGlideStep; g < beats && cuts.size() < 100000; g += kGlideStep)
            cuts.push_back(from + g);
    };
    if (gliding > 0) {
        tempo.front() = {0, spb, beatnew, gliding};
        glide_cuts(0, gliding);
    }
    auto spb_at = [&tempo](double when) {
        std::size_t i = tempo.size() - 1;
        while (i > 0 && tempo[i].at > when) --i;
        const Stretch& t = tempo[i];
        if (t.beats <= 0 || when >= t.at + t.beats) return t.to;
        return t.from + (t.to - t.from) * (when - t.at) / t.beats;
    };
    for (std::size_t j = 0; j < line.notes.size(); ++j) {
        const Note& n = line.notes[j];
        if (n.mark > 0 || n.glideBeats > 0) {
            tempi.push_back({starts[j], &n});
            cuts.push_back(starts[j]);
            const double now = n.mark > 0 ? 60 / n.mark : spb_at(starts[j]);
            tempo.push_back(n.glideBeats > 0
                                ? Stretch{starts[j], now, 60 / n.glideMark, n.glideBeats}
                                : Stretch{starts[j], now, now, 0});
            glide_cuts(starts[j], n.glideBeats);
        }
    }
    std::sort(cuts.begin(), cuts.end());
    const std::vector<Placed> placed = lay_out(syl, spans, spb_at, cuts);
    ::words::Phrase ph;
    for (const Placed& q : placed) {
        Seg g = q.seg;
        g.start = q.start * spb;
        g.dur = (q.end - q.start) * spb;
        ph.segs.push_back(g);
    }
    for (std::size_t i = 0; i < ph.segs.size(); ++i) ph.segs[i].syllable = static_cast<int>(i);
    if (ph.segs.empty()) {
        problem = {"the line is too short to sing", -1, -1};
        return false;
    }

    // Write it: the words layer's tracks, with the voice's source settings, the dynamics on
    // the voicing and the notes' own pitch track.
    const Voice* v = options.voice;
    std::vector<double> realStart;  // seconds of each phone's start, from the tempo steps
    std::vector<double> span;
    double now = 0;
    double avNow = 0;
    double avLast = 0;
    // Whether the phone at time t (or the one before it) is a pause: a phrase's edge.
    auto after_pause = [&](double t) {
        std::size_t i = 0;
        i = last_at_or_before(realStart, t + 1e-9);
        const auto pause = [&](std::size_t k) { return placed[k].seg.ph->cls == Class::Pause; };
        return i == 0 || pause(i) || pause(i - 1);
    };
    std::size_t glmm = 0;
    std::size_t nextTempo = 0;
    auto emit_one = [&](const Call& c) {
        if (!words::execute(c)) {
            if (c.op == "genTRC") genTRC(c.args[0], static_cast<int>(std::lround(c.args[1])));
            if (c.op == "metronome") metronome(c.args[0]);
            if (c.op == "glMM") glMM(c.args[0], c.args[1]);
        }
        if (calls != nullptr) calls->push_back(c);
    };
    auto beat_of = [&](double t) {  // score seconds from the line's start to beats
        std::size_t i = 0;
        i = last_at_or_before(realStart, t);
        const double f = span[i] > 0 ? (t - realStart[i]) / span[i] : 0;
        return placed[i].start + f * (placed[i].end - placed[i].start);
    };
    auto sec_of = [&](double bt) {  // beats to score seconds from the line's start
        std::size_t i = 0;
        i = static_cast<std::size_t>(
            std::upper_bound(placed.begin() + 1, placed.end(), bt,
                             [](double at, const Placed& q) { return at < q.start; }) -
            (placed.begin() + 1));
        const double len = placed[i].end - placed[i].start;
        const double f = len > 0 ? (bt - placed[i].start) / len : 0;
        return realStart[i] + f * span[i];
    };
    // A silent stretch of the voice, held back until the voice's next event, which may start
    // an open phase into it (below).
    std::optional<Call> silent;
    auto flush_silent = [&] {
        if (silent) emit_one(*silent);
        silent.reset();
    };
    std::function<void(const Call&)> emit;
    emit = [&](const Call& c0) {
        if (c0.op != "genAV") flush_silent();
        Call c = c0;
        if (c.op == "doGLMM") {
            // The tempo marks due by this phone's start, before its tempo step.
            while (nextTempo < tempi.size() &&
                   tempi[nextTempo].first <= placed[glmm].start + 1e-9) {
                const Note& n = *tempi[nextTempo++].second;
                if (n.mark > 0) emit_one({"metronome", {n.mark}});
                if (n.glideBeats > 0) emit_one({"glMM", {n.glideBeats, n.glideMark}});
            }
            emit_one(c);
            realStart.push_back(now);
            span.push_back(c.args[0] * beat);
            now += c.args[0] * beat;
            ++glmm;
            return;
        }
        if (c.op == "genF0") return;           // the notes' own pitch track follows
        if (c.op == "genDV") c.args[1] = DVn;  // the default voicing onset: no clicks
        if (v != nullptr && c.op == "genOQ") c.args[1] = v->oq;
        if (v != nullptr && c.op == "genTL") c.args[1] *= v->tl;
        if (v != nullptr && c.op == "genAS" && c.args[1] > 0)
            c.args[1] = std::min(100.0, c.args[1] + v->breath);
        if (v != nullptr && v->trach != 37 && c.op == "restTrc") {
            emit_one({"genTRC", {c.args[0] - 0.5 * kMs, static_cast<double>(v->trach)}});
            emit_one({"genTRC", {0.5 * kMs, 37}});
            return;
        }
        if (c.op == "genAV") {
            const double t0 = avNow;
            const double t1 = avNow + c.args[0];
            avNow = t1;
            const bool fromSilence = avLast <= 0;
            avLast = c.args[1];
            if (after_pause(t0) && c.args[2] == 0 && c.args[0] > 2 * kVoiceEdge &&
                (c.args[1] <= 0) != fromSilence) {
                // The voice starts or stops at a rest. Stopping, its level falls at once (the
                // orchestra takes a glide to silence as a step: a half-time of 0.5 ms).
                // Starting, it glides up from silence over kVoiceEdge, in two glides, as the
                // orchestra's glides are straight in gain: to 40 dB under the level over
                // kQuiet, so that the first periods (the first takes its level at once) are
                // more than 40 dB under it, no click; then to the level.
                const double first =
                    c.args[1] > 0
                        ? std::min(100.0, c.args[1] + level_at(line.notes, starts, beat_of(t0)))
                        : 0;
                // From silence, the voice's first period closes (exciting the formants) an open
                // phase after it starts: it starts that much into the silence before it, so
                // that its first closure falls on its time, as a stop's voicing does.
                double lead = 0;
                const double hz = hz_at(line.notes, starts, beat_of(t0));
                if (c.args[1] > 0 && silent && hz > 0) {
                    const double oq = v != nullptr ? v->oq : OQn;
                    lead = std::max(0.0, std::min(oq / hz, silent->args[0] - kShortest));
                    silent->args[0] -= lead;
                }
                flush_silent();
                if (first > 0) {
                    emit_one({"genAV", {kQuiet, std::max(1.0, first - 40), 1}});
                    emit_one({"genAV", {kVoiceEdge - kQuiet, first, 1}});
                } else {
                    emit_one({"genAV", {kVoiceEdge, first, 1}});
                }
                c.args[0] += lead - kVoiceEdge;
                avNow = t0 - lead + kVoiceEdge;
                emit(c);
                return;
            }
            const double d0 = level_at(line.notes, starts, beat_of(t0));
            const double d1 = level_at(line.notes, starts, beat_of(t1));
            flush_silent();
            if (c.args[1] <= 0 && c.args[2] == 0) {
                silent = c;
                return;
            }
            if (c.args[1] <= 0 || (std::fabs(d1 - d0) < 0.5 && c.args[2] == 0)) {
                if (c.args[1] > 0) c.args[1] = std::min(100.0, c.args[1] + d0);
                emit_one(c);
                return;
            }
            if (c.args[2] != 0) {
                c.args[1] = std::min(100.0, c.args[1] + d1);
                emit_one(c);
                return;
            }
            // A hairpin across a steady level: pieces of at most 50 ms gliding on.
            const int pieces = std::max(1, static_cast<int>(std::ceil((t1 - t0) / 0.05)));
            const double level = c.args[1];
            for (int k = 0; k < pieces; ++k) {
                const double a = t0 + (t1 - t0) * k / pieces;
                const double e = k + 1 == pieces ? t1 : t0 + (t1 - t0) * (k + 1) / pieces;
                const double d = level_at(line.notes, starts, beat_of(k == 0 ? a : e));
                emit_one({"genAV", {e - a, std::min(100.0, level + d), k == 0 ? 0.0 : 1.0}});
            }
            return;
        }
        emit_one(c);
    };
    words::Options wo;
    wo.lang = options.lang;
    wo.beats = total;
    const double start = timepoints[3];
    ::words::write_phrase(ph, wo, emit, ::words::kSungTilt);
    flush_silent();
    (void)glmm;

    // The pitch track.
    std::vector<Timed> notes;
    for (std::size_t j = 0; j < line.notes.size(); ++j) {
        if (line.notes[j].hz == 0) continue;
        notes.push_back(
            {sec_of(starts[j]), sec_of(starts[j] + line.notes[j].beats), line.notes[j].hz});
    }
    const double end = now;
    if (notes.empty()) {
        emit_one({"genF0", {end, oct_of_hz(110)}});
    } else {
        // The orchestra moves F0 to each new value along a line of kPitchGlide from where it
        // is: each value is set so that F0 is on the contour at the end of its step.
        double t = 0;
        double pending = 0;
        double value = -1;
        double x = pitch_at(notes, options.vibrato, 0);  // where F0 is
        while (t < end - 1e-9) {
            const double t1 = std::min(end, t + kF0Step);
            const double target = pitch_at(notes, options.vibrato, t1);
            const double share = std::min(1.0, (t1 - t) / kPitchGlide);
            double next = std::fabs(target - x) < 1e-5 ? target : x + (target - x) / share;
            next = std::clamp(next, target - 0.25, target + 0.25);
            next = std::round(next * 1000) / 1000;
            if (value >= 0 && (next != value || std::fabs(x - next) > 1e-9)) {
                emit_one({"genF0", {pending, value}});
                pending = 0;
            }
            x += (next - x) * share;
            if (std::fabs(x - next) < 1e-9) x = next;
            value = next;
            pending += t1 - t;
            t = t1;
        }
        if (pending > 0) emit_one({"genF0", {pending, value}});
    }

    if (labels != nullptr) {
        for (std::size_t i = 0; i < placed.size(); ++i) {
            const double a = start + realStart[i];
            labels->phones.push_back(
                {a, a + span[i],
                 placed[i].seg.ph->cls == Class::Pause ? "" : placed[i].seg.ph->name});
        }
        for (const Span& sp : spans) {
            if (sp.syllable < 0) continue;
            const Sung& s = syl[static_cast<std::size_t>(sp.syllable)];
            labels->words.push_back({start + sec_of(sp.start), start + sec_of(sp.end), s.text});
        }
    }
    return true;
}

}  // namespace sing
}  // namespace speechscore
