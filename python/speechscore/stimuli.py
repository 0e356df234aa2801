"""Consonant-vowel stimuli from the library's generators, with explicit formant transitions, and
continua between two of them.

Every time is in milliseconds, every frequency in Hz, every level in dB. A syllable is written
track by track (``frqF1``..``frqF3``, ``frqF4_8``, ``frqPara``, ``genAV``, ``genAS``, ``genAF``,
``genF0``, ``genOQ``, ``genTL``, ``genFL``, ``genDV``); a formant transition from an onset to a
target over T ms is an onset event and a chain of ceil(T / GLIDE) events of equal span, each
ending on the straight line from onset to target. The orchestra glides a filter value to a new
event's value over min(span, GLIDE), so every link is crossed in exactly its own span and the
take follows the straight line whatever T is (see docs/stimuli.md).
"""

from __future__ import annotations

import csv
import difflib
import io
import math
import numbers
import os
from dataclasses import dataclass, field
from typing import Any, Dict, List, Mapping, Optional, Sequence, Tuple, Union

from ._score import Score, ScoreError
from .labels import Labels, replace_file, write_text_grid

#: The orchestra's formant glide, seconds (orchestra/speechscore.orc, macro GLIDE).
GLIDE = 0.065
#: The orchestra's pitch glide, seconds (macro PGLIDE).
PGLIDE = 0.05
#: How far a voice bar (voicing behind a closure) is under the voicing, dB: the level the
#: words layer gives the voice bar of a voiced stop after a voiced sound (words/plan.cpp).
VOICE_BAR = 15.0

# The parameters of a syllable and their defaults.
#   Vowel targets: /a/ of men, Peterson & Barney (1952), Table II: F1 730, F2 1090, F3 2440 Hz.
#   Voice: the library's default voice (README, first script): AV 60 dB, OQ 0.5, FL 0.002,
#   TL 1000, DV 0.008 s.
#   Orchestra defaults (docs/orchestra.md, instruments 10 and 14): F4..F8, B4..B8, BP2..BP6.
#   The rest are settings of this package, not measurements: a 60 ms closure, a 5 ms burst,
#   a 250 ms vowel, onsets at an alveolar-like place, a flat burst spectrum.
DEFAULTS: Dict[str, Any] = {
    "label": "da", "consonant": "d", "vowel": "a",
    "closure": 60.0,            # silence before the release, ms
    "burst": 5.0,               # frication burst at the release, ms
    "burst_level": 55.0,        # AF of the burst, dB
    "burst_a2": 0.0, "burst_a3": 45.0, "burst_a4": 45.0, "burst_a5": 45.0, "burst_a6": 45.0,
    "burst_ab": 0.0,            # parallel levels of the burst, dB (0 = off)
    "vot": 10.0,                # release to voicing onset, ms
    "aspiration": 50.0,         # AS between the burst and the voicing onset, dB
    "transition_from": "voicing",  # where transitions start: "voicing" or "release"
    "f1_onset": 250.0, "f2_onset": 1700.0, "f3_onset": 2600.0,
    "f1_target": 730.0, "f2_target": 1090.0, "f3_target": 2440.0,
    "transition": 40.0,         # every formant's transition, ms, unless fN_transition is given
    "f1_transition": None, "f2_transition": None, "f3_transition": None,
    "b1": 60.0, "b2": 90.0, "b3": 150.0,
    "duration": 250.0,          # voicing onset to voicing offset, ms
    "tail": 50.0,               # silence after the vowel, ms
    "av": 60.0, "f0": 120.0, "f0_end": None,  # F0 in Hz at voicing onset and offset
    "oq": 0.5, "tl": 1000.0, "fl": 0.002,
    "dv": 0.008,                # voicing time constant, s
    "glide": GLIDE,             # the GLIDE the take is rendered with, s
}

#: The syllable's parameters that are words, not numbers.
WORDS = tuple(k for k, v in DEFAULTS.items() if isinstance(v, str))

_F4_8 = (3500, 4500, 5500, 6500, 7500, 350, 450, 550, 650, 750, 1)
_BP = (101, 150, 350, 450, 550)


