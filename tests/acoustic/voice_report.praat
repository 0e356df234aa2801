# Jitter (local, %), shimmer (local, %) and mean HNR (cross-correlation, dB) of one stretch of a
# sound file, printed on one line. Run headless:
#   praat --run voice_report.praat file.wav from to
form Voice report
    sentence file
    real start 0
    real stop 0
endform
sound = Read from file: file$
part = Extract part: start, stop, "rectangular", 1, "no"
points = To PointProcess (periodic, cc): 60, 600
selectObject: points
jitter = Get jitter (local): 0, 0, 0.0001, 0.02, 1.3
selectObject: part, points
shimmer = Get shimmer (local): 0, 0, 0.0001, 0.02, 1.3, 1.6
selectObject: part
harmonicity = To Harmonicity (cc): 0.01, 60, 0.1, 1.0
hnr = Get mean: 0, 0
writeInfoLine: fixed$ (jitter * 100, 5), " ", fixed$ (shimmer * 100, 5), " ", fixed$ (hnr, 4)
