#!/usr/bin/python3
# Tests of speechscore-plot; `--prepare` writes the shared scores and sound first.
import base64
import filecmp
import io
import math
import os
import re
import shutil
import resource
import signal
import socket
import stat
import struct
import subprocess
import sys
import tempfile
import time
import types
import unittest
import xml.etree.ElementTree as ElementTree
from pathlib import Path

import matplotlib.image
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


def write_wav(path, samples, tag=1, channels=1, bits=16, seconds=0):
    """A WAV file at 8000 Hz of samples, then seconds of silence that take no room on disk."""
    align = channels * bits // 8
    size = len(samples) + int(8000 * seconds) * align
    with open(path, "wb") as stream:
        stream.write(b"RIFF" + struct.pack("<I", 36 + size) + b"WAVEfmt "
                     + struct.pack("<IHHIIHH", 16, tag, channels, 8000, 8000 * align, align, bits)
                     + b"data" + struct.pack("<I", size) + samples)
        stream.truncate(44 + size)


def data(name):
    return os.path.join(DATA, name)


def run_plot(*args, **options):
    result = subprocess.run([PLOT] + list(args), capture_output=True, text=True, timeout=120,
                            **options)
    return result.returncode, result.stdout, result.stderr


def prepare(piece, fixture, render):
    """Writes the shared scores and takes afresh (an old take would hide a renderer that leaves
    none); a loud piece (avfact 16) must clip with status 4."""
    shutil.rmtree(DATA, ignore_errors=True)
    os.makedirs(DATA)
    score = subprocess.run([piece], stdout=subprocess.PIPE, check=True).stdout
    Path(data("piece.sco")).write_bytes(score)
    subprocess.run([render, data("piece.sco"), data("piece.wav")], check=True)
    lines = score.decode().split("\n")
    at = next(n for n, line in enumerate(lines) if line.startswith("i 1 "))
    start = lines[at].split()
    lines[at] = " ".join(start[:6] + ["16"] + start[7:])
    Path(data("loud.sco")).write_text("\n".join(lines))
    loud = subprocess.run([render, data("loud.sco"), data("loud.wav")], stderr=subprocess.PIPE)
    if loud.returncode != 4 or not os.path.isfile(data("loud.wav")):
        sys.exit("a clipped take ended with status %d, expected 4 and the take kept:\n%s"
                 % (loud.returncode, loud.stderr.decode(errors="replace")))
    errors = subprocess.run([fixture], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    if errors.returncode != 1:
        sys.exit("plot_fixture ended with status %d, expected 1 (its score has errors)"
                 % errors.returncode)
    Path(data("fixture.sco")).write_bytes(errors.stdout)
    tempo = subprocess.run([fixture, "tempo"], stdout=subprocess.PIPE, check=True).stdout
    Path(data("tempo.sco")).write_bytes(tempo)
    Path(data("plain.sco")).write_text("i 11    0.0000  1.0000 500.0 101.0 \n"
                                       "i 11    1.0000  1.2000 600.0 101.0 \ne\n")
    return 0


class InFolder(unittest.TestCase):
    """A test with a scratch folder of its own."""

    def setUp(self):
        self.folder = self.enterContext(tempfile.TemporaryDirectory())

    def path(self, name):
        return os.path.join(self.folder, name)

    def write(self, name, content):
        Path(self.path(name)).write_bytes(content)
        return self.path(name)

    def assert_no_scratch(self, folder=None):
        self.assertEqual([n for n in os.listdir(folder or self.folder) if n.endswith(".part")],
                         [])


class Model(InFolder):
    """What the picture is drawn from, checked against what the programs did."""

    def test_error_lines_and_statements_are_placed_at_their_time(self):
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
        self.assertEqual((score.closing, score.closing_count, score.closed),
                         ("THERE ARE   7 ERRORS IN THIS FILE.", 7, False))
        # the statements' times in plot_fixture.cpp; Casc's half beat ends in a phase (4.75 s)
        for name, want, phases in (("fixture.sco", [0, 0.5, 1.5, 2, 2.5, 3.25, 4.25], [4.75]),
                                   ("tempo.sco", [0, 0.5, 2.5, 3, 3.5], [])):
            segments, got = sp.boundaries(sp.parse_score(data(name)))
            self.assertEqual(([round(s, 4) for s in segments], [round(p, 4) for p in got]),
                             (want, phases), name)

    def test_beat_marks_follow_the_tempo_of_the_program(self):
        # --beat 0.4 contradicts the glide's start (0.5 s a beat): the marks before it are not
        # sure. In tempo.sco a metronome call between glides leaves no trace: the stretch before
        # the next glide is not sure, and counting goes on from the beat nearest to its start.
        N, Y = False, True
        cases = [
            ("fixture.sco", None, [(0.0, Y), (0.5, Y), (1.0, Y), (1.5, Y), (2.0, Y), (2.5, Y),
                                   (3.25, Y), (4.25, Y), (5.25, Y)]),
            ("fixture.sco", 0.4, [(0.0, N), (0.4, N), (0.8, N), (1.2, N), (1.6, N), (2.0, N),
                                  (2.4, N), (2.5, Y), (3.25, Y), (4.25, Y), (5.25, Y)]),
            ("tempo.sco", None, [(0.0, Y), (0.5, N), (1.5, N), (2.5, N), (3.0, Y), (3.5, Y),
                                 (4.0, Y)]),
            ("plain.sco", None, []),
            ("plain.sco", 0.4, [(0.0, Y), (0.4, Y), (0.8, Y), (1.2, Y), (1.6, Y), (2.0, Y)]),
        ]
        for name, beat, want in cases:
            score = sp.parse_score(data(name))
            marks = sp.beat_marks(sp.tempo_map(score, beat), score.end_time)
            self.assertEqual([(round(t, 4), n, sure) for t, n, sure in marks],
                             [(at, k, sure) for k, (at, sure) in enumerate(want)], name)
        self.assertIsNone(sp.beat_marks([(0.0, 1e-6, True, False)], 100.0))  # too dense to draw

    def test_tracks_as_the_orchestra_plays_them(self):
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
        # the last value plays on to the end of the score
        events, xs, ys = cases[0]
        self.assertEqual(sp.level_line(events, until=5), (xs + [5], ys + [40]))
        for octave, hz, name in ((8.0, 261.626, "C4"), (8.75, 440.0, "A4"), (7.0, 130.813, "C3"),
                                 (7.5833, 195.99, "G3"), (6.0, 65.406, "C2")):
            self.assertAlmostEqual(sp.oct_to_hz(octave), hz, delta=0.01)
            self.assertEqual(sp.note_name(round(sp.hz_to_midi(sp.oct_to_hz(octave)))), name)
        # the pitch is heard only while voiced
        f0 = [ev(1, 21, 0, 1, [7.0]), ev(2, 21, 1, 1, [8.0])]
        av = [ev(3, 20, 0, 0.5, [0, 0]), ev(4, 20, 0.5, 1.5, [60, 1])]
        xs, heard, silent = sp.voiced_f0(f0, av)
        glide = 69 / sp.CONTROL_RATE  # 0.05 s in whole control cycles
        self.assertEqual(xs, [0, 0.5, 0.5, 1, 1 + glide, 2])
        c3, c4, nan = 130.81, 261.63, math.nan
        np.testing.assert_allclose([heard, silent], [[nan, nan, c3, c3, c4, c4],
                                                     [c3, c3, nan, nan, nan, nan]], atol=0.01)
        cycle = 1 / sp.CONTROL_RATE
        f2 = [ev(1, 12, 0, 0.1, [1000, 80]), ev(2, 12, 0.1, 0.2, [2000, 90]),
              ev(3, 12, 0.3, 0.03, [1500, 100])]
        # GLIDE (0.065 s) or the event's span when shorter; one control cycle at time 0
        xs, (freq, bw) = sp.glide_line(f2, 2, sp.START[12])
        self.assertEqual(xs, [0, cycle, 0.1, 0.1 + 0.065, 0.3, 0.3 + 0.03, 0.3 + 0.03])
        self.assertEqual(freq, [1500, 1000, 1000, 2000, 2000, 1500, 1500])
        self.assertEqual(bw, [101, 80, 80, 90, 90, 100, 100])
        xs, _ = sp.glide_line(f2, 2, sp.START[12], glide=0.02)
        self.assertEqual(xs[2:4], [0.1, 0.1 + 0.02])
        xs, (freq, _) = sp.glide_line(f2, 2, sp.START[12], until=2)
        self.assertEqual((xs[-1], freq[-1]), (2, 1500))
        # a pitch change inside a running glide starts from where it has got to
        xs, ys = sp.pitch_line([ev(1, 21, 0, 1, [7.0]), ev(2, 21, 1, 0.02, [8.0]),
                                ev(3, 21, 1.02, 1, [9.0])], pglide=0.04)
        self.assertEqual(xs[:3], [0, 1, 1.02])
        self.assertAlmostEqual(ys[2], 7.0 + 0.02 / (55 / sp.CONTROL_RATE), places=9)
        self.assertEqual((xs[3], ys[3]), (1.02 + 55 / sp.CONTROL_RATE, 9.0))
        # the options of speechscore-render, limited to 0..1 s as the orchestra limits them
        options = sp.parse_arguments(["a.sco", "-o", "a.svg", "--omacro:GLIDE=0.1",
                                      "--omacro:PGLIDE=3"])
        self.assertEqual((options.glide, options.pglide), (0.1, 1.0))
        self.assertEqual(sp.parse_arguments(["a.sco", "-o", "a.svg", "--omacro:GLIDE=0.1",
                                             "--omacro:GLIDE=0.2"]).glide, 0.1)  # as csound
        # a long take's link, from the bytes of a name that is not UTF-8
        sound = types.SimpleNamespace(path=os.fsdecode(b"/x/long\xff #.wav"))
        self.assertEqual(sp.sound_link(sound, "/x/page.html"), "long%FF%20%23.wav")
        self.assertEqual(sp.parse_arguments(["a.sco", "-o", "a.svg"]).glide, 0.065)

    def test_wav_samples_of_every_kind(self):
        # 24-bit stereo, little-endian three-byte samples, mixed to mono
        values = [(1, -1), (2 ** 23 - 1, 2 ** 23 - 1), (-2 ** 23, -2 ** 23), (-3, 1)]
        frames = b"".join(v.to_bytes(3, "little", signed=True) for pair in values for v in pair)
        cases = [((1, 2, 24), frames, [0.0, 1 - 2.0 ** -23, -1.0, -2.0 ** -23]),
                 ((1, 1, 8), bytes([0, 128, 255]), [-1.0, 0.0, 127 / 128]),
                 ((3, 1, 64), struct.pack("<3d", 0.5, -0.25, 1.0), [0.5, -0.25, 1.0])]
        for (tag, channels, bits), samples, want in cases:
            write_wav(self.path("kind.wav"), samples, tag, channels, bits)
            sound = sp.read_wav(self.path("kind.wav"))
            self.assertEqual(list(sound.mono(0, sound.frames)), want, bits)

    def test_spectrogram_finds_a_tone_where_and_when_it_is(self):
        rate = 44100
        cases = [(1.5, 0.5, 1.0, 1000.0), (60.0, 30.0, 30.5, 2500.0)]  # the second is pooled
        for length, on, off, freq in cases:
            t = np.arange(int(length * rate)) / rate
            x = np.where((t >= on) & (t < off), 0.5 * np.sin(2 * np.pi * freq * t), 0.0)
            times, freqs, db, hop = sp.spectrogram(sp.Sound("tone.wav", rate, x))
            self.assertTrue(1000 < len(times) <= 3000, len(times))
            self.assertAlmostEqual(times[-1], length, delta=hop + 0.006)
            loud = times[db.max(axis=0) > -20]  # within half the 6 ms window and a hop
            self.assertAlmostEqual(loud[0], on, delta=0.003 + hop, msg="onset %g" % length)
            self.assertAlmostEqual(loud[-1], off, delta=0.003 + hop, msg="offset %g" % length)
            middle = np.argmin(abs(times - (on + off) / 2))
            self.assertAlmostEqual(freqs[np.argmax(db[:, middle])], freq, delta=rate / 512)


class Pictures(InFolder):
    """SVG, PNG, PDF and HTML of real scores: of the right kind and size, not blank."""

    def test_formats_and_what_the_svg_names(self):
        fixture_names = ["THERE ARE   7 ERRORS IN THIS FILE.", ">E1<", ">E2<", ">E3<", ">E4-E7<",
                         ">W1<", "Error: &lt;pitch&gt; out-of-range.",
                         "0.5 s a beat (MM 120) up to the first tempo comment, 1 tempo glide",
                         "nasal pole", "nasal zero", "tracheal pole", "tracheal zero"]
        piece, wav, take = data("piece.sco"), data("piece.wav"), self.path("take #1.wav")
        os.mkdir(self.path("pages"))
        write_wav(take, b"", seconds=sp.EMBED_LIMIT / 16000 + 1)  # too long to embed
        # inputs, output, first bytes, texts held, texts not held[, warnings]
        cases = [
            ([piece, wav], "piece.svg", b"<?xml", [], ["nasal pole", ">E1<"]),
            ([piece], "piece.PDF", b"%PDF-", [], []),
            ([data("fixture.sco")], "fixture.svg", b"<?xml", fixture_names, []),
            ([piece, wav, "--start", "2", "--end", "4.5", "--mm", "100"], "r.svg", b"<?xml",
             ["0.6 s a beat (MM 100) from the start"], []),
            ([piece, take, "--end", "2"], "pages/long.html", b"<!DOCTYPE html>",
             ['<audio id="sound" controls preload="auto" src="../take%20%231.wav">'],
             ["data:audio"], "speechscore-plot: %s: warning: the sound lasts 4195.304 s, the "
             "score 10.521 s; is it the score's sound?\n" % take),
        ]
        for inputs, name, magic, present, absent, *warnings in cases:
            status, out, err = run_plot(*inputs, "-o", self.path(name))
            self.assertEqual((status, out, err), (0, "", "".join(warnings)), name)
            content = Path(self.path(name)).read_bytes()
            self.assertEqual(content[:len(magic)], magic, name)
            wrong = [n for n in present if n.encode() not in content]  # missing or unwanted
            self.assertEqual(wrong + [n for n in absent if n.encode() in content], [], name)

    def test_png_replaced_whole_through_a_link_or_not_at_all(self):
        # the file a link names is replaced, the link and the mode stay
        piece, wav = data("piece.sco"), data("piece.wav")
        os.mkdir(self.path("real"))
        target = self.write("real/picture.png", b"the previous picture")
        os.chmod(target, 0o640)
        os.symlink("real/picture.png", self.path("link.png"))
        cut = self.write("cut.sco", b"".join(Path(piece).read_bytes().splitlines(True)[:300]))
        warnings = [
            "speechscore-plot: %s: warning: the sound lasts 10.521 s, the score 3.438 s; is it "
            "the score's sound?" % wav,
            'speechscore-plot: %s: warning: the score has no closing "e" line; drawn as far as '
            "it goes" % cut,
        ]
        for inputs, width, panels, err in (([piece, wav], 14, 4, []), ([piece], 9, 3, []),
                                           ([cut, wav], 14, 4, warnings)):
            status, out, got = run_plot(*inputs, "-o", self.path("link.png"), "--width",
                                        str(width))
            self.assertEqual((status, out, got.splitlines()), (0, "", err))
            self.assertTrue(os.path.islink(self.path("link.png")))
            self.assertEqual(os.stat(target).st_mode & 0o777, 0o640)
            self.assert_no_scratch(self.path("real"))
            pixels = (matplotlib.image.imread(target)[:, :, :3] * 255).round().astype(int)
            self.assertEqual(pixels.shape[1], width * 100)
            self.assertGreater((pixels != 255).any(axis=2).mean(), 0.05)  # drawn on, not blank
            # the formant colours of F1, F2 and F3 are all there
            for colour in ((0xD6, 0x27, 0x28), (0x1F, 0x77, 0xB4), (0x2C, 0xA0, 0x2C)):
                self.assertTrue((np.abs(pixels - colour).sum(axis=2) < 12).sum() > 500)
            # the spectrogram adds dark grey pixels; the tracks alone have few
            grey = ((pixels.max(axis=2) - pixels.min(axis=2) < 6) & (pixels.max(axis=2) < 160))
            self.assertEqual(grey.mean() > 0.05, panels == 4, inputs)

        # a full disk (here: a limit on the file size) leaves the previous picture
        picture = Path(target).read_bytes()
        small = run_plot(piece, wav, "-o", self.path("link.png"),
                         preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (20000,) * 2))
        self.assertEqual(small, (1, "", "speechscore-plot: %s: error: cannot write: File too "
                                 "large\n" % self.path("link.png")))
        self.assertEqual(Path(target).read_bytes(), picture)
        self.assert_no_scratch(self.path("real"))


