// Byte identity: every example program that has a script twin (examples/NAME.cpp beside
// examples/NAME.ss) writes exactly the score its script writes, with the same exit status,
// whether the script's score goes to standard output or to a file with -o, and whether the
// script is read from its file or from standard input.
#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cli/cli_support.h"
#include "support/child.h"

namespace {

// The names of the example programs in the source tree (NAME of examples/NAME.cpp).
std::vector<std::string> example_names(const std::string& extension) {
    std::vector<std::string> names;
    DIR* dir = opendir(SPEECHSCORE_EXAMPLES_SOURCE);
    if (dir == nullptr) return names;
    while (const dirent* entry = readdir(dir)) {
        const std::string file = entry->d_name;
        if (file.size() > extension.size() &&
            file.compare(file.size() - extension.size(), extension.size(), extension) == 0) {
            names.push_back(file.substr(0, file.size() - extension.size()));
        }
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ScriptIdentity, EveryExampleWithATwinWritesTheSameScore) {
    const std::vector<std::string> programs = example_names(".cpp");
    const std::vector<std::string> scripts = example_names(".ss");
    ASSERT_FALSE(scripts.empty());
    ScratchDir dir;
    int compared = 0;
    std::string withoutTwin;
    for (const std::string& name : programs) {
        if (std::find(scripts.begin(), scripts.end(), name) == scripts.end()) {
            withoutTwin += " " + name;
            continue;
        }
        SCOPED_TRACE(name);
        const ChildResult cpp = run_command({std::string(SPEECHSCORE_EXAMPLES_BUILD) + "/" + name});
        const std::string script = std::string(SPEECHSCORE_EXAMPLES_SOURCE) + "/" + name + ".ss";
        const ChildResult ss = speechscore({script});
        ASSERT_NE(cpp.status, 127) << "example program not built";
        EXPECT_GT(cpp.out.size(), 0u);
        EXPECT_EQ(ss.out, cpp.out);
        EXPECT_EQ(ss.status, cpp.status);
        EXPECT_EQ(ss.err, "");
        const ChildResult file = speechscore({"-o", dir.file(name + ".sco"), script});
        EXPECT_EQ(file.out, "");
        EXPECT_EQ(read_file(dir.file(name + ".sco")), cpp.out);
        RunOptions fromInput;
        fromInput.input = script;
        EXPECT_EQ(speechscore({"-"}, fromInput).out, cpp.out);
        ++compared;
    }
    // Every script twin has its program.
    for (const std::string& name : scripts) {
        EXPECT_NE(std::find(programs.begin(), programs.end(), name), programs.end())
            << "examples/" << name << ".ss has no examples/" << name << ".cpp";
    }
    EXPECT_GE(compared, 2);  // piece and hello at least
    if (!withoutTwin.empty()) RecordProperty("examples_without_script_twin", withoutTwin);
}

}  // namespace
