"""Stimuli measured by Praat (Burg formants, pulses): a 7-step place continuum by F2 and F3
onset, explicit transitions shorter and longer than GLIDE, and a VOT continuum."""

import os
import subprocess
import tempfile
import unittest

import speechscore as ss
from measure import HERE, fit_transition, formant_track

VOT_SCRIPT = os.path.join(HERE, "..", "..", "tools", "praat", "vot.praat")
# A 10 ms window: the 25 ms default smears a 25-40 ms transition's onset toward its target.
WINDOW = 0.01


class Measure(unittest.TestCase):
    def test_steady_vowel_reads_its_targets(self):
        # A known answer: onsets equal to targets, a vowel of F1..F3 = 730, 1090, 2440 Hz.
        syl = ss.syllable(f1_onset=730, f2_onset=1090, f3_onset=2440)
        with tempfile.TemporaryDirectory() as d:
            wav = os.path.join(d, "a.wav")
            ss.Renderer().render(syl.score, wav, samples=False)
            track = formant_track(wav, window=WINDOW)
        mid = [r for r in track if 0.1 < r[0] < 0.25]
        for formant, hz in ((1, 730), (2, 1090), (3, 2440)):
            mean = sum(r[formant] for r in mid) / len(mid)
            self.assertLess(abs(mean - hz) / hz, 0.03, (formant, mean))


class Transitions(unittest.TestCase):
    def check(self, syl, wav, renderer):
        renderer.render(syl.score, wav, samples=False)
        track = formant_track(wav, window=WINDOW)
        start, stop = syl.times["transition_start"], syl.times["offset"] - 0.03
        for n in (2, 3):
            onset, target, seconds = fit_transition(track, n, start, stop)
            spec_change = syl.params[f"f{n}_target"] - syl.params[f"f{n}_onset"]
            if abs(spec_change) < 100:
                continue  # a nearly flat transition has no ramp to fit
            wanted = syl.params[f"f{n}_onset"]
            ms = syl.params[f"f{n}_transition"] or syl.params["transition"]
            # F3 near a 2440 Hz target with a small rise is read less surely than F2.
            tolerance = 0.03 if n == 2 else 0.06
            self.assertLess(abs(onset - wanted) / wanted, tolerance, (syl.params["label"], n, onset))
            if n == 2:
                self.assertLess(abs(seconds * 1000 - ms), 5, (syl.params["label"], n, seconds))

    def test_place_continuum_and_transitions_shorter_and_longer_than_glide(self):
        cont = ss.continuum({"f2_onset": 900, "f3_onset": 2200, "label": "ba"},
                            {"f2_onset": 1900, "f3_onset": 2900, "label": "ba"}, 7,
                            base={"transition": 40},
                            labels=["ba", "ba", "ba", "da", "da", "ga", "ga"])
        explicit = [ss.syllable(transition=ms, f2_onset=f2, f3_onset=2800, duration=300)
                    for ms, f2 in ((30, 1800), (120, 800), (160, 1600))]
        renderer = ss.Renderer()
        with tempfile.TemporaryDirectory() as d:
            for syl in cont.syllables + explicit:
                self.check(syl, os.path.join(d, "t.wav"), renderer)


class VoiceOnsetTime(unittest.TestCase):
    def test_vot_continuum(self):
        cont = ss.continuum({"vot": 0}, {"vot": 60}, 5, base={"burst_level": 60})
        measured = []
        with tempfile.TemporaryDirectory() as d:
            cont.write(d)
            for row, syl in zip(cont.rows, cont.syllables):
                # The release is looked for within 20 ms of the labels' burst.
                release = ss.read_text_grid(os.path.join(d, row["textgrid"])).boundaries()["burst"]
                out = subprocess.run(["praat", "--run", VOT_SCRIPT,
                                      os.path.join(d, row["file"]), str(release - 0.02),
                                      str(release + 0.02), str(syl.times["offset"])],
                                     capture_output=True, text=True, check=True).stdout.split()
                measured.append(float(out[2]) * 1000)
        # Burst onset and first glottal pulse as tools/praat/vot.praat reads them (within 1 ms on signals of known answer); Praat's pulse lies on the first
        # cycle's largest swing, about 3 ms after the glottal closure of these vowels (F1 onset
        # 250 Hz), so the VOTs read long by 2.5 to 3.5 ms.
        for got, row in zip(measured, cont.rows):
            self.assertLess(abs(got - row["vot"]), 5, (row, measured))
        self.assertEqual(measured, sorted(measured))


if __name__ == "__main__":
    unittest.main()
