# The phone measurements of tools/praat/phone_measures.praat on signals whose answer is known:
# band noise and white noise, a tone burst before a voiced tone, noise bursts before pulses, a KlattGrid vowel with a known F2
# glide, a KlattGrid murmur and liquids, two-tone level changes and pitch glides. Prints one
# "figure:" line per check with its tolerance; exits with an error when any check fails.
#   praat --run phone_measures_test.praat
include ../../tools/praat/phone_measures.praat

random_initializeWithSeedUnsafelyButPredictably (2000)
failures = 0
writeInfoLine: "phone measurements on signals of known answer"

procedure check: .name$, .value, .expected, .tolerance
    .ok = .value <> undefined and abs (.value - .expected) <= .tolerance
    appendInfoLine: "figure: ", .name$, " = ", fixed$ (.value, 4), " (expected ",
    ... fixed$ (.expected, 4), " +- ", fixed$ (.tolerance, 4), ")", if .ok then "" else "  FAILED" fi
    failures += 1 - .ok
endproc

# A harmonic tone at 120 Hz, 8 harmonics of amplitude 0.1 / k: the voiced part of the stops.
voiced$ = "0.1 * (sin(2*pi*120*x) + sin(2*pi*240*x)/2 + sin(2*pi*360*x)/3 + sin(2*pi*480*x)/4"
voiced$ += " + sin(2*pi*600*x)/5 + sin(2*pi*720*x)/6 + sin(2*pi*840*x)/7 + sin(2*pi*960*x)/8)"
voicedRms = 0.1 * sqrt ((1 + 1/4 + 1/9 + 1/16 + 1/25 + 1/36 + 1/49 + 1/64) / 2)

# ---- Fricatives: centre of gravity, spread, share above 3 kHz, level re the vowel ----
noise = Create Sound from formula: "noise", 1, 0, 0.6, 16000, "randomGauss (0, 0.1)"
high = Filter (pass Hann band): 4000, 6000, 100
@fricative: high, 0.1, 0.3, 0.1, 0.3
# Tolerances: the sampling error of one 40-ms window of noise (about 80 Hz for a 2-kHz band,
# 160 Hz for white noise), times 2.5.
@check: "cog of noise 4-6 kHz (Hz)", fricative.cog, 5000, 200
# white noise: flat to 8 kHz, standard deviation 8000 / sqrt (12) Hz
@fricative: noise, 0.1, 0.3, 0.1, 0.3
@check: "sd of white noise (Hz)", fricative.sd, 8000 / sqrt (12), 250
@check: "share above 3 kHz of white noise", fricative.above3k, 5 / 8, 0.05
# a 5-kHz tone at a quarter of the amplitude of a 200-Hz one: -12.04 dB
quiet = Create Sound from formula: "quiet", 1, 0, 0.6, 16000,
... "if x < 0.3 then 0.025 * sin(2*pi*5000*x) else 0.1 * sin(2*pi*200*x) fi"
@fricative: quiet, 0.05, 0.25, 0.35, 0.55
@check: "level of a tone at 1/4 amplitude (dB)", fricative.level, -12.04, 0.05

# white noise has 1/3 of an octave more power in each band: 10 log10 (2^(1/3)) = 1.00 dB per band;
# from the 500-Hz band (k = 8) to the 5-kHz band (k = 18), 10.0 dB
@third_octaves: noise, 0, 0.6
@check: "white noise, 5-kHz band re 500-Hz band (dB)", third_octaves.level[18] - third_octaves.level[8], 10.03, 0.5
# at 16 kHz the 8-kHz band is cut at the Nyquist frequency: the 6.3-kHz band is the strongest
@check: "white noise, 6.3-kHz band (dB)", third_octaves.level[19], 0, 0.5

