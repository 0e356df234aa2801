// Remembered values of the filter tracks, the adjustment row index and the filter-bank
// settings that only client programs and the orchestra use.
#include "speechscore.h"

// Last cascade values: F1..F8, B1..B8, field 16 of the F4_8 event.
double ocasc[17] = {500, 1500, 2500, 3500, 4500, 5500, 6500, 7500,  // F1..F8
                    101, 101,  150,  350,  450,  550,  650,  750,   // B1..B8
                    1};                                             // field 16
// Last parallel values: A2, BP2, A3, BP3, A4, BP4, A5, BP5, A6, BP6, AB.
double opara[11] = {0, 101, 0, 150, 0, 350, 0, 450, 0, 550, 0};
int onaspt = 33;  // last nasal pointer written
int otrcpt = 37;  // last tracheal pointer written
int oDf1pt = 0;   // last delta-F1 symbol written

int frmadjpt = 0;  // adjustment row of frmadj added to the cascade values

// Settings for client programs; no operation of the library reads or writes them.
double npfact = 1.0, nzfact = 1.0, tpfact = 1.0, tzfact = 1.0;
double lpf = 8000.0;
double cz1i = 3500.0, cz2i = 0.0, cz3i = 0.0;
double cf1i = 7500.0, cf2i = 7500.0, cf3i = 7500.0, cf4i = 7500.0, cf5i = 0.0, cf6i = 0.0;
double cb1i = 1780.0, cb2i = 1780.0, cb3i = 1780.0, cb4i = 1780.0, cb5i = 1780.0, cb6i = 1780.0;
double portht = 0.008;
double disptime = 0.5;
double oab = 0.0;
int clrtn = 0;
int clrim = 0;
