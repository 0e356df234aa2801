// Private to cli/: the files the runner reads and writes. A script is read in bounded memory; a
// score is written into a scratch file beside its destination and renamed into place only when
// the run succeeded, or straight into a FIFO or character device; inputs and outputs are told
// apart by device and inode, not by name.
#ifndef SPEECHSCORE_CLI_FILES_H
#define SPEECHSCORE_CLI_FILES_H

#include <cstddef>
#include <string>

namespace cli {

// The most a script may hold; a longer one is refused without being kept in memory.
constexpr std::size_t kMaxScriptBytes = std::size_t{16} << 20;
extern const char kMaxScriptText[];  // "16 MiB"

// Reads the script at path ("-": standard input) into text. On failure returns false and sets
// problem (an errno text or "it is a directory" ...); interrupted is set when a signal cut the
// reading short, and then problem is empty. what names the input in the size limit's message
// ("a script", "a song file").
bool read_script(const std::string& path, std::string& text, std::string& problem,
                 bool& interrupted, const char* what = "a script");

// The file a path names, followed through symbolic links: its device and inode when it exists,
// else its resolved directory and name.
struct FileKey {
    bool exists = false;
    bool regular = false;
    bool stream = false;  // a FIFO, a character device or a descriptor: written into directly
    unsigned long long dev = 0;
    unsigned long long ino = 0;
    std::string name;  // when it does not exist: the real directory, '/', the name
    bool same(const FileKey& other) const;
};
FileKey key_of_path(const std::string& path);
FileKey key_of_descriptor(int fd);

// Whether path can take a score or a take: a regular file, a new file, or (when streamOk) a
// FIFO, a character device or a descriptor of this program (/dev/stdout, /dev/fd/N). Returns ""
// when it can, else why not ("it is a directory").
std::string destination_problem(const std::string& path, bool streamOk);

// A score being written: into a scratch file beside the file path names (symbolic links
// followed), or straight into a FIFO, a character device or, for /dev/stdout, /dev/fd/N and
// /proc/self/fd/N, through that descriptor of this program.
struct Output {
    std::string path;     // as the user named it
    std::string target;   // the file replaced at the end
    std::string scratch;  // the scratch file; empty when written directly
    int fd = -1;
};

// Opens the output; on failure returns false with the reason in problem. interrupted is set
// when a signal cut the opening of a FIFO short.
bool open_output(const std::string& path, Output& out, std::string& problem, bool& interrupted);

// Puts the scratch file in place of the target (after syncing it). Returns false with the
// reason in problem, and then the scratch file is gone.
bool commit_output(Output& out, std::string& problem);

// Closes the output and removes the scratch file: the target stays as it was.
void discard_output(Output& out);

}  // namespace cli

#endif  // SPEECHSCORE_CLI_FILES_H
