// Speed of the score writer: writes a one-hour piece to a file and, in the same iteration, one
// fwrite of the same bytes to the same file; reports statements per second, MB/s and the ratio.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "piece.h"
#include "speechscore.h"
#include "support/child.h"

double beat = 1.0;
int TTO = 0;

namespace {

// One hour at 240 beats per minute: about 16 MB of score, 420 000 statements.
const double kPieceSeconds = 3600;
const double kMark = 240;

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Statement lines ("i" and "f") of a score.
double statements_of(const std::string& score) {
    std::istringstream in(score);
    double count = 0;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && (line[0] == 'i' || line[0] == 'f')) ++count;
    }
    return count;
}

// Writes the one-hour piece (the library's score writer, run in a forked child so that standard
// output goes to the file), then writes the bytes it wrote with one fwrite to the same file.
// Both times go into the counters; the benchmark's own time is the score's.
void write_one_hour(benchmark::State& state) {
    const std::string dir = std::getenv("TMPDIR") != nullptr ? std::getenv("TMPDIR") : "/tmp";
    const std::string path = dir + "/speechscore-score-bench-" + std::to_string(getpid()) + ".sco";
    std::ofstream(path).close();
    if (run_child([] { piece(kPieceSeconds, kMark); }, path.c_str()).status != 0) {
        state.SkipWithError("the piece could not be written");
        return;
    }
    const std::string bytes = read_file(path);
    const double megabytes = static_cast<double>(bytes.size()) / 1e6;
    const double statements = statements_of(bytes);
    double scoreTotal = 0, fwriteTotal = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        const int status = run_child([] { piece(kPieceSeconds, kMark); }, path.c_str()).status;
        const double took = seconds_since(start);
        if (status != 0) {
            state.SkipWithError("the piece could not be written");
            break;
        }
        const Clock::time_point rawStart = Clock::now();
        FILE* out = std::fopen(path.c_str(), "r+b");  // like the child: no truncation
        const bool written =
            out != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
        if (out != nullptr) std::fclose(out);
        const double rawTook = seconds_since(rawStart);
        if (!written) {
            state.SkipWithError("fwrite failed");
            break;
        }
        state.SetIterationTime(took);
        scoreTotal += took;
        fwriteTotal += rawTook;
    }
    if (scoreTotal > 0 && fwriteTotal > 0) {
        const double n = static_cast<double>(state.iterations());
        state.counters["MB"] = megabytes;
        state.counters["statements"] = statements;
        state.counters["statements_per_s"] = statements * n / scoreTotal;
        state.counters["score_MB_per_s"] = megabytes * n / scoreTotal;
        state.counters["fwrite_MB_per_s"] = megabytes * n / fwriteTotal;
        state.counters["score_over_fwrite"] = scoreTotal / fwriteTotal;
    }
    std::remove(path.c_str());
}

BENCHMARK(write_one_hour)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
