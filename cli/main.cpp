// speechscore: runs a call script with the library and writes its score, renders it to a WAV file
// in this process through the render module, or watches the script and does it again on every
// change. Each run happens in a forked child, so the library's state starts fresh and fine may end
// it.
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "files.h"
#include "outputs.h"
#include "python.h"
#include "render.h"
#include "say.h"
#include "script.h"
#include "song.h"
#include "speechscore.h"

// The two variables every client of the library defines: a script starts with one second per
// beat and TTO operation 0 unless it sets them.
double beat = 1.0;
int TTO = 0;

namespace {

using speechscore::outputs::printable;

const char kUsage[] =
    "usage: speechscore [options] SCRIPT\n"
    "       speechscore continuum PLAN.toml [-o DIR]\n"
    "       speechscore batch TABLE.csv [DIR] [-j N] [--quiet]\n"
    "Runs a call script with the speechscore library and writes its score to standard output.\n"
    "continuum renders a stimulus continuum described in a TOML file and batch renders a\n"
    "stimulus table on every core; both run the Python package (python3 -m speechscore; see\n"
    "its --help), and exit with 2 when Python or the package is missing.\n"
    "\n"
    "  -o, --output FILE   write the score to FILE: a new file beside it replaces it when the\n"
    "                      run has ended; a FIFO or device (/dev/stdout) is written into\n"
    "  --render WAV        render the score to WAV with the speechscore orchestra\n"
    "  --check             only diagnose the script (and its glides): no score, no sound\n"
    "  --expand            print the script with its say lines as plain calls (-o: to FILE)\n"
    "  --labels GRID       write the words and phones said or sung as a Praat TextGrid\n"
    "  --part P, --verse N, --voice NAME, --lang L\n"
    "                      a song file (.musicxml, .mxl, .mid): the part (id or name), the\n"
    "                      lyric line, the voice (bass tenor alto soprano child breathy) and\n"
    "                      the lyrics' language (fr; by default the file's, else English)\n"
    "  --fermata F         a song file: a note under a fermata lasts F times its length (1 to\n"
    "                      4; 1.5 when not given)\n"
    "  --watch             run again whenever SCRIPT changes (with -o, --render or --check)\n"
    "  --list              list the operations and variables a script can use\n"
    "  --describe NAME     describe an operation's parameters (and a builder's phases), or a\n"
    "                      variable\n"
    "  -h, --help          show this help\n"
    "  --version           show the version\n"
    "\n"
    "SCRIPT - reads the script from standard input; a script holds at most 16 MiB. No output\n"
    "may be an input. Exit status: 0 done; 1 errors in the script or the score, or a failed\n"
    "render; 2 bad usage, an unreadable script or an unwritable score or TextGrid; 3 no\n"
    "orchestra; 4 a render with samples clipped (the take is kept); 129/130/143 stopped by\n"
    "SIGHUP/SIGINT/SIGTERM.\n";

struct Options {
    std::string script;
    std::string output;  // -o
    std::string wav;     // --render
    bool check = false;
    bool watch = false;
    bool expand = false;    // --expand
    cli::SongOptions song;  // --part, --verse, --voice
    std::string labels;     // --labels
};

// The signal that stopped the runner (SIGINT, SIGTERM or SIGHUP), 0 while none came: the work in
// hand stops at once and the program ends with 128 + the signal. A render run in this process reads
// it to stop as well.
volatile sig_atomic_t g_interrupted = 0;
// The child that runs the script, killed by the signal's handler; 0 while none runs.
volatile sig_atomic_t g_child = 0;
void on_interrupt(int signal_number) {
    g_interrupted = signal_number;
    if (g_child > 0) kill(static_cast<pid_t>(g_child), SIGKILL);
}
int interrupted_status() { return 128 + g_interrupted; }

int usage_error(const std::string& message) {
    std::fprintf(stderr, "speechscore: %s\n%s", printable(message).c_str(), kUsage);
    return 2;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "speechscore: %s\n", printable(message).c_str());
    return 2;
}

// The script's name in messages.
std::string display_name(const Options& o) {
    return o.script == "-" ? "<stdin>" : printable(o.script);
}

