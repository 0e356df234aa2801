// The smallest client: start-up, tables, tempo and the end of the score. It writes no sound;
// docs/tutorial.md goes on from here to a first spoken word, with the colour names and pitch
// helpers of speechscore_colours.h.
#include "speechscore.h"

double beat = 1.0;
int TTO = 0;

int main() {
    start1(0, 1, 1, 1, 1, 1, 0, 1, 1);
    startmn();
    metronome(120);
    fine();
    return 0;
}
