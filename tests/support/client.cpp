// The two variables every client program defines.
double beat = 1.0;
int TTO = 0;