std::string plural(int n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// "3 errors (2 lines not run, 1 reported in the score)".
std::string error_count(const cli::RunReport& r) {
    std::vector<std::string> parts;
    if (r.scriptErrors > 0) parts.push_back(plural(r.scriptErrors, "line", "lines") + " not run");
    if (r.libraryErrors > 0)
        parts.push_back(std::to_string(r.libraryErrors) + " reported in the score");
    std::string text = plural(r.scriptErrors + r.libraryErrors, "error", "errors");
    for (std::size_t i = 0; i < parts.size(); ++i) text += (i == 0 ? " (" : ", ") + parts[i];
    return parts.empty() ? text : text + ")";
}

// A length of the score as precisely as the score states times (four decimals), without
// trailing zeros: "0.35 s", "2 s".
std::string seconds_text(double seconds) {
    char text[512];
    std::snprintf(text, sizeof text, "%.4f", seconds);
    std::string shown = text;
    if (shown.find('.') != std::string::npos) {
        while (shown.back() == '0') shown.pop_back();
        if (shown.back() == '.') shown.pop_back();
    }
    return shown + " s";
}

struct Pass {
    int status = 0;  // the run's exit status, or 128 + signal
    cli::RunReport report = {0, 0, 0, 0.0, 0, 0};
};

// Runs the script once in a forked child with fresh library state; the score goes to outFd.
Pass run_once(const Options& o, const std::string& text, int outFd) {
    Pass pass;
    void* shared = mmap(nullptr, sizeof(cli::RunReport), PROT_READ | PROT_WRITE,
                        MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED) {
        std::fprintf(stderr, "speechscore: cannot run the script: %s\n", std::strerror(errno));
        pass.status = 2;
        return pass;
    }
    auto* report = new (shared) cli::RunReport{0, 0, 0, 0.0, 0, 0};
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = fork();
    if (pid < 0) {
        std::fprintf(stderr, "speechscore: cannot run the script: %s\n", std::strerror(errno));
        pass.status = 2;
    } else if (pid == 0) {
        g_child = 0;
        for (const int sig : {SIGINT, SIGTERM, SIGHUP}) signal(sig, SIG_DFL);
        const int status = cli::run_script(display_name(o), text, o.check, outFd, *report);
        std::fflush(stdout);
        _exit(status);
    } else {
        g_child = pid;
        if (g_interrupted) kill(pid, SIGKILL);  // the signal came before the handler knew it
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        g_child = 0;
        if (WIFEXITED(status)) pass.status = WEXITSTATUS(status);
        if (WIFSIGNALED(status)) pass.status = 128 + WTERMSIG(status);
        pass.report = *report;
        // Stopped by the user, or by a reader that has read enough (| head): no news.
        if (WIFSIGNALED(status) && !g_interrupted && WTERMSIG(status) != SIGINT &&
            WTERMSIG(status) != SIGTERM && WTERMSIG(status) != SIGPIPE) {
            std::fprintf(stderr, "speechscore: the run of %s ended with signal %d\n",
                         display_name(o).c_str(), WTERMSIG(status));
        }
    }
    munmap(shared, sizeof(cli::RunReport));
    return pass;
}

// What a run with errors leaves undone: "; not rendered".
std::string untouched(const Options& o) { return o.wav.empty() ? "" : "; not rendered"; }

// One pass: run the script, keep or render the score, print the status line. Returns the exit
// status. The -o file is replaced by the score of a run that ran to its end, with the library's
// reports in it where there were errors; a stopped run, or a score that could not be written,
// leaves every output as it was.
int pass(const Options& o, speechscore::Renderer* renderer) {
    const auto start = std::chrono::steady_clock::now();
    const std::string name = display_name(o);
    std::string text;
    std::string problem;
    bool interrupted = false;
    const bool song = o.script != "-" && cli::is_song_path(o.script);
    if (!cli::read_script(o.script, text, problem, interrupted,
                          song ? "a song file" : "a script")) {
        if (interrupted) return interrupted_status();
        std::fprintf(stderr, "speechscore: cannot read %s: %s\n", name.c_str(), problem.c_str());
        return 2;
    }
    if (song) {
        // A song file: sung as the call script of its sing lines.
        std::string script;
        std::vector<std::string> places;
        if (!cli::song_script(name, text, o.song, script, &places)) return 1;
        text = std::move(script);
        cli::set_song_places(std::move(places));
    } else {
        cli::set_song_places({});
    }

    // Where the score goes: the -o file, a temporary file to render, nowhere, or stdout.
    cli::Output output;
    std::string scorePath = o.output;
    bool temporary = false;
    int outFd = STDOUT_FILENO;
    if (o.check) {
        outFd = -1;
    } else if (!o.output.empty()) {
        if (!cli::open_output(o.output, output, problem, interrupted)) {
            if (interrupted) return interrupted_status();
            std::fprintf(stderr, "speechscore: cannot write %s: %s\n", printable(o.output).c_str(),
                         problem.c_str());
            return 2;
        }
        outFd = output.fd;
    } else if (!o.wav.empty()) {
        outFd = cli::temporary_score(scorePath);
        if (outFd < 0) return 2;
        temporary = true;
    }

    // --labels: the TextGrid goes beside its file, put in place with the score or the take.
    cli::Output labels;
    if (!o.labels.empty() && !o.check) {
        if (!cli::open_output(o.labels, labels, problem, interrupted)) {
            cli::discard_output(output);
            if (temporary) {
                close(outFd);
                unlink(scorePath.c_str());
            }
            if (interrupted) return interrupted_status();
            std::fprintf(stderr, "speechscore: cannot write the labels to %s: %s\n",
                         printable(o.labels).c_str(), problem.c_str());
            return 2;
        }
    }
    cli::set_labels_output(labels.fd, o.labels);

    // --expand: the expanded script goes where the score would go, the score nowhere.
    int scoreFd = outFd;
    int expandFd = -1;
    if (o.expand) {
        expandFd = fcntl(outFd, F_DUPFD_CLOEXEC, 3);
        cli::set_expand_output(expandFd);
        scoreFd = open("/dev/null", O_WRONLY | O_CLOEXEC);
    }
    const Pass run = g_interrupted ? Pass{} : run_once(o, text, scoreFd);
    if (o.expand) {
        if (scoreFd >= 0) close(scoreFd);
        if (expandFd >= 0) close(expandFd);
        cli::set_expand_output(-1);
    }
    if (temporary) close(outFd);
    auto elapsed_ms = [&]() {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now() - start)
            .count();
    };
    auto clean_up = [&]() {
        cli::discard_output(output);
        cli::discard_output(labels);
        if (temporary) unlink(scorePath.c_str());
    };
    if (g_interrupted) {
        clean_up();
        return interrupted_status();
    }

    int status = run.status;
    const cli::RunReport& r = run.report;
    const int errors = r.scriptErrors + r.libraryErrors;
    // The TextGrid goes in place with the score or the take it labels; a score to render goes
    // in place once the render ends, so that one stopped leaves every output as it was.
    bool labelsKept = status < 128 && !r.writeFailed && o.wav.empty();
    const bool rendering = !o.wav.empty() && status == 0 && errors == 0 && !r.writeFailed;
    std::string shown = temporary ? "the score of " + name : "";
    if (rendering && output.fd >= 0 && !output.scratch.empty()) {
        scorePath = output.scratch;
        shown = printable(o.output);
    } else if (output.fd >= 0) {
        if (status < 128 && !r.writeFailed) {
            if (!cli::commit_output(output, problem)) {
                std::fprintf(stderr, "speechscore: cannot write %s: %s\n",
                             printable(o.output).c_str(), problem.c_str());
                clean_up();
                return 2;
            }
        } else {
            cli::discard_output(output);
        }
    }
    if (r.writeFailed) {
        const std::string where = o.output.empty() ? "standard output" : printable(o.output);
        std::fprintf(stderr, "speechscore: cannot write the %s to %s: %s\n",
                     o.expand ? "expanded script" : "score", where.c_str(),
                     std::strerror(r.writeFailed));
        status = 2;
    } else if (status >= 128) {
        if (o.watch) std::fprintf(stderr, "%s: the run was stopped\n", name.c_str());
    } else if (errors > 0) {
        std::fprintf(stderr, "%s: %s%s\n", name.c_str(), error_count(r).c_str(),
                     untouched(o).c_str());
        status = status == 0 ? 1 : status;
    } else if (status != 0) {
        // fine ended the run for a count the script set itself (nerrors = ...).
        std::fprintf(stderr, "%s: the score was closed with errors%s\n", name.c_str(),
                     untouched(o).c_str());
    } else if (!o.wav.empty()) {
        status = cli::render(*renderer, scorePath, o.wav, shown);
        if (g_interrupted) {
            clean_up();
            return interrupted_status();
        }
        if (output.fd >= 0 && !cli::commit_output(output, problem)) {
            std::fprintf(stderr, "speechscore: cannot write %s: %s\n", printable(o.output).c_str(),
                         problem.c_str());
            clean_up();
            return 2;
        }
        labelsKept = status == 0 || status == 4;        // a take that clips is kept
        if (status == 0 || (status == 4 && o.watch)) {  // a clipped take is kept
            std::fprintf(stderr, "%s: rendered %s in %lld ms (%s)%s\n", name.c_str(),
                         seconds_text(r.scoreEnd).c_str(), static_cast<long long>(elapsed_ms()),
                         printable(o.wav).c_str(), status == 4 ? ", clipped" : "");
        } else if (o.watch) {
            std::fprintf(stderr, "%s: not rendered (status %d)\n", name.c_str(), status);
        }
    } else if (o.check || o.watch) {
        std::string line = name + ": no errors; the score lasts " + seconds_text(r.scoreEnd);
        if (!o.check)
            line += " (" + printable(o.output) + ", " + std::to_string(elapsed_ms()) + " ms)";
        std::fprintf(stderr, "%s\n", line.c_str());
    }
    if (labelsKept && labels.fd >= 0 && !r.labelsFailed && !cli::commit_output(labels, problem)) {
        std::fprintf(stderr, "speechscore: cannot write the labels to %s: %s\n",
                     printable(o.labels).c_str(), problem.c_str());
        status = std::max(status, 2);
    }
    clean_up();
    // A TextGrid that could not be written (said where it failed) is an output not written.
    return r.labelsFailed && status < 2 ? 2 : status;
}

