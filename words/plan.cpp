// The planner: a timed phrase becomes events track by track, written with the library's
// generators in beats under the metronome. Formants move as straight lines between breakpoints
// (the orchestra glides an event's values over its span when it is shorter than its glide time),
// levels step or glide, pitch follows a smooth contour.
#include "plan.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>

#include "speechscore.h"

namespace words {
namespace {

using speechscore::words::Call;
using speechscore::words::Options;
using Targets = std::array<double, 6>;  // F1 F2 F3 B1 B2 B3

constexpr double kMs = 0.001;
constexpr double kMaxGlide = 0.06;  // s: below the orchestra's formant glide time, 65 ms
constexpr double kF0Step = 0.02;    // s between pitch events
// Turbulence noise in the voice: aspiration into the cascade, and frication through the
// parallel branch above the cascade's formants, this many dB below the voicing of every
// sonorant: about the harmonics-to-noise ratio of a modal voice.
constexpr double kBreath = 20;
constexpr double kBreathA5 = 32;
constexpr double kBreathA6 = 32;
constexpr double kBreathAB = 22;
// The high part of aspiration: frication this many dB below the aspiration level.
constexpr double kAspirationHigh = 0;
// The speaking voice's voicing amplitude changes 4 times as fast as the default DV (2 ms instead
// of 8), so that a voice starting from silence sounds within 10 ms.
constexpr double kSpeechDV = 0.25;
// Where a nasal meets a vowel or other sonorant, the velum moves more slowly than the lips or
// tongue (Stevens 1998, ch. 9): the murmur hands over to the sonorant (its voicing level, its
// F1, the sonorant's nasalisation) over this time, within the 10 to 30 ms of natural releases.
constexpr double kNasalHandover = 0.03;

// ---- Phone classes ----------------------------------------------------------------------------

bool obstruent(const Phone& p) {
    return p.cls == Class::Stop || p.cls == Class::Affricate || p.cls == Class::Fricative;
}
bool sonorant_consonant(const Phone& p) { return is_sonorant(p) && !is_vowel(p); }
bool pause(const Phone& p) { return p.cls == Class::Pause; }

// ---- Targets ----------------------------------------------------------------------------------

// The nearest vowel to segment i (after it first), or nullptr.
const Phone* nearest_vowel(const Phrase& ph, std::size_t i) {
    const auto& s = ph.segs;
    for (std::size_t k = i + 1; k < s.size() && !pause(*s[k].ph); ++k)
        if (is_vowel(*s[k].ph)) return s[k].ph;
    for (std::size_t k = i; k-- > 0 && !pause(*s[k].ph);)
        if (is_vowel(*s[k].ph)) return s[k].ph;
    return nullptr;
}

// Velar burst peak by the vowel: Zue (1976), front 2720, back 1770, rounded 1250 Hz.
double velar_peak(const Phone* v) {
    if (v == nullptr) return 1770;
    if (v->f2 > 1700) return 2720;
    if (v->f2 < 1100) return 1250;
    return 1770;
}

// Alveolar burst peak by the vowel: Zue (1976), t 3900 / 3660 / 3300 and d 3530 / 3300 / 2950 Hz
// before front / back / rounded vowels (the row's peak is the back-vowel value).
double alveolar_peak(const Phone& p, const Phone* v) {
    const bool t = !p.voiced;
    if (v == nullptr) return p.peak;
    if (v->f2 > 1700) return t ? 3900 : 3530;
    if (v->f2 < 1100) return t ? 3300 : 2950;
    return p.peak;
}

Targets onset(const Phrase& ph, std::size_t i);

// A segment's own target at its end (a diphthong's offset).
Targets offset(const Phrase& ph, std::size_t i) {
    const Phone& p = *ph.segs[i].ph;
    Targets t = onset(ph, i);
    if (p.f1b > 0) {
        t[0] = p.f1b;
        t[1] = p.f2b;
        t[2] = p.f3b;
    }
    return t;
}

// B1 while the glottis is open for aspiration (/h/): as wide as the voiceless stops' (Klatt
// 1980, Table III: B1 300 Hz for p and t), so that F1 is weak in the noise (F1 cutback).
constexpr double kAspirationB1 = 300;

// A segment's own target at its start: the row, a velar's locus by its vowel, a prevocalic
// /l/'s F2 drawn toward its vowel's, a postvocalic /l/'s 300 Hz lower (dark: English /l/'s
// final allophone has an F2 lower than the initial one's by more than 200 to 300 Hz, Recasens
// 2012; the row's F2 is Dalston's prevocalic one), /h/ the next sound's formants with the open
// glottis's B1 (Klatt 1980: /h/ is aspiration through the vowel's formants), a pause holds. A
// run of /h/ takes the sound after the run, or before a pause the one before the run.
Targets onset(const Phrase& ph, std::size_t i) {
    const auto& s = ph.segs;
    const Phone& p = *s[i].ph;
    auto aspirate = [&](std::size_t k) { return s[k].ph->cls == Class::Aspirate; };
    if (aspirate(i) || pause(p)) {
        if (aspirate(i)) {
            std::size_t next = i + 1;
            while (next < s.size() && aspirate(next)) ++next;
            if (next < s.size() && !pause(*s[next].ph)) {
                Targets t = onset(ph, next);
                t[3] = kAspirationB1;
                return t;
            }
        }
        if (i > 0 && !pause(*s[i - 1].ph)) {
            std::size_t before = i - 1;
            while (before > 0 && aspirate(before)) --before;
            if (!aspirate(before) && !pause(*s[before].ph)) return offset(ph, before);
        } else if (!aspirate(i) && i + 1 < s.size() && !pause(*s[i + 1].ph)) {
            return onset(ph, i + 1);
        }
        const Phone& schwa = *find_phone("AX");
        return {schwa.f1, schwa.f2, schwa.f3, schwa.b1, schwa.b2, schwa.b3};
    }
    Targets t = {p.f1, p.f2, p.f3, p.b1, p.b2, p.b3};
    if (p.place == Place::Velar && obstruent(p)) t[1] = velar_peak(nearest_vowel(ph, i));
    // /l/ before a vowel takes a tenth of the vowel's F2 (Allen et al. 1987, App. C).
    const bool lateral =
        p.cls == Class::Liquid && p.place == Place::Alveolar && std::strcmp(p.name, "R") != 0;
    if (lateral && i + 1 < s.size() && is_vowel(*s[i + 1].ph))
        t[1] = 0.9 * p.f2 + 0.1 * s[i + 1].ph->f2;
    else if (lateral && i > 0 && is_vowel(*s[i - 1].ph))
        t[1] = p.f2 - 300;
    return t;
}

// Formant k (0..2) and bandwidth where segment i meets segment i + 1: a consonant's locus
// weighted by MITalk's boundary percent (Allen et al. 1987, Table C-4: obstruent 65, sonorant
// 75, vowel-vowel 50); F2 at a fricative by Jongman et al.'s (2000) locus equations.
std::array<double, 2> boundary(const Phrase& ph, std::size_t i, int k) {
    const auto& s = ph.segs;
    const Targets a = offset(ph, i);
    const Targets b = onset(ph, i + 1);
    const Phone& pa = *s[i].ph;
    const Phone& pb = *s[i + 1].ph;
    const double bw = (a[static_cast<std::size_t>(k) + 3] + b[static_cast<std::size_t>(k) + 3]) / 2;
    auto weigh = [&](double share, bool consonantFirst) {
        const double c =
            consonantFirst ? a[static_cast<std::size_t>(k)] : b[static_cast<std::size_t>(k)];
        const double v =
            consonantFirst ? b[static_cast<std::size_t>(k)] : a[static_cast<std::size_t>(k)];
        return share * c + (1 - share) * v;
    };
    if (pause(pa)) return {b[static_cast<std::size_t>(k)], b[static_cast<std::size_t>(k) + 3]};
    if (pause(pb)) return {a[static_cast<std::size_t>(k)], a[static_cast<std::size_t>(k) + 3]};
    if (pb.cls == Class::Aspirate)
        return {a[static_cast<std::size_t>(k)], a[static_cast<std::size_t>(k) + 3]};
    if (pa.cls == Class::Aspirate)  // B1 stays wide until the voice starts, as after a stop
        return {b[static_cast<std::size_t>(k)],
                k == 0 ? kAspirationB1 : b[static_cast<std::size_t>(k) + 3]};
    const bool oa = obstruent(pa);
    const bool ob = obstruent(pb);
    if (oa != ob) {
        const Phone& o = oa ? pa : pb;
        // F1 cutback: after a voiceless stop, B1 stays as wide as the stop's through the
        // aspiration, so that F1 is weak until the voice starts (Klatt 1980, Table III B1); an
        // aspirated stop's F1 has risen to the sonorant's in its aspiration (formant_points), so
        // that the voice starts without an F1 transition (Liberman, Delattre & Cooper 1958).
        // Before a voiceless stop the voice ends before F1 falls: the sonorant ends at its own
        // F1, which falls in the silent closure (higher F1 offsets before voiceless stops:
        // Hillenbrand et al. 1984; Summers 1987).
        if (k == 0 && o.cls == Class::Stop && !o.voiced) {
            if (ob) return {a[0], bw};
            return {aspirated_release(ph, i) ? b[0] : weigh(0.65, oa), o.b1};
        }
        const double vowelF2 = oa ? b[1] : a[1];
        if (o.cls == Class::Fricative && k == 1) {
            // F2 onset = k F2(vowel) + c, Jongman et al. (2000) by place.
            static const double kSlope[] = {0, 0, 0.768, 0.530, 0.517, 0.505, 0, 0};
            static const double kIntercept[] = {0, 0, 356, 879, 914, 1065, 0, 0};
            const auto place = static_cast<std::size_t>(o.place);
            if (kSlope[place] > 0) return {kSlope[place] * vowelF2 + kIntercept[place], bw};
        }
        return {weigh(0.65, oa), bw};
    }
    if (oa && ob)
        return {(a[static_cast<std::size_t>(k)] + b[static_cast<std::size_t>(k)]) / 2, bw};
    const bool ca = sonorant_consonant(pa);
    const bool cb = sonorant_consonant(pb);
    if (ca != cb && k >= 1 && (ca ? pa : pb).cls == Class::Nasal) {
        // A nasal's F2 and F3 transitions are those of its oral closure: they start from the
        // locus of the stop at its place (Klatt's (1980) /b d g/ rows; a velar's F2 its burst
        // peak by the vowel), not from its murmur, whose resonances are the nasal tract's
        // (/ŋ/'s F3 of 1900 Hz would make its F3 fall into the closure, as a labial's does).
        const Phone& n = ca ? pa : pb;
        const Phone& stop = *find_phone(n.place == Place::Labial     ? "B"
                                        : n.place == Place::Alveolar ? "D"
                                                                     : "G");
        const double vowelF = ca ? b[static_cast<std::size_t>(k)] : a[static_cast<std::size_t>(k)];
        const double locus = k == 2                    ? stop.f3
                             : n.place == Place::Velar ? velar_peak(ca ? &pb : &pa)
                                                       : stop.f2;
        return {0.75 * locus + 0.25 * vowelF, bw};
    }
    if (ca != cb) return {weigh(0.75, ca), bw};
    return {(a[static_cast<std::size_t>(k)] + b[static_cast<std::size_t>(k)]) / 2, bw};
}

// Transition time (s) of formant k inside a vowel next to phone c: from a stop 30 ms for F1
// and 50 ms for F2 and F3; from a nasal kNasalHandover for F1 and 40 ms; from a
// liquid or glide Dalston's (1975) F2 and F3 transition durations; vowel to vowel 30 % of the
// vowel; from /h/ only B1, from the open glottis's width, in 30 ms.
double transition(const Phone& c, int k, double vowelDur) {
    if (pause(c)) return 0;
    if (c.cls == Class::Aspirate) return k == 0 ? 30 * kMs : 0;  // B1 narrows as after a stop
    if (obstruent(c)) return k == 0 ? 30 * kMs : 50 * kMs;
    if (c.cls == Class::Nasal) return k == 0 ? kNasalHandover : 40 * kMs;
    if (is_vowel(c)) return 0.3 * vowelDur;
    const std::string n = c.name;
    if (n == "W") return (k == 1 ? 58.3 : k == 2 ? 22.5 : 40) * kMs;
    if (n == "R") return (k == 1 ? 50.4 : k == 2 ? 71.4 : 40) * kMs;
    if (n == "L" || n == "EL") return (k == 1 ? 41.3 : k == 2 ? 31.1 : 40) * kMs;
    return 50 * kMs;
}

// The length (s) of a stop's release inside its segment: burst and aspiration (VOT, Zue 1976;
// after /s/ 22.7 ms); before a pause a voiceless stop is released into 40 ms of aspiration, a
// voiced one into its burst and 10 ms of voice; 20 ms before a consonant.
double release(const Phrase& ph, std::size_t i) {
    const auto& s = ph.segs;
    const Phone& p = *s[i].ph;
    if (p.cls != Class::Stop || std::strcmp(p.name, "DX") == 0) return 0;
    const bool last = i + 1 == s.size() || pause(*s[i + 1].ph);
    double vot = p.vot;
    if (last)
        vot = p.voiced ? p.burst + 10 : 40;
    else if (!is_sonorant(*s[i + 1].ph))
        vot = std::max(p.burst, 20.0);
    else if (!p.voiced && !aspirated_release(ph, i))  // after /s/
        vot = 22.7;
    return std::min(vot * kMs, 0.7 * s[i].dur);
}

// ---- Breakpoints and events ---------------------------------------------------------------------

struct Point {
    double t, v, b;
};

// The breakpoints of formant k over the phrase.
std::vector<Point> formant_points(const Phrase& ph, int k) {
    const auto& s = ph.segs;
    std::vector<Point> pts;
    const auto ku = static_cast<std::size_t>(k);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const Seg& g = s[i];
        const Phone& p = *g.ph;
        const double a = g.start;
        const double e = g.start + g.dur;
        const Targets on = onset(ph, i);
        const Targets off = offset(ph, i);
        const std::array<double, 2> in =
            i > 0 ? boundary(ph, i - 1, k) : std::array<double, 2>{on[ku], on[ku + 3]};
        const std::array<double, 2> out =
            i + 1 < s.size() ? boundary(ph, i, k) : std::array<double, 2>{off[ku], off[ku + 3]};
        pts.push_back({a, in[0], in[1]});
        if (obstruent(p)) {
            const double tq = std::min(15 * kMs, g.dur / 4);
            const double rel = release(ph, i);
            pts.push_back({a + tq, on[ku], on[ku + 3]});
            if (rel > 0) {
                pts.push_back({e - rel, on[ku], on[ku + 3]});
                if (k == 0 && aspirated_release(ph, i)) {
                    // F1 leaves the locus at the release and reaches the sonorant's in the 30 ms
                    // of a transition from a stop, inside the aspiration.
                    pts.push_back({e - rel + kMs, 0.65 * on[ku] + 0.35 * out[0], out[1]});
                    pts.push_back({std::min(e, e - rel + 30 * kMs), out[0], out[1]});
                } else {
                    pts.push_back({e - rel + kMs, out[0], out[1]});
                }
            } else {
                pts.push_back({e - tq, on[ku], on[ku + 3]});
            }
        } else if (p.cls == Class::Aspirate || pause(p)) {
            pts.push_back({a + std::min(10 * kMs, g.dur / 4), on[ku], on[ku + 3]});
        } else {
            double tin = 0;
            double tout = 0;
            if (is_vowel(p)) {
                if (i > 0) tin = transition(*s[i - 1].ph, k, g.dur);
                if (i + 1 < s.size()) tout = transition(*s[i + 1].ph, k, g.dur) * 0.8;
            } else {
                const double edge =
                    p.cls == Class::Nasal ? 5 * kMs : std::min(0.3 * g.dur, 20 * kMs);
                tin = i > 0 && !pause(*s[i - 1].ph) ? edge : 0;
                tout = i + 1 < s.size() && !pause(*s[i + 1].ph) ? edge : 0;
            }
            if (tin + tout > 0.8 * g.dur) {
                const double f = 0.8 * g.dur / (tin + tout);
                tin *= f;
                tout *= f;
            }
            pts.push_back({a + tin, on[ku], on[ku + 3]});
            if (p.f1b > 0) {
                // A diphthong holds its onset to 20 % and reaches its offset at 80 % of its
                // length, the points where Hillenbrand et al. (1995) measured them.
                pts.push_back({std::max(a + tin, a + 0.2 * g.dur), on[ku], on[ku + 3]});
                pts.push_back({std::min(e - tout, a + 0.8 * g.dur), off[ku], off[ku + 3]});
            }
            pts.push_back({e - tout, off[ku], off[ku + 3]});
        }
        pts.push_back({e, out[0], out[1]});
    }
    // Breakpoints less than a millisecond apart: the later one stands.
    std::vector<Point> kept;
    for (const Point& q : pts) {
        while (!kept.empty() && q.t - kept.back().t < 0.5 * kMs) kept.pop_back();
        kept.push_back(q);
    }
    return kept;
}

// Maps phrase time (natural rate) to score time (seconds from the phrase's start).
struct Clock {
    std::vector<double> start, dur, real, span;
    double operator()(double t) const {
        const std::size_t i = last_at_or_before(start, t);  // the starts never go back
        if (dur[i] <= 0) return real[i];
        return real[i] + (t - start[i]) / dur[i] * span[i];
    }
    double total() const { return real.back() + span.back(); }
};

Call call(const char* op, std::vector<double> args) { return Call{op, std::move(args)}; }

// Writes a formant track as straight lines between its breakpoints: one event per line (split
// so that none is longer than kMaxGlide), the first a short one that sets its start value.
void write_formant(const std::vector<Point>& pts, const Clock& clock, const char* op,
                   const Emit& emit) {
    double now = 0;
    double last = -1;
    double lastB = -1;
    auto event = [&](double until, double v, double b) {
        const double span = until - now;
        if (span <= 0) return;
        emit(call(op, {span, std::round(v * 10) / 10, std::round(b * 10) / 10}));
        now = until;
        last = v;
        lastB = b;
    };
    const double total = clock.total();
    event(std::min(2 * kMs, total), pts.front().v, pts.front().b);
    for (std::size_t k = 1; k < pts.size(); ++k) {
        const double t0 = std::max(clock(pts[k - 1].t), now);
        const double t1 = k + 1 == pts.size() ? total : clock(pts[k].t);
        if (t1 - now < 0.4 * kMs) continue;
        if (pts[k].v == last && pts[k].b == lastB) {
            event(t1, last, lastB);
            continue;
        }
        const int pieces = std::max(1, static_cast<int>(std::ceil((t1 - t0) / kMaxGlide)));
        for (int j = 1; j <= pieces; ++j) {
            const double f = static_cast<double>(j) / pieces;
            const double v = pts[k - 1].v + (pts[k].v - pts[k - 1].v) * f;
            const double b = pts[k - 1].b + (pts[k].b - pts[k - 1].b) * f;
            event(j == pieces ? t1 : t0 + (t1 - t0) * f, v, b);
        }
    }
    if (total - now > 0) event(total, last, lastB);
}

// One stretch of a level track: from t0 to t1 at level, switch 0 (step) or 1 (glide).
struct Level {
    double t0, t1, level, swt;
};

void write_levels(std::vector<Level> lv, const Clock& clock, const char* op, const Emit& emit) {
    double now = 0;
    const double total = clock.total();
    // Merge neighbours that step to the same level.
    std::vector<Level> merged;
    for (const Level& l : lv) {
        if (l.t1 - l.t0 <= 0) continue;
        if (!merged.empty() && merged.back().level == l.level && l.swt == 0 &&
            merged.back().swt == 0) {
            merged.back().t1 = l.t1;
        } else {
            merged.push_back(l);
        }
    }
    for (std::size_t k = 0; k < merged.size(); ++k) {
        const double t1 = k + 1 == merged.size() ? total : clock(merged[k].t1);
        if (t1 - now <= 0.2 * kMs) continue;
        emit(call(op, {t1 - now, merged[k].level, merged[k].swt}));
        now = t1;
    }
}

// ---- Source levels ----------------------------------------------------------------------------

struct Sources {
    std::vector<Level> av, as, af;
};

// Voicing, aspiration and frication of each segment: vowels and sonorants voiced at their
// level, fricatives with frication rising and falling in 15 ms, stops as closure (silent, or a
// voice bar after a voiced sound), burst at the release, aspiration to the voice onset;
// affricates a closure and a burst into frication; /h/ aspiration. open_phase(t) is the open
// phase of the glottal period (s) at phrase time t: a voice that starts from silence first
// closes, and so is first heard, that long after it is switched on.
Sources source_levels(const Phrase& ph, const std::function<double(double)>& open_phase) {
    Sources src;
    const auto& s = ph.segs;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const Seg& g = s[i];
        const Phone& p = *g.ph;
        const double a = g.start;
        const double e = g.start + g.dur;
        const bool prevVoiced = i > 0 && s[i - 1].ph->voiced && !pause(*s[i - 1].ph);
        const double stressTrim = g.stress == 0 ? -3 : 0;
        if (pause(p)) {
            src.av.push_back({a, e, 0, 0});
            src.as.push_back({a, e, 0, 0});
            src.af.push_back({a, e, 0, 0});
        } else if (is_sonorant(p)) {
            const bool last = i + 1 == s.size() || pause(*s[i + 1].ph);
            const double av = p.av + stressTrim;
            // After a nasal's release the voicing rises from the murmur's level to its own.
            const bool released =
                i > 0 && s[i - 1].ph->cls == Class::Nasal && p.cls != Class::Nasal;
            const double in = released ? std::min(kNasalHandover, g.dur / 3) : 0;
            // Aspiration noise in the voice, kBreath below it: the air that flows through the
            // glottis flows through a nasal's murmur too, so the noise follows the voicing
            // through it, and rises with the voicing after the release.
            const double breath = av - kBreath;
            if (in > 0) {
                src.av.push_back({a, a + in, av, 1});
                src.as.push_back({a, a + in, breath, 1});
            }
            // The voice dies away by 12 dB over the last 40 % of a phrase-final sonorant; the
            // vowel of a phrase's last syllable weakens by 6 dB over its second half, as the
            // subglottal pressure falls at the end of a phrase. The noise falls with it.
            const double drop = last ? 12 : is_vowel(p) && g.finalSyllable ? 6 : 0;
            const double m = last ? e - 0.4 * g.dur : drop > 0 ? a + 0.5 * g.dur : e;
            src.av.push_back({a + in, m, av, 0});
            src.as.push_back({a + in, m, breath, 0});
            if (drop > 0) {
                src.av.push_back({m, e, av - drop, 1});
                src.as.push_back({m, e, breath - drop, 1});
            }
            // The same noise's part above the cascade's formants. After a fricative or
            // affricate, that sound's noise dies away over the voice onset first.
            const Phone* before = i > 0 ? s[i - 1].ph : nullptr;
            double from = a;
            if (before != nullptr && before->af > 0 &&
                (before->cls == Class::Fricative || before->cls == Class::Affricate)) {
                from = a + std::min(15 * kMs, g.dur / 4);
                src.af.push_back({a, from, before->af - 24, 1});
            } else if (in > 0) {
                from = a + in;
                src.af.push_back({a, from, breath, 1});
            }
            // Before a fricative weaker than this noise (f v θ ð), whose parallel levels would
            // make it up to 18 dB louder than the fricative, it stops 5 ms early (the parallel
            // levels change at the fricative's start, smoothed over 2 ms), so that the
            // frication rises from silence.
            const Phone* after = i + 1 < s.size() ? s[i + 1].ph : nullptr;
            const double quiet =
                after != nullptr && after->cls == Class::Fricative && breath > after->af
                    ? std::min(5 * kMs, (e - from) / 2)
                    : 0;
            const double fall = std::max(from, std::min(m, e - quiet));
            src.af.push_back({from, fall, breath, 0});
            if (drop > 0) src.af.push_back({fall, e - quiet, breath - drop, 1});
            if (quiet > 0) src.af.push_back({e - quiet, e, 0, 0});
        } else if (p.cls == Class::Aspirate) {
            // /h/: aspiration rising over a third of it (up to 30 ms), with its high part.
            const double r = std::min(30 * kMs, g.dur / 3);
            src.av.push_back({a, e, 0, 0});
            src.as.push_back({a, a + r, p.as, 1});
            src.as.push_back({a + r, e, p.as, 0});
            src.af.push_back({a, a + r, p.as - kAspirationHigh, 1});
            src.af.push_back({a + r, e, p.as - kAspirationHigh, 0});
        } else if (p.cls == Class::Fricative) {
            // Frication rises and falls over a third of the fricative (up to 40 ms), more
            // slowly than an affricate's, which starts at its burst; from silence after a
            // sonorant whose noise is louder than it (above).
            const double r = std::min(40 * kMs, g.dur / 3);
            src.av.push_back({a, e, p.voiced ? p.av : 0, 0});
            src.as.push_back({a, e, 0, 0});
            src.af.push_back({a, a + r, p.af, 1});
            src.af.push_back({a + r, e - r, p.af, 0});
            src.af.push_back({e - r, e, p.af - 12, 1});
        } else {  // stops and affricates
            const double rel =
                p.cls == Class::Affricate ? g.dur * frication_share(p) : release(ph, i);
            const double c = e - rel;
            const double burst = std::min(p.burst * kMs, rel);
            const bool voiceBar = p.voiced && prevVoiced;
            if (voiceBar) {
                // The voice fades into the voice bar over the first 20 ms of the closure and
                // dies out 40 ms later, as the pressure behind the closure rises.
                const double fade = std::min(20 * kMs, (c - a) / 3);
                const double bar = std::min(40 * kMs, (c - a) / 3);
                src.av.push_back({a, a + fade, p.av, 1});
                src.av.push_back({a + fade, a + fade + bar, p.av - 15, 1});
                src.av.push_back({a + fade + bar, c, 0, 0});
            } else {
                src.av.push_back({a, c, 0, 0});
            }
            src.af.push_back({a, c, 0, 0});
            src.as.push_back({a, c, 0, 0});
            if (std::strcmp(p.name, "DX") == 0) continue;  // a flap: a voiced tap, no release
            // An affricate's burst is 5 dB below its frication, the level of /t/'s burst.
            src.af.push_back({c, c + burst, p.cls == Class::Affricate ? p.af - 5 : p.af, 0});
            if (p.cls == Class::Affricate) {
                const double r = std::min(15 * kMs, (e - c - burst) / 3);
                src.af.push_back({c + burst, e - r, p.af, 0});
                src.af.push_back({e - r, e, p.af - 12, 1});
                src.as.push_back({c, e, 0, 0});
                src.av.push_back({c, e, p.voiced ? p.av : 0, 0});
            } else if (p.voiced) {
                src.af.push_back({c + burst, e, 0, 0});
                src.as.push_back({c, e, 0, 0});
                const bool beforeSonorant = i + 1 < s.size() && is_sonorant(*s[i + 1].ph);
                const double next = beforeSonorant ? s[i + 1].ph->av : p.av;
                // From silence before a sonorant, the voice's first glottal closure falls at
                // the stop's VOT (the end of its release); elsewhere the voice starts 10 ms
                // into a longer burst (Klatt 1973: voiced plosives' frication about 18 ms).
                const double onset = beforeSonorant && !voiceBar
                                         ? std::max(0.0, rel - open_phase(e))
                                         : std::min(burst, 10 * kMs);
                src.av.push_back({c, c + onset, voiceBar ? p.av : 0, 0});
                src.av.push_back({c + onset, e, next - 6, 0});
            } else {
                // Aspiration: noise through the cascade, and its part above the cascade's
                // formants through the parallel branch (the breath row, set after the burst).
                src.af.push_back({c + burst, e, p.as - kAspirationHigh, 0});
                src.as.push_back({c, c + burst, 0, 0});
                src.as.push_back({c + burst, e, p.as, 0});
                src.av.push_back({c, e, 0, 0});
            }
        }
    }
    return src;
}

