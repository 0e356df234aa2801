# Measurements of a sound file for the acoustic tests, one line of numbers per window or frame.
# Run headless:
#   praat --run measure.praat FILE COMMAND BEGIN LENGTH HOP COUNT EXTRA
# Window commands measure the windows [BEGIN + i HOP, BEGIN + i HOP + LENGTH], i = 0 .. COUNT - 1:
#   rms          root-mean-square amplitude
#   highpass     root-mean-square amplitude above EXTRA Hz (Hann band filter, 100 Hz smoothing)
#   pitch        mean F0 (Hz; To Pitch, 60 to 500 Hz)
#   periodicity  the highest autocorrelation at the lags of 60 to 500 Hz over that at lag 0
#                (Autocorrelate): near 1 for voicing, low for noise
#   formants     mean F1 to F4 (Hz; To Formant (burg), 5 formants up to 5000 Hz, 25 ms)
#   above        share of the energy above EXTRA Hz (spectrum of the rectangular window)
#   bands        energy per second of the 1/3-octave bands 1000 * 2^(n/3), n = HOP .. COUNT
#                (band edges at 2^(-1/6) and 2^(1/6) of the centre), one rectangular window
#   harmonics    the same of the bands (k - 1/2) EXTRA to (k + 1/2) EXTRA, k = HOP .. COUNT, one
#                Hann window
#   voice        jitter (local, %), shimmer (local, %) and mean HNR (cc, dB) of one window
# Frame commands list the frames whose times lie in [BEGIN, BEGIN + LENGTH], every HOP seconds:
#   pitchtrack   time and F0 (Hz; To Pitch with a floor of EXTRA Hz, and so a window of three
#                periods of the floor), undefined where unvoiced
#   formanttrack time and F1 to F5 (Hz; 20 ms windows)
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