# ---- Stops: a 10-ms 3500-Hz tone burst at 0.1 s, silence, voicing from 0.16 s ----
stop = Create Sound from formula: "stop", 1, 0, 0.5, 16000,
... "if x >= 0.1 and x < 0.11 then 0.05 * sin(2*pi*3500*x) else 0 fi + if x >= 0.16 then " + voiced$ + " else 0 fi"
@burst: stop, 0.05, 0.16, 0, 0.5
@check: "release time (s)", burst.time, 0.1, 0.003
@check: "burst level re loudest 100 ms (dB)", burst.level, 20 * log10 (0.05 / sqrt (2) / voicedRms), 0.5
@check: "burst above 1 kHz, first 5 ms (dB)", burst.high, 20 * log10 (0.05 / sqrt (2) / voicedRms), 1
@check: "burst peak (Hz)", burst.peak, 3500, 100
# the 25-ms window holds 5 ms of silence, the 10-ms tone and 10 ms of silence: all at 3500 Hz
@check: "burst centre of gravity (Hz)", burst.cog, 3500, 100
# voicing 60 ms after a noise burst and 50 ms of white aspiration noise
long = Create Sound from formula: "long", 1, 0, 0.5, 16000,
... "if x >= 0.1 and x < 0.11 then randomGauss (0, 0.05) else 0 fi + if x >= 0.11 and x < 0.16 then randomGauss (0, 0.01) else 0 fi + if x >= 0.16 then " + voiced$ + " else 0 fi"
@vot: long, 0.05, 0.16, 0.5
@check: "release time of a noise burst (s)", vot.release, 0.1, 0.003
@vot: long, 0.1, 0.16, 0.5
@check: "release time of a burst at the start of the interval (s)", vot.release, 0.1, 0.003
# VOT tolerance: the first pulse lies up to one period (8.3 ms) into the voicing.
@check: "voice onset time, voiceless (s)", vot.vot, 0.06, 0.01
# white noise: 700 of 5000 Hz; 40 ms of noise in a 700-Hz band reads within about 1 dB
@check: "aspiration 0-700 Hz re 700-5000 Hz (dB)", vot.low, 10 * log10 (700 / 4300), 1.5
@check: "aspiration re loudest 100 ms (dB)", vot.asp, 20 * log10 (0.01 / voicedRms), 1
# voicing from 50 ms before the release (prevoiced)
pre = Create Sound from formula: "pre", 1, 0, 0.5, 16000,
... "if x >= 0.1 and x < 0.11 then randomGauss (0, 0.2) else 0 fi + if x >= 0.05 then " + voiced$ + " / if x < 0.1 then 5 else 1 fi else 0 fi"
@vot: pre, 0.05, 0.12, 0.5
@check: "voice onset time, prevoiced (s)", vot.vot, -0.05, 0.01

# ---- Stops released from silence, to the millisecond: a 5-ms noise burst at 0.1 s, aspiration
# noise 30 dB below it, then glottal pulses from 0.1 s + VOT at 120 Hz, each the response of
# two damped resonances (500 Hz, 80 Hz wide; 1500 Hz, 150 Hz wide) whose largest swing is 0.2 ms
# after the pulse. The pulses grow, 1 - 2^-k of full level (the first 3.5 dB below the second);
# a pulse at a tenth of that one period before the first stands for the opening of the glottis
# and is no onset.
for v to 4
    vot = 0.01 * (v = 1) + 0.03 * (v = 2) + 0.045 * (v = 3) + 0.06 * (v = 4)
    tv = 0.1 + vot
    t0$ = string$ (tv - 1 / 120)
    phase$ = "((x - " + t0$ + ") - floor ((x - " + t0$ + ") * 120) / 120)"
    index$ = "floor ((x - " + t0$ + ") * 120)"
    pulse$ = "(exp (-pi * 80 * " + phase$ + ") * sin (2 * pi * 500 * " + phase$ + ") + 0.5 * "
    pulse$ += "exp (-pi * 150 * " + phase$ + ") * sin (2 * pi * 1500 * " + phase$ + "))"
    level$ = "if " + index$ + " = 0 then 0.01 else 0.1 * (1 - 0.5 ^ " + index$ + ") fi"
    f$ = "if x >= 0.1 and x < 0.105 then randomGauss (0, 0.05) else 0 fi"
    f$ += " + if x >= 0.105 and x < " + string$ (tv) + " then randomGauss (0, 0.003) else 0 fi"
    f$ += " + if x >= " + t0$ + " then (" + level$ + ") * " + pulse$ + " else 0 fi"
    stop = Create Sound from formula: "stop", 1, 0, 0.4, 44100, f$
    @onset_vot: stop, 0.05, tv, 0.35
    @check: "burst onset, VOT " + string$ (vot) + " s (s)", onset_vot.release, 0.1, 0.001
    @check: "first pulse, VOT " + string$ (vot) + " s (s)", onset_vot.voicing, tv + 0.0002, 0.001
    @check: "voice onset time, VOT " + string$ (vot) + " s (s)", onset_vot.vot, vot + 0.0002, 0.001
