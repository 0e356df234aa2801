// Cascade formant tracks F1, F2, F3 (instruments 11..13) and F4_8 (14): events from given
// values or from a color's formants row, through the TTO map of the ring colors and the
// adjustment row in force. Writes ocasc; reads TTO and frmadjpt.
#include "filter.h"
#include "speechscore.h"

namespace {

const int kColors = 48;         // color symbols 0..47
const int kRingColors = 12;     // colors 0..11 pass through the TTO map
const int kTtoOperations = 48;  // TTO operations 0..47
const int kAdjustRows = 3;      // rows of frmadj

// clang-format off

// TTO map: row = operation n + 12g, column = ring color x, entry = the color x becomes.
const int ttotab[48][12] = {
//    0   1   2   3   4   5   6   7   8   9  10  11
    // 0..11: transposition by n: (n + x) mod 12
    { 0,  1,  2,  3,  4,  5,  6,  7,  8,  9, 10, 11},  // 0
    { 1,  2,  3,  4,  5,  6,  7,  8,  9, 10, 11,  0},  // 1
    { 2,  3,  4,  5,  6,  7,  8,  9, 10, 11,  0,  1},  // 2
    { 3,  4,  5,  6,  7,  8,  9, 10, 11,  0,  1,  2},  // 3
    { 4,  5,  6,  7,  8,  9, 10, 11,  0,  1,  2,  3},  // 4
    { 5,  6,  7,  8,  9, 10, 11,  0,  1,  2,  3,  4},  // 5
    { 6,  7,  8,  9, 10, 11,  0,  1,  2,  3,  4,  5},  // 6
    { 7,  8,  9, 10, 11,  0,  1,  2,  3,  4,  5,  6},  // 7
    { 8,  9, 10, 11,  0,  1,  2,  3,  4,  5,  6,  7},  // 8
    { 9, 10, 11,  0,  1,  2,  3,  4,  5,  6,  7,  8},  // 9
    {10, 11,  0,  1,  2,  3,  4,  5,  6,  7,  8,  9},  // 10
    {11,  0,  1,  2,  3,  4,  5,  6,  7,  8,  9, 10},  // 11

    // 12..23: inversion, then transposition by n: (n - x) mod 12
    { 0, 11, 10,  9,  8,  7,  6,  5,  4,  3,  2,  1},  // 12
    { 1,  0, 11, 10,  9,  8,  7,  6,  5,  4,  3,  2},  // 13
    { 2,  1,  0, 11, 10,  9,  8,  7,  6,  5,  4,  3},  // 14
    { 3,  2,  1,  0, 11, 10,  9,  8,  7,  6,  5,  4},  // 15
    { 4,  3,  2,  1,  0, 11, 10,  9,  8,  7,  6,  5},  // 16
    { 5,  4,  3,  2,  1,  0, 11, 10,  9,  8,  7,  6},  // 17
    { 6,  5,  4,  3,  2,  1,  0, 11, 10,  9,  8,  7},  // 18
    { 7,  6,  5,  4,  3,  2,  1,  0, 11, 10,  9,  8},  // 19
    { 8,  7,  6,  5,  4,  3,  2,  1,  0, 11, 10,  9},  // 20
    { 9,  8,  7,  6,  5,  4,  3,  2,  1,  0, 11, 10},  // 21
    {10,  9,  8,  7,  6,  5,  4,  3,  2,  1,  0, 11},  // 22
    {11, 10,  9,  8,  7,  6,  5,  4,  3,  2,  1,  0},  // 23

    // 24..35: multiplication by 5, then transposition by n: (n + 5x) mod 12
    { 0,  5, 10,  3,  8,  1,  6, 11,  4,  9,  2,  7},  // 24
    { 1,  6, 11,  4,  9,  2,  7,  0,  5, 10,  3,  8},  // 25
    { 2,  7,  0,  5, 10,  3,  8,  1,  6, 11,  4,  9},  // 26
    { 3,  8,  1,  6, 11,  4,  9,  2,  7,  0,  5, 10},  // 27
    { 4,  9,  2,  7,  0,  5, 10,  3,  8,  1,  6, 11},  // 28
    { 5, 10,  3,  8,  1,  6, 11,  4,  9,  2,  7,  0},  // 29
    { 6, 11,  4,  9,  2,  7,  0,  5, 10,  3,  8,  1},  // 30
    { 7,  0,  5, 10,  3,  8,  1,  6, 11,  4,  9,  2},  // 31
    { 8,  1,  6, 11,  4,  9,  2,  7,  0,  5, 10,  3},  // 32
    { 9,  2,  7,  0,  5, 10,  3,  8,  1,  6, 11,  4},  // 33
    {10,  3,  8,  1,  6, 11,  4,  9,  2,  7,  0,  5},  // 34
    {11,  4,  9,  2,  7,  0,  5, 10,  3,  8,  1,  6},  // 35

    // 36..47: multiplication by 7, then transposition by n: (n + 7x) mod 12
    { 0,  7,  2,  9,  4, 11,  6,  1,  8,  3, 10,  5},  // 36
    { 1,  8,  3, 10,  5,  0,  7,  2,  9,  4, 11,  6},  // 37
    { 2,  9,  4, 11,  6,  1,  8,  3, 10,  5,  0,  7},  // 38
    { 3, 10,  5,  0,  7,  2,  9,  4, 11,  6,  1,  8},  // 39
    { 4, 11,  6,  1,  8,  3, 10,  5,  0,  7,  2,  9},  // 40
    { 5,  0,  7,  2,  9,  4, 11,  6,  1,  8,  3, 10},  // 41
    { 6,  1,  8,  3, 10,  5,  0,  7,  2,  9,  4, 11},  // 42
    { 7,  2,  9,  4, 11,  6,  1,  8,  3, 10,  5,  0},  // 43
    { 8,  3, 10,  5,  0,  7,  2,  9,  4, 11,  6,  1},  // 44
    { 9,  4, 11,  6,  1,  8,  3, 10,  5,  0,  7,  2},  // 45
    {10,  5,  0,  7,  2,  9,  4, 11,  6,  1,  8,  3},  // 46
    {11,  6,  1,  8,  3, 10,  5,  0,  7,  2,  9,  4},  // 47
};

// clang-format on

// One single-formant track: F1, F2 or F3.
struct Formant {
    int instr;  // 11, 12 or 13
    int k;      // formant number: formants column k - 1 is its frequency, k + 7 its bandwidth
};
const Formant kF1 = {11, 1};
const Formant kF2 = {12, 2};
const Formant kF3 = {13, 3};

const int kUpperInstr = 14;  // F4_8
const int kUpperCount = 11;  // F4..F8, B4..B8, field 16

bool valid_color(int color) { return color >= 0 && color < kColors; }

// Adjustment row in force; frmadjpt is exported, and an index outside frmadj means none.
const double* adjustment() {
    return frmadjpt >= 0 && frmadjpt < kAdjustRows ? frmadj[frmadjpt] : frmadj[0];
}

// Table row of a color that passed its range check: ring colors through the TTO map in
// force. -1 when the TTO operation is bad; clrTTO has reported it.
int cascade_row(int color) { return color < kRingColors ? clrTTO(TTO, color) : color; }

// Writes one F1, F2 or F3 event and remembers its frequency and bandwidth in ocasc.
void write_formant(const Formant& f, double span, double freq, double bw) {
    if (!filters::open_event(f.instr, span, 5)) return;
    const double values[2] = {freq, bw};
    if (!filters::put_fields(3, values, 2)) {
        err(0, 5);
        return;
    }
    ocasc[f.k - 1] = freq;
    ocasc[f.k + 7] = bw;
    wrfilt('i', 5);
}

// Writes one F1, F2 or F3 event from a color's row, adjusted, scaled and shifted.
void color_formant(const Formant& f, double span, int color, double bwScale, double fShift) {
    // Checked before anything else: a bad color moves no time line.
    if (!valid_color(color)) {
        err(6, 5);
        return;
    }
    const int row = cascade_row(color);
    if (row < 0) {
        // Nothing to write, but the track stays in step with the other cascade tracks.
        filters::advance(f.instr - 8, span);
        return;
    }
    const double* adj = adjustment();
    const double freq = formants[row][f.k - 1] + adj[f.k - 1] + fShift;
    // The adjustment is added before the scaling; the shift is not scaled.
    const double bw = (formants[row][f.k + 7] + adj[f.k + 7]) * bwScale;
    write_formant(f, span, freq, bw);
}

// Puts F4..F8, B4..B8 and field 16 into p4..p14 and writes the F4_8 event; remembers them
// in ocasc. The caller has filled p1..p3 and passed the span check.
void write_upper(const double (&values)[kUpperCount]) {
    if (!filters::put_fields(3, values, kUpperCount)) {
        err(0, 14);
        return;
    }
    for (int j = 0; j < 5; ++j) {
        ocasc[3 + j] = values[j];
        ocasc[11 + j] = values[5 + j];
    }
    ocasc[16] = values[10];
    wrf4_8('i', 14);
}

}  // namespace

