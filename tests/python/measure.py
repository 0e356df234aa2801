"""Burg formant tracks measured by Praat, and the onset, target and duration of a transition
read from them by fitting a ramp and a plateau."""

import os
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))


def formant_track(wav, ceiling=5000, window=0.025):
    """Praat's Burg track of a take: a list of (time, F1, F2, F3)."""
    with tempfile.TemporaryDirectory() as d:
        table = os.path.join(d, "track.txt")
        subprocess.run(["praat", "--run", os.path.join(HERE, "formants.praat"), wav, table,
                        str(ceiling), str(window)], check=True, capture_output=True)
        with open(table) as f:
            return [tuple(float(x) for x in line.split()) for line in f if line.strip()]


def fit_transition(track, formant, start, stop):
    """Fits F(t) = onset + (target - onset) min((t - start) / T, 1) to the frames of
    [start + 5 ms, stop] by least squares over T in 0.5 ms steps from 10 ms; returns (onset, target, T s)."""
    import numpy as np

    rows = np.array([row for row in track
                     if start + 0.005 <= row[0] <= stop and row[formant] > 0])
    t = rows[:, 0] - start
    f = rows[:, formant]
    best = None
    for half in range(20, 400):
        ms = half / 2
        u = np.minimum(t / (ms / 1000.0), 1.0)
        a = np.stack([1 - u, u], axis=1)
        coef, *_ = np.linalg.lstsq(a, f, rcond=None)
        err = float(np.sum((a @ coef - f) ** 2))
        if best is None or err < best[0]:
            best = (err, coef[0], coef[1], ms / 1000.0)
    return best[1], best[2], best[3]
