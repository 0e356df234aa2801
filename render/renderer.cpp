// The render module: the orchestra compiled once in a Csound instance that is never started;
// each score performed in a forked copy of it (after the first, in workers, which perform the
// scores they may one after another in one running performance), which writes the take into a
// file beside the destination; the checks that name the likely cause of a failure; the clip
// analysis.
#include <csound/csound.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <sndfile.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <regex>
#include <set>
#include <sstream>

#include "outputs.h"
#include "speechscore_render.h"

namespace speechscore {
namespace {

using outputs::directory_of;
using outputs::kind_of;
using outputs::read_all;
using outputs::send_all;
using outputs::through_links;
using outputs::write_all;

// The samples a WAV file can hold: its sizes are 32-bit, and the header and its chunks take
// less than 1 KiB.
const std::uint64_t kMaxWavDataBytes = 0xFFFFFFFFull - 1024;
const std::size_t kOwnFlags = 4;             // the renderer's own csound flags, before the caller's
const std::size_t kKeptErrorLines = 1000;    // csound's error lines a render keeps
const std::size_t kKeptLastLines = 15;       // and its last lines, shown when no error line is
const double kProgressAfter = 3;             // seconds of rendering before the progress line
const double kTarget = 0.89125093813374556;  // -1 dBFS
const unsigned kMostFollowing = 1000;        // scores a worker's performance plays in turn

// ---- csound and libsndfile, loaded when the first orchestra is compiled: a render by the
// resident copy needs neither in the program that asks for it, and loading them (with the
// codecs libsndfile brings) takes about 1 ms of its start.

struct Api {
    decltype(&::csoundCompileOrc) csoundCompileOrc = nullptr;
    decltype(&::csoundCreate) csoundCreate = nullptr;
    decltype(&::csoundDestroy) csoundDestroy = nullptr;
    decltype(&::csoundGet0dBFS) csoundGet0dBFS = nullptr;
    decltype(&::csoundGetKr) csoundGetKr = nullptr;
    decltype(&::csoundGetChannelPtr) csoundGetChannelPtr = nullptr;
    decltype(&::csoundGetKsmps) csoundGetKsmps = nullptr;
    decltype(&::csoundGetNchnls) csoundGetNchnls = nullptr;
    decltype(&::csoundGetSpout) csoundGetSpout = nullptr;
    decltype(&::csoundGetSr) csoundGetSr = nullptr;
    decltype(&::csoundInitialize) csoundInitialize = nullptr;
    decltype(&::csoundPerformKsmps) csoundPerformKsmps = nullptr;
    decltype(&::csoundReadScore) csoundReadScore = nullptr;
    decltype(&::csoundReset) csoundReset = nullptr;
    decltype(&::csoundRewindScore) csoundRewindScore = nullptr;
    decltype(&::csoundSetDefaultMessageCallback) csoundSetDefaultMessageCallback = nullptr;
    decltype(&::csoundSetMessageCallback) csoundSetMessageCallback = nullptr;
    decltype(&::csoundSetOpcodedir) csoundSetOpcodedir = nullptr;
    decltype(&::csoundSetOption) csoundSetOption = nullptr;
    decltype(&::csoundStart) csoundStart = nullptr;
    decltype(&::sf_open_fd) sf_open_fd = nullptr;
    decltype(&::sf_command) sf_command = nullptr;
    decltype(&::sf_writef_double) sf_writef_double = nullptr;
    decltype(&::sf_close) sf_close = nullptr;
};
Api g_api;

template <typename F>
bool load(void* library, const char* name, F& function) {
    function = reinterpret_cast<F>(dlsym(library, name));
    return function != nullptr;
}

// Loads the two libraries once; false with the reason in `error` when they cannot be.
bool load_api(std::string& error) {
    static std::string failed;
    static const bool loaded = [] {
        void* csound_library = dlopen(SPEECHSCORE_CSOUND_SONAME, RTLD_NOW | RTLD_LOCAL);
        void* sndfile_library = dlopen(SPEECHSCORE_SNDFILE_SONAME, RTLD_NOW | RTLD_LOCAL);
        if (csound_library == nullptr || sndfile_library == nullptr) {
            const char* why = dlerror();
            failed = why != nullptr ? why : "cannot load csound or libsndfile";
            return false;
        }
        const bool found =
            load(csound_library, "csoundCompileOrc", g_api.csoundCompileOrc) &&
            load(csound_library, "csoundCreate", g_api.csoundCreate) &&
            load(csound_library, "csoundDestroy", g_api.csoundDestroy) &&
            load(csound_library, "csoundGet0dBFS", g_api.csoundGet0dBFS) &&
            load(csound_library, "csoundGetKr", g_api.csoundGetKr) &&
            load(csound_library, "csoundGetChannelPtr", g_api.csoundGetChannelPtr) &&
            load(csound_library, "csoundGetKsmps", g_api.csoundGetKsmps) &&
            load(csound_library, "csoundGetNchnls", g_api.csoundGetNchnls) &&
            load(csound_library, "csoundGetSpout", g_api.csoundGetSpout) &&
            load(csound_library, "csoundGetSr", g_api.csoundGetSr) &&
            load(csound_library, "csoundInitialize", g_api.csoundInitialize) &&
            load(csound_library, "csoundPerformKsmps", g_api.csoundPerformKsmps) &&
            load(csound_library, "csoundReadScore", g_api.csoundReadScore) &&
            load(csound_library, "csoundReset", g_api.csoundReset) &&
            load(csound_library, "csoundRewindScore", g_api.csoundRewindScore) &&
            load(csound_library, "csoundSetDefaultMessageCallback",
                 g_api.csoundSetDefaultMessageCallback) &&
            load(csound_library, "csoundSetMessageCallback", g_api.csoundSetMessageCallback) &&
            load(csound_library, "csoundSetOpcodedir", g_api.csoundSetOpcodedir) &&
            load(csound_library, "csoundSetOption", g_api.csoundSetOption) &&
            load(csound_library, "csoundStart", g_api.csoundStart) &&
            load(sndfile_library, "sf_open_fd", g_api.sf_open_fd) &&
            load(sndfile_library, "sf_command", g_api.sf_command) &&
            load(sndfile_library, "sf_writef_double", g_api.sf_writef_double) &&
            load(sndfile_library, "sf_close", g_api.sf_close);
        if (!found) failed = "csound or libsndfile lacks a function the renderer uses";
        return found;
    }();
    error = failed;
    return loaded;
}

// ---- Text

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from < text.size()) {
        std::size_t end = text.find('\n', from);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(from, end - from));
        from = end + 1;
    }
    return lines;
}

bool blank(const std::string& line) {
    return line.find_first_not_of(" \t\r\v\f") == std::string::npos;
}

// Fields of a line split at blanks and tabs.
std::vector<std::string> fields_of(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    std::string field;
    while (in >> field) fields.push_back(field);
    return fields;
}

// Fields of the score statement whose letter is at `first` of the line, up to its comment.
std::vector<std::string> statement_fields(const std::string& line, std::size_t first) {
    return fields_of(line.substr(first + 1, line.find(';') - first - 1));
}

std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* pattern, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, pattern);
    std::vsnprintf(buffer, sizeof buffer, pattern, args);
    va_end(args);
    return buffer;
}

double dbfs(double value) { return value > 0 ? 20 * std::log10(value) : -HUGE_VAL; }

// A line of csound's messages that reports an error, as the renderer has always read them: one
// of the words below, not preceded by a letter, and not csound's closing "0 errors".
bool is_error_line(const std::string& line) {
    static const char* const kWords[] = {"error", "illegal", "undefined", "not defined", "unknown"};
    std::string lower = line;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    bool found = false;
    for (const char* word : kWords) {
        for (std::size_t at = lower.find(word); at != std::string::npos && !found;
             at = lower.find(word, at + 1))
            found = at == 0 || lower[at - 1] < 'a' || lower[at - 1] > 'z';
    }
    if (!found) return false;
    const std::size_t first = line.find_first_not_of(" \t\r\v\f");
    static const std::string closing = "0 errors in performance";
    return first == std::string::npos || line.compare(first, closing.size(), closing) != 0;
}

// ---- csound's messages: kept per process (a forked render has its own copy), the error lines
// and the last lines.

struct Messages {
    std::string partial;
    std::vector<std::string> errors;
    std::deque<std::string> last;

    void add_line(const std::string& line) {
        if (blank(line)) return;
        if (is_error_line(line) && errors.size() < kKeptErrorLines) errors.push_back(line);
        last.push_back(line);
        if (last.size() > kKeptLastLines) last.pop_front();
    }
    void add(const char* text) {
        partial += text;
        std::size_t end;
        while ((end = partial.find('\n')) != std::string::npos) {
            add_line(partial.substr(0, end));
            partial.erase(0, end + 1);
        }
    }
    void clear() { *this = Messages(); }
};
Messages g_messages;

extern "C" void on_csound_message(CSOUND*, int, const char* pattern, va_list args) {
    char buffer[4096];
    std::vsnprintf(buffer, sizeof buffer, pattern, args);
    g_messages.add(buffer);
}

// ---- Sockets

// A request over a Unix socket: its fixed part (`size` bytes at `head`) with two descriptors
// handed over with it. False when the other end has gone.
bool send_request(int connection, const void* head, std::size_t size, const int (&handed)[2]) {
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof handed)] = {};
    iovec part = {const_cast<void*>(head), size};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr* rights = CMSG_FIRSTHDR(&message);
    rights->cmsg_level = SOL_SOCKET;
    rights->cmsg_type = SCM_RIGHTS;
    rights->cmsg_len = CMSG_LEN(sizeof handed);
    std::memcpy(CMSG_DATA(rights), handed, sizeof handed);
    return sendmsg(connection, &message, MSG_NOSIGNAL) == static_cast<ssize_t>(size);
}

// Receives what send_request() sent; false when the connection ended or the request is not one.
bool receive_request(int connection, void* head, std::size_t size, int (&handed)[2]) {
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof handed)] = {};
    iovec part = {head, size};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    ssize_t got;
    while ((got = recvmsg(connection, &message, MSG_CMSG_CLOEXEC)) < 0 && errno == EINTR) {
    }
    const cmsghdr* rights = got > 0 ? CMSG_FIRSTHDR(&message) : nullptr;
    if (rights == nullptr || rights->cmsg_type != SCM_RIGHTS ||
        rights->cmsg_len != CMSG_LEN(sizeof handed))
        return false;
    std::memcpy(handed, CMSG_DATA(rights), sizeof handed);
    return read_all(connection, static_cast<char*>(head) + got,
                    size - static_cast<std::size_t>(got));
}

// True when the process at the other end of a Unix socket runs as this user.
bool same_user(int socket_fd) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return getsockopt(socket_fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
           peer.uid == geteuid();
}

// The address of an abstract Unix socket (no file in any directory) and its length.
socklen_t abstract_address(const std::string& name, sockaddr_un& address) {
    address = sockaddr_un{};
    address.sun_family = AF_UNIX;
    const std::size_t size = std::min(name.size(), sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, name.data(), size);
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + size);
}

double now_seconds() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// ---- The score's own facts

// Instrument numbers of an orchestra: the numbers of its instr statements.
std::set<int> instruments_of(const std::string& orchestra) {
    static const std::regex instr("^[[:space:]]*instr[[:space:]]+([0-9][0-9, ]*)");
    std::set<int> numbers;
    for (const std::string& line : lines_of(orchestra)) {
        std::smatch m;
        if (line.find("instr") == std::string::npos || !std::regex_search(line, m, instr)) continue;
        std::string list = m[1];
        std::replace(list.begin(), list.end(), ',', ' ');
        for (const std::string& n : fields_of(list)) numbers.insert(std::atoi(n.c_str()));
    }
    return numbers;
}

