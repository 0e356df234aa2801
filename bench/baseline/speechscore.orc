; speechscore.orc: the cascade/parallel formant synthesizer that plays speechscore's scores.
; One instrument per synthesis parameter (10 to 27) sets global values, the filter values gliding
; to each new event; instrument 80 reads them every control cycle and computes the sound: source,
; cascade, parallel branch, output. docs/orchestra.md tables every p-field and the render-time settings.

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
; rests on before its first event of that instrument.
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

; Seconds the values of a filter event glide: the event's span, at most giGlide; the events at
; time 0 set their values at once. The event's instance ends with its glide (the caller sets p3
; to the second result), so the next event of the instrument starts from the value reached.
opcode GlideTime, ii, ii
  ip2, ip3 xin
  iglide = (ip2 <= 0 ? 1 / kr : max(min(ip3, giGlide), 1 / kr))
  xout iglide, min(ip3, iglide + 2 / kr)
endop

; Coefficients B and C of the two-pole resonator y = A x + B y1 + C y2 at frequency kf and
; bandwidth kw (Hz): C = -exp(-2 pi kw/sr), B = 2 exp(-pi kw/sr) cos(2 pi kf/sr). The lowest
; frequency and bandwidth allowed are ifmin and ibmin; frequencies stay below 0.45 sr.
opcode ResonCoefs, kk, kkii
  kf, kw, ifmin, ibmin xin
  krad = exp(-$M_PI * limit(kw, ibmin, sr / 2) / sr)
  xout 2 * krad * cos(2 * $M_PI * limit(kf, ifmin, 0.45 * sr) / sr), -krad * krad
endop

; A formant of the cascade on ain at frequency kf and bandwidth kw, with unity gain at 0 Hz
; (A = 1 - B - C); its coefficients are recomputed only when kf or kw change.
opcode Formant, a, akk
  ain, kf, kw xin
  if changed(kf, kw) == 1 then
    kB, kC ResonCoefs kf, kw, 20, 5
  endif
  aout    biquad ain, 1 - kB - kC, 0, 0, 1, -kB, -kC
  xout aout
endop

; A pole-zero pair on ain: the pole resonator and the zero antiresonator (its inverse) in one
; biquad, with unity gain at 0 Hz; coefficients are recomputed only when a value changes. While
; the zero equals the pole the pair is the identity and is skipped; its filter state then still
; matches its input, so it resumes without a click.
opcode PoleZero, a, akkkk
  ain, kpf, kpw, kzf, kzw xin
  if changed(kpf, kpw, kzf, kzw) == 1 then
    kB, kC   ResonCoefs kpf, kpw, 20, 5
    kBz, kCz ResonCoefs kzf, kzw, 50, 10
    kg    = (1 - kB - kC) / (1 - kBz - kCz)
  endif
  if kpf != kzf || kpw != kzw then
    aout  biquad ain, kg, -kg * kBz, -kg * kCz, 1, -kB, -kC
  else
    aout  = ain
  endif
  xout aout
endop

; A formant of the parallel branch on ain at frequency kf, bandwidth kw and gain kgain at its
; centre: A = kgain (1 - r) sqrt(1 + r^2 - 2 r cos(2 theta)) with r = sqrt(-C), cos(theta) =
; B / 2r. Its coefficients follow every control cycle (it runs only under frication noise).
opcode ParallelFormant, a, akkk
  ain, kf, kw, kgain xin
  kB, kC  ResonCoefs kf, kw, 20, 5
  krad    = sqrt(-kC)
  kcos    = kB / (2 * krad)
  kA      = kgain * (1 - krad) * sqrt(1 + krad * krad - 2 * krad * (2 * kcos * kcos - 1))
  aout    biquad ain, kA, 0, 0, 1, -kB, -kC
  xout aout
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
  iglide, p3 GlideTime p2, p3
  gkBP2 linseg i(gkBP2), iglide, p5, 1, p5
  gkBP3 linseg i(gkBP3), iglide, p7, 1, p7
  gkBP4 linseg i(gkBP4), iglide, p9, 1, p9
  gkBP5 linseg i(gkBP5), iglide, p11, 1, p11
  gkBP6 linseg i(gkBP6), iglide, p13, 1, p13
endin

