// Voicing assembly: all eight voice-source events at once (Voi, aV, xV, qV), the step of all
// eight voice glides, the offset and voice-quality setters and the reset of every glide.
#include "../score/output.h"
#include "speechscore.h"

namespace {

// Stores a setter's value; a value that is not a number is reported and the old one kept.
void store(double& variable, double value) {
    if (output::check_finite(value, 0, 1)) variable = value;
}

}  // namespace

// Writes one event on each of instruments 20 to 27, in that order; each is checked on its own.
void Voi(double span, double av, double f0, double oq, double fl, double di, double tl, double dv,
         double fv, double avswt) {
    genAV(span, av, avswt);
    genF0(span, f0);
    genOQ(span, oq);
    genFL(span, fl);
    genDI(span, di);
    genTL(span, tl);
    genDV(span, dv);
    genFV(span, fv);
}

// Moves the beat positions and glides of AV..FV by step; AS and AF stay where they are. A
// step that is not a number is reported once (error 3) and counts as 0.
void doGLVSrc(double step) {
    const double s = output::check_finite(step, 3, 12) ? step : 0.0;
    doGLAV(s);
    doGLF0(s);
    doGLOQ(s);
    doGLFL(s);
    doGLDI(s);
    doGLTL(s);
    doGLDV(s);
    doGLFV(s);
}

// Writes the eight voice events with the current voice quality and AV switch 0.
void aV(double span, double av, double f0) { Voi(span, av, f0, OQn, FLn, DIn, TLn, DVn, FVn, 0); }

// Writes the eight voice events with the current voice quality and AV switch 1.
void xV(double span, double av, double f0) { Voi(span, av, f0, OQn, FLn, DIn, TLn, DVn, FVn, 1); }

// Writes the eight voice events with the open quotient raised halfway towards 1, switch 0.
void qV(double span, double av, double f0) {
    Voi(span, av, f0, (OQn + 1) * 0.5, FLn, DIn, TLn, DVn, FVn, 0);
}

// Sets incAV.
void setAV(double value) { store(incAV, value); }
// Sets incF0.
void setF0(double value) { store(incF0, value); }
// Sets incAS.
void setAS(double value) { store(incAS, value); }
// Sets incAF.
void setAF(double value) { store(incAF, value); }
// Sets OQn.
void setOQ(double value) { store(OQn, value); }
// Sets FLn.
void setFL(double value) { store(FLn, value); }
// Sets DIn.
void setDI(double value) { store(DIn, value); }
// Sets TLn.
void setTL(double value) { store(TLn, value); }
// Sets DVn.
void setDV(double value) { store(DVn, value); }
// Sets FVn.
void setFV(double value) { store(FVn, value); }

// Sets OQn..FVn without a comment line.
void orgVOIC(double oq, double fl, double di, double tl, double dv, double fv) {
    store(OQn, oq);
    store(FLn, fl);
    store(DIn, di);
    store(TLn, tl);
    store(DVn, dv);
    store(FVn, fv);
}

// Sets OQn..FVn and writes a comment line with the values they now hold.
void setVOIC(double oq, double fl, double di, double tl, double dv, double fv) {
    setOQ(oq);
    setFL(fl);
    setDI(di);
    setTL(tl);
    setDV(dv);
    setFV(fv);
    // A value that is not a number (only a client can store one) shows as 0.
    const char* const names[6] = {";OQn=", ",FLn=", ",DIn=", ",TLn=", ",DVn=", ",FVn="};
    const double values[6] = {OQn, FLn, DIn, TLn, DVn, FVn};
    output::Line line;
    for (int i = 0; i < 6; ++i) line.text(names[i]).number(values[i], {5, 4});
    line.text(",\n").write();
}

// Sets OQn..FVn back to their start-up defaults, silently; the offsets stay.
void normVOIC() {
    setOQ(OQnSav);
    setFL(FLnSav);
    setDI(DInSav);
    setTL(TLnSav);
    setDV(DVnSav);
    setFV(FVnSav);
}

// Cancels all ten glides: offsets become 0, factors 1; the tempo glide is left alone.
void normGL() {
    nrmGLAS();
    nrmGLAF();
    nrmGLAV();
    nrmGLF0();
    nrmGLOQ();
    nrmGLFL();
    nrmGLDI();
    nrmGLTL();
    nrmGLDV();
    nrmGLFV();
}
