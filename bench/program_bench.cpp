// Speed of the speechscore program on the words and songs layers, each beside a baseline run in
// every iteration:
// - say: a call script of 100 say lines (about a minute of speech), beside the same script
//   expanded to plain calls; the seconds of each and their ratio (the phonemizer is started once
//   per run, not per line);
// - sing: a three-minute MusicXML song (the melody of examples/twinkle.musicxml twelve times
//   over, 168 notes with lyrics, 192 s at 60 a minute) sung from the file to a WAV file, beside
//   the same program writing only the score; the wall-clock seconds of each, the processor
//   seconds of the song to WAV (the figure a busy machine does not inflate) and the song's
//   length in seconds.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

// A scratch directory of its own for each run of the benchmark, removed when it ends.
std::string scratch() {
    static std::string dir = []() {
        char name[] = "/tmp/program_bench.XXXXXX";
        return std::string(mkdtemp(name) != nullptr ? name : "");
    }();
    return dir;
}

// Processor seconds of the children so far (user and system).
double children_cpu() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Wall-clock seconds of a run, and its processor seconds in cpu.
double run_seconds(const std::string& args, double& cpu) {
    const std::string command = std::string(SPEECHSCORE_CLI) + " " + args + " 2>/dev/null";
    const double before = children_cpu();
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0) return -1;
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    cpu = children_cpu() - before;
    return wall;
}

const char* const kPhrases[] = {
    "see my zoo",        "the quick brown fox jumps over the lazy dog",
    "judge the church",  "she sells sea shells",
    "a big red ball",    "thin things think",
    "measure the value", "good morning, how are you",
    "ship it tomorrow",  "yellow and white",
};

void BM_SayLines(benchmark::State& state) {
    const std::string say = scratch() + "/say.ss";
    const std::string plain = scratch() + "/expanded.ss";
    {
        std::ofstream out(say);
        out << "start1 0 1 1 1 1 1 0 1 1\nstartmn\nmetronome 60\nRest 0.5\n";
        for (int i = 0; i < 100; ++i) out << "say \"" << kPhrases[i % 10] << "\"\nRest 0.25\n";
        out << "fine\n";
    }
    const std::string expand = std::string(SPEECHSCORE_CLI) + " --expand -o " + plain + " " + say;
    if (std::system(expand.c_str()) != 0) {
        state.SkipWithError("the script could not be expanded");
        return;
    }
    double sayTotal = 0;
    double plainTotal = 0;
    for (auto _ : state) {
        double cpu = 0;
        const double s = run_seconds("-o /dev/null " + say, cpu);
        const double p = run_seconds("-o /dev/null " + plain, cpu);
        if (s < 0 || p < 0) {
            state.SkipWithError("the script did not run");
            return;
        }
        sayTotal += s;
        plainTotal += p;
        state.SetIterationTime(s);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["say_s"] = sayTotal / n;
    state.counters["expanded_s"] = plainTotal / n;
    state.counters["ratio"] = sayTotal / plainTotal;
    std::remove(say.c_str());
    std::remove(plain.c_str());
}
BENCHMARK(BM_SayLines)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The song: 12 times 14 notes and a rest, 16 beats, of four beats a measure at 60 a minute.
void write_song(const std::string& path) {
    struct N {
        const char* step;
        int beats;
        const char* text;
        const char* syllabic;
    };
    const N line[] = {
        {"C", 1, "Twin", "begin"},  {"C", 1, "kle", "end"},    {"G", 1, "twin", "begin"},
        {"G", 1, "kle", "end"},     {"A", 1, "lit", "begin"},  {"A", 1, "tle", "end"},
        {"G", 2, "star", "single"}, {"F", 1, "how", "single"}, {"F", 1, "I", "single"},
        {"E", 1, "won", "begin"},   {"E", 1, "der", "end"},    {"D", 1, "what", "single"},
        {"D", 1, "you", "single"},  {"C", 1, "are", "single"}, {"", 1, "", ""}};
    std::ofstream out(path);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<score-partwise version=\"4.0\">\n"
           "<part-list><score-part id=\"P1\"><part-name>Voice</part-name></score-part>"
           "</part-list>\n<part id=\"P1\">\n";
    int measure = 0;
    int beat = 0;
    for (int r = 0; r < 12; ++r) {
        for (const N& n : line) {
            if (beat % 4 == 0) {
                if (measure > 0) out << "</measure>\n";
                out << "<measure number=\"" << ++measure << "\">";
                if (measure == 1)
                    out << "<attributes><divisions>1</divisions></attributes><direction>"
                           "<direction-type><words>Moderato</words></direction-type>"
                           "<sound tempo=\"60\"/></direction>";
            }
            if (n.text[0] == '\0') {
                out << "<note><rest/><duration>1</duration></note>";
            } else {
                out << "<note><pitch><step>" << n.step << "</step><octave>4</octave></pitch>"
                    << "<duration>" << n.beats << "</duration><lyric><syllabic>" << n.syllabic
                    << "</syllabic><text>" << n.text << "</text></lyric></note>";
            }
            beat += n.beats;
        }
    }
    out << "</measure>\n</part>\n</score-partwise>\n";
}

void BM_SingSong(benchmark::State& state) {
    const std::string song = scratch() + "/song.musicxml";
    const std::string wav = scratch() + "/song.wav";
    write_song(song);
    double renderTotal = 0;
    double scoreTotal = 0;
    double cpuTotal = 0;
    for (auto _ : state) {
        double cpu = 0;
        const double s = run_seconds("-o /dev/null " + song, cpu);
        const double w = run_seconds(song + " --render " + wav, cpu);
        cpuTotal += cpu;
        if (s < 0 || w < 0) {
            state.SkipWithError("the song was not sung");
            return;
        }
        scoreTotal += s;
        renderTotal += w;
        state.SetIterationTime(w);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["to_wav_s"] = renderTotal / n;
    state.counters["score_only_s"] = scoreTotal / n;
    state.counters["to_wav_cpu_s"] = cpuTotal / n;
    state.counters["song_s"] = 12 * 16;  // beats at 60 a minute
    std::remove(song.c_str());
    std::remove(wav.c_str());
}
BENCHMARK(BM_SingSong)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (scratch().empty()) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    rmdir(scratch().c_str());
    return 0;
}