; F1: frequency, bandwidth; they glide to the new values.
instr 11
  iglide, p3 GlideTime p2, p3
  gkF1  linseg i(gkF1), iglide, p4, 1, p4
  gkB1  linseg i(gkB1), iglide, p5, 1, p5
endin

; F2: frequency, bandwidth.
instr 12
  iglide, p3 GlideTime p2, p3
  gkF2  linseg i(gkF2), iglide, p4, 1, p4
  gkB2  linseg i(gkB2), iglide, p5, 1, p5
endin

; F3: frequency, bandwidth.
instr 13
  iglide, p3 GlideTime p2, p3
  gkF3  linseg i(gkF3), iglide, p4, 1, p4
  gkB3  linseg i(gkB3), iglide, p5, 1, p5
endin

; F4..F8, B4..B8, and the share of the five higher formants in the cascade.
instr 14
  iglide, p3 GlideTime p2, p3
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
instr 15
  inew   = (p4 > 0 ? ampdb(p4 + giASoff) : 0)
  istart = (p5 == 0 || inew == 0 ? inew : i(gkASg))
  gkASg  linseg istart, max(p3 - ksmps / sr, ksmps / sr), inew, 1, inew
endin

; Frication level and switch, as aspiration.
instr 16
  inew   = (p4 > 0 ? ampdb(p4 + giAFoff) : 0)
  istart = (p5 == 0 || inew == 0 ? inew : i(gkAFg))
  gkAFg  linseg istart, max(p3 - ksmps / sr, ksmps / sr), inew, 1, inew
endin

; Nasal pole-zero pair: pole frequency and bandwidth, zero frequency and bandwidth; they glide.
instr 17
  iglide, p3 GlideTime p2, p3
  gkNPf linseg i(gkNPf), iglide, p4, 1, p4
  gkNPb linseg i(gkNPb), iglide, p5, 1, p5
  gkNZf linseg i(gkNZf), iglide, p6, 1, p6
  gkNZb linseg i(gkNZb), iglide, p7, 1, p7
endin

; Tracheal pole-zero pair, as the nasal pair.
instr 18
  iglide, p3 GlideTime p2, p3
  gkTPf linseg i(gkTPf), iglide, p4, 1, p4
  gkTPb linseg i(gkTPb), iglide, p5, 1, p5
  gkTZf linseg i(gkTZf), iglide, p6, 1, p6
  gkTZb linseg i(gkTZb), iglide, p7, 1, p7
endin

; Delta F1 and delta B1: added to F1 and B1 while the glottis is open; they glide.
instr 19
  iglide, p3 GlideTime p2, p3
  gkDF1 linseg i(gkDF1), iglide, p4, 1, p4
  gkDB1 linseg i(gkDB1), iglide, p5, 1, p5
endin

; Voicing level and switch, as aspiration; instrument 80 takes the value at period starts.
instr 20
  inew   = (p4 > 0 ? ampdb(p4 + giAVoff) : 0)
  istart = (p5 == 0 || inew == 0 ? inew : i(gkAVg))
  gkAVon init (p4 > 0 ? 1 : 0)
  gkAVg  linseg istart, max(p3 - ksmps / sr, ksmps / sr), inew, 1, inew
endin

; F0 in octave-point-decimal (8.00 middle C); instrument 80 glides to it.
instr 21
  gkF0 init p4
endin

; Open quotient: open share of the glottal period.
instr 22
  gkOQ init p4
endin

; Flutter: depth of the slow F0 wobble and of the period-to-period jitter and shimmer.
instr 23
  gkFL init p4
endin

; Diplophonia: 0..1.
instr 24
  gkDI init p4
endin

; Tilt: corner of the tilt shelf on the voicing source, Hz.
instr 25
  gkTL init p4
endin

; DV: time constant of voicing amplitude changes, seconds.
instr 26
  gkDV init p4
endin

; FV: depth of the voicing modulation of aspiration and frication noise.
instr 27
  gkFV init p4
endin

