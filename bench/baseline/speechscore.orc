; speechscore.orc: the cascade/parallel formant synthesizer that plays speechscore's scores.
; One instrument per synthesis parameter (10 to 27) writes its p-fields into global control
; values; instrument 80 reads them every control cycle and computes the sound. The meaning,
; unit and range of every p-field are tabled in docs/orchestra.md.

sr     = 44100
ksmps  = 32
nchnls = 1
0dbfs  = 1

; ---- Level offsets: a level L in dB (0..100) becomes the gain ampdb(L + offset); a level of
; 0 or less is silence. Chosen so that a loud open vowel (AV 60) peaks near -3 dBFS.
giAVoff  = -68           ; voicing
giASoff  = -80           ; aspiration noise into the cascade
giAFoff  = -64           ; frication noise into the parallel branch
giParOff = -60           ; parallel formants A2..A6 and bypass AB

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
gkTL   init 8000         ; tilt low-pass cutoff, Hz (25)
gkDV   init 0.008        ; voicing amplitude time constant, s (26)
gkFV   init 1            ; voicing modulation of the noise (27)

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

; Parallel branch: A2, BP2, A3, BP3, A4, BP4, A5, BP5, A6, BP6, AB. Levels become gains here.
instr 10
  gkA2g init (p4 > 0 ? ampdb(p4 + giParOff) : 0)
  gkBP2 init p5
  gkA3g init (p6 > 0 ? ampdb(p6 + giParOff) : 0)
  gkBP3 init p7
  gkA4g init (p8 > 0 ? ampdb(p8 + giParOff) : 0)
  gkBP4 init p9
  gkA5g init (p10 > 0 ? ampdb(p10 + giParOff) : 0)
  gkBP5 init p11
  gkA6g init (p12 > 0 ? ampdb(p12 + giParOff) : 0)
  gkBP6 init p13
  gkABg init (p14 > 0 ? ampdb(p14 + giParOff) : 0)
endin

; F1: frequency, bandwidth.
instr 11
  gkF1 init p4
  gkB1 init p5
endin

; F2: frequency, bandwidth.
instr 12
  gkF2 init p4
  gkB2 init p5
endin

; F3: frequency, bandwidth.
instr 13
  gkF3 init p4
  gkB3 init p5
endin

; F4..F8, B4..B8, and the share of the five higher formants in the cascade.
instr 14
  gkF4   init p4
  gkF5   init p5
  gkF6   init p6
  gkF7   init p7
  gkF8   init p8
  gkB4   init p9
  gkB5   init p10
  gkB6   init p11
  gkB7   init p12
  gkB8   init p13
  gkHigh init p14
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

; Nasal pole-zero pair: pole frequency and bandwidth, zero frequency and bandwidth.
instr 17
  gkNPf init p4
  gkNPb init p5
  gkNZf init p6
  gkNZb init p7
endin

; Tracheal pole-zero pair, as the nasal pair.
instr 18
  gkTPf init p4
  gkTPb init p5
  gkTZf init p6
  gkTZb init p7
endin

; Delta F1 and delta B1: added to F1 and B1 while the glottis is open.
instr 19
  gkDF1 init p4
  gkDB1 init p5
endin

; Voicing level and switch, as aspiration; instrument 80 takes the value at period starts.
instr 20
  inew   = (p4 > 0 ? ampdb(p4 + giAVoff) : 0)
  istart = (p5 == 0 || inew == 0 ? inew : i(gkAVg))
  gkAVon init (p4 > 0 ? 1 : 0)
  gkAVg  linseg istart, max(p3 - ksmps / sr, ksmps / sr), inew, 1, inew
endin

; F0 in octave-point-decimal (8.00 middle C).
instr 21
  gkF0 init p4
endin

; Open quotient: open share of the glottal period.
instr 22
  gkOQ init p4
endin

; Flutter: relative depth of the slow F0 wobble.
instr 23
  gkFL init p4
endin

; Diplophonia: 0..1.
instr 24
  gkDI init p4
endin

; Tilt: cutoff of the one-pole low-pass on the voicing source, Hz.
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

