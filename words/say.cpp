// The public face of the words layer: say a phrase, make or print its library calls, write
// its labels as a Praat TextGrid.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "g2p.h"
#include "plan.h"
#include "speechscore.h"
#include "speechscore_words.h"

namespace speechscore {
namespace words {
namespace {

using Invoke = void (*)(const double* a);

struct Entry {
    const char* op;
    int count;
    Invoke invoke;
};

int as_int(double v) { return static_cast<int>(std::lround(v)); }

// The calls the layer makes, by name, with their argument counts.
// clang-format off
const Entry kCalls[] = {
    {"doGLMM",   1, [](const double* a) { doGLMM(a[0]); }},
    {"doGLVSrc", 1, [](const double* a) { doGLVSrc(a[0]); }},
    {"doGLAS",   1, [](const double* a) { doGLAS(a[0]); }},
    {"doGLAF",   1, [](const double* a) { doGLAF(a[0]); }},
    {"frqF1",    3, [](const double* a) { frqF1(a[0], a[1], a[2]); }},
    {"frqF2",    3, [](const double* a) { frqF2(a[0], a[1], a[2]); }},
    {"frqF3",    3, [](const double* a) { frqF3(a[0], a[1], a[2]); }},
    {"frqF4_8", 12, [](const double* a) { frqF4_8(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9], a[10], a[11]); }},
    {"frqPara", 12, [](const double* a) { frqPara(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9], a[10], a[11]); }},
    {"genAV",    3, [](const double* a) { genAV(a[0], a[1], a[2]); }},
    {"genF0",    2, [](const double* a) { genF0(a[0], a[1]); }},
    {"genOQ",    2, [](const double* a) { genOQ(a[0], a[1]); }},
    {"genFL",    2, [](const double* a) { genFL(a[0], a[1]); }},
    {"genDI",    2, [](const double* a) { genDI(a[0], a[1]); }},
    {"genTL",    2, [](const double* a) { genTL(a[0], a[1]); }},
    {"genDV",    2, [](const double* a) { genDV(a[0], a[1]); }},
    {"genFV",    2, [](const double* a) { genFV(a[0], a[1]); }},
    {"genAS",    3, [](const double* a) { genAS(a[0], a[1], a[2]); }},
    {"genAF",    3, [](const double* a) { genAF(a[0], a[1], a[2]); }},
    {"genNAS",   2, [](const double* a) { genNAS(a[0], as_int(a[1])); }},
    {"restTrc",  1, [](const double* a) { restTrc(a[0]); }},
    {"restDf1",  1, [](const double* a) { restDf1(a[0]); }},
    {"=nasaltrach", 3, [](const double* a) { nasaltrach[std::clamp(as_int(a[0]), 0, 5)][std::clamp(as_int(a[1]), 0, 3)] = a[2]; }},
};
// clang-format on

std::string number(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

std::string quoted_text(const std::string& s) {
    std::string out;
    for (const char c : s) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out;
}

void grid_tier(std::string& out, int item, const char* name, const std::vector<Label>& labels,
               double end) {
    // Intervals without gaps: empty ones between the labels.
    std::vector<Label> all;
    double t = 0;
    for (const Label& l : labels) {
        if (l.start > t + 1e-9) all.push_back({t, l.start, ""});
        all.push_back({std::max(l.start, t), l.end, l.text});
        t = l.end;
    }
    if (end > t + 1e-9 || all.empty()) all.push_back({t, end, ""});
    out += "    item [" + std::to_string(item) + "]:\n";
    out += "        class = \"IntervalTier\"\n";
    out += "        name = \"" + std::string(name) + "\"\n";
    out += "        xmin = 0\n        xmax = " + number(end) + "\n";
    out += "        intervals: size = " + std::to_string(all.size()) + "\n";
    for (std::size_t i = 0; i < all.size(); ++i) {
        out += "        intervals [" + std::to_string(i + 1) + "]:\n";
        out += "            xmin = " + number(all[i].start) + "\n";
        out += "            xmax = " + number(all[i].end) + "\n";
        out += "            text = \"" + quoted_text(all[i].text) + "\"\n";
    }
}

}  // namespace

std::string script_line(const Call& call) {
    if (call.op == "=nasaltrach" && call.args.size() == 3) {
        return "nasaltrach[" + number(call.args[0]) + "][" + number(call.args[1]) +
               "] = " + number(call.args[2]);
    }
    std::string line = call.op;
    for (const double a : call.args) line += " " + number(a);
    return line;
}

bool knows_language(const std::string& lang) {
    Problem problem;
    return ::words::language_ready(lang, problem);
}

bool execute(const Call& call) {
    for (const Entry& e : kCalls) {
        if (call.op == e.op && static_cast<int>(call.args.size()) == e.count) {
            e.invoke(call.args.data());
            return true;
        }
    }
    return false;
}

bool say(const std::string& phrase, Input input, const Options& options, Problem& problem,
         std::vector<Call>* calls, Labels* labels) {
    ::words::Phrase ph;
    bool ok = false;
    if (input == Input::Text) ok = ::words::phones_of_text(phrase, options.lang, ph, problem);
    if (input == Input::Arpabet) ok = ::words::phones_of_arpabet(phrase, ph, problem);
    if (input == Input::Ipa) ok = ::words::phones_of_ipa(phrase, ph, problem);
    if (!ok) return false;
    if (!(options.beats >= 0) || !std::isfinite(options.beats)) {
        problem = {"beats must be a number of beats above 0", 0};
        return false;
    }
    for (const PitchPoint& p : options.pitch) {
        // 20 to 2000 Hz: well inside the pitch scale the voice generator accepts (0..12).
        if (!(p.hz >= 20 && p.hz <= 2000) || !(p.at >= 0) || !std::isfinite(p.at)) {
            problem = {"a pitch point needs a frequency of 20 to 2000 Hz and a time of 0 or more",
                       0};
            return false;
        }
    }
    if (options.beats > 0 && !(options.beats * beat <= 3600)) {
        problem = {"beats=" + number(options.beats) + " would last " +
                       number(options.beats * beat) + " s; a phrase lasts at most an hour",
                   0};
        return false;
    }
    if (!(beat > 0) || !std::isfinite(beat)) {
        problem = {"the tempo is not set (beat = " + number(beat) + ")", 0};
        return false;
    }
    ::words::time_phrase(ph);
    // A point per syllable needs its syllable (one with a vowel).
    int syllables = 0;
    for (const ::words::Seg& g : ph.segs)
        if (::words::is_vowel(*g.ph)) syllables = std::max(syllables, g.syllable + 1);
    for (const PitchPoint& p : options.pitch) {
        if (p.perSyllable && !(p.at < syllables)) {
            problem = {"a pitch point is on syllable " + number(p.at) +
                           " (from 0), but the phrase has " + std::to_string(syllables) +
                           (syllables == 1 ? " syllable" : " syllables"),
                       0};
            return false;
        }
    }
    const double natural = ph.segs.back().start + ph.segs.back().dur;
    if (options.beats == 0 && !(natural <= 3600)) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.0f", natural);
        problem = {std::string("the phrase would last ") + seconds +
                       " s at its natural rate; a phrase lasts at most an hour (say it in several "
                       "lines)",
                   0};
        return false;
    }
    // As a sung note, each phone lasts 1 ms or more: the score's times have four decimals, and a
    // shorter phone would be written as events of no length.
    const double phones = static_cast<double>(ph.segs.size());
    if (options.beats > 0 && !(options.beats * beat >= 0.001 * phones)) {
        char each[32];
        std::snprintf(each, sizeof each, "%.3g", options.beats * beat / phones * 1000);
        problem = {"beats=" + number(options.beats) + " would leave the phrase's " +
                       std::to_string(ph.segs.size()) + " phones and pauses " + each +
                       " ms each; each needs 1 ms or more",
                   0};
        return false;
    }
    const double start = timepoints[3];  // the F1 track's time line
    const std::vector<double> spans = ::words::write_phrase(ph, options, [&](const Call& c) {
        execute(c);
        if (calls != nullptr) calls->push_back(c);
    });
    if (labels != nullptr) {
        std::vector<double> at(spans.size() + 1, start);
        for (std::size_t i = 0; i < spans.size(); ++i) at[i + 1] = at[i] + spans[i];
        for (std::size_t i = 0; i < ph.segs.size(); ++i) {
            const ::words::Seg& g = ph.segs[i];
            labels->phones.push_back(
                {at[i], at[i + 1], g.ph->cls == ::words::Class::Pause ? "" : g.ph->name});
        }
        bool labelled = false;  // a word of this phrase has its label
        for (std::size_t w = 0; w < ph.words.size(); ++w) {
            double first = -1;
            double last = -1;
            for (std::size_t i = 0; i < ph.segs.size(); ++i) {
                if (ph.segs[i].word != static_cast<int>(w)) continue;
                if (first < 0) first = at[i];
                last = at[i + 1];
            }
            if (first < 0) continue;
            if (ph.words[w].joined && labelled)
                labels->words.back().end = last;
            else
                labels->words.push_back({first, last, ph.words[w].text});
            labelled = true;
        }
    }
    return true;
}

bool say(const std::string& text) {
    Problem problem;
    if (say(text, Input::Text, Options(), problem)) return true;
    std::fprintf(stderr, "say: %s\n", problem.message.c_str());
    return false;
}

std::string text_grid(const Labels& labels, double end) {
    for (const Label& l : labels.words) end = std::max(end, l.end);
    for (const Label& l : labels.phones) end = std::max(end, l.end);
    std::string out = "File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n\n";
    out += "xmin = 0\nxmax = " + number(end) + "\ntiers? <exists>\nsize = 2\nitem []:\n";
    grid_tier(out, 1, "words", labels.words, end);
    grid_tier(out, 2, "phones", labels.phones, end);
    return out;
}

}  // namespace words
}  // namespace speechscore
