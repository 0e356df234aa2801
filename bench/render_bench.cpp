// Speed of rendering, side by side in one run: speechscore-render and the render module's
// Renderer against the shell renderer they replace (bench/baseline/render, on the current
// orchestra) on a 1-second score, batches of 50 and 500 one-second stimuli and a 10-minute
// piece, with how far the takes differ; and each csound speed lever on its own against the
// baseline orchestra of bench/baseline as the renderer of that commit ran csound.
#include <benchmark/benchmark.h>
#include <sndfile.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "piece.h"
#include "speechscore.h"
#include "speechscore_render.h"
#include "support/child.h"

double beat = 1.0;
int TTO = 0;

namespace {

const double kPieceSeconds = 600;     // at least this long; whole phrases
const double kMaxDifferenceDb = -90;  // against the shell renderer: the same samples

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// The renderer's settings for csound that are levers of its speed, one at a time (tools/render
// gives them all): larger I/O buffers, fewer messages, no plugin opcodes, fewer page faults.
const char kIoBuffers[] = "-b 4096";
const char kMessages[] = "-m4";
const char kAllocator[] =
    "GLIBC_TUNABLES=glibc.malloc.hugetlb=1:glibc.malloc.top_pad=16777216:"
    "glibc.malloc.mmap_threshold=33554432 ";
std::string no_plugins() {
    const std::string orchestra = SPEECHSCORE_ORCHESTRA;
    return "OPCODE6DIR64=" + quoted(orchestra.substr(0, orchestra.rfind('/'))) + " ";
}

std::string scratch_base() {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir != nullptr ? dir : "/tmp") + "/speechscore-bench-" +
           std::to_string(getpid());
}

// Writes a score from a forked child, since the library prints to standard output.
bool write_score(const std::string& path, const std::function<void()>& calls) {
    std::ofstream(path).close();
    return run_child(calls, path.c_str()).status == 0;
}

// A 1-second score: one vowel of two beats at 120 per minute.
void one_second() {
    start1(0, 1, 1, 1, 1, 1, 0, 1, 1);
    startmn();
    metronome(120);
    VOWn(2, 2, 60, 7.0, 0, 0);
    fine();
}

// csound as the renderer of the baseline commit ran it, on the baseline orchestra, with extra
// options; `env` goes before the command.
std::string baseline_command(const std::string& score, const std::string& wav,
                             const std::string& options = "", const std::string& env = "",
                             const std::string& orchestra = SPEECHSCORE_BASELINE) {
    return env + "csound -d -W -3 -+msg_color=0 " + options + " -o " + quoted(wav) + " " +
           quoted(orchestra) + " " + quoted(score) + " > /dev/null 2>&1";
}

// The renderer as a user runs it.
std::string renderer_command(const std::string& score, const std::string& wav) {
    return quoted(SPEECHSCORE_RENDER) + " " + quoted(score) + " " + quoted(wav) +
           " > /dev/null 2>&1";
}

// The renderer rendering in its own process, without a resident copy of the compiled
// orchestra: where its processor time is measured (a resident copy's is no child's of this
// program), and for the cost of a lone render that compiles the orchestra.
std::string cold_command(const std::string& score, const std::string& wav) {
    return "SPEECHSCORE_RENDER_RESIDENT=0 " + renderer_command(score, wav);
}

// The shell renderer that speechscore-render replaces, as a user ran it.
std::string shell_command(const std::string& score, const std::string& wav) {
    return quoted(SPEECHSCORE_SHELL_RENDER) + " " + quoted(score) + " " + quoted(wav) +
           " > /dev/null 2>&1";
}

// Processor time (user and system) of the finished child processes and their children.
double children_cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// Processor and wall-clock seconds of a shell command; cpu is negative when it fails.
struct Timing {
    double cpu, wall;
};
Timing timed(const std::string& command) {
    const double before = children_cpu_seconds();
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return {status == 0 ? children_cpu_seconds() - before : -1, wall};
}

