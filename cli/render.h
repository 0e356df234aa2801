// Private to cli/: rendering a score to a WAV file through speechscore-render, keeping the
// previous take when a render fails.
#ifndef SPEECHSCORE_CLI_RENDER_H
#define SPEECHSCORE_CLI_RENDER_H

#include <string>

namespace cli {

// The renderer: speechscore-render next to this program, else on PATH, else, for a program
// run from its build tree, tools/render of the source tree. Empty when there is none.
std::string find_renderer();

// Creates an empty temporary score file; returns its descriptor (and its path), or -1 after
// saying why on standard error.
int temporary_score(std::string& path);

// Renders the score to wav with the renderer, which writes into a new file beside wav that
// replaces wav only once the renderer is done with it; the renderer's messages are passed on
// to standard error with wav's name in them. Returns the renderer's exit status.
int render(const std::string& renderer, const std::string& score, const std::string& wav);

}  // namespace cli

#endif  // SPEECHSCORE_CLI_RENDER_H
