// Private to cli/: the subcommands the Python package runs (continuum, batch), handed to it.
#ifndef SPEECHSCORE_CLI_PYTHON_H
#define SPEECHSCORE_CLI_PYTHON_H

#include <string>

namespace cli {

// Whether the word is a subcommand of the Python package: continuum or batch.
bool is_python_command(const std::string& word);

// Replaces the program with the Python interpreter running the package's command line on
// argv[1..] (the package beside the program is put first on its path). Returns only when that
// cannot be done, with 2 after a message on standard error.
int run_python_command(int argc, char** argv);

}  // namespace cli

#endif  // SPEECHSCORE_CLI_PYTHON_H
