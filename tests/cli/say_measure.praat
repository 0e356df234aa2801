# One line "LABEL key=value ..." per phone of the take's TextGrid (tier 2, words on tier 1),
# measured by the procedures of phone_measures.praat against the word's next vowel (else the one
# before); then "STEP step=c", the largest pitch step inside voiced phones in cents.
# Run as: praat --run say_measure.praat take.wav take.TextGrid
include ../../tools/praat/phone_measures.praat
form Measure
  sentence wav
  sentence grid
endform
s = Read from file: wav$
tg = Read from file: grid$
n = Get number of intervals: 2
for i to n
  lab$[i] = Get label of interval: 2, i
  t0[i] = Get start time of interval: 2, i
  t1[i] = Get end time of interval: 2, i
  w = Get interval at time: 1, (t0[i] + t1[i]) / 2
  w0[i] = Get start time of interval: 1, w
  w1[i] = Get end time of interval: 1, w
  vowel[i] = index_regex (lab$[i], "^(AA|AE|AH|AO|AW|AY|EH|ER|EY|IH|IY|OW|OY|UH|UW|AX|AXR)$") > 0
  voiced[i] = vowel[i] or index_regex (lab$[i], "^(M|N|NG|L|R|W|Y)$") > 0
endfor
for i to n
  v = 0
  for j to n
    k = if i + j <= n then i + j else n - j fi
    if v = 0 and k >= 1 and vowel[k] and w0[k] = w0[i]
      v = k
    endif
  endfor
  l$ = lab$[i]
  if l$ <> ""
    appendInfo: l$
  endif
  if index_regex (l$, "^(P|T|K|B|D|G|NG)$") and v < i
    # A stop or /ŋ/ after its vowel: the vowel's formants toward its closure, measured once.
    @vowel_end: s, t0[v], t1[v]
  endif
  if index_regex (l$, "^(S|Z|SH|ZH|F|V|TH|DH)$")
    @fricative: s, t0[i], t1[i], t0[v], t1[v]
    appendInfo: " level=", fixed$ (fricative.level, 2), " cog=", fixed$ (fricative.cog, 0)
  elsif index_regex (l$, "^(P|T|K|B|D|G)$") and v < i
    # A stop after its vowel: F1's fall toward its closure.
    appendInfo: " f1fall=", fixed$ (vowel_end.f1fall, 0)
  elsif index_regex (l$, "^(P|T|K|B|D|G)$")
    @burst: s, t0[i], t1[i], w0[i], w1[i]
    @vot: s, t0[i], t1[i], t1[v]
    onset = t0[v]
    if vot.vot <> undefined
      onset = max (onset, vot.release + vot.vot)
    endif
    @f2_transition: s, onset, t1[v]
    appendInfo: " burst=", fixed$ (burst.level, 2), " high=", fixed$ (burst.high, 2),
    ... " vot=", fixed$ (vot.vot, 4),
    ... " f2dur=", fixed$ (f2_transition.duration, 4), " f1rise=", fixed$ (f2_transition.f1rise, 0)
  elsif index_regex (l$, "^(M|N|NG)$")
    @nasal: s, t0[i], t1[i], t0[v], t1[v]
    appendInfo: " f1=", fixed$ (nasal.f1, 0), " delay=", fixed$ (nasal.delay, 4)
  elsif index_regex (l$, "^(IY|IH|EH|AE|AA|AO|UH|UW|AH|ER)$")
    @formant_levels: s, t0[i], t1[i]
    appendInfo: " l2=", fixed$ (formant_levels.l2, 2), " l3=", fixed$ (formant_levels.l3, 2)
  elsif index_regex (l$, "^(L|R|W|Y)$")
    @liquid: s, t0[i], t1[i]
    @formant_track: s, t0[i], t1[i]
    d = t1[i] - t0[i]
    @formant_medians: formant_track.formant, t0[i] + 0.2 * d, t1[i] - 0.2 * d
    removeObject: formant_track.formant
    appendInfo: " f3=", fixed$ (liquid.f3, 0), " f3min=", fixed$ (liquid.f3min, 0),
    ... " f2min=", fixed$ (formant_medians.lowest[2], 0)
  endif
  if index_regex (l$, "^(K|G|NG)$") and v < i
    # A velar after its vowel: F2's and F3's rise toward its closure.
    appendInfo: " f2rise=", fixed$ (vowel_end.f2rise, 0), " f3rise=", fixed$ (vowel_end.f3rise, 0)
  endif
  if l$ <> ""
    appendInfoLine: ""
  endif
endfor
# Frames of the whole take (pitch_steps would take one stretch's, placed anew with each stretch).
selectObject: s
pt = To Pitch: 0.01, 60, 400
frames = Get number of frames
step = 0
# Outside the TextGrid the interval is 0: not voiced.
voiced[0] = 0
for k from 2 to frames
  selectObject: pt
  ta = Get time from frame number: k - 1
  a = Get value in frame: k - 1, "Hertz"
  b = Get value in frame: k, "Hertz"
  selectObject: tg
  ia = Get interval at time: 2, ta
  ib = Get interval at time: 2, ta + 0.01
  if voiced[ia] and voiced[ib] and a <> undefined and b <> undefined
    step = max (step, abs (1200 * log2 (b / a)))
  endif
endfor
appendInfoLine: "STEP step=", fixed$ (step, 1)
