// Glide state and remembered values of the ten glide-driven tracks: voice source AV..FV
// (instruments 20..27), aspiration AS (15) and frication AF (16).
#include "speechscore.h"

// Offset glides: AV and F0 move incAV and incF0; AS and AF move incAS and incAF.
double newGLAV = 0.0, limGLAV = 0.0, spbGLAV = 0.0;
double newGLF0 = 0.0, limGLF0 = 0.0, spbGLF0 = 0.0;
double newGLAS = 0.0, limGLAS = 0.0, spbGLAS = 0.0;
double newGLAF = 0.0, limGLAF = 0.0, spbGLAF = 0.0;

// Factor glides: facGLXX multiplies the client's value; newGL target, limGL end (beats),
// spbGL change per beat (0 = no glide).
double facGLOQ = 1.0, newGLOQ = 1.0, limGLOQ = 0.0, spbGLOQ = 0.0;
double facGLFL = 1.0, newGLFL = 1.0, limGLFL = 0.0, spbGLFL = 0.0;
double facGLDI = 1.0, newGLDI = 1.0, limGLDI = 0.0, spbGLDI = 0.0;
double facGLTL = 1.0, newGLTL = 1.0, limGLTL = 0.0, spbGLTL = 0.0;
double facGLDV = 1.0, newGLDV = 1.0, limGLDV = 0.0, spbGLDV = 0.0;
double facGLFV = 1.0, newGLFV = 1.0, limGLFV = 0.0, spbGLFV = 0.0;

// Last values given to the generators, replayed by the rests. oav, of0, oas and oaf include
// the offset; ooq..ofv are the client's values before the factor. Switches change only when
// an event is written.
double oav = 0.0, oavswt = 0.0;
double of0 = 6.0;
double ooq = 0.5, ofl = 0.0, odi = 0.0, otl = 8000.0, odv = 0.008, ofv = 1.0;
double oas = 0.0, oasswt = 0.0;
double oaf = 0.0, oafswt = 0.0;
