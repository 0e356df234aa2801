// clang-format off
/**
 * @file speechscore.h
 * @brief speechscore: composes synthetic speech as a Csound score on standard output.
 *
 * Every operation and every exported variable of the library, grouped by subsystem. A client
 * program defines two variables (`beat` and `TTO`), calls the operations in time order and gets
 * a score for a cascade/parallel formant synthesizer orchestra, one Csound instrument per
 * synthesis parameter (the project's own orchestra is `orchestra/speechscore.orc`, described in
 * `docs/orchestra.md`; the colours are charted in `docs/colours.md`).
 *
 * ## Calling order
 * `start1` (orchestra settings; clears the time lines, the p-field buffer and the error count),
 * optionally `startf` and `startb`, `startmn` (the function tables), `metronome` (and later
 * `glMM` for tempo glides), then the body of the score (segment builders, rests, beat-timed
 * statements, single generators, glides and setters), then `fine`. Nothing enforces the order.
 *
 * ## Units
 * - **span**: a length in seconds (the generators, the rests). Every instrument has its own time
 *   line `timepoints[instrument - 8]`: an event starts where the previous event of the same
 *   instrument ended, and the time line moves on by the span.
 * - **beats**: a length in beats (the segment builders, `Rest`, the beat-timed statements
 *   ending in B). It becomes seconds as beats × `beat`, with `beat` as the master tempo glide
 *   leaves it after the statement's own tempo step.
 * - **level**: AV, AS, AF and the parallel amplitudes are levels in dB on a 0..100 scale; the
 *   generators accept up to and including 100 and have no lower bound; the orchestra plays a
 *   level of 0 or less as silence.
 * - **pitch**: F0 is octave-point-decimal on the orchestra's pitch scale: the integer part is the
 *   octave, the fraction twelfths of it. 7.00 = 130.8 Hz (C3), 8.00 = 261.6 Hz (middle C),
 *   8.75 = 440 Hz (A4); valid strictly between 0 and 12. `speechscore_colours.h` converts notes
 *   and Hz.
 * - **colour symbol**: an int 0..47 that selects a row of the colour tables; the ring colours
 *   0..11 are vowels and pass through the TTO map `TTO` in the cascade.
 * - **pointer**: the nasal (33..36) and tracheal (37, 38) pointers select a row of `nasaltrach`;
 *   the delta-F1 symbol (0, 1) a row of `deltaf1`.
 *
 * ## Errors
 * No operation returns an error. A bad argument is reported into the score itself: a message
 * line (not a comment, so the orchestra refuses the score), then an echo comment `;i` of the
 * statement being prepared (the p-field buffer as it stands), and `nerrors` counts it. The event
 * concerned is not written; the other calls go on. At `fine` a non-zero count replaces the
 * closing "e" with the line "THERE ARE   n ERRORS IN THIS FILE.", writes the count to
 * standard error and ends the process with exit status 1.
 *
 * | code | message |
 * |---|---|
 * | 1 | "Error: <limit> <= 0." (reported by no operation; free for clients) |
 * | 2 | "Error: <loudness> out-of-range." |
 * | 3 | "Error: <duration> <= 0." |
 * | 4 | "Error: <pitch> out-of-range." |
 * | 5 | "Error: <open quotient> out-of-range." |
 * | 6 | "Error: <color symbol> is wrong." |
 * | 8 | "Error: <tracheal pointer> is wrong." |
 * | 9 | "Error: <delta F1 symbol> is wrong." |
 * | 10 | "Error: <output switch> is wrong." |
 * | 11 | "Error: <source switch> is wrong." |
 * | 13 | "Error: <tilt> out-of-range." |
 * | 15 | "Error: <TTO operation> is wrong." |
 * | 0, 7, 12, 14, other | "Odd error: Email: speechscore-maintainers@lists.speechscore.org." |
 *
 * ## Numbers that are not numbers
 * A NaN or an infinity never reaches the score or the shared state. Every operation that is
 * given one reports it and counts it, and finite arguments keep their exact output:
 *
 * | argument | report: code (echo) | then |
 * |---|---|---|
 * | span (seconds) of a generator or rest | 3 (the event's) | counts as 0: no event, line stays |
 * | beats of a builder, `Rest`, a B statement | 3 per tempo/glide step and event | span 0 |
 * | step of `doGLMM`, `doGLXX` (`doGLVSrc` once) | 3 (12) | counts as 0 |
 * | span of `glMM` or `glXX` | 3 (12) | counts as 0; the glide ends at the next step |
 * | target of `glXX` | 0 (12) | the running glide stays as it was |
 * | mark of `metronome` | 0 (12) and the fallback comment | `beat` = 1 |
 * | mark of `glMM` | the counted bad-mark comment | the request is dropped |
 * | AV, AS or AF level, or its switch | 2 (12 voice, 5 noise) | no event, nothing remembered |
 * | F0, OQ, TL | 4, 5, 13 (12) | no event, nothing remembered |
 * | FL, DI, DV, FV; a frequency, bandwidth, scale, shift | 0 (the event's) | no event |
 * | duration, `dBurst`, `d5`, `minDur` of a driver or `vV` | 3 (12), once each | counts as 0 |
 * | `swt` of `VOWn` or `H` | 2 (12), once | the x-forms (switch 1) |
 * | `burstDrop` of `tsV`, `tvV` (not read) | 0 (12) | nothing else changes |
 * | a setter, `orgVOIC`, `setVOIC`, `startf`, `startb` | 0 (1) | previous value kept |
 * | a setting of `start1` | 10, 11 (switches), else 0 (17) | previous value kept |
 *
 * A value the client wrote into an exported table or variable (`formants`, `nasaltrach`,
 * `deltaf1`, `ocasc`, `incAV`, `OQn`, `facGLTL`, `pfields` ...) is checked when a statement
 * would carry it: the statement is reported (with the track's code, or 0) instead of written,
 * and nothing is remembered. `fine` reports a global-settings event or end event with a field
 * that is not a number, and then ends with status 1. Echo and comment lines show such a value
 * as 0. `nerrors` stops at 2147483647 instead of overflowing.
 *
 * ## Locale
 * The score always uses "." as the decimal point and no digit grouping, whatever locale the
 * client set (`setlocale`, `uselocale`). Each statement line is written with one call.
 *
 * ## Things that surprise newcomers
 * - A rejected event still moves its time line by its span (backwards for a negative span);
 *   only the statement is missing. A bad colour in the cascade is the exception: `clrF1` to
 *   `clrF3` move nothing, so after `Casc` with a bad colour F1..F3 lag behind F4_8.
 * - Remembered values stay in force. The rests replay the last value of every track, and every
 *   segment builder rests the nasal, tracheal and delta-F1 tracks: a nasal written with
 *   `genNAS` sounds under every later segment until `genNAS(span, 33)` is written, a tracheal
 *   pair until `genTRC(span, 37)`.
 * - Rests add the current offsets to the remembered values: a rest's F0 is the last F0 (which
 *   already holds the offset of its time) plus `incF0` once more, so an F0 offset climbs over
 *   rests, and an AV offset `incAV` sounds in rests (a rest writes `zav` + `incAV`).
 * - A second `start1` clears the error count; the remembered values, glides and beat positions
 *   carry on.
 * - Echo lines print what the p-field buffer holds, which may include fields of an earlier
 *   statement.
 * - A bad mark given to `glMM` is a counted error although it is written as a comment.
 * - The master tempo glide never runs past its ends: a tempo step of less than 0 beats counts
 *   as 0 (unreported), and `beat` stays between the glide's start and its target.
 * - Everything is one process-wide state: one thread, one score per process.
 */
// clang-format on
#ifndef SPEECHSCORE_H
#define SPEECHSCORE_H

/** @brief The project's version, "major.minor"; CMake takes the package version from here. */
#define SPEECHSCORE_VERSION "0.1"

/**
 * @mainpage speechscore reference
 *
 * The public interface of speechscore, a C++17 library that writes synthetic speech as a Csound
 * score. Start with speechscore.h: calling order, units, error codes and the behaviours that
 * surprise newcomers. The Modules page lists the operations by subsystem: start-up and end,
 * tempo, voice source, noise, filter bank, rests, beat-timed statements and the segment
 * builders. speechscore_colours.h names every colour, pointer and delta-F1 symbol and converts
 * notes and Hz to the pitch scale. The project's `docs/` folder holds the tutorial
 * (`docs/tutorial.md`), the colour chart (`docs/colours.md`) and the orchestra.
 */

/**
 * @defgroup client Client-defined variables
 * @brief The two variables every client program defines; the library reads and sets them.
 * @{
 */

/// Seconds per beat. Set by `metronome` and the master tempo glide; every beat-timed statement
/// reads it. A client typically defines it as `double beat = 1.0;`.
extern double beat;
/// Current TTO operation, 0..47 (see `clrTTO`): it permutes the ring colours 0..11 in every
/// cascade lookup. A client typically defines it as `int TTO = 0;` (0 is the identity).
extern int TTO;

/** @} */

/**
 * @defgroup statements Score statements and error log
 * @brief The three statement writers every event goes through, the p-field buffer they print
 * and the error log.
 *
 * A statement line is the letter, p1 right-aligned in three columns ("%3.0f "), p2 ("%9.4f "),
 * p3 ("%7.4f ") and the further fields in the writer's format; every number is followed by one
 * blank and a wider value is printed in full. The writers and `err` only read the buffer.
 * @{
 */

/// The p-field buffer: entry n is p-field n+1 of the statement being built. `start1` clears it;
/// entries beyond a statement's count keep what earlier statements left there.
extern double pfields[50];
/// Errors counted since the last `start1` (by `err` and by a bad mark of `glMM`); `fine`
/// ends the process with status 1 when it is not 0.
extern int nerrors;

/**
 * Writes one statement in the source-track format: p4 onward each "%5.3f ". A statement with a
 * field that is not a finite number is reported with code 0 (echo of @p count fields) instead.
 * @param kind  statement letter, 'i' for an event or 'f' for a function table
 * @param count number of p-fields to print, 1..50 (a larger count prints the whole buffer; the
 *              first three fields are printed even when it is below 3)
 */
void wr(char kind, int count);
/**
 * Writes one statement in the filter format: p4 onward each "%5.1f ". A non-finite field is
 * reported with code 0 instead, as in `wr`.
 * @param kind  statement letter, 'i' or 'f'
 * @param count number of p-fields to print, 1..50 (as for `wr`)
 */
void wrfilt(char kind, int count);
/**
 * Writes the F4_8 statement format: p4 up to the next-to-last field each "%4.0f ", the last
 * field "%6.1f ". A non-finite field is reported with code 0 instead, as in `wr`.
 * @param kind  statement letter, 'i' or 'f'
 * @param count number of p-fields, at least 4 for the last field (the library passes 14); with
 *              a count below 4 only the first three fields are printed
 */
void wrf4_8(char kind, int count);
/**
 * Reports an error into the score: the message line of @p code, then the echo comment
 * ";i" with `pfields[0]` ("%3.0f") and entries 1 to count−1 each "%9.4f  "; adds one to
 * `nerrors` (which stops at the largest int). Never stops the score. A buffer entry that is not
 * a finite number is echoed as 0.
 * @param code  message selector (see the table on the file page); any code outside 1..15, and
 *              0, 7, 12 and 14, prints the catch-all message
 * @param count number of p-fields to echo, 1..50 (with 1 or less only p1 is echoed)
 */
