// A call script's run in the forked child that makes it, the compiled core's or the runner
// program's: the same in both, so that either gives the same reply.
#ifndef SPEECHSCORE_PYTHON_SCRIPT_CHILD_H
#define SPEECHSCORE_PYTHON_SCRIPT_CHILD_H

#include <fcntl.h>

#include <string>

#include "say.h"
#include "script.h"

// Runs the script with its score going to outFd and the labels of its say and sing lines as a
// TextGrid at `labels` (none when empty); returns the run's exit status.
inline int run_script_child(const std::string& name, const std::string& text, bool check,
                            const std::string& labels, int outFd, cli::RunReport& report) {
    const int fd =
        labels.empty() ? -1 : open(labels.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    cli::set_labels_output(fd, labels);
    return cli::run_script(name, text, check, outFd, report);
}

#endif  // SPEECHSCORE_PYTHON_SCRIPT_CHILD_H
