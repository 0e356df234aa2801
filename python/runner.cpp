// The Python package's script runner: a small program the package starts once and keeps, which
// runs each call script it is sent in a fork of its own (fine may end the process). Forking this
// program costs a fraction of forking the interpreter, whose pages every fork makes it copy again.
//
// Requests on standard input, replies on standard output, in this machine's byte order:
//   request  u32 lengths of name, text, labels path and folder; u8 check; then the four strings
//   reply    i32 status, script errors, library errors, fine line; f64 score end;
//            u64 lengths of score and messages; then the two
// The run starts in the folder sent (the interpreter's current one). The program ends at the
// end of its input.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "outputs.h"
#include "script.h"
#include "script_child.h"

// The two variables every client of the library defines; each script run sets its own.
double beat = 1.0;
int TTO = 0;

namespace {

using speechscore::outputs::read_all;
using speechscore::outputs::write_all;

struct Request {
    std::string name, text, labels, folder;
    bool check = false;
};

// The next request, false at the end of the input (or a short one).
bool read_request(int fd, Request& request) {
    std::uint32_t sizes[4];
    std::uint8_t check = 0;
    if (!read_all(fd, sizes, sizeof sizes) || !read_all(fd, &check, 1)) return false;
    std::string* fields[4] = {&request.name, &request.text, &request.labels, &request.folder};
    for (int i = 0; i < 4; ++i) {
        fields[i]->resize(sizes[i]);
        if (!read_all(fd, fields[i]->data(), sizes[i])) return false;
    }
    request.check = check != 0;
    return true;
}

// Everything written to fd from its start, into text; fd is emptied for the next run. False
// when it cannot be emptied.
bool take_all(int fd, std::string& text) {
    text.clear();
    const off_t size = lseek(fd, 0, SEEK_END);
    if (size > 0) {
        text.resize(static_cast<std::size_t>(size));
        std::size_t done = 0;
        while (done < text.size()) {
            const ssize_t n = pread(fd, &text[done], text.size() - done, static_cast<off_t>(done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        text.resize(done);
    }
    return ftruncate(fd, 0) == 0 && lseek(fd, 0, SEEK_SET) == 0;
}

// Runs one request in a fork whose score and messages go to the memory files out and err;
// the report comes back through shared memory. Returns the exit status as the package reads
// it (128 + the signal of a run that was killed).
int run(const Request& request, int out, int err, cli::RunReport& report) {
    report = cli::RunReport{};
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {  // standard input is /dev/null; run_script points standard output at out
        dup2(err, STDERR_FILENO);
        if (!request.folder.empty() && chdir(request.folder.c_str()) != 0) {
            std::fprintf(stderr, "speechscore: cannot enter %s: %s\n", request.folder.c_str(),
                         std::strerror(errno));
            _exit(2);
        }
        const int status = run_script_child(request.name, request.text, request.check,
                                            request.labels, out, report);
        std::fflush(nullptr);
        _exit(status);
    }
    if (pid < 0) {
        std::string message =
            std::string("speechscore: cannot run the script: ") + std::strerror(errno) + "\n";
        write_all(err, message.data(), message.size());
        return 2;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

int main() {
    // The requests and replies move off the standard descriptors, which each run's fork takes.
    const int in = fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3);
    const int reply = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    const int none = open("/dev/null", O_RDWR | O_CLOEXEC);
    const int out = memfd_create("speechscore-score", MFD_CLOEXEC);
    const int err = memfd_create("speechscore-messages", MFD_CLOEXEC);
    void* shared = mmap(nullptr, sizeof(cli::RunReport), PROT_READ | PROT_WRITE,
                        MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (in < 0 || reply < 0 || none < 0 || out < 0 || err < 0 || shared == MAP_FAILED) {
        std::fprintf(stderr, "speechscore runner: cannot start: %s\n", std::strerror(errno));
        return 2;
    }
    dup2(none, STDIN_FILENO);
    dup2(none, STDOUT_FILENO);
    auto* report = new (shared) cli::RunReport{};
    // The tables every run looks up are built here once, not in each fork.
    std::size_t count = 0;
    cli::operations(count);
    cli::variables(count);

    Request request;
    std::string score, messages;
    while (read_request(in, request)) {
        const std::int32_t status = run(request, out, err, *report);
        if (!take_all(out, score) || !take_all(err, messages)) return 1;
        struct {
            std::int32_t status, scriptErrors, libraryErrors, fineLine;
            double scoreEnd;
            std::uint64_t scoreSize, messagesSize;
        } head{status,           report->scriptErrors, report->libraryErrors, report->fineLine,
               report->scoreEnd, score.size(),         messages.size()};
        static_assert(sizeof head == 40, "the reply's head is 40 bytes");
        if (!write_all(reply, &head, sizeof head) ||
            !write_all(reply, score.data(), score.size()) ||
            !write_all(reply, messages.data(), messages.size()))
            return 1;
    }
    return 0;
}
