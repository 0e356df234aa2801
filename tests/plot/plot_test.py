#!/usr/bin/python3
# Tests of speechscore-plot: what it reads from a score (error times, tempo, beats, tracks),
# its spectrogram on signals with known answers, its pictures, its messages for bad input and
# its HTML page in headless Chromium. `--prepare` writes the shared scores and sound first.
import base64
import io
import math
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

import numpy as np
from scipy.io import wavfile

PLOT = os.environ.get("SPEECHSCORE_PLOT", "")
DATA = os.environ.get("SPEECHSCORE_PLOT_DATA", "")
sys.path.insert(0, os.path.dirname(PLOT))
import speechscore_plot as sp  # noqa: E402

CHROMIUM_FLAGS = [
    "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
]


def data(name):
    return os.path.join(DATA, name)


def run_plot(*args):
    result = subprocess.run([PLOT] + list(args), capture_output=True, text=True, timeout=120)
    return result.returncode, result.stdout, result.stderr


def prepare(piece, fixture, render):
    """Writes piece.sco, piece.wav (rendered), fixture.sco and tempo.sco into the data
    folder."""
    os.makedirs(DATA, exist_ok=True)
    with open(data("piece.sco"), "wb") as out:
        subprocess.run([piece], stdout=out, check=True)
    subprocess.run([render, data("piece.sco"), data("piece.wav")], check=True)
    with open(data("fixture.sco"), "wb") as out:
        status = subprocess.run([fixture], stdout=out, stderr=subprocess.DEVNULL).returncode
    if status != 1:
        sys.exit("plot_fixture ended with status %d, expected 1 (its score has errors)" % status)
    with open(data("tempo.sco"), "wb") as out:
        subprocess.run([fixture, "tempo"], stdout=out, check=True)
    return 0