// Instruments as a list "1, 10 to 27 and 80".
std::string instrument_list(const std::set<int>& numbers) {
    std::vector<std::string> items;
    for (auto it = numbers.begin(); it != numbers.end();) {
        const int from = *it;
        int to = from;
        for (++it; it != numbers.end() && *it == to + 1; ++it) to = *it;
        items.push_back(from == to ? std::to_string(from)
                                   : std::to_string(from) + " to " + std::to_string(to));
    }
    std::string list;
    for (std::size_t i = 0; i < items.size(); ++i)
        list += (i == 0 ? "" : i + 1 == items.size() ? " and " : ", ") + items[i];
    return list;
}

// The checks of a score's ends: closed with errors, empty, or without its final line "e".
// Appends the messages and returns false when the score is refused.
bool check_ends(const std::vector<std::string>& lines, const std::string& name,
                std::vector<std::string>& out) {
    static const std::regex count("^THERE ARE +-?[0-9]+ ERRORS IN THIS FILE\\.");
    static const std::regex final_line("^[[:space:]]*e([[:space:]].*)?$");
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].compare(0, 10, "THERE ARE ") != 0 || !std::regex_search(lines[i], count))
            continue;
        out.push_back(name + " was closed with errors: fine() wrote \"" + lines[i] + "\" (line " +
                      std::to_string(i + 1) + ") instead of \"e\"");
        // Each error is a message line (not a comment) followed by the echo of its statement.
        int errors = 0;
        bool echo = false;
        for (std::size_t k = 0; k < lines.size(); ++k) {
            const std::string& line = lines[k];
            if (line.rfind("Error:", 0) == 0 || line.rfind("Odd error:", 0) == 0) {
                echo = ++errors <= 10;
                if (echo) out.push_back("line " + std::to_string(k + 1) + ": " + line);
                continue;
            }
            if (echo && line.rfind(";i", 0) == 0)
                out.push_back("line " + std::to_string(k + 1) + ": " + line);
            echo = false;
        }
        if (errors > 10)
            out.push_back("... and " + std::to_string(errors - 10) + " more error lines");
        out.push_back("correct the calls these lines report and write the score again");
        return false;
    }
    std::size_t last = lines.size();
    while (last > 0 && blank(lines[last - 1])) --last;
    if (last == 0) {
        out.push_back(name + " is empty: the program wrote no score");
        return false;
    }
    if (!std::regex_match(lines[last - 1], final_line)) {
        out.push_back(name +
                      " has no final line: the program did not call fine(), or stopped before "
                      "it (a closed score ends with \"e\")");
        out.push_back("its last line is line " + std::to_string(last) + ": " + lines[last - 1]);
        return false;
    }
    return true;
}

// The longest time or length a score may write (seconds, or beats under a tempo statement):
// beyond it no take can be rendered. An event longer than csound's count of samples holds
// (from about 1e17 s) never ends: csound runs on without writing, and from far less every
// take is longer than a WAV file holds (9 hours at 44100 Hz) at any tempo up to 6 million
// beats a minute. Fields that are not plain numbers (macros, expressions, carries) are csound's.
constexpr double kLongestTime = 1e12;

// Refuses a score with a time or length beyond kLongestTime (or not a number): the start and
// length of an event (i, a), the time of a table, a stop or a section's end (f, q, e), a time
// offset (b), a warp of lengths (v), and a tempo (t) under which a beat lasts longer. Appends
// the messages and returns false when the score is refused.
bool check_times(const std::vector<std::string>& lines, const std::string& name,
                 std::vector<std::string>& out) {
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const std::string& line = lines[n];
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos) continue;
        const char kind = line[first];
        if (std::strchr("iaefqbvt", kind) == nullptr) continue;
        const std::vector<std::string> fields = statement_fields(line, first);
        const bool tempo = kind == 't';  // beat, beats a minute, beat, beats a minute ...
        const std::size_t from = kind == 'e' || kind == 'b' || kind == 'v' ? 0 : 1;
        const std::size_t to = kind == 'i' || kind == 'a' ? 2 : tempo ? fields.size() : from;
        for (std::size_t k = from; k <= to && k < fields.size(); k += tempo ? 2 : 1) {
            char* end = nullptr;
            const double value = std::strtod(fields[k].c_str(), &end);
            if (end == fields[k].c_str() || *end != '\0') continue;
            if (tempo ? value <= 0 || value >= 60 / kLongestTime : std::fabs(value) <= kLongestTime)
                continue;
            out.push_back(name + " asks for " +
                          (tempo ? "a tempo of " + fields[k] + " beats a minute, a beat"
                                 : "a time or length of " + fields[k] + ",") +
                          " longer than any take can be (a WAV file holds 9 hours at 44100 Hz)");
            out.push_back("line " + std::to_string(n + 1) + ": " + line);
            return false;
        }
    }
    return true;
}

// A score a batch's worker may render in the instance it renders one score after another in:
// comments, and statements i, f and e of plain numbers within bounds, as the library writes
// them. csound gives up on a score it cannot read (an #include it cannot open, a repeat without
// its count, thousands of fields, a start time of 1e30 ...) by a jump to where its last entry
// point was, in a worker a stack frame long gone; on such statements it has nothing to give up
// on. Any other score is rendered in a copy of its own, as a lone render is.
bool plain_score(const std::vector<std::string>& lines) {
    const auto number = [](const std::string& field, double& value) {
        std::size_t digits = 0, i = field[0] == '-' ? 1 : 0, points = 0;
        for (std::size_t k = i; k < field.size(); ++k) {
            if (field[k] == '.' && ++points == 1) continue;
            if (field[k] < '0' || field[k] > '9') return false;
            ++digits;
        }
        if (digits == 0 || field.size() > 24) return false;
        value = std::strtod(field.c_str(), nullptr);
        return true;
    };
    for (const std::string& line : lines) {
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == ';') continue;
        const char kind = line[first];
        if (line.size() > 4096 || (kind != 'i' && kind != 'f' && kind != 'e')) return false;
        const std::vector<std::string> fields = statement_fields(line, first);
        const bool instrument = kind == 'i', table = kind == 'f';
        if (fields.size() > 256 || (instrument && fields.size() < 3) ||
            (table && fields.size() < 4) || (kind == 'e' && fields.size() > 1) ||
            (first + 1 < line.size() && line[first + 1] != ' ' && line[first + 1] != '\t'))
            return false;
        for (std::size_t k = 0; k < fields.size(); ++k) {
            double value = 0;
            if (!number(fields[k], value)) return false;
            const bool time = k == (kind == 'e' ? 0u : 1u);  // the statement's time
            if (k == 0 && kind != 'e' &&
                (fields[0].find_first_not_of("0123456789") != std::string::npos || value < 1 ||
                 value > 999))
                return false;
            if (time && !(value >= 0 && value <= 1e5)) return false;
            if (instrument && k == 2 && !(std::fabs(value) <= 1e5)) return false;
            if (table && k == 2 && !(value >= 0 && value <= 1e7)) return false;
        }
    }
    return true;
}

// What the renderer knows of the score's interface (orchestra/instruments.txt; checked by
// tools/instrument-table): the function tables startmn() writes, which the orchestra reads; the
// field of avfact in the event of instrument 1, counted from p1 as 0; and that event with the
// orchestra's start values but avfact 0, for a score that has none.
constexpr int kTables[] = {4, 6, 7};
constexpr std::size_t kAvfactField = 5;
constexpr char kNoVoiceSettings[] = "i 1 0 0.01 0 1 0 1 1 1 0 1 1\n";

// The likely causes of a failed performance, from the score: tables that startmn() writes,
// instruments not in the orchestra.
std::vector<std::string> diagnose(const std::vector<std::string>& lines, const std::string& name,
                                  const std::set<int>& known) {
    std::vector<std::string> out;
    std::vector<int> missing;
    for (const int table : kTables) {
        const std::regex f("^[ \t]*f[ \t]*0*" + std::to_string(table) + "([ \t]|$)");
        if (std::none_of(lines.begin(), lines.end(),
                         [&](const std::string& line) { return std::regex_search(line, f); }))
            missing.push_back(table);
    }
    if (missing.size() == 3) {
        out.push_back(name +
                      " has no function tables 4, 6 and 7: startmn() was not called (call it "
                      "once, after start1())");
    } else if (!missing.empty()) {
        std::string list;
        for (const int t : missing) list += (list.empty() ? "" : " ") + std::to_string(t);
        out.push_back(name + " lacks function table " + list +
                      " of the three (4, 6 and 7) that startmn() writes");
    }
    static const std::regex event("^[ \t]*i[ \t]*([0-9]+)");
    std::set<int> seen;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::smatch m;
        if (!std::regex_search(lines[i], m, event)) continue;
        const int n = std::atoi(m[1].str().c_str());
        if (known.count(n) != 0 || !seen.insert(n).second) continue;
        if (seen.size() <= 5)
            out.push_back(name + " plays instrument " + std::to_string(n) +
                          ", which is not in the orchestra (it has " + instrument_list(known) +
                          "); first at line " + std::to_string(i + 1) + ": " + lines[i]);
    }
    if (seen.size() > 5)
        out.push_back("... and " + std::to_string(seen.size() - 5) +
                      " more instruments not in the orchestra");
    return out;
}

// ---- Scores that follow one another in one performance
//
// A worker renders the scores it may in one running performance of the orchestra instead of
// setting csound up and compiling the orchestra again for each (a one-second score: some 5 ms
// of processor time instead of 26). Before each score the performance is rewound to time 0
// (csound's score rewind: every note ended, events still waiting dropped), an instrument of
// the renderer's own sets every global value of the orchestra back to its start value, and
// the score's events start as they would in a performance of their own, in the same control
// cycles and the same order. A performance of its own ends in the control cycle of its last
// event, or later, when its last note ends (an instrument may shorten its notes): another
// instrument of the renderer's counts the orchestra's notes in each control cycle, and the
// take ends where none is left after the last event. So the samples are those of a
// performance of its own: the tests compare them. Only where that holds by construction: an
// orchestra whose instruments write no global value without a start value of its own (see
// following_instruments), and a score that can_follow() takes; any other is performed on its
// own, and so is one whose performance reports an error.

// The names of the two instruments, and the channel the count goes to.
constexpr char kStartValues[] = "speechscore_start_values";
constexpr char kCount[] = "speechscore_count";

// The two instruments. The first runs the orchestra's top-level `init` statements of global
// values with plain numbers again. None (scores are then each performed on their own) when an
// instrument, opcode or macro writes a global value that has no such statement (an audio one
// among them), when an instrument has a name, whose notes are not counted, or when the
// orchestra starts events itself, which may wait after the last note ends.
std::string following_instruments(const std::string& orchestra, const std::set<int>& known) {
    static const std::regex scheduling(
        "(^|[^A-Za-z0-9_])(event|event_i|schedule|schedulek|schedwhen|schedkwhen|"
        "schedkwhennamed|scoreline|scoreline_i|readscore)([^A-Za-z0-9_]|$)");
    static const std::regex start(
        "^[ \t]*(g[ik][A-Za-z0-9_]*)[ \t]+init[ \t]+-?([0-9]+\\.?[0-9]*|\\.[0-9]+)[ \t]*(;.*)?$");
    static const std::regex outputs(
        "^[ \t]*([A-Za-z_][A-Za-z0-9_]*([ \t]*,[ \t]*[A-Za-z_][A-Za-z0-9_]*)*)[ \t]*(=|[ "
        "\t][A-Za-z_])");
    static const std::regex name("[A-Za-z_][A-Za-z0-9_]*");
    std::set<std::string> started, written;
    std::string body;
    bool inside = false, macro = false;
    for (const std::string& line : lines_of(orchestra)) {
        const std::vector<std::string> fields = fields_of(line);
        const std::string first = fields.empty() ? "" : fields[0];
        if (std::regex_search(line.substr(0, line.find(';')), scheduling)) return "";
        if (macro) {  // a macro's text, up to the # that ends it
            macro = line.find('#') == std::string::npos;
        } else if (first.rfind("#define", 0) == 0) {
            macro = std::count(line.begin(), line.end(), '#') < 3;
            continue;
        } else if (first == "instr" || first == "opcode") {
            if (first == "instr" &&
                (fields.size() < 2 || !std::isdigit(static_cast<unsigned char>(fields[1][0]))))
                return "";
            inside = true;
            continue;
        } else if (first == "endin" || first == "endop") {
            inside = false;
            continue;
        }
        std::smatch m;
        if (!inside && !macro) {
            if (std::regex_match(line, m, start)) {
                started.insert(m[1]);
                body += line + "\n";
            }
            continue;
        }
        const std::string code = line.substr(0, line.find(';'));
        if (!std::regex_search(code, m, outputs)) continue;
        const std::string list = m[1];
        for (std::sregex_iterator it(list.begin(), list.end(), name), end; it != end; ++it)
            if (it->str()[0] == 'g') written.insert(it->str());
    }
    for (const std::string& global : written)
        if (started.count(global) == 0) return "";
    std::string count;
    for (const int number : known)
        count += (count.empty() ? "" : " + ") + format("active:k(%d)", number);
    return std::string("instr ") + kStartValues + "\n" + body + "endin\ninstr " + kCount +
           "\n  chnset " + (count.empty() ? "0" : count) + ", \"" + kCount + "\"\nendin\n";
}

