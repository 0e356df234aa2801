// speechscore: composes synthetic speech as a Csound score on standard output.
// Every operation and every exported variable of the library, grouped by subsystem.
#ifndef SPEECHSCORE_H
#define SPEECHSCORE_H

// ---- Client-defined variables ---------------------------------------------------------------
extern double beat;  // seconds per beat; set by metronome and the tempo glide
extern int TTO;      // current TTO operation, 0..47

// ---- Score statements and error log ----------------------------------------------------------
extern double pfields[50];  // p-field buffer: entry n is p-field n+1
extern int nerrors;         // errors counted since start1

void wr(char kind, int count);
void wrfilt(char kind, int count);
void wrf4_8(char kind, int count);
void err(int code, int count);

// ---- Shared state: time lines, spans, offsets, voice quality ---------------------------------
extern double timepoints[21];  // time line per slot (instrument - 8), seconds
extern double beatpoints[21];  // beat position per slot, beats
extern double tsec;            // span of the statement being built, seconds

extern double incAV, incF0, incAS, incAF;
extern double OQn, FLn, DIn, TLn, DVn, FVn;
extern double AVnSav, F0nSav, ASnSav, AFnSav;
extern double OQnSav, FLnSav, DInSav, TLnSav, DVnSav, FVnSav;

extern double D1, D2, D3, D4, D5, D6, D7;
extern double DA, DB, DC, DD, DE, DF, DG, DH, DS;
extern double L1, L2, L3, L4;
extern int P1, P2, P3, P4;

// ---- Shared state: remembered values and rest amplitudes -------------------------------------
extern double oav, oavswt, of0, ooq, ofl, odi, otl, odv, ofv;
extern double oas, oasswt, oaf, oafswt;
extern double ocasc[17];  // F1..F8, B1..B8, field 16
extern double opara[11];  // A2, BP2, A3, BP3, A4, BP4, A5, BP5, A6, BP6, AB
extern int onaspt, otrcpt, oDf1pt;
extern double zav, zas, zaf;

// ---- Shared state: orchestra settings and further exported settings --------------------------
extern double outswt, cascfac, avfact, asfact, affact, parafac, srcsw, fss, ass;
extern double f1i, f2i, f3i, f4i, f5i, f6i, f7i, f8i;
extern double b1i, b2i, b3i, b4i, b5i, b6i, b7i, b8i;
extern double npfact, nzfact, tpfact, tzfact, lpf;
extern double cz1i, cz2i, cz3i;
extern double cf1i, cf2i, cf3i, cf4i, cf5i, cf6i;
extern double cb1i, cb2i, cb3i, cb4i, cb5i, cb6i;
extern double portht, disptime, oab;
extern int clrtn, clrim;

// ---- Start-up and end ------------------------------------------------------------------------
void start1(double outswt, double cascfac, double avfact, double asfact, double affact,
            double parafac, double srcsw, double fss, double ass);
void startf(double f1, double f2, double f3, double f4, double f5, double f6, double f7, double f8);
void startb(double b1, double b2, double b3, double b4, double b5, double b6, double b7, double b8);
void startmn();
void fine();

// ---- Tempo -----------------------------------------------------------------------------------
extern double beatnew, beatold, beatsaccum, beatslimit, facGLMM, spbGLMM;

void metronome(double mark);
void glMM(double spanBeats, double mark);
void doGLMM(double beats);

// ---- Voice source: tracks AV F0 OQ FL DI TL DV FV (instruments 20..27) -----------------------
extern double newGLAV, limGLAV, spbGLAV;
extern double newGLF0, limGLF0, spbGLF0;
extern double facGLOQ, newGLOQ, limGLOQ, spbGLOQ;
extern double facGLFL, newGLFL, limGLFL, spbGLFL;
extern double facGLDI, newGLDI, limGLDI, spbGLDI;
extern double facGLTL, newGLTL, limGLTL, spbGLTL;
extern double facGLDV, newGLDV, limGLDV, spbGLDV;
extern double facGLFV, newGLFV, limGLFV, spbGLFV;