// ---- Pitch ------------------------------------------------------------------------------------

struct F0Point {
    double t, hz;
};

// The natural contour (MITalk's rules, Allen et al. 1987, ch. 10): a base of 110 Hz, each
// primary stress a peak 40 % of the way from the base to the 190 Hz ceiling (later peaks
// lower by 15 % each, a rise after an adjacent accent 40 % less), falling after the peak, and
// the statement's end lowered by 10 Hz.
std::vector<F0Point> natural_contour(const Phrase& ph) {
    const double base = 110;
    const double ceiling = 190;
    std::vector<F0Point> pts = {{0, base}};
    const auto& s = ph.segs;
    int accents = 0;
    int lastAccentSyllable = -10;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (!is_vowel(*s[i].ph) || s[i].stress != 1) continue;
        double rise = 0.4 * (ceiling - base) * std::pow(0.85, accents);
        if (s[i].syllable - lastAccentSyllable == 1) rise *= 0.6;
        const double peakT = s[i].start + 0.35 * s[i].dur;
        pts.push_back({s[i].start, base + 0.25 * rise});
        pts.push_back({peakT, base + rise});
        pts.push_back({s[i].start + s[i].dur, base + 0.5 * rise});
        ++accents;
        lastAccentSyllable = s[i].syllable;
    }
    const double end = s.back().start + s.back().dur;
    pts.push_back({end, base - 10});
    std::sort(pts.begin(), pts.end(), [](const F0Point& x, const F0Point& y) { return x.t < y.t; });
    return pts;
}

