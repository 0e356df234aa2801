// Rendering a script through the real renderer and csound: the example piece becomes a WAV.
#include <gtest/gtest.h>

#include <string>

#include "cli/cli_support.h"
#include "support/child.h"

namespace {

TEST(ScriptRenderAcoustic, ExamplePieceBecomesAWav) {
    ScratchDir dir;
    const std::string script = std::string(SPEECHSCORE_EXAMPLES_SOURCE) + "/piece.ss";
    const ChildResult run = speechscore({"--render", "piece.wav", script}, in(dir.path()));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err.rfind(script + ": rendered 10.5208 s in ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(" ms (piece.wav)\n"), std::string::npos) << run.err;
    const std::string wav = read_file(dir.file("piece.wav"));
    ASSERT_GT(wav.size(), 44u * 1000);  // seconds of samples
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(wav.substr(8, 4), "WAVE");
    EXPECT_EQ(run.out, "");
}

}  // namespace
