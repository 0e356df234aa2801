// The variable table of the script runner: every exported variable, array and table of the
// library, and the client's beat and TTO, with the shape an assignment must index.
#include <cstddef>
#include <string>

#include "quantities.h"
#include "script.h"
#include "speechscore.h"

namespace cli {
namespace {

// A variable holds the value of a parameter: the same names and range, but the library checks
// it only when an operation uses it, so an assignment reports nothing of its own.
constexpr Quantity unchecked(const Quantity& q) { return {q.kind, q.unit, q.range, Tag::None}; }

constexpr Quantity kTtoValue = unchecked(kTto);
constexpr Quantity kNasalValue = unchecked(kNasal);
constexpr Quantity kTrachValue = unchecked(kTracheal);
constexpr Quantity kDeltaValue = unchecked(kDeltaF1);
constexpr Quantity kPitchValue = unchecked(kPitch);
constexpr Quantity kPlainNumber = {Kind::Number, "number", {-kInf, kInf, false, false}, Tag::None};
constexpr Quantity kPlainInteger = {
    Kind::Integer, "integer", {-kInf, kInf, false, false}, Tag::None};

constexpr Variable variable(const char* name, double& v, const Quantity* q = nullptr) {
    return {name, &v, nullptr, 0, 0, q};
}
constexpr Variable variable(const char* name, int& v, const Quantity* q = nullptr) {
    return {name, nullptr, &v, 0, 0, q};
}
template <int N>
constexpr Variable variable(const char* name, double (&v)[N]) {
    return {name, v, nullptr, N, 0, nullptr};
}
template <int R, int C>
constexpr Variable variable(const char* name, double (&v)[R][C]) {
    return {name, &v[0][0], nullptr, R, C, nullptr};
}

// The name in the table is the name of the variable itself.
#define SS_VAR(v) variable(#v, v)
#define SS_VARQ(v, q) variable(#v, v, q)

// clang-format off
constexpr Variable kVariables[] = {
    // Client-defined
    SS_VAR(beat), SS_VARQ(TTO, &kTtoValue),
    // Score statements and error log
    SS_VAR(pfields), SS_VAR(nerrors),
    // Time lines, spans, offsets, voice quality
    SS_VAR(timepoints), SS_VAR(beatpoints), SS_VAR(tsec), SS_VAR(incAV), SS_VAR(incF0),
    SS_VAR(incAS), SS_VAR(incAF), SS_VAR(OQn), SS_VAR(FLn), SS_VAR(DIn), SS_VAR(TLn), SS_VAR(DVn),
    SS_VAR(FVn), SS_VAR(AVnSav), SS_VAR(F0nSav), SS_VAR(ASnSav), SS_VAR(AFnSav), SS_VAR(OQnSav),
    SS_VAR(FLnSav), SS_VAR(DInSav), SS_VAR(TLnSav), SS_VAR(DVnSav), SS_VAR(FVnSav), SS_VAR(D1),
    SS_VAR(D2), SS_VAR(D3), SS_VAR(D4), SS_VAR(D5), SS_VAR(D6), SS_VAR(D7), SS_VAR(DA), SS_VAR(DB),
    SS_VAR(DC), SS_VAR(DD), SS_VAR(DE), SS_VAR(DF), SS_VAR(DG), SS_VAR(DH), SS_VAR(DS), SS_VAR(L1),
    SS_VAR(L2), SS_VAR(L3), SS_VAR(L4), SS_VAR(P1), SS_VAR(P2), SS_VAR(P3), SS_VAR(P4),
    // Remembered values and rest amplitudes
    SS_VAR(oav), SS_VAR(oavswt), SS_VARQ(of0, &kPitchValue), SS_VAR(ooq), SS_VAR(ofl), SS_VAR(odi),
    SS_VAR(otl), SS_VAR(odv), SS_VAR(ofv), SS_VAR(oas), SS_VAR(oasswt), SS_VAR(oaf),
    SS_VAR(oafswt), SS_VAR(ocasc), SS_VAR(opara), SS_VARQ(onaspt, &kNasalValue),
    SS_VARQ(otrcpt, &kTrachValue), SS_VARQ(oDf1pt, &kDeltaValue), SS_VAR(zav), SS_VAR(zas),
    SS_VAR(zaf),
    // Orchestra settings and further exported settings
    SS_VAR(outswt), SS_VAR(cascfac), SS_VAR(avfact), SS_VAR(asfact), SS_VAR(affact),
    SS_VAR(parafac), SS_VAR(srcsw), SS_VAR(fss), SS_VAR(ass), SS_VAR(f1i), SS_VAR(f2i),
    SS_VAR(f3i), SS_VAR(f4i), SS_VAR(f5i), SS_VAR(f6i), SS_VAR(f7i), SS_VAR(f8i), SS_VAR(b1i),
    SS_VAR(b2i), SS_VAR(b3i), SS_VAR(b4i), SS_VAR(b5i), SS_VAR(b6i), SS_VAR(b7i), SS_VAR(b8i),
    SS_VAR(npfact), SS_VAR(nzfact), SS_VAR(tpfact), SS_VAR(tzfact), SS_VAR(lpf), SS_VAR(cz1i),
    SS_VAR(cz2i), SS_VAR(cz3i), SS_VAR(cf1i), SS_VAR(cf2i), SS_VAR(cf3i), SS_VAR(cf4i),
    SS_VAR(cf5i), SS_VAR(cf6i), SS_VAR(cb1i), SS_VAR(cb2i), SS_VAR(cb3i), SS_VAR(cb4i),
    SS_VAR(cb5i), SS_VAR(cb6i), SS_VAR(portht), SS_VAR(disptime), SS_VAR(oab), SS_VAR(clrtn),
    SS_VAR(clrim),
    // Tempo
    SS_VAR(beatnew), SS_VAR(beatold), SS_VAR(beatsaccum), SS_VAR(beatslimit), SS_VAR(facGLMM),
    SS_VAR(spbGLMM),
    // Glides of the voice-source and noise tracks
    SS_VAR(newGLAV), SS_VAR(limGLAV), SS_VAR(spbGLAV), SS_VAR(newGLF0), SS_VAR(limGLF0),
    SS_VAR(spbGLF0), SS_VAR(facGLOQ), SS_VAR(newGLOQ), SS_VAR(limGLOQ), SS_VAR(spbGLOQ),
    SS_VAR(facGLFL), SS_VAR(newGLFL), SS_VAR(limGLFL), SS_VAR(spbGLFL), SS_VAR(facGLDI),
    SS_VAR(newGLDI), SS_VAR(limGLDI), SS_VAR(spbGLDI), SS_VAR(facGLTL), SS_VAR(newGLTL),
    SS_VAR(limGLTL), SS_VAR(spbGLTL), SS_VAR(facGLDV), SS_VAR(newGLDV), SS_VAR(limGLDV),
    SS_VAR(spbGLDV), SS_VAR(facGLFV), SS_VAR(newGLFV), SS_VAR(limGLFV), SS_VAR(spbGLFV),
    SS_VAR(newGLAS), SS_VAR(limGLAS), SS_VAR(spbGLAS), SS_VAR(newGLAF), SS_VAR(limGLAF),
    SS_VAR(spbGLAF),
    // Colour tables and filter state
    SS_VAR(formants), SS_VAR(frmadj), SS_VAR(parallel), SS_VAR(nasaltrach), SS_VAR(deltaf1),
    SS_VAR(frmadjpt),
};
// clang-format on

#undef SS_VAR
#undef SS_VARQ

}  // namespace

const Variable* variables(std::size_t& count) {
    count = sizeof kVariables / sizeof kVariables[0];
    return kVariables;
}

const Variable* find_variable(const std::string& name) {
    for (const Variable& v : kVariables) {
        if (name == v.name) return &v;
    }
    return nullptr;
}

const Quantity& value_quantity(const Variable& v) {
    if (v.quantity != nullptr) return *v.quantity;
    return v.number != nullptr ? kPlainNumber : kPlainInteger;
}

}  // namespace cli