endfor

# ---- Vowels from a KlattGrid: 120 Hz, F1 500, F2 1200 -> 2000 Hz in 50 ms from voicing onset ----
procedure klatt_sound: .f1, .f2from, .f2to, .glide, .f3
    .grid = Create KlattGrid: "grid", 0, 0.35, 5, 0, 0, 0, 0, 0, 0
    Add pitch point: 0, 120
    Add voicing amplitude point: 0.049, 0
    Add voicing amplitude point: 0.05, 90
    Add oral formant frequency point: 1, 0.05, .f1
    Add oral formant frequency point: 2, 0.05, .f2from
    Add oral formant frequency point: 2, 0.05 + .glide, .f2to
    Add oral formant frequency point: 3, 0.05, .f3
    Add oral formant frequency point: 4, 0.05, 3300
    Add oral formant frequency point: 5, 0.05, 3850
    for .i to 5
        Add oral formant bandwidth point: .i, 0.05, 60 + 30 * .i
    endfor
    .sound = To Sound
endproc
@klatt_sound: 500, 1200, 2000, 0.05, 2500
@f2_transition: klatt_sound.sound, 0.05, 0.35
@check: "F2 onset 5 ms into a 1200-to-2000 glide (Hz)", f2_transition.onset, 1280, 80
@check: "F2 target (Hz)", f2_transition.target, 2000, 60
# 5 ms of the 50-ms glide pass before the first frame: 45 ms
@check: "F2 transition of a 50-ms glide (s)", f2_transition.duration, 0.045, 0.008

# F2 from 1200 to 2000 Hz over the whole vowel (0.05 to 0.35 s): 1360 at 20 %, 1840 at 80 %
@klatt_sound: 500, 1200, 2000, 0.3, 2500
@diphthong: klatt_sound.sound, 0.05, 0.35
@check: "diphthong F2 at 20 % (Hz)", diphthong.f2a, 1360, 60
@check: "diphthong F2 at 80 % (Hz)", diphthong.f2b, 1840, 60
@check: "diphthong F1 (Hz)", diphthong.f1b, 500, 40
# and toward its end: 1600 in the middle fifth, 1973 10 ms before the end; F1 and F3 steady
@vowel_end: klatt_sound.sound, 0.05, 0.35
@check: "F2 rise to 10 ms before the end (Hz)", vowel_end.f2rise, 373, 60
@check: "F3 rise, steady (Hz)", vowel_end.f3rise, 0, 60
@check: "F1 fall, steady (Hz)", vowel_end.f1fall, 0, 40

