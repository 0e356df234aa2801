; speechscore.orc: the cascade/parallel formant synthesizer that plays speechscore's scores.
; One instrument per synthesis parameter (10 to 27) sets global values, the filter values gliding
; to each new event; instrument 80 reads them every control cycle and computes the sound: source,
; cascade, parallel branch, output. docs/orchestra.md tables every p-field and the render-time settings.
; Written for speed: every opcode call costs time in every control cycle, so work that only
; changes with a value (filter coefficients, a parameter event without a glide) is done only then.

sr     = 44100
ksmps  = 32
nchnls = 1
0dbfs  = 1

; ---- Render-time settings: csound macros, so a render can change them without editing this file,
; for example: tools/render piece.sco piece.wav --omacro:GLIDE=0.1
#ifndef GLIDE
#define GLIDE #0.065#
#end
#ifndef PGLIDE
#define PGLIDE #0.05#
#end
giGlide  = limit($GLIDE, 0, 1)        ; formant glide: longest time to a new value, seconds
giPGlide = limit($PGLIDE, 0, 1)       ; pitch glide: time to a new F0, seconds

; ---- Level offsets: a level L in dB (0..100) becomes the gain ampdb(L + offset); a level of
; 0 or less is silence. Chosen so that AV 70 on any ring vowel from C3 to C5 peaks below -1 dBFS.
giAVoff  = -87           ; voicing
giASoff  = -93           ; aspiration noise into the cascade
giAFoff  = -64           ; frication noise into the parallel branch
giParOff = -60           ; parallel formants A2..A6 and bypass AB

; ---- The living voice: with flutter FL, every glottal period also gets a random length and
; strength, so jitter and shimmer grow with FL; FL 0 is strictly periodic.
giJitter  = 7            ; period perturbation, +-giJitter * FL (uniform)
giShimmer = 18           ; amplitude perturbation, +-giShimmer * FL (uniform)
giTiltZero = 1250        ; Hz: zero of the tilt shelf, whose pole lies at twice TL

; ---- Global settings (instrument 1); these defaults hold when a score has no instrument 1.
giOutSwt  init 0         ; output selector 0..12
giCascFac init 1         ; cascade branch factor
giAVfact  init 1         ; voicing factor
giASfact  init 1         ; aspiration factor
giAFfact  init 1         ; frication factor
giParFac  init 1         ; parallel branch factor
giSrcSw   init 0         ; source type 0..5
giFss     init 1         ; formant frequency scale
giAss     init 1         ; bandwidth scale

; ---- Parameter values, written by instruments 10..27. The start values are those a score
; rests on before its first event of that instrument (orchestra/instruments.txt).
gkA2g  init 0            ; parallel branch (10): gains from the dB levels, and bandwidths
gkBP2  init 101
gkA3g  init 0
gkBP3  init 150
gkA4g  init 0
gkBP4  init 350
gkA5g  init 0
gkBP5  init 450
gkA6g  init 0
gkBP6  init 550
gkABg  init 0
gkF1   init 500          ; cascade formants (11..14)
gkB1   init 101
gkF2   init 1500
gkB2   init 101
gkF3   init 2500
gkB3   init 150
gkF4   init 3500
gkF5   init 4500
gkF6   init 5500
gkF7   init 6500
gkF8   init 7500
gkB4   init 350
gkB5   init 450
gkB6   init 550
gkB7   init 650
gkB8   init 750
gkHigh init 1            ; share of formants 4..8 in the cascade (p14 of instrument 14)
gkASg  init 0            ; aspiration gain (15)
gkAFg  init 0            ; frication gain (16)
gkNPf  init 270          ; nasal pole-zero pair (17)
gkNPb  init 90
gkNZf  init 270
gkNZb  init 90
gkTPf  init 2150         ; tracheal pole-zero pair (18)
gkTPb  init 180
gkTZf  init 2150
gkTZb  init 180
gkDF1  init 0            ; delta F1 and delta B1 in the open phase (19)
gkDB1  init 0
gkAVg  init 0            ; voicing gain (20)
gkAVon init 0            ; 1 while the AV level is above 0
gkF0   init 6            ; pitch, octave-point-decimal (21)
gkOQ   init 0.5          ; open quotient (22)
gkFL   init 0            ; flutter depth (23)
gkDI   init 0            ; diplophonia (24)
gkTL   init 8000         ; tilt, Hz (25)
gkDV   init 0.008        ; voicing amplitude time constant, s (26)
gkFV   init 1            ; voicing modulation of the noise (27)