// Processor time (user and system) of this process and its finished children.
double cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return children_cpu_seconds() +
           static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// The q-quantile of values (linear between neighbours); q 0.5 is the median.
double quantile(std::vector<double> values, double q) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const double at = q * static_cast<double>(values.size() - 1);
    const std::size_t low = static_cast<std::size_t>(at);
    const std::size_t high = std::min(low + 1, values.size() - 1);
    return values[low] + (at - static_cast<double>(low)) * (values[high] - values[low]);
}
double median(const std::vector<double>& values) { return quantile(values, 0.5); }

// First channel of a sound file; empty when it cannot be read.
std::vector<double> read_samples(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) return {};
    std::vector<double> frames(static_cast<std::size_t>(info.frames * info.channels));
    const sf_count_t got = sf_readf_double(file, frames.data(), info.frames);
    sf_close(file);
    std::vector<double> samples;
    for (sf_count_t n = 0; n < got; ++n)
        samples.push_back(frames[static_cast<std::size_t>(n * info.channels)]);
    return samples;
}

// RMS of the difference of two takes relative to the RMS of the reference, in dB (-inf when
// they are equal); NaN when a take cannot be read or their lengths differ.
double difference_db(const std::string& take, const std::string& reference) {
    const std::vector<double> a = read_samples(take), b = read_samples(reference);
    if (a.empty() || a.size() != b.size()) return std::nan("");
    double difference = 0, signal = 0;
    for (std::size_t n = 0; n < a.size(); ++n) {
        difference += (a[n] - b[n]) * (a[n] - b[n]);
        signal += b[n] * b[n];
    }
    return 10 * std::log10(difference / signal);
}

// Reports the difference between the renderer's take and the baseline's; an error when it
// exceeds kMaxDifferenceDb or cannot be measured.
void check_difference(benchmark::State& state, const std::string& take,
                      const std::string& reference) {
    const double db = difference_db(take, reference);
    state.counters["difference_db"] = db;
    if (std::isnan(db)) {
        state.SkipWithError("the takes could not be compared");
    } else if (db > kMaxDifferenceDb) {
        state.SkipWithError("the take differs from the reference by more than -90 dB");
    }
}

// As check_difference, after checking that the same score rendered another way (twin) gave the
// same samples as take; `differs` is the error when it did not.
void check_twin_and_difference(benchmark::State& state, const std::string& take,
                               const std::string& twin, const std::string& reference,
                               const char* differs) {
    if (difference_db(twin, take) != -HUGE_VAL)
        state.SkipWithError(differs);
    else
        check_difference(state, take, reference);
}

// The median of the rounds' speed ratios (speedup) and its quartiles (speedup_q1, speedup_q3).
void report_speedup(benchmark::State& state, const std::vector<double>& speedups) {
    state.counters["speedup"] = median(speedups);
    state.counters["speedup_q1"] = quantile(speedups, 0.25);
    state.counters["speedup_q3"] = quantile(speedups, 0.75);
}