void genAV(double span, double av, double avswt);
void genF0(double span, double f0);
void genOQ(double span, double oq);
void genFL(double span, double fl);
void genDI(double span, double di);
void genTL(double span, double tl);
void genDV(double span, double dv);
void genFV(double span, double fv);

void glAV(double spanBeats, double target);
void glF0(double spanBeats, double target);
void glOQ(double spanBeats, double target);
void glFL(double spanBeats, double target);
void glDI(double spanBeats, double target);
void glTL(double spanBeats, double target);
void glDV(double spanBeats, double target);
void glFV(double spanBeats, double target);

void doGLAV(double step);
void doGLF0(double step);
void doGLOQ(double step);
void doGLFL(double step);
void doGLDI(double step);
void doGLTL(double step);
void doGLDV(double step);
void doGLFV(double step);

void nrmGLAV();
void nrmGLF0();
void nrmGLOQ();
void nrmGLFL();
void nrmGLDI();
void nrmGLTL();
void nrmGLDV();
void nrmGLFV();

// ---- Voice source: voicing assembly and voice-quality settings -------------------------------
void Voi(double span, double av, double f0, double oq, double fl, double di, double tl, double dv,
         double fv, double avswt);
void doGLVSrc(double step);
void aV(double span, double av, double f0);
void xV(double span, double av, double f0);
void qV(double span, double av, double f0);

void setAV(double value);
void setF0(double value);
void setAS(double value);
void setAF(double value);
void setOQ(double value);
void setFL(double value);
void setDI(double value);
void setTL(double value);
void setDV(double value);
void setFV(double value);
void orgVOIC(double oq, double fl, double di, double tl, double dv, double fv);
void setVOIC(double oq, double fl, double di, double tl, double dv, double fv);
void normVOIC();
void normGL();

// ---- Noise sources: aspiration (15) and frication (16) ---------------------------------------
extern double newGLAS, limGLAS, spbGLAS;
extern double newGLAF, limGLAF, spbGLAF;

void genAS(double span, double amp, double asswt);
void genAF(double span, double amp, double afswt);
void glAS(double spanBeats, double target);
void glAF(double spanBeats, double target);
void doGLAS(double step);
void doGLAF(double step);
void nrmGLAS();
void nrmGLAF();
void aS(double span, double amp);
void xS(double span, double amp);
void aF(double span, double amp);
void xF(double span, double amp);

// ---- Filter bank: color tables ---------------------------------------------------------------
extern double formants[48][23];
extern double frmadj[3][17];
extern double parallel[48][11];
extern double nasaltrach[6][4];
extern double deltaf1[2][2];
extern int frmadjpt;

// ---- Filter bank: cascade formants (11..14) --------------------------------------------------
void frqF1(double span, double freq, double bw);
void frqF2(double span, double freq, double bw);
void frqF3(double span, double freq, double bw);
void frqF4_8(double span, double f4, double f5, double f6, double f7, double f8, double b4,
             double b5, double b6, double b7, double b8, double field16);
void clrF1(double span, int color, double bwScale, double fShift);
void clrF2(double span, int color, double bwScale, double fShift);
void clrF3(double span, int color, double bwScale, double fShift);
void clrF4_8(double span, int color, double bwScale);
void Casc(double span, int color);
int clrTTO(int op, int color);
void setTTO(int op);
void norm();
void sing();

// ---- Filter bank: parallel branch (10) and pole-zero pairs (17..19) --------------------------
void Para(double span, int color);
void frqPara(double span, double a2, double bp2, double a3, double bp3, double a4, double bp4,
             double a5, double bp5, double a6, double bp6, double ab);
void genNAS(double span, int nasalPtr);
void genTRC(double span, int trachPtr);
void genDF1(double span, int df1Sym);

