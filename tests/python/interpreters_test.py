"""The package with other interpreters than the one it was built for: without numpy (renders to
WAV files, TextGrids, continua and batches write the same bytes; the calls that return arrays
say what to install), and another build of the same CPython version (pyenv) through PYTHONPATH."""

import filecmp
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

import numpy as np
import speechscore as ss
from speechscore._arrays import DEBIAN_PACKAGES, MISSING

# Renders a continuum, one take and a batch with the interpreter that runs it; with "hide",
# numpy cannot be imported. Prints what came back as JSON.
OTHER_SCRIPT = r"""
import json, os, sys
if sys.argv[2] == "hide":
    sys.modules["numpy"] = None
import speechscore as ss
out = sys.argv[1]
c = ss.continuum({"f2_onset": 900}, {"f2_onset": 1900}, 3, name="place")
c.write(os.path.join(out, "continuum"))
take = ss.Renderer().render(c.syllables[0].score, os.path.join(out, "one.wav"))
batch = ss.render_batch(c.rows[1:], os.path.join(out, "batch"), workers=1, progress=False)
arrays = []
for call in (lambda: ss.render(c.syllables[0].score), c.takes, lambda: ss.read_wav(take.wav)[0]):
    try:
        arrays.append(len(call()))
    except ModuleNotFoundError as e:
        arrays.append(str(e))
print(json.dumps({"samples": take.samples is not None, "arrays": arrays,
                  "batch": [batch.rendered, batch.failures]}))
"""


def other_interpreter():
    """Another CPython of this version: python3 on PATH or pyenv's, when it is not this one
    (None when there is none)."""
    pyenv = os.path.join(os.environ.get("PYENV_ROOT", os.path.expanduser("~/.pyenv")), "shims",
                         "python3")
    other = "import os, sys; print(os.path.realpath(sys.executable) != %r and " \
            "sys.version_info[:2] == %r)" % (os.path.realpath(sys.executable), sys.version_info[:2])
    for candidate in (shutil.which("python3"), pyenv):
        if candidate and os.path.exists(candidate) and subprocess.run(
                [candidate, "-c", other], capture_output=True, text=True).stdout == "True\n":
            return candidate
    return None


class WithoutNumpy(unittest.TestCase):
    def run_script(self, interpreter, hide):
        d = self.enterContext(tempfile.TemporaryDirectory())
        run = subprocess.run([interpreter, "-c", OTHER_SCRIPT, d, hide], capture_output=True,
                             text=True)
        self.assertEqual(run.returncode, 0, run.stderr)
        got = json.loads(run.stdout)
        ours = ss.continuum({"f2_onset": 900}, {"f2_onset": 1900}, 3, name="place")
        ours.write(os.path.join(d, "ours"))
        for mine, theirs in [("place_01.wav", "one.wav"), ("place_02.wav", "batch/place_02.wav"),
                             ("place_03.TextGrid", "batch/place_03.TextGrid")] + \
                [(n, "continuum/" + n) for n in os.listdir(os.path.join(d, "ours"))]:
            self.assertTrue(filecmp.cmp(os.path.join(d, "ours", mine), os.path.join(d, theirs),
                                        shallow=False), theirs)
        self.assertEqual(got["batch"], [2, []])
        if not got["samples"]:
            self.assertEqual(got["arrays"], [MISSING] * 3)
        return got

    def test_renders_continua_and_batches_without_numpy(self):
        self.assertFalse(self.run_script(sys.executable, "hide")["samples"])

    def test_another_build_of_this_python(self):
        other = other_interpreter()
        if other is None:
            self.skipTest("no other CPython %d.%d here" % sys.version_info[:2])
        self.assertFalse(self.run_script(other, "hide")["samples"])
        # Its own numpy, else Debian's (built for this ABI, as this interpreter's is).
        got = self.run_script(other, "show")
        if os.path.dirname(os.path.dirname(np.__file__)) == DEBIAN_PACKAGES:
            self.assertTrue(got["samples"])
        if got["samples"]:
            self.assertEqual(got["arrays"][1], 3)
            self.assertEqual(got["arrays"][0], got["arrays"][2])


if __name__ == "__main__":
    unittest.main()