# ---- Liquids and glides: steady F1 F2 F3 ----
@klatt_sound: 350, 1100, 1100, 0.05, 1500
@liquid: klatt_sound.sound, 0.05, 0.35
@check: "r-like F3 (Hz)", liquid.f3, 1500, 75
@check: "r-like lowest F3 (Hz)", liquid.f3min, 1500, 100
@check: "r-like F2 (Hz)", liquid.f2, 1100, 55
# 0.1 at 500 Hz and 0.01 at 3000 Hz: 2500-5000 Hz 20 dB under 0-1000 Hz
tones = Create Sound from formula: "tones", 1, 0, 0.3, 16000,
... "0.1 * sin(2*pi*500*x) + 0.01 * sin(2*pi*3000*x)"
@liquid: tones, 0.05, 0.25
@check: "liquid energy 2.5-5 kHz re 0-1 kHz (dB)", liquid.upper, -20, 0.3

# ---- Nasal murmur: F1 250 Hz, voiced from its start at 0.05 s ----
@klatt_sound: 250, 1000, 1000, 0.05, 2200
@nasal: klatt_sound.sound, 0.05, 0.3, 0.05, 0.3
@check: "murmur F1 (Hz)", nasal.f1, 250, 40
@check: "murmur voicing delay (s)", nasal.delay, 0, 0.01
# a release at 0.15 s: 600 Hz up by 6.02 dB, 2000 Hz down by 12.04 dB
release = Create Sound from formula: "release", 1, 0, 0.3, 16000,
... "if x < 0.15 then 0.1 * (sin(2*pi*600*x) + sin(2*pi*2000*x)) else 0.2 * sin(2*pi*600*x) + 0.025 * sin(2*pi*2000*x) fi"
@nasal: release, 0.05, 0.15, 0.15, 0.3
@check: "release change 400-770 Hz (dB)", nasal.low, 6.02, 0.3
@check: "release change 1480-2700 Hz (dB)", nasal.mid, -12.04, 0.3
# rms 0.1 re sqrt (0.2^2 / 2 + 0.025^2 / 2): -3.08 dB
@check: "murmur level re vowel (dB)", nasal.level, 20 * log10 (0.1 / sqrt (0.02 + 0.0003125)), 0.1
# a murmur of 0.1 at 250 Hz and 0.01 at 1000 Hz: 500-5000 Hz 20 dB under 0-500 Hz
murmur = Create Sound from formula: "murmur", 1, 0, 0.3, 16000,
... "0.1 * sin(2*pi*250*x) + 0.01 * sin(2*pi*1000*x)"
@nasal: murmur, 0.05, 0.25, 0.05, 0.25
@check: "murmur energy above 500 Hz re below (dB)", nasal.upper, -20, 0.3

# ---- Pitch steps: a glide of 20 cents per 10 ms, and an abrupt 100-cent step ----
# f0 (t) = 100 * 2^(t * 2000 / 1200), of phase 2 pi 100 (2^(t 2000 / 1200) - 1) / (2000 ln 2 / 1200)
phase$ = "(2*pi*100*(2^(x*2000/1200) - 1) / (2000*ln(2)/1200))"
glide = Create Sound from formula: "glide", 1, 0, 0.5, 16000,
... "0.1 * (sin(" + phase$ + ") + sin(2*" + phase$ + ")/2 + sin(3*" + phase$ + ")/3)"
@pitch_steps: glide, 0, 0.5
@check: "largest step of a 20-cent glide (cents)", pitch_steps.largest, 20, 3
@check: "steps over 50 cents in it", pitch_steps.over50, 0, 0
# An abrupt step lies inside one 40-ms analysis window: it shows as two steps of about half.
step = Create Sound from formula: "step", 1, 0, 0.5, 16000,
... "0.1 * sin(2*pi*x*(if x < 0.25 then 150 else 150 * 2^(1/12) fi) - if x < 0.25 then 0 else 2*pi*0.25*150*(2^(1/12) - 1) fi)"
@pitch_steps: step, 0, 0.5
@check: "largest step of an abrupt 100-cent step (cents)", pitch_steps.largest, 50, 10

if failures > 0
    exitScript: failures, " check(s) failed"
endif
appendInfoLine: "all checks passed"