// A control cycle as a score of its own counts it: the nearest, the later one halfway.
long long score_cycle(double time, double kr) {
    return static_cast<long long>(std::floor(time * kr + 0.5));
}

// True when an event at `time` falls halfway between two control cycles and an event added to
// a running performance would start in the earlier one (csound rounds those to the even one).
bool halfway(double time, double kr) {
    const double cycles = time * kr;
    return time > 0 && cycles - std::floor(cycles) == 0.5 &&
           std::llrint(cycles) != score_cycle(time, kr);
}

// What a plain score that may follow another in one performance needs: the control cycle of
// its last event, the one it ends in at the latest (where its last note would end at its full
// length), and the score as it follows: without its statement e, which would end the
// performance, and with each start time halfway between two control cycles moved up to the
// next number (a difference of 1e-17 s at 1 s), so that the event starts in the later cycle,
// as in a score of its own. Only statements i of the orchestra's instruments with lengths of 0
// or more, f, and a last e without a time; and the tables the orchestra reads (4, 6 and 7)
// made at time 0, since the tables of the score before stay. False when the score may not.
struct Following {
    long long last = 0, most = 0;
    std::string score;
    const MYFLT* notes = nullptr;  // the count instrument's channel in the running performance
};
bool can_follow(const std::vector<std::string>& lines, const std::set<int>& known, double kr,
                Following& f) {
    double last = 0, end = 0;
    bool ended = false;
    std::set<int> tables;
    f.score.clear();
    for (const std::string& line : lines) {
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == ';') {
            f.score += line + '\n';
            continue;
        }
        const char kind = line[first];
        const std::vector<std::string> fields = statement_fields(line, first);
        if (ended || (kind == 'e' && !fields.empty())) return false;
        if (kind == 'e') {
            ended = true;
            continue;
        }
        if ((kind != 'i' && kind != 'f') || fields.size() < 3) return false;
        const int number = std::atoi(fields[0].c_str());
        const double time = std::strtod(fields[1].c_str(), nullptr);
        last = std::max(last, time);
        if (kind == 'f' && time == 0) tables.insert(number);
        if (kind == 'i') {
            const double length = std::strtod(fields[2].c_str(), nullptr);
            if (known.count(number) == 0 || !(length >= 0)) return false;
            // A note moved by the smallest step that also ends halfway, or nearly, might end a
            // cycle later.
            const double ends = (time + length) * kr;
            if (halfway(time, kr) && std::fabs(ends - std::floor(ends) - 0.5) < 1e-6) return false;
            end = std::max(end, time + length);
        }
        if (halfway(time, kr)) {
            f.score += line.substr(0, first + 1);
            for (std::size_t k = 0; k < fields.size(); ++k)
                f.score +=
                    ' ' + (k == 1 ? format("%.17g", std::nextafter(time, HUGE_VAL)) : fields[k]);
            f.score += '\n';
        } else {
            f.score += line + '\n';
        }
    }
    for (const int table : kTables)
        if (tables.count(table) == 0) return false;
    f.last = score_cycle(last, kr);
    f.most = std::max(f.last, score_cycle(end, kr));
    return true;
}

// The event of instrument 1 (global settings) with at least six fields: `at` its line, the
// avfact its p6. False when the score has none.
bool global_settings(const std::vector<std::string>& lines, std::size_t& at) {
    static const std::regex event("^[ \t]*i[ \t]*1[ \t]");
    for (at = 0; at < lines.size(); ++at) {
        if (!std::regex_search(lines[at], event)) continue;
        std::string line = lines[at];
        line.erase(0, line.find('i') + 1);
        if (fields_of(line).size() > kAvfactField) return true;
    }
    return false;
}

// The score with avfact 0 in every global-settings event (a default one first when it has
// none): its sound is the noise part alone.
std::string without_voicing(const std::vector<std::string>& lines, bool has_settings) {
    static const std::regex event("^[ \t]*i[ \t]*1[ \t]");
    std::string out = has_settings ? "" : kNoVoiceSettings;
    for (const std::string& line : lines) {
        std::string rest = line;
        std::vector<std::string> f;
        if (std::regex_search(line, event)) {
            rest.erase(0, rest.find('i') + 1);
            f = fields_of(rest);
        }
        if (f.size() > kAvfactField) {
            f[kAvfactField] = "0";
            out += "i";
            for (const std::string& field : f) out += " " + field;
        } else {
            out += line;
        }
        out += "\n";
    }
    return out;
}

// ---- Performing in a forked child

// What a child sends back when it is done, before its csound messages.
struct Outcome {
    int csound_status = 0;  // csound's status: 0 when it played the score to its end
    int write_errno = 0;    // errno of a failed write of the take
    double rate = 0;        // sampling rate
    long long frames = 0;   // frames written
    long long clipped = 0;  // samples beyond full scale
    long long first_over = -1, last_over = -1;  // frames of the first and last of them
    long long not_finite = -1;                  // frame of the first NaN or infinity
    double peak = 0;
    long long peak_at = 0;
    // The clip analysis.
    int analysed = 0;
    double noise_peak = 0;
    long long noise_at = 0;
    double low = 0;    // share of the avfact that brings the peak to -1 dBFS
    double mixed = 0;  // the peak with the suggested avfact
};

using Block = std::function<bool(const MYFLT*, std::size_t)>;

// In a child: performs the score on the compiled instance and hands each control block of
// samples (full scale 1) to `block`, which returns false to stop. Returns csound's status, 0
// when the score was played to its end. With `follows`, the score follows another in the
// running performance: it ends in the first control cycle from that of its last event in
// which the orchestra plays no note; -1 if it does not by `follows->most`.
int perform(CSOUND* csound, const std::string& score, const Block& block,
            const Following* follows = nullptr) {
    if (g_api.csoundReadScore(csound, score.c_str()) != 0) return -1;
    int status = follows == nullptr ? g_api.csoundStart(csound) : 0;
    if (status != 0) return status;
    const MYFLT* spout = g_api.csoundGetSpout(csound);
    const std::size_t n = g_api.csoundGetKsmps(csound) * g_api.csoundGetNchnls(csound);
    const MYFLT scale = 1 / g_api.csoundGet0dBFS(csound);
    std::vector<MYFLT> samples(n);
    for (long long cycle = 0; (status = g_api.csoundPerformKsmps(csound)) == 0; ++cycle) {
        if (follows != nullptr && cycle >= follows->last && *follows->notes == 0) return 0;
        if (follows != nullptr && cycle > follows->most) return -1;
        if (scale == 1) {  // 0dbfs = 1, as in the orchestra: the samples as they are
            if (!block(spout, n)) return 0;
            continue;
        }
        for (std::size_t i = 0; i < n; ++i) samples[i] = spout[i] * scale;
        if (!block(samples.data(), n)) return 0;
    }
    if (follows != nullptr) return -1;  // the running performance never ends
    return status > 0 ? 0 : status;
}

// True when something waits to be read on fd (a connection on a listener, the end of a pipe).
bool readable_now(int fd) {
    pollfd p = {fd, POLLIN, 0};
    return poll(&p, 1, 0) > 0;
}

// In a copy made ahead of its render, until a connection waits on `listener`: 1 MiB that
// the render will take from the allocator written now (a 1-second render's page faults fall
// from 505 to 280, its processor time from 6.1 to 5.4 ms), then every page it still shares
// with the instance it was copied from, a run of at most 64 pages at a time, so that the
// render's first write to each does not stop it for a copy of the page (some 300 in a 1-second
// render, about 15 us each where a virtual machine traps every page fault: a lone render took
// 28 ms, 21.5 with this). Page copies on Linux 5.14 and later; elsewhere only the first part.
void prepare_pages(int listener) {
    const std::size_t ahead = std::size_t{1} << 20, step = std::size_t{1} << 18;
    if (char* const written = static_cast<char*>(std::malloc(ahead))) {
        for (std::size_t done = 0; done < ahead && !readable_now(listener); done += step)
            explicit_bzero(written + done, step);
        std::free(written);
    }
#ifdef MADV_POPULATE_WRITE
    std::FILE* const maps = std::fopen("/proc/self/maps", "re");
    if (maps == nullptr) return;
    char line[PATH_MAX + 128];
    std::vector<unsigned char> resident;
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    while (std::fgets(line, sizeof line, maps) != nullptr) {
        unsigned long from = 0, to = 0;
        char mode[5] = {};
        // Writable private mappings only, and none of the reservations of many gigabytes that
        // a sanitizer's shadow memory makes.
        if (std::sscanf(line, "%lx-%lx %4s", &from, &to, mode) != 3 || mode[1] != 'w' ||
            mode[3] != 'p' || to - from > (1ul << 30))
            continue;
        char* const start = reinterpret_cast<char*>(from);
        resident.assign((to - from) / page, 0);
        if (mincore(start, to - from, resident.data()) != 0) continue;
        for (std::size_t i = 0, j = 0; i < resident.size(); i = j) {
            for (j = i; j < resident.size() && j - i < 64 && (resident[j] & 1) != 0;) ++j;
            if (j == i) {
                ++j;
                continue;
            }
            if (readable_now(listener)) {
                std::fclose(maps);
                return;
            }
            madvise(start + i * page, (j - i) * page, MADV_POPULATE_WRITE);
        }
    }
    std::fclose(maps);
#endif
}

// Sets up a forked child: default signal actions, killed with its parent.
void become_child() {
    g_messages.clear();
    for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) signal(sig, SIG_DFL);
    const pid_t parent = getppid();
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(1);
}

// Sends the outcome and the kept messages ("E" error lines, "L" last lines) and ends the child.
// The report of a render: the outcome, then the kept messages ("E" error lines, "L" last lines).
std::string report_of(const Outcome& outcome) {
    g_messages.add("\n");
    std::string text(reinterpret_cast<const char*>(&outcome), sizeof outcome);
    for (const std::string& line : g_messages.errors) text += "E" + line + "\n";
    for (const std::string& line : g_messages.last) text += "L" + line + "\n";
    return text;
}

// Sends the report and ends the child.
[[noreturn]] void send_and_exit(int fd, const Outcome& outcome) {
    const std::string text = report_of(outcome);
    write_all(fd, text.data(), text.size());
    close(fd);  // the reader sees the end now, not after this process's memory is taken apart
    _exit(0);
}