; ---- Building blocks

; The glide of a filter event (a macro, expanded in each filter instrument): iglide, the seconds
; its values glide (the event's span, at most giGlide; the events at time 0 set their values at
; once), and p3 cut to the glide and two more control cycles, so that the next event of the
; instrument starts from the value reached. An event that moves none of its values then sets p3
; to 0: it has no performance at all.
#define GLIDE_TIME #
  iglide = (p2 <= 0 ? 1 / kr : max(min(p3, giGlide), 1 / kr))
  p3     = min(p3, iglide + 2 / kr)
#

; Coefficients B and C of the two-pole resonator y = A x + B y1 + C y2 at frequency kf and
; bandwidth kw (Hz): C = -exp(-2 pi kw/sr), B = 2 exp(-pi kw/sr) cos(2 pi kf/sr). The lowest
; frequency and bandwidth allowed are ifmin and ibmin; frequencies stay below 0.45 sr.
opcode ResonCoefs, kk, kkii
  kf, kw, ifmin, ibmin xin
  krad = exp(-$M_PI * limit(kw, ibmin, sr / 2) / sr)
  xout 2 * krad * cos(2 * $M_PI * limit(kf, ifmin, 0.45 * sr) / sr), -krad * krad
endop

; Biquad coefficients b0, a1 and a2 of a cascade formant at frequency kf and bandwidth kw, with
; unity gain at 0 Hz (A = 1 - B - C). Called only in the control cycles in which kf or kw move.
opcode FormantCoefs, kkk, kk
  kf, kw xin
  kB, kC ResonCoefs kf, kw, 20, 5
  xout 1 - kB - kC, -kB, -kC
endop

; Biquad coefficients b0, b1, b2, a1 and a2 of a pole-zero pair: the pole resonator and the zero
; antiresonator (its inverse) in one biquad, with unity gain at 0 Hz; and 1 when the pair acts,
; 0 while its zero equals its pole (the pair is then the identity). Called only in the control
; cycles in which a value moves.
opcode PoleZeroCoefs, kkkkkk, kkkk
  kpf, kpw, kzf, kzw xin
  kB, kC   ResonCoefs kpf, kpw, 20, 5
  kBz, kCz ResonCoefs kzf, kzw, 50, 10
  kg    = (1 - kB - kC) / (1 - kBz - kCz)
  xout kg, -kg * kBz, -kg * kCz, -kB, -kC, (kpf != kzf || kpw != kzw ? 1 : 0)
endop

; Coefficients of a formant of the parallel branch at frequency kf and bandwidth kw: a1 and a2 of
; its biquad, and the two factors of its gain at its centre: A = gain (1 - r) sqrt(1 + r^2 -
; 2 r cos(2 theta)) with r = sqrt(-C), cos(theta) = B / 2r. Called only in the control cycles in
; which kf or kw move.
opcode ParallelCoefs, kkkk, kk
  kf, kw xin
  kB, kC  ResonCoefs kf, kw, 20, 5
  krad    = sqrt(-kC)
  kcos    = kB / (2 * krad)
  xout -kB, -kC, 1 - krad, sqrt(1 + krad * krad - 2 * krad * (2 * kcos * kcos - 1))
endop

; ---- Parameter instruments