void err(int code, int count);

/** @} */

/**
 * @defgroup state Shared state: time lines, spans, offsets and voice quality
 * @brief Module-wide variables the library and the client share; the client may read and set
 * any of them.
 * @{
 */

/// Time line per instrument slot (slot = instrument − 8; slots 2..19 are instruments 10..27):
/// the start in seconds of the track's next event. Slot 20 holds the end event's duration,
/// written by `fine`; slots 0 and 1 are unused. `start1` sets every slot to 0.
extern double timepoints[21];
/// Beat position per slot: the beats stepped by the glide advances of the ten glide-driven
/// tracks (slots 7, 8 and 12..19); glides end against it. `start1` leaves it alone.
extern double beatpoints[21];
/// Span in seconds of the statement being built: written by the beat-timed statements, `Rest`,
/// `VOW`, `VOWn`, `H` and the duration drivers (beats × `beat`); `vV` leaves it alone.
extern double tsec;

/// AV offset (dB) added to every AV value a generator gets; moved by the AV glide, set by `setAV`,
/// 0 after `start1` (from `AVnSav`) and `nrmGLAV`.
extern double incAV;
/// F0 offset (octave-point-decimal) added to every F0 value; moved by the F0 glide, set by `setF0`,
/// 0 after `start1` (from `F0nSav`) and `nrmGLF0`.
extern double incF0;
/// AS offset (dB) added to every aspiration level; moved by the AS glide, set by `setAS`, 0 after
/// `start1` and `nrmGLAS`.
extern double incAS;
/// AF offset (dB) added to every frication level; moved by the AF glide, set by `setAF`, 0 after
/// `start1` and `nrmGLAF`.
extern double incAF;
/// Open quotient that `aV`, `xV` and `qV` write (`qV` raises it halfway to 1); 0.5 after `start1`.
extern double OQn;
extern double FLn;     ///< Flutter that `aV`, `xV` and `qV` write; 0.002 after `start1`.
extern double DIn;     ///< Diplophonia that `aV`, `xV` and `qV` write; 0 after `start1`.
extern double TLn;     ///< Spectral tilt that `aV`, `xV` and `qV` write; 1000 after `start1`.
extern double DVn;     ///< DV value that `aV`, `xV` and `qV` write; 0.008 after `start1`.
extern double FVn;     ///< FV value that `aV`, `xV` and `qV` write; 1 after `start1`.
extern double AVnSav;  ///< Start-up AV offset, copied into `incAV` by `start1` (0).
extern double F0nSav;  ///< Start-up F0 offset, copied into `incF0` by `start1` (0).
extern double ASnSav;  ///< Start-up AS offset, copied into `incAS` by `start1` (0).
extern double AFnSav;  ///< Start-up AF offset, copied into `incAF` by `start1` (0).
/// Default open quotient, copied into `OQn` by `start1` and `normVOIC` (0.5).
extern double OQnSav;
extern double FLnSav;  ///< Default flutter, copied into `FLn` by `start1` and `normVOIC` (0.002).
extern double DInSav;  ///< Default diplophonia, copied into `DIn` by `start1` and `normVOIC` (0).
extern double TLnSav;  ///< Default tilt, copied into `TLn` by `start1` and `normVOIC` (1000).
extern double DVnSav;  ///< Default DV, copied into `DVn` by `start1` and `normVOIC` (0.008).
extern double FVnSav;  ///< Default FV, copied into `FVn` by `start1` and `normVOIC` (1).

extern double D1;  ///< Span of phase 1 (seconds), from the last duration driver.
/// Span of phase 2 (seconds), from `drli`, `drfi` or `drpv_v`; `drff` leaves it.
extern double D2;
extern double D3;  ///< Span of phase 3 (seconds), from the last duration driver.
extern double D4;  ///< Span of phase 4 (seconds), from `drff` or `drpv_v`.
extern double D5;  ///< Compressed aspiration span `d5` of the stop builders, from `drpv_v`.
extern double D6;  ///< For client programs; the library never reads or writes it.
extern double D7;  ///< For client programs; the library never reads or writes it.
/// Derived span: `drfi` tsec − D1; `vS` the silent start D1 × 0.1; `drpv_v` DS − D5.
extern double DA;
/// Derived span: `drfi` DA − D2; `vS` D1 − DA; `drpv_v` D2 + D3; `tvV` D2 + D3 + D4.
extern double DB;
/// Silent frication after the burst, `d5` − `dBurst` (uncompressed), from `drpv_v`.
extern double DC;
extern double DD;  ///< Last frication event, tsec − (D1 + D2 + `d5`), from `drpv_v`.
extern double DE;  ///< Voiced part of phase 4, 0.67 × D4, from `drpv_v`.
extern double DF;  ///< Middle aspiration event, (D3 + D4) − D5, from `drpv_v`.
extern double DG;  ///< Silent voice after phase 1, (D2 + D3 + D4) − DE, from `drpv_v`.
extern double DH;  ///< Half of DE, from `drpv_v`; read by no builder.
extern double DS;  ///< Steady span (seconds) from the last duration driver; `tvV` lowers it by DE.
extern double L1;  ///< Level written by the stop builders (burst or aspiration level, dB).
extern double L2;  ///< Level written by `zV` (level − 10) and the stop builders (`ampA`).
extern double L3;  ///< Burst level of `tvV` and `tV` (dB).
extern double L4;  ///< For client programs; the library never reads or writes it.
extern int P1;     ///< For client programs; the library never reads or writes it.
extern int P2;     ///< For client programs; the library never reads or writes it.
extern int P3;     ///< For client programs; the library never reads or writes it.
extern int P4;     ///< For client programs; the library never reads or writes it.

/** @} */

/**
 * @defgroup memory Remembered values and rest amplitudes
 * @brief The last value each generator received, replayed by the rests. `start1` resets none
 * of them.
 * @{
 */

/// Last AV written or rejected by `genAV`, offset included (not read by the library).
extern double oav;
extern double oavswt;  ///< Last AV switch written; the AV switch of `restVoi`. Starts at 0.
/// Last F0 given to `genF0`, offset included; replayed by `restVoi`. Starts at 6.
extern double of0;
extern double ooq;  ///< Last open quotient given to `genOQ` (before its factor). Starts at 0.5.
extern double ofl;  ///< Last flutter given to `genFL` (before its factor). Starts at 0.
extern double odi;  ///< Last diplophonia given to `genDI` (before its factor). Starts at 0.
extern double otl;  ///< Last tilt given to `genTL` (before its factor). Starts at 8000.
extern double odv;  ///< Last DV given to `genDV` (before its factor). Starts at 0.008.
extern double ofv;  ///< Last FV given to `genFV` (before its factor). Starts at 1.
/// Last aspiration level of `genAS`, offset included (not read by the library).
extern double oas;
extern double oasswt;  ///< Last AS switch written; the switch of `restAS`. Starts at 0.
/// Last frication level of `genAF`, offset included (not read by the library).
extern double oaf;
extern double oafswt;  ///< Last AF switch written; the switch of `restAF`. Starts at 0.
/// Last cascade values written: F1..F8 (0..7, Hz), B1..B8 (8..15, Hz) and field 16 (16);
/// replayed by `restF1`..`restF4_8` and `frqCascB`. Starts at 500..7500, 101, 101, 150,
/// 350..750, 1.
extern double ocasc[17];
/// Last parallel values written: A2, BP2, A3, BP3, A4, BP4, A5, BP5, A6, BP6, AB; replayed by
/// `restPara`. Starts at 0, 101, 0, 150, 0, 350, 0, 450, 0, 550, 0.
extern double opara[11];
/// Last nasal pointer written (33..38); replayed by `restNas` and so by every segment builder.
/// Starts at 33, the self-cancelling pair.
extern int onaspt;
/// Last tracheal pointer written (37 or 38); replayed by `restTrc`. Starts at 37, the
/// self-cancelling pair.
extern int otrcpt;
/// Last delta-F1 symbol written (0..3); replayed by `restDf1`. Starts at 0.
extern int oDf1pt;
/// AV level every rest writes (before `incAV`); 0, never changed by the library.
extern double zav;
/// AS level every rest writes (before `incAS`); 0, never changed by the library.
extern double zas;
/// AF level every rest writes (before `incAF`); 0, never changed by the library.
extern double zaf;

/** @} */

/**
 * @defgroup settings Orchestra settings and further exported settings
 * @brief The nine settings `start1` stores and `fine` sends in the global-settings event
 * (instrument 1), and settings kept for client programs.
 * @{
 */

/// Output switch of the orchestra, 0..12 (`docs/orchestra.md`: 0 the whole synthesizer). Starts at
/// 0.
extern double outswt;
extern double cascfac;  ///< Gain factor of the cascade branch. Starts at 1.
extern double avfact;   ///< Gain factor of the voicing. Starts at 1.
extern double asfact;   ///< Gain factor of the aspiration noise. Starts at 1.
extern double affact;   ///< Gain factor of the frication noise. Starts at 1.
extern double parafac;  ///< Gain factor of the parallel branch. Starts at 1.
/// Source switch of the orchestra, 0..5 (0 the glottal pulse). Starts at 0.
extern double srcsw;
extern double fss;  ///< Formant frequency scale, sent as p11. Starts at 1.
extern double ass;  ///< Bandwidth scale, sent as p12. Starts at 1.
/// Initial F1 (Hz) stored by `startf`; read by no library operation. Starts at 500.
extern double f1i;
extern double f2i;  ///< Initial F2 (Hz) stored by `startf`. Starts at 1500.
extern double f3i;  ///< Initial F3 (Hz) stored by `startf`. Starts at 2500.
extern double f4i;  ///< Initial F4 (Hz) stored by `startf`. Starts at 3500.
extern double f5i;  ///< Initial F5 (Hz) stored by `startf`. Starts at 4500.
extern double f6i;  ///< Initial F6 (Hz) stored by `startf`. Starts at 5500.
extern double f7i;  ///< Initial F7 (Hz) stored by `startf`. Starts at 6500.
extern double f8i;  ///< Initial F8 (Hz) stored by `startf`. Starts at 7500.
/// Initial B1 (Hz) stored by `startb`; read by no library operation. Starts at 100.
extern double b1i;
extern double b2i;     ///< Initial B2 (Hz) stored by `startb`. Starts at 150.
extern double b3i;     ///< Initial B3 (Hz) stored by `startb`. Starts at 250.
extern double b4i;     ///< Initial B4 (Hz) stored by `startb`. Starts at 350.
extern double b5i;     ///< Initial B5 (Hz) stored by `startb`. Starts at 450.
extern double b6i;     ///< Initial B6 (Hz) stored by `startb`. Starts at 550.
extern double b7i;     ///< Initial B7 (Hz) stored by `startb`. Starts at 650.
extern double b8i;     ///< Initial B8 (Hz) stored by `startb`. Starts at 750.
extern double npfact;  ///< Nasal pole factor for client programs (1); the library never reads it.
extern double nzfact;  ///< Nasal zero factor for client programs (1); the library never reads it.
/// Tracheal pole factor for client programs (1); the library never reads it.
extern double tpfact;
/// Tracheal zero factor for client programs (1); the library never reads it.
extern double tzfact;
/// Low-pass frequency for client programs (8000 Hz); the library never reads it.
extern double lpf;
extern double cz1i;  ///< For client programs (3500); the library never reads it.
extern double cz2i;  ///< For client programs (0); the library never reads it.
extern double cz3i;  ///< For client programs (0); the library never reads it.
extern double cf1i;  ///< For client programs (7500); the library never reads it.
extern double cf2i;  ///< For client programs (7500); the library never reads it.
extern double cf3i;  ///< For client programs (7500); the library never reads it.
extern double cf4i;  ///< For client programs (7500); the library never reads it.
extern double cf5i;  ///< For client programs (0); the library never reads it.
extern double cf6i;  ///< For client programs (0); the library never reads it.
extern double cb1i;  ///< For client programs (1780); the library never reads it.
extern double cb2i;  ///< For client programs (1780); the library never reads it.
extern double cb3i;  ///< For client programs (1780); the library never reads it.
extern double cb4i;  ///< For client programs (1780); the library never reads it.
extern double cb5i;  ///< For client programs (1780); the library never reads it.
extern double cb6i;  ///< For client programs (1780); the library never reads it.
/// Smoothing half-time for client programs (0.008 s); the library never reads it.
extern double portht;
extern double disptime;  ///< For client programs (0.5); the library never reads it.
extern double oab;       ///< For client programs (0); the library never reads it.
extern int clrtn;        ///< For client programs (0); the library never reads it.
extern int clrim;        ///< For client programs (0); the library never reads it.