// A worker: a copy of the renderer that renders scores one after another in an instance of
// its own: in one running performance where they may follow one another (see can_follow()),
// else each in the instance set up again (csoundReset and a compilation, about 10 ms here).
// A copy of the compiled instance for each score cost more in its page faults: 25 to 32 ms of
// processor time a one-second score, against 14 to 19 in a worker (docs/orchestra.md).
struct Worker {
    pid_t pid = -1;
    int requests = -1;  // its socket: a take and a report pipe handed over, then a score
    bool busy = false;
};

// A render under way: its score, where its take goes, and the child performing it.
struct Job {
    std::string text, name, wav;  // the score, its name in messages, the WAV file as given
    std::string dest, dir, take;  // the file the take replaces, its directory, the take
    std::vector<std::string> lines;
    std::string progress_prefix;  // of the child's progress line; empty: none
    bool show_progress = true;    // a progress line on a terminal
    bool in_process = false;      // a lone render, which a resident copy may take
    RenderResult result;
    pid_t pid = -1;
    Worker* worker = nullptr;  // the worker rendering it, if one is (pid is then -1)
    int channel = -1;          // read end of the child's report
    std::string received;
};

}  // namespace

// ---- The renderer

struct Renderer::State {
    std::string orchestra_path, orchestra, error;
    std::string following_text;    // the renderer's two instruments, or none
    const MYFLT* notes = nullptr;  // in a worker's running performance, the count of notes
    std::set<int> instruments;
    std::vector<std::string> options;
    CSOUND* csound = nullptr;
    std::vector<std::string> compiled_flags;  // csound's flags of the compiled instance
    bool compiled = false;
    std::vector<std::string> compile_messages;
    std::function<bool()> stop;
    std::string progress;

    unsigned jobs = 0;            // renders a batch keeps in flight; 0: one per processor
    std::vector<Worker> workers;  // kept for the next batch or render on the same thread
    std::mutex rendering;         // held by the render or batch that has the kept workers
    pid_t workers_pid = 0;        // the process and thread that started them (they end with it)
    pid_t workers_tid = 0;
    unsigned lone_renders = 0;  // render_file and render_text calls so far
    bool in_process = false;
    unsigned resident = 0;  // seconds a resident copy waits for a render; 0: none

    bool stopped() const { return stop && stop(); }
    bool compile();
    // In a worker: the instance set up afresh and the orchestra compiled again (with `added`,
    // instruments of the renderer's own, after it).
    bool recompile(const std::string& added = "");
    // In a worker: the instance set up afresh for scores that follow one another (see
    // can_follow()), the orchestra with the renderer's two instruments performing a score that
    // lasts 100000 s.
    bool follow();
    std::string fatal_option(const std::vector<std::string>& flags);
    // Forks a child that runs `work` with the write end of a pipe (`channel`, the read end);
    // -1 when it cannot fork.
    pid_t spawn(const std::function<void(int)>& work, int& channel);
    // Reads a child's report from `channel` while watching the stop callback, and reaps it.
    // False when stopped (the child is killed) or the report is incomplete.
    bool wait_child(pid_t pid, int channel, std::string& received, bool& was_stopped);
    // spawn() and wait_child(), the report parsed.
    bool run_child(const std::function<void(int)>& work, Outcome& outcome,
                   std::vector<std::string>& errors, std::vector<std::string>& last,
                   bool& was_stopped);
    // Reads a score file once (a pipe cannot be read twice), up to kMaxScoreBytes; false with
    // the messages (or the stopped status) in `result` when it cannot.
    bool read_score(const std::string& score, std::string& text, struct stat& st,
                    RenderResult& result);
    // The checks of a render and its child started, or the render handed to `worker` when one
    // is given and may take the score: false when the render already ended (its result in
    // job.result).
    bool begin(Job& job, const struct stat* score_file, Worker* worker = nullptr);
    // A worker started (after the orchestra is compiled), and a render handed to it: false
    // when it cannot be.
    bool start_worker(Worker& worker);
    bool hand_to(Worker& worker, int take, Job& job);
    // The worker gone: killed, or (`kill` false) told there is no more.
    static void retire(Worker& worker, bool kill);
    // The workers, at least `count` of them (not yet started), this thread's: those of another
    // thread are ended, those of the process this one was forked from left alone.
    std::vector<Worker>& own_workers(std::size_t count);
    // The kept workers ended (a forked process's parent's only let go of).
    void end_workers();
    // A job's worker free again, or ended when it sent no report (stopped, or gone).
    static void release(Job& job, bool reported);
    // A worker's life: renders each score it is sent into the take handed with it, and writes
    // the report into the pipe handed with it.
    [[noreturn]] void work(int requests);
    // The render's end, from its child's report: the take moved into place or removed.
    void end(Job& job, bool ran, bool was_stopped);
    RenderResult render(std::string text, const std::string& name, const std::string& wav,
                        const struct stat* score_file);
    // Renders the score `text` into the take open at `fd` (`wav` names it in the progress
    // line); with `watch`, asks the stop callback every 32 blocks of samples. With `follows`,
    // the score follows another in the running performance (see perform()).
    Outcome write_take(int fd, const std::string& text, const std::string& wav,
                       const std::string& progress_prefix, bool watch,
                       const Following* follows = nullptr);
    // The abstract socket name of the resident copy of this compiled instance: the user, and a
    // hash of the orchestra, the options, the environment csound reads and the program.
    std::string resident_name() const;
    // A connection to the resident copy, which is checked to be the user's own; -1: none.
    int connect_resident() const;
    // Leaves a resident copy of the compiled instance, unless one is there already.
    void leave_resident();
    // The resident copy: detached, it answers each connection in a copy of itself until it
    // has waited `resident` seconds for one.
    [[noreturn]] void serve(int listener);
    // A copy of the resident one: renders the score a connection sends into the take it hands
    // over, and sends the report back.
    [[noreturn]] void answer(int connection);
    // Renders `count` items several at once: `load` fills an item's job (its score, name and
    // WAV file; false with its result when it cannot), with the score file's status when
    // `from_files`.
    std::vector<RenderResult> batch(
        std::size_t count, const std::function<bool(std::size_t, Job&, struct stat&)>& load,
        bool from_files, const BatchProgress& told);
};

Renderer::Renderer(const std::string& orchestra, std::vector<std::string> options)
    : state_(new State) {
    State& s = *state_;
    s.orchestra_path = orchestra;
    s.options = std::move(options);
    s.error = refused_options(s.options);
    if (!s.error.empty()) return;
    struct stat st;
    FILE* file = nullptr;
    if (stat(orchestra.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        file = std::fopen(orchestra.c_str(), "r");
    if (file == nullptr) {
        s.error = "orchestra not found: " + orchestra;
        return;
    }
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) s.orchestra.append(buffer, n);
    std::fclose(file);
    s.instruments = instruments_of(s.orchestra);
}

Renderer::~Renderer() {
    state_->end_workers();
    if (state_->csound != nullptr) g_api.csoundDestroy(state_->csound);
}

bool Renderer::ok() const { return state_->error.empty(); }
const std::string& Renderer::error() const { return state_->error; }
void Renderer::set_stop(std::function<bool()> stop) { state_->stop = std::move(stop); }
void Renderer::set_progress(const std::string& prefix) { state_->progress = prefix; }

// Compiles the orchestra with the options in an instance that is never started. csound loads
// no plugin opcodes (the orchestra uses none, and loading them takes most of its start-up): it
// looks in the orchestra's directory unless OPCODE6DIR64 is set. Its messages are kept, not
// printed, and it sets no signal handlers of its own.
bool Renderer::State::compile() {
    if (compiled) return true;
    // One compilation at a time in the process, whichever renderer asks: csound's parser keeps
    // state of its own, the messages are gathered in one place, and standard output is put
    // aside and back around it.
    static std::mutex compiling;
    const std::lock_guard<std::mutex> lock(compiling);
    std::string unloaded;
    if (!load_api(unloaded)) {
        compile_messages = {"csound cannot start: " + unloaded};
        return false;
    }
    static std::once_flag once;
    std::call_once(once, [this] {
        g_api.csoundInitialize(CSOUNDINIT_NO_SIGNAL_HANDLER | CSOUNDINIT_NO_ATEXIT);
        g_api.csoundSetDefaultMessageCallback(on_csound_message);
        if (std::getenv("OPCODE6DIR64") == nullptr)
            g_api.csoundSetOpcodedir(directory_of(orchestra_path).c_str());
    });
    g_messages.clear();
    compile_messages.clear();
    if (csound == nullptr) csound = g_api.csoundCreate(nullptr);
    if (csound == nullptr) {
        compile_messages.push_back("csound cannot start");
        return false;
    }
    g_api.csoundSetMessageCallback(csound, on_csound_message);
    // No output file: the take is written by the renderer. Messages: warnings only.
    std::vector<std::string> flags = {"-n", "-d", "-m4", "-+msg_color=0"};  // kOwnFlags
    for (const std::string& flag : csound_flags(options)) flags.push_back(flag);
    if (flags.size() > kOwnFlags) {
        const std::string fatal = fatal_option(flags);
        if (!fatal.empty()) {
            compile_messages.push_back("csound cannot take the option " + fatal +
                                       ": it ends the program on it (a flag without its value, "
                                       "or one csound takes only on its own command line)");
            return false;
        }
    }
    for (const std::string& flag : flags) {
        if (flag.find_first_of(" \t\n") != std::string::npos ||
            g_api.csoundSetOption(csound, flag.c_str()) != 0) {
            compile_messages.push_back("csound does not take the option " + flag);
            return false;
        }
    }
    compiled_flags = flags;
    // csound's orchestra lexer can echo characters of comments to standard output (seen in
    // some builds): standard output is the host's, so it points at /dev/null meanwhile.
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved >= 0 && null >= 0) dup2(null, STDOUT_FILENO);
    const int compiled_status = g_api.csoundCompileOrc(csound, orchestra.c_str());
    std::fflush(stdout);
    if (saved >= 0 && null >= 0) dup2(saved, STDOUT_FILENO);
    if (saved >= 0) close(saved);
    if (null >= 0) close(null);
    if (compiled_status != 0) {
        compile_messages.push_back("csound cannot compile the orchestra " + orchestra_path +
                                   "; csound's messages:");
        for (const std::string& line :
             g_messages.errors.empty()
                 ? std::vector<std::string>(g_messages.last.begin(), g_messages.last.end())
                 : g_messages.errors)
            compile_messages.push_back("  " + line);
        g_api.csoundDestroy(csound);
        csound = nullptr;
        return false;
    }
    compiled = true;
    // Scores follow one another in a worker's performance only with the renderer's flags and
    // orchestra macros: another option may change how csound reads or ends a score.
    const bool macros_only =
        std::all_of(flags.begin() + kOwnFlags, flags.end(),
                    [](const std::string& flag) { return flag.rfind("--omacro:", 0) == 0; });
    following_text = macros_only ? following_instruments(orchestra, instruments) : "";
    return true;
}

pid_t Renderer::State::spawn(const std::function<void(int)>& work, int& channel) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return -1;
    std::fflush(stdout);
    std::fflush(stderr);
    // The allocator's small freed blocks merged here, once (a request of a large block merges
    // them), not in every copy: merging writes into pages all over the heap, which each copy
    // would then have to copy.
    void* volatile block = std::malloc(4096);
    std::free(block);
    const pid_t pid = fork();
    if (pid < 0) {
        close(ends[0]);
        close(ends[1]);
        return -1;
    }
    if (pid == 0) {
        close(ends[0]);
        become_child();
        work(ends[1]);
        _exit(1);
    }
    close(ends[1]);
    channel = ends[0];
    return pid;
}

