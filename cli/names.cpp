// Names in scripts: colours, nasal and tracheal pointers and delta-F1 symbols by the names of
// the colour chart, and pitches by note name or frequency, all through speechscore_colours.h.
#include <string>
#include <vector>

#include "script.h"
#include "speechscore_colours.h"

namespace cli {

std::vector<NamedValue> names_of(Kind kind) {
    namespace colours = speechscore::colours;
    std::vector<NamedValue> names;
    if (kind == Kind::Colour) {
        for (const colours::Named& n : colours::kColourNames) names.push_back({n.name, n.value});
        return names;
    }
    // The pointer names share one list; each kind takes those with its own prefix.
    const std::string prefix = kind == Kind::Nasal      ? "nas"
                               : kind == Kind::Tracheal ? "trach"
                               : kind == Kind::DeltaF1  ? "df1"
                                                        : "";
    if (prefix.empty()) return names;
    for (const colours::Named& n : colours::kPointerNames) {
        if (std::string(n.name).rfind(prefix, 0) == 0) names.push_back({n.name, n.value});
    }
    return names;
}

double pitch_of_hz(double hz) { return speechscore::pitch::hzToOct(hz); }

bool pitch_of_note(const std::string& text, double& pitch) {
    // noteOct gives 0 for any text that is not a note name (and for C-4, whose pitch 0 lies
    // outside the scale anyway).
    if (text.find('\0') != std::string::npos) return false;
    const double value = speechscore::pitch::noteOct(text.c_str());
    if (value == 0.0) return false;
    pitch = value;
    return true;
}

}  // namespace cli