class Model(unittest.TestCase):
    """What the picture is drawn from, checked against what the programs did."""

    def test_error_lines_are_placed_at_their_time(self):
        score = sp.parse_score(data("fixture.sco"))
        got = [(m.kind, round(m.time, 4), m.text, (m.echo or "")[:7])
               for m in score.errors + score.warnings]
        self.assertEqual(got, [
            ("error", 0.0, "Error: <output switch> is wrong.", ";i  0  "),  # start1, cleared
            ("error", 2.0, "Error: <pitch> out-of-range.", ";i 21  "),  # the echo's own p2
            ("error", 2.5, "BAD MM mark; master envelope cancelled.", ""),  # next statement
            # clrF1..clrF3 echo the last event written (3.25 s): the next event's time instead
            ("error", 4.25, "Error: <color symbol> is wrong.", ";i 19  "),
            ("error", 4.25, "Error: <color symbol> is wrong.", ";i 19  "),
            ("error", 4.25, "Error: <color symbol> is wrong.", ";i 19  "),
            ("error", 4.25, "Error: <color symbol> is wrong.", ";i 14  "),
            ("fallback", 4.25, "TEMPO SPEC. IS WRONG; WILL USE MM=60.", ""),
        ])
        self.assertEqual(score.closing, "THERE ARE   7 ERRORS IN THIS FILE.")
        self.assertEqual(score.closing_count, 7)
        self.assertFalse(score.closed)

    def test_beat_marks_follow_the_tempo_of_the_program(self):
        # examples/piece.cpp: metronome(96), 8 beats, glMM(4, 72) over four 1-beat stops, then
        # 7 beats. The glide moves the seconds per beat in equal steps per beat and reaches
        # 60/72 at its fourth step; the known answer is computed here from those calls.
        old, new = 60 / 96, 60 / 72
        spans = [old] * 8 + [old + k * (new - old) / 4 for k in (1, 2, 3, 4)] + [new] * 3
        expected = [0.0]
        for span in spans:
            expected.append(expected[-1] + span)
        score = sp.parse_score(data("piece.sco"))
        marks = sp.beat_marks(sp.tempo_map(score, None), score.end_time)
        self.assertEqual([n for _, n, _ in marks], list(range(16)))
        self.assertTrue(all(sure for _, _, sure in marks))
        for (time, n, _), want in zip(marks, expected):
            self.assertAlmostEqual(time, want, delta=1e-3, msg="beat %d" % n)
        self.assertAlmostEqual(expected[-1], score.end_time, delta=1e-3)

        # The fixture: 0.5 s a beat, a glide from 2.5 s whose first step is 0.75 s, then 1 s;
        # the metronome's fallback keeps 1 s a beat. The bad glMM mark changes nothing.
        score = sp.parse_score(data("fixture.sco"))
        marks = sp.beat_marks(sp.tempo_map(score, None), score.end_time)
        self.assertEqual([(round(t, 4), n, sure) for t, n, sure in marks],
                         [(0.0, 0, True), (0.5, 1, True), (1.0, 2, True), (1.5, 3, True),
                          (2.0, 4, True), (2.5, 5, True), (3.25, 6, True), (4.25, 7, True),
                          (5.25, 8, True)])
        # --beat 0.4 contradicts the glide's start (0.5): the marks before it are not sure,
        # and the glide starts on the next whole beat
        marks = sp.beat_marks(sp.tempo_map(score, 0.4), score.end_time)
        self.assertEqual([(round(t, 4), n, sure) for t, n, sure in marks],
                         [(0.0, 0, False), (0.4, 1, False), (0.8, 2, False), (1.2, 3, False),
                          (1.6, 4, False), (2.0, 5, False), (2.4, 6, False),
                          (2.5, 7, True), (3.25, 8, True), (4.25, 9, True), (5.25, 10, True)])

    def test_beats_where_the_score_hides_the_tempo(self):
        # tests/plot/plot_fixture.cpp "tempo": a glide that ends on its first step (no step
        # comment) takes effect at once; a metronome call between glides leaves no trace, so
        # the stretch before the next glide is not sure, and counting goes on from the whole
        # beat nearest to that glide's start.
        score = sp.parse_score(data("tempo.sco"))
        marks = sp.beat_marks(sp.tempo_map(score, None), score.end_time)
        self.assertEqual([(round(t, 4), n, sure) for t, n, sure in marks],
                         [(0.0, 0, True), (0.5, 1, False), (1.5, 2, False), (2.5, 3, False),
                          (3.0, 4, True), (3.5, 5, True), (4.0, 6, True)])

    def test_beats_without_tempo_comments(self):
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "plain.sco")
            with open(path, "w") as out:
                out.write("i 11    0.0000  1.0000 500.0 101.0 \n"
                          "i 11    1.0000  1.2000 600.0 101.0 \ne\n")
            score = sp.parse_score(path)
        self.assertEqual(sp.tempo_map(score, None), [])  # no marks without a tempo
        marks = sp.beat_marks(sp.tempo_map(score, 0.4), score.end_time)
        self.assertEqual([(round(t, 4), n) for t, n, _ in marks],
                         [(0.0, 0), (0.4, 1), (0.8, 2), (1.2, 3), (1.6, 4), (2.0, 5)])
        self.assertIsNone(sp.beat_marks([(0.0, 1e-6, True, False)], 100.0))  # too dense to draw

    def test_segment_boundaries_are_the_programs_statements(self):
        # the piece's 18 tempo-stepping statements and their lengths in beats
        beats = [0.5, 0.25, 0.5, 1, 0.5, 1, 0.75, 1, 1, 1, 0.5, 1, 1, 1, 1, 1.5, 0.5, 1]
        old, new = 60 / 96, 60 / 72
        spb = [old] * 11 + [old + k * (new - old) / 4 for k in (1, 2, 3, 4)] + [new] * 3
        starts = [0.0]
        for b, s in zip(beats[:-1], spb[:-1]):
            starts.append(starts[-1] + b * s)
        segments, phases = sp.boundaries(sp.parse_score(data("piece.sco")))
        self.assertEqual(len(segments), 18)
        for got, want in zip(segments, starts):
            self.assertAlmostEqual(got, want, delta=2e-4)
        self.assertTrue(phases)
        self.assertFalse(set(round(p, 3) for p in phases) & set(round(s, 3) for s in segments))

    def test_levels_as_the_orchestra_plays_them(self):
        ev = sp.Event
        cases = [
            # switch 0 steps at the start; switch 1 glides from the level in force
            ([ev(1, 20, 0, 1, [0, 0]), ev(2, 20, 1, 1, [60, 1]), ev(3, 20, 2, 1, [40, 0])],
             [0, 0, 1, 1, 1, 2, 2, 2, 3], [0, 0, 0, 0, 0, 60, 60, 40, 40]),
            # a glide to silence is a step; a gap holds the last level; order is by start
            ([ev(1, 15, 3, 1, [30, 1]), ev(2, 15, 0, 1, [50, 0]), ev(3, 15, 1, 1, [0, 1])],
             [0, 0, 1, 1, 1, 2, 3, 3, 4], [0, 50, 50, 50, 0, 0, 0, 0, 30]),
        ]
        for events, xs, ys in cases:
            self.assertEqual(sp.level_line(events), (xs, ys))

    def test_pitch_scale_and_note_names(self):
        for octave, hz, name in ((8.0, 261.626, "C4"), (8.75, 440.0, "A4"), (7.0, 130.813, "C3"),
                                 (7.5833, 195.99, "G3"), (6.0, 65.406, "C2")):
            self.assertAlmostEqual(sp.oct_to_hz(octave), hz, delta=0.01)
            self.assertEqual(sp.note_name(round(sp.hz_to_midi(sp.oct_to_hz(octave)))), name)

    def test_f0_is_heard_only_while_voiced(self):
        ev = sp.Event
        f0 = [ev(1, 21, 0, 1, [7.0]), ev(2, 21, 1, 1, [8.0])]
        av = [ev(3, 20, 0, 0.5, [0, 0]), ev(4, 20, 0.5, 1.5, [60, 1])]
        xs, heard, silent = sp.voiced_f0(f0, av)
        self.assertEqual(xs, [0, 0.5, 1, 2])
        self.assertTrue(math.isnan(heard[0]) and not math.isnan(silent[0]))
        self.assertAlmostEqual(heard[1], 130.81, delta=0.01)
        self.assertAlmostEqual(heard[2], 261.63, delta=0.01)

    def test_spectrogram_finds_a_tone_where_and_when_it_is(self):
        rate = 44100
        cases = [(1.5, 0.5, 1.0, 1000.0), (60.0, 30.0, 30.5, 2500.0)]  # the second is pooled
        for length, on, off, freq in cases:
            t = np.arange(int(length * rate)) / rate
            x = np.where((t >= on) & (t < off), 0.5 * np.sin(2 * np.pi * freq * t), 0.0)
            times, freqs, db, hop = sp.spectrogram(sp.Sound("tone.wav", rate, x))
            self.assertLessEqual(len(times), 3000)
            self.assertGreater(len(times), 1000)
            self.assertAlmostEqual(times[-1], length, delta=hop + 0.006)
            loud = times[db.max(axis=0) > -20]
            window = 0.006
            self.assertAlmostEqual(loud[0], on, delta=window / 2 + hop, msg="onset %g" % length)
            self.assertAlmostEqual(loud[-1], off, delta=window / 2 + hop, msg="offset %g" % length)
            middle = np.argmin(abs(times - (on + off) / 2))
            self.assertAlmostEqual(freqs[np.argmax(db[:, middle])], freq, delta=rate / 512)