def _check_names(names: Sequence[str]) -> None:
    for name in names:
        if name not in DEFAULTS:
            close = difflib.get_close_matches(name, DEFAULTS.keys(), 2)
            hint = f" (did you mean {' or '.join(repr(c) for c in close)}?)" if close else ""
            raise ValueError(f"unknown syllable parameter {name!r}{hint}")


def _ms(value: float) -> float:
    return value / 1000.0


def transition(score: Score, formant: int, onset: float, target: float, ms: float,
               bandwidth: float, glide: float = GLIDE) -> float:
    """Writes a formant transition from ``onset`` to ``target`` Hz over ``ms`` milliseconds as a
    chain of ``frqF{formant}`` events, each at most ``glide`` seconds long and ending on the
    straight line, so the rendered formant follows that line exactly.

    The formant must already stand at ``onset`` (an earlier event). Returns the seconds written.
    """
    if formant not in (1, 2, 3):
        raise ValueError("formant is 1, 2 or 3")
    if not (ms > 0 and math.isfinite(ms)):
        raise ValueError(f"a transition lasts more than 0 ms, not {ms}")
    seconds = _ms(ms)
    links = max(1, math.ceil(seconds / glide - 1e-9))
    op = f"frqF{formant}"
    for k in range(1, links + 1):
        score.call(op, seconds / links, onset + (target - onset) * k / links, bandwidth)
    return seconds


_SHARED: Dict[float, Any] = {}


def glide_of(options: Sequence[str]) -> float:
    """The ``GLIDE`` a renderer with these csound options renders with, seconds."""
    for option in options:
        if option.startswith("--omacro:GLIDE="):  # csound takes a macro's first value
            try:
                return float(option.split("=", 1)[1])
            except ValueError:
                break  # csound refuses the orchestra then
    return GLIDE


def _shared_renderer(glide: float = GLIDE) -> Any:
    """The renderer of takes with this ``GLIDE``, made at its first use."""
    from ._render import Renderer

    if glide not in _SHARED:
        _SHARED[glide] = Renderer([] if glide == GLIDE else [f"--omacro:GLIDE={glide!r}"])
    return _SHARED[glide]


@dataclass
class Syllable:
    """A consonant-vowel stimulus: its parameters, its score and its labels."""

    params: Dict[str, Any]
    score: Score
    labels: Labels
    times: Dict[str, float] = field(default_factory=dict)  # landmarks, seconds

    def render(self, renderer: Any = None, wav: Optional[str] = None) -> Any:
        """Renders the syllable in-process (with ``renderer``, or the shared one) and returns
        the :class:`~speechscore.Take`; ``wav`` also keeps it there, with its TextGrid beside
        it (same name, ``.TextGrid``). The shared renderer renders with the syllable's
        ``glide``."""
        take = (renderer or _shared_renderer(float(self.params["glide"]))).render(self.score, wav)
        if wav is not None:
            write_text_grid(self.labels, os.path.splitext(wav)[0] + ".TextGrid")
        return take


