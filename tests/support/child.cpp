// Child runner: fork, redirect, run, collect.
#include "support/child.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

// Reads both pipes to their ends without letting either fill up.
void drain(int outFd, int errFd, std::string& out, std::string& err) {
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    std::string* sinks[2] = {&out, &err};
    int open = 2;
    char buffer[4096];
    while (open > 0) {
        if (poll(fds, 2, -1) < 0) break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
}

}  // namespace

ChildResult run_child(const std::function<void()>& fn, const char* outPath) {
    std::fflush(stdout);
    std::fflush(stderr);
    int outPipe[2];
    int errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) std::abort();
    const pid_t pid = fork();
    if (pid < 0) std::abort();
    if (pid == 0) {
        if (outPath != nullptr) {
            const int fd = open(outPath, O_WRONLY);
            if (fd < 0) _exit(99);
            dup2(fd, STDOUT_FILENO);
            close(fd);
        } else {
            dup2(outPipe[1], STDOUT_FILENO);
        }
        dup2(errPipe[1], STDERR_FILENO);
        close(outPipe[0]);
        close(outPipe[1]);
        close(errPipe[0]);
        close(errPipe[1]);
        fn();
        std::fflush(stdout);
        std::fflush(stderr);
        _exit(0);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    ChildResult result{"", "", -1};
    drain(outPipe[0], errPipe[0], result.out, result.err);
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.status = 128 + WTERMSIG(status);
    return result;
}

ProgramRun run_program(const std::string& path) {
    ProgramRun run{"", -1};
    FILE* pipe = popen(("'" + path + "' 2>&1").c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
    run.status = pclose(pipe);
    return run;
}

std::string read_file(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string golden(const std::string& name) {
    return read_file(std::string(SPEECHSCORE_GOLDEN_DIR) + "/" + name);
}
