// libFuzzer target: decodes its input into calls of every public operation with arbitrary
// arguments and direct writes of the exported variables, and checks the score after each call.
// Each input starts from the state the program started with; fine's exit returns here.
#include <fuzzer/FuzzedDataProvider.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "speechscore.h"

double beat = 1.0;
int TTO = 0;

extern "C" [[noreturn]] void __real_exit(int status);
extern "C" [[noreturn]] void __wrap_exit(int status);

namespace {

// ---- fine's exit comes back here while a call runs --------------------------------------------

std::jmp_buf exitJump;
bool exitArmed = false;

// ---- every exported variable, saved at start-up and put back before each input -----------------

struct Stored {
    void* address;
    size_t size;
};

#define STORED(v) \
    { &(v), sizeof(v) }
// clang-format off
const Stored kState[] = {
    STORED(beat), STORED(TTO), STORED(pfields), STORED(nerrors), STORED(timepoints),
    STORED(beatpoints), STORED(tsec), STORED(incAV), STORED(incF0), STORED(incAS), STORED(incAF),
    STORED(OQn), STORED(FLn), STORED(DIn), STORED(TLn), STORED(DVn), STORED(FVn),
    STORED(AVnSav), STORED(F0nSav), STORED(ASnSav), STORED(AFnSav), STORED(OQnSav),
    STORED(FLnSav), STORED(DInSav), STORED(TLnSav), STORED(DVnSav), STORED(FVnSav),
    STORED(D1), STORED(D2), STORED(D3), STORED(D4), STORED(D5), STORED(D6), STORED(D7),
    STORED(DA), STORED(DB), STORED(DC), STORED(DD), STORED(DE), STORED(DF), STORED(DG),
    STORED(DH), STORED(DS), STORED(L1), STORED(L2), STORED(L3), STORED(L4), STORED(P1),
    STORED(P2), STORED(P3), STORED(P4), STORED(oav), STORED(oavswt), STORED(of0), STORED(ooq),
    STORED(ofl), STORED(odi), STORED(otl), STORED(odv), STORED(ofv), STORED(oas),
    STORED(oasswt), STORED(oaf), STORED(oafswt), STORED(ocasc), STORED(opara), STORED(onaspt),
    STORED(otrcpt), STORED(oDf1pt), STORED(zav), STORED(zas), STORED(zaf), STORED(outswt),
    STORED(cascfac), STORED(avfact), STORED(asfact), STORED(affact), STORED(parafac),
    STORED(srcsw), STORED(fss), STORED(ass), STORED(f1i), STORED(f2i), STORED(f3i), STORED(f4i),
    STORED(f5i), STORED(f6i), STORED(f7i), STORED(f8i), STORED(b1i), STORED(b2i), STORED(b3i),
    STORED(b4i), STORED(b5i), STORED(b6i), STORED(b7i), STORED(b8i), STORED(npfact),
    STORED(nzfact), STORED(tpfact), STORED(tzfact), STORED(lpf), STORED(cz1i), STORED(cz2i),
    STORED(cz3i), STORED(cf1i), STORED(cf2i), STORED(cf3i), STORED(cf4i), STORED(cf5i),
    STORED(cf6i), STORED(cb1i), STORED(cb2i), STORED(cb3i), STORED(cb4i), STORED(cb5i),
    STORED(cb6i), STORED(portht), STORED(disptime), STORED(oab), STORED(clrtn), STORED(clrim),
    STORED(beatnew), STORED(beatold), STORED(beatsaccum), STORED(beatslimit), STORED(facGLMM),
    STORED(spbGLMM), STORED(newGLAV), STORED(limGLAV), STORED(spbGLAV), STORED(newGLF0),
    STORED(limGLF0), STORED(spbGLF0), STORED(facGLOQ), STORED(newGLOQ), STORED(limGLOQ),
    STORED(spbGLOQ), STORED(facGLFL), STORED(newGLFL), STORED(limGLFL), STORED(spbGLFL),
    STORED(facGLDI), STORED(newGLDI), STORED(limGLDI), STORED(spbGLDI), STORED(facGLTL),
    STORED(newGLTL), STORED(limGLTL), STORED(spbGLTL), STORED(facGLDV), STORED(newGLDV),
    STORED(limGLDV), STORED(spbGLDV), STORED(facGLFV), STORED(newGLFV), STORED(limGLFV),
    STORED(spbGLFV), STORED(newGLAS), STORED(limGLAS), STORED(spbGLAS), STORED(newGLAF),
    STORED(limGLAF), STORED(spbGLAF), STORED(formants), STORED(frmadj), STORED(parallel),
    STORED(nasaltrach), STORED(deltaf1), STORED(frmadjpt),
};
// clang-format on
#undef STORED

std::vector<unsigned char> startState;

void save_state() {
    for (const Stored& s : kState) {
        const auto* bytes = static_cast<const unsigned char*>(s.address);
        startState.insert(startState.end(), bytes, bytes + s.size);
    }
}

void restore_state() {
    size_t at = 0;
    for (const Stored& s : kState) {
        std::memcpy(s.address, startState.data() + at, s.size);
        at += s.size;
    }
}

// ---- arguments ---------------------------------------------------------------------------------

// The arguments of one call, drawn from the input. Remembers whether any double was not finite.
struct Args {
    FuzzedDataProvider& in;
    bool nonFinite = false;