def syllable(**params: Any) -> Syllable:
    """Builds a consonant-vowel syllable from the library's generators.

    Parameters
    ----------
    **params
        Any of :data:`DEFAULTS`: durations in ms (``closure``, ``burst``, ``vot``,
        ``transition``, ``f1_transition``..``f3_transition``, ``duration``, ``tail``), formant
        onsets and targets in Hz (``f1_onset``..``f3_target``), bandwidths ``b1``..``b3``,
        levels in dB (``burst_level``, ``aspiration``, ``av``, ``burst_a2``..``burst_ab``),
        F0 in Hz (``f0``, ``f0_end``), voice quality (``oq``, ``tl``, ``fl``, ``dv``), labels
        (``label``, ``consonant``, ``vowel``), ``transition_from`` ("voicing" or "release") and
        ``glide`` (the renderer's GLIDE, seconds).

    Returns
    -------
    Syllable
        Its ``score`` renders the take; its ``labels`` hold the word, the phones and the
        segments (closure, burst, aspiration, transition, steady).
    """
    _check_names(list(params))
    p = dict(DEFAULTS)
    p.update({k: v for k, v in params.items() if v is not None or k.endswith("_transition")
              or k == "f0_end"})
    for name in ("closure", "burst", "vot", "transition", "duration", "tail"):
        value = float(p[name])
        if not (value >= 0 and math.isfinite(value)):
            raise ValueError(f"{name} is a duration in ms, 0 or more, not {p[name]}")
    if p["duration"] <= 0:
        raise ValueError("duration (the vowel) must be more than 0 ms")
    total = sum(float(p[name]) for name in ("closure", "burst", "vot", "duration", "tail"))
    if total > 3_600_000:
        raise ValueError(f"the syllable would last {total / 1000:.0f} s; it lasts at most an hour")
    if not (0.001 <= float(p["glide"]) <= 10):  # a link of the transition's chain per glide
        raise ValueError(f"glide is the renderer's formant glide, 0.001 to 10 s, not {p['glide']}")
    for name in ("f1_onset", "f2_onset", "f3_onset", "f1_target", "f2_target", "f3_target",
                 "b1", "b2", "b3", "f0") + (("f0_end",) if p["f0_end"] is not None else ()):
        value = float(p[name])
        if not (value > 0 and math.isfinite(value)):
            raise ValueError(f"{name} is a frequency in Hz above 0, not {p[name]}")
    if p["transition_from"] not in ("voicing", "release"):
        raise ValueError("transition_from is 'voicing' or 'release'")
    closure, burst, vot = _ms(p["closure"]), _ms(p["burst"]), _ms(p["vot"])
    vowel, tail = _ms(p["duration"]), _ms(p["tail"])
    if closure <= 0:
        closure = 0.001  # the tracks set their onsets in a first event of at least 1 ms
    release = closure
    voicing = release + vot
    offset = voicing + vowel
    end = offset + tail
    start = voicing if p["transition_from"] == "voicing" else release
    glide = float(p["glide"])

    s = Score(name=str(p["label"]))
    s.start1(0, 1, 1, 1, 1, 1, 0, 1, 1)
    s.startmn()
    transitions = {}
    for n in (1, 2, 3):
        ms = p[f"f{n}_transition"]
        ms = float(p["transition"] if ms is None else ms)
        if not (ms > 0 and math.isfinite(ms)):
            raise ValueError(f"f{n} transition must be more than 0 ms, not {ms}")
        if start + _ms(ms) > offset:
            raise ValueError(f"the F{n} transition ({ms} ms) outlasts the vowel")
        onset, target, bw = float(p[f"f{n}_onset"]), float(p[f"f{n}_target"]), float(p[f"b{n}"])
        s.call(f"frqF{n}", start, onset, bw)
        done = transition(s, n, onset, target, ms, bw, glide)
        s.call(f"frqF{n}", end - start - done, target, bw)
        transitions[n] = _ms(ms)
    s.frqF4_8(end, *_F4_8)
    burst_levels = [p["burst_a2"], _BP[0], p["burst_a3"], _BP[1], p["burst_a4"], _BP[2],
                    p["burst_a5"], _BP[3], p["burst_a6"], _BP[4], p["burst_ab"]]
    s.frqPara(end, *burst_levels)
    # Sources: frication burst, aspiration up to the voicing onset, voicing. A voice that
    # starts from silence starts its first glottal period at its level at once (instrument
    # 80); the period closes (exciting the formants) OQ of a period after it starts, so the
    # voicing is switched on OQ periods before the voicing onset. Where most of that open
    # phase is before the release (a VOT under half of it), the first period sounds behind the
    # closure: it is a voice bar, VOICE_BAR dB under the voicing.
    f0, f0_end = float(p["f0"]), float(p["f0"] if p["f0_end"] is None else p["f0_end"])
    open_phase = float(p["oq"]) / f0
    av_on = max(voicing - open_phase, 0.001)
    burst_end = min(release + burst, end)
    s.genAF(release, 0, 0)
    if burst > 0:
        s.genAF(burst_end - release, p["burst_level"], 0)
    s.genAF(end - burst_end, 0, 0)
    if av_on > burst_end:
        s.genAS(burst_end, 0, 0)
        s.genAS(av_on - burst_end, p["aspiration"], 0)
        s.genAS(end - av_on, 0, 0)
    else:
        s.genAS(end, 0, 0)
    s.genAV(av_on, 0, 0)
    if av_on < voicing and voicing - release < open_phase / 2:
        s.genAV(voicing - av_on, p["av"] - VOICE_BAR, 0)
        s.genAV(offset - voicing, p["av"], 0)
    else:
        s.genAV(offset - av_on, p["av"], 0)
    s.genAV(tail if tail > 0 else 0.001, 0, 0)
    s.genF0(av_on, f"{f0!r}Hz")
    voiced = offset - av_on
    links = max(1, math.ceil(voiced / PGLIDE - 1e-9))
    for k in range(1, links + 1):
        s.genF0(voiced / links, f"{f0 * (f0_end / f0) ** (k / links)!r}Hz")
    s.genF0(tail if tail > 0 else 0.001, f"{f0_end!r}Hz")
    s.genOQ(end, p["oq"])
    s.genTL(end, p["tl"])
    s.genFL(end, p["fl"])
    s.genDV(end, p["dv"])

    labels = Labels(end=end)
    labels.add("words", release, offset, str(p["label"]))
    if voicing > release:
        labels.add("phones", release, voicing, str(p["consonant"]))
    labels.add("phones", voicing, offset, str(p["vowel"]))
    labels.add("segments", 0.0, release, "closure")
    if burst > 0:
        labels.add("segments", release, burst_end, "burst")
    if voicing > burst_end:
        labels.add("segments", burst_end, voicing, "aspiration")
    longest = max(transitions.values())
    if start < voicing:
        labels.add("segments", voicing, start + longest, "transition")
    else:
        labels.add("segments", start, start + longest, "transition")
    labels.add("segments", start + longest, offset, "steady")
    s.labels = labels
    times = {"release": release, "voicing": voicing, "offset": offset, "end": end,
             "transition_start": start}
    for n, t in transitions.items():
        times[f"f{n}_transition_end"] = start + t
    return Syllable(p, s, labels, times)