struct Stamp {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    long long mtimeNs = 0;
    bool operator==(const Stamp& s) const {
        return exists == s.exists && dev == s.dev && ino == s.ino && size == s.size &&
               mtimeNs == s.mtimeNs;
    }
};

Stamp stamp_of(const std::string& path) {
    Stamp s;
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return s;
    s.exists = true;
    s.dev = st.st_dev;
    s.ino = st.st_ino;
    s.size = st.st_size;
    s.mtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return s;
}

void sleep_ms(long ms) {
    timespec t = {ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&t, nullptr);
}

// Runs a pass now and again whenever the script changes (polled: an editor that saves by
// renaming a new file over the old one is seen as well). Runs until interrupted.
int watch(const Options& o, speechscore::Renderer* renderer) {
    // A pass that could not read the script or write an output ends with its own status line.
    const auto pass_said = [&o, renderer] {
        if (pass(o, renderer) == 2 && !g_interrupted)
            std::fprintf(stderr, "%s: status 2 (a file could not be read or written)\n",
                         display_name(o).c_str());
    };
    Stamp seen = stamp_of(o.script);
    pass_said();
    while (!g_interrupted) {
        sleep_ms(200);
        const Stamp now = stamp_of(o.script);
        if (now == seen || g_interrupted) continue;
        sleep_ms(100);  // a save in several writes: wait until the file holds still
        if (!(stamp_of(o.script) == now)) continue;
        seen = now;
        if (!now.exists) {
            std::fprintf(stderr, "%s: waiting for the script to come back\n",
                         display_name(o).c_str());
            continue;
        }
        pass_said();
    }
    return interrupted_status();
}