// speechscore-render (rendering in its own process), the shell renderer and speechscore-render
// as a user runs it (through the resident copy) on the 10-minute piece, in a rotating order. The
// iteration time is speechscore-render's processor time (its render processes included; not the
// wall-clock time, which other work on a shared machine disturbs); speedup is the shell renderer's
// time over speechscore-render's, the median of the iterations with its quartiles as the spread;
// resident_wall_speedup is the median ratio of the shell renderer's wall-clock time to the resident
// copy's; difference_db compares the takes.
void render_ten_minutes(benchmark::State& state) {
    const std::string base = scratch_base();
    const std::string score = base + ".sco", wav = base + ".wav", reference = base + "-base.wav";
    if (!write_score(score, [] { piece(kPieceSeconds, 120); })) {
        state.SkipWithError("the piece could not be written");
        return;
    }
    const std::string resident = base + "-resident.wav";
    std::vector<double> renderer, baseline, speedups, wall_speedups;
    std::size_t turn = 0;
    for (auto _ : state) {
        Timing t[3] = {};
        for (std::size_t k = 0; k < 3; ++k) {
            const std::size_t i = (k + turn) % 3;
            t[i] = timed(i == 0   ? cold_command(score, wav)
                         : i == 1 ? shell_command(score, reference)
                                  : renderer_command(score, resident));
        }
        ++turn;
        if (t[0].cpu < 0 || t[1].cpu < 0 || t[2].cpu < 0) {
            state.SkipWithError("a render failed");
            break;
        }
        state.SetIterationTime(t[0].cpu);
        renderer.push_back(t[0].cpu);
        baseline.push_back(t[1].cpu);
        speedups.push_back(t[1].cpu / t[0].cpu);
        wall_speedups.push_back(t[1].wall / t[2].wall);
    }
    if (!renderer.empty()) {
        const double samples = static_cast<double>(read_samples(wav).size());
        const double seconds = samples / 44100;
        report_speedup(state, speedups);
        state.counters["samples_per_cpu_s"] = samples / median(renderer);
        state.counters["shell_samples_per_cpu_s"] = samples / median(baseline);
        state.counters["realtime_factor"] = seconds / median(renderer);
        state.counters["shell_realtime_factor"] = seconds / median(baseline);
        state.counters["resident_wall_speedup"] = median(wall_speedups);
        check_twin_and_difference(state, wav, resident, reference,
                                  "the resident copy's take differs");
    }
    for (const std::string& path : {score, wav, reference, resident}) std::remove(path.c_str());
}

// Each lever of the renderer's speed on its own, on the 10-minute piece: the baseline's render
// with one change at a time, all of them rendered in every iteration in a rotating order. A
// counter per lever: the share of the baseline's processor time it saves (median over the
// iterations). ksmps64 is measured but not used: it changes the waveform (see docs/orchestra.md).
void render_levers(benchmark::State& state) {
    const std::string base = scratch_base();
    const std::string score = base + ".sco", wav = base + ".wav";
    if (!write_score(score, [] { piece(kPieceSeconds, 120); })) {
        state.SkipWithError("the piece could not be written");
        return;
    }
    struct Lever {
        const char* name;
        std::string command;
    };
    const std::vector<Lever> levers = {
        {"baseline", baseline_command(score, wav)},
        {"orchestra", baseline_command(score, wav, "", "", SPEECHSCORE_ORCHESTRA)},
        {"io_buffers", baseline_command(score, wav, kIoBuffers)},
        {"messages", baseline_command(score, wav, kMessages)},
        {"no_plugins", baseline_command(score, wav, "", no_plugins())},
        {"allocator", baseline_command(score, wav, "", kAllocator)},
        {"ksmps64", baseline_command(score, wav, "--ksmps=64")},
        {"all_in_csound", baseline_command(score, wav, std::string(kIoBuffers) + " " + kMessages,
                                           no_plugins() + kAllocator, SPEECHSCORE_ORCHESTRA)},
        {"renderer", cold_command(score, wav)},
    };
    std::vector<std::vector<double>> ratios(levers.size());
    std::size_t turn = 0;
    for (auto _ : state) {
        std::vector<double> cpu(levers.size(), 0);
        for (std::size_t k = 0; k < levers.size(); ++k) {
            const std::size_t i = (k + turn) % levers.size();
            cpu[i] = timed(levers[i].command).cpu;
        }
        ++turn;
        if (std::any_of(cpu.begin(), cpu.end(), [](double t) { return t < 0; })) {
            state.SkipWithError("a render failed");
            break;
        }
        state.SetIterationTime(cpu[0]);
        for (std::size_t i = 1; i < levers.size(); ++i) ratios[i].push_back(cpu[i] / cpu[0]);
    }
    for (std::size_t i = 1; i < levers.size(); ++i)
        if (!ratios[i].empty()) state.counters[levers[i].name] = 1 - median(ratios[i]);
    std::remove(score.c_str());
    std::remove(wav.c_str());
}

