// Sung lines and song files rendered and measured by sing_measure.praat (checked first on a tone
// of known pitch and onset): vowel onsets, pitch, vibrato and clicks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_support.h"
#include "support/child.h"

namespace {

const std::string kMeasure = std::string(SPEECHSCORE_TESTS_DIR) + "/sing_measure.praat";

struct Take {
    std::vector<std::pair<double, double>> pitch;  // time, Hz (0 unvoiced)
    std::vector<std::pair<double, double>> level;  // time, dB of each millisecond
    std::string log;
};

Take measure(const ScratchDir& dir, const std::string& wav) {
    Take take;
    const ChildResult r = run_in(dir.path(), {"praat", "--run", kMeasure, dir.path() + "/" + wav});
    take.log = r.out + r.err;
    std::istringstream in(r.out);
    std::string kind;
    double t = 0;
    double v = 0;
    while (in >> kind >> t >> v) (kind == "P" ? take.pitch : take.level).push_back({t, v});
    return take;
}

// Median F0 in [from, to), Hz; 0 when nothing is voiced.
double median_f0(const Take& take, double from, double to) {
    std::vector<double> f;
    for (const auto& [t, hz] : take.pitch)
        if (t >= from && t < to && hz > 0) f.push_back(hz);
    if (f.empty()) return 0;
    std::nth_element(f.begin(), f.begin() + static_cast<std::ptrdiff_t>(f.size() / 2), f.end());
    return f[f.size() / 2];
}

// The voicing onset (an unvoiced frame followed by a voiced one) nearest to time t.
double voice_onset(const Take& take, double t) {
    double best = -1;
    for (std::size_t i = 1; i < take.pitch.size(); ++i) {
        if (take.pitch[i].second > 0 && take.pitch[i - 1].second == 0 &&
            (best < 0 || std::fabs(take.pitch[i].first - t) < std::fabs(best - t)))
            best = take.pitch[i].first;
    }
    return best;
}

double cents(double hz, double ref) { return 1200 * std::log2(hz / ref); }
double key_hz(double key) { return 440 * std::exp2((key - 69) / 12); }

// Notes written "key:beats" (one beat without ":beats"; key 0 a rest) from start: every note of
// 150 ms or more has its median F0 within 15 cents of its key, and a note marked "*" (its
// syllable starts with a voiceless consonant, so the voice starts with the vowel) its voicing
// onset within 15 ms of its time (Praat's frames are 5 ms apart).
void check_notes(const Take& take, const std::string& notes, double start, double secondsPerBeat,
                 double onsetWithin = 0.015) {
    double t = start;
    std::istringstream words(notes);
    for (std::string w; words >> w;) {
        const double key = std::stod(w);
        const std::size_t colon = w.find(':');
        const double len =
            (colon == std::string::npos ? 1 : std::stod(w.substr(colon + 1))) * secondsPerBeat;
        if (key > 0 && len >= 0.15) {
            const double f = median_f0(take, t, t + len);
            ASSERT_GT(f, 0) << "the note at " << t;
            EXPECT_LT(std::fabs(cents(f, key_hz(key))), 15) << "the note at " << t;
        }
        if (w.back() == '*') {
            EXPECT_NEAR(voice_onset(take, t), t, onsetWithin) << "the note at " << t;
        }
        t += len;
    }
}

TEST(SingMeasure, KnownSignal) {
    // A 330 Hz tone from 0.5 s: its pitch and onset as made.
    ScratchDir dir;
    const ChildResult made = run_in(dir.path(), {"sox", "-n", "-r", "44100", "-b", "16", "tone.wav",
                                                 "synth", "1", "sine", "330", "pad", "0.5", "0.5"});
    ASSERT_EQ(made.status, 0) << made.err;
    const Take take = measure(dir, "tone.wav");
    EXPECT_LT(std::fabs(cents(median_f0(take, 0.5, 1.5), 330)), 1) << take.log;
    EXPECT_NEAR(voice_onset(take, 0.5), 0.5, 0.01);
}

// A sung line (with a tie: one note of the two lengths), a song file, a song whose first note
// stands at its very start (its vowel on the beat after a lead-in of 0.5 s for its consonants) and
// two lyric documents of the public test suite (at their default 120 a minute after the lead-in).
TEST(SingMeasure, VowelsStartOnTheirNotesAtTheirPitch) {
    ScratchDir dir;
    dir.write("s.ss",
              "start1 0 1 1 1 1 1 0 1 1\nstartmn\nmetronome 100\nvoice tenor\n"
              "sing \"ta ka pa sa to ki pu\" r/1 C4/1 E4/1/2 G4/1/2 C5/1/2~ C5/1/2 r/1/2 B4/1/2 "
              "G4/1 C4/2\n"
              "Rest 0.5\nfine\n");
    // A bass's low vowels after rests: each starts an open phase ahead, so that its first
    // glottal closure falls on the beat (Praat read them 12 ms late from voices started on it);
    // the first after a Rest statement, which the line takes as its own rest.
    dir.write("bass.ss",
              "start1 0 1 1 1 1 1 0 1 1\nstartmn\nmetronome 60\nvoice bass\nRest 1\n"
              "sing \"oo ee oo ee\" E2/1 r/1 E2/1 r/1 A2/1 r/1 A2/1\nRest 0.5\nfine\n");
    dir.write(
        "first.musicxml",
        "<score-partwise><part-list><score-part id=\"P1\"/></part-list><part id=\"P1\"><measure "
        "number=\"1\"><attributes><divisions>1</divisions></attributes><note><pitch><step>A"
        "</step><octave>3</octave></pitch><duration>1</duration><lyric><text>ta</text></lyric>"
        "</note></measure></part></score-partwise>");
    const std::string docs = SPEECHSCORE_SONG_CONFORMANCE;
    struct Case {
        std::string input;
        const char* notes;
        double start, secondsPerBeat;
        double onsetWithin = 0.015;
    };
    const Case cases[] = {
        {dir.file("s.ss"), "0 60* 64:0.5* 67:0.5* 72* 0:0.5 71:0.5* 67* 60:2*", 0, 0.6},
        {dir.file("bass.ss"), "0 40* 0 40* 0 45* 0 45*", 0, 1, 0.01},
        // Twin-kle twin-kle lit-tle star (a breath), how I won-der what you are; 100 a minute.
        {std::string(SPEECHSCORE_EXAMPLES_SOURCE) + "/twinkle.musicxml",
         "60 60 67 67 69 69 67:1.5 0:0.5 65* 65 64 64 62 62 60:2", 0.5, 0.6},
        {dir.file("first.musicxml"), "57*", 0.5, 0.5},
        // Ly-rics on chords: the top notes; "on" after the s of "rics", "chords" after its ch.
        {docs + "/61e-Lyrics-Chords.xml", "72 72 72* 72*", 0.5, 0.5},
        // This (a fermata: 1.5 times) is the, a rest, lyrics of Voice1: "is" after the s of
        // "This", "of" after the s of "lyrics".
        {docs + "/42a-MultiVoice-TwoVoicesOnStaff-Lyrics.xml", "76:3 74* 71 0 74 59:1.5* 72:0.5",
         0.5, 0.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        const ChildResult r = run_in(dir.path(), {SPEECHSCORE_CLI, c.input, "--render", "t.wav"});
        ASSERT_EQ(r.status, 0) << r.err;
        check_notes(measure(dir, "t.wav"), c.notes, c.start, c.secondsPerBeat, c.onsetWithin);
    }
}

// voice_measure.praat's "F1 F2 H1-H2 tilt H1-A3" of a steady stretch of a take.
std::vector<double> voice_figures(const ScratchDir& dir, const std::string& wav, const char* f0,
                                  const char* ceiling) {
    const ChildResult r = run_in(dir.path(), {"praat", "--run", SPEECHSCORE_VOICE_MEASURE,
                                              dir.path() + "/" + wav, "1.0", "2.5", f0, ceiling});
    std::istringstream in(r.out);
    std::vector<double> figures;
    for (double x = 0; in >> x;) figures.push_back(x);
    EXPECT_EQ(figures.size(), 5u) << r.out << r.err;
    figures.resize(5);
    return figures;
}

// Women's voices are steeper than men's: H1-A3 9.6 dB higher (Hanson & Chuang 1999), and a
// breathy voice steeper still, with a stronger first harmonic (Klatt & Klatt 1990). The measure
// first reads three sines of known H1-H2 (6.0 dB) and H1-A3 (20.0 dB).
TEST(SingMeasure, WomensVoicesAreSteeperThanMens) {
    ScratchDir dir;
    const ChildResult made = run_in(
        dir.path(), {"sox", "-n", "-r", "44100", "-b", "16", "known.wav", "synth", "3", "sine",
                     "220", "sine", "440", "sine", "2640", "remix", "1v0.5,2v0.25,3v0.05"});
    ASSERT_EQ(made.status, 0) << made.err;
    const std::vector<double> known = voice_figures(dir, "known.wav", "220", "5500");
    EXPECT_NEAR(known[2], 6.0, 0.5);
    EXPECT_NEAR(known[4], 20.0, 0.5);
    std::vector<std::vector<double>> sung;
    // Each at A3, with the formant ceiling docs/sing.md measures it with.
    for (const auto& [voice, ceiling] :
         {std::pair{"tenor", "5000"}, std::pair{"alto", "5500"}, std::pair{"breathy", "5500"}}) {
        dir.write("v.ss", std::string("start1 0 1 1 1 1 1 0 1 1\nstartmn\nmetronome 60\nvoice ") +
                              voice + "\nvibrato off\nsing \"ah\" r/1/2 A3/3 r/1/2\nfine\n");
        const ChildResult r = run_in(dir.path(), {SPEECHSCORE_CLI, "--render", "v.wav", "v.ss"});
        ASSERT_EQ(r.status, 0) << r.err;
        sung.push_back(voice_figures(dir, "v.wav", "220", ceiling));
    }
    EXPECT_NEAR(sung[1][4] - sung[0][4], 9.6, 3) << "alto against tenor, H1-A3";
    EXPECT_GT(sung[2][4], sung[1][4]) << "breathy against alto, H1-A3";
    EXPECT_GT(sung[2][2], sung[1][2]) << "breathy against alto, H1-H2";
}

// Rate and extent away from their defaults (5.5 Hz, 50 cents).
TEST(SingMeasure, AHeldNoteHasItsVibratoAndNoClicks) {
    ScratchDir dir;
    dir.write("v.ss",
              "start1 0 1 1 1 1 1 0 1 1\nstartmn\nmetronome 60\nvoice soprano\n"
              "vibrato rate=6.5 extent=30 delay=0.2\nsing \"ah\" r/1/2 A4/4 r/1/2\nfine\n");
    const ChildResult r = run_in(dir.path(), {SPEECHSCORE_CLI, "--render", "v.wav", "v.ss"});
    ASSERT_EQ(r.status, 0) << r.err;
    const Take take = measure(dir, "v.wav");
    // After the delay and the fade-in, to 0.3 s before the end: the rate from the upward
    // crossings of the mean, the extent from the deviation's RMS (a sine's is extent/√2).
    std::vector<std::pair<double, double>> c;  // time, cents from A4
    for (const auto& [t, hz] : take.pitch)
        if (t >= 1.0 && t <= 4.2 && hz > 0) c.push_back({t, cents(hz, 440)});
    ASSERT_GT(c.size(), 500u) << take.log;
    double mean = 0;
    for (const auto& [t, x] : c) mean += x / static_cast<double>(c.size());
    double square = 0;
    std::vector<double> up;
    for (std::size_t i = 0; i < c.size(); ++i) {
        square += (c[i].second - mean) * (c[i].second - mean);
        if (i > 0 && c[i - 1].second < mean && c[i].second >= mean) up.push_back(c[i].first);
    }
    EXPECT_NEAR(static_cast<double>(up.size() - 1) / (up.back() - up.front()), 6.5, 0.2);
    EXPECT_NEAR(std::sqrt(2 * square / static_cast<double>(c.size())), 30, 10);
    EXPECT_LT(std::fabs(mean), 5) << "the vibrato is centred on the note";

    // The voice's first and last millisecond are 40 dB under the note's level: no click.
    double note = 0;
    int n = 0;
    std::vector<std::pair<double, double>> sounding;  // time, dB of the milliseconds heard
    for (const auto& [t, db] : take.level) {
        if (t >= 1.0 && t < 4.0) {
            note += std::pow(10, db / 10);
            ++n;
        }
        if (db > -150) sounding.push_back({t, db});
    }
    ASSERT_GT(n, 2000) << take.log;
    ASSERT_TRUE(!sounding.empty() && sounding.front().first > 0.4);
    const double noteDb = 10 * std::log10(note / n);
    EXPECT_LT(sounding.front().second, noteDb - 40) << "a click at the start";
    EXPECT_LT(sounding.back().second, noteDb - 40) << "a click at the end";
}

}  // namespace
