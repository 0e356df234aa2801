// The compiled part of the Python package: the runner's tables, a script run in a forked child
// (so that fine, which may end the process, never ends the interpreter), the call script of a
// song file, and the renderer.
#include <fcntl.h>
#include <poll.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "outputs.h"
#include "script.h"
#include "script_child.h"
#include "song.h"
#include "speechscore.h"
#include "speechscore_render.h"

namespace py = pybind11;

// The two variables every client of the library defines; each script run sets its own.
double beat = 1.0;
int TTO = 0;

namespace {

const char* kind_name(cli::Kind kind) {
    switch (kind) {
        case cli::Kind::Number:
            return "number";
        case cli::Kind::Frequency:
            return "frequency";
        case cli::Kind::Pitch:
            return "pitch";
        case cli::Kind::Integer:
            return "integer";
        case cli::Kind::Colour:
            return "colour";
        case cli::Kind::Nasal:
            return "nasal";
        case cli::Kind::Tracheal:
            return "tracheal";
        case cli::Kind::DeltaF1:
            return "deltaf1";
        case cli::Kind::Letter:
            return "letter";
    }
    return "number";
}

// Every operation as (name, [(parameter, kind, unit)]).
py::list operation_table() {
    std::size_t count = 0;
    const cli::Operation* ops = cli::operations(count);
    py::list table;
    for (std::size_t i = 0; i < count; ++i) {
        py::list params;
        for (std::size_t p = 0; p < std::strlen(ops[i].types); ++p) {
            const cli::Param& param = ops[i].params[p];
            params.append(py::make_tuple(param.name, kind_name(param.quantity->kind),
                                         param.quantity->unit ? param.quantity->unit : ""));
        }
        table.append(py::make_tuple(ops[i].name, params));
    }
    return table;
}

// Every variable as (name, rows, columns).
py::list variable_table() {
    std::size_t count = 0;
    const cli::Variable* vars = cli::variables(count);
    py::list table;
    for (std::size_t i = 0; i < count; ++i)
        table.append(py::make_tuple(vars[i].name, vars[i].rows, vars[i].columns));
    return table;
}

// Reads both pipes to their ends at once, so that neither child's write can block.
void drain(int outFd, int errFd, std::string& out, std::string& err) {
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    std::string* into[2] = {&out, &err};
    int open = 2;
    char buffer[1 << 16];
    while (open > 0) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            } else {
                into[i]->append(buffer, static_cast<std::size_t>(n));
            }
        }
    }
}

struct Forked {
    int status = 2;
    std::string out, err;
};

std::string cannot(const char* what) {
    return std::string("speechscore: cannot ") + what + ": " + std::strerror(errno) + "\n";
}

// Runs body(outFd) in a forked child with its standard error sent to a pipe; returns what it
// wrote to both and its exit status (the child exits with body's return value).
template <typename Body>
Forked forked(const char* what, Body body) {
    Forked f;
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        f.err = cannot(what);
        return f;
    }
    if (pipe2(err, O_CLOEXEC) != 0) {
        f.err = cannot(what);
        close(out[0]);
        close(out[1]);
        return f;
    }
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        close(out[0]);
        close(err[0]);
        dup2(err[1], STDERR_FILENO);
        const int status = body(out[1]);
        std::fflush(nullptr);
        _exit(status);
    }
    close(out[1]);
    close(err[1]);
    if (pid < 0) {
        f.err = cannot(what);
        close(out[0]);
        close(err[0]);
        return f;
    }
    drain(out[0], err[0], f.out, f.err);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    f.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return f;
}

struct RunOutcome {
    Forked run;
    cli::RunReport report{};
};

// Runs the script in a forked child; the score and the messages come back through pipes, the
// report through shared memory, the labels of its say and sing lines as a TextGrid at `labels`
// (when not empty).
RunOutcome run_forked(const std::string& name, const std::string& text, bool check,
                      const std::string& labels) {
    RunOutcome outcome;
    void* shared = mmap(nullptr, sizeof(cli::RunReport), PROT_READ | PROT_WRITE,
                        MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED) {
        outcome.run.err = cannot("run the script");
        return outcome;
    }
    auto* report = new (shared) cli::RunReport{};
    outcome.run = forked("run the script", [&](int outFd) {
        return run_script_child(name, text, check, labels, outFd, *report);
    });
    outcome.report = *report;
    munmap(shared, sizeof(cli::RunReport));
    return outcome;
}

// The call script that sings a song file's bytes (MusicXML, .mxl, MIDI), made in a forked child
// as the runner makes it; its warnings and error come back as the runner prints them.
py::dict song(const std::string& name, const py::bytes& bytes, const std::string& part,
              const std::string& verse, const std::string& voice, double fermata,
              const std::string& lang) {
    const std::string data = bytes;
    const cli::SongOptions options{part, verse, voice, fermata, lang};
    Forked f;
    {
        py::gil_scoped_release release;
        f = forked("read the song", [&](int outFd) {
            std::string script;
            if (!cli::song_script(name, data, options, script)) return 1;
            return speechscore::outputs::write_all(outFd, script.data(), script.size()) ? 0 : 2;
        });
    }
    py::dict d;
    d["status"] = f.status;
    d["script"] = py::bytes(f.out);
    d["messages"] = py::bytes(f.err);
    return d;
}