// csound ends the process on some options it cannot take (a flag without its value, -t, -O...):
// it jumps back to a point its API has not set. So the caller's options are first set in a copy
// of the process, which says which one it is about to set. Returns "" when all are taken (or
// refused as csound refuses an unknown one), else the option the copy ended on.
std::string Renderer::State::fatal_option(const std::vector<std::string>& flags) {
    int channel = -1;
    const pid_t pid = spawn(
        [&](int fd) {
            for (std::size_t i = kOwnFlags; i < flags.size(); ++i) {
                const std::string trying = std::to_string(i) + "\n";
                write_all(fd, trying.data(), trying.size());
                if (g_api.csoundSetOption(csound, flags[i].c_str()) != 0) break;
            }
            write_all(fd, "ok\n", 3);
            _exit(0);
        },
        channel);
    if (pid < 0) return "";
    std::string received;
    bool was_stopped = false;
    wait_child(pid, channel, received, was_stopped);
    if (was_stopped ||
        (received.size() >= 3 && received.compare(received.size() - 3, 3, "ok\n") == 0))
        return "";
    const std::vector<std::string> tried = lines_of(received);
    std::size_t last = kOwnFlags;
    for (const std::string& line : tried)
        if (!line.empty()) last = static_cast<std::size_t>(std::stoul(line));
    return last < flags.size() ? flags[last] : flags.back();
}