// Wall-clock time of a 1-second render, end to end (a process started, the take written):
// speechscore-render as a user runs it again and again (its lone renders go to the resident
// copy of the compiled orchestra that the first one left), speechscore-render without a
// resident copy (SPEECHSCORE_RENDER_RESIDENT=0: the orchestra compiled in every run), and the
// shell renderer, in a rotating order, in milliseconds (medians): wall_ms, cold_ms, shell_ms;
// speedup and cold_speedup are the medians of the iterations' ratios to the shell renderer;
// difference_db compares the takes.
void render_one_second(benchmark::State& state) {
    const std::string base = scratch_base();
    const std::string score = base + ".sco", wav = base + ".wav", reference = base + "-shell.wav",
                      cold = base + "-cold.wav";
    if (!write_score(score, one_second)) {
        state.SkipWithError("the score could not be written");
        return;
    }
    const std::string commands[] = {renderer_command(score, wav), cold_command(score, cold),
                                    shell_command(score, reference)};
    std::vector<double> walls[3], speedups, cold_speedups;
    std::size_t turn = 0;
    for (auto _ : state) {
        double wall[3] = {0, 0, 0};
        for (std::size_t k = 0; k < 3; ++k) {
            const std::size_t i = (k + turn) % 3;
            const Timing t = timed(commands[i]);
            wall[i] = t.cpu < 0 ? -1 : t.wall;
        }
        ++turn;
        if (wall[0] < 0 || wall[1] < 0 || wall[2] < 0) {
            state.SkipWithError("a render failed");
            break;
        }
        state.SetIterationTime(wall[0]);
        for (std::size_t i = 0; i < 3; ++i) walls[i].push_back(wall[i]);
        speedups.push_back(wall[2] / wall[0]);
        cold_speedups.push_back(wall[2] / wall[1]);
    }
    if (!walls[0].empty()) {
        state.counters["wall_ms"] = 1000 * median(walls[0]);
        state.counters["cold_ms"] = 1000 * median(walls[1]);
        state.counters["shell_ms"] = 1000 * median(walls[2]);
        report_speedup(state, speedups);
        state.counters["cold_speedup"] = median(cold_speedups);
        check_twin_and_difference(state, wav, cold, reference,
                                  "the take rendered without a resident copy differs");
    }
    for (const std::string& path : {score, wav, reference, cold}) std::remove(path.c_str());
}

