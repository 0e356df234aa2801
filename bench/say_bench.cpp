// Speed of say: a call script of 100 say lines (about a minute of speech) run by the speechscore
// program, side by side in each iteration with the same script expanded to plain calls; reports
// the seconds of each and their ratio. The phonemizer is started once per run, not per line.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

const char* const kPhrases[] = {
    "see my zoo",        "the quick brown fox jumps over the lazy dog",
    "judge the church",  "she sells sea shells",
    "a big red ball",    "thin things think",
    "measure the value", "good morning, how are you",
    "ship it tomorrow",  "yellow and white",
};

// A scratch directory of its own for each run of the benchmark, removed when it ends.
std::string scratch() {
    static std::string dir = []() {
        char name[] = "/tmp/say_bench.XXXXXX";
        return std::string(mkdtemp(name) != nullptr ? name : "");
    }();
    return dir;
}

double run_seconds(const std::string& script) {
    const std::string command =
        std::string(SPEECHSCORE_CLI) + " -o /dev/null " + script + " 2>/dev/null";
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0) return -1;
    return std::chrono::duration<double>(Clock::now() - start).count();
}

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
        const double s = run_seconds(say);
        const double p = run_seconds(plain);
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

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (scratch().empty()) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    rmdir(scratch().c_str());
    return 0;
}