/** @} */

/**
 * @defgroup startup Start-up and end
 * @brief The first calls of every score, and `fine`, the last.
 * @{
 */

/**
 * Stores the nine orchestra settings (sent by `fine` as instrument 1) and starts a score.
 *
 * In order: copies the start-up defaults into `incAV`, `incF0`, `OQn`..`FVn`, `incAS`,
 * `incAF`; sets every time line and every p-field to 0; sets `nerrors` to 0; stores and checks
 * the settings. Writes nothing unless a switch is out of range. Glides, beat positions and
 * remembered values carry on from before.
 * @param outswt  output switch, 0..12 inclusive; outside, error 10 "Error: <output switch> is
 *                wrong." (echo of 17 zero fields) and the value is still stored
 * @param cascfac gain factor of the cascade branch (any value)
 * @param avfact  gain factor of the voicing (any value)
 * @param asfact  gain factor of the aspiration (any value)
 * @param affact  gain factor of the frication (any value)
 * @param parafac gain factor of the parallel branch (any value)
 * @param srcsw   source switch, 0..5 inclusive; outside, error 11 "Error: <source switch> is
 *                wrong." and the value is still stored
 * @param fss     formant frequency scale (any value)
 * @param ass     bandwidth scale (any value)
 */
void start1(double outswt, double cascfac, double avfact, double asfact, double affact,
            double parafac, double srcsw, double fss, double ass);
/**
 * Stores eight initial cascade formant frequencies in `f1i`..`f8i`; writes nothing.
 * @param f1 F1 in Hz
 * @param f2 F2 in Hz
 * @param f3 F3 in Hz
 * @param f4 F4 in Hz
 * @param f5 F5 in Hz
 * @param f6 F6 in Hz
 * @param f7 F7 in Hz
 * @param f8 F8 in Hz
 */
void startf(double f1, double f2, double f3, double f4, double f5, double f6, double f7, double f8);
/**
 * Stores eight initial cascade bandwidths in `b1i`..`b8i`; writes nothing.
 * @param b1 B1 in Hz
 * @param b2 B2 in Hz
 * @param b3 B3 in Hz
 * @param b4 B4 in Hz
 * @param b5 B5 in Hz
 * @param b6 B6 in Hz
 * @param b7 B7 in Hz
 * @param b8 B8 in Hz
 */
void startb(double b1, double b2, double b3, double b4, double b5, double b6, double b7, double b8);
/**
 * Writes the three function tables the orchestra needs, as "f" statements at time 0:
 * table 4 (65 points of exponential segments, 10000 down to 400), table 6 (one sine cycle,
 * 129 points) and table 7 (the glottal pulse polynomial, 32769 points). Call it once, after
 * `start1`: a score without it does not render.
 */
void startmn();
/**
 * Closes the score: writes the global-settings event (instrument 1, the nine settings of
 * `start1`), the end event (instrument 80, from 0.01 s until the F1 track ends; its duration is
 * stored in `timepoints[20]`) and six comment lines showing where every time line ended. Then,
 * with no errors counted, writes "e" and returns. Otherwise it writes
 * "THERE ARE   n ERRORS IN THIS FILE." instead of "e", writes
 * "Number of errors:   n. Details in .sco file." to standard error and ends the process with
 * exit status 1. A score that could not be written to standard output (full disk, closed pipe)
 * ends the process with status 2 and the message
 * "Error: the score could not be written to standard output." on standard error. A setting or
 * F1 time line that is not a finite number is reported (code 0) instead of written, so the
 * score then ends with the error line and status 1.
 */
void fine();

/** @} */

/**
 * @defgroup tempo Tempo: metronome and master tempo glide
 * @brief Lengths in beats become seconds through `beat`; the master tempo glide moves `beat` in
 * equal steps per beat (a straight line in seconds per beat).
 *
 * Every statement that advances the tempo (`Rest`, `CascB`, `frqCascB` and every segment
 * builder) calls `doGLMM` with its own beats first and only then converts its beats to seconds,
 * so it is timed with the tempo reached at the end of its own step. `start1` does not reset the
 * glide.
 * @{
 */

extern double beatnew;     ///< Seconds per beat at the end of the glide (60 / the new mark).
extern double beatold;     ///< Seconds per beat when the glide started. Starts at 1.
extern double beatsaccum;  ///< Beats passed to `doGLMM` since the last `glMM`.
extern double beatslimit;  ///< Length of the glide in beats.
/// Tempo factor: during a glide `beat` = `beatold` × `facGLMM`. Starts at 1.
extern double facGLMM;
extern double spbGLMM;  ///< Change of `facGLMM` per beat; 0 means no glide is in force.

/**
 * Sets the tempo at once: `beat` = 60 / @p mark. The glide state is not touched (a glide in
 * force recomputes `beat` at its next step).
 * @param mark metronome mark in beats per minute, > 0. A negative mark, 0, or one so small that
 *             the tempo is not finite writes the comment "; TEMPO SPEC. IS WRONG; WILL USE
 *             MM=60. " and sets `beat` to 1, uncounted; a NaN or infinite mark is also
 *             reported as error 0 and counted.
 */
void metronome(double mark);
/**
 * Starts (or restarts) the master tempo glide from the current `beat` to 60 / @p mark over
 * @p spanBeats beats, and writes the comment
 * ";glMM start: beatnew=...;beatold=...;beatslimit=...;spbGLMM=...". `beat` itself changes
 * only at the next tempo step. A mark equal to the current tempo gives slope 0: no glide.
 * @param spanBeats length of the glide in beats, > 0; 0 or less is error 3 "Error: <duration>
 *                  <= 0." (echo of 12 p-fields) and the glide is still set up, so the next
 *                  tempo step jumps to the new tempo
 * @param mark      metronome mark to reach, beats per minute, > 0; otherwise the counted
 *                  comment "; BAD MM mark; master envelope cancelled. " and nothing changes (a
 *                  glide in force goes on)
 */
void glMM(double spanBeats, double mark);
/**
 * Tempo step of a statement of @p beats beats: adds them to `beatsaccum`; while a glide is in
 * force, moves `facGLMM` by `spbGLMM` × beats and sets `beat` = `beatold` × `facGLMM`, writing
 * the comment "; Beat = ...; beatsaccum = ...; facGLMM = ...". The step that reaches or passes
 * the glide's length ends it with `beat` exactly 60 / the new mark (no comment). The builders,
 * `Rest`, `CascB` and `frqCascB` call it; call it yourself only around single generators.
 * `facGLMM` and `beat` never leave the range between the glide's start and its target.
 * @param beats length in beats of the statement being built; less than 0 counts as 0 (nothing
 *              moves backwards); a NaN or infinity is error 3 and counts as 0
 */
void doGLMM(double beats);

/** @} */

/**
 * @defgroup voice Voice source: tracks AV, F0, OQ, FL, DI, TL, DV, FV (instruments 20..27)
 * @brief One track per voice-source parameter, each with a generator, a glide start, a glide
 * step and a glide cancel.
 *
 * A generator writes one event `i <instr> <start> <span> <value> [switch]` at the track's time
 * line, which moves on by the span before any check. The AV and F0 values get an offset added
 * (`incAV`, `incF0`); the others are multiplied by a glide factor (`facGLOQ`..`facGLFV`). Every
 * range check tests the client's value before offset or factor. A rejected event is not written,
 * its echo shows 12 p-fields, and its time line has still moved. Glides move the offset or
 * factor linearly in beats against the track's own beat position, which only the glide steps
 * (`doGLXX`, `doGLVSrc`, `Rest`, the builders) advance; the step that reaches the glide's end
 * sets the target exactly.
 * @{
 */

extern double newGLAV;  ///< Target of the AV glide (an offset, dB).
extern double limGLAV;  ///< Beat position where the AV glide ends.
extern double spbGLAV;  ///< AV offset change per beat; 0 = no glide.
extern double newGLF0;  ///< Target of the F0 glide (an offset in octaves).
extern double limGLF0;  ///< Beat position where the F0 glide ends.
extern double spbGLF0;  ///< F0 offset change per beat; 0 = no glide.
extern double facGLOQ;  ///< Factor applied to every OQ value (1 = none); moved by the OQ glide.
extern double newGLOQ;  ///< Target of the OQ glide (a factor).
extern double limGLOQ;  ///< Beat position where the OQ glide ends.
extern double spbGLOQ;  ///< OQ factor change per beat; 0 = no glide.
extern double facGLFL;  ///< Factor applied to every FL value (1 = none); moved by the FL glide.
extern double newGLFL;  ///< Target of the FL glide (a factor).
extern double limGLFL;  ///< Beat position where the FL glide ends.
extern double spbGLFL;  ///< FL factor change per beat; 0 = no glide.
extern double facGLDI;  ///< Factor applied to every DI value (1 = none); moved by the DI glide.
extern double newGLDI;  ///< Target of the DI glide (a factor).
extern double limGLDI;  ///< Beat position where the DI glide ends.
extern double spbGLDI;  ///< DI factor change per beat; 0 = no glide.
extern double facGLTL;  ///< Factor applied to every TL value (1 = none); moved by the TL glide.
extern double newGLTL;  ///< Target of the TL glide (a factor).
extern double limGLTL;  ///< Beat position where the TL glide ends.
extern double spbGLTL;  ///< TL factor change per beat; 0 = no glide.
extern double facGLDV;  ///< Factor applied to every DV value (1 = none); moved by the DV glide.
extern double newGLDV;  ///< Target of the DV glide (a factor).
extern double limGLDV;  ///< Beat position where the DV glide ends.
extern double spbGLDV;  ///< DV factor change per beat; 0 = no glide.
extern double facGLFV;  ///< Factor applied to every FV value (1 = none); moved by the FV glide.
extern double newGLFV;  ///< Target of the FV glide (a factor).
extern double limGLFV;  ///< Beat position where the FV glide ends.
extern double spbGLFV;  ///< FV factor change per beat; 0 = no glide.

