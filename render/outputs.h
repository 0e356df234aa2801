// Private to the render module and the runner: files written into a scratch file beside their
// destination and renamed into place (the renderer's takes, the runner's scores), and the small
// file, descriptor and memory helpers both need.
#ifndef SPEECHSCORE_RENDER_OUTPUTS_H
#define SPEECHSCORE_RENDER_OUTPUTS_H

#include <sys/stat.h>

#include <cstddef>
#include <string>

namespace speechscore {
namespace outputs {

// The text with its control characters (a file name's line break or escape sequence) written
// as \xNN, so that a message stays one line and cannot drive the terminal.
std::string printable(const std::string& text);

// The directory part of a path ("." for a bare name, "/" at the root) and its last component.
std::string directory_of(const std::string& path);
std::string base_of(const std::string& path);

// The file a path names, through the symbolic links to it (the path itself when it is none).
std::string through_links(const std::string& path);

// What a file that is not a regular one is: "a directory", "a FIFO", ... or "not a regular file".
const char* kind_of(mode_t mode);

// A new scratch file beside dest (".NAME.XXXXXX" in dest's directory), to be renamed over it:
// with the owner (where this user may give it) and permissions of the file it replaces
// (replaced: its stat, or nullptr for a new file), else those of a file made afresh. Returns
// its descriptor (close-on-exec) and its name in scratch, or -1 with errno set.
int open_beside(const std::string& dest, const struct stat* replaced, std::string& scratch);

// All of size bytes written to, or read from, fd, again after an interrupted call; false on an
// error or (reading) an early end.
bool write_all(int fd, const void* data, std::size_t size);
bool read_all(int fd, void* data, std::size_t size);
// write_all on a socket whose reader may be gone: an error, not SIGPIPE.
bool send_all(int fd, const void* data, std::size_t size);

// Fewer page faults, which take a good part of a short render: the heap grows in large steps,
// in huge pages where the system offers them (csound allocates and clears much memory while it
// compiles the orchestra).
void grow_heap_in_large_pages();

}  // namespace outputs
}  // namespace speechscore

#endif  // SPEECHSCORE_RENDER_OUTPUTS_H