class Pictures(unittest.TestCase):
    """SVG, PNG and PDF of real scores: written, of the right kind and size, not blank."""

    def setUp(self):
        self.folder = tempfile.mkdtemp()

    def tearDown(self):
        shutil.rmtree(self.folder)

    def out(self, name):
        return os.path.join(self.folder, name)

    def test_formats(self):
        cases = [
            (["piece.sco", "piece.wav"], "piece.png", b"\x89PNG\r\n\x1a\n"),
            (["piece.sco", "piece.wav"], "piece.svg", b"<?xml"),
            (["piece.sco"], "piece.PDF", b"%PDF-"),
            (["fixture.sco"], "fixture.svg", b"<?xml"),
        ]
        for inputs, name, magic in cases:
            status, out, err = run_plot(*[data(i) for i in inputs], "-o", self.out(name))
            self.assertEqual((status, out, err), (0, "", ""), name)
            with open(self.out(name), "rb") as stream:
                self.assertEqual(stream.read(len(magic)), magic, name)

    def test_png_size_and_content(self):
        import matplotlib.image

        for inputs, width, panels in ((["piece.sco", "piece.wav"], 14, 4),
                                      (["piece.sco"], 9, 3)):
            path = self.out("p.png")
            args = [data(i) for i in inputs] + ["-o", path, "--width", str(width)]
            self.assertEqual(run_plot(*args)[0], 0)
            pixels = (matplotlib.image.imread(path)[:, :, :3] * 255).round().astype(int)
            self.assertEqual(pixels.shape[1], width * 100)
            white = (pixels == 255).all(axis=2)
            self.assertGreater(1 - white.mean(), 0.05)  # drawn on, not blank
            # the formant colours of F1, F2 and F3 are all there
            for colour in ((0xD6, 0x27, 0x28), (0x1F, 0x77, 0xB4), (0x2C, 0xA0, 0x2C)):
                self.assertTrue((np.abs(pixels - colour).sum(axis=2) < 12).sum() > 500)
            # the spectrogram adds dark grey pixels; the tracks alone have few
            grey = ((pixels.max(axis=2) - pixels.min(axis=2) < 6) & (pixels.max(axis=2) < 160))
            self.assertEqual(grey.mean() > 0.05, panels == 4, inputs)

    def test_svg_names_the_errors_and_the_tempo(self):
        path = self.out("f.svg")
        self.assertEqual(run_plot(data("fixture.sco"), "-o", path)[0], 0)
        with open(path) as stream:
            text = stream.read()
        for needle in ("THERE ARE   7 ERRORS IN THIS FILE.", ">E1<", ">E2<", ">E3<", ">E4-E7<",
                       ">W1<", "Error: &lt;pitch&gt; out-of-range.",
                       "0.5 s a beat (MM 120) up to the first tempo comment, 1 tempo glide",
                       "nasal pole", "nasal zero", "tracheal pole", "tracheal zero"):
            self.assertTrue(needle in text, needle)
        path = self.out("p.svg")
        self.assertEqual(run_plot(data("piece.sco"), "-o", path)[0], 0)
        with open(path) as stream:
            text = stream.read()
        self.assertFalse("nasal pole" in text)  # the piece's pairs all cancel
        self.assertFalse(">E1<" in text)

    def test_range_and_tempo_options(self):
        path = self.out("r.svg")
        status, _, err = run_plot(data("piece.sco"), data("piece.wav"), "-o", path,
                                  "--start", "2", "--end", "4.5", "--mm", "100")
        self.assertEqual((status, err), (0, ""))
        with open(path) as stream:
            text = stream.read()
        self.assertTrue("0.6 s a beat (MM 100) from the start" in text)