/**
 * Writes one AV event (instrument 20): `i 20 start span av+incAV avswt`. Remembers `oav` (also
 * when rejected) and, once written, `oavswt`.
 * @param span  length in seconds, > 0; otherwise error 3 "Error: <duration> <= 0."
 * @param av    voicing level in dB, up to and including 100 (no lower bound; 0 or less is
 *              silent); above 100 is error 2 "Error: <loudness> out-of-range."
 * @param avswt AV switch, written unchanged: 0 steps to the level, 1 glides to it across the
 *              event (in our orchestra)
 */
void genAV(double span, double av, double avswt);
/**
 * Writes one F0 event (instrument 21): `i 21 start span f0+incF0`. Remembers `of0` = f0 +
 * `incF0` (also when rejected).
 * @param span length in seconds, > 0; otherwise error 3
 * @param f0   pitch in octave-point-decimal (7.00 = 130.8 Hz, 8.75 = 440 Hz), strictly between
 *             0 and 12; otherwise error 4 "Error: <pitch> out-of-range."
 */
void genF0(double span, double f0);
/**
 * Writes one OQ event (instrument 22): `i 22 start span oq×facGLOQ`. Remembers `ooq` = oq
 * (also when rejected).
 * @param span length in seconds, > 0; otherwise error 3
 * @param oq   open quotient, the open share of each glottal period, strictly between 0 and 1;
 *             otherwise error 5 "Error: <open quotient> out-of-range."
 */
void genOQ(double span, double oq);
/**
 * Writes one FL event (instrument 23): `i 23 start span fl×facGLFL`. Remembers `ofl` = fl.
 * @param span length in seconds, > 0; otherwise error 3
 * @param fl   flutter, a fraction of F0 (0.002 barely heard, 0.02 a clear waver); not checked
 */
void genFL(double span, double fl);
/**
 * Writes one DI event (instrument 24): `i 24 start span di×facGLDI`. Remembers `odi` = di.
 * @param span length in seconds, > 0; otherwise error 3
 * @param di   diplophonia, 0..1 in our orchestra (0 none); not checked
 */
void genDI(double span, double di);
/**
 * Writes one TL event (instrument 25): `i 25 start span tl×facGLTL`. Remembers `otl` = tl
 * (also when rejected).
 * @param span length in seconds, > 0; otherwise error 3
 * @param tl   spectral tilt, 0..8000 inclusive (larger is brighter; see `docs/orchestra.md`);
 *             otherwise error 13 "Error: <tilt> out-of-range."
 */
void genTL(double span, double tl);
/**
 * Writes one DV event (instrument 26): `i 26 start span dv×facGLDV`. Remembers `odv` = dv.
 * @param span length in seconds, > 0; otherwise error 3
 * @param dv   voicing time constant in seconds in our orchestra (how fast the voicing follows
 *             AV); not checked
 */
void genDV(double span, double dv);
/**
 * Writes one FV event (instrument 27): `i 27 start span fv×facGLFV`. Remembers `ofv` = fv.
 * @param span length in seconds, > 0; otherwise error 3
 * @param fv   voiced-noise modulation, 0..1 in our orchestra; not checked
 */
void genFV(double span, double fv);

/**
 * Starts a glide of the AV offset `incAV` to @p target over @p spanBeats beats of the AV beat
 * position; replaces a running glide. Writes nothing. A target equal to the offset is no glide.
 * @param spanBeats length in beats, > 0; otherwise error 3 (echo of 12 p-fields of the last
 *                  statement) and the glide ends at the next step
 * @param target    offset to reach, dB
 */
void glAV(double spanBeats, double target);
/**
 * Starts a glide of the F0 offset `incF0` to @p target over @p spanBeats beats. A glide
 * advances once per segment or phase, so a long glide over short segments is a staircase.
 * @param spanBeats length in beats, > 0; otherwise error 3 and the glide ends at the next step
 * @param target    offset to reach, octaves (1/12 per semitone)
 */
void glF0(double spanBeats, double target);
/**
 * Starts a glide of the OQ factor `facGLOQ` to @p target over @p spanBeats beats.
 * @param spanBeats length in beats, > 0; otherwise error 3 and the glide ends at the next step
 * @param target    factor to reach
 */
void glOQ(double spanBeats, double target);
/**
 * Starts a glide of the FL factor `facGLFL` to @p target over @p spanBeats beats.
 * @param spanBeats length in beats, > 0; otherwise error 3 and the glide ends at the next step
 * @param target    factor to reach
 */
void glFL(double spanBeats, double target);
/**
 * Starts a glide of the DI factor `facGLDI` to @p target over @p spanBeats beats.
 * @param spanBeats length in beats, > 0; otherwise error 3 and the glide ends at the next step
 * @param target    factor to reach
 */
void glDI(double spanBeats, double target);
/**
 * Starts a glide of the TL factor `facGLTL` to @p target over @p spanBeats beats.
 * @param spanBeats length in beats, > 0; otherwise error 3 and the glide ends at the next step
 * @param target    factor to reach
 */
void glTL(double spanBeats, double target);
/**
 * Starts a glide of the DV factor `facGLDV` to @p target over @p spanBeats beats.
 * @param spanBeats length in beats, > 0; otherwise error 3 and the glide ends at the next step
 * @param target    factor to reach
 */
void glDV(double spanBeats, double target);
/**
 * Starts a glide of the FV factor `facGLFV` to @p target over @p spanBeats beats.
 * @param spanBeats length in beats, > 0; otherwise error 3 and the glide ends at the next step
 * @param target    factor to reach
 */
void glFV(double spanBeats, double target);

/**
 * Advances the AV beat position `beatpoints[12]` by @p step and moves `incAV` along a running
 * glide (by slope × step, or onto the target at the glide's end). Writes nothing.
 * @param step beats
 */
void doGLAV(double step);
/**
 * Advances the F0 beat position `beatpoints[13]` and moves `incF0` along a running glide.
 * @param step beats
 */
void doGLF0(double step);
/**
 * Advances the OQ beat position `beatpoints[14]` and moves `facGLOQ` along a running glide.
 * @param step beats
 */
void doGLOQ(double step);
/**
 * Advances the FL beat position `beatpoints[15]` and moves `facGLFL` along a running glide.
 * @param step beats
 */
void doGLFL(double step);
/**
 * Advances the DI beat position `beatpoints[16]` and moves `facGLDI` along a running glide.
 * @param step beats
 */
void doGLDI(double step);
/**
 * Advances the TL beat position `beatpoints[17]` and moves `facGLTL` along a running glide.
 * @param step beats
 */
void doGLTL(double step);
/**
 * Advances the DV beat position `beatpoints[18]` and moves `facGLDV` along a running glide.
 * @param step beats
 */
void doGLDV(double step);
/**
 * Advances the FV beat position `beatpoints[19]` and moves `facGLFV` along a running glide.
 * @param step beats
 */
void doGLFV(double step);

/// Cancels the AV glide and sets `incAV` to 0, also discarding an offset set with `setAV`.
void nrmGLAV();
/// Cancels the F0 glide and sets `incF0` to 0, also discarding an offset set with `setF0`.
void nrmGLF0();
/// Cancels the OQ glide and sets `facGLOQ` to 1.
void nrmGLOQ();
/// Cancels the FL glide and sets `facGLFL` to 1.
void nrmGLFL();
/// Cancels the DI glide and sets `facGLDI` to 1.
void nrmGLDI();
/// Cancels the TL glide and sets `facGLTL` to 1.
void nrmGLTL();
/// Cancels the DV glide and sets `facGLDV` to 1.
void nrmGLDV();
/// Cancels the FV glide and sets `facGLFV` to 1.
void nrmGLFV();

/** @} */

/**
 * @defgroup voicing Voice source: voicing assembly and voice-quality settings
 * @brief The whole voice source at once, and the values it is filled from.
 *
 * The setters check nothing and write nothing; the generators check the values when an event
 * is written.
 * @{
 */

/**
 * Writes one event on each of instruments 20..27 for the same span, in that order, through
 * `genAV`, `genF0`, `genOQ`, `genFL`, `genDI`, `genTL`, `genDV`, `genFV`; each is checked and
 * reported on its own.
 * @param span  length in seconds, > 0; otherwise each of the eight reports error 3
 * @param av    voicing level, dB, up to 100 (error 2 above)
 * @param f0    pitch, octave-point-decimal, strictly between 0 and 12 (error 4)
 * @param oq    open quotient, strictly between 0 and 1 (error 5)
 * @param fl    flutter (not checked)
 * @param di    diplophonia (not checked)
 * @param tl    tilt, 0..8000 inclusive (error 13)
 * @param dv    DV (not checked)
 * @param fv    FV (not checked)
 * @param avswt AV switch: 0 steps, 1 glides
 */
void Voi(double span, double av, double f0, double oq, double fl, double di, double tl, double dv,
         double fv, double avswt);
/**
 * Advances the eight voice-source glides by the same step (`doGLAV`..`doGLFV`); the AS and AF
 * glides are not advanced.
 * @param step beats
 */
void doGLVSrc(double step);
/**
 * Writes the eight voice events with the current voice quality (`OQn`..`FVn`) and AV switch 0.
 * @param span length in seconds, > 0 (error 3)
 * @param av   voicing level, dB, up to 100 (error 2)
 * @param f0   pitch, octave-point-decimal, strictly between 0 and 12 (error 4)
 */
void aV(double span, double av, double f0);
/**
 * Writes the eight voice events with the current voice quality and AV switch 1 (a glide to the
 * level across the event).
 * @param span length in seconds, > 0 (error 3)
 * @param av   voicing level, dB, up to 100 (error 2)
 * @param f0   pitch, octave-point-decimal, strictly between 0 and 12 (error 4)
 */
void xV(double span, double av, double f0);
/**
 * Writes the eight voice events with the open quotient raised halfway to 1, (`OQn` + 1) × 0.5,
 * and AV switch 0: a breathy voicing onset. With `OQn` 1 the OQ event is error 5.
 * @param span length in seconds, > 0 (error 3)
 * @param av   voicing level, dB, up to 100 (error 2)
 * @param f0   pitch, octave-point-decimal, strictly between 0 and 12 (error 4)
 */
void qV(double span, double av, double f0);

/// Sets the AV offset `incAV` (dB); it stays until set again, moved by a glide or cancelled.
/// @param value offset in dB
void setAV(double value);
/// Sets the F0 offset `incF0`; it stays until set again, moved by a glide or cancelled.
/// @param value offset in octaves (1/12 per semitone)
void setF0(double value);
/// Sets the aspiration offset `incAS` (dB).
/// @param value offset in dB
void setAS(double value);
/// Sets the frication offset `incAF` (dB).
/// @param value offset in dB
void setAF(double value);
/// Sets the open quotient `OQn` that `aV`, `xV` and `qV` write.
/// @param value open quotient, strictly between 0 and 1 to be accepted by `genOQ`
void setOQ(double value);
/// Sets the flutter `FLn` that `aV`, `xV` and `qV` write.
/// @param value flutter
void setFL(double value);
/// Sets the diplophonia `DIn` that `aV`, `xV` and `qV` write.
/// @param value diplophonia
void setDI(double value);
/// Sets the tilt `TLn` that `aV`, `xV` and `qV` write.
/// @param value tilt, 0..8000 to be accepted by `genTL`
void setTL(double value);
/// Sets the DV value `DVn` that `aV`, `xV` and `qV` write.
/// @param value DV
void setDV(double value);
/// Sets the FV value `FVn` that `aV`, `xV` and `qV` write.
/// @param value FV
void setFV(double value);
/**
 * Sets the six voice-quality values `OQn`..`FVn` at once, silently.
 * @param oq open quotient
 * @param fl flutter
 * @param di diplophonia
 * @param tl tilt
 * @param dv DV
 * @param fv FV
 */
