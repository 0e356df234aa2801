// Running a call script with the library: each line is read, then set or called in order; what a
// call prints to the score is passed on byte for byte and read for the library's own reports,
// which are pointed out on standard error with the line, the operation and the argument.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "quantities.h"
#include "say.h"
#include "script.h"
#include "sing.h"
#include "speechscore.h"

namespace cli {
namespace {

// Where the score goes: every byte the library prints passes through here.
struct Sink {
    int fd;             // destination, or -1 to discard
    std::string call;   // what the current call printed
    RunReport* report;  // told when a write fails
};

ssize_t sink_write(void* cookie, const char* data, size_t size) {
    Sink& sink = *static_cast<Sink*>(cookie);
    sink.call.append(data, size);
    std::size_t done = 0;
    while (sink.fd >= 0 && done < size) {
        const ssize_t n = write(sink.fd, data + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            sink.report->writeFailed = n < 0 ? errno : EIO;
            return 0;  // the stream's error flag is set, and fine reports the lost score
        }
        done += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(size);
}

// One of the library's reports in the score: its line and which report it is.
struct ScoreReport {
    Tag tag;
    std::string text;  // the line as the score has it, without its line end
    int times;
};

// The library's reports among the lines of output, as the library's own table knows them.
std::vector<ScoreReport> reports_in(const std::string& output) {
    std::vector<ScoreReport> found;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);) {
        const reports::Report* report = reports::of_line(line);
        if (report == nullptr) continue;
        while (!line.empty() && line.back() == ' ') line.pop_back();
        auto same = [&](const ScoreReport& r) { return r.text == line; };
        const auto it = std::find_if(found.begin(), found.end(), same);
        if (it != found.end()) {
            ++it->times;
        } else {
            found.push_back({report->tag, line, 1});
        }
    }
    return found;
}

// Module state a report can come from when no argument explains it: the variable, the quantity
// of the parameter its value comes from (its range and report), and its role.
struct StateCheck {
    const char* name;
    const Quantity* quantity;
    const char* role;
};
// clang-format off
const StateCheck kStateChecks[] = {
    {"OQn",    &kOpenQ,    "the open quotient aV and xV pass on and qV raises halfway to 1"},
    {"ooq",    &kOpenQ,    "the open quotient a voice rest repeats"},
    {"TLn",    &kTilt,     "the tilt of aV, xV and qV"},
    {"otl",    &kTilt,     "the tilt a voice rest repeats"},
    {"of0",    &kPitch,    "the pitch a voice rest repeats"},
    {"zav",    &kLevel,    "the voicing level of a rest"},
    {"zas",    &kLevel,    "the aspiration level of a rest"},
    {"zaf",    &kLevel,    "the frication level of a rest"},
    {"TTO",    &kTto,      "the TTO operation that maps the ring colours 0..11"},
    {"otrcpt", &kTracheal, "the tracheal pointer a rest repeats"},
    {"onaspt", &kNasal,    "the nasal pointer a rest repeats"},
    {"oDf1pt", &kDeltaF1,  "the delta-F1 symbol a rest repeats"},
    {"beat",   &kSpan,     "the seconds per beat"},
};
// clang-format on

// The glides of the library: the operation that starts one, the value it moves and where it
// stands. A running glide has a slope other than 0; the step that reaches the end sets the value
// to the target exactly and the slope to 0.
struct Glide {
    const char* start;  // glAV
    const char* what;   // "the AV offset"
    double* slope;      // spbGLAV
    double* target;     // newGLAV
    double* value;      // incAV
    double* position;   // beatpoints[12]: beats advanced
    double* limit;      // limGLAV: the position where it ends
};
// clang-format off
const Glide kGlides[] = {
    {"glAV", "the AV offset",        &spbGLAV, &newGLAV, &incAV,   &beatpoints[12], &limGLAV},
    {"glF0", "the F0 offset",        &spbGLF0, &newGLF0, &incF0,   &beatpoints[13], &limGLF0},
    {"glOQ", "the OQ factor",        &spbGLOQ, &newGLOQ, &facGLOQ, &beatpoints[14], &limGLOQ},
    {"glFL", "the FL factor",        &spbGLFL, &newGLFL, &facGLFL, &beatpoints[15], &limGLFL},
    {"glDI", "the DI factor",        &spbGLDI, &newGLDI, &facGLDI, &beatpoints[16], &limGLDI},
    {"glTL", "the TL factor",        &spbGLTL, &newGLTL, &facGLTL, &beatpoints[17], &limGLTL},
    {"glDV", "the DV factor",        &spbGLDV, &newGLDV, &facGLDV, &beatpoints[18], &limGLDV},
    {"glFV", "the FV factor",        &spbGLFV, &newGLFV, &facGLFV, &beatpoints[19], &limGLFV},
    {"glAS", "the AS offset",        &spbGLAS, &newGLAS, &incAS,   &beatpoints[7],  &limGLAS},
    {"glAF", "the AF offset",        &spbGLAF, &newGLAF, &incAF,   &beatpoints[8],  &limGLAF},
    {"glMM", "the seconds per beat", &spbGLMM, &beatnew, &beat,    &beatsaccum,     &beatslimit},
};
// clang-format on

// A glide the script started, as --check follows it.
struct GlideWatch {
    bool running = false;
    int line = 0;
    int column = 0;
    double target = 0;
    double from = 0;      // position where it started
    double beats = 0;     // its length in beats
    double value = 0;     // the value before the call being run
    double position = 0;  // the position before the call being run
};

double value_of(const Variable& v) {
    return v.number != nullptr ? *v.number : static_cast<double>(*v.integer);
}

double argument_value(const Statement& st, std::size_t i) {
    const Kind kind = st.op->params[i].quantity->kind;
    const bool isDouble = kind == Kind::Number || kind == Kind::Frequency || kind == Kind::Pitch;
    return isDouble ? st.args[i].number : st.args[i].integer;
}

// For a bare number where a pitch belongs that is a frequency in the pitch scale (220, from
// 20 Hz, the lowest a listener hears as a tone, up): "; did you mean 220Hz?".
std::string hertz_hint(const Quantity& q, const Token& token) {
    Arg plain = {0.0, 0, '\0'};
    std::string problem;
    const Quantity number = {
        Kind::Number, "", {-kUnbounded, kUnbounded, false, false}, reports::Tag::None};
    if (q.kind != Kind::Pitch || !read_value(token, number, plain, problem)) return "";
    if (!(plain.number >= 20) || !in_range(q, pitch_of_hz(plain.number))) return "";
    return "; did you mean " + clipped(token.text) + "Hz?";
}

class Runner {
public:
    Runner(const std::string& name, bool check, RunReport& report)
        : name_(name), check_(check), report_(report) {
        for (std::size_t k = 0; k < std::size(kStateChecks); ++k) {
            stateVariables_[k] = find_variable(kStateChecks[k].name);
        }
    }