// A given contour: points at beats (as phrase time) or at the middle of syllable n's vowel.
std::vector<F0Point> given_contour(const Phrase& ph, const Options& o, double secondsPerBeat) {
    std::vector<F0Point> pts;
    for (const auto& p : o.pitch) {
        double t = p.at * secondsPerBeat;
        if (p.perSyllable) {
            for (const Seg& g : ph.segs) {
                if (is_vowel(*g.ph) && g.syllable == static_cast<int>(p.at)) {
                    t = g.start + g.dur / 2;
                    break;
                }
            }
        }
        pts.push_back({t, p.hz});
    }
    std::stable_sort(pts.begin(), pts.end(),
                     [](const F0Point& x, const F0Point& y) { return x.t < y.t; });
    return pts;
}

double contour_at(const std::vector<F0Point>& pts, double t) {
    if (t <= pts.front().t) return pts.front().hz;
    // The first point at or after t (the points are in time order).
    const auto at = std::lower_bound(pts.begin() + 1, pts.end(), t,
                                     [](const F0Point& p, double time) { return p.t < time; });
    if (at == pts.end()) return pts.back().hz;
    const F0Point& a = *(at - 1);
    const double span = at->t - a.t;
    if (span <= 0) return at->hz;
    return a.hz + (at->hz - a.hz) * (t - a.t) / span;
}