void orgVOIC(double oq, double fl, double di, double tl, double dv, double fv);
/**
 * Sets the six voice-quality values through `setOQ`..`setFV`, then writes the comment
 * ";OQn=...,FLn=...,DIn=...,TLn=...,DVn=...,FVn=...," with the values now held ("%5.4f" each).
 * @param oq open quotient
 * @param fl flutter
 * @param di diplophonia
 * @param tl tilt
 * @param dv DV
 * @param fv FV
 */
void setVOIC(double oq, double fl, double di, double tl, double dv, double fv);
/// Puts `OQn`..`FVn` back to their defaults `OQnSav`..`FVnSav`, silently; leaves the offsets.
void normVOIC();
/// Cancels all ten glides of the voice and noise tracks (`nrmGLAS`, `nrmGLAF`, `nrmGLAV`,
/// `nrmGLF0`, `nrmGLOQ`..`nrmGLFV`): the four offsets become 0 and the six factors 1. The master
/// tempo glide is not touched.
void normGL();

/** @} */

/**
 * @defgroup noise Noise sources: aspiration (15) and frication (16)
 * @brief Two tracks built like AV: a level plus an offset glide, and a switch.
 *
 * Aspiration is noise into the cascade (shaped by the formants, like voicing); frication is
 * noise into the parallel branch. A rejected event's echo shows its own 5 p-fields.
 * @{
 */

extern double newGLAS;  ///< Target of the AS glide (an offset, dB).
extern double limGLAS;  ///< Beat position where the AS glide ends.
extern double spbGLAS;  ///< AS offset change per beat; 0 = no glide.
extern double newGLAF;  ///< Target of the AF glide (an offset, dB).
extern double limGLAF;  ///< Beat position where the AF glide ends.
extern double spbGLAF;  ///< AF offset change per beat; 0 = no glide.

/**
 * Writes one aspiration event (instrument 15): `i 15 start span amp+incAS asswt`. Remembers
 * `oas` (also when rejected) and, once written, `oasswt`.
 * @param span  length in seconds, > 0; otherwise error 3 "Error: <duration> <= 0."
 * @param amp   aspiration level in dB, up to and including 100 (no lower bound); above 100 is
 *              error 2 "Error: <loudness> out-of-range."
 * @param asswt AS switch, written unchanged: 0 steps, 1 glides across the event
 */
void genAS(double span, double amp, double asswt);
/**
 * Writes one frication event (instrument 16): `i 16 start span amp+incAF afswt`. Remembers
 * `oaf` (also when rejected) and, once written, `oafswt`.
 * @param span  length in seconds, > 0; otherwise error 3
 * @param amp   frication level in dB, up to and including 100; above 100 is error 2
 * @param afswt AF switch, written unchanged: 0 steps, 1 glides across the event
 */
void genAF(double span, double amp, double afswt);
/**
 * Starts a glide of the aspiration offset `incAS` to @p target over @p spanBeats beats.
 * @param spanBeats length in beats, > 0; otherwise error 3 (echo of 12 p-fields) and the glide
 *                  ends at the next step
 * @param target    offset to reach, dB
 */
void glAS(double spanBeats, double target);
/**
 * Starts a glide of the frication offset `incAF` to @p target over @p spanBeats beats. `Rest`
 * does not advance it.
 * @param spanBeats length in beats, > 0; otherwise error 3 and the glide ends at the next step
 * @param target    offset to reach, dB
 */
void glAF(double spanBeats, double target);
/**
 * Advances the AS beat position `beatpoints[7]` and moves `incAS` along a running glide.
 * @param step beats
 */
void doGLAS(double step);
/**
 * Advances the AF beat position `beatpoints[8]` and moves `incAF` along a running glide.
 * @param step beats
 */
void doGLAF(double step);
/// Cancels the AS glide and sets `incAS` to 0 (also discarding `setAS`).
void nrmGLAS();
/// Cancels the AF glide and sets `incAF` to 0 (also discarding `setAF`).
void nrmGLAF();
/**
 * Writes one aspiration event with switch 0 (`genAS(span, amp, 0)`).
 * @param span length in seconds, > 0 (error 3)
 * @param amp  level in dB, up to 100 (error 2)
 */
void aS(double span, double amp);
/**
 * Writes one aspiration event with switch 1 (`genAS(span, amp, 1)`).
 * @param span length in seconds, > 0 (error 3)
 * @param amp  level in dB, up to 100 (error 2)
 */
void xS(double span, double amp);
/**
 * Writes one frication event with switch 0 (`genAF(span, amp, 0)`).
 * @param span length in seconds, > 0 (error 3)
 * @param amp  level in dB, up to 100 (error 2)
 */
void aF(double span, double amp);
/**
 * Writes one frication event with switch 1 (`genAF(span, amp, 1)`).
 * @param span length in seconds, > 0 (error 3)
 * @param amp  level in dB, up to 100 (error 2)
 */
void xF(double span, double amp);

/** @} */

/**
 * @defgroup tables Filter bank: colour tables
 * @brief The rows a colour symbol selects. No operation of the library writes them; a client may
 * read them, and may change them at its own risk. `docs/colours.md` names every row.
 * @{
 */

/// 48 colour rows of 23 columns: F1..F8 (0..7, Hz), B1..B8 (8..15, Hz), field 16 (16, always
/// 1, written as the last field of the F4_8 event) and six descriptive columns no operation
/// reads: 17 and 18 the ring position of colours 0..11, flags 19..22 (19 the broad-bandwidth
/// consonants, 20 rows 17..24, 21 rows 27..32, 22 the nasal and neutral rows 33..47).
extern double formants[48][23];
/// Three adjustment rows of 17 columns added to F1..F8 and B1..B8 of every colour lookup (column
/// 16 is never added); `frmadjpt` selects the row. Rows 0 and 2 are zero; row 1 (`sing`) lowers
/// F4..F8 by 400..1600 Hz and B4..B8 by 150..550 Hz.
extern double frmadj[3][17];
/// 48 rows of the parallel branch, one per colour: A2, BP2, A3, BP3, A4, BP4, A5, BP5, A6, BP6
/// (levels in dB, bandwidths in Hz) and the bypass level AB.
extern double parallel[48][11];
/// Six pole-zero rows for pointers 33..38 (row = pointer − 33): pole frequency, pole bandwidth,
/// zero frequency, zero bandwidth (Hz). 33..36 nasal, 37..38 tracheal; rows 33, 36 and 37 have
/// pole = zero and cancel themselves.
extern double nasaltrach[6][4];
/// Two delta-F1 rows (symbols 0 and 1) of delta F1 and delta B1; all 0.
extern double deltaf1[2][2];
/// Adjustment row of `frmadj` in force, 0..2 (a value outside is taken as 0); set by `norm` (0)
/// and `sing` (1). Starts at 0.
extern int frmadjpt;

/** @} */

/**
 * @defgroup cascade Filter bank: cascade formants F1, F2, F3 and F4_8 (11..14)
 * @brief Events from explicit values (`frqF1`...) or from a colour's row (`clrF1`..., `Casc`).
 *
 * A colour lookup maps a ring colour 0..11 through the TTO operation `TTO` (colours 12..47 are
 * used as they are), adds the adjustment row `frmadjpt` of `frmadj`, and writes the event with
 * the frequency generator, which remembers the values in `ocasc`. `cascfac` is not applied here:
 * it travels in the global-settings event. A TTO operation and an adjustment row stay in force
 * for every later lookup until changed.
 * @{
 */

/**
 * Writes one F1 event (instrument 11): `i 11 start span freq bw`; remembers `ocasc[0]` and
 * `ocasc[8]` when written. The F1 time line moves even when rejected.
 * @param span length in seconds, > 0; otherwise error 3 (echo of 5 p-fields)
 * @param freq F1 frequency in Hz (not checked)
 * @param bw   B1 bandwidth in Hz (not checked)
 */
void frqF1(double span, double freq, double bw);
/**
 * Writes one F2 event (instrument 12); remembers `ocasc[1]` and `ocasc[9]`.
 * @param span length in seconds, > 0; otherwise error 3
 * @param freq F2 frequency in Hz
 * @param bw   B2 bandwidth in Hz
 */
void frqF2(double span, double freq, double bw);
/**
 * Writes one F3 event (instrument 13); remembers `ocasc[2]` and `ocasc[10]`.
 * @param span length in seconds, > 0; otherwise error 3
 * @param freq F3 frequency in Hz
 * @param bw   B3 bandwidth in Hz
 */
void frqF3(double span, double freq, double bw);
/**
 * Writes one F4_8 event (instrument 14): F4..F8 and B4..B8 as whole numbers, then field 16 with
 * one decimal; remembers them in `ocasc[3..7]`, `ocasc[11..16]`.
 * @param span    length in seconds, > 0; otherwise error 3 (echo of 14 p-fields)
 * @param f4      F4 in Hz
 * @param f5      F5 in Hz
 * @param f6      F6 in Hz
 * @param f7      F7 in Hz
 * @param f8      F8 in Hz
 * @param b4      B4 in Hz
 * @param b5      B5 in Hz
 * @param b6      B6 in Hz
 * @param b7      B7 in Hz
 * @param b8      B8 in Hz
 * @param field16 last field; in our orchestra the share of F4..F8 in the cascade, 0..1
 */
void frqF4_8(double span, double f4, double f5, double f6, double f7, double f8, double b4,
             double b5, double b6, double b7, double b8, double field16);
/**
 * Writes one F1 event from a colour's row: F = F1 + adjustment + @p fShift, B = (B1 +
 * adjustment) × @p bwScale.
 * @param span    length in seconds, > 0; otherwise error 3
 * @param color   colour symbol 0..47 (ring colours through `TTO`); otherwise error 6
 *                "Error: <color symbol> is wrong." and the time line does not move. With `TTO`
 *                outside 0..47 a ring colour is error 15 "Error: <TTO operation> is wrong." and
 *                the time line moves without an event
 * @param bwScale factor on the bandwidth (1 = as in the table)
 * @param fShift  Hz added to the frequency (0 = as in the table); not scaled
 */
void clrF1(double span, int color, double bwScale, double fShift);
/**
 * Writes one F2 event from a colour's row, as `clrF1` does for F1.
 * @param span    length in seconds, > 0; otherwise error 3
 * @param color   colour symbol 0..47; otherwise error 6 (time line unmoved); bad `TTO`: error 15
 * @param bwScale factor on the bandwidth
 * @param fShift  Hz added to the frequency
 */
void clrF2(double span, int color, double bwScale, double fShift);
/**
 * Writes one F3 event from a colour's row, as `clrF1` does for F1.
 * @param span    length in seconds, > 0; otherwise error 3
 * @param color   colour symbol 0..47; otherwise error 6 (time line unmoved); bad `TTO`: error 15
 * @param bwScale factor on the bandwidth
 * @param fShift  Hz added to the frequency
 */
