#!/usr/bin/env python3
"""Renders N one-second stimuli (default 500) with speechscore.render_batch on every core, from
a table of syllable parameters and from a table of their scores, and the same N scores with N
runs of bench/baseline/render, alternately in one run; prints the median times and the ratios.
   PYTHONPATH=build/python bench/python_batch_bench.py [N] [REPEATS]"""

import os
import statistics
import subprocess
import sys
import tempfile
import time

import speechscore as ss

HERE = os.path.dirname(os.path.abspath(__file__))


def main() -> int:
    n = int(sys.argv[1]) if len(sys.argv) > 1 else 500
    repeats = int(sys.argv[2]) if len(sys.argv) > 2 else 1
    # One second each: 30 ms closure, 10 ms VOT, 910 ms vowel, 50 ms tail.
    rows = [dict(file=f"s{i:04d}.wav", f2_onset=900 + i % 100 * 10, duration=910)
            for i in range(n)]
    batch, built, baseline = [], [], []
    with tempfile.TemporaryDirectory() as d:
        scores, texts = [], []
        for row in rows:
            path = os.path.join(d, row["file"][:-4] + ".sco")
            texts.append(dict(file=row["file"], score=ss.syllable(
                **{k: v for k, v in row.items() if k != "file"}).score.text()))
            with open(path, "w") as f:
                f.write(texts[-1]["score"])
            scores.append(path)
        for r in range(repeats):
            for table, times, name in ((rows, batch, "batch"), (texts, built, "built")):
                out = os.path.join(d, f"{name}{r}")
                t = time.perf_counter()
                result = ss.render_batch(table, out, progress=False)
                times.append(time.perf_counter() - t)
                assert result.ok and result.rendered == n, result
            t = time.perf_counter()
            for path in scores:
                subprocess.run([os.path.join(HERE, "baseline", "render"), path, path + ".wav"],
                               check=True)
            baseline.append(time.perf_counter() - t)
    b, t, s = (statistics.median(x) for x in (batch, built, baseline))
    print(f"{n} one-second stimuli, {os.cpu_count()} cores, median of {repeats}: "
          f"render_batch {b:.2f} s from syllable parameters, {t:.2f} s from scores; "
          f"{n} runs of bench/baseline/render {s:.2f} s; ratios {s / b:.1f}x and {s / t:.1f}x")
    return 0


if __name__ == "__main__":
    sys.exit(main())
