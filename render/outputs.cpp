#include "outputs.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <malloc.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

namespace speechscore {
namespace outputs {
namespace {

// Moves size bytes by calls of io(bytes done, bytes left) (a write, read or send), again after
// an interruption.
template <typename Io>
bool transfer_all(std::size_t size, Io io) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = io(done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The permissions of a file made afresh: 0666 less the umask.
mode_t creation_mode() {
    const mode_t mask = umask(0);
    umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
}

}  // namespace

std::string printable(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u != 0x7f) {
            out += c;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", u);
            out += escaped;
        }
    }
    return out;
}

std::string directory_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string base_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string through_links(const std::string& path) {
    std::string at = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return at;
        char target[PATH_MAX];
        const ssize_t n = readlink(at.c_str(), target, sizeof target - 1);
        if (n <= 0) return at;
        const std::string to(target, static_cast<std::size_t>(n));
        at = to[0] == '/' ? to : directory_of(at) + "/" + to;
    }
    return at;  // a loop: stat reports it
}

const char* kind_of(mode_t mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode)) return "a character device";
    return "not a regular file";
}

int open_beside(const std::string& dest, const struct stat* replaced, std::string& scratch) {
    scratch = directory_of(dest) + "/." + base_of(dest) + ".XXXXXX";
    const int fd = mkostemp(&scratch[0], O_CLOEXEC);
    if (fd < 0) {
        const int why = errno;
        scratch.clear();
        errno = why;
        return -1;
    }
    if (replaced != nullptr && fchown(fd, replaced->st_uid, replaced->st_gid) != 0) {
        // Not the owner's to give: the new file is this user's, as an editor's would be.
    }
    fchmod(fd, replaced != nullptr ? (replaced->st_mode & 07777) : creation_mode());
    return fd;
}

bool write_all(int fd, const void* data, std::size_t size) {
    const char* at = static_cast<const char*>(data);
    return transfer_all(
        size, [&](std::size_t done, std::size_t left) { return write(fd, at + done, left); });
}

bool read_all(int fd, void* data, std::size_t size) {
    char* at = static_cast<char*>(data);
    return transfer_all(
        size, [&](std::size_t done, std::size_t left) { return read(fd, at + done, left); });
}

bool send_all(int fd, const void* data, std::size_t size) {
    const char* at = static_cast<const char*>(data);
    return transfer_all(size, [&](std::size_t done, std::size_t left) {
        return send(fd, at + done, left, MSG_NOSIGNAL);
    });
}

void grow_heap_in_large_pages() {
    const std::size_t step = std::size_t{32} << 20, huge = std::size_t{2} << 20;
    mallopt(M_MMAP_THRESHOLD, static_cast<int>(step));
    mallopt(M_TOP_PAD, static_cast<int>(step));
    mallopt(M_TRIM_THRESHOLD, static_cast<int>(2 * step));
    const auto begin = reinterpret_cast<std::uintptr_t>(sbrk(0));
    void* volatile block = std::malloc(huge);  // the heap grows by a step now
    std::free(block);
    const auto end = reinterpret_cast<std::uintptr_t>(sbrk(0)) / huge * huge;
    const std::uintptr_t start = (begin + huge - 1) / huge * huge;
    if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
}

}  // namespace outputs
}  // namespace speechscore