// Writes one F1 event (instr 11); moves the F1 time line even when rejected.
void frqF1(double span, double freq, double bw) { write_formant(kF1, span, freq, bw); }

// Writes one F2 event (instr 12); moves the F2 time line even when rejected.
void frqF2(double span, double freq, double bw) { write_formant(kF2, span, freq, bw); }

// Writes one F3 event (instr 13); moves the F3 time line even when rejected.
void frqF3(double span, double freq, double bw) { write_formant(kF3, span, freq, bw); }

// Writes one F4_8 event (instr 14) with the given values; moves its time line even when
// rejected.
void frqF4_8(double span, double f4, double f5, double f6, double f7, double f8, double b4,
             double b5, double b6, double b7, double b8, double field16) {
    if (!filters::open_event(kUpperInstr, span, 14)) return;
    const double values[kUpperCount] = {f4, f5, f6, f7, f8, b4, b5, b6, b7, b8, field16};
    write_upper(values);
}

// Writes one F1 event (instr 11) from the color's F1 and B1.
void clrF1(double span, int color, double bwScale, double fShift) {
    color_formant(kF1, span, color, bwScale, fShift);
}

// Writes one F2 event (instr 12) from the color's F2 and B2.
void clrF2(double span, int color, double bwScale, double fShift) {
    color_formant(kF2, span, color, bwScale, fShift);
}

