// Shared state common to the library and the client: time lines, spans, offsets,
// voice-quality values, start-up defaults, phase spans and levels.
#include "speechscore.h"

// Time lines and beat positions, one slot per instrument (slot = instrument - 8; slot 20 is
// the duration of the end event).
double timepoints[21] = {};  // start in seconds of each track's next event
double beatpoints[21] = {};  // beats stepped by each glide-driven track
double tsec = 0.0;           // span in seconds of the statement being built

// Offsets added to the client's AV, F0, AS and AF values; moved by the offset glides.
double incAV = 0.0;
double incF0 = 0.0;
double incAS = 0.0;
double incAF = 0.0;

// Voice-quality values that aV, xV and qV hand to the OQ..FV tracks.
double OQn = 0.5;
double FLn = 0.002;
double DIn = 0.0;
double TLn = 1000.0;
double DVn = 0.008;
double FVn = 1.0;

// Start-up defaults, copied by start1 and normVOIC.
double AVnSav = 0.0;
double F0nSav = 0.0;
double ASnSav = 0.0;
double AFnSav = 0.0;
double OQnSav = 0.5;
double FLnSav = 0.002;
double DInSav = 0.0;
double TLnSav = 1000.0;
double DVnSav = 0.008;
double FVnSav = 1.0;

// Phase spans (seconds) and levels left by the duration drivers and segment builders.
double D1 = 0.0, D2 = 0.0, D3 = 0.0, D4 = 0.0, D5 = 0.0, D6 = 0.0, D7 = 0.0;
double DA = 0.0, DB = 0.0, DC = 0.0, DD = 0.0, DE = 0.0, DF = 0.0, DG = 0.0, DH = 0.0;
double DS = 0.0;
double L1 = 0.0, L2 = 0.0, L3 = 0.0, L4 = 0.0;
int P1 = 0, P2 = 0, P3 = 0, P4 = 0;  // for client programs; the library leaves them alone

// Amplitudes a rest writes on the AV, AS and AF tracks.
double zav = 0.0;
double zas = 0.0;
double zaf = 0.0;
