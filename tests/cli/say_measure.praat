# Measures the phones of a take at the intervals of its TextGrid (tier 2), one line each:
#   LABEL start end rms cog f1 f2 f3 burst release voiceOnset delay f2settle f2min f3min
# rms: dB re the loudest vowel of its word (mid 60 %); cog: spectral centre of gravity (Hz, mid
# 60 %); f1..f3 at the middle (Burg, 5 formants below 5500 Hz); burst: the highest 8-ms level in
# the interval, dB re the take's loudest 100 ms; release: the first moment the 8-ms level comes
# within 12 dB of that; voiceOnset: the first
# glottal pulse after it (Praat's cross-correlation pulses); delay: the time from the start to
# the first glottal pulse (0 when voicing runs into the interval, -1 when none);
# f2settle: in a vowel, the time from its start until F2 stays within 60 Hz of its middle value;
# f2min, f3min: the lowest F2 and F3 of the middle 60 %.
# Then a line "STEP c": the largest pitch step between neighbouring voiced 10-ms frames inside
# the voiced phones (vowels, nasals, liquids, glides), cents.
# Run as: praat --run say_measure.praat take.wav take.TextGrid
form Measure
  sentence wav
  sentence grid
endform
s = Read from file: wav$
tg = Read from file: grid$
selectObject: s
loud = To Intensity: 32, 0.005, "no"
loudest = Get maximum: 0, 0, "Parabolic"
selectObject: s
short = To Intensity: 400, 0.001, "no"
selectObject: s
fm = To Formant (burg): 0.005, 5, 5500, 0.025, 50
selectObject: s
pt = To Pitch: 0.01, 60, 400
selectObject: s, pt
pulses = To PointProcess (cc)
selectObject: tg
n = Get number of intervals: 2
# The loudest vowel of each word: rms over the middle of every vowel interval.
for i to n
  selectObject: tg
  lab$ = Get label of interval: 2, i
  t0 = Get start time of interval: 2, i
  t1 = Get end time of interval: 2, i
  db[i] = -300
  if lab$ <> ""
    selectObject: s
    r = Get root-mean-square: t0 + (t1 - t0) * 0.2, t1 - (t1 - t0) * 0.2
    db[i] = 20 * log10(r + 1e-12)
  endif
  vowel[i] = index_regex(lab$, "^(AA|AE|AH|AO|AW|AY|EH|ER|EY|IH|IY|OW|OY|UH|UW|AX|AXR|IXR|EXR|OXR|UXR)$") > 0
  selectObject: tg
  w = Get interval at time: 1, (t0 + t1) / 2
  word[i] = w
endfor
for i to n
  best = -300
  for k to n
    if word[k] = word[i] and vowel[k] and db[k] > best
      best = db[k]
    endif
  endfor
  ref[i] = best
endfor
for i to n
  selectObject: tg
  lab$ = Get label of interval: 2, i
  if lab$ <> ""
    t0 = Get start time of interval: 2, i
    t1 = Get end time of interval: 2, i
    tm = (t0 + t1) / 2
    selectObject: s
    part = Extract part: t0 + (t1 - t0) * 0.2, t1 - (t1 - t0) * 0.2, "rectangular", 1, "no"
    sp = To Spectrum: "yes"
    cog = Get centre of gravity: 2
    removeObject: part, sp
    selectObject: fm
    f1 = Get value at time: 1, tm, "hertz", "Linear"
    f2 = Get value at time: 2, tm, "hertz", "Linear"
    f3 = Get value at time: 3, tm, "hertz", "Linear"
    selectObject: short
    burst = Get maximum: t0, t1, "Parabolic"
    # The release: the first moment the 8-ms level comes within 12 dB of its highest.
    burstTime = t1
    t = t0
    while t < t1
      v = Get value at time: t, "Cubic"
      if v <> undefined and v > burst - 12
        burstTime = t
        t = t1
      endif
      t = t + 0.0005
    endwhile
    # The lowest F2 and F3 of the middle 60 %: the targets of /w/ (F2) and /r/ (F3).
    selectObject: fm
    f2min = 99999
    f3min = 99999
    t = t0 + (t1 - t0) * 0.2
    while t <= t1 - (t1 - t0) * 0.2
      a = Get value at time: 2, t, "hertz", "Linear"
      b = Get value at time: 3, t, "hertz", "Linear"
      if a <> undefined and a < f2min
        f2min = a
      endif
      if b <> undefined and b < f3min
        f3min = b
      endif
      t = t + 0.002
    endwhile
    selectObject: pulses
    k = Get high index: burstTime
    onset = -1
    if k > 0
      onset = Get time from index: k
    endif
    # The voicing delay: the first glottal pulse of a run at or after the start (0 when the
    # voice already sounds), from Praat's periodic pulses of the stretch from 100 ms before.
    selectObject: s
    part = Extract part: max(0, t0 - 0.1), t1, "rectangular", 1, "yes"
    own = To PointProcess (periodic, cc): 60, 600
    k = Get high index: t0 - 0.0001
    onset10 = -1
    if k > 0
      onset10 = Get time from index: k
      onset10 = onset10 - t0
      if k > 1
        before = Get time from index: k - 1
        if onset10 + t0 - before < 1 / 60
          onset10 = 0
        endif
      endif
    endif
    removeObject: part, own
    settle = -1
    if vowel[i]
      selectObject: fm
      target = Get value at time: 2, tm, "hertz", "Linear"
      t = tm
      settle = 0
      while t > t0
        f = Get value at time: 2, t, "hertz", "Linear"
        if f = undefined or abs(f - target) > 60
          settle = t - t0
          t = t0
        endif
        t = t - 0.001
      endwhile
    endif
    appendInfoLine: lab$, " ", fixed$(t0, 4), " ", fixed$(t1, 4), " ", fixed$(db[i] - ref[i], 2), " ",
    ... fixed$(cog, 0), " ", fixed$(f1, 0), " ", fixed$(f2, 0), " ", fixed$(f3, 0), " ",
    ... fixed$(burst - loudest, 2), " ", fixed$(burstTime, 4), " ", fixed$(onset, 4), " ",
    ... fixed$(onset10, 2), " ", fixed$(settle, 4), " ", fixed$(f2min, 0), " ",
    ... fixed$(f3min, 0)
  endif
endfor
selectObject: pt
frames = Get number of frames
step = 0
for k from 2 to frames
  selectObject: pt
  ta = Get time from frame number: k - 1
  tb = ta + 0.01
  selectObject: tg
  la$ = ""
  lb$ = ""
  ia = Get interval at time: 2, ta
  ib = Get interval at time: 2, tb
  if ia > 0 and ib > 0
    la$ = Get label of interval: 2, ia
    lb$ = Get label of interval: 2, ib
  endif
  voiced = index_regex(la$ + " " + lb$, "^(AA|AE|AH|AO|AW|AY|EH|ER|EY|IH|IY|OW|OY|UH|UW|AX|AXR|IXR|EXR|OXR|UXR|M|N|NG|EM|EN|EL|L|R|W|Y) (AA|AE|AH|AO|AW|AY|EH|ER|EY|IH|IY|OW|OY|UH|UW|AX|AXR|IXR|EXR|OXR|UXR|M|N|NG|EM|EN|EL|L|R|W|Y)$")
  selectObject: pt
  a = Get value in frame: k - 1, "Hertz"
  b = Get value in frame: k, "Hertz"
  if voiced and a <> undefined and b <> undefined
    c = abs(1200 * log2(b / a))
    if c > step
      step = c
    endif
  endif
endfor
appendInfoLine: "STEP ", fixed$(step, 1)
