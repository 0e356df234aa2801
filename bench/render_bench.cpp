// Speed of the orchestra: renders a 10-minute piece written by the library with the project's
// orchestra and with the baseline orchestra kept in bench/baseline, alternately in one run, and
// reports how many times faster than real time each runs at 44.1 kHz and the median ratio of
// their rendering times, per control block size.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

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

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// Processor time (user and system) of the finished child processes, in seconds.
double children_cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// Processor seconds csound takes to render the score with an orchestra, with the options
// tools/render gives it; negative when it fails. Processor time, not wall-clock time, so that
// other work on a shared machine does not count.
double render_seconds(const std::string& orchestra, const std::string& score,
                      const std::string& wav, long ksmps) {
    const std::string command = "csound -d -W -f -+msg_color=0 --ksmps=" + std::to_string(ksmps) +
                                " -o '" + wav + "' '" + orchestra + "' '" + score +
                                "' > /dev/null 2>&1";
    const double before = children_cpu_seconds();
    const int status = std::system(command.c_str());
    return status == 0 ? children_cpu_seconds() - before : -1;
}

// Renders the piece with both orchestras in every iteration, in alternating order, with the
// control block size of the argument; the iteration time is the project orchestra's processor
// time.
void render_ten_minutes(benchmark::State& state) {
    const std::string dir = std::getenv("TMPDIR") != nullptr ? std::getenv("TMPDIR") : "/tmp";
    const std::string base = dir + "/speechscore-bench-" + std::to_string(getpid());
    const std::string score = base + ".sco", wav = base + ".wav";
    if (!write_piece(score)) {
        state.SkipWithError("the piece could not be written");
        return;
    }
    const double seconds = score_seconds(score);
    std::vector<double> current, baseline, ratios;
    bool current_first = true;
    for (auto _ : state) {
        double times[2] = {0, 0};  // project orchestra, baseline
        for (int k = 0; k < 2; ++k) {
            const bool current_now = (k == 0) == current_first;
            times[current_now ? 0 : 1] =
                render_seconds(current_now ? SPEECHSCORE_ORCHESTRA : SPEECHSCORE_BASELINE, score,
                               wav, state.range(0));
        }
        current_first = !current_first;
        if (times[0] < 0 || times[1] < 0) {
            state.SkipWithError("csound failed");
            break;
        }
        state.SetIterationTime(times[0]);
        current.push_back(times[0]);
        baseline.push_back(times[1]);
        ratios.push_back(times[0] / times[1]);
    }
    if (!current.empty()) {
        state.counters["audio_s"] = seconds;
        state.counters["realtime_factor"] = seconds / median(current);
        state.counters["baseline_realtime_factor"] = seconds / median(baseline);
        state.counters["time_ratio_to_baseline"] = median(ratios);
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
    ->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