// Refuses outputs that would replace an input or each other, compared as files (device and
// inode, or for a file still to come its real directory and name), and destinations that are
// no file to write; returns -1 when all is well, else the exit status.
int check_files(const Options& o) {
    const cli::FileKey script =
        o.script == "-" ? cli::key_of_descriptor(STDIN_FILENO) : cli::key_of_path(o.script);
    const std::string scriptName = o.script == "-" ? std::string("on standard input") : o.script;
    // A terminal or a pipe read and written at once is no file lost.
    auto clash = [](const cli::FileKey& a, const cli::FileKey& b) {
        return a.same(b) && (a.regular || !a.exists);
    };
    // Each output against the script and the outputs checked before it.
    std::vector<std::pair<cli::FileKey, std::string>> taken = {
        {script, "the script " + scriptName}};
    auto claim = [&](const std::string& path, const std::string& what) {
        const cli::FileKey key = cli::key_of_path(path);
        for (const auto& [other, name] : taken) {
            if (clash(key, other)) return usage_error(what + " would overwrite " + name);
        }
        taken.emplace_back(key, what + " " + path);
        return -1;
    };
    if (!o.output.empty()) {
        const std::string problem = cli::destination_problem(o.output, true);
        if (!problem.empty()) return fail("cannot write the score to " + o.output + ": " + problem);
        if (const int status = claim(o.output, "the score"); status >= 0) return status;
        if (!o.wav.empty() && cli::key_of_path(o.output).stream) {
            return fail("--render reads the score back from " + o.output +
                        ", a FIFO or device; leave out -o or name a file");
        }
    }
    if (!o.wav.empty()) {
        const std::string problem = cli::destination_problem(o.wav, false);
        if (!problem.empty()) return fail("cannot render to " + o.wav + ": " + problem);
        if (const int status = claim(o.wav, "the WAV file"); status >= 0) return status;
    }
    if (!o.labels.empty()) {
        // Written again after every say or sing line: only a file, renamed into place.
        const std::string problem = cli::destination_problem(o.labels, false);
        if (!problem.empty())
            return fail("cannot write the labels to " + o.labels + ": " + problem);
        if (const int status = claim(o.labels, "the TextGrid"); status >= 0) return status;
    }
    return -1;
}