class BadInput(InFolder):
    """Every user error: one clear line, a non-zero status, no traceback, nothing written."""

    def test_messages(self):
        d = self.path
        out, piece, wav = d("out.svg"), data("piece.sco"), data("piece.wav")
        wav_bytes = Path(wav).read_bytes()
        header = wav_bytes.index(b"data") + 8
        drawn = "is not a time that can be drawn (0 to 1e+06 s)"
        # scores (file name, content, line, message); numbers as Csound reads them
        scores = [
            ("notes.txt", b"; a comment\nhello world\n", ":2", "not a line of a score (expected "
             "an i, f or e statement, a comment or an error line): hello world"),
            ("bin.sco", b"i 11 0 1\0\0\1", "", "not a score (binary data)"),
            ("empty.sco", b"\n  \n", "", "not a score (the file is empty)"),
            ("comments.sco", b"; only\n; comments\n", "",
             "not a score (it holds no i, f or e statement)"),
            ("latin.sco", b"i 11 0 1 500 101\ni 11 1 1 500 101 \xe9\n", ":2",
             "not a score (not a UTF-8 text file)"),
            ("short.sco", b"e\ni 11 0\n", ":2", "not a score statement: i 11 0"),
        ] + [
            ("n%d.sco" % k, b"i 11 0 1 500 101\ni 12 0 %s 1500 101\ne\n" % w.encode(), ":2",
             "'%s' is not a number of a score: i 12 0 %s 1500 101" % (w, w))
            for k, w in enumerate(("five", "inf", "1_0", "nan", "1e999", "\u0661"))
        ] + [
            ("u2028.sco", "i 11 0 1 500\u2028101\ne\n".encode(), ":1",
             "'500\\u2028101' is not a number of a score: i 11 0 1 500\\u2028101"),
            ("t0.sco", b"i 11 -1 1 500 101\ne\n", ":1", "the start -1 %s: i 11 -1 1" % drawn),
            ("t1.sco", b"i 11 0 -0.5 500 101\ne\n", ":1", "the span -0.5 %s: i 11 0 -0.5" % drawn),
            ("t2.sco", b"i 11 2e6 1 500 101\ne\n", ":1", "the start 2e+06 %s: i 11 2e+06 1" % drawn),
            ("t3.sco", b"i 11 999999 2 500 101\ne\n", ":1",
             "the event ends at 1e+06 s, after 1e+06 s: i 11 999999 2"),
            ("t4.sco", b"i 11 0 1 1e10 500 101\ne\n", ":1",
             "a value beyond 1e+09, which the picture cannot draw: i 11 0 1 1e10 500 101"),
            ("t.sco", b"t 0 60\ni 11 0 1 500 101\ne\n", ":1", "the statement 't' is not one "
             "that speechscore writes; only i, f and e statements can be drawn"),
        ]
        # sounds (file name, content, message) after the piece's score
        sounds = [
            ("sound.wav", b"this is no sound", "not a WAV file (no RIFF/WAVE header)"),
            ("cut.wav", wav_bytes[:30], "the WAV file is cut short in its fmt chunk"),
            ("cutdata.wav", wav_bytes[:len(wav_bytes) // 2], "the WAV file is cut short: its "
             "data chunk holds %d bytes, the file %d"
             % (len(wav_bytes) - header, len(wav_bytes) // 2 - header)),
            ("nofmt.wav", b"RIFFxxxxWAVEdata\4\0\0\0abcd",
             "the WAV file is malformed or cut short: no fmt chunk"),
        ]
        # (arguments, the file the message names (status 1) or None (status 2), message)
        cases = [([self.write(name, content)], d(name) + line, message)
                 for name, content, line, message in scores]
        cases += [([piece, self.write(name, content)], d(name), message)
                  for name, content, message in sounds]
        fifo, huge = d("fifo.wav"), self.write("huge.sco", b"")
        os.mkfifo(fifo)
        os.truncate(huge, (64 << 20) + 1)
        types = "; use .svg, .png, .pdf or .html"
        nowhere = "cannot write: No such file or directory"
        cases += [
            ([d("none.sco")], d("none.sco"), "no such score file"),
            ([self.folder], self.folder, "is a directory, not a score file"),
            ([huge], huge, "the score file holds 67108865 bytes, more than the 64 MiB that are "
             "read"),
            ([wav, piece], wav, "is a WAV file, not a score; give the score first: "
             "speechscore-plot piece.sco piece.wav -o OUT"),
            ([piece, d("none.wav")], d("none.wav"), "no such WAV file"),
            ([piece, fifo], fifo, "is a FIFO or pipe; give the WAV as a file (its samples are "
             "read from the file as they are needed)"),
            ([piece, "-o", d("out.jpg")], d("out.jpg"), "unknown output type '.jpg'" + types),
            ([piece, "-o", d("out")], d("out"), "unknown output type '(none)'" + types),
            ([piece, "-o", d("no/out.png")], d("no/out.png"), nowhere),
            ([piece, "-o", d("a\nb\x1b/c.svg")], d("a\\x0ab\\x1b/c.svg"), nowhere),
            ([piece, "--beat", "-1"], None, "argument --beat: must be a positive number: '-1'"),
            ([piece, "--beat", "nan"], None, "argument --beat: must be a positive number: 'nan'"),
            ([piece, "--beat", "1", "--mm", "60"], None,
             "argument --mm: not allowed with argument --beat"),
            ([piece, "--start", "3", "--end", "2"], None, "--end (2) must come after --start (3)"),
            ([self.write("brief.sco", b"i 11 0 1 500 101\ne\n"), "--start", "5"],
             d("brief.sco"), "--start (5) is at or after the end of the score (1.000 s): nothing "
             "to draw"),
        ]
        if os.geteuid() == 0:  # a zero device of our own, never the real /dev/zero
            os.mknod(d("zero"), stat.S_IFCHR | 0o666, os.makedev(1, 5))
            cases.append(([d("zero")], d("zero"), "gives more than the 64 MiB of a score that "
                          "are read"))
        for args, named, message in cases:
            status, got_out, err = run_plot("-o", out, *args)
            self.assertEqual((status, got_out), (2 if named is None else 1, ""), args)
            self.assertNotIn("Traceback", err, args)
            self.assertEqual(err.rstrip("\n").split("\n")[-1], "speechscore-plot: %serror: %s"
                             % ("" if named is None else named + ": ", message), args)
            self.assertFalse(os.path.exists(out), args)
        status, got_out, err = run_plot(piece)  # no output named
        self.assertEqual((status, got_out, err.splitlines()[-1]), (2, "", "speechscore-plot: "
                         "error: the following arguments are required: -o/--output"))
        self.assertEqual(Path(wav).read_bytes(), wav_bytes)  # the take is untouched


class Files(InFolder):
    """The output: written whole, never over an input or a special file, kept when stopped."""

    def test_special_destinations_and_inputs_are_refused(self):
        score, wav = self.path("piece.sco"), self.path("piece.wav")
        shutil.copy(data("piece.sco"), score)
        shutil.copy(data("piece.wav"), wav)
        os.mkdir(self.path("folder.svg"))
        os.mkfifo(self.path("fifo.svg"))
        listener = socket.socket(socket.AF_UNIX)
        listener.bind(self.path("socket.svg"))
        special = [("folder.svg", "a directory", stat.S_ISDIR), ("fifo.svg", "a FIFO or pipe",
                   stat.S_ISFIFO), ("socket.svg", "a socket", stat.S_ISSOCK)]
        if os.geteuid() == 0:  # a null device of our own, never the real /dev/null
            os.mknod(self.path("null.svg"), stat.S_IFCHR | 0o666, os.makedev(1, 3))
            os.symlink("null.svg", self.path("to-null.svg"))
            special += [("null.svg", "a character device", stat.S_ISCHR),
                        ("to-null.svg", "a character device", stat.S_ISCHR)]
        cases = [([score], self.path(name), "is %s; the picture is written as a new file or over "
                  "a regular file only" % kind) for name, kind, _ in special]
        # an input named by another spelling, a symlink or a hard link
        os.symlink("piece.sco", self.path("link.svg"))
        os.link(wav, self.path("hard.html"))
        spelt = self.folder + "/./../%s/piece.sco" % os.path.basename(self.folder)
        for args, output, given in (([score, wav], spelt, score),
                                    ([score], self.path("link.svg"), score),
                                    ([score, wav], self.path("hard.html"), wav),
                                    ([score, "--labels", wav], self.path("hard.html"), wav)):
            cases.append((args, output, "the output would overwrite the input " + given))
        for args, output, message in cases:
            self.assertEqual(run_plot(*args, "-o", output),
                             (1, "", "speechscore-plot: %s: error: %s\n" % (output, message)))
        for name, _, test in special:
            self.assertTrue(test(os.stat(self.path(name)).st_mode), name)
        listener.close()
        # the score from standard input: a pipe is read, the output file itself is refused
        piped = run_plot("-", "-o", self.path("piped.svg"), input=Path(score).read_text())
        self.assertEqual(piped, (0, "", ""))
        shutil.copy(score, self.path("same.svg"))
        with open(self.path("same.svg")) as stream:
            self.assertEqual(run_plot("-", "-o", self.path("same.svg"), stdin=stream),
                             (1, "", "speechscore-plot: %s: error: the output would overwrite "
                              "the input /dev/stdin\n" % self.path("same.svg")))
        self.assertTrue(filecmp.cmp(wav, data("piece.wav"), shallow=False))
        self.assertTrue(filecmp.cmp(score, data("piece.sco"), shallow=False))
        self.assert_no_scratch()

    def test_signals_stop_at_once_and_leave_the_output(self):
        page = self.write("page.html", b"the previous page")
        # waiting for a score from a FIFO that gives nothing
        os.mkfifo(self.path("score.fifo"))
        process = subprocess.Popen([PLOT, self.path("score.fifo"), "-o", page],
                                   stderr=subprocess.PIPE, text=True)
        signal.alarm(60)  # the writing end opens once the program has opened the reading end
        writer = os.open(self.path("score.fifo"), os.O_WRONLY)
        signal.alarm(0)
        time.sleep(0.2)
        process.send_signal(signal.SIGTERM)
        self.assertEqual((process.communicate(timeout=5), process.returncode), ((None, ""), 143))
        os.close(writer)
        # writing a page that embeds 40 MB of sound
        write_wav(self.path("take.wav"), b"", seconds=2500)
        process = subprocess.Popen([PLOT, data("piece.sco"), self.path("take.wav"), "-o",
                                    page, "--end", "1"], stderr=subprocess.PIPE, text=True)
        deadline = time.monotonic() + 60
        while not any(n.endswith(".part") for n in os.listdir(self.folder)):
            self.assertIsNone(process.poll(), "the page was written before the test saw it")
            self.assertLess(time.monotonic(), deadline)
            time.sleep(0.001)
        process.send_signal(signal.SIGINT)
        err = process.communicate(timeout=5)[1]
        self.assertEqual(process.returncode, 130)
        self.assertNotIn("Traceback", err)
        self.assertEqual(Path(page).read_text(), "the previous page")
        self.assert_no_scratch()


PRAAT_SCRIPT = '''form TextGrid
  sentence out x.TextGrid
endform
Create TextGrid: 0, 1.5, "words bell", "bell"
Insert boundary: 1, 0.2
Insert boundary: 1, 0.9
Set interval text: 1, 2, "si\u02d0"
Set interval text: 1, 3, "zoo <&>"
Insert point: 2, 0.7, "peak ""quoted"""
Save as text file: out$
Save as short text file: out$ + ".short"
'''


def textgrid(intervals, count=2):
    """A TextGrid in Praat's long text format: one tier of count intervals (xmin, xmax, text)."""
    return ('File type = "ooTextFile"\nObject class = "TextGrid"\n\nxmin = 0\nxmax = 2\n'
            "tiers? <exists>\nsize = 1\nitem []:\n    item [1]:\n"
            '        class = "IntervalTier"\n        name = "words"\n        xmin = 0\n'
            "        xmax = 2\n        intervals: size = %s\n" % count
            + "".join("        intervals [%d]:\n            xmin = %s\n            xmax = %s\n"
                      "            text = %s\n" % ((n + 1,) + i) for n, i in enumerate(intervals)))


class Labels(InFolder):
    """A TextGrid written by Praat drawn as a lane; hostile ones refused in one line."""

    def assert_drawn(self, svg, labels):
        text = Path(svg).read_text(encoding="utf-8")
        ElementTree.fromstring(text.encode())
        for label in labels:
            self.assertIn(">%s</text>" % label, text)

    def test_praat_textgrid_drawn_as_a_lane(self):
        grid = self.path("take.TextGrid")
        script = self.write("grid.praat", PRAAT_SCRIPT.encode())
        subprocess.run(["praat", "--run", script, grid], check=True, timeout=60)
        expected = [
            ("IntervalTier", "words", [(0, 0.2, ""), (0.2, 0.9, "si\u02d0"),
                                       (0.9, 1.5, "zoo <&>")]),
            ("TextTier", "bell", [(0.7, 0.7, 'peak "quoted"')]),
        ]
        for path in (grid, grid + ".short"):
            labels = sp.read_textgrid(path)
            self.assertEqual((labels.xmin, labels.xmax), (0, 1.5))
            self.assertEqual([(t.kind, t.name, t.items) for t in labels.tiers], expected)
        self.assertEqual(run_plot(data("piece.sco"), "--labels", grid, "-o", self.path("lane.svg")),
                         (0, "", "speechscore-plot: %s: warning: the labels end at 1.500 s, the "
                          "score at 10.521 s; are they the score's labels?\n" % grid))
        self.assert_drawn(self.path("lane.svg"), ("words", "si\u02d0", "zoo &lt;&amp;&gt;",
                                                  ' peak "quoted"'))

    def test_hostile_textgrids(self):
        good = [("0", "1", '""'), ("1", "2", '"a"')]
        cases = [  # TextGrid, line, message
            (textgrid([("0", "1_0", '""'), ("1", "2", '""')]), ":17",
             "the end of interval 1 of tier 1 is not a number: 1_0"),
            (textgrid([("0", "1e999", '""'), ("1", "2", '""')]), ":17", "the end of interval 1 of "
             "tier 1 1e999 is not a time that can be drawn (-1e+06 to 1e+06 s)"),
            (textgrid(good, 999999999), ":22",
             "the file ends where the start of interval 3 of tier 1 should be"),
            (textgrid(good, "1e12"), ":14",
             "the number of intervals of tier 1 is 1e12, not a whole number below 10^9"),
            (textgrid([("0", "1", '"unclosed'), ("1", "2", "x")]), ":18",
             'a string that is not closed (no second ")'),
            (textgrid([("0", "1.5", '""'), ("1", "2", '""')]), ":22", "interval 2 of tier 1 (1 "
             "to 2 s) is not after the one before it and inside its tier (0 to 2 s)"),
            (textgrid(good) + '"extra"', ":23", "more values after the last tier: extra"),
            ("ooBinaryFile\0\1", "", "a binary Praat file; save the TextGrid as a text file in "
             "Praat (Save as text file)"),
            ("", "", "not a Praat text file (it does not begin with File type = \"ooTextFile\")"),
        ]
        score, out = data("piece.sco"), self.path("hostile.svg")
        for content, line, message in cases:
            path = self.write("hostile.TextGrid", content.encode())
            status, _, err = run_plot(score, "--labels", path, "-o", out)
            self.assertEqual((status, err), (1, "speechscore-plot: %s%s: error: %s\n"
                                             % (path, line, message)), content)
            self.assertFalse(os.path.exists(out))
        # labels that mean something to SVG, HTML, matplotlib or a terminal stay text
        hostile = ['"<script>alert(1)</script>"', '"$\\frac{1}{$"', '"\x1b[31m&amp;"']
        intervals = zip(("0", "0.7", "1.4"), ("0.7", "1.4", "2"), hostile)
        self.write("hostile.TextGrid", textgrid(intervals, 3).encode())
        for name in ("hostile.svg", "hostile.html"):
            status, _, err = run_plot(score, "--labels", path, "-o", self.path(name), "--end", "2")
            self.assertEqual((status, err.count("\n"), err.split(": ")[2]), (0, 1, "warning"))
        self.assert_drawn(out, ("&lt;script&gt;alert(1)&lt;/script&gt;", "$\\frac{1}{$",
                                "\\x1b[31m&amp;amp;"))


class Page(InFolder):
    """The HTML page of the example piece, opened in headless Chromium."""

    def browse(self, *args):  # without chromium (apt-get install chromium): ctest -LE browser
        profile = tempfile.mkdtemp(dir=self.folder)
        result = subprocess.run(["chromium"] + CHROMIUM_FLAGS + ["--user-data-dir=" + profile]
                                + list(args) + ["file://" + self.path("piece.html")],
                                capture_output=True, timeout=120)
        self.assertEqual(result.returncode, 0, result.stderr[-2000:])
        return result.stdout

    def test_page_holds_picture_player_and_error_list(self):
        status = run_plot(data("piece.sco"), data("piece.wav"), "-o", self.path("piece.html"))
        self.assertEqual(status, (0, "", ""))
        # the sound's metadata comes after the page has loaded: on a busy machine the page
        # may be dumped before it, so the page is opened again (three times at most)
        for _ in range(3):
            dom = self.browse("--timeout=3000", "--dump-dom").decode("utf-8")
            if "data-duration=" in dom:
                break
        audio = re.search(r'<audio id="sound"[^>]*src="data:audio/wav;base64,([^"]+)"[^>]*>',
                          dom)
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
        width, height = map(int, re.search(r'<img id="plot"[^>]*width="(\d+)" height="(\d+)"',
                                           dom).groups())
        self.assertIn('data-picture="%dx%d"' % (2 * width, 2 * height), dom)
        self.assertIn("None: every statement was accepted.", dom)
        # the screenshot: the picture, and the player above it
        shot = self.path("shot.png")
        self.browse("--force-device-scale-factor=1", "--hide-scrollbars",
                    "--window-size=%d,%d" % (width + 100, height + 300), "--timeout=3000",
                    "--screenshot=" + shot)
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