# ---- Continua --------------------------------------------------------------------------------

# Auditory scales, forward and back.
#   Bark: Traunmüller (1990), J. Acoust. Soc. Am. 88, eq. 6: z = 26.81 f / (1960 + f) - 0.53.
#   Mel: O'Shaughnessy (1987), Speech Communication, p. 150: m = 2595 log10(1 + f / 700).
_SCALES = {
    "linear": (lambda x: x, lambda y: y),
    "log": (math.log, math.exp),
    "bark": (lambda f: 26.81 * f / (1960.0 + f) - 0.53,
             lambda z: 1960.0 * (z + 0.53) / (26.28 - z)),
    "mel": (lambda f: 2595.0 * math.log10(1.0 + f / 700.0),
            lambda m: 700.0 * (10.0 ** (m / 2595.0) - 1.0)),
}


MAX_STEPS = 10000  # far beyond any listening test's continuum; a slip of the keyboard above


def steps(start: float, end: float, n: int, scale: str = "linear") -> List[float]:
    """``n`` values from ``start`` to ``end`` (both included), equally spaced on ``scale``:
    ``"linear"``, ``"log"``, ``"bark"`` or ``"mel"``."""
    if scale not in _SCALES:
        raise ValueError(f"unknown scale {scale!r}: linear, log, bark or mel")
    if isinstance(n, bool) or not isinstance(n, int) or not 2 <= n <= MAX_STEPS:
        raise ValueError(f"a continuum has 2 to {MAX_STEPS} steps, not {n!r}")
    for value in (start, end):
        if isinstance(value, bool) or not isinstance(value, numbers.Real) or not math.isfinite(
                value):
            raise ValueError(f"an end of a continuum is a finite number, not {value!r}")
        if scale != "linear" and value <= 0:
            raise ValueError(f"a {scale} scale steps between values above 0, not {value!r}")
    forward, back = _SCALES[scale]
    a, b = forward(float(start)), forward(float(end))
    values = [back(a + (b - a) * k / (n - 1)) for k in range(n)]
    values[0], values[-1] = float(start), float(end)
    return values


