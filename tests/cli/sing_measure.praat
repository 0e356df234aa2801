# Pitch of a sung take, for the sing tests: one line "time f0" every 5 ms (f0 0 where Praat
# finds no voicing), from the autocorrelation method (floor 60 Hz, ceiling 1200 Hz).
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
    appendInfoLine: fixed$ (t, 4), " ", fixed$ (f, 3)
endfor