; Global settings: read once; instrument 80 picks them up when it starts at 0.01 s.
instr 1
  giOutSwt  = p4
  giCascFac = p5
  giAVfact  = p6
  giASfact  = p7
  giAFfact  = p8
  giParFac  = p9
  giSrcSw   = p10
  giFss     = p11
  giAss     = p12
endin

; Parallel branch: A2, BP2, A3, BP3, A4, BP4, A5, BP5, A6, BP6, AB. Levels become gains at once
; (instrument 80 smooths them); bandwidths glide.
instr 10
  gkA2g init (p4 > 0 ? ampdb(p4 + giParOff) : 0)
  gkA3g init (p6 > 0 ? ampdb(p6 + giParOff) : 0)
  gkA4g init (p8 > 0 ? ampdb(p8 + giParOff) : 0)
  gkA5g init (p10 > 0 ? ampdb(p10 + giParOff) : 0)
  gkA6g init (p12 > 0 ? ampdb(p12 + giParOff) : 0)
  gkABg init (p14 > 0 ? ampdb(p14 + giParOff) : 0)
  $GLIDE_TIME
  if p5 == i(gkBP2) && p7 == i(gkBP3) && p9 == i(gkBP4) && p11 == i(gkBP5) && p13 == i(gkBP6) then
    p3   = 0
  endif
  gkBP2 linseg i(gkBP2), iglide, p5, 1, p5
  gkBP3 linseg i(gkBP3), iglide, p7, 1, p7
  gkBP4 linseg i(gkBP4), iglide, p9, 1, p9
  gkBP5 linseg i(gkBP5), iglide, p11, 1, p11
  gkBP6 linseg i(gkBP6), iglide, p13, 1, p13
endin

; F1: frequency, bandwidth; they glide to the new values.
instr 11
  $GLIDE_TIME
  if p4 == i(gkF1) && p5 == i(gkB1) then
    p3   = 0
  endif
  gkF1  linseg i(gkF1), iglide, p4, 1, p4
  gkB1  linseg i(gkB1), iglide, p5, 1, p5
endin

; F2: frequency, bandwidth.
instr 12
  $GLIDE_TIME
  if p4 == i(gkF2) && p5 == i(gkB2) then
    p3   = 0
  endif
  gkF2  linseg i(gkF2), iglide, p4, 1, p4
  gkB2  linseg i(gkB2), iglide, p5, 1, p5
endin

; F3: frequency, bandwidth.
instr 13
  $GLIDE_TIME
  if p4 == i(gkF3) && p5 == i(gkB3) then
    p3   = 0
  endif
  gkF3  linseg i(gkF3), iglide, p4, 1, p4
  gkB3  linseg i(gkB3), iglide, p5, 1, p5
endin

; F4..F8, B4..B8, and the share of the five higher formants in the cascade.
instr 14
  $GLIDE_TIME
  if p4 == i(gkF4) && p5 == i(gkF5) && p6 == i(gkF6) && p7 == i(gkF7) && p8 == i(gkF8) && \
     p9 == i(gkB4) && p10 == i(gkB5) && p11 == i(gkB6) && p12 == i(gkB7) && p13 == i(gkB8) && \
     p14 == i(gkHigh) then
    p3   = 0
  endif
  gkF4   linseg i(gkF4), iglide, p4, 1, p4
  gkF5   linseg i(gkF5), iglide, p5, 1, p5
  gkF6   linseg i(gkF6), iglide, p6, 1, p6
  gkF7   linseg i(gkF7), iglide, p7, 1, p7
  gkF8   linseg i(gkF8), iglide, p8, 1, p8
  gkB4   linseg i(gkB4), iglide, p9, 1, p9
  gkB5   linseg i(gkB5), iglide, p10, 1, p10
  gkB6   linseg i(gkB6), iglide, p11, 1, p11
  gkB7   linseg i(gkB7), iglide, p12, 1, p12
  gkB8   linseg i(gkB8), iglide, p13, 1, p13
  gkHigh linseg i(gkHigh), iglide, p14, 1, p14