bool Renderer::State::wait_child(pid_t pid, int channel, std::string& received, bool& was_stopped) {
    was_stopped = false;
    char buffer[65536];
    for (;;) {
        if (stopped()) {
            was_stopped = true;
            break;
        }
        pollfd p = {channel, POLLIN, 0};
        const int ready = poll(&p, 1, 20);
        if (ready < 0 && errno != EINTR) break;
        if (ready <= 0) continue;
        const ssize_t n = read(channel, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        received.append(buffer, static_cast<std::size_t>(n));
    }
    close(channel);  // a resident copy's render (no pid here) stops when it sees this
    if (pid > 0) {
        if (was_stopped) kill(pid, SIGKILL);
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    return !was_stopped && received.size() >= sizeof(Outcome);
}

namespace {

// A child's report: its outcome, then its kept message lines.
void parse_report(const std::string& received, Outcome& outcome, std::vector<std::string>& errors,
                  std::vector<std::string>& last) {
    std::memcpy(&outcome, received.data(), sizeof outcome);
    for (const std::string& line : lines_of(received.substr(sizeof outcome)))
        if (!line.empty()) (line[0] == 'E' ? errors : last).push_back(line.substr(1));
}

}  // namespace

bool Renderer::State::run_child(const std::function<void(int)>& work, Outcome& outcome,
                                std::vector<std::string>& errors, std::vector<std::string>& last,
                                bool& was_stopped) {
    was_stopped = false;
    int channel = -1;
    const pid_t pid = spawn(work, channel);
    if (pid < 0) return false;
    std::string received;
    if (!wait_child(pid, channel, received, was_stopped)) return false;
    parse_report(received, outcome, errors, last);
    return true;
}

bool Renderer::State::read_score(const std::string& score, std::string& text, struct stat& st,
                                 RenderResult& result) {
    const int fd = score == "-" ? STDIN_FILENO : open(score.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 && errno == EINTR && stopped()) {  // a FIFO waiting for its writer
        result.status = RenderStatus::stopped;
        return false;
    }
    if (fd < 0 || fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        if (fd > STDIN_FILENO) close(fd);
        result.messages.push_back("cannot read score " + score);
        return false;
    }
    // Read once, whatever the score is (a pipe cannot be read twice), up to the limit.
    const std::string too_large =
        score + " is larger than 1 GiB, the largest score the renderer reads";
    if (S_ISREG(st.st_mode) && static_cast<std::size_t>(st.st_size) > kMaxScoreBytes) {
        close(fd);
        result.messages.push_back(too_large);
        return false;
    }
    if (S_ISREG(st.st_mode)) text.reserve(static_cast<std::size_t>(st.st_size));
    std::vector<char> buffer(1 << 16);
    bool failed = false;
    for (;;) {
        const ssize_t n = read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            if (stopped()) break;
            continue;
        }
        if (n < 0) failed = true;
        if (n <= 0) break;
        if (text.size() + static_cast<std::size_t>(n) > kMaxScoreBytes) {
            if (fd != STDIN_FILENO) close(fd);
            result.messages.push_back(too_large);
            return false;
        }
        text.append(buffer.data(), static_cast<std::size_t>(n));
    }
    if (fd != STDIN_FILENO) close(fd);
    if (stopped()) {
        result.status = RenderStatus::stopped;
        return false;
    }
    if (failed) {
        result.messages.push_back("cannot read score " + score);
        return false;
    }
    return true;
}

RenderResult Renderer::render_file(const std::string& score, const std::string& wav) {
    RenderResult result;
    std::string text;
    struct stat st {};
    if (!state_->read_score(score, text, st, result)) return result;
    return state_->render(std::move(text), score, wav, &st);
}

RenderResult Renderer::render_text(const std::string& text, const std::string& name,
                                   const std::string& wav) {
    return state_->render(text, name, wav, nullptr);
}

void Renderer::set_jobs(unsigned jobs) { state_->jobs = jobs; }
void Renderer::set_in_process(bool in_process) { state_->in_process = in_process; }
void Renderer::set_resident(unsigned seconds) { state_->resident = seconds; }

std::vector<RenderResult> Renderer::render_batch(const std::vector<RenderItem>& items,
                                                 const BatchProgress& progress) {
    return state_->batch(
        items.size(),
        [&](std::size_t item, Job& job, struct stat& st) {
            if (!state_->read_score(items[item].score, job.text, st, job.result)) return false;
            job.name = items[item].score;
            job.wav = items[item].wav;
            return true;
        },
        true, progress);
}

std::vector<RenderResult> Renderer::render_batch(const std::vector<RenderText>& items,
                                                 const BatchProgress& progress) {
    return state_->batch(
        items.size(),
        [&](std::size_t item, Job& job, struct stat&) {
            job.text = items[item].text;
            job.name = items[item].name;
            job.wav = items[item].wav;
            return true;
        },
        false, progress);
}

std::vector<RenderResult> Renderer::State::batch(
    std::size_t count, const std::function<bool(std::size_t, Job&, struct stat&)>& load,
    bool from_files, const BatchProgress& told) {
    State& s = *this;
    std::vector<RenderResult> results(count);
    const long processors = sysconf(_SC_NPROCESSORS_ONLN);
    const std::size_t limit =
        s.jobs != 0 ? s.jobs : static_cast<std::size_t>(std::max(1L, processors));
    std::vector<std::unique_ptr<Job>> running;
    std::vector<std::size_t> index;             // the item of each running job
    std::map<std::string, std::size_t> owners;  // each WAV file's item
    std::size_t next = 0, done = 0;
    auto ended = [&](std::size_t item, RenderResult result) {
        results[item] = std::move(result);
        ++done;
        if (told) told(done, count, item, results[item]);
    };
    std::vector<pollfd> fds;
    std::vector<pid_t> exiting;  // copies that have sent their report
    // The kept workers, or (while another thread's render has them) workers of its own.
    std::unique_lock<std::mutex> alone(rendering, std::try_to_lock);
    std::vector<Worker> own(alone.owns_lock() ? 0 : limit);
    std::vector<Worker>& pool = alone.owns_lock() ? own_workers(limit) : own;
    for (; pool.size() > limit; pool.pop_back()) retire(pool.back(), false);
    char buffer[65536];
    while (next < count || !running.empty()) {
        if (s.stopped()) {  // the running children and workers killed, their takes removed
            for (Worker& worker : pool) retire(worker, true);
            for (std::size_t k = 0; k < running.size(); ++k) {
                Job& job = *running[k];
                close(job.channel);
                if (job.pid > 0) kill(job.pid, SIGKILL);
                while (job.pid > 0 && waitpid(job.pid, nullptr, 0) < 0 && errno == EINTR) {
                }
                s.end(job, false, true);
                ended(index[k], std::move(job.result));
            }
            running.clear();
            for (; next < count; ++next) {
                RenderResult result;
                result.status = RenderStatus::stopped;
                ended(next, std::move(result));
            }
            break;
        }
        while (running.size() < limit && next < count) {
            const std::size_t item = next++;
            auto job = std::make_unique<Job>();
            struct stat st {};
            if (!load(item, *job, st)) {
                ended(item, std::move(job->result));
                continue;
            }
            // One take per WAV file: a later item that names an earlier one's file (by another
            // path too) would race it for the file, and one of the takes would be lost.
            std::error_code failed;
            std::filesystem::path where =
                std::filesystem::absolute(through_links(job->wav), failed);
            if (!failed) where = std::filesystem::weakly_canonical(where, failed);
            if (failed) where = job->wav;
            const auto owner = owners.emplace(where.string(), item);
            if (!owner.second) {
                job->result.messages.push_back(job->wav + " is the WAV file of item " +
                                               std::to_string(owner.first->second + 1) +
                                               " of the batch too; give each its own");
                ended(item, std::move(job->result));
                continue;
            }
            job->show_progress = false;
            const auto idle = std::find_if(pool.begin(), pool.end(),
                                           [](const Worker& worker) { return !worker.busy; });
            if (!s.begin(*job, from_files ? &st : nullptr, idle != pool.end() ? &*idle : nullptr)) {
                ended(item, std::move(job->result));
                continue;
            }
            running.push_back(std::move(job));
            index.push_back(item);
        }
        exiting.erase(std::remove_if(exiting.begin(), exiting.end(),
                                     [](pid_t pid) { return waitpid(pid, nullptr, WNOHANG) != 0; }),
                      exiting.end());
        if (running.empty()) continue;
        fds.clear();
        for (const auto& job : running) fds.push_back({job->channel, POLLIN, 0});
        const int ready = poll(fds.data(), fds.size(), 20);
        if (ready <= 0) continue;
        for (std::size_t k = running.size(); k-- > 0;) {
            if (fds[k].revents == 0) continue;
            Job& job = *running[k];
            const ssize_t n = read(job.channel, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n > 0) {
                job.received.append(buffer, static_cast<std::size_t>(n));
                continue;
            }
            close(job.channel);
            const bool reported = job.received.size() >= sizeof(Outcome);
            if (job.worker != nullptr)
                release(job, reported);
            else
                exiting.push_back(job.pid);  // reaped once it has exited; the next starts meanwhile
            s.end(job, reported, false);
            ended(index[k], std::move(job.result));
            running.erase(running.begin() + static_cast<std::ptrdiff_t>(k));
            index.erase(index.begin() + static_cast<std::ptrdiff_t>(k));
        }
    }
    for (Worker& worker : own) retire(worker, false);
    for (const pid_t pid : exiting)
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    return results;
}

std::vector<Worker>& Renderer::State::own_workers(std::size_t count) {
    // The workers of the last batch or render serve this one when it runs on the same thread:
    // a worker ends with the thread that started it (PR_SET_PDEATHSIG), which another thread's
    // render could not know in time.
    if (workers_pid != getpid() || workers_tid != gettid()) end_workers();
    workers_pid = getpid();
    workers_tid = gettid();
    if (workers.size() < count) workers.resize(count);
    return workers;
}

void Renderer::State::end_workers() {
    for (Worker& worker : workers) {
        if (workers_pid == getpid())
            retire(worker, true);  // idle: ended at once, not after its next set-up
        else if (worker.pid > 0)
            close(worker.requests);
    }
    workers.clear();
}

void Renderer::State::release(Job& job, bool reported) {
    job.worker->busy = false;
    if (!reported) retire(*job.worker, true);  // a new one for the next
}

RenderResult Renderer::State::render(std::string text, const std::string& name,
                                     const std::string& wav, const struct stat* score_file) {
    Job job;
    job.text = std::move(text);
    job.name = name;
    job.wav = wav;
    job.in_process = in_process;
    // From the second on, a render of the library's goes to a worker kept for the next one
    // (a program that renders once keeps none), unless it draws a progress line, which only a
    // copy of its own does, or another thread's render has the worker: then, as the first, it
    // goes to a copy.
    std::unique_lock<std::mutex> alone(rendering, std::try_to_lock);
    Worker* worker = nullptr;
    if (alone.owns_lock() && !in_process && lone_renders++ > 0 &&
        (progress.empty() || !isatty(STDERR_FILENO)))
        worker = &own_workers(1).front();
    if (!begin(job, score_file, worker)) return job.result;
    bool was_stopped = false;
    const bool ran = wait_child(job.pid, job.channel, job.received, was_stopped);
    if (job.worker != nullptr) release(job, ran);
    end(job, ran, was_stopped);
    return job.result;
}

Outcome Renderer::State::write_take(int fd, const std::string& text, const std::string& wav,
                                    const std::string& progress_prefix, bool watch,
                                    const Following* follows) {
    CSOUND* cs = csound;
    Outcome o;
    o.rate = g_api.csoundGetSr(cs);
    SF_INFO info{};
    info.samplerate = static_cast<int>(o.rate);
    info.channels = static_cast<int>(g_api.csoundGetNchnls(cs));
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
    SNDFILE* file = g_api.sf_open_fd(fd, SFM_WRITE, &info, SF_FALSE);
    if (file == nullptr) {
        o.write_errno = errno != 0 ? errno : EIO;
        return o;
    }
    g_api.sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    const std::size_t channels = static_cast<std::size_t>(info.channels);
    std::vector<double> buffer;
    buffer.reserve(4096 * channels);
    const double started = now_seconds();
    double shown = started + kProgressAfter;
    long long sample = 0;
    unsigned blocks = 0;
    // A WAV file counts its bytes in 32 bits: a longer take would be written with sizes that
    // wrapped around (read as a few minutes), so it is not written.
    const sf_count_t most = static_cast<sf_count_t>(kMaxWavDataBytes / (3 * channels));
    sf_count_t written = 0;
    auto flush = [&] {
        errno = 0;
        const sf_count_t frames = static_cast<sf_count_t>(buffer.size() / channels);
        if (written + frames > most) {
            o.write_errno = EFBIG;
            return false;
        }
        written += frames;
        if (g_api.sf_writef_double(file, buffer.data(), frames) != frames) {
            o.write_errno = errno != 0 ? errno : EIO;
            return false;
        }
        buffer.clear();
        return true;
    };
    const Block take = [&](const MYFLT* block, std::size_t n) {
        const long long per_frame = static_cast<long long>(channels);
        for (std::size_t i = 0; i < n; ++i, ++sample) {
            const double a = std::fabs(block[i]);
            if (a <= o.peak && a <= 1) continue;
            const long long frame = sample / per_frame;
            if (!std::isfinite(a)) {  // no take: the render stops here
                o.not_finite = frame;
                return false;
            }
            if (a > o.peak) o.peak = a, o.peak_at = frame;
            if (a > 1) {
                ++o.clipped;
                if (o.first_over < 0) o.first_over = frame;
                o.last_over = frame;
            }
        }
        buffer.insert(buffer.end(), block, block + n);
        if (buffer.size() >= 4096 * channels && !flush()) return false;
        if (watch && (++blocks & 31) == 0 && stopped()) return false;
        if (!progress_prefix.empty() && (sample & 0xffff) < static_cast<long long>(n) &&
            now_seconds() >= shown) {
            std::fprintf(stderr, "\r%srendering %s: %.0f s of sound", progress_prefix.c_str(),
                         wav.c_str(),
                         static_cast<double>(sample / static_cast<long long>(channels)) / o.rate);
            shown = now_seconds() + 0.5;
        }
        return true;
    };
    o.csound_status = perform(cs, text, take, follows);
    if (o.write_errno == 0 && !buffer.empty()) flush();
    o.frames = sample / static_cast<long long>(channels);
    errno = 0;
    if (g_api.sf_close(file) != 0 && o.write_errno == 0) o.write_errno = errno != 0 ? errno : EIO;
    if (!progress_prefix.empty() && now_seconds() >= started + kProgressAfter)
        std::fputs("\r\033[K", stderr);
    return o;
}

bool Renderer::State::begin(Job& job, const struct stat* score_file, Worker* worker) {
    const std::string& text = job.text;
    const std::string& name = job.name;
    const std::string& wav = job.wav;
    std::vector<std::string>& out = job.result.messages;
    if (!error.empty()) {
        out.push_back(error);
        return false;
    }
    // Where the take goes: through symbolic links to the file they name, which it replaces
    // (the links stay); only ever a regular file.
    job.dest = through_links(wav);
    const std::string& dest = job.dest;
    struct stat st {};
    const bool exists = stat(dest.c_str(), &st) == 0;
    if ((exists && S_ISDIR(st.st_mode)) || wav.empty() || wav.back() == '/') {
        out.push_back(wav + " is a directory; give the name of the WAV file to write");
        return false;
    }
    if (exists && !S_ISREG(st.st_mode)) {
        out.push_back(wav + " is " + kind_of(st.st_mode) +
                      ", not a regular file; give the name of the WAV file to write");
        return false;
    }
    struct stat orc {};
    if (exists && ((score_file != nullptr && st.st_dev == score_file->st_dev &&
                    st.st_ino == score_file->st_ino) ||
                   (stat(orchestra_path.c_str(), &orc) == 0 && st.st_dev == orc.st_dev &&
                    st.st_ino == orc.st_ino))) {
        out.push_back(wav +
                      " is the score or the orchestra itself; give another name for the "
                      "WAV file");
        return false;
    }
    const std::string nothing = "nothing was written to " + wav;

    job.lines = lines_of(text);
    if (!check_ends(job.lines, name, out) || !check_times(job.lines, name, out)) {
        out.push_back(nothing);
        return false;
    }
    // A lone render goes to the resident copy of the compiled instance when there is one;
    // else the orchestra is compiled here, and a resident copy left for the next render.
    const bool lone = job.in_process && resident > 0;
    int connection = lone && !compiled ? connect_resident() : -1;
    if (connection < 0) {
        if (!compile()) {
            out.insert(out.end(), compile_messages.begin(), compile_messages.end());
            out.push_back(nothing);
            return false;
        }
        if (lone) leave_resident();
    }
    if (stopped()) {
        if (connection >= 0) close(connection);
        job.result.status = RenderStatus::stopped;
        return false;
    }

    // The take: a new file beside the destination, so that it moves in by a rename.
    job.dir = directory_of(dest);
    const std::string& dir = job.dir;
    const int fd = outputs::open_beside(dest, exists ? &st : nullptr, job.take);
    if (fd < 0) {
        const int why = errno;
        if (connection >= 0) close(connection);
        out.push_back("cannot write into " + dir + ": " + std::strerror(why));
        return false;
    }

    // The render, in a copy of the compiled instance: csound's messages stay in that copy, and
    // a stop kills it at once. Never in this process: csound ends a score it cannot read (an
    // #include it cannot open) by a jump that only its own entry points prepare, which from
    // csoundReadScore lands in a stack frame long gone; a copy that falls there is reported.
    job.progress_prefix = job.show_progress && isatty(STDERR_FILENO) ? progress : "";
    const std::string& progress_prefix = job.progress_prefix;
    if (connection >= 0) {
        // The request: the sizes of the score, the working directory (csound reads a
        // .csound6rc there), the progress prefix and the WAV's name; the take and standard
        // error handed over with it; then the four texts.
        char cwd[PATH_MAX];
        const std::string here_dir = getcwd(cwd, sizeof cwd) != nullptr ? cwd : "";
        const std::string* texts[] = {&text, &here_dir, &progress_prefix, &wav};
        std::uint64_t sizes[4];
        for (std::size_t i = 0; i < 4; ++i) sizes[i] = texts[i]->size();
        const int handed[2] = {fd, STDERR_FILENO};
        bool sent = send_request(connection, sizes, sizeof sizes, handed);
        for (const std::string* part_text : texts)
            sent = sent && send_all(connection, part_text->data(), part_text->size());
        if (sent) {
            close(fd);
            job.in_process = false;
            job.pid = -1;
            job.channel = connection;
            return true;
        }
        close(connection);  // the resident copy went away: the render is done here
        if (!compile()) {
            close(fd);
            unlink(job.take.c_str());
            out.insert(out.end(), compile_messages.begin(), compile_messages.end());
            out.push_back(nothing);
            return false;
        }
    }
    job.in_process = false;
    if (worker != nullptr && plain_score(job.lines) && (worker->pid > 0 || start_worker(*worker)) &&
        hand_to(*worker, fd, job)) {
        close(fd);
        return true;
    }
    job.pid = spawn(
        [&](int channel) {
            send_and_exit(channel, write_take(fd, text, wav, progress_prefix, false));
        },
        job.channel);
    close(fd);
    if (job.pid < 0) {
        end(job, false, false);
        return false;
    }
    return true;
}

void Renderer::State::end(Job& job, bool ran, bool was_stopped) {
    const std::string& name = job.name;
    const std::string& wav = job.wav;
    const std::string& dest = job.dest;
    const std::string& dir = job.dir;
    const std::string& take = job.take;
    const std::string& progress_prefix = job.progress_prefix;
    const std::vector<std::string>& lines = job.lines;
    const std::string& text = job.text;
    CSOUND* cs = csound;
    RenderResult& result = job.result;
    std::vector<std::string>& out = result.messages;
    const std::string nothing = "nothing was written to " + wav;
    Outcome outcome;
    std::vector<std::string> errors, last;
    if (ran) parse_report(job.received, outcome, errors, last);
    if (!ran) {
        unlink(take.c_str());
        if (was_stopped) {
            if (!progress_prefix.empty()) std::fputs("\r\033[K", stderr);
            result.status = RenderStatus::stopped;
        } else {
            out.push_back("csound stopped without a word while rendering " + name);
            out.push_back(nothing);
        }
        return;
    }
    if (outcome.write_errno != 0) {
        unlink(take.c_str());
        struct statvfs fs {};
        const bool full = outcome.write_errno == ENOSPC || outcome.write_errno == EDQUOT ||
                          (statvfs(dir.c_str(), &fs) == 0 && fs.f_bavail == 0);
        if (outcome.write_errno == EFBIG && outcome.rate > 0) {
            const double hours = static_cast<double>(kMaxWavDataBytes) / 3 / outcome.rate / 3600;
            out.push_back(
                format("the take of %s would be longer than a WAV file holds (4 GiB "
                       "of samples: %.1f hours at %.0f Hz)",
                       name.c_str(), hours, outcome.rate));
        } else {
            out.push_back(full ? "the disk is full: no room for the take in " + dir
                               : "cannot write the take beside " + wav + ": " +
                                     std::strerror(outcome.write_errno));
        }
        out.push_back(nothing);
        return;
    }
    if (outcome.not_finite >= 0) {
        unlink(take.c_str());
        out.push_back(
            format("the sound of %s is no number (NaN or infinity) from %.3f s: a level "
                   "far beyond what the orchestra plays; look at the levels there",
                   name.c_str(), static_cast<double>(outcome.not_finite) / outcome.rate));
        out.push_back(nothing);
        return;
    }
    if (outcome.csound_status != 0 || !errors.empty()) {
        unlink(take.c_str());
        std::vector<std::string> causes = diagnose(lines, name, instruments);
        if (causes.empty())
            causes.push_back("csound failed on " + name + " (status " +
                             std::to_string(outcome.csound_status) + ")");
        out.insert(out.end(), causes.begin(), causes.end());
        out.push_back("csound's messages:");
        if (!errors.empty()) {
            // The same message at other times is shown once.
            static const std::regex time(
                "^[[:space:]]*(B[[:space:]]+[0-9.]+[[:space:]]+-[[:space:]]+)?");
            std::set<std::string> seen;
            for (const std::string& line : errors) {
                const std::string shown =
                    std::regex_replace(line, time, "", std::regex_constants::format_first_only);
                if (seen.insert(shown).second && seen.size() <= 8) out.push_back("  " + shown);
            }
        } else {
            for (const std::string& line : last) out.push_back("  " + line);
        }
        out.push_back(nothing);
        return;
    }

    // Into place, only over a regular file (checked again: it may have changed meanwhile).
    struct stat now {};
    if (stat(dest.c_str(), &now) == 0 && !S_ISREG(now.st_mode)) {
        unlink(take.c_str());
        out.push_back(wav + " is " + kind_of(now.st_mode) +
                      ", not a regular file; give the name of the WAV file to write");
        out.push_back(nothing);
        return;
    }
    if (rename(take.c_str(), dest.c_str()) != 0) {
        unlink(take.c_str());
        out.push_back("cannot move the take into place at " + wav);
        return;
    }
    result.seconds = static_cast<double>(outcome.frames) / outcome.rate;
    result.peak = outcome.peak;
    result.peak_at = static_cast<double>(outcome.peak_at) / outcome.rate;
    result.clipped = outcome.clipped;
    if (outcome.clipped == 0) {
        result.status = RenderStatus::rendered;
        return;
    }

    // ---- Samples beyond full scale: the take holds them clipped. Where the peak is comes from
    // the samples written; the avfact that avoids it from the score rendered again beside the
    // same score with avfact 0: the output is avfact times the voicing part plus the noise part
    // (aspiration and frication), so the noise part and the rest scale with avfact.
    result.status = RenderStatus::clipped;
    const double rate = outcome.rate;
    const long long first = outcome.first_over, final_over = outcome.last_over;
    out.push_back(format(
        "samples exceed full scale in %s: peak %+.2f dBFS at %.3f s; %s", wav.c_str(),
        dbfs(outcome.peak), static_cast<double>(outcome.peak_at) / rate,
        outcome.clipped == 1
            ? format("1 sample clipped at %.3f s", static_cast<double>(first) / rate).c_str()
            : format("%lld samples clipped between %.3f s and %.3f s", outcome.clipped,
                     static_cast<double>(first) / rate, static_cast<double>(final_over) / rate)
                  .c_str()));
    std::size_t settings = 0;
    const bool has_settings = global_settings(lines, settings);
    double avfact = 1;
    if (has_settings) {
        std::string line = lines[settings];
        line.erase(0, line.find('i') + 1);
        avfact = std::atof(fields_of(line)[kAvfactField].c_str());
    }
    const std::string novoice = avfact != 0 ? without_voicing(lines, has_settings) : "";
    if (!compile()) return;
    cs = csound;
    Outcome analysis;
    std::vector<std::string> ignored_errors, ignored_last;
    const bool analysed = run_child(
        [&](int channel) {
            Outcome o;
            int samples[2] = {-1, -1};
            if (!novoice.empty()) {
                if (pipe(samples) != 0) send_and_exit(channel, o);
                const pid_t pid = fork();
                if (pid < 0) send_and_exit(channel, o);
                if (pid == 0) {
                    close(samples[0]);
                    become_child();
                    perform(cs, novoice, [&](const MYFLT* block, std::size_t n) {
                        return write_all(samples[1], block, n * sizeof(MYFLT));
                    });
                    _exit(0);
                }
                close(samples[1]);
            }
            std::vector<double> kept_full, kept_noise, noise(4096);
            bool complete = true;
            long long frame = 0;
            const int status = perform(cs, text, [&](const MYFLT* block, std::size_t n) {
                if (noise.size() < n) noise.resize(n);
                if (novoice.empty()) {
                    std::copy(block, block + n, noise.begin());
                } else if (!read_all(samples[0], noise.data(), n * sizeof(MYFLT))) {
                    complete = false;
                    return false;
                }
                for (std::size_t i = 0; i < n; ++i, ++frame) {
                    const double f = block[i], g = noise[i];
                    if (std::fabs(g) > o.noise_peak)
                        o.noise_peak = std::fabs(g), o.noise_at = frame;
                    if (std::fabs(f) >= kTarget || std::fabs(g) >= kTarget) {
                        kept_full.push_back(f);
                        kept_noise.push_back(g);
                    }
                }
                return true;
            });
            if (status != 0 || !complete) send_and_exit(channel, o);
            // With avfact scaled by s the output is s * full + (1 - s) * noise, whose peak grows
            // with s (convex, below the target at 0 when the noise is, above it at 1):
            // bisection on the samples that can reach the target at all.
            auto peak_with = [&](double s) {
                double peak = 0;
                for (std::size_t i = 0; i < kept_full.size(); ++i)
                    peak = std::max(peak, std::fabs(s * kept_full[i] + (1 - s) * kept_noise[i]));
                return peak;
            };
            double low = 0, high = 1;
            for (int i = 0; i < 60; ++i) {
                const double middle = (low + high) / 2;
                (peak_with(middle) <= kTarget ? low : high) = middle;
            }
            o.low = low;
            // The score carries avfact with four decimals: rounded towards zero, so the peak
            // stays at or below the target.
            const double suggested =
                std::copysign(std::floor(std::fabs(avfact) * low * 1e4) / 1e4, avfact);
            o.mixed = suggested != 0 ? peak_with(suggested / avfact) : 0;
            o.analysed = 1;
            send_and_exit(channel, o);
        },
        analysis, ignored_errors, ignored_last, was_stopped);
    if (was_stopped) {
        result.status = RenderStatus::stopped;
        return;
    }
    if (!analysed || analysis.analysed == 0) return;
    if (analysis.noise_peak >= kTarget) {
        out.push_back(format(
            "no avfact brings the peak to -1 dBFS: without the voicing the sound peaks at %+.2f "
            "dBFS at %.3f s (aspiration and frication); lower asfact or affact, or the AS and AF "
            "levels",
            dbfs(analysis.noise_peak), static_cast<double>(analysis.noise_at) / rate));
        return;
    }
    const double suggested =
        std::copysign(std::floor(std::fabs(avfact) * analysis.low * 1e4) / 1e4, avfact);
    if (suggested == 0) {
        // The search halves the factor 60 times: beyond that, some 361 dB.
        const std::string softer = analysis.low > 0 ? format("%.1f dB", -dbfs(analysis.low))
                                                    : std::string("more than 360 dB");
        out.push_back("the voicing would have to be " + softer +
                      " softer, below the smallest avfact the score can carry (0.0001); lower the "
                      "AV levels instead");
        return;
    }
    out.push_back(
        format("avfact %.4f (the third setting of start1, now %.4f) would bring the "
               "peak to %+.2f dBFS",
               suggested, avfact, dbfs(analysis.mixed)));
    return;
}

// ---- Workers

bool Renderer::State::recompile(const std::string& added) {
    g_api.csoundReset(csound);
    g_api.csoundSetMessageCallback(csound, on_csound_message);
    for (const std::string& flag : compiled_flags)
        if (g_api.csoundSetOption(csound, flag.c_str()) != 0) return false;
    const std::string text = added.empty() ? orchestra : orchestra + "\n" + added;
    return g_api.csoundCompileOrc(csound, text.c_str()) == 0;
}

bool Renderer::State::follow() {
    // One compilation: the instrument compiled into the instance later would find the global
    // values set up anew, at 0.
    MYFLT* channel = nullptr;
    if (!recompile(following_text) || g_api.csoundReadScore(csound, "f 0 100000\n") != 0 ||
        g_api.csoundStart(csound) != 0 ||
        g_api.csoundGetChannelPtr(csound, &channel, kCount,
                                  CSOUND_CONTROL_CHANNEL | CSOUND_OUTPUT_CHANNEL) != 0)
        return false;
    notes = channel;
    return true;
}

bool Renderer::State::start_worker(Worker& worker) {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return false;
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = fork();
    if (pid == 0) {
        become_child();
        work(ends[1]);
    }
    close(ends[1]);
    if (pid < 0) {
        close(ends[0]);
        return false;
    }
    worker.pid = pid;
    worker.requests = ends[0];
    worker.busy = false;
    return true;
}

bool Renderer::State::hand_to(Worker& worker, int take, Job& job) {
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return false;
    const std::uint64_t size = job.text.size();
    const int handed[2] = {take, report[1]};
    const bool sent = send_request(worker.requests, &size, sizeof size, handed) &&
                      send_all(worker.requests, job.text.data(), job.text.size());
    close(report[1]);
    if (!sent) {  // the worker has gone: this render in a copy of its own, a new worker next
        close(report[0]);
        retire(worker, true);
        return false;
    }
    worker.busy = true;
    job.worker = &worker;
    job.pid = -1;
    job.channel = report[0];
    return true;
}

void Renderer::State::retire(Worker& worker, bool kill) {
    if (worker.pid <= 0) return;
    close(worker.requests);
    if (kill) ::kill(worker.pid, SIGKILL);
    while (waitpid(worker.pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    worker = Worker();
}

void Renderer::State::work(int requests) {
    // Its socket and the standard streams only: a descriptor of the renderer's held here
    // (another render's report, another worker's socket) would keep a reader waiting.
    const int kept = fcntl(requests, F_DUPFD_CLOEXEC, 3);
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (kept < 0 || null < 0) _exit(1);
    dup2(null, STDOUT_FILENO);  // csound's orchestra lexer can echo to standard output
    close_range(3, static_cast<unsigned>(kept) - 1, 0);
    close_range(static_cast<unsigned>(kept) + 1, ~0u, 0);
    // What csound frees when it is set up again stays in the heap for the next score, not
    // given back and faulted in again for each.
    outputs::grow_heap_in_large_pages();
    stop = nullptr;
    bool ready = true;  // the instance compiled and not started: the renderer's, at first
    // Or performing for scores that follow one another, and how many have (a new performance
    // after kMostFollowing: each leaves a few kilobytes behind in csound).
    bool following = false;
    unsigned followed = 0;
    for (;;) {
        std::uint64_t size = 0;
        int handed[2] = {-1, -1};
        if (!receive_request(kept, &size, sizeof size, handed)) _exit(0);
        if (size > kMaxScoreBytes) _exit(1);
        std::string text(static_cast<std::size_t>(size), '\0');
        if (!read_all(kept, &text[0], text.size())) _exit(1);
        Outcome outcome;
        bool done = false;
        const std::vector<std::string> lines = lines_of(text);
        const double kr = g_api.csoundGetKr(csound);
        Following follows;
        const bool may_follow = (ready || following) && !following_text.empty() &&
                                plain_score(lines) && can_follow(lines, instruments, kr, follows);
        if (may_follow && !following) {
            following = follow();
            followed = 0;
            if (!following) {  // the performance could not be set up
                ready = recompile();
                g_messages.clear();
            }
        }
        if (may_follow && following) {
            g_api.csoundRewindScore(csound);
            g_messages.clear();  // csound's word on the rewind
            const std::string events =
                std::string("i \"") + kStartValues + "\" 0 0\ni \"" + kCount + "\" 0 -1\n";
            follows.notes = notes;
            if (g_api.csoundReadScore(csound, events.c_str()) == 0)
                outcome = write_take(handed[0], follows.score, "", "", false, &follows);
            else
                outcome.csound_status = -1;
            // Anything amiss, and the score is performed on its own instead, into the same take.
            done = outcome.csound_status == 0 && outcome.write_errno == 0 &&
                   outcome.not_finite < 0 && g_messages.errors.empty();
            if (!done && (ftruncate(handed[0], 0) != 0 || lseek(handed[0], 0, SEEK_SET) != 0))
                outcome = Outcome(), outcome.write_errno = errno;
        }
        // A score performed on its own, or the last of a performance: the instance set up afresh.
        if (following && (!done || ++followed >= kMostFollowing)) {
            following = false;
            ready = recompile();
            g_messages.clear();
        }
        if (!done && outcome.write_errno == 0) {
            if (ready)
                outcome = write_take(handed[0], text, "", "", false);
            else
                outcome.csound_status = -1;  // with the messages of the failed compilation
        }
        close(handed[0]);
        const std::string report = report_of(outcome);
        write_all(handed[1], report.data(), report.size());
        close(handed[1]);
        g_messages.clear();
        if (done) continue;
        // Set up for the next score; the messages of the end of this performance are not its.
        ready = recompile();
        if (ready) g_messages.clear();
    }
}

// ---- The resident copy of a compiled instance

std::string Renderer::State::resident_name() const {
    // What the compiled instance depends on besides the orchestra and the options: the
    // environment csound reads, the program (a rebuilt one leaves its own copy) and csound.
    static const char* const kEnvironment[] = {
        "OPCODE6DIR64", "OPCODE6DIR", "SFDIR",    "SSDIR",        "SADIR",
        "INCDIR",       "MFDIR",      "CSSTRNGS", "CS_LANG",      "CSOUNDRC",
        "CSNOSTOP",     "HOME",       "TMPDIR",   "RAWWAVE_PATH", "CS_OMIT_LIBS"};
    std::string key = orchestra_path + '\0' + orchestra;
    for (const std::string& option : options) key += '\0' + option;
    for (const char* name : kEnvironment) {
        const char* value = std::getenv(name);
        key += std::string(1, '\0') + name + (value != nullptr ? std::string("=") + value : "");
    }
    struct stat program {};
    if (stat("/proc/self/exe", &program) == 0)
        key += format("%llu:%llu:%lld.%ld", static_cast<unsigned long long>(program.st_dev),
                      static_cast<unsigned long long>(program.st_ino),
                      static_cast<long long>(program.st_mtim.tv_sec), program.st_mtim.tv_nsec);
    struct stat library {};
    if (stat(SPEECHSCORE_CSOUND_FILE, &library) == 0)
        key += format(":%lld.%ld", static_cast<long long>(library.st_mtim.tv_sec),
                      library.st_mtim.tv_nsec);
    std::uint64_t hash = 14695981039346656037ull;  // 64-bit FNV-1a
    for (const char c : key) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return format("speechscore-render-%u-%016llx", static_cast<unsigned>(geteuid()),
                  static_cast<unsigned long long>(hash));
}

int Renderer::State::connect_resident() const {
    sockaddr_un address;
    const socklen_t size = abstract_address(resident_name(), address);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), size) != 0 || !same_user(fd)) {
        close(fd);
        return -1;
    }
    return fd;
}