    double d() {
        static const double kSpecial[] = {std::numeric_limits<double>::quiet_NaN(),
                                          -std::numeric_limits<double>::quiet_NaN(),
                                          HUGE_VAL,
                                          -HUGE_VAL,
                                          0.0,
                                          -0.0,
                                          DBL_MAX,
                                          -DBL_MAX,
                                          DBL_MIN,
                                          -DBL_MIN,
                                          5e-324,
                                          1e-300,
                                          1e300,
                                          -1e300,
                                          1e16,
                                          0.5,
                                          100,
                                          100.0000001,
                                          12,
                                          8000,
                                          47,
                                          1e-9};
        double v = 0;
        switch (in.ConsumeIntegralInRange<int>(0, 7)) {
            case 0:
                v = in.PickValueInArray(kSpecial);
                break;
            case 1: {
                const uint64_t bits = in.ConsumeIntegral<uint64_t>();
                std::memcpy(&v, &bits, sizeof v);
                break;
            }
            case 2:
                v = in.ConsumeIntegralInRange<int>(-3, 60);
                break;
            case 3:
                v = in.ConsumeFloatingPointInRange<double>(-100, 8100);
                break;
            default:
                v = in.ConsumeFloatingPointInRange<double>(-0.5, 12);
                break;
        }
        nonFinite = nonFinite || !std::isfinite(v);
        return v;
    }

    // Colors, pointers, symbols, codes, counts: mostly near their ranges, sometimes anything.
    int i() {
        return in.ConsumeBool() ? in.ConsumeIntegralInRange<int>(-2, 52)
                                : in.ConsumeIntegral<int>();
    }

    char kind() { return in.ConsumeBool() ? 'i' : 'f'; }
};

// ---- every public operation
// ----------------------------------------------------------------------

using Call = void (*)(Args&);

// Builders that take the stop syllables' seventeen parameters.
using Stop = void (*)(double, int, int, double, double, double, double, double, double, double,
                      double, double, double, double, double, double, double);
void stop(Stop fn, Args& a) {
    const double beats = a.d();
    const int cons = a.i(), vow = a.i();
    double v[14];
    for (double& x : v) x = a.d();
    fn(beats, cons, vow, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10], v[11],
       v[12], v[13]);
}

// Fills n doubles in order (the order of evaluation of call arguments is not fixed).
template <int N>
struct Ds {
    double v[N];
    explicit Ds(Args& a) {
        for (double& x : v) x = a.d();
    }
};