    void line(int number, const std::string& text);
    void finish(int lastLine);

private:
    // A Rest held back until the next statement shows whether a sing line takes it as its own.
    struct HeldRest {
        int line = 0;
        Statement st;
        std::string text;
        std::vector<std::string> between;  // blank and comment lines after it
    };
    bool may_hold(const Statement& st) const;
    void write_held();

    void diagnose(int line, int column, const char* level, const std::string& message) {
        std::fprintf(stderr, "%s: %s: %s\n",
                     place_of(name_, line, static_cast<std::size_t>(column)).c_str(), level,
                     message.c_str());
    }
    void call(int line, const Statement& st);
    void assign(const Statement& st);
    void point_out(int line, const Statement& st, const std::string& output, int counted);
    void explain(int line, const Statement& st, const ScoreReport& r);
    void note_score_end();
    void close_score();
    void follow_glides(int line, const Statement& st);
    void glides_left(const std::string& where);

    std::string name_;
    bool check_;
    RunReport& report_;
    bool warnedAfterFine_ = false;
    const Variable* stateVariables_[std::size(kStateChecks)] = {};
    double stateBefore_[std::size(kStateChecks)] = {};
    GlideWatch glides_[std::size(kGlides)];
    std::optional<HeldRest> held_;
};

Sink* g_sink = nullptr;  // the one sink of the process, set by run_script

std::vector<std::string> g_songPlaces;  // the measure of each line of a song's script

}  // namespace

void note_write_failure(int error) {
    if (g_sink != nullptr && g_sink->report->writeFailed == 0) g_sink->report->writeFailed = error;
}

