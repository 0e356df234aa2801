// Measurements on rendered sound: sound files, the bridge to Praat, the post-processing of tracks.
#include "measure.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <sstream>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

double to_db(double power) { return power > 0 ? 10 * std::log10(power) : -400; }

std::vector<double> first_row_db(const std::vector<std::vector<double>>& rows) {
    std::vector<double> levels;
    if (!rows.empty())
        for (double power : rows[0]) levels.push_back(to_db(power));
    return levels;
}

// The path of a file removed when the last copy of it goes.
std::shared_ptr<const std::string> owned_file(const std::string& path) {
    return std::shared_ptr<const std::string>(new std::string(path), [](const std::string* p) {
        std::remove(p->c_str());
        delete p;
    });
}

}  // namespace

Sound read_sound(const std::string& path, bool owned) {
    Sound sound;
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) return sound;
    std::vector<double> frames(static_cast<std::size_t>(info.frames * info.channels));
    const sf_count_t got = sf_readf_double(file, frames.data(), info.frames);
    sf_close(file);
    sound.rate = info.samplerate;
    for (sf_count_t n = 0; n < got; ++n)
        sound.samples.push_back(frames[static_cast<std::size_t>(n * info.channels)]);
    sound.file = owned ? owned_file(path) : std::make_shared<const std::string>(path);
    return sound;
}

bool save_sound(Sound& sound, const std::string& path) {
    SF_INFO info{};
    info.samplerate = static_cast<int>(sound.rate);
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) return false;
    const sf_count_t frames = static_cast<sf_count_t>(sound.samples.size());
    const bool ok = sf_writef_double(file, sound.samples.data(), frames) == frames;
    sf_close(file);
    sound.file = owned_file(path);
    return ok;
}

std::vector<std::vector<double>> praat(const Sound& sound, const std::string& command, Windows w,
                                       double extra) {
    if (!sound.file) {
        ADD_FAILURE() << "no file to measure " << command << " on";
        return {};
    }
    std::ostringstream line;
    line.precision(17);
    line << "praat --run '" SPEECHSCORE_MEASURE_SCRIPT "' '" << *sound.file << "' " << command
         << ' ' << w.from << ' ' << w.length << ' ' << w.hop << ' ' << w.count << ' ' << extra
         << " 2>&1";
    FILE* pipe = popen(line.str().c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot run praat";
        return {};
    }
    std::string out;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
    if (pclose(pipe) != 0) {
        ADD_FAILURE() << "praat failed (install it with apt-get install praat): " << line.str()
                      << "\n"
                      << out;
        return {};
    }
    std::vector<std::vector<double>> rows;
    std::istringstream lines(out);
    for (std::string text; std::getline(lines, text);) {
        std::istringstream words(text);
        std::vector<double> row;
        for (std::string word; words >> word;) {
            char* end = nullptr;
            const double v = std::strtod(word.c_str(), &end);
            row.push_back(end != word.c_str() && *end == 0 ? v : kNaN);  // --undefined--
        }
        rows.push_back(row);
    }
    return rows;
}

std::vector<double> praat_values(const Sound& sound, const std::string& command, Windows w,
                                 double extra) {
    std::vector<double> values;
    for (const std::vector<double>& row : praat(sound, command, w, extra))
        values.push_back(row.empty() ? kNaN : row[0]);
    return values;
}

std::vector<double> levels_db(const Sound& sound, Windows w, double cutoff) {
    std::vector<double> levels = praat_values(sound, cutoff > 0 ? "highpass" : "rms", w, cutoff);
    for (double& rms : levels) rms = to_db(rms * rms);
    return levels;
}

double rms_db(const Sound& sound, double from, double to) {
    const std::vector<double> level = levels_db(sound, span(from, to));
    return level.empty() ? kNaN : level[0];
}

double peak(const Sound& sound) {
    double top = 0;
    for (double v : sound.samples) top = std::max(top, std::fabs(v));
    return top;
}

std::vector<TrackPoint> pitch_track(const Sound& sound, double from, double to) {
    std::vector<TrackPoint> track;
    for (const std::vector<double>& row :
         praat(sound, "pitchtrack", {from, to - from, 0.002, 1}, 100))
        if (row.size() == 2) track.push_back({row[0], row[1]});
    return track;
}

std::vector<TrackPoint> formant_track(const Sound& sound, double from, double to, double lo,
                                      double hi) {
    std::vector<TrackPoint> track;
    double last = kNaN;
    for (const std::vector<double>& row :
         praat(sound, "formanttrack", {from, to - from, 0.002, 1})) {
        if (row.empty()) continue;
        double best = kNaN;
        for (std::size_t k = 1; k < row.size(); ++k) {
            const double f = row[k];
            if (std::isnan(f) || f < lo || f > hi) continue;
            const double guess = std::isnan(last) ? (lo + hi) / 2 : last;
            if (std::isnan(best) || std::fabs(f - guess) < std::fabs(best - guess)) best = f;
        }
        if (!std::isnan(best)) last = best;
        track.push_back({row[0], best});
    }
    return track;
}

std::vector<TrackPoint> running_median(const std::vector<TrackPoint>& track, std::size_t half) {
    std::vector<TrackPoint> smooth = track;
    for (std::size_t n = 0; n < track.size(); ++n) {
        const std::size_t a = n >= half ? n - half : 0, b = std::min(track.size() - 1, n + half);
        smooth[n].value = track_median(
            std::vector<TrackPoint>(track.begin() + static_cast<std::ptrdiff_t>(a),
                                    track.begin() + static_cast<std::ptrdiff_t>(b + 1)),
            track[a].time, track[b].time);
    }
    return smooth;
}

double track_median(const std::vector<TrackPoint>& track, double from, double to) {
    std::vector<double> values;
    for (const TrackPoint& p : track)
        if (p.time >= from && p.time <= to && !std::isnan(p.value)) values.push_back(p.value);
    if (values.empty()) return kNaN;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

Transition transition_times(const std::vector<TrackPoint>& track, double start, double end) {
    Transition result{kNaN, kNaN};
    const double sign = end >= start ? 1 : -1;
    const double low = start + 0.1 * (end - start), high = start + 0.9 * (end - start);
    const TrackPoint* a = nullptr;  // the last frame with a value; gaps are bridged
    for (const TrackPoint& b : track) {
        if (std::isnan(b.value)) continue;
        if (a != nullptr) {
            if (sign * (a->value - low) < 0 && sign * (b.value - low) >= 0)
                result.t10 = a->time + (b.time - a->time) * (low - a->value) / (b.value - a->value);
            if (sign * (a->value - high) < 0 && sign * (b.value - high) >= 0) {
                result.t90 =
                    a->time + (b.time - a->time) * (high - a->value) / (b.value - a->value);
                break;
            }
        }
        a = &b;
    }
    if (std::isnan(result.t90)) result.t10 = kNaN;
    return result;
}

std::vector<double> band_levels_db(const Sound& sound, double from, double to, int first,
                                   int last) {
    return first_row_db(praat(sound, "bands", {from, to - from, static_cast<double>(first), last}));
}

std::vector<double> harmonic_levels_db(const Sound& sound, double from, double to, double f0,
                                       int count) {
    return first_row_db(praat(sound, "harmonics", {from, to - from, 1, count}, f0));
}

VoiceReport voice_report(const Sound& sound, double from, double to) {
    const std::vector<std::vector<double>> rows = praat(sound, "voice", span(from, to));
    if (rows.empty() || rows[0].size() != 3) return {kNaN, kNaN, kNaN};
    return {rows[0][0], rows[0][1], rows[0][2]};
}
