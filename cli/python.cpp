// The continuum and batch commands: the runner hands them to the Python package's command line
// (python3 -m speechscore), finding the package installed beside the program or in the build tree.
#include "python.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace cli {
namespace {

// Runs the package's command line, or says that the package is missing (exit 2).
const char kBootstrap[] =
    "import sys\n"
    "try:\n"
    "    from speechscore.__main__ import main\n"
    "except ImportError as e:\n"
    "    sys.stderr.write('speechscore: %s needs the Python package speechscore, which %s cannot"
    " import (%s); install it with the project (cmake --install) or with pip install .\\n'"
    " % (sys.argv[1], sys.executable, e))\n"
    "    sys.exit(2)\n"
    "sys.exit(main(sys.argv[1:], prog='speechscore'))\n";

std::string program_directory() {
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return "";
    const std::string exe(path, static_cast<std::size_t>(n));
    const std::size_t slash = exe.rfind('/');
    return slash == std::string::npos ? "" : exe.substr(0, slash);
}

bool has_package(const std::string& dir) {
    struct stat st;
    return stat((dir + "/speechscore/__main__.py").c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

bool is_python_command(const std::string& word) { return word == "continuum" || word == "batch"; }

int run_python_command(int argc, char** argv) {
    // Where the package stands beside the program: installed (PREFIX/bin and the package's
    // directory under PREFIX), or built (build/cli and build/python).
    const std::string bin = program_directory();
    std::string path;
    if (!bin.empty()) {
        for (const std::string& dir :
             {bin + "/../" SPEECHSCORE_PYTHON_INSTALL_DIR, bin + "/../python"}) {
            if (has_package(dir)) path += (path.empty() ? "" : ":") + dir;
        }
    }
    if (const char* old = std::getenv("PYTHONPATH"); old != nullptr && *old != '\0')
        path += (path.empty() ? "" : ":") + std::string(old);
    if (!path.empty()) setenv("PYTHONPATH", path.c_str(), 1);

    const char* given = std::getenv("SPEECHSCORE_PYTHON");
    const std::string python = given != nullptr && *given != '\0' ? given : SPEECHSCORE_PYTHON;
    std::vector<char*> args;
    args.push_back(const_cast<char*>(python.c_str()));
    args.push_back(const_cast<char*>("-c"));
    args.push_back(const_cast<char*>(kBootstrap));
    for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
    args.push_back(nullptr);
    std::fflush(nullptr);
    execvp(python.c_str(), args.data());
    std::fprintf(stderr,
                 "speechscore: %s needs Python 3 with the package speechscore: cannot run %s: "
                 "%s\n",
                 argv[1], python.c_str(), std::strerror(errno));
    return 2;
}

}  // namespace cli