@dataclass
class Continuum:
    """An N-step continuum: one syllable per step and the stimulus table.

    Attributes
    ----------
    name : str
        Stem of the file names (``NAME_01.wav`` ...).
    varied : list of str
        The parameters that change from step to step.
    rows : list of dict
        One per step: ``file``, ``step`` and every varied value.
    syllables : list of Syllable
    """

    name: str
    varied: List[str]
    rows: List[Dict[str, Any]]
    syllables: List[Syllable]

    def takes(self, renderer: Any = None) -> List[Any]:
        """Renders every step in-process and returns the numpy arrays, in step order (numpy is
        needed: ModuleNotFoundError without it)."""
        from ._arrays import numpy

        numpy()
        return [syl.render(renderer).samples for syl in self.syllables]

    def write(self, directory: str, renderer: Any = None, table: str = "stimuli.csv") -> str:
        """Renders every step to ``directory/FILE`` with its TextGrid beside it, and writes the
        stimulus table (file, textgrid, step, every varied value). Returns the table's path.
        Without ``renderer`` each step is rendered with its own ``glide``."""
        from ._render import RenderError
        # Every step's score first: a step the library refuses stops the continuum before any
        # take is written (ScoreError).
        texts = []
        for row, syl in zip(self.rows, self.syllables):
            result = syl.score.run(check=False)
            if not result.ok:
                raise ScoreError(result.diagnostics, f"step {row['step']} ({row['file']})")
            texts.append(result.score)
        # Then every take and TextGrid in a scratch folder inside the directory, moved into
        # place once all are there: a step that fails to render (or clips) leaves the directory
        # as it was, not old and new steps mixed.
        import shutil
        import tempfile

        created = not os.path.isdir(directory)
        os.makedirs(directory, exist_ok=True)
        scratch = tempfile.mkdtemp(prefix=f".{self.name}.", dir=directory)
        try:
            for row, syl, text in zip(self.rows, self.syllables, texts):
                (renderer or _shared_renderer(float(syl.params["glide"]))).render(
                    text, os.path.join(scratch, row["file"]), samples=False, allow_clip=False,
                    name=row["file"])
                write_text_grid(syl.labels, os.path.join(scratch, row["textgrid"]))
            for row in self.rows:
                for f in (row["file"], row["textgrid"]):
                    os.replace(os.path.join(scratch, f), os.path.join(directory, f))
        except BaseException as e:
            shutil.rmtree(scratch, ignore_errors=True)
            if created:
                shutil.rmtree(directory, ignore_errors=True)
            if isinstance(e, RenderError):  # the take named where it would have gone
                raise RenderError([m.replace(scratch, directory) for m in e.messages]) from None
            raise
        os.rmdir(scratch)
        path = os.path.join(directory, table)
        write_table(self.rows, path)
        return path


def write_table(rows: Sequence[Mapping[str, Any]], path: str) -> None:
    """Writes a stimulus table as CSV, beside ``path`` first and then renamed into place."""
    columns: List[str] = []
    for row in rows:
        columns += [c for c in row if c not in columns]
    text = io.StringIO()
    w = csv.DictWriter(text, columns)
    w.writeheader()
    w.writerows(rows)
    replace_file(path, text.getvalue())