class BadInput(unittest.TestCase):
    """Every user error: one clear line, a non-zero status, no traceback, nothing written."""

    def setUp(self):
        self.folder = tempfile.mkdtemp()

    def tearDown(self):
        shutil.rmtree(self.folder)

    def write(self, name, content):
        path = os.path.join(self.folder, name)
        with open(path, "wb") as stream:
            stream.write(content)
        return path

    def test_messages(self):
        folder = self.folder
        out = os.path.join(folder, "out.svg")
        piece = data("piece.sco")
        wav = data("piece.wav")
        with open(wav, "rb") as stream:
            wav_bytes = stream.read()
        text = self.write("notes.txt", b"; a comment\nhello world\n")
        binary = self.write("bin.sco", b"i 11 0 1\0\0\1")
        empty = self.write("empty.sco", b"\n  \n")
        comments = self.write("comments.sco", b"; only\n; comments\n")
        latin = self.write("latin.sco", b"i 11 0 1 500 101 \xe9\n")
        short = self.write("short.sco", b"e\ni 11 0\n")
        word = self.write("word.sco", b"i 11 0 1 five 101\n")
        infinite = self.write("inf.sco", b"i 11 0 1 500 101\ni 12 0 inf 1500 101\ne\n")
        tempo = self.write("t.sco", b"t 0 60\ni 11 0 1 500 101\ne\n")
        not_wav = self.write("sound.wav", b"this is no sound")
        cut = self.write("cut.wav", wav_bytes[:30])
        same = self.write("same.svg", open(piece, "rb").read())
        u = "speechscore-plot: "
        cases = [
            ([os.path.join(folder, "none.sco"), "-o", out],
             1, u + "%s/none.sco: no such score file" % folder),
            ([folder, "-o", out], 1, u + "%s: is a directory, not a score file" % folder),
            ([text, "-o", out], 1, u + "%s:2: not a line of a score (expected an i, f or e "
             "statement, a comment or an error line): hello world" % text),
            ([binary, "-o", out], 1, u + "%s: not a score (binary data)" % binary),
            ([empty, "-o", out], 1, u + "%s: not a score (the file is empty)" % empty),
            ([comments, "-o", out], 1,
             u + "%s: not a score (it holds no i, f or e statement)" % comments),
            ([latin, "-o", out], 1, u + "%s: not a score (not a text file)" % latin),
            ([short, "-o", out], 1, u + "%s:2: not a score statement: i 11 0" % short),
            ([word, "-o", out], 1,
             u + "%s:1: not a score statement: i 11 0 1 five 101" % word),
            ([infinite, "-o", out], 1, u + "%s:2: a number in this statement is not finite: "
             "i 12 0 inf 1500 101" % infinite),
            ([tempo, "-o", out], 1, u + "%s:1: the statement 't' is not one that speechscore "
             "writes; only i, f and e statements can be drawn" % tempo),
            ([wav, piece, "-o", out], 1, u + "%s: is a WAV file, not a score; give the score "
             "first: speechscore-plot piece.sco piece.wav -o OUT" % wav),
            ([piece, os.path.join(folder, "none.wav"), "-o", out], 1,
             u + "%s/none.wav: no such WAV file" % folder),
            ([piece, not_wav, "-o", out], 1,
             u + "%s: not a WAV file (no RIFF/WAVE header)" % not_wav),
            ([piece, cut, "-o", out], 1, u + "%s: cannot read the WAV file: " % cut),
            ([piece, "-o", os.path.join(folder, "out.jpg")], 1, u + "%s/out.jpg: unknown "
             "output type '.jpg'; use .svg, .png, .pdf or .html" % folder),
            ([piece, "-o", os.path.join(folder, "out")], 1, u + "%s/out: unknown output type "
             "'(none)'; use .svg, .png, .pdf or .html" % folder),
            ([piece, "-o", os.path.join(folder, "no", "out.png")], 1,
             u + "%s/no/out.png: cannot write: No such file or directory" % folder),
            ([piece, wav, "-o", os.path.join(folder, "no", "out.html")], 1,
             u + "%s/no/out.html: cannot write: No such file or directory" % folder),
            ([same, "-o", same], 1, u + "%s: the output would overwrite an input file" % same),
            ([piece], 2, "speechscore-plot: error: the following arguments are required: "
             "-o/--output"),
            ([piece, "-o", out, "--beat", "-1"], 2,
             "speechscore-plot: error: argument --beat: must be a positive number: '-1'"),
            ([piece, "-o", out, "--beat", "nan"], 2,
             "speechscore-plot: error: argument --beat: must be a positive number: 'nan'"),
            ([piece, "-o", out, "--beat", "1", "--mm", "60"], 2, "speechscore-plot: error: "
             "argument --mm: not allowed with argument --beat"),
            ([piece, "-o", out, "--start", "3", "--end", "2"], 2,
             "speechscore-plot: error: --end (2) must come after --start (3)"),
        ]
        for args, status, message in cases:
            got_status, got_out, got_err = run_plot(*args)
            self.assertEqual(got_status, status, args)
            self.assertEqual(got_out, "", args)
            self.assertNotIn("Traceback", got_err, args)
            last = got_err.rstrip("\n").split("\n")[-1]
            if message.endswith(": "):
                self.assertTrue(last.startswith(message), (last, message))
            else:
                self.assertEqual(last, message, args)
            self.assertFalse(os.path.exists(out), args)
        with open(wav, "rb") as stream:
            self.assertEqual(stream.read(), wav_bytes)  # the take is untouched
        with open(same, "rb") as stream:
            self.assertEqual(stream.read(), open(piece, "rb").read())

    def test_warnings_still_draw(self):
        out = os.path.join(self.folder, "cut.png")
        lines = open(data("piece.sco")).read().splitlines(True)
        cut = self.write("cut.sco", "".join(lines[:300]).encode())
        status, _, err = run_plot(cut, data("piece.wav"), "-o", out)
        self.assertEqual(status, 0)
        self.assertEqual(err.splitlines(), [
            "speechscore-plot: warning: the sound lasts 10.521 s, the score 3.438 s; is it the "
            "score's sound?",
            'speechscore-plot: warning: %s has no closing "e" line; drawn as far as it goes'
            % cut,
        ])
        self.assertTrue(os.path.getsize(out) > 10000)


