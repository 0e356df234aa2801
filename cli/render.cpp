// Rendering a score through the render module: the renderer made once for all passes, a
// temporary score for it, its messages passed on under this program's name.
#include "render.h"

#include <stdlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "outputs.h"

namespace cli {

using speechscore::outputs::printable;

std::unique_ptr<speechscore::Renderer> make_renderer(std::function<bool()> stop) {
    auto renderer = std::make_unique<speechscore::Renderer>(speechscore::find_orchestra());
    if (!renderer->ok()) {
        std::fprintf(stderr, "speechscore: %s\n", renderer->error().c_str());
        return nullptr;
    }
    renderer->set_stop(std::move(stop));
    renderer->set_progress("speechscore: ");
    return renderer;
}

int temporary_score(std::string& path) {
    const char* tmp = std::getenv("TMPDIR");
    path = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/speechscore-XXXXXX.sco";
    const int fd = mkstemps(&path[0], 4);
    if (fd < 0) {
        const std::string dir = path.substr(0, path.rfind('/'));
        std::fprintf(stderr, "speechscore: cannot make a temporary score in %s: %s\n", dir.c_str(),
                     std::strerror(errno));
    }
    return fd;
}

int render(speechscore::Renderer& renderer, const std::string& score, const std::string& wav,
           const std::string& shown) {
    const speechscore::RenderResult result = renderer.render_file(score, wav);
    for (std::string line : result.messages) {
        for (std::size_t at = line.find(score); !shown.empty() && at != std::string::npos;
             at = line.find(score, at + shown.size()))
            line.replace(at, score.size(), shown);
        std::fprintf(stderr, "%s%s\n",
                     line.compare(0, 2, "  ") == 0 ? "" : "speechscore: ", printable(line).c_str());
    }
    switch (result.status) {
        case speechscore::RenderStatus::rendered:
            return 0;
        case speechscore::RenderStatus::clipped:
            std::fprintf(stderr, "speechscore: %s is kept, clipped to full scale\n",
                         printable(wav).c_str());
            return 4;
        case speechscore::RenderStatus::stopped:
            return 130;
        default:
            return 1;
    }
}

}  // namespace cli