// Writes one F3 event (instr 13) from the color's F3 and B3.
void clrF3(double span, int color, double bwScale, double fShift) {
    color_formant(kF3, span, color, bwScale, fShift);
}

// Writes one F4_8 event (instr 14) from the color's F4..F8 and scaled B4..B8; moves its time
// line even when rejected.
void clrF4_8(double span, int color, double bwScale) {
    if (!filters::open_event(kUpperInstr, span, 14)) return;
    if (!valid_color(color)) {
        err(6, 14);
        return;
    }
    const int row = cascade_row(color);
    if (row < 0) return;  // bad TTO operation, reported; nothing more is written
    const double* adj = adjustment();
    double values[kUpperCount];
    for (int j = 3; j <= 7; ++j) values[j - 3] = formants[row][j] + adj[j];
    for (int j = 11; j <= 15; ++j) values[j - 6] = (formants[row][j] + adj[j]) * bwScale;
    values[10] = formants[row][16];  // neither adjusted nor scaled
    write_upper(values);
}

// Writes the four cascade events (instr 11..14) of one color, in track order.
void Casc(double span, int color) {
    clrF1(span, color, 1.0, 0.0);
    clrF2(span, color, 1.0, 0.0);
    clrF3(span, color, 1.0, 0.0);
    clrF4_8(span, color, 1.0);
}

// Returns the table row of color under TTO operation op, or -1 after reporting a bad
// operation (error 15) or a bad color (error 6). Colors 12..47 come back unchanged.
int clrTTO(int op, int color) {
    if (op < 0 || op >= kTtoOperations) {
        err(15, 1);
        return -1;
    }
    if (!valid_color(color)) {
        err(6, 1);
        return -1;
    }
    return color < kRingColors ? ttotab[op][color] : color;
}

// Sets TTO; the operation is checked when a ring color is looked up.
void setTTO(int op) { TTO = op; }

// Selects adjustment row 0 (no adjustment) for the cascade lookups.
void norm() { frmadjpt = 0; }

// Selects adjustment row 1 (upper formants lowered, their bandwidths narrowed).
void sing() { frmadjpt = 1; }
