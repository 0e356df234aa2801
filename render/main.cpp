// speechscore-render: renders a score to a WAV file (mono, 24-bit PCM) with the project's
// orchestra. Quiet when all goes well; otherwise it names the likely cause.
//   speechscore-render [--allow-clip] SCORE.sco OUTPUT.wav [csound options...]
//   speechscore-render [--allow-clip] [--jobs N] --batch LIST.tsv [csound options...]
// A batch list has a line "SCORE<TAB>OUTPUT.wav" per take; its scores render several at once
// (one per processor, or N), and the exit status is that of the worst of them.
// Exit status: 0 rendered; 1 the score was refused or csound failed (nothing written); 2 usage;
// 3 the orchestra missing; 4 samples exceeded full scale (the take is written, clipped;
// --allow-clip turns this into 0); 129, 130, 143 stopped by SIGHUP, SIGINT, SIGTERM.
#include <signal.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "outputs.h"
#include "speechscore_render.h"

namespace {

volatile sig_atomic_t g_signal = 0;

void on_signal(int sig) { g_signal = sig; }

std::string g_prog;

using speechscore::outputs::printable;

void say(const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", g_prog.c_str(), printable(text).c_str());
}

void usage(FILE* to) {
    std::fprintf(to, "usage: %s [--allow-clip] SCORE.sco OUTPUT.wav [csound options...]\n",
                 g_prog.c_str());
    if (to == stdout)
        std::fprintf(to,
                     "       %s [--allow-clip] [--jobs N] --batch LIST.tsv [csound "
                     "options...]\n",
                     g_prog.c_str());
}

// Prints a render's messages, each with the program's name (csound's own lines as they are).
void show(const std::vector<std::string>& messages) {
    for (const std::string& line : messages) {
        if (line.compare(0, 2, "  ") == 0) {
            std::fprintf(stderr, "%s\n", printable(line).c_str());
        } else {
            say(line);
        }
    }
}

// The exit status of a render, after the last word on a clipped take.
int exit_status(const speechscore::RenderResult& result, const std::string& wav, bool allow_clip) {
    if (g_signal != 0 || result.status == speechscore::RenderStatus::stopped)
        return 128 + (g_signal != 0 ? g_signal : SIGTERM);
    switch (result.status) {
        case speechscore::RenderStatus::rendered:
            return 0;
        case speechscore::RenderStatus::clipped:
            if (allow_clip) {
                say(wav + " is kept, clipped to full scale (--allow-clip)");
                return 0;
            }
            say(wav + " is kept, clipped to full scale; --allow-clip accepts clipping");
            return 4;
        default:
            return 1;
    }
}

// The items of a batch list: a line "SCORE<TAB>OUTPUT.wav" each (blank lines skipped). False
// with a message when the list cannot be read or a line is not of that form.
bool read_batch(const std::string& list, std::vector<speechscore::RenderItem>& items) {
    std::ifstream in(list);
    if (!in) {
        say("cannot read the batch list " + list);
        return false;
    }
    std::string line;
    std::vector<int> lines;  // of the items in the list
    struct stat listed {};
    if (stat(list.c_str(), &listed) == 0 && S_ISDIR(listed.st_mode)) {
        say("cannot read the batch list " + list + ": it is a directory");
        return false;
    }
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find_first_not_of(" \t") == std::string::npos) continue;
        const std::size_t tab = line.find('\t');
        if (tab == 0 || tab == std::string::npos || tab + 1 == line.size() ||
            line.find('\t', tab + 1) != std::string::npos) {
            say(list + ":" + std::to_string(number) +
                ": error: expected a score and a WAV file separated by one tab");
            return false;
        }
        items.push_back({line.substr(0, tab), line.substr(tab + 1)});
        lines.push_back(number);
    }
    if (in.bad()) {
        say("cannot read the batch list " + list + ": " + std::strerror(errno));
        return false;
    }
    // No take over the list or over a score of the batch (a single render refuses its own).
    struct stat st {};
    std::vector<std::pair<struct stat, std::string>> inputs;
    if (stat(list.c_str(), &st) == 0) inputs.push_back({st, "the batch list"});
    for (const speechscore::RenderItem& item : items)
        if (stat(item.score.c_str(), &st) == 0) inputs.push_back({st, "the score " + item.score});
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (stat(items[i].wav.c_str(), &st) != 0) continue;
        for (const auto& [input, what] : inputs) {
            if (input.st_dev != st.st_dev || input.st_ino != st.st_ino) continue;
            say(list + ":" + std::to_string(lines[i]) + ": error: the take " + items[i].wav +
                " would overwrite " + what + "; give another name for the WAV file");
            return false;
        }
    }
    return true;
}

// Renders a batch: each item's messages as it ends, a count of the items ended on a terminal;
// the exit status of the worst item.
int render_batch(speechscore::Renderer& renderer, const std::vector<speechscore::RenderItem>& items,
                 bool allow_clip) {
    const bool terminal = isatty(STDERR_FILENO) != 0;
    int worst = 0;
    auto rank = [](int status) { return status >= 128 ? 3 : status == 1 ? 2 : status == 4; };
    const auto results =
        renderer.render_batch(items, [&](std::size_t done, std::size_t total, std::size_t item,
                                         const speechscore::RenderResult& result) {
            if (terminal) std::fputs("\r\033[K", stderr);
            show(result.messages);
            const int status = exit_status(result, items[item].wav, allow_clip);
            if (rank(status) > rank(worst)) worst = status;
            if (terminal && done < total)
                std::fprintf(stderr, "%s: %zu of %zu rendered", g_prog.c_str(), done, total);
        });
    if (terminal) std::fputs("\r\033[K", stderr);
    const std::size_t failed = static_cast<std::size_t>(
        std::count_if(results.begin(), results.end(), [](const speechscore::RenderResult& r) {
            return r.status == speechscore::RenderStatus::failed;
        }));
    if (failed > 0)
        say(std::to_string(failed) + " of " + std::to_string(items.size()) +
            " scores were not rendered");
    return worst;
}

