// Running the speechscore program in a child process; scratch directories for its files.
#include "cli/cli_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

ChildResult speechscore(const std::vector<std::string>& args, const RunOptions& options) {
    return run_child([&]() {
        if (!options.dir.empty() && chdir(options.dir.c_str()) != 0) _exit(98);
        if (!options.input.empty()) {
            const int fd = open(options.input.c_str(), O_RDONLY);
            if (fd < 0) _exit(97);
            dup2(fd, STDIN_FILENO);
            close(fd);
        }
        for (const std::string& setting : options.env) putenv(const_cast<char*>(setting.c_str()));
        exec_speechscore(args);
    });
}

void exec_speechscore(const std::vector<std::string>& args) {
    std::vector<const char*> argv = {SPEECHSCORE_CLI};
    for (const std::string& a : args) argv.push_back(a.c_str());
    argv.push_back(nullptr);
    execv(SPEECHSCORE_CLI, const_cast<char* const*>(argv.data()));
    _exit(96);
}