void clrF3(double span, int color, double bwScale, double fShift);
/**
 * Writes one F4_8 event from a colour's row: F4..F8 with the adjustment, B4..B8 with the
 * adjustment × @p bwScale, field 16 as in the table. The time line moves even when rejected.
 * @param span    length in seconds, > 0; otherwise error 3 (checked first)
 * @param color   colour symbol 0..47; otherwise error 6; bad `TTO`: error 15, no event
 * @param bwScale factor on B4..B8
 */
void clrF4_8(double span, int color, double bwScale);
/**
 * Writes the four cascade events of one colour, F1, F2, F3, F4_8 (`clrF1`..`clrF3` with scale 1
 * and shift 0, then `clrF4_8`). The call every segment builder makes. A bad colour is reported
 * four times; F1..F3 then stay where they were while F4_8 moves on.
 * @param span  length in seconds, > 0; otherwise four errors 3
 * @param color colour symbol 0..47 (ring colours 0..11 through `TTO`)
 */
void Casc(double span, int color);
/**
 * Returns the colour a ring colour becomes under a TTO operation: row 12g + n of the map takes
 * colour x to (n + m·x) mod 12 with m = 1, −1, 5, 7 for g = 0..3 (transposition, inversion,
 * multiplication by 5 or 7, each followed by transposition by n). Colours 12..47 come back
 * unchanged. With `TTO` = 1 colour 0 becomes 1; with 12, colour 1 becomes 11.
 * @param op    TTO operation 0..47; otherwise error 15 (echo of p1 only) and −1
 * @param color colour symbol 0..47; otherwise error 6 (echo of p1 only) and −1
 * @return the table row to use, or −1 after an error
 */
int clrTTO(int op, int color);
/**
 * Sets `TTO` to @p op; it stays in force for every later cascade lookup. No range test here: a
 * bad operation is reported (error 15) when a ring colour is looked up.
 * @param op TTO operation, 0..47
 */
void setTTO(int op);
/// Selects adjustment row 0 (no adjustment) for every later cascade lookup: `frmadjpt` = 0.
void norm();
/// Selects adjustment row 1 for every later cascade lookup (F4..F8 lowered, B4..B8 narrowed, a
/// singer's darker upper spectrum): `frmadjpt` = 1. `norm` undoes it.
void sing();

/** @} */

/**
 * @defgroup parallel Filter bank: parallel branch (10) and pole-zero pairs (17..19)
 * @brief The parallel formants that shape frication, and the nasal, tracheal and delta-F1
 * instruments.
 *
 * Each generator remembers what it wrote (`opara`, `onaspt`, `otrcpt`, `oDf1pt`) and the rests
 * replay it. Every segment builder rests the pole-zero tracks, so a nasal or tracheal pointer
 * stays in force through every later segment until another pointer is written.
 * @{
 */

/**
 * Writes one parallel-branch event (instrument 10) from row @p color of `parallel`, directly
 * (no TTO map, no adjustment); remembers the eleven values in `opara`.
 * @param span  length in seconds, > 0; otherwise error 3 (echo of 14 p-fields), checked first
 * @param color colour symbol 0..47; otherwise error 6
 */
void Para(double span, int color);
/**
 * Writes one parallel-branch event (instrument 10) with the given values (not checked);
 * remembers them in `opara`.
 * @param span length in seconds, > 0; otherwise error 3
 * @param a2   level of parallel formant 2, dB (0 = off)
 * @param bp2  bandwidth of parallel formant 2, Hz
 * @param a3   level of parallel formant 3, dB
 * @param bp3  bandwidth of parallel formant 3, Hz
 * @param a4   level of parallel formant 4, dB
 * @param bp4  bandwidth of parallel formant 4, Hz
 * @param a5   level of parallel formant 5, dB
 * @param bp5  bandwidth of parallel formant 5, Hz
 * @param a6   level of parallel formant 6, dB
 * @param bp6  bandwidth of parallel formant 6, Hz
 * @param ab   level of the bypass (frication straight to the output), dB
 */
void frqPara(double span, double a2, double bp2, double a3, double bp3, double a4, double bp4,
             double a5, double bp5, double a6, double bp6, double ab);
/**
 * Writes one nasal pole-zero event (instrument 17) from row nasalPtr − 33 of `nasaltrach`:
 * pole frequency, pole bandwidth, zero frequency, zero bandwidth. Remembers `onaspt` when
 * written, and every later segment replays it: the nasal stays until `genNAS(span, 33)` (the
 * self-cancelling pair) is written.
 * @param span     length in seconds, > 0; otherwise error 3 (echo of 7 p-fields)
 * @param nasalPtr nasal pointer 33..38 inclusive (34 and 35 are nasal, 33 and 36 cancel
 *                 themselves); any other is reported with code 7, the catch-all message
 *                 "Odd error: Email: ..."
 */
void genNAS(double span, int nasalPtr);
/**
 * Writes one tracheal pole-zero event (instrument 18) from row trachPtr − 33 of `nasaltrach`.
 * Remembers `otrcpt` when written; it stays in force until `genTRC(span, 37)` (self-cancelling).
 * @param span     length in seconds, > 0; otherwise error 3 (checked first)
 * @param trachPtr tracheal pointer 37 or 38; otherwise error 8 "Error: <tracheal pointer> is
 *                 wrong."
 */
void genTRC(double span, int trachPtr);
/**
 * Writes one delta-F1 event (instrument 19): delta F1 and delta B1 from row @p df1Sym of
 * `deltaf1` (both 0 in every row). Remembers `oDf1pt` when written.
 * @param span   length in seconds, > 0; otherwise error 3 (echo shows the row)
 * @param df1Sym delta-F1 symbol: 0 and 1 select a row; 2 and 3 are accepted and write zeros;
 *               above 3 is error 9 "Error: <delta F1 symbol> is wrong."; a negative symbol is
 *               error 9 too
 */
void genDF1(double span, int df1Sym);

/** @} */

/**
 * @defgroup rests Rests
 * @brief Silence without gaps: one event per track for the span, with AV, AS and AF at the rest
 * levels `zav`, `zas`, `zaf` and every other track repeating its remembered value.
 *
 * A rest calls the ordinary generators, so the current offsets and factors apply once more and
 * the checks and reports are theirs (a span of 0 or less is reported by every track written).
 * Each track moves on by the span from its own time line.
 * @{
 */

/// Writes one F1 event with the last F1 and B1 (`ocasc[0]`, `ocasc[8]`).
/// @param span length in seconds, > 0 (error 3)
void restF1(double span);
/// Writes one F2 event with the last F2 and B2.
/// @param span length in seconds, > 0 (error 3)
void restF2(double span);
/// Writes one F3 event with the last F3 and B3.
/// @param span length in seconds, > 0 (error 3)
void restF3(double span);
/// Writes one F4_8 event with the last F4..F8, B4..B8 and field 16.
/// @param span length in seconds, > 0 (error 3)
void restF4_8(double span);
/// Writes the eight voice events: AV at `zav` + `incAV` with the last AV switch, F0 at the
/// last F0 (`of0`, which holds its offset) + `incF0`, the others at their last values × factors.
/// @param span length in seconds, > 0 (error 3 on each track)
void restVoi(double span);
/// Writes one aspiration event at `zas` + `incAS` with the last AS switch.
/// @param span length in seconds, > 0 (error 3)
void restAS(double span);
/// Writes one frication event at `zaf` + `incAF` with the last AF switch.
/// @param span length in seconds, > 0 (error 3)
void restAF(double span);
/// Writes one parallel-branch event with the last eleven values (`opara`).
/// @param span length in seconds, > 0 (error 3)
void restPara(double span);
/// Writes one nasal event with the last nasal pointer (`onaspt`): a nasal stays in force.
/// @param span length in seconds, > 0 (error 3)
void restNas(double span);
/// Writes one tracheal event with the last tracheal pointer (`otrcpt`).
/// @param span length in seconds, > 0 (error 3)
void restTrc(double span);
/// Writes one delta-F1 event with the last symbol (`oDf1pt`).
/// @param span length in seconds, > 0 (error 3)
void restDf1(double span);
/// Writes the four cascade rests: instruments 11, 12, 13, 14.
/// @param span length in seconds, > 0 (error 3 on each track)
void restCasc(double span);
/// Writes the frication rest (16), then the parallel-branch rest (10).
/// @param span length in seconds, > 0 (error 3 on each track)
void restAFPar(double span);
/// Writes the nasal (17), tracheal (18) and delta-F1 (19) rests.
/// @param span length in seconds, > 0 (error 3 on each track)
void restNTD(double span);
/// Writes a rest on all eighteen tracks, in the order 11..14, 20..27, 15, 16, 10, 17..19.
/// @param span length in seconds, > 0 (error 3 on each of the 18 tracks)
void restAll(double span);
/**
 * Rests every track for @p beats beats: steps the tempo (`doGLMM`), then the AV, AS, F0, OQ,
 * FL, DI, TL, DV and FV glides (not AF's), sets `tsec` = beats × `beat` and calls `restAll`.
 * The rest events carry the offsets reached at the end of the rest.
 * @param beats length in beats, > 0; otherwise every track reports error 3
 */
void Rest(double beats);

/** @} */

/**
 * @defgroup beattimed Beat-timed statements
 * @brief Generators, filter statements and rests with their length in beats: each sets `tsec`
 * = beats × `beat` and calls the seconds-timed operation with it.
 *
 * Only `CascB` and `frqCascB` step the master tempo (before converting); the rests listed
 * advance their glides; the value statements advance no glide and no beat position. The
 * wrapped operations check and report as they always do (a beats value of 0 or less is error 3).
 * @{
 */

/// Nasal, tracheal and delta-F1 rests for @p beats beats; advances no glide.
/// @param beats length in beats, > 0 (error 3)
void restNTDB(double beats);
/// Advances the voice glides (`doGLVSrc`) by @p beats, then writes the voice rest.
/// @param beats length in beats, > 0 (error 3)
void restVoiB(double beats);
/// Advances the AF glide by @p beats, then writes the frication and parallel-branch rests.
/// @param beats length in beats, > 0 (error 3)
void restAFParB(double beats);
/// Advances the AS glide by @p beats, then writes the aspiration rest.
/// @param beats length in beats, > 0 (error 3)
void restASB(double beats);
/// Advances the AF glide by @p beats, then writes the frication rest.
/// @param beats length in beats, > 0 (error 3)
void restAFB(double beats);
/**
 * One AV event of @p beats beats (`genAV`); no glide advance.
 * @param beats length in beats, > 0 (error 3)
 * @param av    voicing level, dB, up to 100 (error 2)
 * @param avswt AV switch: 0 steps, 1 glides
 */
void AVB(double beats, double av, double avswt);
/**
 * One F0 event of @p beats beats (`genF0`).
 * @param beats length in beats, > 0 (error 3)
 * @param f0    pitch, octave-point-decimal, strictly between 0 and 12 (error 4)
 */
void F0B(double beats, double f0);
/**
 * One OQ event of @p beats beats (`genOQ`).
 * @param beats length in beats, > 0 (error 3)
 * @param oq    open quotient, strictly between 0 and 1 (error 5)
 */
void OQB(double beats, double oq);
/**
 * One FL event of @p beats beats (`genFL`).
 * @param beats length in beats, > 0 (error 3)
 * @param fl    flutter (not checked)
 */
void FLB(double beats, double fl);
/**
 * One DI event of @p beats beats (`genDI`).
 * @param beats length in beats, > 0 (error 3)
 * @param di    diplophonia (not checked)
 */