// Seconds the resident copy of the compiled orchestra that a lone render leaves waits for the
// next: $SPEECHSCORE_RENDER_RESIDENT (0: none), else five minutes.
unsigned resident_seconds() {
    const char* given = std::getenv("SPEECHSCORE_RENDER_RESIDENT");
    if (given == nullptr || *given == '\0') return 300;
    char* end = nullptr;
    const unsigned long seconds = std::strtoul(given, &end, 10);
    return *end == '\0' ? static_cast<unsigned>(std::min(seconds, 86400ul)) : 0;
}

}  // namespace

int main(int argc, char** argv) {
    speechscore::outputs::grow_heap_in_large_pages();
    // A signal stops the render at once: the handler only notes it (no SA_RESTART, so waits
    // are interrupted), and the renderer asks for it between blocks of samples.
    struct sigaction action {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &action, nullptr);

    const std::string invoked = argc > 0 ? argv[0] : "speechscore-render";
    g_prog = invoked.substr(invoked.rfind('/') + 1);
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "-h" || args[0] == "--help")) {
        usage(stdout);
        std::printf(
            "Renders SCORE.sco with the speechscore orchestra to OUTPUT.wav (mono, 24-bit PCM).\n"
            "  --allow-clip   accept samples beyond full scale (they are clipped) with exit "
            "status 0\n"
            "Other options after OUTPUT.wav go to csound, for example --ksmps=64 or -r 22050.\n"
            "SCORE.sco may be - (standard input) or a pipe; it is read once, up to 1 GiB.\n"
            "  --batch LIST   render the takes LIST names, a line SCORE<TAB>OUTPUT.wav each,\n"
            "                 several at once; relative names from the current directory\n"
            "  --jobs N       renders of a batch at once (default: one per processor)\n");
        return 0;
    }
    bool allow_clip = false, batch = false;
    std::string list;
    unsigned jobs = 0;
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--allow-clip") {
            allow_clip = true;
        } else if ((arg == "--batch" || arg == "--jobs") && i + 1 < args.size() && rest.empty()) {
            const std::string& value = args[++i];
            if (arg == "--batch") {
                batch = true;
                list = value;
                continue;
            }
            char* end = nullptr;
            const unsigned long n = std::strtoul(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || n < 1 || n > 1024) {
                say("--jobs takes a number of renders from 1 to 1024, not " + value);
                usage(stderr);
                return 2;
            }
            jobs = static_cast<unsigned>(n);
        } else {
            rest.push_back(arg);
        }
    }
    if ((!batch && rest.size() < 2) || (jobs != 0 && !batch)) {
        if (jobs != 0 && !batch) say("--jobs goes with --batch");
        usage(stderr);
        return 2;
    }
    const std::size_t positional = batch ? 0 : 2;
    const std::string score = batch ? "" : rest[0], wav = batch ? "" : rest[1];
    const std::vector<std::string> options(rest.begin() + static_cast<std::ptrdiff_t>(positional),
                                           rest.end());
    // A word that is no option, and no value of the short option before it ("-r 22050"): a
    // file name too many.
    for (std::size_t i = 0; i < options.size(); ++i) {
        const bool value = i > 0 && options[i - 1].size() == 2 && options[i - 1][0] == '-' &&
                           options[i - 1][1] != '-';
        if (options[i].empty() || (options[i][0] != '-' && !value)) {
            say("'" + options[i] + "' is no csound option: " +
                (batch ? "the batch list names the scores and takes"
                       : "one score and one take (--batch renders several)"));
            usage(stderr);
            return 2;
        }
    }
    const std::string refused = speechscore::refused_options(options);
    if (!refused.empty()) {
        say(refused);
        usage(stderr);
        return 2;
    }

    // The renderer lives until the program ends: the system frees csound's memory at once,
    // where taking it apart piece by piece would cost more than a short render.
    auto* renderer = new speechscore::Renderer(speechscore::find_orchestra(), options);
    if (!renderer->ok()) {
        say(renderer->error());
        return 3;
    }
    renderer->set_stop([] { return g_signal != 0; });
    renderer->set_progress(g_prog + ": ");
    if (batch) {
        std::vector<speechscore::RenderItem> items;
        if (!read_batch(list, items)) return 2;
        renderer->set_jobs(jobs);
        const int status = render_batch(*renderer, items, allow_clip);
        std::fflush(stdout);
        std::fflush(stderr);
        _exit(status);
    }
    // One score: rendered by the resident copy of the compiled orchestra, or here, without a
    // copy of the compiled instance, leaving a resident copy for the next render.
    renderer->set_in_process(true);
    renderer->set_resident(resident_seconds());
    const speechscore::RenderResult result = renderer->render_file(score, wav);
    show(result.messages);
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(exit_status(result, wav, allow_clip));
}
