# Writes the Burg formant track of a take as a table: time, F1, F2, F3 (Hz; 0 where undefined).
#   praat --run formants.praat TAKE.wav TABLE.txt MAX_FORMANT_HZ WINDOW_S
form Formants
    sentence wav
    sentence table
    positive ceiling 5000
    positive window 0.025
endform
sound = Read from file: wav$
formant = To Formant (burg): 0.001, 5, ceiling, window, 50
frames = Get number of frames
deleteFile: table$
for i to frames
    t = Get time from frame number: i
    f1 = Get value at time: 1, t, "hertz", "linear"
    f2 = Get value at time: 2, t, "hertz", "linear"
    f3 = Get value at time: 3, t, "hertz", "linear"
    if f1 = undefined
        f1 = 0
    endif
    if f2 = undefined
        f2 = 0
    endif
    if f3 = undefined
        f3 = 0
    endif
    appendFileLine: table$, fixed$(t, 4), " ", fixed$(f1, 1), " ", fixed$(f2, 1), " ", fixed$(f3, 1)
endfor
