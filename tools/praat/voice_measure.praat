# A steady vowel's "F1 F2 H1-H2 tilt H1-A3" over [tmin, tmax], as docs/sing.md (Voices) describes.
form Voice figures
    sentence Sound
    real Tmin 1.0
    real Tmax 2.0
    real F0 220
    real Ceiling 5500
endform
sound = Read from file: sound$
part = Extract part: tmin, tmax, "Hanning", 1, "no"
formant = To Formant (burg): 0, 5, ceiling, 0.025, 50
f1 = Get quantile: 1, 0, 0, "hertz", 0.5
f2 = Get quantile: 2, 0, 0, "hertz", 0.5
f3 = Get quantile: 3, 0, 0, "hertz", 0.5
selectObject: part
spectrum = To Spectrum: "yes"
ltas = To Ltas (1-to-1)
h1 = Get maximum: f0 * 0.8, f0 * 1.2, "None"
h2 = Get maximum: f0 * 1.8, f0 * 2.2, "None"
a3 = Get maximum: f3 * 0.9, f3 * 1.1, "None"
selectObject: part
ltas2 = To Ltas: 100
low = Get mean: 0, 1000, "energy"
high = Get mean: 1000, 4000, "energy"
appendInfoLine: fixed$ (f1, 0), " ", fixed$ (f2, 0), " ", fixed$ (h1 - h2, 1), " ",
... fixed$ (low - high, 1), " ", fixed$ (h1 - a3, 1)
