# A sung take every 5 ms "P time f0" (0 unvoiced; autocorrelation, 60 to 1200 Hz), then every
# millisecond "R time dB" (root-mean-square level, -300 for silence).
form Sung pitch
    sentence Sound
endform
sound = Read from file: sound$
pitch = To Pitch (ac): 0.005, 60, 15, "no", 0.03, 0.45, 0.01, 0.35, 0.14, 1200
frames = Get number of frames
for i to frames
    t = Get time from frame number: i
    f = Get value in frame: i, "Hertz"
    if f = undefined
        f = 0
    endif
    appendInfoLine: "P ", fixed$ (t, 4), " ", fixed$ (f, 3)
endfor
selectObject: sound
total = Get total duration
n = floor (total / 0.001)
for i to n
    r = Get root-mean-square: (i - 1) * 0.001, i * 0.001
    if r = undefined or r <= 0
        db = -300
    else
        db = 20 * log10 (r)
    endif
    appendInfoLine: "R ", fixed$ ((i - 1) * 0.001, 3), " ", fixed$ (db, 2)
endfor