; ---- The synthesizer: source -> cascade -> parallel branch -> output.
instr 80
  kSrc    init giSrcSw
  kSw     init giOutSwt

  ; ---- Source. Pitch glides linearly to each new F0 in giPGlide seconds.
  kF0     init i(gkF0)
  kF0step init 0
  kF0left init 0
  if changed2(gkF0) == 1 then
    kF0left = max(int(giPGlide * kr + 0.5), 1)
    kF0step = (gkF0 - kF0) / kF0left
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
  aq      phasor kHz * 0.5
  asecond = floor(limit(aq - kb + 1, 0, 1))
  aph     = (aq - asecond * kb) / (kb + asecond * (1 - 2 * kb))
  astart  = floor(limit(delay1(aph) - aph + 0.5, 0, 1))
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
  ; fall to silence (AV 0) fades at once, with a half-time of 0.5 ms.
  kDV     limit gkDV, 0.0005, 1
  kAV     portk gkAVg, (gkAVon == 1 ? kDV * 0.6931 : 0.0005), i(gkAVg)
  aAV     samphold interp(kAV * giAVfact * (1 + giShimmer * kFL * kshim)), \
                   astart + (1 - gkAVon), i(gkAVg) * giAVfact
  if kDI > 0 then
    aAV   = aAV * (1 - asecond * kDI)
  endif

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
  kcut    = 2 * min(limit(kTL, 0.5, 0.225 * sr), tablei:k((kOQ - 0.5) * 128, 4))
  itz     = tan($M_PI * giTiltZero / sr)
  ktp     = tan($M_PI * kcut / sr)
  kt0     = ktp / itz * (1 + itz) / (1 + ktp)
  kt1     = ktp / itz * (itz - 1) / (1 + ktp)
  kta     = (ktp - 1) / (1 + ktp)
  avoice  biquad apulse * aAV, kt0, kt1, 0, 1, kta, 0
  acin    = avoice + aasp

  ; ---- Cascade: tracheal and nasal pole-zero pairs, F1 (raised by delta F1 and delta B1
  ; while the glottis is open) and F2 to F8; formants 4..8 are mixed in by their share.
  kF1t    = gkF1 * giFss
  kB1t    = gkB1 * giAss
  if gkDF1 != 0 || gkDB1 != 0 then
    kopen = 1 - downsamp(aclosed)
    kF1t  = kF1t + gkDF1 * kopen
    kB1t  = kB1t + gkDB1 * kopen
  endif
  atrach  PoleZero acin, gkTPf * giFss, gkTPb * giAss, gkTZf * giFss, gkTZb * giAss
  anasal  PoleZero atrach, gkNPf * giFss, gkNPb * giAss, gkNZf * giFss, gkNZb * giAss
  a1      Formant anasal, kF1t, kB1t
  a2      Formant a1, gkF2 * giFss, gkB2 * giAss
  a3      Formant a2, gkF3 * giFss, gkB3 * giAss
  a4      Formant a3, gkF4 * giFss, gkB4 * giAss
  a5      Formant a4, gkF5 * giFss, gkB5 * giAss
  a6      Formant a5, gkF6 * giFss, gkB6 * giAss
  a7      Formant a6, gkF7 * giFss, gkB7 * giAss
  a8      Formant a7, gkF8 * giFss, gkB8 * giAss
  kHigh   = limit(gkHigh, 0, 1)
  acasc   = (a3 + kHigh * (a8 - a3)) * giCascFac

  ; ---- Parallel branch on the frication noise: formants 2..6 at the cascade frequencies
  ; with their own bandwidths and levels, adjacent formants in opposite sign, plus the bypass.
  ; Skipped while the frication is silent (its tails are then far below hearing).
  if kAF > 1e-7 then
    kA2   portk gkA2g * giParFac, 0.002, i(gkA2g) * giParFac
    kA3   portk gkA3g * giParFac, 0.002, i(gkA3g) * giParFac
    kA4   portk gkA4g * giParFac, 0.002, i(gkA4g) * giParFac
    kA5   portk gkA5g * giParFac, 0.002, i(gkA5g) * giParFac
    kA6   portk gkA6g * giParFac, 0.002, i(gkA6g) * giParFac
    kAB   portk gkABg * giParFac, 0.002, i(gkABg) * giParFac
    ap2   ParallelFormant afric, gkF2 * giFss, gkBP2 * giAss, kA2
    ap3   ParallelFormant afric, gkF3 * giFss, gkBP3 * giAss, -kA3
    ap4   ParallelFormant afric, gkF4 * giFss, gkBP4 * giAss, kA4
    ap5   ParallelFormant afric, gkF5 * giFss, gkBP5 * giAss, -kA5
    ap6   ParallelFormant afric, gkF6 * giFss, gkBP6 * giAss, kA6
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