void DIB(double beats, double di);
/**
 * One TL event of @p beats beats (`genTL`).
 * @param beats length in beats, > 0 (error 3)
 * @param tl    tilt, 0..8000 inclusive (error 13)
 */
void TLB(double beats, double tl);
/**
 * One DV event of @p beats beats (`genDV`).
 * @param beats length in beats, > 0 (error 3)
 * @param dv    DV (not checked)
 */
void DVB(double beats, double dv);
/**
 * One FV event of @p beats beats (`genFV`).
 * @param beats length in beats, > 0 (error 3)
 * @param fv    FV (not checked)
 */
void FVB(double beats, double fv);
/**
 * The eight voice events of @p beats beats (`Voi`); no glide advance.
 * @param beats length in beats, > 0 (error 3)
 * @param av    voicing level, dB, up to 100 (error 2)
 * @param f0    pitch, octave-point-decimal, strictly between 0 and 12 (error 4)
 * @param oq    open quotient, strictly between 0 and 1 (error 5)
 * @param fl    flutter
 * @param di    diplophonia
 * @param tl    tilt, 0..8000 inclusive (error 13)
 * @param dv    DV
 * @param fv    FV
 * @param avswt AV switch: 0 steps, 1 glides
 */
void VoiB(double beats, double av, double f0, double oq, double fl, double di, double tl, double dv,
          double fv, double avswt);
/**
 * One aspiration event of @p beats beats (`genAS`).
 * @param beats length in beats, > 0 (error 3)
 * @param amp   level in dB, up to 100 (error 2)
 * @param asswt AS switch: 0 steps, 1 glides
 */
void ASB(double beats, double amp, double asswt);
/**
 * One frication event of @p beats beats (`genAF`).
 * @param beats length in beats, > 0 (error 3)
 * @param amp   level in dB, up to 100 (error 2)
 * @param afswt AF switch: 0 steps, 1 glides
 */
void AFB(double beats, double amp, double afswt);
/**
 * Steps the master tempo by @p beats, then writes the four cascade events of a colour (`Casc`).
 * @param beats length in beats, > 0 (error 3)
 * @param color colour symbol 0..47 (error 6)
 */
void CascB(double beats, int color);
/**
 * Steps the master tempo by @p beats, then writes F1, F2 and F3 with new frequencies and the
 * last bandwidths (`ocasc[8..10]`), and an F4_8 rest of the same span.
 * @param beats length in beats, > 0 (error 3)
 * @param f1    F1 in Hz
 * @param f2    F2 in Hz
 * @param f3    F3 in Hz
 */
void frqCascB(double beats, double f1, double f2, double f3);
/**
 * One parallel-branch event of @p beats beats from a colour (`Para`); no tempo step.
 * @param beats length in beats, > 0 (error 3)
 * @param color colour symbol 0..47 (error 6)
 */
void ParaB(double beats, int color);

/** @} */

/**
 * @defgroup builders Segment builders and duration drivers
 * @brief Whole phonetic segments written on all eighteen instruments 10..27 in one call.
 *
 * A builder steps the master tempo once by its beats, takes the span beats × `beat`, divides it
 * into phases, and writes every track's events in time order so that every time line moves on
 * by the same span. The voice-source, aspiration and frication glides advance once by the whole
 * beats, just before each track's steady (last) event, where the builder says so. The tracks a
 * builder does not shape rest: the nasal, tracheal and delta-F1 pairs always do, so a nasal or
 * tracheal pointer in force sounds through every segment.
 *
 * Phase compression: the nominal phase durations (seconds) are added with one of them counted
 * twice; the nominal length is that sum, or @p minDur when it is not less. When the span is
 * shorter than the nominal length every phase is scaled by span / nominal length; the steady
 * phase takes what is left (never shorter than the doubled phase). The builders check none of
 * their arguments: every generator reached checks and reports its own event (a colour outside
 * 0..47 is error 6, a phase span of 0 or less error 3, a level above 100 error 2, a pitch
 * outside 0..12 error 4) and the builder goes on with its other calls.
 * @{
 */

/**
 * A steady vowel with every voice-source value given. Writes the cascade (`Casc`), the eight
 * voice events (`Voi`, after `doGLVSrc`), aspiration (after `doGLAS`; `aS` when @p swt is 0,
 * else `xS`), the frication and parallel rests (after `doGLAF`) and the pole-zero rests, each
 * for `tsec` = beats × `beat`.
 * @param beats length in beats, > 0
 * @param color vowel colour 0..47 (usually a ring colour 0..11)
 * @param AV    voicing level, dB, up to 100
 * @param F0    pitch, octave-point-decimal, strictly between 0 and 12
 * @param OQ    open quotient, strictly between 0 and 1
 * @param FL    flutter
 * @param DI    diplophonia
 * @param TL    tilt, 0..8000
 * @param DV    DV
 * @param FV    FV
 * @param AS    aspiration level, dB, up to 100
 * @param swt   written unchanged as the AV switch; 0 (or −0) selects `aS`, any other value `xS`
 */
void VOW(double beats, int color, double AV, double F0, double OQ, double FL, double DI, double TL,
         double DV, double FV, double AS, double swt);
/**
 * A steady vowel with the current voice quality `OQn`..`FVn`: as `VOW`, with `aV`/`aS` when
 * @p swt is 0 and `xV`/`xS` otherwise (so the AV switch is 0 or 1).
 * @param beats length in beats, > 0
 * @param color vowel colour 0..47
 * @param AV    voicing level, dB, up to 100
 * @param F0    pitch, octave-point-decimal, strictly between 0 and 12
 * @param AS    aspiration level, dB, up to 100
 * @param swt   0 selects the a-forms (switch 0), any other value the x-forms (switch 1)
 */
void VOWn(double beats, int color, double AV, double F0, double AS, double swt);
/**
 * An /h/: aspiration shaped by the cascade formants of a colour, the voice at rest (`restVoi`,
 * no voice glide advance), then the frication, parallel and pole-zero rests.
 * @param beats length in beats, > 0
 * @param color colour 0..47 whose formants shape the noise (usually the next vowel's)
 * @param AS    aspiration level, dB, up to 100
 * @param swt   0 selects `aS`, any other value `xS`
 */
void H(double beats, int color, double AS, double swt);

/**
 * A vowel, a transition and a second vowel in four phases: 1 and 2 in the first vowel's colour
 * (`aV`/`aS`, then `xV`/`xS`), 3 in the second colour at the transition level (`aV`/`aS`), the
 * steady phase in the second colour (`xV`/`xS`, after the voice and aspiration glide advances).
 * Phase 3 counts twice in the nominal length. Frication, parallel and pole-zero tracks rest.
 * Leaves `tsec` and `D1`..`DS` alone.
 * @param beats     length in beats, > 0
 * @param colorVow1 colour of the first vowel, 0..47
 * @param colorVow2 colour of the second vowel, 0..47
 * @param AVvow1    voicing level of phases 1 and 2, dB
 * @param AVtr      voicing level of the transition (phase 3), dB
 * @param AVvow2    voicing level of the steady phase, dB
 * @param F0vow1    pitch of phases 1 and 2, octave-point-decimal
 * @param F0vow2    pitch of phase 3 and the steady phase, octave-point-decimal
 * @param AStr      aspiration level of phases 1 to 3, dB
 * @param ASvow2    aspiration level of the steady phase, dB
 * @param d1        nominal duration of phase 1, seconds
 * @param d2        nominal duration of phase 2, seconds
 * @param d3        nominal duration of phase 3, seconds (counted twice)
 * @param minDur    minimum nominal length, seconds
 */
void vV(double beats, int colorVow1, int colorVow2, double AVvow1, double AVtr, double AVvow2,
        double F0vow1, double F0vow2, double AStr, double ASvow2, double d1, double d2, double d3,
        double minDur);

/**
 * Duration driver of `lV`: steps the tempo, sets `tsec` and the phase spans `D1`, `D2`, `D3`
 * (d2 counted twice in the nominal length) and `DS`. Writes no event.
 * @param beats  length in beats
 * @param d1     nominal duration of phase 1, seconds
 * @param d2     nominal duration of phase 2, seconds (counted twice)
 * @param d3     nominal duration of phase 3, seconds
 * @param minDur minimum nominal length, seconds
 */
void drli(double beats, double d1, double d2, double d3, double minDur);
/**
 * A liquid and a vowel: phases 1 and 2 in the liquid's colour (`aV`, `aS`), phase 3 in the
 * vowel's colour at the transition level, the steady vowel (`xV`, `xS`, after the voice and
 * aspiration glide advances). Spans from `drli`.
 * @param beats    length in beats, > 0
 * @param colorLiq colour of the liquid, 0..47
 * @param colorVow colour of the vowel, 0..47
 * @param AVliq    voicing level of phases 1 and 2, dB
 * @param AVtr     voicing level of phase 3, dB
 * @param AVvow    voicing level of the vowel, dB
 * @param F0       pitch of the whole segment, octave-point-decimal
 * @param ASliq    aspiration level of phases 1 to 3, dB
 * @param ASvow    aspiration level of the vowel, dB
 * @param d1       nominal duration of phase 1, seconds
 * @param d2       nominal duration of phase 2, seconds (counted twice)
 * @param d3       nominal duration of phase 3, seconds
 * @param minDur   minimum nominal length, seconds
 */
void lV(double beats, int colorLiq, int colorVow, double AVliq, double AVtr, double AVvow,
        double F0, double ASliq, double ASvow, double d1, double d2, double d3, double minDur);

/**
 * Duration driver of the fricative syllables: as `drli`, and also `DA` = `tsec` − `D1` and
 * `DB` = `DA` − `D2`. Writes no event.
 * @param beats  length in beats
 * @param d1     nominal duration of phase 1, seconds
 * @param d2     nominal duration of phase 2, seconds (counted twice)
 * @param d3     nominal duration of phase 3, seconds
 * @param minDur minimum nominal length, seconds
 */
void drfi(double beats, double d1, double d2, double d3, double minDur);
/**
 * A voiceless fricative and a vowel: phases 1 and 2 aspiration in the consonant's colour with
 * the voice at level 0, phase 3 a breathy voicing onset (`qV`) in the vowel's colour, then the
 * steady vowel. Frication and parallel branch rest. Spans from `drfi`.
 * @param beats     length in beats, > 0
 * @param colorCons colour of the fricative, 0..47
 * @param colorVow  colour of the vowel, 0..47
 * @param AScons    aspiration level of the fricative (phases 1 and 2), dB
 * @param AVon      voicing level of the onset (phase 3), dB
 * @param AVvow     voicing level of the vowel, dB
 * @param F0        pitch of the whole segment, octave-point-decimal
 * @param ASon      aspiration level of the onset, dB
 * @param ASvow     aspiration level of the vowel, dB
 * @param d1        nominal duration of phase 1, seconds
 * @param d2        nominal duration of phase 2, seconds (counted twice)
 * @param d3        nominal duration of phase 3, seconds
 * @param minDur    minimum nominal length, seconds
 */
void sV(double beats, int colorCons, int colorVow, double AScons, double AVon, double AVvow,
        double F0, double ASon, double ASvow, double d1, double d2, double d3, double minDur);
