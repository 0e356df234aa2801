// What --describe says about the phases of the segment builders: every span and level a builder
// or its duration driver derives from its arguments (D1..D5, DA..DH, DS, L1..L3), in words,
// after the reference's builder descriptions.
#include <cstdio>
#include <cstring>
#include <string>

#include "script.h"

namespace cli {
namespace {

// The builders a row speaks of, by group.
#define SS_STOPS "dV tsV tvV tV drpv_v"
#define SS_FRIC "sV vS zV drfi"

struct PhaseRow {
    const char* ops;  // the operations it belongs to, separated by blanks
    const char* name;
    const char* formula;
    const char* meaning;
};

// clang-format off
const PhaseRow kPhaseRows[] = {
    // One steady phase
    {"VOW VOWn H",    "span",   "beats * beat",               "the whole segment, one steady phase"},

    // Compression: one factor for every phase span of a segment
    {"vV",            "factor", "1, or span / (d1 + d2 + 2 d3)", "the phases shrink alike when the span beats * beat is shorter than d1 + d2 + 2 d3 (or minDur when larger); vV keeps its spans to itself"},
    {"vV",            "phase 1","d1 * factor",                "the first vowel (colorVow1, AVvow1, F0vow1), aspiration AStr"},
    {"vV",            "phase 2","d2 * factor",                "the first vowel held (same values)"},
    {"vV",            "phase 3","d3 * factor",                "the transition in the second vowel's colour (AVtr, F0vow2)"},
    {"vV",            "steady", "span - (phases 1 to 3)",     "the second vowel (AVvow2, F0vow2, ASvow2)"},
    {"lV drli",       "factor", "1, or tsec / (d1 + 2 d2 + d3)", "the phases shrink alike when tsec = beats * beat is shorter than d1 + 2 d2 + d3 (or minDur when larger)"},
    {SS_FRIC,         "factor", "1, or tsec / (d1 + 2 d2 + d3)", "the phases shrink alike when tsec = beats * beat is shorter than d1 + 2 d2 + d3 (or minDur when larger)"},
    {"Vs drff",       "factor", "1, or tsec / (d1 + d3 + 2 d4)", "the phases shrink alike when tsec = beats * beat is shorter than d1 + d3 + 2 d4 (or minDur when larger)"},
    {SS_STOPS,        "factor", "1, or tsec / (d1 + d2 + d3 + 2 d4)", "the phases shrink alike when tsec = beats * beat is shorter than d1 + d2 + d3 + 2 d4 (or minDur when larger)"},

    // Liquid and vowel
    {"lV drli",       "D1",     "d1 * factor",                "phase 1: the liquid (colorLiq, AVliq, ASliq)"},
    {"lV drli",       "D2",     "d2 * factor",                "phase 2: the liquid held (same values)"},
    {"lV drli",       "D3",     "d3 * factor",                "phase 3: the transition in the vowel's colour (AVtr)"},
    {"lV drli",       "DS",     "tsec - (D1 + D2 + D3)",      "the steady vowel (AVvow, ASvow)"},

    // Fricative and vowel
    {"sV drfi",       "D1",     "d1 * factor",                "phase 1: the fricative's noise, voice off (colorCons, AScons)"},
    {"vS",            "D1",     "d1 * factor",                "phase 1 of the voiced fricative, split into DA and DB"},
    {"zV",            "D1",     "d1 * factor",                "phase 1: voicing at L2, aspiration and frication at level (colorCons)"},
    {"sV drfi",       "D2",     "d2 * factor",                "phase 2: the fricative held (same values)"},
    {"vS",            "D2",     "d2 * factor",                "phase 2: voicing AVon with aspiration AScons (colorCons)"},
    {"zV",            "D2",     "d2 * factor",                "phase 2: voicing, aspiration and frication at level"},
    {"sV drfi",       "D3",     "d3 * factor",                "phase 3: the voicing onset, raised open quotient (colorVow, AVon, ASon)"},
    {"vS",            "D3",     "d3 * factor",                "phase 3: the voicing onset, raised open quotient (colorVow, AVon, AScons)"},
    {"zV",            "D3",     "d3 * factor",                "phase 3: the voicing onset at level, aspiration ASvow, frication 0 (colorVow)"},
    {SS_FRIC,         "DS",     "tsec - (D1 + D2 + D3)",      "the steady vowel (AVvow, ASvow)"},
    {"sV drfi",       "DA",     "tsec - D1",                  "all after phase 1 (set by drfi; sV does not read it)"},
    {"zV",            "DA",     "tsec - D1",                  "all after phase 1: the second event of the parallel branch (colorCons)"},
    {"vS",            "DA",     "D1 * 0.1",                   "the start of phase 1, voicing and aspiration at 0"},
    {"sV zV drfi",    "DB",     "DA - D2",                    "all after phases 1 and 2 (set by drfi; no builder reads it)"},
    {"vS",            "DB",     "D1 - DA",                    "the rest of phase 1: voicing AVcons and aspiration AScons"},
    {"zV",            "L2",     "level - 10",                 "the voicing level of phase 1"},

    // Vowel and final fricative; the steady phase lies between phases 1 and 3
    {"Vs drff",       "D1",     "d1 * factor",                "phase 1: the vowel onset (colorVow, AVon, ASon)"},
    {"Vs drff",       "DS",     "tsec - (D1 + D3 + D4)",      "the steady vowel after phase 1 (AVvow, ASvow)"},
    {"Vs drff",       "D3",     "d3 * factor",                "phase 3: the fricative, voice off (colorFric, ASfric)"},
    {"Vs drff",       "D4",     "d4 * factor",                "phase 4: the fricative held (same values)"},

    // Stop and vowel
    {SS_STOPS,        "D1",     "d1 * factor",                "phase 1: silence in the stop's colour, every source at 0"},
    {SS_STOPS,        "D2",     "d2 * factor",                "phase 2: silence held; the burst starts after it"},
    {"dV",            "D3",     "d3 * factor",                "phase 3: the first release, voicing at ampA"},
    {"tsV tvV tV drpv_v", "D3", "d3 * factor",                "phase 3: the first release, aspirated"},
    {"dV",            "D4",     "d4 * factor",                "phase 4: the second release in the vowel's colour, voicing ampB, aspiration ampC"},
    {"tsV tvV tV drpv_v", "D4", "d4 * factor",                "phase 4: the second release, voiced in its last 0.67 (DE)"},
    {SS_STOPS,        "D5",     "d5 * factor",                "each of the two aspiration events around DF (tsV, tvV, tV)"},
    {SS_STOPS,        "DS",     "tsec - (D1 + D2 + D3 + D4)", "the steady vowel (AVvow); tvV lowers it by DE"},
    {SS_STOPS,        "DA",     "DS - D5",                    "the last aspiration event, at ASvow (tsV, tvV, tV)"},
    {SS_STOPS,        "DB",     "D2 + D3",                    "phases 2 and 3 as one span of the cascade and parallel branches; tvV makes it D2 + D3 + D4"},
    {SS_STOPS,        "DC",     "d5 - dBurst",                "silent frication after the burst (not compressed)"},
    {SS_STOPS,        "DD",     "tsec - (D1 + D2 + d5)",      "the last frication event, silent (d5 not compressed)"},
    {SS_STOPS,        "DE",     "D4 * 0.67",                  "the voiced part of phase 4 (tsV, tvV, tV)"},
    {SS_STOPS,        "DF",     "D3 + D4 - D5",               "the middle aspiration event, at L1 (tsV, tvV, tV)"},
    {SS_STOPS,        "DG",     "D2 + D3 + D4 - DE",          "the silent voice after phase 1 (tsV, tvV, tV)"},
    {SS_STOPS,        "DH",     "DE * 0.5",                   "set by drpv_v; no builder reads it"},
    {"dV",            "L1",     "ampB - burstDrop",           "the burst level"},
    {"tsV",           "L1",     "the larger of ampB and ampC", "the aspiration of DF and the burst level"},
    {"tvV tV",        "L1",     "the larger of ampB and ampC", "the aspiration of DF"},
    {"tsV tvV tV",    "L2",     "ampA",                       "the aspiration of the first D5 event"},
    {"tvV",           "L3",     "ampA",                       "the burst level"},
    {"tV",            "L3",     "ampA - burstDrop",           "the burst level"},
};
// clang-format on

bool belongs(const PhaseRow& row, const char* op) {
    const std::string ops = std::string(" ") + row.ops + " ";
    return ops.find(std::string(" ") + op + " ") != std::string::npos;
}

}  // namespace

void print_phases(std::FILE* out, const char* op) {
    bool any = false;
    for (const PhaseRow& row : kPhaseRows) {
        if (!belongs(row, op)) continue;
        if (!any) std::fprintf(out, "Phases (spans in seconds, levels in dB):\n");
        any = true;
        std::fprintf(out, "  %-7s = %s: %s\n", row.name, row.formula, row.meaning);
    }
}

}  // namespace cli