void Renderer::State::leave_resident() {
    sockaddr_un address;
    const socklen_t size = abstract_address(resident_name(), address);
    const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0) return;
    // The name taken already: another render left its copy meanwhile.
    if (bind(listener, reinterpret_cast<const sockaddr*>(&address), size) != 0 ||
        listen(listener, 64) != 0) {
        close(listener);
        return;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t first = fork();
    if (first == 0) {  // a new session, and a second fork, so that no one waits for it
        setsid();
        if (fork() != 0) _exit(0);
        serve(listener);
    }
    close(listener);
    if (first > 0)
        while (waitpid(first, nullptr, 0) < 0 && errno == EINTR) {
        }
}

void Renderer::State::serve(int listener) {
    // Detached: no descriptor of the program that left it (a pipe it holds open would keep
    // a reader waiting), standard streams on /dev/null, no working directory held.
    const int kept = fcntl(listener, F_DUPFD_CLOEXEC, 3);
    const int null = open("/dev/null", O_RDWR);
    for (int stream = 0; stream < 3; ++stream) dup2(null, stream);
    if (kept < 0 || null < 0) _exit(1);
    close_range(3, static_cast<unsigned>(kept) - 1, 0);
    close_range(static_cast<unsigned>(kept) + 1, ~0u, 0);
    if (chdir("/") != 0) _exit(1);
    for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) signal(sig, SIG_DFL);
    signal(SIGCHLD, SIG_IGN);  // its copies are reaped by the system
    stop = nullptr;
    // A copy made ahead waits for the next connection, so that a render starts without
    // waiting for a copy to be made; when it takes one, the next copy is made while it renders.
    // That copy makes its pages its own only once the render before it has ended (or at once
    // when there was none): on two cores, writing some 10 MB of pages beside a render slowed
    // the render itself. A connection that comes first is taken without them.
    int previous = -1;  // the end of a pipe whose other end only the rendering copy holds
    for (;;) {
        int taken[2], alive[2];
        if (pipe2(taken, O_CLOEXEC) != 0 || pipe2(alive, O_CLOEXEC) != 0) _exit(1);
        void* volatile block = std::malloc(4096);  // as in spawn()
        std::free(block);
        const pid_t copy = fork();
        if (copy == 0) {
            close(taken[0]);
            close(alive[0]);
            const int wait_ms = static_cast<int>(std::min(resident, 86400u)) * 1000;
            if (previous >= 0) {  // until the render before this copy's ends, or one comes
                pollfd p[2] = {{kept, POLLIN, 0}, {previous, POLLIN, 0}};
                int ready;
                while ((ready = poll(p, 2, wait_ms)) < 0 && errno == EINTR) {
                }
                if (ready == 0) _exit(0);  // waited long enough
                if (ready < 0) _exit(1);
                close(previous);
            }
            prepare_pages(kept);
            for (;;) {
                pollfd p = {kept, POLLIN, 0};
                const int ready = poll(&p, 1, wait_ms);
                if (ready == 0) _exit(0);  // waited long enough
                if (ready < 0 && errno != EINTR) _exit(1);
                if (ready <= 0) continue;
                const int connection = accept4(kept, nullptr, nullptr, SOCK_CLOEXEC);
                if (connection < 0) continue;
                if (!same_user(connection)) {
                    close(connection);
                    continue;
                }
                close(kept);
                write_all(taken[1], "t", 1);
                close(taken[1]);
                answer(connection);
            }
        }
        close(taken[1]);
        close(alive[1]);
        if (previous >= 0) close(previous);
        previous = alive[0];
        char byte = 0;
        ssize_t n;
        while ((n = read(taken[0], &byte, 1)) < 0 && errno == EINTR) {
        }
        close(taken[0]);
        if (copy < 0 || n != 1) _exit(0);  // the copy waited long enough, or failed
    }
}

