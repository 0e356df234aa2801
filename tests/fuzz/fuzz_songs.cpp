// libFuzzer target: every input read as MusicXML (plain or .mxl) and as MIDI; a song read keeps
// the model's invariants (events from beat 0 without gaps or overlaps, positive lengths, measures).
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string_view>

#include "songs.h"

namespace {

namespace songs = speechscore::songs;

void check(const songs::Result& r) {
    if (!r.ok) {
        if (r.error.empty() || !r.song.events.empty()) std::abort();
        return;
    }
    songs::Beats at;
    for (const songs::Event& e : r.song.events) {
        if (e.onset != at || e.length <= songs::Beats{} || e.measure.empty() ||
            e.rest != e.name.empty())
            std::abort();
        at = e.onset + e.length;
    }
    std::ostringstream out;
    songs::print_song(out, r.song);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    check(songs::read_musicxml(bytes));
    check(songs::read_midi(bytes));
    return 0;
}