// N one-second stimuli (one vowel at N pitches; N the benchmark's argument, 50 or 500): a batch
// through one Renderer in this process on all processors, the same batch one score at a time
// (set_jobs(1)), and N runs of the shell renderer, in a rotating order; each Renderer is made
// in its round, so its compilation of the orchestra counts. Wall-clock seconds (medians):
// batch_s, one_by_one_s, shell_s; speedup is the median of the rounds' ratios shell_s /
// batch_s (quartiles speedup_q1, speedup_q3), one_by_one_speedup that of shell_s /
// one_by_one_s; cpu_speedup that of their processor times (shell over batch; every process
// counted), which other work on a shared machine disturbs less than the wall-clock time.
// difference_db compares the last take of the batch with the shell renderer's, batch_difference_db
// the batch's takes with those rendered one at a time (the largest).
void render_stimuli(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const std::string base = scratch_base();
    std::vector<speechscore::RenderItem> items, singly;
    for (int i = 0; i < count; ++i) {
        const std::string score = base + "-" + std::to_string(i) + ".sco";
        if (!write_score(score, [i, count] {
                start1(0, 1, 1, 1, 1, 1, 0, 1, 1);
                startmn();
                metronome(120);
                VOWn(2, 2, 60, 6.5 + i / static_cast<double>(count), 0, 0);
                fine();
            })) {
            state.SkipWithError("a score could not be written");
            return;
        }
        items.push_back({score, base + "-" + std::to_string(i) + ".wav"});
        singly.push_back({score, base + "-" + std::to_string(i) + "-1.wav"});
    }
    const std::string reference = base + "-shell.wav";
    auto module = [&](const std::vector<speechscore::RenderItem>& batch, unsigned jobs) {
        const auto start = std::chrono::steady_clock::now();
        speechscore::Renderer renderer(SPEECHSCORE_ORCHESTRA);
        renderer.set_jobs(jobs);
        for (const speechscore::RenderResult& result : renderer.render_batch(batch))
            if (result.status != speechscore::RenderStatus::rendered) return -1.0;
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    auto shell = [&] {
        const auto start = std::chrono::steady_clock::now();
        for (const speechscore::RenderItem& item : items)
            if (std::system(shell_command(item.score, reference).c_str()) != 0) return -1.0;
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    std::vector<double> walls[3], speedups, single_speedups, cpu_speedups;
    std::size_t turn = 0;
    for (auto _ : state) {
        double wall[3] = {0, 0, 0}, cpu[3] = {0, 0, 0};
        for (std::size_t k = 0; k < 3; ++k) {
            const std::size_t i = (k + turn) % 3;
            const double before = cpu_seconds();
            wall[i] = i == 0 ? module(items, 0) : i == 1 ? module(singly, 1) : shell();
            cpu[i] = cpu_seconds() - before;
        }
        ++turn;
        if (wall[0] < 0 || wall[1] < 0 || wall[2] < 0) {
            state.SkipWithError("a render failed");
            break;
        }
        state.SetIterationTime(wall[0]);
        for (std::size_t i = 0; i < 3; ++i) walls[i].push_back(wall[i]);
        speedups.push_back(wall[2] / wall[0]);
        single_speedups.push_back(wall[2] / wall[1]);
        cpu_speedups.push_back(cpu[2] / cpu[0]);
    }
    if (!speedups.empty()) {
        state.counters["batch_s"] = median(walls[0]);
        state.counters["one_by_one_s"] = median(walls[1]);
        state.counters["shell_s"] = median(walls[2]);
        report_speedup(state, speedups);
        state.counters["one_by_one_speedup"] = median(single_speedups);
        state.counters["cpu_speedup"] = median(cpu_speedups);
        double largest = -HUGE_VAL;
        for (std::size_t i = 0; i < items.size(); ++i) {
            const double db = difference_db(items[i].wav, singly[i].wav);
            largest = std::isnan(db) ? db : std::max(largest, db);
            if (std::isnan(db)) break;
        }
        state.counters["batch_difference_db"] = largest;
        if (std::isnan(largest) || largest > kMaxDifferenceDb)
            state.SkipWithError("a take of the batch differs from the one rendered alone");
        else
            check_difference(state, items.back().wav, reference);
    }
    for (const auto* list : {&items, &singly})
        for (const speechscore::RenderItem& item : *list) {
            std::remove(item.score.c_str());
            std::remove(item.wav.c_str());
        }
    std::remove(reference.c_str());
}

#ifdef SPEECHSCORE_PIECE
// The example piece rendered by speechscore-render and by the shell renderer: how far the takes
// differ.
void example_piece_difference(benchmark::State& state) {
    const std::string base = scratch_base();
    const std::string score = base + ".sco", wav = base + ".wav", reference = base + "-base.wav";
    bool rendered = true;
    for (auto _ : state) {
        rendered = std::system((quoted(SPEECHSCORE_PIECE) + " > " + quoted(score)).c_str()) == 0 &&
                   timed(renderer_command(score, wav)).cpu >= 0 &&
                   timed(shell_command(score, reference)).cpu >= 0;
    }
    if (rendered) {
        check_difference(state, wav, reference);
    } else {
        state.SkipWithError("the example piece could not be written or rendered");
    }
    for (const std::string& path : {score, wav, reference}) std::remove(path.c_str());
}
BENCHMARK(example_piece_difference)->Iterations(1)->Unit(benchmark::kSecond);
#endif

BENCHMARK(render_ten_minutes)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(9);
BENCHMARK(render_levers)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(7);
BENCHMARK(render_one_second)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(21);
BENCHMARK(render_stimuli)->Arg(50)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(7);
BENCHMARK(render_stimuli)->Arg(500)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