py::dict run(const std::string& name, const std::string& text, bool check,
             const std::string& labels) {
    RunOutcome outcome;
    {
        py::gil_scoped_release release;
        outcome = run_forked(name, text, check, labels);
    }
    py::dict d;
    d["status"] = outcome.run.status;
    d["score"] = py::bytes(outcome.run.out);
    d["messages"] = py::bytes(outcome.run.err);
    d["script_errors"] = outcome.report.scriptErrors;
    d["library_errors"] = outcome.report.libraryErrors;
    d["fine_line"] = outcome.report.fineLine;
    d["score_end"] = outcome.report.scoreEnd;
    return d;
}

const char* status_name(speechscore::RenderStatus status) {
    switch (status) {
        case speechscore::RenderStatus::rendered:
            return "rendered";
        case speechscore::RenderStatus::clipped:
            return "clipped";
        case speechscore::RenderStatus::failed:
            return "failed";
        case speechscore::RenderStatus::stopped:
            return "stopped";
    }
    return "failed";
}

py::dict result_dict(const speechscore::RenderResult& r) {
    py::dict d;
    d["status"] = status_name(r.status);
    d["messages"] = r.messages;
    d["seconds"] = r.seconds;
    d["peak"] = r.peak;
    d["peak_at"] = r.peak_at;
    d["clipped"] = r.clipped;
    return d;
}

// Renders (text, name, wav) items with Renderer::render_batch on `jobs` processes (0: one per
// processor), the interpreter free meanwhile. `progress`, when not None, is called as
// progress(done, total, item, result) as each item ends; an exception it raises stops the batch
// and is raised here; so does `stop`, when not None, by returning true (the items not finished
// are then "stopped"). The results, as render_text returns them, in the items' order.
//
// The renderer's loop runs on this thread (its workers end with the thread that started them,
// and stay for the renderer's next batch on it) and never waits for the interpreter, which
// another thread may hold for milliseconds at a time, its workers waiting with it: it hands
// each result over to a thread of its own, which reports them and asks `stop` at least every
// 50 ms.
py::list render_batch(speechscore::Renderer& r,
                      const std::vector<std::tuple<std::string, std::string, std::string>>& given,
                      unsigned jobs, const py::object& progress, const py::object& stop) {
    std::vector<speechscore::RenderText> items;
    items.reserve(given.size());
    for (const auto& [text, name, wav] : given) items.push_back({text, name, wav});
    struct Ended {
        std::size_t done, item;
        speechscore::RenderResult result;
    };
    std::mutex lock;
    std::condition_variable changed;
    std::vector<Ended> ended;  // handed over, not yet reported
    bool finished = false;
    std::atomic<bool> failed{false};
    std::exception_ptr error, lost;  // raised by progress or stop; by the renderer
    std::vector<speechscore::RenderResult> results;
    {
        py::gil_scoped_release release;
        std::thread reporter([&] {
            for (bool last = false; !last;) {
                std::vector<Ended> now;
                {
                    std::unique_lock<std::mutex> hold(lock);
                    changed.wait_for(hold, std::chrono::milliseconds(50),
                                     [&] { return finished || !ended.empty(); });
                    now.swap(ended);
                    last = finished;
                }
                if (failed) continue;
                py::gil_scoped_acquire acquire;
                try {
                    for (const Ended& e : now)
                        progress(e.done, items.size(), e.item, result_dict(e.result));
                    if (!stop.is_none() && stop().cast<bool>()) failed = true;
                } catch (...) {
                    error = std::current_exception();
                    failed = true;
                }
            }
        });
        r.set_jobs(jobs);
        r.set_stop([&] { return failed.load(); });
        try {
            results = r.render_batch(items, [&](std::size_t done, std::size_t, std::size_t item,
                                                const speechscore::RenderResult& result) {
                const std::lock_guard<std::mutex> hold(lock);
                if (!progress.is_none()) ended.push_back({done, item, result});
                changed.notify_one();
            });
        } catch (...) {
            lost = std::current_exception();
        }
        r.set_stop({});
        {
            const std::lock_guard<std::mutex> hold(lock);
            finished = true;
            changed.notify_one();
        }
        reporter.join();
    }
    if (error) std::rethrow_exception(error);
    if (lost) std::rethrow_exception(lost);
    py::list out;
    for (const speechscore::RenderResult& result : results) out.append(result_dict(result));
    return out;
}

}  // namespace

PYBIND11_MODULE(_core, m) {
    m.doc() = "speechscore's compiled core: the runner's tables, script runs and the renderer";
    m.def("operations", &operation_table);
    m.def("variables", &variable_table);
    m.def("run", &run, py::arg("name"), py::arg("text"), py::arg("check") = false,
          py::arg("labels") = "");
    m.def("song", &song, py::arg("name"), py::arg("bytes"), py::arg("part") = "",
          py::arg("verse") = "", py::arg("voice") = "", py::arg("fermata") = 1.5,
          py::arg("lang") = "");
    m.def("find_orchestra", &speechscore::find_orchestra);
    py::class_<speechscore::Renderer>(m, "Renderer")
        .def(py::init<const std::string&, std::vector<std::string>>(), py::arg("orchestra"),
             py::arg("options") = std::vector<std::string>{})
        .def("ok", &speechscore::Renderer::ok)
        .def("error", &speechscore::Renderer::error)
        .def(
            "render_text",
            [](speechscore::Renderer& r, const std::string& text, const std::string& name,
               const std::string& wav) {
                speechscore::RenderResult result;
                {
                    py::gil_scoped_release release;
                    result = r.render_text(text, name, wav);
                }
                return result_dict(result);
            },
            py::arg("text"), py::arg("name"), py::arg("wav"))
        .def("render_batch", &render_batch, py::arg("items"), py::arg("jobs") = 0,
             py::arg("progress") = py::none(), py::arg("stop") = py::none());
}
