// Noise tracks, aspiration (instr 15) and frication (instr 16): generators, offset glides and
// the short forms aS, xS, aF, xF. Glide state and remembered values live in track_state.cpp.
#include "speechscore.h"
#include "track.h"

namespace {

using tracks::Track;

// clang-format off
// instr, slot, p-fields, echo count, factor glide, adjustment, glide target, limit and slope,
// remembered value and switch, range error code and check (the code also serves non-numbers)
//                 in  sl  n  ec  factor adjust    target    limit     slope     last  switch  err  range
const Track kAS = {15,  7, 5,  5, false, &incAS,   &newGLAS, &limGLAS, &spbGLAS, &oas, &oasswt,  2, tracks::too_loud};
const Track kAF = {16,  8, 5,  5, false, &incAF,   &newGLAF, &limGLAF, &spbGLAF, &oaf, &oafswt,  2, tracks::too_loud};
// clang-format on

}  // namespace

// Writes one AS event (instr 15) with its switch; moves the AS time line even when rejected.
void genAS(double span, double amp, double asswt) { tracks::gen_track(kAS, span, amp, asswt); }
// Writes one AF event (instr 16) with its switch; moves the AF time line even when rejected.
void genAF(double span, double amp, double afswt) { tracks::gen_track(kAF, span, amp, afswt); }

// Starts a glide of incAS towards target.
void glAS(double spanBeats, double target) { tracks::start_glide(kAS, spanBeats, target); }
// Starts a glide of incAF towards target.
void glAF(double spanBeats, double target) { tracks::start_glide(kAF, spanBeats, target); }

// Moves beatpoints[7] and incAS along its glide.
void doGLAS(double step) { tracks::advance_glide(kAS, step); }
// Moves beatpoints[8] and incAF along its glide.
void doGLAF(double step) { tracks::advance_glide(kAF, step); }

// Cancels the AS glide; incAS becomes 0.
void nrmGLAS() { tracks::cancel_glide(kAS); }
// Cancels the AF glide; incAF becomes 0.
void nrmGLAF() { tracks::cancel_glide(kAF); }

// Writes an AS event with switch 0.
void aS(double span, double amp) { genAS(span, amp, 0); }
// Writes an AS event with switch 1.
void xS(double span, double amp) { genAS(span, amp, 1); }
// Writes an AF event with switch 0.
void aF(double span, double amp) { genAF(span, amp, 0); }
// Writes an AF event with switch 1.
void xF(double span, double amp) { genAF(span, amp, 1); }
