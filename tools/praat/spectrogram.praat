# Draws the spectrogram (0-8 kHz, 5-ms window) and the waveform of a sound file as a PNG, with a
# tier of phone marks when a table of "phone start" lines is given, of [start_time, end_time] when given:
#   praat --run spectrogram.praat take.wav take.png [marks.tsv [start_time end_time]]
form Spectrogram picture
    sentence sound_file
    sentence picture_file
    sentence marks_file
    real start_time 0
    real end_time 0
endform
whole = Read from file: sound_file$
if end_time <= start_time
    end_time = Get total duration
endif
sound = Extract part: start_time, end_time, "rectangular", 1, "yes"
spectrogram = To Spectrogram: 0.005, 8000, 0.002, 20, "Gaussian"
Erase all
Font size: 10
Select outer viewport: 0, 7, 0, 1.5
selectObject: sound
Draw: 0, 0, 0, 0, "no", "Curve"
Select outer viewport: 0, 7, 1.2, 5
selectObject: spectrogram
Paint: 0, 0, 0, 0, 100, "yes", 50, 6, 0, "yes"
if marks_file$ <> ""
    marks = Read Table from tab-separated file: marks_file$
    rows = Get number of rows
    for row to rows
        selectObject: marks
        label$ = Get value: row, "phone"
        start = Get value: row, "start"
        if start >= start_time and start < end_time
            Draw line: start, 0, start, 8000
            Text: start, "left", 7600, "half", label$
        endif
    endfor
endif
Marks bottom every: 1, 0.05, "yes", "yes", "no"
Select outer viewport: 0, 7, 0, 5
Save as 300-dpi PNG file: picture_file$
