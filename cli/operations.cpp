// The operation table of the script runner: every exported operation of the library, one row
// each, with its parameters (name, kind, unit, range) and the function it calls.
#include <cstddef>
#include <cstring>
#include <string>
#include <type_traits>
#include <utility>

#include "quantities.h"
#include "script.h"
#include "speechscore.h"

namespace cli {
namespace {

// ---- Calling a function with parsed arguments -------------------------------------------------

template <typename T>
T arg_as(const Arg& a);
template <>
double arg_as<double>(const Arg& a) {
    return a.number;
}
template <>
int arg_as<int>(const Arg& a) {
    return a.integer;
}
template <>
char arg_as<char>(const Arg& a) {
    return a.letter;
}

template <typename T>
constexpr char type_letter() {
    return std::is_same_v<T, double> ? 'd' : std::is_same_v<T, int> ? 'i' : 'c';
}

// Calls Fn with the arguments in order, each as the type of its parameter; returns the int an
// int function returns, 0 otherwise. types spells the parameter types out for the checks below.
template <auto Fn, typename Signature = decltype(Fn)>
struct Thunk;
template <auto Fn, typename R, typename... A>
struct Thunk<Fn, R (*)(A...)> {
    static_assert(((std::is_same_v<A, double> || std::is_same_v<A, int> ||
                    std::is_same_v<A, char>)&&...),
                  "parameters are double, int or char");
    static constexpr char types[] = {type_letter<A>()..., '\0'};
    static int call([[maybe_unused]] const Arg* args) {
        return call_with(args, std::index_sequence_for<A...>{});
    }
    template <std::size_t... I>
    static int call_with([[maybe_unused]] const Arg* args, std::index_sequence<I...>) {
        if constexpr (std::is_void_v<R>) {
            Fn(arg_as<A>(args[I])...);
            return 0;
        } else {
            return Fn(arg_as<A>(args[I])...);
        }
    }
};

// clang-format off

// The name, the invoker and the parameter types of an exported function, for a table row.
#define SS_OP(fn) #fn, &Thunk<&fn>::call, Thunk<&fn>::types

// Parameter lists that several operations share.
#define SS_START_SETTINGS {"outswt", &kOutput}, {"cascfac", &kFactor}, {"avfact", &kFactor}, \
    {"asfact", &kFactor}, {"affact", &kFactor}, {"parafac", &kFactor}, {"srcsw", &kSource},  \
    {"fss", &kFactor}, {"ass", &kFactor}
#define SS_VOICE_VALUES {"av", &kLevel}, {"f0", &kPitch}, {"oq", &kOpenQ}, {"fl", &kFlutter},   \
    {"di", &kDiplo}, {"tl", &kTilt}, {"dv", &kVoicingDV}, {"fv", &kNoiseFV}, {"avswt", &kSwitch}
#define SS_QUALITY_VALUES {"oq", &kOpenQ}, {"fl", &kFlutter}, {"di", &kDiplo}, {"tl", &kTilt}, \
    {"dv", &kVoicingDV}, {"fv", &kNoiseFV}
#define SS_PHASES3 {"d1", &kPhase}, {"d2", &kPhase}, {"d3", &kPhase}, {"minDur", &kMinDur}
#define SS_STOP_PARAMS {"beats", &kBeats}, {"colorCons", &kColour}, {"colorVow", &kColour},    \
    {"ampA", &kLevel}, {"ampB", &kLevel}, {"AVvow", &kLevel}, {"F0", &kPitch}, {"ampC", &kLevel}, \
    {"ASvow", &kLevel}, {"d1", &kPhase}, {"d2", &kPhase}, {"dBurst", &kPhase}, {"d5", &kPhase},   \
    {"burstDrop", &kDrop}, {"d3", &kPhase}, {"d4", &kPhase}, {"minDur", &kMinDur}

// Shared spans of the stop builders that can come out 0 or less with every argument in range.
#define SS_STOP_SPANS "DC = d5 - dBurst|DD = span - (D1 + D2 + d5)"
#define SS_ASPIRATION_SPANS "DA = DS - D5|DF = D3 + D4 - D5"

constexpr Operation kOperations[] = {
    // Score statements and error log
    {SS_OP(wr), Role::Call, "", {{"kind", &kLetter}, {"count", &kCount}}},
    {SS_OP(wrfilt), Role::Call, "", {{"kind", &kLetter}, {"count", &kCount}}},
    {SS_OP(wrf4_8), Role::Call, "", {{"kind", &kLetter}, {"count", &kCount}}},
    {SS_OP(err), Role::Report, "", {{"code", &kCode}, {"count", &kCount}}},

    // Start-up and end
    {SS_OP(start1), Role::Call, "", {SS_START_SETTINGS}},
    {SS_OP(startf), Role::Call, "", {{"f1", &kFrequency}, {"f2", &kFrequency}, {"f3", &kFrequency},
                                     {"f4", &kFrequency}, {"f5", &kFrequency}, {"f6", &kFrequency},
                                     {"f7", &kFrequency}, {"f8", &kFrequency}}},
    {SS_OP(startb), Role::Call, "", {{"b1", &kBandwidth}, {"b2", &kBandwidth}, {"b3", &kBandwidth},
                                     {"b4", &kBandwidth}, {"b5", &kBandwidth}, {"b6", &kBandwidth},
                                     {"b7", &kBandwidth}, {"b8", &kBandwidth}}},
    {SS_OP(startmn), Role::Call, "", {}},
    {SS_OP(fine), Role::Fine, "", {}},

    // Tempo
    {SS_OP(metronome), Role::Call, "", {{"mark", &kTempoMark}}},
    {SS_OP(glMM), Role::Call, "", {{"spanBeats", &kGlideBeats}, {"mark", &kGlideMark}}},
    {SS_OP(doGLMM), Role::Call, "", {{"beats", &kStep}}},

    // Voice-source tracks
    {SS_OP(genAV), Role::Call, "", {{"span", &kSpan}, {"av", &kLevel}, {"avswt", &kSwitch}}},
    {SS_OP(genF0), Role::Call, "", {{"span", &kSpan}, {"f0", &kPitch}}},
    {SS_OP(genOQ), Role::Call, "", {{"span", &kSpan}, {"oq", &kOpenQ}}},
    {SS_OP(genFL), Role::Call, "", {{"span", &kSpan}, {"fl", &kFlutter}}},
    {SS_OP(genDI), Role::Call, "", {{"span", &kSpan}, {"di", &kDiplo}}},
    {SS_OP(genTL), Role::Call, "", {{"span", &kSpan}, {"tl", &kTilt}}},
    {SS_OP(genDV), Role::Call, "", {{"span", &kSpan}, {"dv", &kVoicingDV}}},
    {SS_OP(genFV), Role::Call, "", {{"span", &kSpan}, {"fv", &kNoiseFV}}},
    {SS_OP(glAV), Role::Call, "", {{"spanBeats", &kGlideBeats}, {"target", &kOffsetDb}}},
    {SS_OP(glF0), Role::Call, "", {{"spanBeats", &kGlideBeats}, {"target", &kOffsetOct}}},
    {SS_OP(glOQ), Role::Call, "", {{"spanBeats", &kGlideBeats}, {"target", &kFactor}}},
    {SS_OP(glFL), Role::Call, "", {{"spanBeats", &kGlideBeats}, {"target", &kFactor}}},
    {SS_OP(glDI), Role::Call, "", {{"spanBeats", &kGlideBeats}, {"target", &kFactor}}},
    {SS_OP(glTL), Role::Call, "", {{"spanBeats", &kGlideBeats}, {"target", &kFactor}}},
    {SS_OP(glDV), Role::Call, "", {{"spanBeats", &kGlideBeats}, {"target", &kFactor}}},
    {SS_OP(glFV), Role::Call, "", {{"spanBeats", &kGlideBeats}, {"target", &kFactor}}},
    {SS_OP(doGLAV), Role::Call, "", {{"step", &kStep}}},
    {SS_OP(doGLF0), Role::Call, "", {{"step", &kStep}}},
    {SS_OP(doGLOQ), Role::Call, "", {{"step", &kStep}}},
    {SS_OP(doGLFL), Role::Call, "", {{"step", &kStep}}},
    {SS_OP(doGLDI), Role::Call, "", {{"step", &kStep}}},
    {SS_OP(doGLTL), Role::Call, "", {{"step", &kStep}}},
    {SS_OP(doGLDV), Role::Call, "", {{"step", &kStep}}},
    {SS_OP(doGLFV), Role::Call, "", {{"step", &kStep}}},
    {SS_OP(nrmGLAV), Role::Call, "", {}},
    {SS_OP(nrmGLF0), Role::Call, "", {}},
    {SS_OP(nrmGLOQ), Role::Call, "", {}},
    {SS_OP(nrmGLFL), Role::Call, "", {}},
    {SS_OP(nrmGLDI), Role::Call, "", {}},
    {SS_OP(nrmGLTL), Role::Call, "", {}},
    {SS_OP(nrmGLDV), Role::Call, "", {}},
    {SS_OP(nrmGLFV), Role::Call, "", {}},

    // Voicing assembly and voice-quality settings
    {SS_OP(Voi), Role::Call, "", {{"span", &kSpan}, SS_VOICE_VALUES}},
    {SS_OP(doGLVSrc), Role::Call, "", {{"step", &kStep}}},
    {SS_OP(aV), Role::Call, "", {{"span", &kSpan}, {"av", &kLevel}, {"f0", &kPitch}}},
    {SS_OP(xV), Role::Call, "", {{"span", &kSpan}, {"av", &kLevel}, {"f0", &kPitch}}},
    {SS_OP(qV), Role::Call, "", {{"span", &kSpan}, {"av", &kLevel}, {"f0", &kPitch}}},
    {SS_OP(setAV), Role::Call, "", {{"value", &kOffsetDb}}},
    {SS_OP(setF0), Role::Call, "", {{"value", &kOffsetOct}}},
    {SS_OP(setAS), Role::Call, "", {{"value", &kOffsetDb}}},
    {SS_OP(setAF), Role::Call, "", {{"value", &kOffsetDb}}},
    {SS_OP(setOQ), Role::Call, "", {{"value", &kOpenQ}}},
    {SS_OP(setFL), Role::Call, "", {{"value", &kFlutter}}},
    {SS_OP(setDI), Role::Call, "", {{"value", &kDiplo}}},
    {SS_OP(setTL), Role::Call, "", {{"value", &kTilt}}},
    {SS_OP(setDV), Role::Call, "", {{"value", &kVoicingDV}}},
    {SS_OP(setFV), Role::Call, "", {{"value", &kNoiseFV}}},
    {SS_OP(orgVOIC), Role::Call, "", {SS_QUALITY_VALUES}},
    {SS_OP(setVOIC), Role::Call, "", {SS_QUALITY_VALUES}},
    {SS_OP(normVOIC), Role::Call, "", {}},
    {SS_OP(normGL), Role::Call, "", {}},

    // Aspiration and frication tracks
    {SS_OP(genAS), Role::Call, "", {{"span", &kSpan}, {"amp", &kLevel}, {"asswt", &kSwitch}}},
    {SS_OP(genAF), Role::Call, "", {{"span", &kSpan}, {"amp", &kLevel}, {"afswt", &kSwitch}}},
    {SS_OP(glAS), Role::Call, "", {{"spanBeats", &kGlideBeats}, {"target", &kOffsetDb}}},
    {SS_OP(glAF), Role::Call, "", {{"spanBeats", &kGlideBeats}, {"target", &kOffsetDb}}},
    {SS_OP(doGLAS), Role::Call, "", {{"step", &kStep}}},
    {SS_OP(doGLAF), Role::Call, "", {{"step", &kStep}}},
    {SS_OP(nrmGLAS), Role::Call, "", {}},
    {SS_OP(nrmGLAF), Role::Call, "", {}},
    {SS_OP(aS), Role::Call, "", {{"span", &kSpan}, {"amp", &kLevel}}},
    {SS_OP(xS), Role::Call, "", {{"span", &kSpan}, {"amp", &kLevel}}},
    {SS_OP(aF), Role::Call, "", {{"span", &kSpan}, {"amp", &kLevel}}},
    {SS_OP(xF), Role::Call, "", {{"span", &kSpan}, {"amp", &kLevel}}},

    // Cascade formants
    {SS_OP(frqF1), Role::Call, "", {{"span", &kSpan}, {"freq", &kFrequency}, {"bw", &kBandwidth}}},
    {SS_OP(frqF2), Role::Call, "", {{"span", &kSpan}, {"freq", &kFrequency}, {"bw", &kBandwidth}}},
    {SS_OP(frqF3), Role::Call, "", {{"span", &kSpan}, {"freq", &kFrequency}, {"bw", &kBandwidth}}},
    {SS_OP(frqF4_8), Role::Call, "", {{"span", &kSpan}, {"f4", &kFrequency}, {"f5", &kFrequency},
                                      {"f6", &kFrequency}, {"f7", &kFrequency}, {"f8", &kFrequency},
                                      {"b4", &kBandwidth}, {"b5", &kBandwidth}, {"b6", &kBandwidth},
                                      {"b7", &kBandwidth}, {"b8", &kBandwidth},
                                      {"field16", &kField16}}},
    {SS_OP(clrF1), Role::Call, "", {{"span", &kSpan}, {"color", &kColour}, {"bwScale", &kFactor},
                                    {"fShift", &kShift}}},
    {SS_OP(clrF2), Role::Call, "", {{"span", &kSpan}, {"color", &kColour}, {"bwScale", &kFactor},
                                    {"fShift", &kShift}}},
    {SS_OP(clrF3), Role::Call, "", {{"span", &kSpan}, {"color", &kColour}, {"bwScale", &kFactor},
                                    {"fShift", &kShift}}},
    {SS_OP(clrF4_8), Role::Call, "", {{"span", &kSpan}, {"color", &kColour},
                                      {"bwScale", &kFactor}}},
    {SS_OP(Casc), Role::Call, "", {{"span", &kSpan}, {"color", &kColour}}},
    {SS_OP(clrTTO), Role::Result, "", {{"op", &kTto}, {"color", &kColour}}},
    {SS_OP(setTTO), Role::Call, "", {{"op", &kTto}}},
    {SS_OP(norm), Role::Call, "", {}},
    {SS_OP(sing), Role::Call, "", {}},

    // Parallel branch and pole-zero pairs
    {SS_OP(Para), Role::Call, "", {{"span", &kSpan}, {"color", &kColour}}},
    {SS_OP(frqPara), Role::Call, "", {{"span", &kSpan}, {"a2", &kParaLevel}, {"bp2", &kBandwidth},
                                      {"a3", &kParaLevel}, {"bp3", &kBandwidth},
                                      {"a4", &kParaLevel}, {"bp4", &kBandwidth},
                                      {"a5", &kParaLevel}, {"bp5", &kBandwidth},
                                      {"a6", &kParaLevel}, {"bp6", &kBandwidth},
                                      {"ab", &kParaLevel}}},
    {SS_OP(genNAS), Role::Call, "", {{"span", &kSpan}, {"nasalPtr", &kNasal}}},
    {SS_OP(genTRC), Role::Call, "", {{"span", &kSpan}, {"trachPtr", &kTracheal}}},
    {SS_OP(genDF1), Role::Call, "", {{"span", &kSpan}, {"df1Sym", &kDeltaF1}}},

    // Rests
    {SS_OP(restF1), Role::Call, "", {{"span", &kSpan}}},
    {SS_OP(restF2), Role::Call, "", {{"span", &kSpan}}},
    {SS_OP(restF3), Role::Call, "", {{"span", &kSpan}}},
    {SS_OP(restF4_8), Role::Call, "", {{"span", &kSpan}}},
    {SS_OP(restVoi), Role::Call, "", {{"span", &kSpan}}},
    {SS_OP(restAS), Role::Call, "", {{"span", &kSpan}}},
    {SS_OP(restAF), Role::Call, "", {{"span", &kSpan}}},
    {SS_OP(restPara), Role::Call, "", {{"span", &kSpan}}},
    {SS_OP(restNas), Role::Call, "", {{"span", &kSpan}}},
    {SS_OP(restTrc), Role::Call, "", {{"span", &kSpan}}},
    {SS_OP(restDf1), Role::Call, "", {{"span", &kSpan}}},
    {SS_OP(restCasc), Role::Call, "", {{"span", &kSpan}}},
    {SS_OP(restAFPar), Role::Call, "", {{"span", &kSpan}}},
    {SS_OP(restNTD), Role::Call, "", {{"span", &kSpan}}},
    {SS_OP(restAll), Role::Call, "", {{"span", &kSpan}}},
    {SS_OP(Rest), Role::Call, "", {{"beats", &kBeats}}},

    // Beat-timed statements
    {SS_OP(restNTDB), Role::Call, "", {{"beats", &kBeats}}},
    {SS_OP(restVoiB), Role::Call, "", {{"beats", &kBeats}}},
    {SS_OP(restAFParB), Role::Call, "", {{"beats", &kBeats}}},
    {SS_OP(restASB), Role::Call, "", {{"beats", &kBeats}}},
    {SS_OP(restAFB), Role::Call, "", {{"beats", &kBeats}}},
    {SS_OP(AVB), Role::Call, "", {{"beats", &kBeats}, {"av", &kLevel}, {"avswt", &kSwitch}}},
    {SS_OP(F0B), Role::Call, "", {{"beats", &kBeats}, {"f0", &kPitch}}},
    {SS_OP(OQB), Role::Call, "", {{"beats", &kBeats}, {"oq", &kOpenQ}}},
    {SS_OP(FLB), Role::Call, "", {{"beats", &kBeats}, {"fl", &kFlutter}}},
    {SS_OP(DIB), Role::Call, "", {{"beats", &kBeats}, {"di", &kDiplo}}},
    {SS_OP(TLB), Role::Call, "", {{"beats", &kBeats}, {"tl", &kTilt}}},
    {SS_OP(DVB), Role::Call, "", {{"beats", &kBeats}, {"dv", &kVoicingDV}}},
    {SS_OP(FVB), Role::Call, "", {{"beats", &kBeats}, {"fv", &kNoiseFV}}},
    {SS_OP(VoiB), Role::Call, "", {{"beats", &kBeats}, SS_VOICE_VALUES}},
    {SS_OP(ASB), Role::Call, "", {{"beats", &kBeats}, {"amp", &kLevel}, {"asswt", &kSwitch}}},
    {SS_OP(AFB), Role::Call, "", {{"beats", &kBeats}, {"amp", &kLevel}, {"afswt", &kSwitch}}},
    {SS_OP(CascB), Role::Call, "", {{"beats", &kBeats}, {"color", &kColour}}},
    {SS_OP(frqCascB), Role::Call, "", {{"beats", &kBeats}, {"f1", &kFrequency}, {"f2", &kFrequency},
                                       {"f3", &kFrequency}}},
    {SS_OP(ParaB), Role::Call, "", {{"beats", &kBeats}, {"color", &kColour}}},

    // Segment builders and duration drivers
    {SS_OP(VOW), Role::Call, "", {{"beats", &kBeats}, {"color", &kColour}, {"AV", &kLevel},
                                  {"F0", &kPitch}, {"OQ", &kOpenQ}, {"FL", &kFlutter},
                                  {"DI", &kDiplo}, {"TL", &kTilt}, {"DV", &kVoicingDV},
                                  {"FV", &kNoiseFV}, {"AS", &kLevel}, {"swt", &kSwitch}}},
    {SS_OP(VOWn), Role::Call, "", {{"beats", &kBeats}, {"color", &kColour}, {"AV", &kLevel},
                                   {"F0", &kPitch}, {"AS", &kLevel}, {"swt", &kSwitch}}},
    {SS_OP(H), Role::Call, "", {{"beats", &kBeats}, {"color", &kColour}, {"AS", &kLevel},
                                {"swt", &kSwitch}}},
    {SS_OP(vV), Role::Call, "", {{"beats", &kBeats}, {"colorVow1", &kColour},
                                 {"colorVow2", &kColour}, {"AVvow1", &kLevel}, {"AVtr", &kLevel},
                                 {"AVvow2", &kLevel}, {"F0vow1", &kPitch}, {"F0vow2", &kPitch},
                                 {"AStr", &kLevel}, {"ASvow2", &kLevel}, SS_PHASES3}},
    {SS_OP(drli), Role::Call, "", {{"beats", &kBeats}, SS_PHASES3}},
    {SS_OP(lV), Role::Call, "", {{"beats", &kBeats}, {"colorLiq", &kColour}, {"colorVow", &kColour},
                                 {"AVliq", &kLevel}, {"AVtr", &kLevel}, {"AVvow", &kLevel},
                                 {"F0", &kPitch}, {"ASliq", &kLevel}, {"ASvow", &kLevel},
                                 SS_PHASES3}},
    {SS_OP(drfi), Role::Call, "", {{"beats", &kBeats}, SS_PHASES3}},
    {SS_OP(sV), Role::Call, "", {{"beats", &kBeats}, {"colorCons", &kColour},
                                 {"colorVow", &kColour}, {"AScons", &kLevel}, {"AVon", &kLevel},
                                 {"AVvow", &kLevel}, {"F0", &kPitch}, {"ASon", &kLevel},
                                 {"ASvow", &kLevel}, SS_PHASES3}},
    {SS_OP(vS), Role::Call, "", {{"beats", &kBeats}, {"colorCons", &kColour},
                                 {"colorVow", &kColour}, {"AVcons", &kLevel}, {"AVon", &kLevel},
                                 {"AVvow", &kLevel}, {"F0", &kPitch}, {"AScons", &kLevel},
                                 {"ASvow", &kLevel}, SS_PHASES3}},
    {SS_OP(zV), Role::Call, "", {{"beats", &kBeats}, {"colorCons", &kColour},
                                 {"colorVow", &kColour}, {"level", &kLevel}, {"F0", &kPitch},
                                 {"ASvow", &kLevel}, {"AVvow", &kLevel}, SS_PHASES3}},
    {SS_OP(drff), Role::Call, "", {{"beats", &kBeats}, {"d1", &kPhase}, {"d3", &kPhase},
                                   {"d4", &kPhase}, {"minDur", &kMinDur}}},
    {SS_OP(Vs), Role::Call, "", {{"beats", &kBeats}, {"colorVow", &kColour},
                                 {"colorFric", &kColour}, {"AVon", &kLevel}, {"AVvow", &kLevel},
                                 {"ASfric", &kLevel}, {"F0", &kPitch}, {"ASon", &kLevel},
                                 {"ASvow", &kLevel}, {"d1", &kPhase}, {"d3", &kPhase},
                                 {"d4", &kPhase}, {"minDur", &kMinDur}}},
    {SS_OP(drpv_v), Role::Call, "", {{"beats", &kBeats}, {"d1", &kPhase}, {"d2", &kPhase},
                                     {"dBurst", &kPhase}, {"d5", &kPhase}, {"d3", &kPhase},
                                     {"d4", &kPhase}, {"minDur", &kMinDur}}},
    {SS_OP(dV), Role::Call, SS_STOP_SPANS "|L1 = ampB - burstDrop", {SS_STOP_PARAMS}},
    {SS_OP(tsV), Role::Call, SS_STOP_SPANS "|" SS_ASPIRATION_SPANS, {SS_STOP_PARAMS}},
    {SS_OP(tvV), Role::Call, SS_STOP_SPANS "|" SS_ASPIRATION_SPANS, {SS_STOP_PARAMS}},
    {SS_OP(tV), Role::Call, SS_STOP_SPANS "|" SS_ASPIRATION_SPANS "|L3 = ampA - burstDrop", {
                                                                                             SS_STOP_PARAMS}},
};

// clang-format on

#undef SS_OP
#undef SS_START_SETTINGS
#undef SS_VOICE_VALUES
#undef SS_QUALITY_VALUES
#undef SS_PHASES3
#undef SS_STOP_PARAMS
#undef SS_STOP_SPANS
#undef SS_ASPIRATION_SPANS

constexpr char type_of(Kind kind) {
    switch (kind) {
        case Kind::Number:
        case Kind::Frequency:
        case Kind::Pitch:
            return 'd';
        case Kind::Letter:
            return 'c';
        default:
            return 'i';
    }
}

// Every row names as many parameters as its function takes, each of the function's type.
constexpr bool rows_match_signatures() {
    for (const Operation& op : kOperations) {
        int n = 0;
        while (n < kMaxParams && op.params[n].name != nullptr) {
            if (op.types[n] == '\0' || op.params[n].quantity == nullptr) return false;
            if (type_of(op.params[n].quantity->kind) != op.types[n]) return false;
            ++n;
        }
        if (op.types[n] != '\0') return false;
    }
    return true;
}
static_assert(rows_match_signatures(), "a row's parameters differ from its function's");

}  // namespace

const Operation* operations(std::size_t& count) {
    count = sizeof kOperations / sizeof kOperations[0];
    return kOperations;
}

const Operation* find_operation(const std::string& name) {
    for (const Operation& op : kOperations) {
        if (name == op.name) return &op;
    }
    return nullptr;
}

}  // namespace cli
