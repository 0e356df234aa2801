// Start-up: orchestra settings, initial cascade settings and the function-table header.
// Owns the nine orchestra settings and the f1i..f8i, b1i..b8i values.
#include <algorithm>
#include <cmath>
#include <iterator>

#include "output.h"
#include "speechscore.h"

// Orchestra settings, sent by fine in the global-settings event (instrument 1).
double outswt = 0.0;   // output switch, 0..12
double cascfac = 1.0;  // cascade branch factor
double avfact = 1.0;   // voicing amplitude factor
double asfact = 1.0;   // aspiration amplitude factor
double affact = 1.0;   // frication amplitude factor
double parafac = 1.0;  // parallel branch factor
double srcsw = 0.0;    // source switch, 0..5
double fss = 1.0;      // sent as p11
double ass = 1.0;      // sent as p12

// Initial cascade formants and bandwidths, recorded by startf and startb.
double f1i = 500.0, f2i = 1500.0, f3i = 2500.0, f4i = 3500.0;
double f5i = 4500.0, f6i = 5500.0, f7i = 6500.0, f8i = 7500.0;
double b1i = 100.0, b2i = 150.0, b3i = 250.0, b4i = 350.0;
double b5i = 450.0, b6i = 550.0, b7i = 650.0, b8i = 750.0;

namespace {

// Stores a setting; a value that is not a finite number is reported with code and the setting
// keeps its previous value, so that no nan or inf reaches the global-settings event.
void store(double& setting, double value, int code, int count) {
    if (output::check_finite(value, code, count)) setting = value;
}

// Stores a switch and reports it when it lies outside 0..highest. An out-of-range number stays
// stored for the orchestra to see; one that is not a number leaves the previous value.
void store_switch(double& setting, double value, double highest, int code) {
    if (std::isfinite(value)) setting = value;
    if (!(value >= 0 && value <= highest)) err(code, 17);
}

// Fills pfields with values and writes them as an "f" statement.
template <int N>
void write_table(const double (&values)[N]) {
    std::copy(values, values + N, pfields);
    wrfilt('f', N);
}

}  // namespace

// Stores the orchestra settings, checks both switches and resets time lines, buffer, count
// and the start-up defaults of offsets and voice quality.
void start1(double outSwitch, double cascFactor, double avFactor, double asFactor, double afFactor,
            double paraFactor, double sourceSwitch, double fssValue, double assValue) {
    incAV = AVnSav;
    incF0 = F0nSav;
    OQn = OQnSav;
    FLn = FLnSav;
    DIn = DInSav;
    TLn = TLnSav;
    DVn = DVnSav;
    FVn = FVnSav;
    incAS = ASnSav;
    incAF = AFnSav;
    std::fill(std::begin(timepoints), std::end(timepoints), 0.0);
    std::fill(std::begin(pfields), std::end(pfields), 0.0);
    nerrors = 0;

    store_switch(outswt, outSwitch, 12, 10);
    store(cascfac, cascFactor, 0, 17);
    store(avfact, avFactor, 0, 17);
    store(asfact, asFactor, 0, 17);
    store(affact, afFactor, 0, 17);
    store(parafac, paraFactor, 0, 17);
    store_switch(srcsw, sourceSwitch, 5, 11);
    store(fss, fssValue, 0, 17);
    store(ass, assValue, 0, 17);
}

// Records the eight initial cascade formant frequencies.
void startf(double f1, double f2, double f3, double f4, double f5, double f6, double f7,
            double f8) {
    store(f1i, f1, 0, 1);
    store(f2i, f2, 0, 1);
    store(f3i, f3, 0, 1);
    store(f4i, f4, 0, 1);
    store(f5i, f5, 0, 1);
    store(f6i, f6, 0, 1);
    store(f7i, f7, 0, 1);
    store(f8i, f8, 0, 1);
}

// Records the eight initial cascade bandwidths.
void startb(double b1, double b2, double b3, double b4, double b5, double b6, double b7,
            double b8) {
    store(b1i, b1, 0, 1);
    store(b2i, b2, 0, 1);
    store(b3i, b3, 0, 1);
    store(b4i, b4, 0, 1);
    store(b5i, b5, 0, 1);
    store(b6i, b6, 0, 1);
    store(b7i, b7, 0, 1);
    store(b8i, b8, 0, 1);
}

// Writes function tables 4 (exponential segments), 6 (one sine cycle) and 7 (the
// polynomial 21845.333 x - x^2 over 0..32768).
void startmn() {
    const double table4[] = {4, 0, 65, -5, 10000, 12, 1800, 12, 850, 12, 500, 6, 450, 23, 400};
    const double table6[] = {6, 0, 129, 10, 1};
    const double table7[] = {7, 0, 32769, 3, 0, 32768, 0, 21845.333, -1};
    write_table(table4);
    write_table(table6);
    write_table(table7);
}