endin

; Aspiration level and switch: switch 0 steps to the new level at the start of the event
; (instrument 80 smooths the step); switch 1 glides linearly from the level in force to the
; new one across the event, except that silence (a level of 0 or less) always starts at once.
; An event that does not glide sets the level and has no performance.
instr 15
  inew   = (p4 > 0 ? ampdb(p4 + giASoff) : 0)
  istart = (p5 == 0 || inew == 0 ? inew : i(gkASg))
  if istart == inew then
    gkASg  init inew
    p3     = 0
  else
    gkASg  linseg istart, max(p3 - ksmps / sr, ksmps / sr), inew, 1, inew
  endif
endin

; Frication level and switch, as aspiration.
instr 16
  inew   = (p4 > 0 ? ampdb(p4 + giAFoff) : 0)
  istart = (p5 == 0 || inew == 0 ? inew : i(gkAFg))
  if istart == inew then
    gkAFg  init inew
    p3     = 0
  else
    gkAFg  linseg istart, max(p3 - ksmps / sr, ksmps / sr), inew, 1, inew
  endif
endin

; Nasal pole-zero pair: pole frequency and bandwidth, zero frequency and bandwidth; they glide.
instr 17
  $GLIDE_TIME
  if p4 == i(gkNPf) && p5 == i(gkNPb) && p6 == i(gkNZf) && p7 == i(gkNZb) then
    p3   = 0
  endif
  gkNPf linseg i(gkNPf), iglide, p4, 1, p4
  gkNPb linseg i(gkNPb), iglide, p5, 1, p5
  gkNZf linseg i(gkNZf), iglide, p6, 1, p6
  gkNZb linseg i(gkNZb), iglide, p7, 1, p7
endin

; Tracheal pole-zero pair, as the nasal pair.
instr 18
  $GLIDE_TIME
  if p4 == i(gkTPf) && p5 == i(gkTPb) && p6 == i(gkTZf) && p7 == i(gkTZb) then
    p3   = 0
  endif
  gkTPf linseg i(gkTPf), iglide, p4, 1, p4
  gkTPb linseg i(gkTPb), iglide, p5, 1, p5
  gkTZf linseg i(gkTZf), iglide, p6, 1, p6
  gkTZb linseg i(gkTZb), iglide, p7, 1, p7
endin

; Delta F1 and delta B1: added to F1 and B1 while the glottis is open; they glide.
instr 19
  $GLIDE_TIME
  if p4 == i(gkDF1) && p5 == i(gkDB1) then
    p3   = 0
  endif
  gkDF1 linseg i(gkDF1), iglide, p4, 1, p4
  gkDB1 linseg i(gkDB1), iglide, p5, 1, p5
endin

; Voicing level and switch, as aspiration; instrument 80 takes the value at period starts.
instr 20
  inew   = (p4 > 0 ? ampdb(p4 + giAVoff) : 0)
  istart = (p5 == 0 || inew == 0 ? inew : i(gkAVg))
  gkAVon init (p4 > 0 ? 1 : 0)
  if istart == inew then
    gkAVg  init inew
    p3     = 0
  else
    gkAVg  linseg istart, max(p3 - ksmps / sr, ksmps / sr), inew, 1, inew
  endif
endin

; Instruments 21 to 27 set their value when the event starts and have no performance (p3 0).

; F0 in octave-point-decimal (8.00 middle C); instrument 80 glides to it.
instr 21
  gkF0 init p4
  p3   = 0
endin

; Open quotient: open share of the glottal period.
instr 22
  gkOQ init p4
  p3   = 0
endin

; Flutter: depth of the slow F0 wobble and of the period-to-period jitter and shimmer.
instr 23
  gkFL init p4
  p3   = 0
endin

