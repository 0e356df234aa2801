// Voice-source tracks, instruments 20-27: generators and glides of AV, F0, OQ, FL, DI, TL, DV,
// FV, and the track machine they share with the noise tracks. The glide state and remembered
// values live in track_state.cpp.
#include <cmath>

#include "../score/output.h"
#include "speechscore.h"
#include "track.h"

namespace {

using tracks::Track;

const int kGlideEcho = 12;  // p-fields echoed when a glide start is reported, on every track

// A span or step that is not a number, or that would carry its line beyond what a double holds,
// counts as 0.
double counted(double line, double amount) {
    return std::isfinite(amount) && std::isfinite(line + amount) ? amount : 0.0;
}

double neutral(const Track& t) { return t.factor ? 1.0 : 0.0; }

// Ends a glide with the adjustment exactly on its target.
void finish_glide(const Track& t) {
    *t.adj = *t.target;
    *t.slope = 0;
}

// Range checks on the client's value, before offset or factor.
bool bad_pitch(double f0) { return f0 <= 0 || f0 >= 12; }    // both bounds excluded
bool bad_quotient(double oq) { return oq <= 0 || oq >= 1; }  // both bounds excluded
bool bad_tilt(double tl) { return tl < 0 || tl > 8000; }     // both bounds included

// clang-format off
// instr, slot, p-fields, echo count, factor glide, adjustment, glide target, limit and slope,
// remembered value and switch, range error code and check (the code also serves non-numbers)
//                 in  sl  n  ec  factor adjust    target    limit     slope     last  switch  err  range
const Track kAV = {20, 12, 5, 12, false, &incAV,   &newGLAV, &limGLAV, &spbGLAV, &oav, &oavswt,  2, tracks::too_loud};
const Track kF0 = {21, 13, 4, 12, false, &incF0,   &newGLF0, &limGLF0, &spbGLF0, &of0, nullptr,  4, bad_pitch};
const Track kOQ = {22, 14, 4, 12, true,  &facGLOQ, &newGLOQ, &limGLOQ, &spbGLOQ, &ooq, nullptr,  5, bad_quotient};
const Track kFL = {23, 15, 4, 12, true,  &facGLFL, &newGLFL, &limGLFL, &spbGLFL, &ofl, nullptr,  0, nullptr};
const Track kDI = {24, 16, 4, 12, true,  &facGLDI, &newGLDI, &limGLDI, &spbGLDI, &odi, nullptr,  0, nullptr};
const Track kTL = {25, 17, 4, 12, true,  &facGLTL, &newGLTL, &limGLTL, &spbGLTL, &otl, nullptr, 13, bad_tilt};
const Track kDV = {26, 18, 4, 12, true,  &facGLDV, &newGLDV, &limGLDV, &spbGLDV, &odv, nullptr,  0, nullptr};
const Track kFV = {27, 19, 4, 12, true,  &facGLFV, &newGLFV, &limGLFV, &spbGLFV, &ofv, nullptr,  0, nullptr};
// clang-format on

}  // namespace

namespace tracks {

bool too_loud(double value) { return value > 100; }  // 100 itself is accepted

// Fills p1..p5, moves the time line, stores the remembered value, then checks span and value
// in that order; a rejected event keeps its time line moved and its remembered value stored.
void gen_track(const Track& t, double span, double value, double sw) {
    const double adjusted = t.factor ? value * *t.adj : value + *t.adj;
    // A value that is not a number (before or after its adjustment) is rejected, echoed as 0
    // and never remembered; the same goes for the switch.
    const bool valueOk = std::isfinite(value) && std::isfinite(adjusted);
    const bool switchOk = t.lastSwitch == nullptr || std::isfinite(sw);
    const double s = counted(timepoints[t.slot], span);

    pfields[0] = t.instr;
    pfields[1] = timepoints[t.slot];
    timepoints[t.slot] = timepoints[t.slot] + s;
    pfields[2] = s;
    pfields[3] = valueOk ? adjusted : 0.0;
    if (valueOk) *t.last = t.factor ? value : adjusted;
    if (t.lastSwitch != nullptr) pfields[4] = switchOk ? sw : 0.0;

    if (s <= 0) {
        err(3, t.echoCount);
        return;
    }
    if (!valueOk || !switchOk || (t.outOfRange != nullptr && t.outOfRange(value))) {
        err(t.errCode, t.echoCount);
        return;
    }
    wr('i', t.fieldCount);
    if (t.lastSwitch != nullptr) *t.lastSwitch = sw;  // only once the event is written
}

// Arms the glide even after a span of 0 or less has been reported: its limit is then at or
// before the beat position, so the next advance puts the adjustment on the target.
void start_glide(const Track& t, double spanBeats, double target) {
    const double span = counted(beatpoints[t.slot], spanBeats);
    if (span <= 0) err(3, kGlideEcho);
    const double change = target - *t.adj;
    if (!std::isfinite(change)) {  // no target to glide to: the running glide stays as it was
        err(0, kGlideEcho);
        return;
    }
    // Over no beats the whole change is one step; a span too short to divide by likewise.
    double slope = span != 0 ? change / span : change;
    if (!std::isfinite(slope)) slope = change;
    *t.target = target;
    *t.limit = beatpoints[t.slot] + span;
    *t.slope = slope;
}

// The step that reaches or passes the limit sets the target exactly; no partial step. A step
// that is not a number is reported (error 3) and counts as 0.
void advance_glide(const Track& t, double step) {
    output::check_finite(step, 3, kGlideEcho);
    const double s = counted(beatpoints[t.slot], step);
    beatpoints[t.slot] = beatpoints[t.slot] + s;
    if (*t.slope == 0) return;
    if (beatpoints[t.slot] >= *t.limit) {
        finish_glide(t);
        return;
    }
    const double next = *t.adj + *t.slope * s;
    if (!std::isfinite(next)) {  // past what a double holds: the glide can only end here
        finish_glide(t);
        return;
    }
    *t.adj = next;
}

// Also discards an offset set directly with a setter.
void cancel_glide(const Track& t) {
    *t.slope = 0;
    *t.adj = neutral(t);
    *t.limit = beatpoints[t.slot];
    *t.target = neutral(t);
}

}  // namespace tracks