const int kStart1 = 4;  // index of start1 below
// clang-format off
const Call kCalls[] = {
    [](Args& a) { const char k = a.kind(); wr(k, a.i()); },
    [](Args& a) { const char k = a.kind(); wrfilt(k, a.i()); },
    [](Args& a) { const char k = a.kind(); wrf4_8(k, a.i()); },
    [](Args& a) { const int c = a.i(); err(c, a.i()); },
    [](Args& a) { Ds<9> x(a); start1(x.v[0], x.v[1], x.v[2], x.v[3], x.v[4], x.v[5], x.v[6], x.v[7], x.v[8]); },
    [](Args& a) { Ds<8> x(a); startf(x.v[0], x.v[1], x.v[2], x.v[3], x.v[4], x.v[5], x.v[6], x.v[7]); },
    [](Args& a) { Ds<8> x(a); startb(x.v[0], x.v[1], x.v[2], x.v[3], x.v[4], x.v[5], x.v[6], x.v[7]); },
    [](Args&) { startmn(); },
    [](Args&) { fine(); },
    [](Args& a) { metronome(a.d()); },
    [](Args& a) { Ds<2> x(a); glMM(x.v[0], x.v[1]); },
    [](Args& a) { doGLMM(a.d()); },
    [](Args& a) { Ds<3> x(a); genAV(x.v[0], x.v[1], x.v[2]); },
    [](Args& a) { Ds<2> x(a); genF0(x.v[0], x.v[1]); },
    [](Args& a) { Ds<2> x(a); genOQ(x.v[0], x.v[1]); },
    [](Args& a) { Ds<2> x(a); genFL(x.v[0], x.v[1]); },
    [](Args& a) { Ds<2> x(a); genDI(x.v[0], x.v[1]); },
    [](Args& a) { Ds<2> x(a); genTL(x.v[0], x.v[1]); },
    [](Args& a) { Ds<2> x(a); genDV(x.v[0], x.v[1]); },
    [](Args& a) { Ds<2> x(a); genFV(x.v[0], x.v[1]); },
    [](Args& a) { Ds<2> x(a); glAV(x.v[0], x.v[1]); },
    [](Args& a) { Ds<2> x(a); glF0(x.v[0], x.v[1]); },
    [](Args& a) { Ds<2> x(a); glOQ(x.v[0], x.v[1]); },
    [](Args& a) { Ds<2> x(a); glFL(x.v[0], x.v[1]); },
    [](Args& a) { Ds<2> x(a); glDI(x.v[0], x.v[1]); },
    [](Args& a) { Ds<2> x(a); glTL(x.v[0], x.v[1]); },
    [](Args& a) { Ds<2> x(a); glDV(x.v[0], x.v[1]); },
    [](Args& a) { Ds<2> x(a); glFV(x.v[0], x.v[1]); },
    [](Args& a) { doGLAV(a.d()); }, [](Args& a) { doGLF0(a.d()); },
    [](Args& a) { doGLOQ(a.d()); }, [](Args& a) { doGLFL(a.d()); },
    [](Args& a) { doGLDI(a.d()); }, [](Args& a) { doGLTL(a.d()); },
    [](Args& a) { doGLDV(a.d()); }, [](Args& a) { doGLFV(a.d()); },
    [](Args&) { nrmGLAV(); }, [](Args&) { nrmGLF0(); }, [](Args&) { nrmGLOQ(); },
    [](Args&) { nrmGLFL(); }, [](Args&) { nrmGLDI(); }, [](Args&) { nrmGLTL(); },
    [](Args&) { nrmGLDV(); }, [](Args&) { nrmGLFV(); },
    [](Args& a) { Ds<10> x(a); Voi(x.v[0], x.v[1], x.v[2], x.v[3], x.v[4], x.v[5], x.v[6], x.v[7], x.v[8], x.v[9]); },
    [](Args& a) { doGLVSrc(a.d()); },
    [](Args& a) { Ds<3> x(a); aV(x.v[0], x.v[1], x.v[2]); },
    [](Args& a) { Ds<3> x(a); xV(x.v[0], x.v[1], x.v[2]); },
    [](Args& a) { Ds<3> x(a); qV(x.v[0], x.v[1], x.v[2]); },
    [](Args& a) { setAV(a.d()); }, [](Args& a) { setF0(a.d()); }, [](Args& a) { setAS(a.d()); },
    [](Args& a) { setAF(a.d()); }, [](Args& a) { setOQ(a.d()); }, [](Args& a) { setFL(a.d()); },
    [](Args& a) { setDI(a.d()); }, [](Args& a) { setTL(a.d()); }, [](Args& a) { setDV(a.d()); },
    [](Args& a) { setFV(a.d()); },
    [](Args& a) { Ds<6> x(a); orgVOIC(x.v[0], x.v[1], x.v[2], x.v[3], x.v[4], x.v[5]); },
    [](Args& a) { Ds<6> x(a); setVOIC(x.v[0], x.v[1], x.v[2], x.v[3], x.v[4], x.v[5]); },
    [](Args&) { normVOIC(); },
    [](Args&) { normGL(); },
    [](Args& a) { Ds<3> x(a); genAS(x.v[0], x.v[1], x.v[2]); },
    [](Args& a) { Ds<3> x(a); genAF(x.v[0], x.v[1], x.v[2]); },
    [](Args& a) { Ds<2> x(a); glAS(x.v[0], x.v[1]); },
    [](Args& a) { Ds<2> x(a); glAF(x.v[0], x.v[1]); },
    [](Args& a) { doGLAS(a.d()); }, [](Args& a) { doGLAF(a.d()); },
    [](Args&) { nrmGLAS(); }, [](Args&) { nrmGLAF(); },
    [](Args& a) { Ds<2> x(a); aS(x.v[0], x.v[1]); },
    [](Args& a) { Ds<2> x(a); xS(x.v[0], x.v[1]); },
    [](Args& a) { Ds<2> x(a); aF(x.v[0], x.v[1]); },
    [](Args& a) { Ds<2> x(a); xF(x.v[0], x.v[1]); },
    [](Args& a) { Ds<3> x(a); frqF1(x.v[0], x.v[1], x.v[2]); },
    [](Args& a) { Ds<3> x(a); frqF2(x.v[0], x.v[1], x.v[2]); },
    [](Args& a) { Ds<3> x(a); frqF3(x.v[0], x.v[1], x.v[2]); },
    [](Args& a) { Ds<12> x(a); frqF4_8(x.v[0], x.v[1], x.v[2], x.v[3], x.v[4], x.v[5], x.v[6], x.v[7], x.v[8], x.v[9], x.v[10], x.v[11]); },
    [](Args& a) { const double s = a.d(); const int c = a.i(); Ds<2> x(a); clrF1(s, c, x.v[0], x.v[1]); },
    [](Args& a) { const double s = a.d(); const int c = a.i(); Ds<2> x(a); clrF2(s, c, x.v[0], x.v[1]); },
    [](Args& a) { const double s = a.d(); const int c = a.i(); Ds<2> x(a); clrF3(s, c, x.v[0], x.v[1]); },
    [](Args& a) { const double s = a.d(); const int c = a.i(); clrF4_8(s, c, a.d()); },
    [](Args& a) { const double s = a.d(); Casc(s, a.i()); },
    [](Args& a) { const int op = a.i(); clrTTO(op, a.i()); },
    [](Args& a) { setTTO(a.i()); },
    [](Args&) { norm(); },
    [](Args&) { sing(); },
    [](Args& a) { const double s = a.d(); Para(s, a.i()); },
    [](Args& a) { Ds<12> x(a); frqPara(x.v[0], x.v[1], x.v[2], x.v[3], x.v[4], x.v[5], x.v[6], x.v[7], x.v[8], x.v[9], x.v[10], x.v[11]); },
    [](Args& a) { const double s = a.d(); genNAS(s, a.i()); },
    [](Args& a) { const double s = a.d(); genTRC(s, a.i()); },
    [](Args& a) { const double s = a.d(); genDF1(s, a.i()); },
    [](Args& a) { restF1(a.d()); }, [](Args& a) { restF2(a.d()); }, [](Args& a) { restF3(a.d()); },
    [](Args& a) { restF4_8(a.d()); }, [](Args& a) { restVoi(a.d()); },
    [](Args& a) { restAS(a.d()); }, [](Args& a) { restAF(a.d()); },
    [](Args& a) { restPara(a.d()); }, [](Args& a) { restNas(a.d()); },
    [](Args& a) { restTrc(a.d()); }, [](Args& a) { restDf1(a.d()); },
    [](Args& a) { restCasc(a.d()); }, [](Args& a) { restAFPar(a.d()); },
    [](Args& a) { restNTD(a.d()); }, [](Args& a) { restAll(a.d()); }, [](Args& a) { Rest(a.d()); },
    [](Args& a) { restNTDB(a.d()); }, [](Args& a) { restVoiB(a.d()); },
    [](Args& a) { restAFParB(a.d()); }, [](Args& a) { restASB(a.d()); },
    [](Args& a) { restAFB(a.d()); },
    [](Args& a) { Ds<3> x(a); AVB(x.v[0], x.v[1], x.v[2]); },
    [](Args& a) { Ds<2> x(a); F0B(x.v[0], x.v[1]); },
    [](Args& a) { Ds<2> x(a); OQB(x.v[0], x.v[1]); },
    [](Args& a) { Ds<2> x(a); FLB(x.v[0], x.v[1]); },
    [](Args& a) { Ds<2> x(a); DIB(x.v[0], x.v[1]); },
    [](Args& a) { Ds<2> x(a); TLB(x.v[0], x.v[1]); },
    [](Args& a) { Ds<2> x(a); DVB(x.v[0], x.v[1]); },
    [](Args& a) { Ds<2> x(a); FVB(x.v[0], x.v[1]); },
    [](Args& a) { Ds<10> x(a); VoiB(x.v[0], x.v[1], x.v[2], x.v[3], x.v[4], x.v[5], x.v[6], x.v[7], x.v[8], x.v[9]); },
    [](Args& a) { Ds<3> x(a); ASB(x.v[0], x.v[1], x.v[2]); },
    [](Args& a) { Ds<3> x(a); AFB(x.v[0], x.v[1], x.v[2]); },
    [](Args& a) { const double b = a.d(); CascB(b, a.i()); },
    [](Args& a) { Ds<4> x(a); frqCascB(x.v[0], x.v[1], x.v[2], x.v[3]); },
    [](Args& a) { const double b = a.d(); ParaB(b, a.i()); },
    [](Args& a) { const double b = a.d(); const int c = a.i(); Ds<10> x(a); VOW(b, c, x.v[0], x.v[1], x.v[2], x.v[3], x.v[4], x.v[5], x.v[6], x.v[7], x.v[8], x.v[9]); },
    [](Args& a) { const double b = a.d(); const int c = a.i(); Ds<4> x(a); VOWn(b, c, x.v[0], x.v[1], x.v[2], x.v[3]); },
    [](Args& a) { const double b = a.d(); const int c = a.i(); Ds<2> x(a); H(b, c, x.v[0], x.v[1]); },
    [](Args& a) { const double b = a.d(); const int c1 = a.i(), c2 = a.i(); Ds<11> x(a); vV(b, c1, c2, x.v[0], x.v[1], x.v[2], x.v[3], x.v[4], x.v[5], x.v[6], x.v[7], x.v[8], x.v[9], x.v[10]); },
    [](Args& a) { Ds<5> x(a); drli(x.v[0], x.v[1], x.v[2], x.v[3], x.v[4]); },
    [](Args& a) { const double b = a.d(); const int c1 = a.i(), c2 = a.i(); Ds<10> x(a); lV(b, c1, c2, x.v[0], x.v[1], x.v[2], x.v[3], x.v[4], x.v[5], x.v[6], x.v[7], x.v[8], x.v[9]); },
    [](Args& a) { Ds<5> x(a); drfi(x.v[0], x.v[1], x.v[2], x.v[3], x.v[4]); },
    [](Args& a) { const double b = a.d(); const int c1 = a.i(), c2 = a.i(); Ds<10> x(a); sV(b, c1, c2, x.v[0], x.v[1], x.v[2], x.v[3], x.v[4], x.v[5], x.v[6], x.v[7], x.v[8], x.v[9]); },
    [](Args& a) { const double b = a.d(); const int c1 = a.i(), c2 = a.i(); Ds<10> x(a); vS(b, c1, c2, x.v[0], x.v[1], x.v[2], x.v[3], x.v[4], x.v[5], x.v[6], x.v[7], x.v[8], x.v[9]); },
    [](Args& a) { const double b = a.d(); const int c1 = a.i(), c2 = a.i(); Ds<8> x(a); zV(b, c1, c2, x.v[0], x.v[1], x.v[2], x.v[3], x.v[4], x.v[5], x.v[6], x.v[7]); },
    [](Args& a) { Ds<5> x(a); drff(x.v[0], x.v[1], x.v[2], x.v[3], x.v[4]); },
    [](Args& a) { const double b = a.d(); const int c1 = a.i(), c2 = a.i(); Ds<10> x(a); Vs(b, c1, c2, x.v[0], x.v[1], x.v[2], x.v[3], x.v[4], x.v[5], x.v[6], x.v[7], x.v[8], x.v[9]); },
    [](Args& a) { Ds<8> x(a); drpv_v(x.v[0], x.v[1], x.v[2], x.v[3], x.v[4], x.v[5], x.v[6], x.v[7]); },
    [](Args& a) { stop(dV, a); }, [](Args& a) { stop(tsV, a); },
    [](Args& a) { stop(tvV, a); }, [](Args& a) { stop(tV, a); },
};
// clang-format on

