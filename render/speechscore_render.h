// Rendering speechscore scores to WAV files with the project's orchestra, on Csound's API: a
// Renderer compiles the orchestra once and renders any number of scores, each into a 24-bit WAV
// written beside its destination and renamed into place, with the likely cause of a failure and
// the clip analysis (peak, where, the avfact that brings it to -1 dBFS) in its messages.
#ifndef SPEECHSCORE_RENDER_H
#define SPEECHSCORE_RENDER_H

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace speechscore {

/// How a render ended.
enum class RenderStatus {
    rendered,  ///< the take is in place
    clipped,   ///< the take is in place, with samples beyond full scale clipped
    failed,    ///< the score was refused or csound failed; nothing was written
    stopped,   ///< the stop callback asked to stop; nothing was written
};

/// What a render did. `messages` are the lines to show a user, without a program name; a line
/// that starts with two spaces continues the line before it (csound's own messages).
struct RenderResult {
    RenderStatus status = RenderStatus::failed;
    std::vector<std::string> messages;
    double seconds = 0;     ///< length of the take
    double peak = 0;        ///< largest absolute sample, full scale 1, before clipping
    double peak_at = 0;     ///< its time in seconds
    long long clipped = 0;  ///< samples beyond full scale
};

/// The largest score a Renderer reads: 1 GiB. A larger score (or a device that never ends) is
/// refused.
constexpr std::size_t kMaxScoreBytes = std::size_t{1} << 30;

/// The orchestra the programs use: orchestra/speechscore.orc of the source tree for a program
/// of the build tree, else the installed share/speechscore/speechscore.orc.
std::string find_orchestra();

/// When a csound option sets the output file or sample format, which the renderer chooses
/// itself, asks for Cscore processing or for a sample rate under 16000 Hz, the message that
/// refuses it; else an empty string.
std::string refused_option(const std::string& option);

/// The csound flags that options become: a short flag that takes a value (`-r`, `-k`...) and
/// the value after it become one flag, as csound takes them.
std::vector<std::string> csound_flags(const std::vector<std::string>& options);

/// The message that refuses the first of options' flags refused_option refuses, else "".
/// A Renderer refuses such options too (its error() says why).
std::string refused_options(const std::vector<std::string>& options);

/// A score of a batch and the WAV file its take goes to.
struct RenderItem {
    std::string score;  ///< the score file, as render_file takes it
    std::string wav;    ///< the WAV file to write
};

/// A score of a batch given as its text, the name that names it in messages, and the WAV file
/// its take goes to.
struct RenderText {
    std::string text;  ///< the score, as render_text takes it
    std::string name;  ///< its name in messages
    std::string wav;   ///< the WAV file to write
};

/// Told of each item of a batch as it ends, in the order they end: `done` of `total` items have
/// ended, the last of them `item` (its index) with `result`.
using BatchProgress = std::function<void(std::size_t done, std::size_t total, std::size_t item,
                                         const RenderResult& result)>;

/// Renders scores with one orchestra and one set of csound options. The orchestra is compiled
/// once, at the first render, which is performed in a copy of the compiled instance made by
/// fork(), so no score sees what another left behind; later renders go to a worker (such a
/// copy) that performs its scores one after another in an instance set up afresh for each, and
/// a batch keeps several workers rendering at once. The workers stay for the renderer's next
/// render on the same thread, and end with the renderer or that thread. A render that draws a
/// progress line (set_progress, on a terminal) is performed in a copy of its own. Not for use
/// by several threads at once.
class Renderer {
public:
    /// Reads the orchestra file; `options` are csound options (for example "--omacro:GLIDE=0.1",
    /// "-r", "22050"). Check ok(): false when the orchestra cannot be read.
    explicit Renderer(const std::string& orchestra, std::vector<std::string> options = {});
    ~Renderer();
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    /// False when the orchestra could not be read; error() says why.
    bool ok() const;
    const std::string& error() const;

    /// Called often while rendering; when it returns true the render stops at once, removing
    /// its unfinished take (for example on a signal's flag).
    void set_stop(std::function<bool()> stop);

    /// Prefix of the progress line shown on a terminal (standard error) during renders longer
    /// than a few seconds, for example "speechscore-render: "; empty: no progress line.
    void set_progress(const std::string& prefix);

    /// Renders the score file at `score` ("-" for standard input; a pipe is read once, up to
    /// kMaxScoreBytes) to the WAV file `wav`.
    RenderResult render_file(const std::string& score, const std::string& wav);

    /// Renders the score text to `wav`; `name` names the score in messages.
    RenderResult render_text(const std::string& text, const std::string& name,
                             const std::string& wav);

    /// True: render_file and render_text are lone renders of a program that renders one score,
    /// which a resident copy (set_resident) may take. Every render is performed in a copy of
    /// the compiled instance, so that a score csound cannot read ends that copy, not the
    /// program: csound ends such a score (an #include it cannot open) by a jump into a stack
    /// frame long gone.
    void set_in_process(bool in_process);

    /// With set_in_process: a render that finds no resident copy of this renderer's compiled
    /// instance (the same orchestra, options, csound environment and program) leaves one, a
    /// detached process of this user's that renders the later lone scores of any such renderer,
    /// each in a copy of itself, so that they skip the orchestra's compilation; it ends after
    /// `seconds` without a render. 0 (the default): none. The renders are the same in every
    /// other way: the take written beside its destination and renamed into place by the
    /// renderer that asked, the same samples and messages, a stop seen at once.
    void set_resident(unsigned seconds);

    /// How many renders render_batch keeps in flight, each in its own process; 0 (the
    /// default): one per processor.
    void set_jobs(unsigned jobs);

    /// Renders the items as render_file would, several at once (set_jobs), each in its own copy
    /// of the compiled instance. An item that fails has its messages in its result and the rest
    /// are still rendered; after a stop the items not yet finished are `stopped`. `progress`,
    /// when given, is told of each item as it ends. The results are in the items' order.
    std::vector<RenderResult> render_batch(const std::vector<RenderItem>& items,
                                           const BatchProgress& progress = {});

    /// As render_batch, for scores given as text (as render_text takes them).
    std::vector<RenderResult> render_batch(const std::vector<RenderText>& items,
                                           const BatchProgress& progress = {});

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace speechscore

#endif  // SPEECHSCORE_RENDER_H
