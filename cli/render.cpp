// Rendering a score through speechscore-render: finding the renderer, running it on a fresh file
// beside the WAV, passing its messages and status on, and putting the new take in place.
#include "render.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace cli {
namespace {

const char kRendererName[] = "speechscore-render";

bool is_executable_file(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string real_path(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : std::string();
}

std::string program_directory() {
    const std::string exe = real_path("/proc/self/exe");
    const std::size_t slash = exe.rfind('/');
    return slash == std::string::npos ? std::string() : exe.substr(0, slash);
}

std::string directory_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string base_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void replace_all(std::string& text, const std::string& from, const std::string& to) {
    if (from.empty()) return;
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

}  // namespace

std::string find_renderer() {
    const std::string here = program_directory();
    if (!here.empty() && is_executable_file(here + "/" + kRendererName)) {
        return here + "/" + kRendererName;
    }
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "";
    std::size_t from = 0;
    while (from <= dirs.size()) {
        std::size_t colon = dirs.find(':', from);
        if (colon == std::string::npos) colon = dirs.size();
        const std::string dir = dirs.substr(from, colon - from);
        from = colon + 1;
        const std::string candidate = (dir.empty() ? "." : dir) + "/" + kRendererName;
        if (is_executable_file(candidate)) return candidate;
    }
    // Run from the build tree, before installation: the renderer of the source tree.
    if (!here.empty() && here == real_path(SPEECHSCORE_CLI_BUILD_DIR) &&
        is_executable_file(SPEECHSCORE_SOURCE_RENDER)) {
        return SPEECHSCORE_SOURCE_RENDER;
    }
    return "";
}

int temporary_score(std::string& path) {
    const char* tmp = std::getenv("TMPDIR");
    path = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/speechscore-XXXXXX.sco";
    const int fd = mkstemps(&path[0], 4);
    if (fd < 0) {
        std::fprintf(stderr, "speechscore: cannot make a temporary score in %s: %s\n",
                     directory_of(path).c_str(), std::strerror(errno));
    }
    return fd;
}

int render(const std::string& renderer, const std::string& score, const std::string& wav) {
    // A fresh directory beside the WAV (same file system, so the take moves in by rename).
    std::string fresh = directory_of(wav) + "/.speechscore-render-XXXXXX";
    const bool inFresh = mkdtemp(&fresh[0]) != nullptr;
    const std::string target = inFresh ? fresh + "/" + base_of(wav) : wav;

    int out[2];
    if (pipe(out) != 0) {
        std::fprintf(stderr, "speechscore: cannot run %s: %s\n", renderer.c_str(),
                     std::strerror(errno));
        if (inFresh) rmdir(fresh.c_str());
        return 2;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(out[1], STDERR_FILENO);
        close(out[0]);
        close(out[1]);
        const char* argv[] = {renderer.c_str(), score.c_str(), target.c_str(), nullptr};
        execv(renderer.c_str(), const_cast<char* const*>(argv));
        std::fprintf(stderr, "speechscore: cannot run %s: %s\n", renderer.c_str(),
                     std::strerror(errno));
        _exit(127);
    }
    close(out[1]);
    std::string messages;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        messages.append(buffer, static_cast<std::size_t>(n));
    }
    close(out[0]);
    int status = 2;
    if (pid > 0) {
        int raw = 0;
        while (waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
        }
        status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    } else {
        messages = "speechscore: cannot run " + renderer + ": " + std::strerror(errno) + "\n";
    }
    replace_all(messages, target, wav);
    std::fputs(messages.c_str(), stderr);

    if (inFresh) {
        // Whatever take the renderer finished (a clipped one it kept, too) replaces the old
        // one; when it left none, or was stopped half way, the old take stays.
        struct stat st;
        const bool finished = status < 128;
        if (!finished) unlink(target.c_str());
        if (finished && stat(target.c_str(), &st) == 0 &&
            rename(target.c_str(), wav.c_str()) != 0) {
            std::fprintf(stderr, "speechscore: cannot move the take to %s (%s); it is kept as %s\n",
                         wav.c_str(), std::strerror(errno), target.c_str());
            return status == 0 ? 2 : status;
        }
        rmdir(fresh.c_str());
    }
    return status;
}

}  // namespace cli