/**
 * A voiced fricative through the cascade and a vowel: phase 1 split into a silent tenth (`DA`)
 * and the rest (`DB`) with voicing and aspiration, phase 2 at the onset level, phase 3 a breathy
 * onset (`qV`) in the vowel's colour, then the steady vowel. Leaves its split in `DA` and `DB`.
 * @param beats     length in beats, > 0
 * @param colorCons colour of the fricative, 0..47
 * @param colorVow  colour of the vowel, 0..47
 * @param AVcons    voicing level of the fricative (second part of phase 1), dB
 * @param AVon      voicing level of phases 2 and 3, dB
 * @param AVvow     voicing level of the vowel, dB
 * @param F0        pitch of the whole segment, octave-point-decimal
 * @param AScons    aspiration level of the fricative and onset, dB
 * @param ASvow     aspiration level of the vowel, dB
 * @param d1        nominal duration of phase 1, seconds
 * @param d2        nominal duration of phase 2, seconds (counted twice)
 * @param d3        nominal duration of phase 3, seconds
 * @param minDur    minimum nominal length, seconds
 */
void vS(double beats, int colorCons, int colorVow, double AVcons, double AVon, double AVvow,
        double F0, double AScons, double ASvow, double d1, double d2, double d3, double minDur);
/**
 * A voiced fricative with frication through the parallel branch, and a vowel: voicing,
 * aspiration and frication at @p level in the consonant's colour (voicing 10 dB lower in phase
 * 1, stored in `L2`), a breathy onset (`qV`) with the frication off, the steady vowel. The
 * parallel branch takes the consonant's colour for the whole segment. Advances no glide but the
 * tempo.
 * @param beats     length in beats, > 0
 * @param colorCons colour of the fricative, cascade and parallel branch, 0..47
 * @param colorVow  colour of the vowel, 0..47
 * @param level     level of the fricative, dB: voicing, aspiration and frication of phases 1 and
 *                  2, voicing of phase 3
 * @param F0        pitch of the whole segment, octave-point-decimal
 * @param ASvow     aspiration level of phase 3 and the vowel, dB
 * @param AVvow     voicing level of the vowel, dB
 * @param d1        nominal duration of phase 1, seconds
 * @param d2        nominal duration of phase 2, seconds (counted twice)
 * @param d3        nominal duration of phase 3, seconds
 * @param minDur    minimum nominal length, seconds
 */
void zV(double beats, int colorCons, int colorVow, double level, double F0, double ASvow,
        double AVvow, double d1, double d2, double d3, double minDur);

/**
 * Duration driver of `Vs`: steps the tempo, sets `tsec`, `D1`, `D3`, `D4` (d4 counted twice)
 * and `DS`; leaves `D2`. Writes no event.
 * @param beats  length in beats
 * @param d1     nominal duration of phase 1, seconds
 * @param d3     nominal duration of phase 3, seconds
 * @param d4     nominal duration of phase 4, seconds (counted twice)
 * @param minDur minimum nominal length, seconds
 */
void drff(double beats, double d1, double d3, double d4, double minDur);
/**
 * A vowel and a final voiceless fricative: the vowel onset (phase 1), the steady vowel (`qV`,
 * in the middle), then the fricative in two phases (3 and 4) of aspiration with the voice at
 * level 0. Every event carries switch 0. Advances no glide but the tempo.
 * @param beats     length in beats, > 0
 * @param colorVow  colour of the vowel, 0..47
 * @param colorFric colour of the fricative, 0..47
 * @param AVon      voicing level of the onset, dB
 * @param AVvow     voicing level of the steady vowel, dB
 * @param ASfric    aspiration level of the fricative, dB
 * @param F0        pitch of the whole segment, octave-point-decimal
 * @param ASon      aspiration level of the onset, dB
 * @param ASvow     aspiration level of the steady vowel, dB
 * @param d1        nominal duration of phase 1, seconds
 * @param d3        nominal duration of phase 3, seconds
 * @param d4        nominal duration of phase 4, seconds (counted twice)
 * @param minDur    minimum nominal length, seconds
 */
void Vs(double beats, int colorVow, int colorFric, double AVon, double AVvow, double ASfric,
        double F0, double ASon, double ASvow, double d1, double d3, double d4, double minDur);

/**
 * Duration driver of the stop syllables: steps the tempo, sets `tsec`, `D1`..`D4` (d4 counted
 * twice), `D5` (d5 compressed), `DS` and the derived spans `DA`..`DH` (see their
 * descriptions). `dBurst` and `d5` also enter `DC` and `DD` uncompressed, so the burst keeps its
 * timing when the segment is compressed. Writes no event.
 * @param beats  length in beats
 * @param d1     nominal duration of phase 1 (silence), seconds
 * @param d2     nominal duration of phase 2 (silence), seconds
 * @param dBurst length of the frication burst, seconds, never compressed
 * @param d5     nominal duration of the aspiration events around the middle one, seconds
 * @param d3     nominal duration of phase 3, seconds
 * @param d4     nominal duration of phase 4, seconds (counted twice)
 * @param minDur minimum nominal length, seconds
 */
void drpv_v(double beats, double d1, double d2, double dBurst, double d5, double d3, double d4,
            double minDur);
/**
 * A voiced stop and a vowel: two silent phases in the consonant's colour, a frication burst at
 * `ampB` − `burstDrop` (`L1`), voicing from phase 3 (`ampA`) and phase 4 (`ampB`, aspiration
 * `ampC`) in the vowel's colour, then the steady vowel. Cascade and parallel branch take the
 * consonant's colour, then the vowel's. Spans from `drpv_v`. A derived span of 0 or less (for
 * example `DC` when `dBurst` >= `d5`) is that event's error 3.
 * @param beats     length in beats, > 0
 * @param colorCons colour of the stop, 0..47
 * @param colorVow  colour of the vowel, 0..47
 * @param ampA      voicing level of phase 3, dB
 * @param ampB      voicing level of phase 4, dB; the burst is ampB − burstDrop
 * @param AVvow     voicing level of the vowel, dB
 * @param F0        pitch of every voice event, octave-point-decimal
 * @param ampC      aspiration level of phase 4, dB
 * @param ASvow     aspiration level of the vowel, dB
 * @param d1        nominal duration of phase 1, seconds
 * @param d2        nominal duration of phase 2, seconds
 * @param dBurst    length of the burst, seconds, never compressed
 * @param d5        time from the start of the burst to the end of the silent frication after
 *                  it, seconds, uncompressed
 * @param burstDrop dB taken from ampB for the burst level
 * @param d3        nominal duration of phase 3, seconds
 * @param d4        nominal duration of phase 4, seconds (counted twice)
 * @param minDur    minimum nominal length, seconds
 */
void dV(double beats, int colorCons, int colorVow, double ampA, double ampB, double AVvow,
        double F0, double ampC, double ASvow, double d1, double d2, double dBurst, double d5,
        double burstDrop, double d3, double d4, double minDur);
/**
 * A voiceless aspirated stop and a vowel: silence, a burst at the larger of `ampB` and `ampC`
 * (`L1`), aspiration (`ampA`, then `L1`, then `ampC`, in spans `D5`, `DF`, `D5`), the voice off
 * until the last 0.67 of phase 4 (`DE` at `ampB`), then the steady vowel. Spans from `drpv_v`.
 * @param beats     length in beats, > 0
 * @param colorCons colour of the stop, 0..47
 * @param colorVow  colour of the vowel, 0..47
 * @param ampA      aspiration level of the first `D5` event, dB (`L2`)
 * @param ampB      voicing level of the `DE` event, dB
 * @param AVvow     voicing level of the vowel, dB
 * @param F0        pitch of every voice event, octave-point-decimal
 * @param ampC      aspiration level of the second `D5` event, dB
 * @param ASvow     aspiration level of the vowel, dB
 * @param d1        nominal duration of phase 1, seconds
 * @param d2        nominal duration of phase 2, seconds
 * @param dBurst    length of the burst, seconds, never compressed
 * @param d5        nominal duration of the aspiration events around the middle one, seconds
 * @param burstDrop not read by `tsV`
 * @param d3        nominal duration of phase 3, seconds
 * @param d4        nominal duration of phase 4, seconds (counted twice)
 * @param minDur    minimum nominal length, seconds
 */
void tsV(double beats, int colorCons, int colorVow, double ampA, double ampB, double AVvow,
         double F0, double ampC, double ASvow, double d1, double d2, double dBurst, double d5,
         double burstDrop, double d3, double d4, double minDur);
/**
 * As `tsV`, with two voiced `DE` events (`ampA`, `ampB`), the burst at `ampA` (`L3`) and the
 * vowel's colour arriving only at the end of phase 4. Rewrites `DB` (D2 + D3 + D4) and `DS`
 * (lowered by `DE`).
 * @param beats     length in beats, > 0
 * @param colorCons colour of the stop, 0..47, also for phase 4
 * @param colorVow  colour of the vowel, 0..47
 * @param ampA      voicing level of the first `DE` event, aspiration of the first `D5` event
 *                  and burst level, dB
 * @param ampB      voicing level of the second `DE` event, dB
 * @param AVvow     voicing level of the vowel, dB
 * @param F0        pitch of every voice event, octave-point-decimal
 * @param ampC      aspiration level of the second `D5` event, dB
 * @param ASvow     aspiration level of the vowel, dB
 * @param d1        nominal duration of phase 1, seconds
 * @param d2        nominal duration of phase 2, seconds
 * @param dBurst    length of the burst, seconds, never compressed
 * @param d5        nominal duration of the aspiration events around the middle one, seconds
 * @param burstDrop not read by `tvV`
 * @param d3        nominal duration of phase 3, seconds
 * @param d4        nominal duration of phase 4, seconds (counted twice)
 * @param minDur    minimum nominal length, seconds
 */
void tvV(double beats, int colorCons, int colorVow, double ampA, double ampB, double AVvow,
         double F0, double ampC, double ASvow, double d1, double d2, double dBurst, double d5,
         double burstDrop, double d3, double d4, double minDur);
/**
 * As `tsV`, with two voiced `DE` events (`ampA`, `ampB`), the burst at `ampA` − `burstDrop`
 * (`L3`) and the steady voice event shortened by `DE` (`DS` itself unchanged).
 * @param beats     length in beats, > 0
 * @param colorCons colour of the stop, 0..47
 * @param colorVow  colour of the vowel, 0..47
 * @param ampA      voicing level of the first `DE` event and aspiration of the first `D5`
 *                  event, dB; the burst is ampA − burstDrop
 * @param ampB      voicing level of the second `DE` event, dB
 * @param AVvow     voicing level of the vowel, dB
 * @param F0        pitch of every voice event, octave-point-decimal
 * @param ampC      aspiration level of the second `D5` event, dB
 * @param ASvow     aspiration level of the vowel, dB
 * @param d1        nominal duration of phase 1, seconds
 * @param d2        nominal duration of phase 2, seconds
 * @param dBurst    length of the burst, seconds, never compressed
 * @param d5        nominal duration of the aspiration events around the middle one, seconds
 * @param burstDrop dB taken from ampA for the burst level
 * @param d3        nominal duration of phase 3, seconds
 * @param d4        nominal duration of phase 4, seconds (counted twice)
 * @param minDur    minimum nominal length, seconds
 */
void tV(double beats, int colorCons, int colorVow, double ampA, double ampB, double AVvow,
        double F0, double ampC, double ASvow, double d1, double d2, double dBurst, double d5,
        double burstDrop, double d3, double d4, double minDur);

/** @} */

#endif  // SPEECHSCORE_H
