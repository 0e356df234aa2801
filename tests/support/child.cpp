// Child runner: fork, redirect, run, collect.
#include "support/child.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

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

ChildResult run_command(const std::vector<std::string>& args, const std::vector<std::string>& env,
                        const std::string& dir) {
    return run_child([&] {
        if (!dir.empty() && chdir(dir.c_str()) != 0) _exit(98);
        for (const std::string& setting : env) putenv(const_cast<char*>(setting.c_str()));
        std::vector<char*> argv;
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    });
}

Stopped stop_while_writing(const std::vector<std::string>& args, const std::string& dir, int sig,
                           const std::string& cwd) {
    const std::set<std::string> before = listing(dir);
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid < 0) std::abort();
    if (pid == 0) {
        if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(127);
        std::vector<char*> argv;
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    Stopped stopped{false, -1, 0};
    for (int tries = 0; tries < 6000 && !stopped.started; ++tries) {
        stopped.started = listing(dir).size() > before.size();
        if (!stopped.started) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const auto sent = std::chrono::steady_clock::now();
    kill(pid, sig);
    int status = 0;
    waitpid(pid, &status, 0);
    stopped.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count();
    stopped.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return stopped;
}

ScratchDir::ScratchDir() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/speechscore-test-XXXXXX";
    if (mkdtemp(&pattern[0]) == nullptr) std::abort();
    path_ = pattern;
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string ScratchDir::write(const std::string& name, const std::string& text,
                              bool executable) const {
    const std::string path = file(name);
    std::ofstream(path, std::ios::binary) << text;
    if (executable) chmod(path.c_str(), 0755);
    return path;
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

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::set<std::string> listing(const std::string& dir) {
    std::set<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (const dirent* entry = readdir(d)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") names.insert(name);
        }
        closedir(d);
    }
    return names;
}

std::string golden(const std::string& name) {
    return read_file(std::string(SPEECHSCORE_GOLDEN_DIR) + "/" + name);
}