// ---- direct writes of exported variables
// ---------------------------------------------------------

// What a client may store: anything in the settings and tables; finite values in the time lines
// and beat positions, and a positive finite tempo in beat (the checks below hold the library to
// keeping those so, not the client).
enum class Range { kAny, kFinite, kTempo };
struct Target {
    double* first;
    int count;
    Range range;
};

#define ONE(v) \
    { &(v), 1, Range::kAny }
#define ALL(v) \
    { &(v)[0], static_cast<int>(sizeof(v) / sizeof(double)), Range::kAny }
#define TABLE(v) \
    { &(v)[0][0], static_cast<int>(sizeof(v) / sizeof(double)), Range::kAny }
// clang-format off
const Target kDoubles[] = {
    {&beat, 1, Range::kTempo}, {timepoints, 21, Range::kFinite}, {beatpoints, 21, Range::kFinite},
    ALL(pfields), ONE(tsec), ONE(incAV), ONE(incF0), ONE(incAS), ONE(incAF), ONE(OQn), ONE(FLn),
    ONE(DIn), ONE(TLn), ONE(DVn), ONE(FVn), ONE(AVnSav), ONE(F0nSav), ONE(ASnSav), ONE(AFnSav),
    ONE(OQnSav), ONE(FLnSav), ONE(DInSav), ONE(TLnSav), ONE(DVnSav), ONE(FVnSav), ONE(D1),
    ONE(D2), ONE(D3), ONE(D4), ONE(D5), ONE(DA), ONE(DB), ONE(DC), ONE(DD), ONE(DE), ONE(DF),
    ONE(DG), ONE(DH), ONE(DS), ONE(L1), ONE(L2), ONE(L3), ONE(oav), ONE(oavswt), ONE(of0),
    ONE(ooq), ONE(ofl), ONE(odi), ONE(otl), ONE(odv), ONE(ofv), ONE(oas), ONE(oasswt), ONE(oaf),
    ONE(oafswt), ALL(ocasc), ALL(opara), ONE(zav), ONE(zas), ONE(zaf), ONE(outswt),
    ONE(cascfac), ONE(avfact), ONE(asfact), ONE(affact), ONE(parafac), ONE(srcsw), ONE(fss),
    ONE(ass), ONE(beatnew), ONE(beatold), ONE(beatsaccum), ONE(beatslimit), ONE(facGLMM),
    ONE(spbGLMM), ONE(newGLAV), ONE(limGLAV), ONE(spbGLAV), ONE(newGLF0), ONE(limGLF0),
    ONE(spbGLF0), ONE(facGLOQ), ONE(newGLOQ), ONE(limGLOQ), ONE(spbGLOQ), ONE(facGLFL),
    ONE(newGLFL), ONE(limGLFL), ONE(spbGLFL), ONE(facGLDI), ONE(newGLDI), ONE(limGLDI),
    ONE(spbGLDI), ONE(facGLTL), ONE(newGLTL), ONE(limGLTL), ONE(spbGLTL), ONE(facGLDV),
    ONE(newGLDV), ONE(limGLDV), ONE(spbGLDV), ONE(facGLFV), ONE(newGLFV), ONE(limGLFV),
    ONE(spbGLFV), ONE(newGLAS), ONE(limGLAS), ONE(spbGLAS), ONE(newGLAF), ONE(limGLAF),
    ONE(spbGLAF), TABLE(formants), TABLE(frmadj), TABLE(parallel), TABLE(nasaltrach), TABLE(deltaf1),
};
int* const kInts[] = {&TTO, &nerrors, &onaspt, &otrcpt, &oDf1pt, &frmadjpt};
// clang-format on
#undef ONE
#undef ALL
#undef TABLE

