# Measures the phones listed in a table on one sound file and prints one line per row:
#   praat --run measure.praat take.wav jobs.tsv
# jobs.tsv is tab-separated with the columns "kind a b c d" (times in seconds, 0 when unused):
#   fricative  from to vowel_from vowel_to  -> cog sd above3k level
#   burst      from to word_from word_to    -> release rise level peak cog high
#   vot        from to vowel_to 0           -> release rise vot low asp
#   f2         from to 0 0                  -> onset target duration
#   nasal      from to vowel_from vowel_to  -> f1 delay low mid level upper
#   liquid     from to 0 0                  -> f1 f2 f3 f3min upper
#   diphthong  from to 0 0                  -> f1a f2a f1b f2b (10-30 % and 70-90 %)
#   spectrum   from to 0 0                  -> b1..b20: 1/3-octave bands 100 Hz..8 kHz, dB re max
#   pitch      from to 0 0                  -> largest over50 pairs
# Each output line is the row number followed by name=value pairs (Hz, dB, seconds, cents).
include phone_measures.praat

form Measure phones
    sentence sound_file
    sentence jobs_file
endform
sound = Read from file: sound_file$
jobs = Read Table from tab-separated file: jobs_file$
rows = Get number of rows
writeInfo: ""
for row to rows
    selectObject: jobs
    kind$ = Get value: row, "kind"
    a = Get value: row, "a"
    b = Get value: row, "b"
    c = Get value: row, "c"
    d = Get value: row, "d"
    line$ = string$ (row)
    if kind$ = "fricative"
        @fricative: sound, a, b, c, d
        line$ += " cog=" + fixed$ (fricative.cog, 0) + " sd=" + fixed$ (fricative.sd, 0)
        line$ += " above3k=" + fixed$ (fricative.above3k, 3) + " level=" + fixed$ (fricative.level, 1)
    elsif kind$ = "burst"
        @burst: sound, a, b, c, d
        line$ += " release=" + fixed$ (burst.time, 4) + " rise=" + fixed$ (burst.rise, 1)
        line$ += " level=" + fixed$ (burst.level, 1) + " peak=" + fixed$ (burst.peak, 0)
        line$ += " cog=" + fixed$ (burst.cog, 0) + " high=" + fixed$ (burst.high, 1)
    elsif kind$ = "vot"
        @vot: sound, a, b, c
        line$ += " release=" + fixed$ (vot.release, 4) + " rise=" + fixed$ (vot.rise, 1)
        line$ += " vot=" + fixed$ (vot.vot, 4) + " low=" + fixed$ (vot.low, 1)
        line$ += " asp=" + fixed$ (vot.asp, 1)
    elsif kind$ = "f2"
        @f2_transition: sound, a, b
        line$ += " onset=" + fixed$ (f2_transition.onset, 0)
        line$ += " target=" + fixed$ (f2_transition.target, 0)
        line$ += " duration=" + fixed$ (f2_transition.duration, 4)
    elsif kind$ = "nasal"
        @nasal: sound, a, b, c, d
        line$ += " f1=" + fixed$ (nasal.f1, 0) + " delay=" + fixed$ (nasal.delay, 4)
        line$ += " low=" + fixed$ (nasal.low, 1) + " mid=" + fixed$ (nasal.mid, 1)
        line$ += " level=" + fixed$ (nasal.level, 1) + " upper=" + fixed$ (nasal.upper, 1)
    elsif kind$ = "liquid"
        @liquid: sound, a, b
        line$ += " f1=" + fixed$ (liquid.f1, 0) + " f2=" + fixed$ (liquid.f2, 0)
        line$ += " f3=" + fixed$ (liquid.f3, 0) + " f3min=" + fixed$ (liquid.f3min, 0)
        line$ += " upper=" + fixed$ (liquid.upper, 1)
    elsif kind$ = "diphthong"
        @diphthong: sound, a, b
        line$ += " f1a=" + fixed$ (diphthong.f1a, 0) + " f2a=" + fixed$ (diphthong.f2a, 0)
        line$ += " f1b=" + fixed$ (diphthong.f1b, 0) + " f2b=" + fixed$ (diphthong.f2b, 0)
    elsif kind$ = "spectrum"
        @third_octaves: sound, a, b
        for k to 20
            line$ += " b" + string$ (k) + "=" + fixed$ (third_octaves.level[k], 1)
        endfor
    elsif kind$ = "pitch"
        @pitch_steps: sound, a, b
        line$ += " largest=" + fixed$ (pitch_steps.largest, 1)
        line$ += " over50=" + string$ (pitch_steps.over50) + " pairs=" + string$ (pitch_steps.pairs)
    else
        exitScript: "unknown measurement '", kind$, "' in row ", row, " of ", jobs_file$
    endif
    appendInfoLine: line$
endfor
