// speechscore-render: renders a score to a WAV file (mono, 24-bit PCM) with the project's
// orchestra. Quiet when all goes well; otherwise it names the likely cause.
//   speechscore-render [--allow-clip] SCORE.sco OUTPUT.wav [csound options...]
// Exit status: 0 rendered; 1 the score was refused or csound failed (nothing written); 2 usage;
// 3 the orchestra missing; 4 samples exceeded full scale (the take is written, clipped;
// --allow-clip turns this into 0); 129, 130, 143 stopped by SIGHUP, SIGINT, SIGTERM.
#include <malloc.h>
#include <signal.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "speechscore_render.h"

namespace {

volatile sig_atomic_t g_signal = 0;

void on_signal(int sig) { g_signal = sig; }

std::string g_prog;

void say(const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", g_prog.c_str(), text.c_str());
}

void usage(FILE* to) {
    std::fprintf(to, "usage: %s [--allow-clip] SCORE.sco OUTPUT.wav [csound options...]\n",
                 g_prog.c_str());
}

// Prints a render's messages, each with the program's name (csound's own lines as they are).
void show(const std::vector<std::string>& messages) {
    for (const std::string& line : messages) {
        if (line.compare(0, 2, "  ") == 0) {
            std::fprintf(stderr, "%s\n", line.c_str());
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

// Fewer page faults, which take a good part of a short render: the heap grows in large steps,
// in huge pages where the system offers them (csound allocates and clears much memory while it
// compiles the orchestra).
void grow_heap_in_large_pages() {
    const std::size_t step = std::size_t{32} << 20, huge = std::size_t{2} << 20;
    mallopt(M_MMAP_THRESHOLD, static_cast<int>(step));
    mallopt(M_TOP_PAD, static_cast<int>(step));
    mallopt(M_TRIM_THRESHOLD, static_cast<int>(2 * step));
    const auto begin = reinterpret_cast<std::uintptr_t>(sbrk(0));
    void* volatile block = std::malloc(huge);  // the heap grows by a step now
    std::free(block);
    const auto end = reinterpret_cast<std::uintptr_t>(sbrk(0)) / huge * huge;
    const std::uintptr_t start = (begin + huge - 1) / huge * huge;
    if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
}

}  // namespace

int main(int argc, char** argv) {
    grow_heap_in_large_pages();
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
            "SCORE.sco may be - (standard input) or a pipe; it is read once, up to 1 GiB.\n");
        return 0;
    }
    bool allow_clip = false;
    std::vector<std::string> rest;
    for (const std::string& arg : args) {
        if (arg == "--allow-clip") {
            allow_clip = true;
        } else {
            rest.push_back(arg);
        }
    }
    if (rest.size() < 2) {
        usage(stderr);
        return 2;
    }
    const std::string score = rest[0], wav = rest[1];
    const std::vector<std::string> options(rest.begin() + 2, rest.end());
    for (const std::string& option : options) {
        const std::string refused = speechscore::refused_option(option);
        if (!refused.empty()) {
            say(refused);
            usage(stderr);
            return 2;
        }
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
    const speechscore::RenderResult result = renderer->render_file(score, wav);
    show(result.messages);
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(exit_status(result, wav, allow_clip));
}