namespace {

void Runner::line(int number, const std::string& text) {
    // A say or sing line after fine writes past the end of the score, as a call there does.
    std::size_t at = text.find_first_not_of(" \t");
    const std::size_t end = text.find_first_of(" \t", at);
    const std::string word = at == std::string::npos ? "" : text.substr(at, end - at);
    const bool phrase = word == "say" || (word == "sing" && end != std::string::npos &&
                                          text.find_first_not_of(" \t", end) != std::string::npos);
    if (phrase && report_.fineLine != 0 && !warnedAfterFine_) {
        warnedAfterFine_ = true;
        diagnose(number, static_cast<int>(at) + 1, "warning",
                 "this line comes after fine (line " + std::to_string(report_.fineLine) +
                     "); what it writes follows the end of the score");
    }
    if (held_ && word == "sing" && phrase) {
        double lead = held_->st.args[0].number;
        sing_line(name_, number, text, report_, lead, [this](bool taken) {
            if (!taken) return write_held();
            for (const std::string& between : held_->between) expand_line(between);
            held_->between.clear();
        });
        if (lead == 0) held_.reset();
        write_held();  // the line was not sung
        return;
    }
    Statement st;
    Diagnostic error;
    const bool parsed = parse_line(text, st, error);
    if (held_ && parsed && st.type == Statement::Type::Empty) {
        held_->between.push_back(text);
        return;
    }
    write_held();
    double lead = 0;
    if (say_line(name_, number, text, report_) ||
        sing_line(name_, number, text, report_, lead, [](bool) {}))
        return;
    if (parsed && st.type == Statement::Type::Call && may_hold(st)) {
        held_ = HeldRest{number, st, text, {}};
        return;
    }
    expand_line(text);
    if (!parsed) {
        diagnose(number, error.column, "error", error.message);
        ++report_.scriptErrors;
        return;
    }
    if (st.type == Statement::Type::Assign) assign(st);
    if (st.type == Statement::Type::Call) call(number, st);
}

// A silent Rest, with no glide but the tempo's running, may become the next sing line's own
// rest: the line then writes the same silence, and its first syllable's consonants into it.
bool Runner::may_hold(const Statement& st) const {
    if (std::strcmp(st.op->name, "Rest") != 0 || report_.fineLine != 0) return false;
    const double beats = st.args[0].number;
    if (!(beats > 0 && beats < kUnbounded) || zav > 0 || zas > 0 || zaf > 0) return false;
    for (const Glide& g : kGlides)
        if (*g.slope != 0 && std::strcmp(g.start, "glMM") != 0) return false;
    return true;
}

void Runner::write_held() {
    if (!held_) return;
    const HeldRest h = std::move(*held_);
    held_.reset();
    expand_line(h.text);
    for (const std::string& between : h.between) expand_line(between);
    call(h.line, h.st);
}

void Runner::assign(const Statement& st) {
    const Variable& v = *st.var;
    const int offset = v.columns > 0 ? st.index[0] * v.columns + st.index[1] : st.index[0];
    if (v.number != nullptr) v.number[offset] = st.value.number;
    if (v.integer != nullptr) v.integer[offset] = st.value.integer;
}

void Runner::note_score_end() { report_.scoreEnd = score_end(); }

void Runner::close_score() {
    note_score_end();
    if (!write_collected_labels(name_)) report_.labelsFailed = 1;
    std::fflush(stdout);
    fine();  // ends the process when the library counted errors
    std::fflush(stdout);
}

void Runner::call(int line, const Statement& st) {
    const Operation& op = *st.op;
    if (report_.fineLine != 0 && !warnedAfterFine_) {
        warnedAfterFine_ = true;
        diagnose(line, st.nameColumn, "warning",
                 "this call comes after fine (line " + std::to_string(report_.fineLine) +
                     "); what it writes follows the end of the score");
    }
    if (op.role == Role::Fine) {
        if (report_.fineLine == 0) {
            report_.fineLine = line;
            if (check_) glides_left("at fine (line " + std::to_string(line) + ")");
        }
        if (!check_) close_score();
        return;
    }
    for (std::size_t k = 0; k < std::size(kGlides); ++k) {
        glides_[k].value = *kGlides[k].value;
        glides_[k].position = *kGlides[k].position;
    }
    // The state as the call finds it: a rejected value the call remembers is no cause.
    for (std::size_t k = 0; k < std::size(kStateChecks); ++k) {
        stateBefore_[k] = value_of(*stateVariables_[k]);
    }
    const int before = nerrors;
    g_sink->call.clear();
    const int result = op.invoke(st.args.data());
    std::fflush(stdout);
    const int counted = nerrors > before ? nerrors - before : 0;
    report_.libraryErrors += counted;
    note_score_end();
    if (check_) follow_glides(line, st);
    point_out(line, st, g_sink->call, counted);
    if (op.role == Role::Result) {
        diagnose(line, st.nameColumn, "note",
                 std::string(op.name) + " returned " + std::to_string(result));
    }
}

// Points at the arguments whose values lie outside the range that r reports, one line each;
// when none does, at the span or level the call computed or the module state that explains it.
void Runner::explain(int line, const Statement& st, const ScoreReport& r) {
    const Operation& op = *st.op;
    const char* level = r.tag == Tag::Tempo ? "warning" : "error";  // a wrong mark is not counted
    std::string says = "the score says \"" + r.text + "\"";
    std::vector<std::size_t> culprits;
    for (std::size_t i = 0; i < st.args.size(); ++i) {
        const Quantity& q = *op.params[i].quantity;
        if (q.report != Tag::None && r.tag == q.report && !in_range(q, argument_value(st, i))) {
            culprits.push_back(i);
        }
    }
    // With one cause the repeats are its own; with several they are shared.
    if (r.times > 1 && culprits.size() <= 1) says += " (" + std::to_string(r.times) + " times)";
    for (const std::size_t i : culprits) {
        const Param& p = op.params[i];
        const double value = argument_value(st, i);
        std::string shown = clipped(st.tokens[i].text);
        if (number_text(value) != shown) shown += " (" + number_text(value) + ")";
        diagnose(line, st.tokens[i].column, level,
                 std::string(op.name) + " argument " + std::to_string(i + 1) + " (" + p.name +
                     ") = " + shown + " is outside its range: " + p.quantity->unit + ", " +
                     range_text(*p.quantity) + "; " + says + hertz_hint(*p.quantity, st.tokens[i]));
    }
    if (!culprits.empty()) return;

    std::vector<std::string> reasons;
    const std::string derived = op.derived;
    std::size_t from = 0;
    while (from < derived.size()) {
        std::size_t bar = derived.find('|', from);
        if (bar == std::string::npos) bar = derived.size();
        const std::string entry = derived.substr(from, bar - from);
        from = bar + 1;
        const Variable* v = find_variable(entry.substr(0, entry.find(' ')));
        if (v == nullptr) continue;
        const double value = value_of(*v);
        if (r.tag == Tag::Duration && entry[0] == 'D' && !(value > 0)) {
            reasons.push_back("the span " + entry + " came out " + number_text(value) + " s");
        }
        if (r.tag == Tag::Loudness && entry[0] == 'L' && value > 100) {
            reasons.push_back("the level " + entry + " came out " + number_text(value));
        }
    }
    for (std::size_t k = 0; k < std::size(kStateChecks); ++k) {
        const StateCheck& c = kStateChecks[k];
        const Quantity& q = *c.quantity;
        if (r.tag != q.report || in_range(q, stateBefore_[k])) continue;
        reasons.push_back(std::string(c.name) + " = " + number_text(stateBefore_[k]) + " (" +
                          c.role + ") is outside its range, " + range_text(q));
    }
    std::string text = std::string(op.name) + ": " + says + "; no argument is outside its range";
    for (std::size_t i = 0; i < reasons.size(); ++i) {
        text += (i == 0 ? ", but " : "; ") + reasons[i];
    }
    diagnose(line, st.nameColumn, level, text);
}

void Runner::point_out(int line, const Statement& st, const std::string& output, int counted) {
    const std::vector<ScoreReport> reports = reports_in(output);
    int explained = 0;
    for (const ScoreReport& r : reports) {
        if (r.tag != Tag::Tempo) explained += r.times;
        if (st.op->role == Role::Report) {
            diagnose(
                line, st.nameColumn, "error",
                "err wrote \"" + r.text + "\" into the score, as asked; it counts as an error");
        } else {
            explain(line, st, r);
        }
    }
    if (counted > explained) {
        diagnose(line, st.nameColumn, "error",
                 std::string(st.op->name) + ": the library counted " + std::to_string(counted) +
                     (counted == 1 ? " error" : " errors") + " for this call");
    }
}

// After a call: a glide it ends before its target is pointed out where the glide started; a
// glide it starts is followed from here.
void Runner::follow_glides(int line, const Statement& st) {
    for (std::size_t k = 0; k < std::size(kGlides); ++k) {
        const Glide& g = kGlides[k];
        GlideWatch& w = glides_[k];
        const bool starts = std::strcmp(st.op->name, g.start) == 0;
        if (w.running && (starts || (*g.slope == 0 && *g.value != w.target))) {
            diagnose(w.line, w.column, "warning",
                     std::string("the glide ") + g.start + " started here is cancelled by " +
                         (starts ? "a new " : "") + st.op->name + " on line " +
                         std::to_string(line) + " before reaching its target: after " +
                         number_text(w.position - w.from) + " of its " + number_text(w.beats) +
                         " beats " + g.what + " was " + number_text(w.value) + ", not " +
                         number_text(w.target));
        }
        if (*g.slope == 0 || starts) w.running = false;
        if (starts && *g.slope != 0) {
            w = {true, line, st.nameColumn, *g.target, *g.position, *g.limit - *g.position, 0, 0};
        }
    }
}

// The glides still running where the score ends, pointed out where each started.
void Runner::glides_left(const std::string& where) {
    for (std::size_t k = 0; k < std::size(kGlides); ++k) {
        const Glide& g = kGlides[k];
        GlideWatch& w = glides_[k];
        if (!w.running) continue;
        w.running = false;
        diagnose(w.line, w.column, "warning",
                 std::string("the glide ") + g.start + " started here is still short of its " +
                     "target " + where + ": after " + number_text(*g.position - w.from) +
                     " of its " + number_text(w.beats) + " beats " + g.what + " is " +
                     number_text(*g.value) + ", not " + number_text(w.target));
    }
}

void Runner::finish(int lastLine) {
    write_held();
    if (report_.fineLine != 0) return;
    const int line = lastLine > 0 ? lastLine : 1;
    if (check_) {
        glides_left("at the end of the script");
        diagnose(line, 1, "warning", "the script ends without fine, which closes the score");
        return;
    }
    diagnose(line, 1, "warning",
             "the script ends without fine; the runner calls fine to close the score");
    close_score();
}

}  // namespace