double oct_of_hz(double hz) { return 8.75 + std::log2(hz / 440.0); }

// Pitch events every 20 ms of score time, each moving at most 15 cents per 10 ms from the one
// before, so that the orchestra's pitch glide never steps; values on the 0.001 grid the score
// prints.
void write_pitch(const std::vector<F0Point>& contour, const Clock& clock, const Emit& emit) {
    const double total = clock.total();
    const int n = std::max(1, static_cast<int>(std::round(total / kF0Step)));
    // Inverse of the clock, sampled: phrase time at score time r.
    auto phrase_time = [&](double r) {
        const std::size_t i = last_at_or_before(clock.real, r);
        if (clock.span[i] <= 0) return clock.start[i];
        return clock.start[i] + (r - clock.real[i]) / clock.span[i] * clock.dur[i];
    };
    double prev = -1;
    double now = 0;
    for (int j = 0; j < n; ++j) {
        const double t1 = j + 1 == n ? total : total * (j + 1) / n;
        double oct = oct_of_hz(contour_at(contour, phrase_time(std::min(now + 0.025, total))));
        if (prev > 0) {
            const double limit = 0.15 / 12 * (t1 - now) / 0.01;
            oct = std::clamp(oct, prev - limit, prev + limit);
        }
        oct = std::round(oct * 1000) / 1000;
        emit(call("genF0", {t1 - now, oct}));
        prev = oct;
        now = t1;
    }
}