// Writes one AV event (instr 20) with its switch; moves the AV time line even when rejected.
void genAV(double span, double av, double avswt) { tracks::gen_track(kAV, span, av, avswt); }
// Writes one F0 event (instr 21); moves the F0 time line even when rejected.
void genF0(double span, double f0) { tracks::gen_track(kF0, span, f0, 0); }
// Writes one OQ event (instr 22); moves the OQ time line even when rejected.
void genOQ(double span, double oq) { tracks::gen_track(kOQ, span, oq, 0); }
// Writes one FL event (instr 23); moves the FL time line even when rejected.
void genFL(double span, double fl) { tracks::gen_track(kFL, span, fl, 0); }
// Writes one DI event (instr 24); moves the DI time line even when rejected.
void genDI(double span, double di) { tracks::gen_track(kDI, span, di, 0); }
// Writes one TL event (instr 25); moves the TL time line even when rejected.
void genTL(double span, double tl) { tracks::gen_track(kTL, span, tl, 0); }
// Writes one DV event (instr 26); moves the DV time line even when rejected.
void genDV(double span, double dv) { tracks::gen_track(kDV, span, dv, 0); }
// Writes one FV event (instr 27); moves the FV time line even when rejected.
void genFV(double span, double fv) { tracks::gen_track(kFV, span, fv, 0); }

// Starts a glide of incAV towards target.
void glAV(double spanBeats, double target) { tracks::start_glide(kAV, spanBeats, target); }
// Starts a glide of incF0 towards target.
void glF0(double spanBeats, double target) { tracks::start_glide(kF0, spanBeats, target); }
// Starts a glide of facGLOQ towards target.
void glOQ(double spanBeats, double target) { tracks::start_glide(kOQ, spanBeats, target); }
// Starts a glide of facGLFL towards target.
void glFL(double spanBeats, double target) { tracks::start_glide(kFL, spanBeats, target); }
// Starts a glide of facGLDI towards target.
void glDI(double spanBeats, double target) { tracks::start_glide(kDI, spanBeats, target); }
// Starts a glide of facGLTL towards target.
void glTL(double spanBeats, double target) { tracks::start_glide(kTL, spanBeats, target); }
// Starts a glide of facGLDV towards target.
void glDV(double spanBeats, double target) { tracks::start_glide(kDV, spanBeats, target); }
// Starts a glide of facGLFV towards target.
void glFV(double spanBeats, double target) { tracks::start_glide(kFV, spanBeats, target); }

// Moves beatpoints[12] and incAV along its glide.
void doGLAV(double step) { tracks::advance_glide(kAV, step); }
// Moves beatpoints[13] and incF0 along its glide.
void doGLF0(double step) { tracks::advance_glide(kF0, step); }
// Moves beatpoints[14] and facGLOQ along its glide.
void doGLOQ(double step) { tracks::advance_glide(kOQ, step); }
// Moves beatpoints[15] and facGLFL along its glide.
void doGLFL(double step) { tracks::advance_glide(kFL, step); }
// Moves beatpoints[16] and facGLDI along its glide.
void doGLDI(double step) { tracks::advance_glide(kDI, step); }
// Moves beatpoints[17] and facGLTL along its glide.
void doGLTL(double step) { tracks::advance_glide(kTL, step); }
// Moves beatpoints[18] and facGLDV along its glide.
void doGLDV(double step) { tracks::advance_glide(kDV, step); }
// Moves beatpoints[19] and facGLFV along its glide.
void doGLFV(double step) { tracks::advance_glide(kFV, step); }

// Cancels the AV glide; incAV becomes 0.
void nrmGLAV() { tracks::cancel_glide(kAV); }
// Cancels the F0 glide; incF0 becomes 0.
void nrmGLF0() { tracks::cancel_glide(kF0); }
// Cancels the OQ glide; facGLOQ becomes 1.
void nrmGLOQ() { tracks::cancel_glide(kOQ); }
// Cancels the FL glide; facGLFL becomes 1.
void nrmGLFL() { tracks::cancel_glide(kFL); }
// Cancels the DI glide; facGLDI becomes 1.
void nrmGLDI() { tracks::cancel_glide(kDI); }
// Cancels the TL glide; facGLTL becomes 1.
void nrmGLTL() { tracks::cancel_glide(kTL); }
// Cancels the DV glide; facGLDV becomes 1.
void nrmGLDV() { tracks::cancel_glide(kDV); }
// Cancels the FV glide; facGLFV becomes 1.
void nrmGLFV() { tracks::cancel_glide(kFV); }