// ---- the checks
// ------------------------------------------------------------------------------------

int current = -1;  // index in kCalls of the call being checked

[[noreturn]] void fail(const char* what, const std::string& out) {
    std::fprintf(stderr, "speechscore_fuzz: call %d: %s\n--- its output ---\n%s---\n", current,
                 what, out.c_str());
    std::abort();
}

bool starts(const std::string& line, const char* prefix) {
    return line.compare(0, std::strlen(prefix), prefix) == 0;
}

// Reports printed in out: error lines of err and the counted bad-mark comment of glMM.
long long reports_in(const std::string& out) {
    long long count = 0;
    size_t at = 0;
    while (at < out.size()) {
        size_t end = out.find('\n', at);
        if (end == std::string::npos) end = out.size();
        const std::string line = out.substr(at, end - at);
        if (starts(line, "Error: ") || starts(line, "Odd error: ") ||
            line == "; BAD MM mark; master envelope cancelled. ")
            ++count;
        at = end + 1;
    }
    return count;
}

// Output of one call, read from the memory stream that stands for standard output.
struct Capture {
    char* data = nullptr;
    size_t size = 0;
    size_t seen = 0;
    FILE* stream = nullptr;

    std::string take() {
        std::fflush(stream);
        std::string out(data + seen, size - seen);
        seen = size;
        return out;
    }
};

}  // namespace

