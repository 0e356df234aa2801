// The runner's files: scripts read in bounded memory, scores written beside their destination
// and renamed into place, and the identity of files by device and inode.
#include "files.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "outputs.h"

namespace cli {

const char kMaxScriptText[] = "16 MiB";

namespace {

using speechscore::outputs::base_of;
using speechscore::outputs::directory_of;

// The file a path names, symbolic links followed, so that a rename replaces that file and keeps
// the links: an existing file by its real path (the kernel follows the links, /dev/stdout's
// too), a file still to come by following the links of its last component by hand. A FIFO or
// device keeps its path: it is opened, never replaced.
std::string resolve_links(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) == 0) {
        char real[PATH_MAX];
        if (!S_ISREG(st.st_mode) || realpath(path.c_str(), real) == nullptr) return path;
        return real;
    }
    return speechscore::outputs::through_links(path);
}

// The descriptor a path names when it is one of this process's own (/dev/stdout, /dev/fd/3,
// /proc/self/fd/3), else -1. Such an output is written through the descriptor itself, at its
// offset and with its flags: "-o /dev/stdout >> log" appends to log.
int descriptor_named(const std::string& path) {
    if (path == "/dev/stdin") return 0;
    if (path == "/dev/stdout") return 1;
    if (path == "/dev/stderr") return 2;
    for (const char* prefix : {"/dev/fd/", "/proc/self/fd/"}) {
        const std::size_t n = std::strlen(prefix);
        if (path.compare(0, n, prefix) != 0 || path.size() == n || path.size() > n + 6) continue;
        if (path.find_first_not_of("0123456789", n) != std::string::npos) return -1;
        return std::stoi(path.substr(n));
    }
    return -1;
}

std::string kind_of(mode_t mode) {
    return std::string("it is ") + speechscore::outputs::kind_of(mode);
}

FileKey key_of_stat(const struct stat& st) {
    FileKey key;
    key.exists = true;
    key.regular = S_ISREG(st.st_mode);
    key.stream = S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode);
    key.dev = st.st_dev;
    key.ino = st.st_ino;
    return key;
}

}  // namespace

bool FileKey::same(const FileKey& other) const {
    if (exists != other.exists) return false;
    if (exists) return dev == other.dev && ino == other.ino;
    return !name.empty() && name == other.name;
}

FileKey key_of_path(const std::string& path) {
    const int fd = descriptor_named(path);
    if (fd >= 0) {
        FileKey key = key_of_descriptor(fd);
        key.stream = true;
        return key;
    }
    const std::string resolved = resolve_links(path);
    struct stat st;
    if (stat(resolved.c_str(), &st) == 0) return key_of_stat(st);
    FileKey key;
    char real[PATH_MAX];
    const std::string dir = directory_of(resolved);
    key.name = (realpath(dir.c_str(), real) != nullptr ? std::string(real) : dir) + "/" +
               base_of(resolved);
    return key;
}

FileKey key_of_descriptor(int fd) {
    struct stat st;
    return fstat(fd, &st) == 0 ? key_of_stat(st) : FileKey{};
}

std::string destination_problem(const std::string& path, bool streamOk) {
    struct stat st;
    const int fd = descriptor_named(path);
    if (fd >= 0) {
        if (fstat(fd, &st) != 0) return std::strerror(errno);
        return streamOk ? "" : "it is a descriptor of this program";
    }
    if (stat(resolve_links(path).c_str(), &st) != 0) {
        return errno == ENOENT ? "" : std::strerror(errno);
    }
    if (S_ISREG(st.st_mode)) return "";
    if (streamOk && (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode))) return "";
    return kind_of(st.st_mode);
}

bool read_script(const std::string& path, std::string& text, std::string& problem,
                 bool& interrupted, const char* what) {
    text.clear();
    problem.clear();
    interrupted = false;
    int fd = STDIN_FILENO;
    if (path != "-") {
        fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);  // a FIFO waits here for its writer
        if (fd < 0) {
            interrupted = errno == EINTR;
            if (!interrupted) problem = std::strerror(errno);
            return false;
        }
    }
    auto done = [&](bool ok) {
        if (fd != STDIN_FILENO) close(fd);
        return ok;
    };
    struct stat st;
    if (fstat(fd, &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            problem = "it is a directory";
            return done(false);
        }
        if (S_ISREG(st.st_mode) && static_cast<unsigned long long>(st.st_size) > kMaxScriptBytes) {
            problem = "it holds " + std::to_string(st.st_size) + " bytes, more than the " +
                      kMaxScriptText + " " + what + " may hold";
            return done(false);
        }
    }
    // Whatever the file is (a pipe, a device), no more than the limit is kept.
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            interrupted = true;  // only the runner's own signals have handlers
            return done(false);
        }
        if (n < 0) {
            problem = std::strerror(errno);
            return done(false);
        }
        if (n == 0) return done(true);
        text.append(buffer, static_cast<std::size_t>(n));
        if (text.size() > kMaxScriptBytes) {
            text.clear();
            text.shrink_to_fit();
            problem =
                std::string("it holds more than the ") + kMaxScriptText + " " + what + " may hold";
            return done(false);
        }
    }
}

bool open_output(const std::string& path, Output& out, std::string& problem, bool& interrupted) {
    out = Output{};
    out.path = path;
    out.target = resolve_links(path);
    interrupted = false;
    problem = destination_problem(path, true);
    if (!problem.empty()) return false;
    const int descriptor = descriptor_named(path);
    if (descriptor >= 0) {
        out.target = path;
        out.fd = fcntl(descriptor, F_DUPFD_CLOEXEC, 3);
        if (out.fd < 0) problem = std::strerror(errno);
        return out.fd >= 0;
    }
    struct stat st;
    const bool exists = stat(out.target.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        // A FIFO or a device: what is written there is what the user asked for.
        out.fd = open(out.target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (out.fd < 0) {
            interrupted = errno == EINTR;
            problem = std::strerror(errno);
        }
        return out.fd >= 0;
    }
    // A file the user may not write stays protected, although a rename could replace it.
    if (exists && access(out.target.c_str(), W_OK) != 0) {
        problem = std::strerror(errno);
        return false;
    }
    out.fd = speechscore::outputs::open_beside(out.target, exists ? &st : nullptr, out.scratch);
    if (out.fd < 0) problem = std::strerror(errno);
    return out.fd >= 0;
}

bool commit_output(Output& out, std::string& problem) {
    if (out.scratch.empty()) {
        const bool closed = close(out.fd) == 0 || errno == EINTR;
        out.fd = -1;
        if (!closed) problem = std::strerror(errno);
        return closed;
    }
    bool ok = fsync(out.fd) == 0;
    if (!ok) problem = std::strerror(errno);
    if (close(out.fd) != 0 && ok) {
        ok = false;
        problem = std::strerror(errno);
    }
    out.fd = -1;
    if (ok && rename(out.scratch.c_str(), out.target.c_str()) != 0) {
        ok = false;
        problem = std::strerror(errno);
    }
    if (!ok) unlink(out.scratch.c_str());
    out.scratch.clear();
    return ok;
}

void discard_output(Output& out) {
    if (out.fd >= 0) close(out.fd);
    out.fd = -1;
    if (!out.scratch.empty()) unlink(out.scratch.c_str());
    out.scratch.clear();
}

}  // namespace cli
