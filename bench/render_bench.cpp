// Speed of the orchestra: renders a 10-minute piece written by the library with tools/render and
// reports how many times faster than real time it runs at 44.1 kHz, per control block size.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "piece.h"
#include "speechscore.h"
#include "support/child.h"

double beat = 1.0;
int TTO = 0;

namespace {

const double kPieceSeconds = 600;  // at least this long; whole phrases

// Writes the piece to path from a forked child, since the library prints to standard output.
bool write_piece(const std::string& path) {
    std::ofstream(path).close();
    const ChildResult child = run_child([] { piece(kPieceSeconds, 120); }, path.c_str());
    return child.status == 0;
}

// Length of a score's sound: the end event starts at 0.01 s and lasts until the F1 track ends.
double score_seconds(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        double span = 0;
        if (std::sscanf(line.c_str(), "i 80 .01 %lf", &span) == 1) return span + 0.01;
    }
    return 0;
}

// Renders the piece once per iteration with the control block size of the argument.
void render_ten_minutes(benchmark::State& state) {
    const std::string dir = std::getenv("TMPDIR") != nullptr ? std::getenv("TMPDIR") : "/tmp";
    const std::string base = dir + "/speechscore-bench-" + std::to_string(getpid());
    const std::string score = base + ".sco", wav = base + ".wav";
    if (!write_piece(score)) {
        state.SkipWithError("the piece could not be written");
        return;
    }
    const double seconds = score_seconds(score);
    const std::string command = "'" SPEECHSCORE_RENDER "' '" + score + "' '" + wav +
                                "' --ksmps=" + std::to_string(state.range(0));
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const int status = std::system(command.c_str());
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (status != 0) {
            state.SkipWithError("tools/render failed");
            break;
        }
        state.SetIterationTime(took.count());
        total += took.count();
    }
    if (total > 0) {
        const double iterations = static_cast<double>(state.iterations());
        state.counters["audio_s"] = seconds;
        state.counters["realtime_factor"] = seconds * iterations / total;
    }
    std::remove(score.c_str());
    std::remove(wav.c_str());
}

BENCHMARK(render_ten_minutes)
    ->ArgName("ksmps")
    ->Arg(32)
    ->Arg(64)
    ->UseManualTime()
    ->Unit(benchmark::kSecond)
    ->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