extern "C" void __wrap_exit(int status) {
    if (exitArmed) std::longjmp(exitJump, 1);
    __real_exit(status);
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    save_state();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    restore_state();
    FuzzedDataProvider in(data, size);
    Capture out;
    out.stream = open_memstream(&out.data, &out.size);
    char* errData = nullptr;
    size_t errSize = 0;
    FILE* errStream = open_memstream(&errData, &errSize);
    FILE* realOut = stdout;
    FILE* realErr = stderr;
    stdout = out.stream;
    stderr = errStream;
    long long expected = nerrors;

    const int kCallCount = static_cast<int>(sizeof kCalls / sizeof kCalls[0]);
    for (int n = 0; n < 200 && in.remaining_bytes() > 0; ++n) {
        Args args{in};
        const int pick = in.ConsumeIntegralInRange<int>(0, kCallCount + 3);
        if (pick >= kCallCount + 2) {  // a client writes an int
            int* target = in.PickValueInArray(kInts);
            *target = args.i();
            if (target == &nerrors) expected = nerrors;
            continue;
        }
        if (pick >= kCallCount) {  // a client writes a double
            const Target& t = in.PickValueInArray(kDoubles);
            double& slot = t.first[in.ConsumeIntegralInRange<int>(0, t.count - 1)];
            const double v = args.d();
            if (t.range == Range::kAny ||
                (std::isfinite(v) && (t.range == Range::kFinite || v > 0)))
                slot = v;
            continue;
        }
        const bool clears = pick == kStart1;  // start1 clears the count first
        const int before = clears ? 0 : nerrors;
        if (clears) expected = 0;
        current = pick;
        exitArmed = true;
        if (setjmp(exitJump) == 0) kCalls[pick](args);
        exitArmed = false;

        stdout = realOut;
        stderr = realErr;
        const std::string text = out.take();
        if (text.find("nan") != std::string::npos || text.find("inf") != std::string::npos)
            fail("nan or inf in the score", text);
        for (int slot = 0; slot < 21; ++slot) {
            if (!std::isfinite(timepoints[slot]) || !std::isfinite(beatpoints[slot]))
                fail("a time line or beat position is not finite", text);
        }
        if (!(beat > 0) || !std::isfinite(beat)) fail("beat is not positive and finite", text);
        expected += reports_in(text);
        if (expected > INT_MAX) expected = INT_MAX;
        if (nerrors != expected) fail("nerrors differs from the reports printed", text);
        if (args.nonFinite && nerrors == before && before != INT_MAX)
            fail("a non-finite argument was not reported", text);
        stdout = out.stream;
        stderr = errStream;
    }
    stdout = realOut;
    stderr = realErr;
    std::fclose(out.stream);
    std::fclose(errStream);
    std::free(out.data);
    std::free(errData);
    return 0;
}
