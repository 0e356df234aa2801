# Prints the release (the first sample above -40 dB re the peak after 0.01 s of silence) and the
# voicing onset (the first glottal pulse, periodic cross-correlation) of a take, in seconds.
#   praat --run vot.praat TAKE.wav
form VOT
    sentence wav
endform
sound = Read from file: wav$
peak = Get absolute extremum: 0, 0, "None"
n = Get number of samples
release = undefined
i = 1
while i <= n and release = undefined
    value = Get value at sample number: 1, i
    if abs(value) > peak / 100
        release = Get time from sample number: i
    endif
    i = i + 1
endwhile
points = To PointProcess (periodic, cc): 75, 600
voicing = Get time from index: 1
writeInfoLine: fixed$(release, 4), " ", fixed$(voicing, 4)