void set_song_places(std::vector<std::string> places) { g_songPlaces = std::move(places); }

std::string place_of(const std::string& name, int line, std::size_t column) {
    const std::size_t index = static_cast<std::size_t>(line - 1);
    if (line >= 1 && index < g_songPlaces.size() && !g_songPlaces[index].empty())
        return name + ": measure " + g_songPlaces[index];
    return name + ":" + std::to_string(line) + ":" + std::to_string(column);
}

int run_script(const std::string& name, const std::string& text, bool check, int outFd,
               RunReport& report) {
    // Whatever the library writes reaches the destination, even a write past the stream.
    const int destination = check ? open("/dev/null", O_WRONLY | O_CLOEXEC) : outFd;
    if (destination >= 0 && destination != STDOUT_FILENO) dup2(destination, STDOUT_FILENO);
    if (check && destination >= 0) close(destination);
    static Sink sink = {-1, "", nullptr};
    sink = {check ? -1 : STDOUT_FILENO, "", &report};
    g_sink = &sink;
    cookie_io_functions_t io = {nullptr, sink_write, nullptr, nullptr};
    FILE* stream = fopencookie(&sink, "w", io);
    if (stream == nullptr) {
        std::fprintf(stderr, "speechscore: cannot set up the score output: %s\n",
                     std::strerror(errno));
        return 2;
    }
    static char buffer[1 << 16];
    setvbuf(stream, buffer, _IOFBF, sizeof buffer);
    FILE* const previous = stdout;
    stdout = stream;

    Runner runner(name, check, report);
    int number = 0;
    // A byte order mark that an editor put first is no part of the first line.
    std::size_t from = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (from < text.size()) {
        std::size_t end = text.find('\n', from);
        if (end == std::string::npos) end = text.size();
        // A line may end in "\r\n", as an editor on Windows saves it.
        const std::size_t last = end > from && text[end - 1] == '\r' ? end - 1 : end;
        runner.line(++number, text.substr(from, last - from));
        from = end + 1;
    }
    runner.finish(number);
    std::fflush(stream);
    stdout = previous;
    std::fclose(stream);
    if (report.writeFailed) return 2;
    return report.scriptErrors > 0 || report.libraryErrors > 0 ? 1 : 0;
}

}  // namespace cli