// ---- Rests -----------------------------------------------------------------------------------
void restF1(double span);
void restF2(double span);
void restF3(double span);
void restF4_8(double span);
void restVoi(double span);
void restAS(double span);
void restAF(double span);
void restPara(double span);
void restNas(double span);
void restTrc(double span);
void restDf1(double span);
void restCasc(double span);
void restAFPar(double span);
void restNTD(double span);
void restAll(double span);
void Rest(double beats);

// ---- Beat-timed statements -------------------------------------------------------------------
void restNTDB(double beats);
void restVoiB(double beats);
void restAFParB(double beats);
void restASB(double beats);
void restAFB(double beats);
void AVB(double beats, double av, double avswt);
void F0B(double beats, double f0);
void OQB(double beats, double oq);
void FLB(double beats, double fl);
void DIB(double beats, double di);
void TLB(double beats, double tl);
void DVB(double beats, double dv);
void FVB(double beats, double fv);
void VoiB(double beats, double av, double f0, double oq, double fl, double di, double tl, double dv,
          double fv, double avswt);
void ASB(double beats, double amp, double asswt);
void AFB(double beats, double amp, double afswt);
void CascB(double beats, int color);
void frqCascB(double beats, double f1, double f2, double f3);
void ParaB(double beats, int color);

// ---- Segment builders and duration drivers ---------------------------------------------------
void VOW(double beats, int color, double AV, double F0, double OQ, double FL, double DI, double TL,
         double DV, double FV, double AS, double swt);
void VOWn(double beats, int color, double AV, double F0, double AS, double swt);
void H(double beats, int color, double AS, double swt);

void vV(double beats, int colorVow1, int colorVow2, double AVvow1, double AVtr, double AVvow2,
        double F0vow1, double F0vow2, double AStr, double ASvow2, double d1, double d2, double d3,
        double minDur);

void drli(double beats, double d1, double d2, double d3, double minDur);
void lV(double beats, int colorLiq, int colorVow, double AVliq, double AVtr, double AVvow,
        double F0, double ASliq, double ASvow, double d1, double d2, double d3, double minDur);

void drfi(double beats, double d1, double d2, double d3, double minDur);
void sV(double beats, int colorCons, int colorVow, double AScons, double AVon, double AVvow,
        double F0, double ASon, double ASvow, double d1, double d2, double d3, double minDur);
void vS(double beats, int colorCons, int colorVow, double AVcons, double AVon, double AVvow,
        double F0, double AScons, double ASvow, double d1, double d2, double d3, double minDur);
void zV(double beats, int colorCons, int colorVow, double level, double F0, double ASvow,
        double AVvow, double d1, double d2, double d3, double minDur);

void drff(double beats, double d1, double d3, double d4, double minDur);
void Vs(double beats, int colorVow, int colorFric, double AVon, double AVvow, double ASfric,
        double F0, double ASon, double ASvow, double d1, double d3, double d4, double minDur);

void drpv_v(double beats, double d1, double d2, double dBurst, double d5, double d3, double d4,
            double minDur);
void dV(double beats, int colorCons, int colorVow, double ampA, double ampB, double AVvow,
        double F0, double ampC, double ASvow, double d1, double d2, double dBurst, double d5,
        double burstDrop, double d3, double d4, double minDur);
void tsV(double beats, int colorCons, int colorVow, double ampA, double ampB, double AVvow,
         double F0, double ampC, double ASvow, double d1, double d2, double dBurst, double d5,
         double burstDrop, double d3, double d4, double minDur);
void tvV(double beats, int colorCons, int colorVow, double ampA, double ampB, double AVvow,
         double F0, double ampC, double ASvow, double d1, double d2, double dBurst, double d5,
         double burstDrop, double d3, double d4, double minDur);
void tV(double beats, int colorCons, int colorVow, double ampA, double ampB, double AVvow,
        double F0, double ampC, double ASvow, double d1, double d2, double dBurst, double d5,
        double burstDrop, double d3, double d4, double minDur);

#endif  // SPEECHSCORE_H
