// Parallel branch paraflt (instrument 10) and the pole-zero tracks NasPZ, TralPZ and DltaF1
// (17..19): events from a color, from given values or from a pointer into the small tables.
// Writes opara, onaspt, otrcpt and oDf1pt.
#include <algorithm>

#include "filter.h"
#include "speechscore.h"

namespace {

const int kColors = 48;  // color symbols 0..47
const int kParallelCount = 11;

const int kParaflt = 10;
const int kDeltaF1 = 19;

// Pointers answer to rows of nasaltrach: row = pointer - kFirstPointer.
const int kFirstPointer = 33;

// A pole-zero track: its instrument, the pointers it accepts, the report of any other pointer
// and where the last pointer written is remembered.
struct PoleZero {
    int instr;
    int first;
    int last;
    int errCode;
    int* memory;
};
// A nasal pointer may take any row; one without a row has no message of its own and gets the
// catch-all report (code 7).
const PoleZero kNasal = {17, 33, 38, 7, &onaspt};
const PoleZero kTracheal = {18, 37, 38, 8, &otrcpt};

// Puts the eleven parallel values into p4..p14 and writes the paraflt event; remembers them
// in opara. The caller has filled p1..p3 and passed the span check.
void write_parallel(const double (&values)[kParallelCount]) {
    if (!filters::put_fields(3, values, kParallelCount)) {
        err(0, 14);
        return;
    }
    std::copy(values, values + kParallelCount, opara);
    wrfilt('i', 14);
}

// Writes one pole-zero event from the nasaltrach row of pointer and remembers the pointer;
// moves the track's time line even when rejected.
void write_pole_zero(const PoleZero& track, double span, int pointer) {
    if (!filters::open_event(track.instr, span, 7)) return;
    if (pointer < track.first || pointer > track.last) {
        err(track.errCode, 7);
        return;
    }
    if (!filters::put_fields(3, nasaltrach[pointer - kFirstPointer], 4)) {
        err(0, 7);  // a row that holds a non-number: nothing is written or remembered
        return;
    }
    wrfilt('i', 7);
    *track.memory = pointer;
}

}  // namespace

// Writes one paraflt event (instr 10) from the color's parallel row, without the TTO map;
// moves the paraflt time line even when rejected.
void Para(double span, int color) {
    if (!filters::open_event(kParaflt, span, 14)) return;
    if (color < 0 || color >= kColors) {
        err(6, 14);
        return;
    }
    write_parallel(parallel[color]);
}

// Writes one paraflt event (instr 10) with the given values; moves the paraflt time line even
// when rejected.
void frqPara(double span, double a2, double bp2, double a3, double bp3, double a4, double bp4,
             double a5, double bp5, double a6, double bp6, double ab) {
    if (!filters::open_event(kParaflt, span, 14)) return;
    const double values[kParallelCount] = {a2, bp2, a3, bp3, a4, bp4, a5, bp5, a6, bp6, ab};
    write_parallel(values);
}

// Writes one NasPZ event (instr 17) from the row of nasalPtr (33..38).
void genNAS(double span, int nasalPtr) { write_pole_zero(kNasal, span, nasalPtr); }

// Writes one TralPZ event (instr 18) from the row of trachPtr (37 or 38).
void genTRC(double span, int trachPtr) { write_pole_zero(kTracheal, span, trachPtr); }

// Writes one DltaF1 event (instr 19) from the row of df1Sym; symbols 2 and 3 have no row and
// write zeros. Moves its time line even when rejected.
void genDF1(double span, int df1Sym) {
    const double used = filters::begin_event(kDeltaF1, span);
    // The lookup comes before the checks, so a span error echoes the row.
    bool finite = true;
    if (df1Sym == 0 || df1Sym == 1) {
        finite = filters::put_fields(3, deltaf1[df1Sym], 2);
    } else if (df1Sym == 2 || df1Sym == 3) {
        pfields[3] = 0.0;
        pfields[4] = 0.0;
    }
    if (used <= 0) {
        err(3, 5);
        return;
    }
    if (df1Sym < 0 || df1Sym > 3) {
        err(9, 5);
        return;
    }
    if (!finite) {  // a row that holds a non-number: nothing is written or remembered
        err(0, 5);
        return;
    }
    wrfilt('i', 5);
    oDf1pt = df1Sym;
}