// Reads the options; returns -1 to go on, or the exit status to end with.
int parse_options(int argc, char** argv, Options& o) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string songOption;  // the last option given that only a song file takes
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](const std::string& option, std::string& into) {
            if (a.size() > option.size() && a.compare(0, option.size() + 1, option + "=") == 0) {
                into = a.substr(option.size() + 1);
                return true;
            }
            if (a != option) return false;
            if (i + 1 >= args.size()) {
                into = "\x01";  // marks a missing value
                return true;
            }
            into = args[++i];
            return true;
        };
        std::string v;
        if (a == "-h" || a == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a == "--version") {
            std::printf("speechscore %s\n", SPEECHSCORE_VERSION);
            return 0;
        } else if (a == "--list") {
            cli::print_list(stdout);
            return 0;
        } else if (value("--describe", v)) {
            if (v == "\x01") return usage_error("--describe needs a name");
            return cli::print_description(stdout, stderr, v) ? 0 : 2;
        } else if (a == "--check") {
            o.check = true;
        } else if (value("--part", v) || value("--verse", v) || value("--voice", v) ||
                   value("--lang", v)) {
            if (v == "\x01" || v.empty()) return usage_error(a + " needs a value");
            std::string& field = a.rfind("--part", 0) == 0    ? o.song.part
                                 : a.rfind("--verse", 0) == 0 ? o.song.verse
                                 : a.rfind("--voice", 0) == 0 ? o.song.voice
                                                              : o.song.lang;
            field = v;
            songOption = a.substr(0, a.find('='));
        } else if (value("--fermata", v)) {
            songOption = "--fermata";
            char* end = nullptr;
            const double f = std::strtod(v.c_str(), &end);
            if (v == "\x01" || v.empty() || *end != '\0' || !(f >= 1 && f <= 4))
                return usage_error("--fermata needs a factor from 1 to 4");
            o.song.fermata = f;
        } else if (a == "--expand") {
            o.expand = true;
        } else if (value("--labels", v)) {
            if (v == "\x01" || v.empty()) return usage_error("--labels needs a TextGrid file name");
            o.labels = v;
        } else if (a == "--watch") {
            o.watch = true;
        } else if (value("-o", v) || value("--output", v)) {
            if (v == "\x01" || v.empty()) return usage_error(a + " needs a file name");
            o.output = v;
        } else if (value("--render", v)) {
            if (v == "\x01" || v.empty()) return usage_error("--render needs a WAV file name");
            o.wav = v;
        } else if (a == "--") {
            if (i + 1 < args.size() && o.script.empty()) o.script = args[++i];
            if (i + 1 < args.size()) return usage_error("one script at a time");
        } else if (a.size() > 1 && a[0] == '-') {
            return usage_error("unknown option " + a);
        } else if (o.script.empty()) {
            o.script = a;
        } else {
            return usage_error("one script at a time (got " + o.script + " and " + a + ")");
        }
    }
    if (o.script.empty()) return usage_error("no script given");
    if (!songOption.empty() && (o.script == "-" || !cli::is_song_path(o.script))) {
        return usage_error(songOption +
                           " is for a song file (.musicxml, .mxl, .mid ...); a script sings "
                           "with its own voice, vibrato and lang= lines");
    }
    if (o.check && (!o.output.empty() || !o.wav.empty())) {
        return usage_error("--check writes nothing; leave out -o and --render");
    }
    if (o.expand && (o.check || !o.wav.empty())) {
        return usage_error("--expand writes the expanded script; leave out --check and --render");
    }
    if (o.watch && o.script == "-") return usage_error("--watch needs a script file");
    if (o.watch && !o.check && o.output.empty() && o.wav.empty()) {
        return usage_error("--watch needs -o, --render or --check");
    }
    return check_files(o);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && cli::is_python_command(argv[1])) return cli::run_python_command(argc, argv);
    Options o;
    const int early = parse_options(argc, argv, o);
    if (early >= 0) return early;

    std::unique_ptr<speechscore::Renderer> renderer;
    if (!o.wav.empty()) {
        renderer = cli::make_renderer([] { return g_interrupted != 0; });
        if (!renderer) return 3;
    }
    struct sigaction action = {};
    action.sa_handler = on_interrupt;
    sigemptyset(&action.sa_mask);
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &action, nullptr);

    if (o.watch) return watch(o, renderer.get());
    const int status = pass(o, renderer.get());
    return g_interrupted ? interrupted_status() : status;
}