def continuum(start: Mapping[str, Any], end: Mapping[str, Any], n: int,
              base: Optional[Mapping[str, Any]] = None,
              scale: Union[str, Mapping[str, str]] = "linear", name: str = "step",
              labels: Optional[Sequence[str]] = None) -> Continuum:
    """Makes an ``n``-step continuum between two endpoint specifications.

    Parameters
    ----------
    start, end : mapping
        Syllable parameters (see :func:`syllable`) at the first and the last step; every
        parameter given in both with different values is varied, any other is held.
    n : int
        Number of steps, both ends included.
    base : mapping, optional
        Parameters shared by every step.
    scale : str or mapping
        ``"linear"``, ``"log"``, ``"bark"`` or ``"mel"`` for every varied parameter, or per
        parameter (missing ones are linear). Bark and mel suit frequencies.
    name : str
        Stem of the file names: ``NAME_01.wav``, ``NAME_01.TextGrid``.
    labels : sequence of str, optional
        The word label of each step; by default the ``label`` of the endpoints is kept.

    Returns
    -------
    Continuum
    """
    _check_names(list(start) + list(end) + list(base or {}))
    if set(start) != set(end):
        raise ValueError("both endpoints give the same parameters: "
                         f"{sorted(set(start) ^ set(end))} given in one only")
    if labels is not None and len(labels) != n:
        raise ValueError(f"{len(labels)} labels for {n} steps")
    varied = [k for k in start if start[k] != end[k]]
    for k in varied:
        if isinstance(start[k], str) or isinstance(end[k], str):
            raise ValueError(f"{k} is not a number and cannot be stepped")
    scales = {k: (scale if isinstance(scale, str) else scale.get(k, "linear")) for k in varied}
    values = {k: steps(start[k], end[k], n, scales[k]) for k in varied}
    digits = max(2, len(str(n)))
    rows, syllables = [], []
    for i in range(n):
        params = dict(base or {})
        params.update({k: v for k, v in start.items() if k not in varied})
        params.update({k: values[k][i] for k in varied})
        if labels is not None:
            params["label"] = labels[i]
        stem = f"{name}_{i + 1:0{digits}d}"
        row: Dict[str, Any] = {"file": stem + ".wav", "textgrid": stem + ".TextGrid",
                               "step": i + 1}
        row.update({k: round(values[k][i], 6) for k in varied})
        rows.append(row)
        syllables.append(syllable(**params))
    return Continuum(name, varied, rows, syllables)


def read_plan(path: str) -> Tuple[Continuum, str]:
    """Reads a continuum from a TOML file: ``steps``, ``name``, ``scale`` (a string or a
    table), ``out`` (the directory, relative to the file) and the tables ``base``, ``start``
    and ``end``. Returns the continuum and its directory."""
    import tomllib

    with open(path, "rb") as f:
        plan = tomllib.load(f)
    known = {"steps", "name", "scale", "out", "base", "start", "end", "labels"}
    unknown = sorted(set(plan) - known)
    if unknown:
        raise ValueError(f"{path}: unknown key {unknown[0]!r}; keys: {', '.join(sorted(known))}")
    for key in ("steps", "start", "end"):
        if key not in plan:
            raise ValueError(f"{path}: {key!r} is missing")
    for key, kind, words in (("start", dict, "a table"), ("end", dict, "a table"),
                             ("base", dict, "a table"), ("out", str, "a directory name"),
                             ("labels", list, "a list of words")):
        if key in plan and not isinstance(plan[key], kind):
            raise ValueError(f"{path}: {key} is {words}, not {plan[key]!r}")
    if not isinstance(plan["steps"], int) or isinstance(plan["steps"], bool):
        raise ValueError(f"{path}: steps is a whole number of steps, not {plan['steps']!r}")
    # Every parameter a number, but the syllable's words; a scale a word or a table of words.
    for table in ("base", "start", "end"):
        for key, value in plan.get(table, {}).items():
            number = isinstance(value, (int, float)) and not isinstance(value, bool)
            if not (isinstance(value, str) if key in WORDS else number):
                kind = "a word" if key in WORDS else "a number"
                raise ValueError(f"{path}: {table}.{key} is {kind}, not {value!r}")
    scale = plan.get("scale", "linear")
    if not (isinstance(scale, str) or (isinstance(scale, dict)
                                       and all(isinstance(v, str) for v in scale.values()))):
        raise ValueError(f"{path}: scale is linear, log, bark or mel, or a table of them, not "
                         f"{scale!r}")
    name = plan.get("name", os.path.splitext(os.path.basename(path))[0])
    if not isinstance(name, str) or not name or "/" in name or name in (".", ".."):
        raise ValueError(f"{path}: name is the stem of the file names, without '/': {name!r}")
    out = os.path.join(os.path.dirname(os.path.abspath(path)), plan.get("out", name))
    c = continuum(plan["start"], plan["end"], plan["steps"], plan.get("base"),
                  plan.get("scale", "linear"), name, plan.get("labels"))
    return c, out
