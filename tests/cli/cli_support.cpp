// Running the speechscore program in a child process; scratch directories for its files.
#include "cli/cli_support.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

const char kOpening[] = "start1 0 1 1 1 1 1 0 1 1\nstartmn\nmetronome 120\n";

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

ChildResult speechscore(const std::vector<std::string>& args, const RunOptions& options) {
    return run_child([&]() {
        if (!options.dir.empty() && chdir(options.dir.c_str()) != 0) _exit(98);
        if (!options.input.empty()) {
            const int fd = open(options.input.c_str(), O_RDONLY);
            if (fd < 0) _exit(97);
            dup2(fd, STDIN_FILENO);
            close(fd);
        }
        if (!options.pathPrefix.empty()) {
            const char* path = std::getenv("PATH");
            const std::string joined = options.pathPrefix + ":" + (path != nullptr ? path : "");
            setenv("PATH", joined.c_str(), 1);
        }
        for (const std::string& setting : options.env) putenv(const_cast<char*>(setting.c_str()));
        std::vector<const char*> argv = {SPEECHSCORE_CLI};
        for (const std::string& a : args) argv.push_back(a.c_str());
        argv.push_back(nullptr);
        execv(SPEECHSCORE_CLI, const_cast<char* const*>(argv.data()));
        _exit(96);
    });
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

ChildResult run_in(const std::string& dir, const std::vector<std::string>& args) {
    return run_child([&]() {
        if (chdir(dir.c_str()) != 0) _exit(98);
        std::vector<const char*> argv;
        for (const std::string& a : args) argv.push_back(a.c_str());
        argv.push_back(nullptr);
        execvp(argv[0], const_cast<char* const*>(argv.data()));
        _exit(96);
    });
}