class Page(unittest.TestCase):
    """The HTML page of the example piece, opened in headless Chromium."""

    @classmethod
    def setUpClass(cls):
        cls.chromium = shutil.which("chromium")
        if not cls.chromium:
            raise RuntimeError("chromium is not installed (apt-get install chromium), or run "
                               "ctest -LE browser to leave this test out")
        cls.folder = tempfile.mkdtemp()
        cls.page = os.path.join(cls.folder, "piece.html")
        status, out, err = run_plot(data("piece.sco"), data("piece.wav"), "-o", cls.page)
        assert (status, out, err) == (0, "", ""), err

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder)

    def browse(self, *args):
        profile = tempfile.mkdtemp(dir=self.folder)
        result = subprocess.run(
            [self.chromium] + CHROMIUM_FLAGS + ["--user-data-dir=" + profile] + list(args)
            + ["file://" + self.page],
            capture_output=True, timeout=120)
        self.assertEqual(result.returncode, 0, result.stderr[-2000:])
        return result.stdout

    def test_page_holds_picture_player_and_error_list(self):
        dom = self.browse("--timeout=3000", "--dump-dom").decode("utf-8")
        audio = re.search(r'<audio id="sound"[^>]*src="data:audio/wav;base64,([^"]+)"[^>]*>',
                          dom)
        self.assertIsNotNone(audio)
        # the browser decoded the embedded sound: its duration is the WAV's
        rate, samples = wavfile.read(data("piece.wav"))
        if samples.dtype.kind == "i":  # PCM of any width, read left-justified by scipy
            samples = samples / 2.0 ** (8 * samples.dtype.itemsize - 1)
        duration = re.search(r'data-duration="([0-9.]+)"', audio.group(0))
        self.assertIsNotNone(duration, "the browser did not load the sound")
        self.assertAlmostEqual(float(duration.group(1)), len(samples) / rate, delta=0.002)
        embedded_rate, embedded = wavfile.read(io.BytesIO(base64.b64decode(audio.group(1))))
        self.assertEqual((embedded_rate, len(embedded), embedded.dtype.name),
                         (rate, len(samples), "int16"))
        self.assertLess(np.abs(embedded / 32767.0 - samples).max(), 1e-4)
        # the picture is decoded at twice its shown size (sharp on dense screens)
        img = re.search(r'<img id="plot"[^>]*width="(\d+)" height="(\d+)"', dom)
        self.assertIsNotNone(img)
        width, height = int(img.group(1)), int(img.group(2))
        self.assertIn('data-picture="%dx%d"' % (2 * width, 2 * height), dom)
        self.assertIn("None: every statement was accepted.", dom)

    def test_screenshot_shows_picture_and_player(self):
        import matplotlib.image

        with open(self.page) as stream:
            size = re.search(r'<img id="plot"[^>]*width="(\d+)" height="(\d+)"', stream.read())
        width, height = int(size.group(1)), int(size.group(2))
        shot = os.path.join(self.folder, "shot.png")
        self.browse("--force-device-scale-factor=1", "--hide-scrollbars",
                    "--window-size=%d,%d" % (width + 100, height + 300), "--timeout=3000",
                    "--screenshot=" + shot)
        keep = os.environ.get("SPEECHSCORE_PLOT_SCREENSHOT")
        if keep:
            shutil.copy(shot, keep)
        pixels = (matplotlib.image.imread(shot)[:, :, :3] * 255).round().astype(int)
        self.assertEqual(pixels.shape[:2], (height + 300, width + 100))
        # the picture is the one white area on the page's tinted background
        white = (pixels == 255).all(axis=2)
        rows, cols = np.nonzero(white)
        top, left = rows.min(), cols.min()
        self.assertEqual((rows.max() - top + 1, cols.max() - left + 1), (height, width))
        region = pixels[top:top + height, left:left + width]
        self.assertGreater(1 - (region == 255).all(axis=2).mean(), 0.15)  # not blank
        self.assertGreater(len(np.unique(region.reshape(-1, 3), axis=0)), 200)
        # the player: a band at least 30 rows high above the picture, as wide as the picture
        background = pixels[2, 2]
        marked = (np.abs(pixels[:top] - background).sum(axis=2) > 6).sum(axis=1)
        band = np.flatnonzero(marked > 0.9 * width)
        self.assertGreaterEqual(len(band), 30)


if __name__ == "__main__":
    if len(sys.argv) == 5 and sys.argv[1] == "--prepare":
        sys.exit(prepare(*sys.argv[2:]))
    unittest.main(verbosity=2)