void Renderer::State::answer(int connection) {
    for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) signal(sig, SIG_DFL);
    signal(SIGCHLD, SIG_DFL);
    g_messages.clear();
    std::uint64_t sizes[4] = {};
    int handed[2] = {-1, -1};
    if (!receive_request(connection, sizes, sizeof sizes, handed)) _exit(1);
    std::string texts[4];
    for (std::size_t i = 0; i < 4; ++i) {
        if (sizes[i] > (i == 0 ? kMaxScoreBytes : std::size_t{PATH_MAX} * 4)) _exit(1);
        texts[i].resize(static_cast<std::size_t>(sizes[i]));
        if (!read_all(connection, &texts[i][0], texts[i].size())) _exit(1);
    }
    if (!texts[1].empty() && chdir(texts[1].c_str()) != 0) {
        // csound then reads no .csound6rc of the render's directory
    }
    dup2(handed[1], STDERR_FILENO);
    close(handed[1]);
    // The render stops when the program that asked for it goes or stops waiting: it sends
    // nothing more, so anything to read is the end of the connection. Between blocks of samples
    // the render asks; while csound reads and expands the score (a score's loops can keep it
    // there for minutes) the kernel tells this copy at once, and it ends.
    stop = [connection] { return readable_now(connection); };
    struct sigaction gone {};
    gone.sa_handler = [](int) { _exit(1); };
    sigemptyset(&gone.sa_mask);
    sigaction(SIGIO, &gone, nullptr);
    fcntl(connection, F_SETOWN, getpid());
    fcntl(connection, F_SETFL, fcntl(connection, F_GETFL) | O_ASYNC);
    if (stop()) _exit(1);  // gone before it could be told
    const Outcome outcome = write_take(handed[0], texts[0], texts[3], texts[2], true);
    close(handed[0]);
    signal(SIGIO, SIG_IGN);
    send_and_exit(connection, outcome);
}

// ---- Options and the orchestra's place

std::vector<std::string> csound_flags(const std::vector<std::string>& options) {
    // csound takes one flag at a time: a short flag and its value become one.
    static const std::string kValued = "ibBkrmjLMFtxOQU";
    std::vector<std::string> flags;
    for (std::size_t i = 0; i < options.size(); ++i) {
        std::string option = options[i];
        if (option.size() == 2 && option[0] == '-' &&
            kValued.find(option[1]) != std::string::npos && i + 1 < options.size())
            option += options[++i];
        flags.push_back(option);
    }
    return flags;
}

std::string refused_option(const std::string& option) {
    static const std::regex output_format(
        "-o.*|--output=.*|-n|--nosound|-[WAJh]|--format=.*|--wave|--aiff|--ircam|--noheader|"
        "--ogg|-[8caus3lf]|--schar|--uchar|--alaw|--ulaw|--short|--24bit|--long|--float|"
        "--double|-Z.*|--dither.*|--nchnls=.*");
    if (std::regex_match(option, output_format))
        return option +
               " sets csound's output file or sample format, which the renderer chooses "
               "itself";
    // Cscore hands the score to a program of its own, which a render has not: csound then
    // never ends.
    if (option == "-C" || option == "--cscore")
        return option + " asks for csound's Cscore processing, which needs a program of its own";
    // The orchestra's formants reach 7500 Hz (F8's start value), and a resonator above half the
    // sample rate does not die away.
    static const std::regex rate("(-r|--sample-rate=)(.+)");
    std::smatch m;
    if (std::regex_match(option, m, rate)) {
        const std::string value = m[2].str();
        char* end = nullptr;
        const double sr = std::strtod(value.c_str(), &end);
        if (end == value.c_str() || *end != '\0' || !(sr >= 16000))
            return option + ": the orchestra needs a sample rate of 16000 Hz or more";
    }
    return "";
}

std::string refused_options(const std::vector<std::string>& options) {
    // The control period asked for, by samples (--ksmps) or by rate (-k), the last one given.
    double sr = 44100, ksmps = 0, kr = 0;
    std::string asked;
    static const std::regex rate("(?:-r|--sample-rate=)(.+)"), samples("--ksmps=(.+)"),
        control("(?:-k|--control-rate=)(.+)");
    for (const std::string& flag : csound_flags(options)) {
        const std::string refused = refused_option(flag);
        if (!refused.empty()) return refused;
        std::smatch m;
        const auto value = [&m] { return std::strtod(m[1].str().c_str(), nullptr); };
        if (std::regex_match(flag, m, rate)) sr = value();
        if (std::regex_match(flag, m, samples)) ksmps = value(), kr = 0, asked = flag;
        if (std::regex_match(flag, m, control)) kr = value(), ksmps = 0, asked = flag;
    }
    // Events of a few milliseconds, and glides in whole control periods: at 10 ms a period the
    // take's length is already off by as much; at 0.2 s and more a take is cut short or empty.
    const double period = ksmps > 0 ? ksmps / sr : kr > 0 ? 1 / kr : 0;
    if (period > 0.01)
        return asked +
               ": the orchestra needs a control period of at most 10 ms (--ksmps of at "
               "most a hundredth of the sample rate)";
    return "";
}

std::string find_orchestra() {
    char exe[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    const std::string dir =
        directory_of(n > 0 ? std::string(exe, static_cast<std::size_t>(n)) : "");
    std::istringstream built(SPEECHSCORE_BUILD_PROGRAMS);
    std::string candidate;
    while (std::getline(built, candidate, ':')) {
        char real[PATH_MAX];
        if (realpath(candidate.c_str(), real) != nullptr && dir == real)
            return SPEECHSCORE_SOURCE_ORCHESTRA;
    }
    const std::string installed = SPEECHSCORE_INSTALLED_ORCHESTRA;
    return installed[0] == '/' ? installed : dir + "/" + installed;
}

}  // namespace speechscore