// ---- Frication spectrum, higher formants, nasal pair --------------------------------------------

// Parallel levels and bandwidths of segment i: the row's A2..A6 and AB for obstruents (a
// velar's burst level on the formant at its peak), silence for the rest. Bandwidths: 200,
// 300, 400, 600 and Klatt's (1980) default B6 of 1000 Hz.
std::array<double, 11> parallel(const Phrase& ph, std::size_t i) {
    const Phone& p = *ph.segs[i].ph;
    if (!obstruent(p)) return {0, 200, 0, 300, 0, 400, kBreathA5, 600, kBreathA6, 1000, kBreathAB};
    double a2 = p.a2;
    double a3 = p.a3;
    if (p.place == Place::Velar) {
        a2 = p.a3;  // the burst on F2, which sits at the peak
        a3 = 0;
    }
    return {a2, 200, a3, 300, p.a4, 400, p.a5, 600, p.a6, 1000, p.ab};
}

// F4..F8, B4..B8 and their share in the cascade. F4 to F6 and their bandwidths are Klatt's
// (1980, Table I) defaults for a male voice: F4 3300 (B4 250), F5 3750 (B5 200), F6 4900
// (B6 1000); F7 and F8 and their bandwidths are the orchestra's start values. A sibilant's
// frication peak (Jongman et al. 2000) takes F6 (/s z/) or F4 (/ʃ ʒ tʃ dʒ/; F5 then moves up to
// 4500, the orchestra's start value, to stay above it); so does an alveolar stop's burst peak
// (Zue 1976, by the vowel) while its burst lasts, which carries the burst's largest parallel
// level.
std::array<double, 11> higher(double peak) {
    std::array<double, 11> f = {3300, 3750, 4900, 6500, 7500, 250, 200, 1000, 650, 750, 1};
    if (peak > 4500) {
        f[2] = peak;
    } else if (peak > 0) {
        f[0] = peak;
        f[1] = 4500;
        f[6] = 450;
    }
    return f;
}

}  // namespace

