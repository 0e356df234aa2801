// speechscore_song_dump: reads a MusicXML, .mxl or MIDI file and prints the song it reads as
// (one event a line, `NOTE/beats "syllable"`), then what was reported, on standard error.
#include <cstring>
#include <iostream>
#include <string>

#include "songs.h"

int main(int argc, char** argv) {
    namespace songs = speechscore::songs;
    songs::Options options;
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        std::string* value = arg == "--part"    ? &options.part
                             : arg == "--voice" ? &options.voice
                             : arg == "--verse" ? &options.verse
                                                : nullptr;
        if (value != nullptr && i + 1 < argc) {
            *value = argv[++i];
        } else if (value == nullptr && path == nullptr && arg[0] != '-') {
            path = argv[i];
        } else {
            path = nullptr;
            break;
        }
    }
    if (path == nullptr) {
        std::cerr << "usage: speechscore_song_dump [--part ID|NAME] [--voice V] [--verse N] FILE\n";
        return 2;
    }
    const songs::Result result = songs::read_song_file(path, options);
    for (const songs::Diagnostic& d : result.diagnostics)
        std::cerr << path << ": " << (d.measure.empty() ? "" : "measure " + d.measure + ": ")
                  << "warning: " << d.message << "\n";
    if (!result.ok) {
        std::cerr << path << ": error: " << result.error << "\n";
        return 1;
    }
    songs::print_song(std::cout, result.song);
    return std::cout.flush() ? 0 : 2;
}