; The synthesizer: source, cascade, parallel branch and output selection.
; Filter coefficients are recomputed only while their parameters move: a change restarts a
; countdown of isettle control cycles, long enough for the smoothing to settle.
instr 80
  iht     = 0.002                 ; half-time of formant and amplitude smoothing, s
  isettle = int(16 * iht * kr) + 1
  itwopi  = 2 * $M_PI / sr
  ipiosr  = $M_PI / sr
  ifmax   = 0.45 * sr
  ibmax   = 0.5 * sr
  kSrc    init giSrcSw
  kSw     init giOutSwt

  ; ---- Voice source controls
  kF0     portk gkF0, 0.005, i(gkF0)
  kOQ     portk gkOQ, iht, i(gkOQ)
  kFL     portk gkFL, iht, i(gkFL)
  kDI     portk gkDI, iht, i(gkDI)
  kTL     portk gkTL, iht, i(gkTL)
  kFV     portk gkFV, iht, i(gkFV)
  kOQ     limit kOQ, 0.02, 1
  kDI     limit kDI, 0, 1
  kflut   = (oscil:k(1, 12.7, 6) + oscil:k(1, 7.1, 6, 0.3) + oscil:k(1, 4.7, 6, 0.6)) / 3
  kHz     = cpsoct(limit(kF0, 0.01, 12)) * (1 + kFL * kflut)
  kHz     limit kHz, 5, 0.2 * sr
  ; Diplophonia: periods come in pairs; the first is longer by DI/4 of a period, the second
  ; shorter by as much and weaker by the factor 1 - DI. The mean F0 is unchanged.
  kb      = 0.5 + 0.125 * kDI
  aq      phasor kHz * 0.5
  asecond = floor(limit(aq - kb + 1, 0, 1))
  aph     = (aq - asecond * kb) / (kb + asecond * (1 - 2 * kb))
  astart  = floor(limit(delay1(aph) - aph + 0.5, 0, 1))
  au      = aph / kOQ
  aclosed = floor(limit(au, 0, 1))

  ; Voicing gain: follows AV with the DV time constant and changes only at period starts.
  kDV     limit gkDV, 0.0005, 1
  kAV     portk gkAVg, kDV * 0.6931, i(gkAVg)
  aAV     samphold interp(kAV * giAVfact), astart, i(gkAVg) * giAVfact
  if kDI > 0 then
    aAV   = aAV * (1 - asecond * kDI)
  endif

  ; Noise, shared by aspiration and frication; while voicing is on, its level in the closed
  ; part of each period is lowered by FV/2.
  anoise  rand 1
  kFVon   = limit(kFV, 0, 1) * gkAVon * 0.5
  anoise  = anoise * (1 - aclosed * kFVon)
  kAS     portk gkASg * giASfact, iht, i(gkASg) * giASfact
  kAF     portk gkAFg * giAFfact, iht, i(gkAFg) * giAFfact
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
  ; Tilt: one-pole low-pass at TL, or lower where table 4 asks for it at a large open quotient.
  kcut    = min(limit(kTL, 1, ibmax), tablei:k((kOQ - 0.5) * 128, 4))
  avoice  tone apulse * aAV, kcut
  acin    = avoice + aasp

  ; ---- Cascade. Resonator: y = A x + B y1 + C y2, C = -exp(-2 pi BW/sr),
  ; B = 2 exp(-pi BW/sr) cos(2 pi F/sr), A = 1 - B - C (unity gain at 0 Hz). A pole-zero pair
  ; is the pole resonator and the zero antiresonator (its inverse) in one biquad. While a
  ; filter moves, its coefficients are interpolated at audio rate (a coefficient that steps
  ; once per control cycle would be heard as a buzz at the control rate); they stop changing
  ; two cycles before the countdown ends, so that the held audio-rate values are constant.
  aone    init 1
  azero   init 0
  kch     changed gkTPf, gkTPb, gkTZf, gkTZb, gkNPf, gkNPb, gkNZf, gkNZb
  kPZleft init isettle
  kPZleft = (kch == 1 ? isettle : kPZleft)
  if kPZleft > 2 then
    kf    portk gkTPf * giFss, iht, i(gkTPf) * giFss
    kw    portk gkTPb * giAss, iht, i(gkTPb) * giAss
    krad  = exp(-ipiosr * limit(kw, 5, ibmax))
    kTB   = 2 * krad * cos(itwopi * limit(kf, 20, ifmax))
    kTC   = -krad * krad
    kf    portk gkTZf * giFss, iht, i(gkTZf) * giFss
    kw    portk gkTZb * giAss, iht, i(gkTZb) * giAss
    krad  = exp(-ipiosr * limit(kw, 10, ibmax))
    kBz   = 2 * krad * cos(itwopi * limit(kf, 50, ifmax))
    kCz   = -krad * krad
    kTg   = (1 - kTB - kTC) / (1 - kBz - kCz)
    kf    portk gkNPf * giFss, iht, i(gkNPf) * giFss
    kw    portk gkNPb * giAss, iht, i(gkNPb) * giAss
    krad  = exp(-ipiosr * limit(kw, 5, ibmax))
    kNB   = 2 * krad * cos(itwopi * limit(kf, 20, ifmax))
    kNC   = -krad * krad
    kf    portk gkNZf * giFss, iht, i(gkNZf) * giFss
    kw    portk gkNZb * giAss, iht, i(gkNZb) * giAss
    krad  = exp(-ipiosr * limit(kw, 10, ibmax))
    kBz2  = 2 * krad * cos(itwopi * limit(kf, 50, ifmax))
    kCz2  = -krad * krad
    kNg   = (1 - kNB - kNC) / (1 - kBz2 - kCz2)
  endif
  if kPZleft > 0 then
    kPZleft = kPZleft - 1
    aTb0  interp kTg, 0, 1
    aTb1  interp -kTg * kBz, 0, 1
    aTb2  interp -kTg * kCz, 0, 1
    aTa1  interp -kTB, 0, 1
    aTa2  interp -kTC, 0, 1
    aNb0  interp kNg, 0, 1
    aNb1  interp -kNg * kBz2, 0, 1
    aNb2  interp -kNg * kCz2, 0, 1
    aNa1  interp -kNB, 0, 1
    aNa2  interp -kNC, 0, 1
  endif
  atrach  biquada acin, aTb0, aTb1, aTb2, aone, aTa1, aTa2
  anasal  biquada atrach, aNb0, aNb1, aNb2, aone, aNa1, aNa2

  ; F1, raised by delta F1 and delta B1 while the glottis is open; recomputed every cycle
  ; while those are not 0, and settling once they are 0 again.
  kch     changed gkF1, gkB1, gkDF1, gkDB1
  kF1left init isettle
  kF1left = (kch == 1 ? isettle : kF1left)
  kDF1on  = (gkDF1 != 0 || gkDB1 != 0 ? 1 : 0)
  if kF1left > 2 || kDF1on == 1 then
    kopen = 1 - downsamp(aclosed)
    kf    portk gkF1 * giFss + gkDF1 * kopen, iht, i(gkF1) * giFss
    kw    portk gkB1 * giAss + gkDB1 * kopen, iht, i(gkB1) * giAss
    krad  = exp(-ipiosr * limit(kw, 5, ibmax))
    k1B   = 2 * krad * cos(itwopi * limit(kf, 20, ifmax))
    k1C   = -krad * krad
  endif
  if kF1left > 0 || kDF1on == 1 then
    kF1left = kF1left - 1
    a1b0  interp 1 - k1B - k1C, 0, 1
    a1a1  interp -k1B, 0, 1
    a1a2  interp -k1C, 0, 1
  endif
  a1      biquada anasal, a1b0, azero, azero, aone, a1a1, a1a2

  ; F2..F8; the cosines of F2..F6 also serve the parallel branch.
  kch     changed gkF2, gkB2, gkF3, gkB3, gkF4, gkB4, gkF5, gkB5, gkF6, gkB6, gkF7, gkB7, gkF8, gkB8
  kCleft  init isettle
  kCleft  = (kch == 1 ? isettle : kCleft)
  kCmove  = (kCleft > 0 ? 1 : 0)
  if kCleft > 2 then
    kf    portk gkF2 * giFss, iht, i(gkF2) * giFss
    kw    portk gkB2 * giAss, iht, i(gkB2) * giAss
    kc2   = cos(itwopi * limit(kf, 20, ifmax))
    krad  = exp(-ipiosr * limit(kw, 5, ibmax))
    k2B   = 2 * krad * kc2
    k2C   = -krad * krad
    kf    portk gkF3 * giFss, iht, i(gkF3) * giFss
    kw    portk gkB3 * giAss, iht, i(gkB3) * giAss
    kc3   = cos(itwopi * limit(kf, 20, ifmax))
    krad  = exp(-ipiosr * limit(kw, 5, ibmax))
    k3B   = 2 * krad * kc3
    k3C   = -krad * krad
    kf    portk gkF4 * giFss, iht, i(gkF4) * giFss
    kw    portk gkB4 * giAss, iht, i(gkB4) * giAss
    kc4   = cos(itwopi * limit(kf, 20, ifmax))
    krad  = exp(-ipiosr * limit(kw, 5, ibmax))
    k4B   = 2 * krad * kc4
    k4C   = -krad * krad
    kf    portk gkF5 * giFss, iht, i(gkF5) * giFss
    kw    portk gkB5 * giAss, iht, i(gkB5) * giAss
    kc5   = cos(itwopi * limit(kf, 20, ifmax))
    krad  = exp(-ipiosr * limit(kw, 5, ibmax))
    k5B   = 2 * krad * kc5
    k5C   = -krad * krad
    kf    portk gkF6 * giFss, iht, i(gkF6) * giFss
    kw    portk gkB6 * giAss, iht, i(gkB6) * giAss
    kc6   = cos(itwopi * limit(kf, 20, ifmax))
    krad  = exp(-ipiosr * limit(kw, 5, ibmax))
    k6B   = 2 * krad * kc6
    k6C   = -krad * krad
    kf    portk gkF7 * giFss, iht, i(gkF7) * giFss
    kw    portk gkB7 * giAss, iht, i(gkB7) * giAss
    krad  = exp(-ipiosr * limit(kw, 5, ibmax))
    k7B   = 2 * krad * cos(itwopi * limit(kf, 20, ifmax))
    k7C   = -krad * krad
    kf    portk gkF8 * giFss, iht, i(gkF8) * giFss
    kw    portk gkB8 * giAss, iht, i(gkB8) * giAss
    krad  = exp(-ipiosr * limit(kw, 5, ibmax))
    k8B   = 2 * krad * cos(itwopi * limit(kf, 20, ifmax))
    k8C   = -krad * krad
  endif
  if kCleft > 0 then
    kCleft = kCleft - 1
    a2b0  interp 1 - k2B - k2C, 0, 1
    a2a1  interp -k2B, 0, 1
    a2a2  interp -k2C, 0, 1
    a3b0  interp 1 - k3B - k3C, 0, 1
    a3a1  interp -k3B, 0, 1
    a3a2  interp -k3C, 0, 1
    a4b0  interp 1 - k4B - k4C, 0, 1
    a4a1  interp -k4B, 0, 1
    a4a2  interp -k4C, 0, 1
    a5b0  interp 1 - k5B - k5C, 0, 1
    a5a1  interp -k5B, 0, 1
    a5a2  interp -k5C, 0, 1
    a6b0  interp 1 - k6B - k6C, 0, 1
    a6a1  interp -k6B, 0, 1
    a6a2  interp -k6C, 0, 1
    a7b0  interp 1 - k7B - k7C, 0, 1
    a7a1  interp -k7B, 0, 1
    a7a2  interp -k7C, 0, 1
    a8b0  interp 1 - k8B - k8C, 0, 1
    a8a1  interp -k8B, 0, 1
    a8a2  interp -k8C, 0, 1
  endif
  a2      biquada a1, a2b0, azero, azero, aone, a2a1, a2a2
  a3      biquada a2, a3b0, azero, azero, aone, a3a1, a3a2
  a4      biquada a3, a4b0, azero, azero, aone, a4a1, a4a2
  a5      biquada a4, a5b0, azero, azero, aone, a5a1, a5a2
  a6      biquada a5, a6b0, azero, azero, aone, a6a1, a6a2
  a7      biquada a6, a7b0, azero, azero, aone, a7a1, a7a2
  a8      biquada a7, a8b0, azero, azero, aone, a8a1, a8a2
  ; Formants 4..8 are mixed in by the share of instrument 14.
  kHigh   portk limit(gkHigh, 0, 1), iht, limit(i(gkHigh), 0, 1)
  acasc   = (a3 + kHigh * (a8 - a3)) * giCascFac

  ; ---- Parallel branch on the frication noise: formants 2..6 at the cascade frequencies
  ; with their own bandwidths, each scaled to unit gain at its centre frequency and given its
  ; level, adjacent formants in opposite sign; plus the bypass. Skipped while the frication
  ; is silent (its tails are then far below hearing).
  kch     changed gkBP2, gkBP3, gkBP4, gkBP5, gkBP6, gkA2g, gkA3g, gkA4g, gkA5g, gkA6g
  kPleft  init isettle
  kPleft  = (kch == 1 || kCmove == 1 ? isettle : kPleft)
  if kAF > 1e-7 then
    if kPleft > 0 then
      kPleft = kPleft - 1
      ; Unit gain at the centre: A = (1 - r) sqrt(1 - 2 r cos(2 theta) + r^2).
      kw    portk gkBP2 * giAss, iht, i(gkBP2) * giAss
      krad  = exp(-ipiosr * limit(kw, 5, ibmax))
      kP2B  = 2 * krad * kc2
      kP2C  = -krad * krad
      kA    portk gkA2g * giParFac, iht, i(gkA2g) * giParFac
      kP2A  = kA * (1 - krad) * sqrt(1 + krad * krad - 2 * krad * (2 * kc2 * kc2 - 1))
      kw    portk gkBP3 * giAss, iht, i(gkBP3) * giAss
      krad  = exp(-ipiosr * limit(kw, 5, ibmax))
      kP3B  = 2 * krad * kc3
      kP3C  = -krad * krad
      kA    portk gkA3g * giParFac, iht, i(gkA3g) * giParFac
      kP3A  = -kA * (1 - krad) * sqrt(1 + krad * krad - 2 * krad * (2 * kc3 * kc3 - 1))
      kw    portk gkBP4 * giAss, iht, i(gkBP4) * giAss
      krad  = exp(-ipiosr * limit(kw, 5, ibmax))
      kP4B  = 2 * krad * kc4
      kP4C  = -krad * krad
      kA    portk gkA4g * giParFac, iht, i(gkA4g) * giParFac
      kP4A  = kA * (1 - krad) * sqrt(1 + krad * krad - 2 * krad * (2 * kc4 * kc4 - 1))
      kw    portk gkBP5 * giAss, iht, i(gkBP5) * giAss
      krad  = exp(-ipiosr * limit(kw, 5, ibmax))
      kP5B  = 2 * krad * kc5
      kP5C  = -krad * krad
      kA    portk gkA5g * giParFac, iht, i(gkA5g) * giParFac
      kP5A  = -kA * (1 - krad) * sqrt(1 + krad * krad - 2 * krad * (2 * kc5 * kc5 - 1))
      kw    portk gkBP6 * giAss, iht, i(gkBP6) * giAss
      krad  = exp(-ipiosr * limit(kw, 5, ibmax))
      kP6B  = 2 * krad * kc6
      kP6C  = -krad * krad
      kA    portk gkA6g * giParFac, iht, i(gkA6g) * giParFac
      kP6A  = kA * (1 - krad) * sqrt(1 + krad * krad - 2 * krad * (2 * kc6 * kc6 - 1))
    endif
    ap2   biquad afric, kP2A, 0, 0, 1, -kP2B, -kP2C
    ap3   biquad afric, kP3A, 0, 0, 1, -kP3B, -kP3C
    ap4   biquad afric, kP4A, 0, 0, 1, -kP4B, -kP4C
    ap5   biquad afric, kP5A, 0, 0, 1, -kP5B, -kP5C
    ap6   biquad afric, kP6A, 0, 0, 1, -kP6B, -kP6C
    apform = ap2 + ap3 + ap4 + ap5 + ap6
    kAB   portk gkABg * giParFac, iht, i(gkABg) * giParFac
    abypass = afric * kAB
  else
    apform = 0
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
