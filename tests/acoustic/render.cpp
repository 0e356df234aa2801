// Rendering for the acoustic tests: scratch directory, score writing in a child,
// speechscore-render, and reading events back from a score.
#include "render.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
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
    const std::string log = scratch() + "/" + name + ".log";
    const std::string command = "'" SPEECHSCORE_RENDER "' '" + score + "' '" + wav + "' " +
                                options + " > '" + log + "' 2>&1";
    const int status = std::system(command.c_str());
    Rendered result{read_file(score), Sound()};
    if (status != 0) {
        ADD_FAILURE() << "render of " << name << " failed:\n" << read_file(log);
        return result;
    }
    result.sound = read_sound(wav, true);  // kept for Praat while the Sound lives
    EXPECT_FALSE(result.sound.samples.empty()) << "cannot read " << wav;
    std::remove(log.c_str());
    std::remove(score.c_str());
    return result;
}

Rendered render(const std::string& name, const std::function<void()>& calls, double output,
                const std::string& options) {
    const std::string score = scratch() + "/" + name + ".sco";
    std::ofstream(score).close();
    const ChildResult child = run_child(
        [&] {
            TTO = 0;
            start1(output, 1, 1, 1, 1, 1, 0, 1, 1);
            startmn();
            metronome(60 / kBeat);
            calls();
            fine();
        },
        score.c_str());
    EXPECT_EQ(child.status, 0) << child.err;
    return render_score(score, name, options);
}

Rendered render_piece(int output) {
#ifdef SPEECHSCORE_PIECE
    const std::string score = scratch() + "/piece.sco";
    if (std::system(("'" SPEECHSCORE_PIECE "' > '" + score + "'").c_str()) != 0) {
        ADD_FAILURE() << "the example piece could not write its score";
        return Rendered();
    }
    if (output != 0) {
        const std::regex switch_field("^(i +1 +\\S+ +\\S+ +)\\S+");  // p4 of instrument 1
        std::string text;
        for (const std::string& line : lines_of(read_file(score)))
            text += std::regex_replace(line, switch_field, "$01" + std::to_string(output)) + "\n";
        std::ofstream(score) << text;
    }
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
    std::istringstream lines(score);
    std::string line;
    std::vector<ScoreEvent> events;
    while (std::getline(lines, line)) {
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
