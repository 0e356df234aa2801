"""The Python package: scores, diagnostics, renders, labels, continua, batches and commands."""

import csv
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unittest

import speechscore as ss
from distributed import Client, LocalCluster

TOP = os.environ.get("SPEECHSCORE_SOURCE", os.path.join(os.path.dirname(__file__), "..", ".."))
PROGRAM = os.environ.get("SPEECHSCORE_PROGRAM", "")
VOICE = ("0.5", 0.002, 0, 1000, 0.008, 1, 0, 0)


def vowel_score():
    s = ss.Score()
    s.start1(0, 1, 1, 1, 1, 1, 0, 1, 1).startmn().metronome(120)
    s.Rest(0.5).VOW(1, "vAA", 60, "C3", *VOICE).Rest(0.5)
    return s


class Scores(unittest.TestCase):
    def test_scripts_and_songs_write_the_programs_bytes(self):
        docs = os.path.join("tests", "songs", "documents")
        for name, program, song in (
                (os.path.join("examples", "piece.ss"), [], None),
                (os.path.join(docs, "marks.musicxml"), [], {}),
                (os.path.join(docs, "lyrics.musicxml"), ["--verse", "2", "--voice", "bass"],
                 dict(verse=2, voice="bass")),
                (os.path.join(docs, "lyrics.musicxml"), ["--lang", "de"], dict(lang="de"))):
            path = os.path.join(TOP, name)
            ours = (ss.Score.from_file(path).text(check=True) if song is None
                    else ss.run_song(path, check=True, **song).score)
            expected = subprocess.run([PROGRAM, path] + program, capture_output=True).stdout
            self.assertEqual(ours, expected.decode(), name)
        # A file whose name is not UTF-8 runs as any other, its messages read the same.
        with tempfile.TemporaryDirectory() as d:
            script, song = (os.path.join(d, os.fsdecode(b"\xff" + n)) for n in (b".ss", b".xml"))
            with open(script, "w") as f:
                f.write("start1 0 1 1 1 1 1 0 1 1\nfoo\nfine\n")
            shutil.copy(os.path.join(TOP, docs, "marks.musicxml"), song)
            self.assertEqual([(x.line, x.level) for x in ss.Score.from_file(script).diagnostics()],
                             [(2, "error")])
            self.assertEqual([(x.level, x.measure) for x in ss.run_song(song).diagnostics],
                             [("warning", "4")])

    def test_calls_errors_and_labels(self):
        text = vowel_score().text(check=True)
        same = ss.Score.from_script("start1 0 1 1 1 1 1 0 1 1\nstartmn\nmetronome 120\nRest 0.5\n"
                                    "VOW 1 vAA 60 7.0 0.5 0.002 0 1000 0.008 1 0 0\nRest 0.5\n")
        self.assertEqual(text, same.text())
        s = vowel_score()
        s.VOW(1, "vAX", 60, "C3", *VOICE)
        s.genAV(-1, 60, 0)
        result = s.run()
        self.assertFalse(result.ok)
        self.assertEqual([(d.line, d.level, d.operation, d.argument, d.parameter)
                          for d in result.diagnostics[:2]],
                         [(7, "error", "VOW", 2, "color"), (8, "error", "genAV", 1, "span")])
        self.assertIn("did you mean", result.diagnostics[0].message)
        with self.assertRaises(ss.ScoreError) as caught:
            s.text(check=True)
        self.assertIn(":7:", str(caught.exception))
        # the interpreter is still here after a fine that ended its process with errors
        said = vowel_score().say("hello world").run(labels=True)
        self.assertTrue(said.ok, said.diagnostics)
        self.assertEqual([i.text for i in said.labels.tier("words")], ["hello", "world"])
        bad = vowel_score().say("/HH QQ/").run()
        self.assertEqual((bad.diagnostics[0].line, bad.diagnostics[0].level), (7, "error"))
        with self.assertRaises(AttributeError):
            ss.Score().VOWW(1)
        s = ss.Score().say("a b", beats=2).sing("twin-kle", "C4/1", "G4/1")
        self.assertEqual(s.lines, ['say "a b" beats=2', 'sing "twin-kle" C4/1 G4/1'])
        # Nothing a caller passes can close the quotes early or start a line of its own.
        for bad in (lambda s: s.say('a "b"'), lambda s: s.say("a\nfine"),
                    lambda s: s.say("/S IY1/\nfine"), lambda s: s.sing("la\rfine", "C4/1"),
                    lambda s: s.call("Rest 1\nfine"), lambda s: s.set("beat\nfine", 1),
                    lambda s: s.say("a", **{"lang=en\nfine": 1})):
            with self.assertRaises(ValueError):
                bad(ss.Score())
        for bad in (lambda s: s.say(None), lambda s: s.say(b"see"), lambda s: s.sing(3, "C4/1")):
            with self.assertRaisesRegex(TypeError, "must be a str"):
                bad(ss.Score())

    def test_the_kept_runner_answers_as_a_fork_of_the_interpreter(self):
        from speechscore import _core, _runner

        good = vowel_score().say("hello world").script()
        bad = good.replace("VOW 1 vAA", "VOW 1 vAX") + "genAV -1 60 0\n"
        with tempfile.TemporaryDirectory() as d:
            grids = [os.path.join(d, f"{k}.TextGrid") for k in range(2)]

            def both(text):
                runs = [_runner.run(_core, "s.txt", text, False, grids[0]),
                        _core.run("s.txt", text, False, grids[1])]
                self.assertEqual(runs[0], runs[1])
                with open(grids[0], "rb") as a, open(grids[1], "rb") as b:
                    self.assertEqual(a.read(), b.read())
                return runs[0]

            self.assertEqual(both(good)["status"], 0)
            self.assertNotEqual(both(bad)["status"], 0)
            kept = _runner._IDLE[-1]
            os.kill(kept.pid, 9)  # replaced at the next run
            self.assertEqual(both(good)["status"], 0)
            self.assertNotIn(kept, _runner._IDLE)
        expected = _core.run("s.txt", good, False, "")
        # Runs on several threads at once, and in a forked copy of the interpreter, each with
        # a runner of its own; the parent's still answers after the copy has ended.
        found = []
        threads = [threading.Thread(target=lambda: found.append(
            _runner.run(_core, "s.txt", good, False, ""))) for _ in range(4)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        self.assertEqual(found, [expected] * 4)
        ends = os.pipe()
        pid = os.fork()
        if pid == 0:
            os.write(ends[1], _runner.run(_core, "s.txt", good, False, "")["score"])
            os._exit(0)
        os.close(ends[1])
        with os.fdopen(ends[0], "rb") as f:
            self.assertEqual(f.read(), expected["score"])
        os.waitpid(pid, 0)
        self.assertEqual(_runner.run(_core, "s.txt", good, False, ""), expected)


class Songs(unittest.TestCase):
    DOCS = os.path.join(TOP, "tests", "songs", "documents")

    def test_labels_fermatas_and_diagnostics(self):
        lyrics = os.path.join(self.DOCS, "lyrics.musicxml")
        labels = ss.Score.from_song(lyrics).said()
        words = labels.tier("words")
        # after a lead-in of 0.5 s, a beat at 120 a minute each
        self.assertEqual([(w.text, w.start, w.end) for w in words[:3]],
                         [("Oh", 0.5, 1.0), ("Twin", 1.0, 1.5), ("kle", 1.5, 2.0)])
        self.assertEqual(labels.tier("phones")[0].text, "UH")
        self.assertEqual(ss.run_song(lyrics, labels=True).labels, labels)
        path = os.path.join(TOP, "tests", "songs", "conformance",
                            "42a-MultiVoice-TwoVoicesOnStaff-Lyrics.xml")
        for fermata, note in ((None, " E5/3 "), (2, " E5/4 ")):  # a half note under a fermata
            self.assertIn(note, "\n".join(ss.Score.from_song(path, fermata=fermata).lines))
        with self.assertRaises(ValueError):
            ss.run_song(path, fermata=0.5)
        warned = ss.run_song(os.path.join(self.DOCS, "marks.musicxml")).diagnostics
        self.assertEqual([(d.line, d.measure, d.level) for d in warned], [(0, "4", "warning")])
        self.assertEqual(str(warned[0]), "measure 4: warning: <foo> is not read: skipped")
        bad = ss.run_song("text.mid", data=b"not a MIDI file at all\n")
        self.assertEqual((bad.ok, bad.status, bad.score), (False, 1, ""))
        self.assertEqual([(d.line, d.level) for d in bad.diagnostics], [(0, "error")])
        with self.assertRaises(ss.ScoreError):
            ss.run_song("text.mid", data=b"MThd", check=True)
        with self.assertRaisesRegex(ss.ScoreError, "no voice 'baritone'"):
            ss.Score.from_song(lyrics, voice="baritone")
        self.assertTrue(vowel_score().run().ok)


class Stimuli(unittest.TestCase):
    def test_steps_on_scales_and_transitions(self):
        self.assertEqual(ss.steps(100, 200, 3), [100, 150, 200])
        # the middle of 500..2000 Hz on each scale, found by bisection on the forward formula
        # alone: Bark, Traunmueller (1990) eq. 6; mel, O'Shaughnessy (1987) p. 150
        for scale, middle in (("log", 1000), ("bark", 1074.77), ("mel", 1100)):
            v = ss.steps(500, 2000, 5, scale)
            self.assertEqual((v[0], v[-1]), (500, 2000))
            self.assertTrue(all(a < b for a, b in zip(v, v[1:])))
            self.assertAlmostEqual(v[2], middle, delta=0.01, msg=scale)
        # a long transition is a chain of short events
        s = ss.Score()
        ss.transition(s, 2, 1000, 1300, 150, 90)
        events = [line.split() for line in s.lines]
        self.assertEqual([e[0] for e in events], ["frqF2"] * 3)
        self.assertEqual([float(e[2]) for e in events], [1100, 1200, 1300])
        self.assertAlmostEqual(sum(float(e[1]) for e in events), 0.15)

    def test_takes_and_syllables_with_labels(self):
        renderer = ss.Renderer()
        syl = ss.syllable(vot=40, closure=50)
        with tempfile.TemporaryDirectory() as d:
            wav = os.path.join(d, "a.wav")
            take = renderer.render(vowel_score(), wav)
            with self.assertRaises(ss.RenderError):
                renderer.render("i 99 0 1\ne\n")
            # csound would end the interpreter on a flag without its value
            with self.assertRaisesRegex(ss.RenderError, "cannot take the option --ksmps"):
                ss.Renderer(["--ksmps"]).render(vowel_score())
            again = renderer.render(vowel_score())
            # Renderers in three threads, one of them its own and two the same (whose kept
            # worker one has at a time): csound compiles one orchestra at a time, and the
            # interpreter's standard output stays its own.
            output, takes = os.fstat(1), []
            threads = [threading.Thread(target=lambda r=r: takes.extend(
                r.render(vowel_score()) for _ in range(3)))
                for r in (ss.Renderer(), renderer, renderer)]
            [t.start() for t in threads]
            [t.join() for t in threads]
            self.assertEqual(os.fstat(1).st_ino, output.st_ino)
            self.assertEqual(len(takes), 9)
            self.assertTrue(all((t.samples == take.samples).all() for t in takes))
            # A clipped take refused leaves the file as it was, and nothing beside it.
            with open(wav, "rb") as f:
                kept = f.read()
            with self.assertRaises(ss.RenderError):
                renderer.render(ss.syllable(av=90).score, wav, allow_clip=False)
            with open(wav, "rb") as f:
                self.assertEqual(f.read(), kept)
            self.assertEqual(os.listdir(d), ["a.wav"])
            self.assertTrue(os.path.isfile(wav))
            said = syl.render(wav=os.path.join(d, "s.wav"))
            self.assertTrue(os.path.isfile(os.path.join(d, "s.TextGrid")))
        self.assertEqual(take.rate, 44100)
        self.assertAlmostEqual(len(take.samples) / take.rate, take.seconds, places=2)
        self.assertGreater(abs(take.samples).max(), 0.01)
        self.assertTrue((take.samples == again.samples).all())
        self.assertAlmostEqual(len(said.samples) / said.rate, syl.times["end"], places=2)
        seg = syl.labels.boundaries("segments")
        self.assertAlmostEqual(seg["aspiration"], 0.055)
        self.assertAlmostEqual(seg["transition"], 0.09)
        grid = ss.text_grid(syl.labels)
        self.assertIn('name = "phones"', grid)
        self.assertIn('text = "da"', grid)
        # Praat saves a TextGrid in the long or the short text format, in UTF-16 when a label is
        # not ASCII: all read back alike; what is no TextGrid raises.
        said = ss.Labels()
        said.add("words", 0.0, 0.4, 'ʃuː "x"')
        said.add("words", 0.4, 1.0, "zoo")
        short = ('File type = "ooTextFile"\nObject class = "TextGrid"\n\n0\n1\n<exists>\n1\n'
                 '"IntervalTier"\n"words"\n0\n1\n2\n0\n0.4\n"ʃuː ""x"""\n0.4\n1\n"zoo"\n')
        forms = {"long": ss.text_grid(said).encode(), "short": short.encode("utf-16"),
                 "binary": b"ooBinaryFile\x08TextGrid", "cut": short[:-6].encode(),
                 "other": short.replace("TextGrid", "Sound").encode(), "noise": b"\xff\x00"}
        with tempfile.TemporaryDirectory() as d:
            for name, data in forms.items():
                with open(os.path.join(d, name), "wb") as f:
                    f.write(data)
                if name in ("long", "short"):
                    self.assertEqual(ss.read_text_grid(os.path.join(d, name)), said, name)
                else:
                    with self.assertRaises(ValueError, msg=name):
                        ss.read_text_grid(os.path.join(d, name))
        with self.assertRaisesRegex(ValueError, "did you mean 'vot'"):
            ss.syllable(vto=3)
        with self.assertRaisesRegex(ValueError, "outlasts"):
            ss.syllable(transition=400)
        self.assertEqual(ss.syllable(closure=0, vot=0).score.diagnostics(), [])

    def test_continuum_table_and_command_lines(self):
        with tempfile.TemporaryDirectory() as d:
            # Each step is rendered with its own GLIDE, in memory and in its file.
            c = ss.continuum({"glide": 0.065}, {"glide": 0.1}, 2, base={"transition": 90})
            slow = ss.Renderer(["--omacro:GLIDE=0.1"]).render(c.syllables[1].score,
                                                              os.path.join(d, "slow.wav"))
            self.assertTrue((c.takes()[1] == slow.samples).all())
            self.assertFalse((ss.Renderer().render(c.syllables[1].score).samples
                              == slow.samples).all())
            c.write(os.path.join(d, "glides"))
            with open(os.path.join(d, "glides", "step_02.wav"), "rb") as f, \
                    open(os.path.join(d, "slow.wav"), "rb") as g:
                self.assertEqual(f.read(), g.read())
            plan = os.path.join(d, "vot.toml")
            with open(plan, "w") as f:
                f.write('steps = 5\nname = "vot"\n[start]\nvot = 0\n[end]\nvot = 60\n')
            for command in ([sys.executable, "-m", "speechscore"], [PROGRAM]):
                shutil.rmtree(os.path.join(d, "vot"), ignore_errors=True)
                run = subprocess.run(command + ["continuum", plan], capture_output=True, text=True)
                self.assertEqual(run.returncode, 0, run.stderr)
                with open(os.path.join(d, "vot", "stimuli.csv")) as f:
                    rows = list(csv.DictReader(f))
                self.assertEqual([r["vot"] for r in rows], ["0.0", "15.0", "30.0", "45.0", "60.0"])
                self.assertEqual(rows[0]["file"], "vot_01.wav")
                self.assertTrue(os.path.isfile(os.path.join(d, "vot", "vot_05.TextGrid")))
            # A plan that cannot be made is reported without a traceback, and no take is kept.
            for body, status, why in (
                    ('steps = 1000000000\n[start]\nvot = 0\n[end]\nvot = 60\n', 2, "2 to 10000"),
                    ('steps = 3\nname = "../x"\n[start]\nvot = 0\n[end]\nvot = 60\n', 2, "'/'"),
                    ('steps = 3\n[start]\noq = 0.5\n[end]\noq = 7\n', 1, "step 2 (bad_02.wav):"),
                    ('steps = 3\n[start]\nav = 60\n[end]\nav = 95\n', 1, "exceed full scale in "
                     + os.path.join(d, "bad", "bad_02.wav")),
                    ('steps = 3\n[start]\nvot = [1]\n[end]\nvot = 6\n', 2, "start.vot is a number"),
                    ('steps = 3\nscale = "log"\n[start]\nvot = 0\n[end]\nvot = 6\n', 2, "above 0"),
                    ('steps = 2\n[base]\nduration = 1e12\n[start]\nvot = 0\n[end]\nvot = 6\n', 2,
                     "at most an hour")):
                with open(os.path.join(d, "bad.toml"), "w") as f:
                    f.write(body)
                run = subprocess.run([sys.executable, "-m", "speechscore", "continuum",
                                      os.path.join(d, "bad.toml")], capture_output=True, text=True)
                self.assertEqual((run.returncode, run.stdout), (status, ""), run.stderr)
                self.assertTrue(run.stderr.startswith("speechscore: error: "), run.stderr)
                self.assertIn(why, run.stderr)
                self.assertFalse(os.path.exists(os.path.join(d, "bad")))
            # The program without Python, or away from the package: exit 2 and why.
            alone = os.path.join(d, "speechscore")
            shutil.copy(PROGRAM, alone)
            bare = {k: v for k, v in os.environ.items() if k != "PYTHONPATH"}
            cases = [(PROGRAM, dict(bare, SPEECHSCORE_PYTHON="/no/python3"),
                      "cannot run /no/python3")]
            if subprocess.run([sys.executable, "-c", "import speechscore"], env=bare, cwd=d,
                              capture_output=True).returncode != 0:  # not installed here
                cases.append((alone, bare, "needs the Python package speechscore"))
            for program, env, why in cases:
                run = subprocess.run([program, "continuum", plan], capture_output=True,
                                     text=True, env=env, cwd=d)
                self.assertEqual(run.returncode, 2, run.stderr)
                self.assertIn(why, run.stderr)


class Batches(unittest.TestCase):
    def test_failures_by_row_and_resume(self):
        rows = [dict(file=f"s{i}.wav", f2_onset=1000 + 100 * i) for i in range(6)]
        rows.insert(2, dict(file="bad.wav", vot=-5))
        rows.append(dict(file="open.wav", score="i 80 0 1\n"))
        rows += [dict(file="./s1.wav", f2_onset=900), dict(file="notes.txt")]  # s1's take kept
        rows += [dict(file="t.wav", textgrid="s2.TextGrid"), dict(file="u.wav", textgrid="t.csv"),
                 dict(file="e.wav", score=""),  # nothing to render
                 dict(file="g.wav", glide=0.1)]  # cut for another GLIDE than the batch's
        with tempfile.TemporaryDirectory() as d:
            with open(os.path.join(d, "t.csv"), "w") as f:
                f.write("file,label,vowel,f2_onset\na.wav,007,NaN,1000\n")
            self.assertEqual(ss.read_table(os.path.join(d, "t.csv")),
                             [dict(file="a.wav", label="007", vowel="NaN", f2_onset=1000.0)])
            # Rows numbered as a spreadsheet shows them (the blank line is row 2), a script file
            # read from the table's folder wherever the batch runs.
            with open(os.path.join(d, "w.ss"), "w") as f:
                f.write("start1 0 1 1 1 1 1 0 1 1\nstartmn\nmetronome 120\n"
                        "VOW 1 vAA 60 C3 0.5 0.002 0 1000 0.008 1 0 0\nfine\n")
            with open(os.path.join(d, "b.csv"), "w") as f:
                f.write("file,script_file\nw.wav,w.ss\n\nb.txt,\n")
            table = ss.render_batch(os.path.join(d, "b.csv"), progress=False)
            self.assertEqual(([r for r, _ in table.failures], table.rendered), ([3], 1))
            first = ss.render_batch(rows, d, workers=2, progress=False)
            self.assertEqual((first.rendered, first.skipped, [r for r, _ in first.failures]),
                             (6, 0, [3, 8, 9, 10, 11, 12, 13, 14]))
            self.assertEqual(first.failures[4][1], "s2.TextGrid is row 4's file too")
            self.assertIn("options=['--omacro:GLIDE=0.1']", first.failures[7][1])
            self.assertTrue(first.failures[1][1].startswith("RenderError: open.wav has no final"),
                            first.failures[1][1])
            self.assertTrue(os.path.isfile(os.path.join(d, "s5.TextGrid")))
            # Done again: a take or a TextGrid that is gone, a row or its labels changed.
            os.remove(os.path.join(d, "s4.wav"))
            os.remove(os.path.join(d, "s5.TextGrid"))
            rows[1]["f2_onset"] = 1234
            rows[4]["label"] = "ga"
            second = ss.render_batch(rows, d, workers=2, progress=False)
            self.assertEqual((second.rendered, second.skipped, [r for r, _ in second.failures]),
                             (4, 2, [3, 8, 9, 10, 11, 12, 13, 14]))
            with open(os.path.join(d, "s3.TextGrid"), encoding="utf-8") as f:
                self.assertIn('"ga"', f.read())
            # SIGTERM stops a batch from the command line as Ctrl-C does: no scratch file left.
            table = os.path.join(d, "many.csv")
            with open(table, "w") as f:
                f.write("file,f2_onset\n" + "".join(f"m{i}.wav,{1000 + i}\n" for i in range(60)))
            run = subprocess.Popen([sys.executable, "-m", "speechscore", "batch", table, "--quiet"],
                                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
            for _ in range(300):  # the first take done
                if os.path.isfile(os.path.join(d, "m0.wav")) or run.poll() is not None:
                    break
                time.sleep(0.05)
            run.terminate()
            self.assertEqual((run.wait(), run.stderr.read()), (143, "speechscore: stopped\n"))
            self.assertEqual([f for f in os.listdir(d) if f.startswith(".")], [])
            # on a Dask cluster
            os.remove(os.path.join(d, "s0.wav"))
            rows[3]["f2_onset"] = 1555
            with LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                              dashboard_address=None) as cluster, Client(cluster) as client:
                third = ss.render_batch(rows, d, client=client, progress=False)
            self.assertEqual((third.rendered, third.skipped, [r for r, _ in third.failures]),
                             (2, 4, [3, 8, 9, 10, 11, 12, 13, 14]))


if __name__ == "__main__":
    unittest.main()
