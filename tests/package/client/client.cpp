// A client of the installed library: defines `beat` and `TTO`, sets and reads exported variables
// and writes a short score. Variables go both ways: the library reads `TTO` and `OQnSav` and sets
// `beat`, the client reads `avfact` and `OQn`; a shared library must see the same objects.
#include <speechscore.h>

#include <cstdio>

double beat = 1.0;
int TTO = 0;

int main() {
    OQnSav = 0.6;  // copied into OQn by start1
    start1(0, 1, 0.5, 1, 1, 1, 0, 1, 1);
    startmn();
    metronome(120);  // sets the client's beat
    if (avfact != 0.5 || OQn != 0.6 || beat != 0.5 || formants[5][0] <= 0) {
        std::fprintf(stderr, "client: variables not shared: avfact %g OQn %g beat %g\n", avfact,
                     OQn, beat);
        return 3;
    }
    Rest(0.5);
    TTO = 1;  // the ring colour 4 is written as colour 5
    VOW(1, 4, 60, 7.0, 0.5, 0.002, 0, 1000, 0.008, 1, 0, 0);
    Rest(0.5);
    fine();
    return 0;
}
