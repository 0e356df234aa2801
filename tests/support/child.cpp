// Child runner: fork, redirect, run, collect.
#include "support/child.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

ChildResult run_child(const std::function<void()>& fn, const char* outPath) {
    std::fflush(stdout);
    std::fflush(stderr);
    int outPipe[2];
    FILE* errFile = std::tmpfile();
    if (pipe(outPipe) != 0 || errFile == nullptr) std::abort();
    const pid_t pid = fork();
    if (pid < 0) std::abort();
    if (pid == 0) {
        const int out = outPath != nullptr ? open(outPath, O_WRONLY) : dup(outPipe[1]);
        if (out < 0) _exit(99);
        dup2(out, STDOUT_FILENO);
        dup2(fileno(errFile), STDERR_FILENO);
        close(out);
        close(outPipe[0]);
        close(outPipe[1]);
        std::fclose(errFile);
        fn();
        std::fflush(stdout);
        std::fflush(stderr);
        _exit(0);
    }
    close(outPipe[1]);
    ChildResult result{"", "", -1};
    char buffer[4096];
    for (ssize_t n; (n = read(outPipe[0], buffer, sizeof buffer)) > 0;)
        result.out.append(buffer, static_cast<size_t>(n));
    close(outPipe[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.status = 128 + WTERMSIG(status);
    std::rewind(errFile);
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, errFile)) > 0;)
        result.err.append(buffer, n);
    std::fclose(errFile);
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
    std::string pattern = std::filesystem::temp_directory_path() / "speechscore-test-XXXXXX";
    if (mkdtemp(&pattern[0]) == nullptr) std::abort();
    path_ = pattern;
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string ScratchDir::write(const std::string& name, const std::string& text) const {
    const std::string path = file(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

ProgramRun run_program(const std::string& path) {
    return run_child([&] {
        dup2(STDOUT_FILENO, STDERR_FILENO);
        execl(path.c_str(), path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    });
}

std::string read_file(const std::string& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::set<std::string> listing(const std::string& dir) {
    std::set<std::string> names;
    std::error_code missing;
    for (const auto& entry : std::filesystem::directory_iterator(dir, missing))
        names.insert(entry.path().filename());
    return names;
}

std::string golden(const std::string& name) {
    return read_file(std::string(SPEECHSCORE_GOLDEN_DIR) + "/" + name);
}
