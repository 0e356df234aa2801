// Private to cli/: the quantities of the operations' parameters, each with its unit, the range
// the library accepts and the report it prints for a value outside it. The ranges of the
// instruments' p-fields are those of orchestra/instruments.tsv (checked by tests/cli).
#ifndef SPEECHSCORE_CLI_QUANTITIES_H
#define SPEECHSCORE_CLI_QUANTITIES_H

#include "script.h"

namespace cli {

using reports::Tag;

constexpr double kInf = kUnbounded;

// clang-format off
//                                      kind             unit                                   low    high  low in high in  report
constexpr Quantity kSpan       = {Kind::Number,    "length in seconds",                   {0,     kInf, false, false}, Tag::Duration};
constexpr Quantity kBeats      = {Kind::Number,    "length in beats",                     {0,     kInf, false, false}, Tag::Duration};
constexpr Quantity kGlideBeats = {Kind::Number,    "length in beats",                     {0,     kInf, false, false}, Tag::Duration};
constexpr Quantity kStep       = {Kind::Number,    "step in beats",                       {-kInf, kInf, false, false}, Tag::None};
constexpr Quantity kPhase      = {Kind::Number,    "nominal phase duration in seconds",   {0,     kInf, false, false}, Tag::Duration};
constexpr Quantity kMinDur     = {Kind::Number,    "minimum nominal length in seconds",   {-kInf, kInf, false, false}, Tag::None};
constexpr Quantity kLevel      = {Kind::Number,    "level in dB",                         {-kInf, 100,  false, true},  Tag::Loudness};
constexpr Quantity kPitch      = {Kind::Pitch,     "pitch, octave-point-decimal",         {0,     12,   false, false}, Tag::Pitch};
constexpr Quantity kOpenQ      = {Kind::Number,    "open quotient",                       {0,     1,    false, false}, Tag::OpenQuotient};
constexpr Quantity kFlutter    = {Kind::Number,    "flutter depth, a fraction",           {-kInf, kInf, false, false}, Tag::None};
constexpr Quantity kDiplo      = {Kind::Number,    "diplophonia depth, a fraction",       {-kInf, kInf, false, false}, Tag::None};
constexpr Quantity kTilt       = {Kind::Frequency, "spectral tilt in Hz",                 {0,     8000, true,  true},  Tag::Tilt};
constexpr Quantity kVoicingDV  = {Kind::Number,    "voicing time constant in seconds",    {-kInf, kInf, false, false}, Tag::None};
constexpr Quantity kNoiseFV    = {Kind::Number,    "voiced noise modulation, a fraction", {-kInf, kInf, false, false}, Tag::None};
constexpr Quantity kSwitch     = {Kind::Number,    "switch: 0 steps, 1 glides",           {-kInf, kInf, false, false}, Tag::None};
constexpr Quantity kColour     = {Kind::Colour,    "colour symbol",                       {0,     47,   true,  true},  Tag::Colour};
constexpr Quantity kNasal      = {Kind::Nasal,     "nasal pointer",                       {33,    38,   true,  true},  Tag::Odd};
constexpr Quantity kTracheal   = {Kind::Tracheal,  "tracheal pointer",                    {37,    38,   true,  true},  Tag::Tracheal};
constexpr Quantity kDeltaF1    = {Kind::DeltaF1,   "delta-F1 symbol",                     {0,     3,    true,  true},  Tag::DeltaF1};
constexpr Quantity kTto        = {Kind::Integer,   "TTO operation",                       {0,     47,   true,  true},  Tag::Tto};
constexpr Quantity kTempoMark  = {Kind::Number,    "metronome mark in beats per minute",  {0,     kInf, false, false}, Tag::Tempo};
constexpr Quantity kGlideMark  = {Kind::Number,    "metronome mark in beats per minute",  {0,     kInf, false, false}, Tag::Mark};
constexpr Quantity kOffsetDb   = {Kind::Number,    "offset in dB",                        {-kInf, kInf, false, false}, Tag::None};
constexpr Quantity kOffsetOct  = {Kind::Number,    "octave offset, 1/12 per semitone",    {-kInf, kInf, false, false}, Tag::None};
constexpr Quantity kFactor     = {Kind::Number,    "factor",                              {-kInf, kInf, false, false}, Tag::None};
constexpr Quantity kFrequency  = {Kind::Frequency, "frequency in Hz",                     {-kInf, kInf, false, false}, Tag::None};
constexpr Quantity kBandwidth  = {Kind::Frequency, "bandwidth in Hz",                     {-kInf, kInf, false, false}, Tag::None};
constexpr Quantity kShift      = {Kind::Frequency, "frequency shift in Hz",               {-kInf, kInf, false, false}, Tag::None};
constexpr Quantity kParaLevel  = {Kind::Number,    "level in dB",                         {-kInf, kInf, false, false}, Tag::None};
constexpr Quantity kField16    = {Kind::Number,    "share of F4..F8 in the cascade",      {-kInf, kInf, false, false}, Tag::None};
constexpr Quantity kDrop       = {Kind::Number,    "level drop in dB",                    {-kInf, kInf, false, false}, Tag::None};
constexpr Quantity kOutput     = {Kind::Number,    "output switch",                       {0,     12,   true,  true},  Tag::Output};
constexpr Quantity kSource     = {Kind::Number,    "source switch",                       {0,     5,    true,  true},  Tag::Source};
constexpr Quantity kLetter     = {Kind::Letter,    "statement letter, i or f",            {-kInf, kInf, false, false}, Tag::None};
constexpr Quantity kCount      = {Kind::Integer,   "number of p-fields",                  {1,     50,   true,  true},  Tag::None};
constexpr Quantity kCode       = {Kind::Integer,   "error code",                          {-kInf, kInf, false, false}, Tag::None};
// clang-format on

}  // namespace cli

#endif  // SPEECHSCORE_CLI_QUANTITIES_H
