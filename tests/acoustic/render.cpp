// Rendering for the acoustic tests: scratch directory, score writing in a child,
// speechscore-render, and reading events back from a score.
#include "render.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>

#include "speechscore.h"
#include "support/child.h"

namespace {

class ScratchCleanup : public testing::Environment {
public:
    void TearDown() override { rmdir(scratch().c_str()); }
};
testing::Environment* const kCleanup = testing::AddGlobalTestEnvironment(new ScratchCleanup);

}  // namespace

const std::string& scratch() {
    static const std::string dir = [] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/acousticXXXXXX";
        return std::string(mkdtemp(&pattern[0]) != nullptr ? pattern.c_str() : "/tmp");
    }();
    return dir;
}

Rendered render_score(const std::string& score, const std::string& name,
                      const std::string& options) {
    const std::string wav = scratch() + "/" + name + ".wav";
    std::vector<std::string> args = {SPEECHSCORE_RENDER, score, wav};
    if (!options.empty()) args.push_back(options);
    const ChildResult r = run_command(args);
    Rendered result{read_file(score), Sound()};
    if (r.status != 0) {
        ADD_FAILURE() << "render of " << name << " failed:\n" << r.err;
        return result;
    }
    result.sound = read_sound(wav, true);  // kept for Praat while the Sound lives
    EXPECT_FALSE(result.sound.samples.empty()) << "cannot read " << wav;
    std::remove(score.c_str());
    return result;
}

std::string write_score(const std::string& name, const std::function<void()>& calls) {
    const std::string score = scratch() + "/" + name + ".sco";
    std::ofstream(score).close();
    run_child(
        [&] {
            TTO = 0;
            calls();
        },
        score.c_str());
    return score;
}

Rendered render(const std::string& name, const std::function<void()>& calls, double output,
                const std::string& options) {
    const std::string score = write_score(name, [&] {
        start1(output, 1, 1, 1, 1, 1, 0, 1, 1);
        startmn();
        metronome(60 / kBeat);
        calls();
        fine();
    });
    return render_score(score, name, options);  // a score closed with errors is refused
}

Rendered render_piece(int output) {
#ifdef SPEECHSCORE_PIECE
    const ChildResult piece = run_command({SPEECHSCORE_PIECE});
    EXPECT_EQ(piece.status, 0) << "the example piece could not write its score\n" << piece.err;
    const std::regex switch_field("^(i +1 +\\S+ +\\S+ +)\\S+");  // p4 of instrument 1
    const std::string score = scratch() + "/piece.sco", p4 = "$01" + std::to_string(output);
    std::ofstream out(score);
    for (const std::string& line : lines_of(piece.out))
        out << (output != 0 ? std::regex_replace(line, switch_field, p4) : line) << "\n";
    out.close();
    return render_score(score, "piece");
#else
    ADD_FAILURE() << "the example piece is not built";
    return Rendered();
#endif
}

double f1_track_end(const std::string& score) {
    double end = 0;
    for (const ScoreEvent& e : score_events(score, 11)) end = std::max(end, e.start + e.span);
    return end;
}

std::vector<ScoreEvent> score_events(const std::string& score, int instr) {
    std::vector<ScoreEvent> events;
    for (const std::string& line : lines_of(score)) {
        std::istringstream fields(line);
        std::string letter;
        ScoreEvent e{0, 0, 0, {}};
        if (!(fields >> letter >> e.instr >> e.start >> e.span) || letter != "i" ||
            e.instr != instr)
            continue;
        for (double v = 0; fields >> v;) e.fields.push_back(v);
        events.push_back(e);
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const ScoreEvent& a, const ScoreEvent& b) { return a.start < b.start; });
    return events;
}
