# Measurements of a sound file for the acoustic tests (measure.h says what each one measures),
# one line of numbers per window or frame:
#   praat --run measure.praat FILE COMMAND BEGIN LENGTH HOP COUNT EXTRA
# rms, highpass (above EXTRA Hz), pitch, periodicity, formants and above (EXTRA Hz) measure the
# windows [BEGIN + i HOP, BEGIN + i HOP + LENGTH], i = 0 .. COUNT - 1; bands (n = HOP .. COUNT),
# harmonics (of F0 = EXTRA, k = HOP .. COUNT) and voice the one window [BEGIN, BEGIN + LENGTH];
# pitchtrack (floor EXTRA Hz) and formanttrack list its frames, one every HOP seconds.
form Measure
    sentence file
    word command
    real begin 0
    real length 0
    real hop 0
    real count 1
    real extra 0
endform
sound = Read from file: file$
nyquist = Get sampling frequency
nyquist = nyquist / 2
if command$ = "voice"
    part = Extract part: begin, begin + length, "rectangular", 1, "no"
    points = To PointProcess (periodic, cc): 60, 600
    jitter = Get jitter (local): 0, 0, 0.0001, 0.02, 1.3
    selectObject: part, points
    shimmer = Get shimmer (local): 0, 0, 0.0001, 0.02, 1.3, 1.6
    selectObject: part
    harmonicity = To Harmonicity (cc): 0.01, 60, 0.1, 1.0
    hnr = Get mean: 0, 0
    writeInfoLine: jitter * 100, " ", shimmer * 100, " ", hnr
elsif command$ = "bands" or command$ = "harmonics"
    bands = command$ = "bands"
    window$ = if bands then "rectangular" else "Hanning" fi
    part = Extract part: begin, begin + length, window$, 1, "no"
    spectrum = To Spectrum: "yes"
    writeInfo: ""
    for n from hop to count
        low = if bands then 1000 * 2 ^ (n / 3 - 1 / 6) else (n - 0.5) * extra fi
        high = if bands then low * 2 ^ (1 / 3) else low + extra fi
        energy = Get band energy: low, high
        appendInfo: energy / length, " "
    endfor
    appendInfoLine: ""
elsif command$ = "pitchtrack" or command$ = "formanttrack"
    if command$ = "pitchtrack"
        track = To Pitch: hop, extra, 500
    else
        track = To Formant (burg): hop, 5, 5000, 0.02, 50
    endif
    writeInfo: ""
    frames = Get number of frames
    for i to frames
        t = Get time from frame number: i
        if t >= begin and t <= begin + length
            if command$ = "pitchtrack"
                f0 = Get value in frame: i, "Hertz"
                appendInfoLine: t, " ", f0
            else
                appendInfo: t
                for k to 5
                    f = Get value at time: k, t, "hertz", "linear"
                    appendInfo: " ", f
                endfor
                appendInfoLine: ""
            endif
        endif
    endfor
else
    analysis = sound
    if command$ = "highpass"
        analysis = Filter (pass Hann band): extra, nyquist, 100
    elsif command$ = "pitch"
        analysis = To Pitch: 0, 60, 500
    elsif command$ = "formants"
        analysis = To Formant (burg): 0, 5, 5000, 0.025, 50
    endif
    writeInfo: ""
    for i from 0 to count - 1
        t1 = begin + i * hop
        t2 = t1 + length
        if command$ = "rms" or command$ = "highpass"
            rms = Get root-mean-square: t1, t2
            appendInfoLine: rms
        elsif command$ = "pitch"
            f0 = Get mean: t1, t2, "Hertz"
            appendInfoLine: f0
        elsif command$ = "formants"
            for k to 4
                f = Get mean: k, t1, t2, "hertz"
                appendInfo: f, " "
            endfor
            appendInfoLine: ""
        elsif command$ = "periodicity" or command$ = "above"
            selectObject: sound
            part = Extract part: t1, t2, "rectangular", 1, "no"
            if command$ = "periodicity"
                analysed = Autocorrelate: "sum", "zero"
                atZero = Get value at time: 1, 0, "nearest"
                top = Get maximum: 1 / 500, 1 / 60, "parabolic"
                appendInfoLine: top / atZero
            else
                analysed = To Spectrum: "yes"
                high = Get band energy: extra, nyquist
                all = Get band energy: 0, nyquist
                appendInfoLine: high / all
            endif
            removeObject: part, analysed
        else
            exitScript: "unknown command ", command$
        endif
        selectObject: analysis
    endfor
endif