; Diplophonia: 0..1.
instr 24
  gkDI init p4
  p3   = 0
endin

; Tilt: corner of the tilt shelf on the voicing source, Hz.
instr 25
  gkTL init p4
  p3   = 0
endin

; DV: time constant of voicing amplitude changes, seconds.
instr 26
  gkDV init p4
  p3   = 0
endin

; FV: depth of the voicing modulation of aspiration and frication noise.
instr 27
  gkFV init p4
  p3   = 0
endin

; ---- The synthesizer: source -> cascade -> parallel branch -> output.
instr 80
  kSrc    init giSrcSw
  kSw     init giOutSwt
  iFss    = giFss
  iAss    = giAss
  ; Filter coefficients are recomputed only in the control cycles in which their values move
  ; (changed() below); the first cycle computes them all, since kStart is not 0 then.
  kStart  init 1

  ; ---- Source. Pitch glides linearly to each new F0 in giPGlide seconds; while the voice is
  ; silent (its gain in the last cycle below 1e-5) it takes the new F0 at once, so that a voiced
  ; stretch starts at its own pitch, not gliding from the pitch before a rest.
  kF0     init i(gkF0)
  kF0step init 0
  kF0left init 0
  kAVlast init 0
  if changed2(gkF0) == 1 then
    kF0left = max(int(giPGlide * kr + 0.5), 1)
    kF0step = (gkF0 - kF0) / kF0left
  endif
  if kAVlast < 1e-5 then
    kF0     = gkF0
    kF0left = 0
  endif
  if kF0left > 0 then
    kF0left = kF0left - 1
    kF0     = (kF0left == 0 ? gkF0 : kF0 + kF0step)
  endif
  kOQ     portk gkOQ, 0.002, i(gkOQ)
  kFL     portk gkFL, 0.002, i(gkFL)
  kDI     portk gkDI, 0.002, i(gkDI)
  kTL     portk gkTL, 0.002, i(gkTL)
  kFV     portk gkFV, 0.002, i(gkFV)
  kOQ     limit kOQ, 0.02, 1
  kDI     limit kDI, 0, 1
  ; Flutter: a slow quasi-random wobble of F0; with it, each period gets a random length
  ; (jitter) and strength (shimmer), drawn when the period starts.
  kflut   = (oscil:k(1, 12.7, 6) + oscil:k(1, 7.1, 6, 0.3) + oscil:k(1, 4.7, 6, 0.6)) / 3
  kjit    init 0
  kshim   init 0
  kHz     = cpsoct(limit(kF0, 0.01, 12)) * (1 + kFL * kflut) * (1 + giJitter * kFL * kjit)
  kHz     limit kHz, 5, 0.2 * sr
  ; Diplophonia: periods come in pairs; the first is longer by DI/4 of a period, the second
  ; shorter by as much and weaker by the factor 1 - DI. The mean F0 is unchanged.
  kb      = 0.5 + 0.125 * kDI
  ; A voice that starts from silence starts its first period at once: the phase is reset at
  ; the first sample of the cycle in which AV turns on while the gain was silent, and that
  ; sample counts as a period start, so the new level is taken at once.
  ksync   = (kAVlast < 1e-5 && gkAVon == 1 ? 1 : 0)
  async   = 0
  vaset   ksync, 0, async      ; one sample: the phase restarts once, at the cycle's start
  aq, asyncout syncphasor kHz * 0.5, async
  asecond = floor(limit(aq - kb + 1, 0, 1))
  if kDI > 0 then
    aph   = (aq - asecond * kb) / (kb + asecond * (1 - 2 * kb))
  else
    aph   = (aq - asecond * 0.5) * 2
  endif
  astart  = max(floor(limit(delay1(aph) - aph + 0.5, 0, 1)), async)
  au      = aph / kOQ
  ; Closed phase: 0 while the glottis is open, then 1; the closing takes two samples, so that
  ; where it falls between samples does not alias into a period-to-period difference.
  aclosed = limit((au - 1) * (kOQ * sr * 0.5 / kHz), 0, 1)
  ; A new period began since the last cycle: draw its perturbations.
  kphlast init 0
  kph     = k(aph)
  if kph < kphlast then
    kjit  rand 1, 0.31
    kshim rand 1, 0.77
  endif
  kphlast = kph

  ; Voicing gain: follows AV with the DV time constant and changes only at period starts; a
  ; fall to silence (AV 0) fades at once, with a half-time of 0.5 ms. A voice that starts from
  ; silence (ksync) takes its level at once: the smoothing jumps to it (a half-time so short
  ; that its weight on the old value is 0), and the first period is held at it, not at the
  ; first sample of the interpolation from silence.
  kDV     limit gkDV, 0.0005, 1
  kAV     portk gkAVg, (ksync == 1 ? 1e-9 : (gkAVon == 1 ? kDV * 0.6931 : 0.0005)), i(gkAVg)
  kAVper  = kAV * giAVfact * (1 + giShimmer * kFL * kshim)
  aAVin   interp kAVper
  if ksync == 1 then
    aAVin = kAVper
  endif
  aAV     samphold aAVin, astart + (1 - gkAVon), i(gkAVg) * giAVfact
  if kDI > 0 then
    aAV   = aAV * (1 - asecond * kDI)
  endif
  kAVlast = kAV

  ; Noise, shared by aspiration and frication; while voicing is on, its level in the closed
  ; part of each period is lowered by FV/2.
  anoise  rand 1
  kFVon   = limit(kFV, 0, 1) * gkAVon * 0.5
  anoise  = anoise * (1 - aclosed * kFVon)
  kAS     portk gkASg * giASfact, 0.002, i(gkASg) * giASfact
  kAF     portk gkAFg * giAFfact, 0.002, i(gkAFg) * giAFfact
  aasp    = anoise * interp(kAS)
  afric   = anoise * interp(kAF)

  ; Voicing source by type.
  if kSrc == 0 then
    apulse tablei au, 7, 1
    apulse = apulse * (1 - aclosed)
  elseif kSrc == 1 then
    apulse = (astart - kHz / sr) * 10
  elseif kSrc == 2 then
    apulse tablei aph, 6, 1, 0, 1
    apulse = apulse * 0.75
  elseif kSrc == 3 then
    apulse = 8.4 * au * au * (1 - au) * (1 - aclosed)
    apulse atone apulse, 30
  elseif kSrc == 4 then
    apulse = anoise * 0.5
  else
    apulse = (1 - 2 * aph) * 0.5
  endif
  ; Tilt: a first-order shelf, flat at 0 Hz, with its zero at giTiltZero and its pole at twice
  ; TL (or twice the lower cutoff table 4 gives a large open quotient): high frequencies are
  ; raised by 20 log10(2 TL / giTiltZero) dB, 4 dB at TL 1000, so a larger TL is brighter.
  ; Its coefficients are recomputed only when TL or OQ move.
  itz     = tan($M_PI * giTiltZero / sr)
  if changed(kStart, kTL, kOQ) == 1 then
    kcut  = 2 * min(limit(kTL, 0.5, 0.225 * sr), tablei:k((kOQ - 0.5) * 128, 4))
    ktp   = tan($M_PI * kcut / sr)
    kt0   = ktp / itz * (1 + itz) / (1 + ktp)
    kt1   = ktp / itz * (itz - 1) / (1 + ktp)
    kta   = (ktp - 1) / (1 + ktp)
  endif
  avoice  biquad apulse * aAV, kt0, kt1, 0, 1, kta, 0
  acin    = avoice + aasp

  ; ---- Cascade: tracheal and nasal pole-zero pairs, F1 (raised by delta F1 and delta B1
  ; while the glottis is open) and F2 to F8; formants 4..8 are mixed in by their share. Each
  ; pole-zero pair is a resonator and an antiresonator (its inverse) in one biquad, with unity
  ; gain at 0 Hz; while its zero equals its pole it is the identity and is skipped (its filter
  ; state then still matches its input, so it resumes without a click). Coefficients are
  ; recomputed only in the control cycles in which their values move.
  if changed(kStart, gkTPf, gkTPb, gkTZf, gkTZb) == 1 then
    kTb0, kTb1, kTb2, kTa1, kTa2, kTon PoleZeroCoefs gkTPf * iFss, gkTPb * iAss, gkTZf * iFss, \
                                                     gkTZb * iAss
  endif
  if kTon == 1 then
    atrach biquad acin, kTb0, kTb1, kTb2, 1, kTa1, kTa2
  else
    atrach = acin
  endif
  if changed(kStart, gkNPf, gkNPb, gkNZf, gkNZb) == 1 then
    kNb0, kNb1, kNb2, kNa1, kNa2, kNon PoleZeroCoefs gkNPf * iFss, gkNPb * iAss, gkNZf * iFss, \
                                                     gkNZb * iAss
  endif
  if kNon == 1 then
    anasal biquad atrach, kNb0, kNb1, kNb2, 1, kNa1, kNa2
  else
    anasal = atrach
  endif
  kF1t    = gkF1 * iFss
  kB1t    = gkB1 * iAss
  if gkDF1 != 0 || gkDB1 != 0 then
    kopen = 1 - downsamp(aclosed)
    kF1t  = kF1t + gkDF1 * kopen
    kB1t  = kB1t + gkDB1 * kopen
  endif
  if changed(kStart, kF1t, kB1t) == 1 then
    k1b0, k1a1, k1a2 FormantCoefs kF1t, kB1t
  endif
  a1      biquad anasal, k1b0, 0, 0, 1, k1a1, k1a2
  ; F2 to F8: in most cycles none moves, and one test finds that.
  if changed(kStart, gkF2, gkB2, gkF3, gkB3, gkF4, gkB4, gkF5, gkB5, gkF6, gkB6, gkF7, gkB7, \
             gkF8, gkB8) == 1 then
    if changed(kStart, gkF2, gkB2) == 1 then
      k2b0, k2a1, k2a2 FormantCoefs gkF2 * iFss, gkB2 * iAss
    endif
    if changed(kStart, gkF3, gkB3) == 1 then
      k3b0, k3a1, k3a2 FormantCoefs gkF3 * iFss, gkB3 * iAss
    endif
    if changed(kStart, gkF4, gkB4) == 1 then
      k4b0, k4a1, k4a2 FormantCoefs gkF4 * iFss, gkB4 * iAss
    endif
    if changed(kStart, gkF5, gkB5) == 1 then
      k5b0, k5a1, k5a2 FormantCoefs gkF5 * iFss, gkB5 * iAss
    endif
    if changed(kStart, gkF6, gkB6) == 1 then
      k6b0, k6a1, k6a2 FormantCoefs gkF6 * iFss, gkB6 * iAss
    endif
    if changed(kStart, gkF7, gkB7) == 1 then
      k7b0, k7a1, k7a2 FormantCoefs gkF7 * iFss, gkB7 * iAss
    endif
    if changed(kStart, gkF8, gkB8) == 1 then
      k8b0, k8a1, k8a2 FormantCoefs gkF8 * iFss, gkB8 * iAss
    endif
  endif
  a2      biquad a1, k2b0, 0, 0, 1, k2a1, k2a2
  a3      biquad a2, k3b0, 0, 0, 1, k3a1, k3a2
  a4      biquad a3, k4b0, 0, 0, 1, k4a1, k4a2
  a5      biquad a4, k5b0, 0, 0, 1, k5a1, k5a2
  a6      biquad a5, k6b0, 0, 0, 1, k6a1, k6a2
  a7      biquad a6, k7b0, 0, 0, 1, k7a1, k7a2
  a8      biquad a7, k8b0, 0, 0, 1, k8a1, k8a2
  kHigh   = limit(gkHigh, 0, 1)
  acasc   = (a3 + kHigh * (a8 - a3)) * giCascFac

  ; ---- Parallel branch on the frication noise: formants 2..6 at the cascade frequencies
  ; with their own bandwidths and levels, adjacent formants in opposite sign, plus the bypass.
  ; Skipped while the frication is silent (its tails are then far below hearing). Each formant
  ; is scaled to its gain at its centre: A = gain (1 - r) sqrt(1 + r^2 - 2 r cos(2 theta))
  ; with r = sqrt(-C), cos(theta) = B / 2r.
  if kAF > 1e-7 then
    kA2   portk gkA2g * giParFac, 0.002, i(gkA2g) * giParFac
    kA3   portk gkA3g * giParFac, 0.002, i(gkA3g) * giParFac
    kA4   portk gkA4g * giParFac, 0.002, i(gkA4g) * giParFac
    kA5   portk gkA5g * giParFac, 0.002, i(gkA5g) * giParFac
    kA6   portk gkA6g * giParFac, 0.002, i(gkA6g) * giParFac
    kAB   portk gkABg * giParFac, 0.002, i(gkABg) * giParFac
    if changed(kStart, gkF2, gkBP2) == 1 then
      kP2a1, kP2a2, kP2r, kP2s ParallelCoefs gkF2 * iFss, gkBP2 * iAss
    endif
    ap2   biquad afric, kA2 * kP2r * kP2s, 0, 0, 1, kP2a1, kP2a2
    if changed(kStart, gkF3, gkBP3) == 1 then
      kP3a1, kP3a2, kP3r, kP3s ParallelCoefs gkF3 * iFss, gkBP3 * iAss
    endif
    ap3   biquad afric, -kA3 * kP3r * kP3s, 0, 0, 1, kP3a1, kP3a2
    if changed(kStart, gkF4, gkBP4) == 1 then
      kP4a1, kP4a2, kP4r, kP4s ParallelCoefs gkF4 * iFss, gkBP4 * iAss
    endif
    ap4   biquad afric, kA4 * kP4r * kP4s, 0, 0, 1, kP4a1, kP4a2
    if changed(kStart, gkF5, gkBP5) == 1 then
      kP5a1, kP5a2, kP5r, kP5s ParallelCoefs gkF5 * iFss, gkBP5 * iAss
    endif
    ap5   biquad afric, -kA5 * kP5r * kP5s, 0, 0, 1, kP5a1, kP5a2
    if changed(kStart, gkF6, gkBP6) == 1 then
      kP6a1, kP6a2, kP6r, kP6s ParallelCoefs gkF6 * iFss, gkBP6 * iAss
    endif
    ap6   biquad afric, kA6 * kP6r * kP6s, 0, 0, 1, kP6a1, kP6a2
    apform  = ap2 + ap3 + ap4 + ap5 + ap6
    abypass = afric * kAB
  else
    apform  = 0
    abypass = 0
  endif
  apara   = apform + abypass

  ; ---- Output selection.
  if kSw == 0 then
    aout = acasc + apara
  elseif kSw == 1 then
    aout = avoice
  elseif kSw == 2 then
    aout = aasp
  elseif kSw == 3 then
    aout = afric
  elseif kSw == 4 then
    aout = acin
  elseif kSw == 5 then
    aout = atrach
  elseif kSw == 6 then
    aout = anasal
  elseif kSw == 7 then
    aout = a1
  elseif kSw == 8 then
    aout = a3
  elseif kSw == 9 then
    aout = acasc
  elseif kSw == 10 then
    aout = apform
  elseif kSw == 11 then
    aout = abypass
  else
    aout = apara
  endif
  out aout
endin