std::size_t last_at_or_before(const std::vector<double>& list, double v) {
    const auto it = std::upper_bound(list.begin(), list.end(), v);
    return it == list.begin() ? 0 : static_cast<std::size_t>(it - list.begin()) - 1;
}

std::vector<double> write_phrase(const Phrase& phrase, const Options& options, const Emit& written,
                                 double tilt) {
    // A track's event of no length but the rounding left of subtracting two times (1e-17 s) is
    // not written: it would stand in the score as an event of 0 seconds.
    const Emit emit = [&written](const Call& c) {
        const bool track = c.op.rfind("frq", 0) == 0 || c.op.rfind("gen", 0) == 0;
        if (track && !c.args.empty() && c.args[0] > 0 && c.args[0] < 1e-12) return;
        written(c);
    };
    const auto& s = phrase.segs;
    double natural = 0;
    for (const Seg& g : s) natural += g.dur;
    const double beats = options.beats > 0 ? options.beats : natural / beat;
    // Tempo: each segment steps the master tempo by its beats and takes its span from the beat
    // reached, as every beat-timed statement does.
    Clock clock;
    double r = 0;
    for (const Seg& g : s) {
        const double b = beats * g.dur / natural;
        emit(call("doGLMM", {b}));
        clock.start.push_back(g.start);
        clock.dur.push_back(g.dur);
        clock.real.push_back(r);
        clock.span.push_back(b * beat);
        r += b * beat;
    }
    emit(call("doGLVSrc", {beats}));
    emit(call("doGLAS", {beats}));
    emit(call("doGLAF", {beats}));
    const double total = clock.total();

    // Cascade formants.
    write_formant(formant_points(phrase, 0), clock, "frqF1", emit);
    write_formant(formant_points(phrase, 1), clock, "frqF2", emit);
    write_formant(formant_points(phrase, 2), clock, "frqF3", emit);
    {
        // Each segment's higher formants, in stretches: a sibilant's for the whole segment (they
        // glide in over 10 ms), an alveolar stop's burst peak only from 3 ms before its release
        // to 3 ms after its burst, so that its closure and aspiration keep the defaults.
        double now = 0;
        std::array<double, 11> last = {};
        auto stretch = [&](double until, const std::array<double, 11>& f, double glide) {
            if (until - now <= 0) return;
            const double quick = std::min(glide, (until - now) / 2);
            if (f != last && quick > 0.5 * kMs) {
                emit(call("frqF4_8", {quick, f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8],
                                      f[9], f[10]}));
                now += quick;
            }
            emit(call("frqF4_8", {until - now, f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8],
                                  f[9], f[10]}));
            now = until;
            last = f;
        };
        for (std::size_t i = 0; i < s.size(); ++i) {
            const Phone& p = *s[i].ph;
            const double end = i + 1 == s.size() ? total : clock.real[i + 1];
            const double rel = release(phrase, i);
            if (p.place == Place::Alveolar && p.cls == Class::Stop && p.peak > 0 && rel > 0) {
                const double c = s[i].start + s[i].dur - rel;
                const double burst = std::min(p.burst * kMs, rel);
                const double move = 3 * kMs;
                stretch(std::max(now, clock(c) - move), higher(0), 10 * kMs);
                stretch(std::min(end, clock(c + burst)),
                        higher(alveolar_peak(p, nearest_vowel(phrase, i))), move);
                stretch(end, higher(0), move);
            } else {
                stretch(end, higher(p.peak), 10 * kMs);
            }
        }
    }
    // Parallel branch, one event per segment. A stop or affricate keeps the breath row through
    // the first half of its closure and takes its own row in the second, silent half, so that
    // its levels are in place at the release: the frication of the sound before it dies away
    // over the first milliseconds of the closure, and under the stop's louder row it would
    // sound as a burst there.
    {
        const std::array<double, 11> breathRow = {0,         200, 0,         300,  0,        400,
                                                  kBreathA5, 600, kBreathA6, 1000, kBreathAB};
        double now = 0;
        auto row = [&](double until, const std::array<double, 11>& values) {
            if (until - now <= 0) return;
            std::vector<double> args = {until - now};
            args.insert(args.end(), values.begin(), values.end());
            emit(call("frqPara", args));
            now = until;
        };
        for (std::size_t i = 0; i < s.size(); ++i) {
            const double end = i + 1 == s.size() ? total : clock.real[i + 1];
            const Phone& p = *s[i].ph;
            const bool closes = p.cls == Class::Affricate ||
                                (p.cls == Class::Stop && std::strcmp(p.name, "DX") != 0);
            const double rel =
                p.cls == Class::Affricate ? s[i].dur * frication_share(p) : release(phrase, i);
            const double relStart = s[i].start + s[i].dur - rel;
            if (closes && rel > 0)
                row(std::min(end, clock((s[i].start + relStart) / 2)), breathRow);
            // A voiceless stop's aspiration after its burst takes the breath row.
            double until = end;
            if (p.cls == Class::Stop && !p.voiced && rel > 0)
                until =
                    std::min(end, std::max(now, clock(relStart + std::min(p.burst * kMs, rel))));
            row(until, parallel(phrase, i));
            row(end, breathRow);
        }
    }
    // Voice source.
    const double secondsPerBeat = natural / beats;
    const std::vector<F0Point> contour = options.pitch.empty()
                                             ? natural_contour(phrase)
                                             : given_contour(phrase, options, secondsPerBeat);
    const Sources src =
        source_levels(phrase, [&](double t) { return OQn / contour_at(contour, t); });
    write_levels(src.av, clock, "genAV", emit);
    write_pitch(contour, clock, emit);
    emit(call("genOQ", {total, OQn}));
    emit(call("genFL", {total, FLn}));
    emit(call("genDI", {total, DIn}));
    emit(call("genTL", {total, std::min(8000.0, tilt * TLn)}));
    emit(call("genDV", {total, DVn * kSpeechDV}));
    emit(call("genFV", {total, FVn}));
    write_levels(src.as, clock, "genAS", emit);
    write_levels(src.af, clock, "genAF", emit);
    // Nasal pole-zero pair: pointer 34 carries the nasal's antiformant (Fujimura 1962) while a
    // nasal lasts, from its oral closure to its release; the self-cancelling pointer 33
    // elsewhere. Next to a vowel or other sonorant the velum moves more slowly than the lips or
    // tongue, so that sonorant is nasalised over kNasalHandover next to the nasal: pointer 35
    // holds the pair of a nasalised vowel (Allen et al. 1987, App. C: pole 270 Hz, zero halfway
    // between F1 and 270 Hz; Klatt's 1980 bandwidths of 100 Hz), which glides in from the
    // self-cancelling pair (whose pole is also at 270 Hz) before the closure and back out after
    // the release. Rows 1 and 2 are put back afterwards.
    {
        std::array<std::array<double, 4>, 2> saved{};
        for (std::size_t row = 0; row < 2; ++row)
            for (std::size_t c = 0; c < 4; ++c) saved[row][c] = nasaltrach[row + 1][c];
        bool changed = false;
        auto set_row = [&](std::size_t row, const std::array<double, 4>& values) {
            for (std::size_t c = 0; c < 4; ++c) {
                if (nasaltrach[row][c] != values[c]) {
                    emit(call("=nasaltrach",
                              {static_cast<double>(row), static_cast<double>(c), values[c]}));
                    changed = true;
                }
            }
        };
        // An antiformant alone: the pole at the zero's frequency, three times as wide, makes a
        // notch about 10 dB deep with no resonance of its own.
        auto murmur = [&](const Phone& n) { set_row(1, {n.zero, 3 * n.zeroBw, n.zero, n.zeroBw}); };
        auto nasalised = [&](double f1) { set_row(2, {270, 100, (f1 + 270) / 2, 100}); };
        auto nasal = [&](std::size_t k) { return k < s.size() && s[k].ph->cls == Class::Nasal; };
        auto soft = [&](std::size_t k) {  // a sonorant nasalised next to a nasal
            return k < s.size() && is_sonorant(*s[k].ph) && !nasal(k);
        };
        double now = 0;
        double pending = 0;  // a stretch of pointer 33 not yet written
        auto flush = [&] {
            if (pending > 0) emit(call("genNAS", {pending, 33}));
            pending = 0;
        };
        for (std::size_t i = 0; i < s.size(); ++i) {
            const double end = i + 1 == s.size() ? total : clock.real[i + 1];
            double span = end - now;
            const Phone& p = *s[i].ph;
            if (nasal(i)) {
                flush();
                murmur(p);
                // A phrase that ends in a nasal ends with the self-cancelling pair, so that what
                // follows (the rests replay the last pointer) is not nasal.
                const double tail = i + 1 == s.size() ? std::min(0.5 * kMs, span / 4) : 0;
                // The oral closure: the antiformant comes in within 1 ms.
                const double quick = std::min(1 * kMs, span / 4);
                emit(call("genNAS", {quick, 34}));
                emit(call("genNAS", {span - quick - tail, 34}));
                if (tail > 0) emit(call("genNAS", {tail, 33}));
            } else {
                if (i > 0 && nasal(i - 1)) {
                    const double quick = std::min(1 * kMs, span / 4);
                    if (soft(i)) {
                        // The oral release: the antiformant goes within 1 ms, the vowel's
                        // nasalisation over kNasalHandover.
                        const double fade = std::min(kNasalHandover, span / 3);
                        nasalised(onset(phrase, i)[0]);
                        emit(call("genNAS", {quick, 35}));
                        emit(call("genNAS", {fade, 33}));
                        span -= quick + fade;
                    } else {
                        emit(call("genNAS", {quick, 33}));
                        span -= quick;
                    }
                }
                if (nasal(i + 1) && soft(i)) {
                    const double fade = std::min(kNasalHandover, span / 3);
                    pending += span - fade;
                    flush();
                    nasalised(offset(phrase, i)[0]);
                    emit(call("genNAS", {fade, 35}));
                } else {
                    pending += span;
                }
            }
            now = end;
        }
        flush();
        if (changed) {
            for (std::size_t row = 0; row < 2; ++row) {
                for (std::size_t c = 0; c < 4; ++c) {
                    if (nasaltrach[row + 1][c] != saved[row][c])
                        emit(call("=nasaltrach", {static_cast<double>(row + 1),
                                                  static_cast<double>(c), saved[row][c]}));
                }
            }
        }
    }
    emit(call("restTrc", {total}));
    emit(call("restDf1", {total}));
    return clock.span;
}

}  // namespace words
