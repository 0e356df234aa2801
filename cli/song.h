// Private to cli/: a song file (MusicXML, .mxl, MIDI) sung as a call script of sing lines.
#ifndef SPEECHSCORE_CLI_SONG_H
#define SPEECHSCORE_CLI_SONG_H

#include <string>
#include <vector>

namespace cli {

struct SongOptions {
    std::string part;      // --part: id or name
    std::string verse;     // --verse: lyric line number
    std::string voice;     // --voice: a voice preset; empty: chosen from the part's range
    double fermata = 1.5;  // --fermata: a note under a fermata lasts this many times its length
    std::string lang;      // --lang: the lyrics' language; empty: the file's, else English
};

// Whether the runner reads the file as a song: by its name (.musicxml, .xml, .mxl, .mid,
// .midi, .kar, any case).
bool is_song_path(const std::string& path);

// Reads the song in bytes and writes the call script that sings it. What the reader skipped is
// reported on standard error as NAME: measure M: warning: ...; a file that is no song gets one
// error, NAME: error: ..., and false. places, when given, gets the measure each line of the
// script starts in ("" for a line of none).
bool song_script(const std::string& name, const std::string& bytes, const SongOptions& options,
                 std::string& script, std::vector<std::string>* places = nullptr);

}  // namespace cli

#endif  // SPEECHSCORE_CLI_SONG_H
