// Private to cli/: rendering a score to a WAV file in this process through the render module,
// which keeps the previous take when a render fails.
#ifndef SPEECHSCORE_CLI_RENDER_H
#define SPEECHSCORE_CLI_RENDER_H

#include <functional>
#include <memory>
#include <string>

#include "speechscore_render.h"

namespace cli {

// The renderer of --render, with the orchestra the programs use; its renders stop at once when
// `stop` returns true. Null after saying why on standard error when the orchestra is missing.
std::unique_ptr<speechscore::Renderer> make_renderer(std::function<bool()> stop);

// Creates an empty temporary score file; returns its descriptor (and its path), or -1 after
// saying why on standard error.
int temporary_score(std::string& path);

// Renders the score file to wav, passing the renderer's messages on to standard error, with
// the score named `shown` in them when it is given. Returns 0 rendered, 4 rendered with samples
// clipped, 1 refused or failed, 130 stopped.
int render(speechscore::Renderer& renderer, const std::string& score, const std::string& wav,
           const std::string& shown = "");

}  // namespace cli

#endif  // SPEECHSCORE_CLI_RENDER_H
