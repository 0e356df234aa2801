"""Scores from library calls, call scripts, text and song files, run by the script runner in a
forked child (of the package's runner program, see _runner)."""

from __future__ import annotations

import math
import os
import re
from dataclasses import dataclass
from typing import Any, Callable, Dict, Iterable, List, Optional, Sequence, Tuple, Union

from . import _runner

Value = Union[int, float, str]

_MESSAGE = re.compile(r"^(?P<name>.*?):(?P<line>\d+):(?P<column>\d+): (?P<level>error|warning|note): "
                      r"(?P<text>.*)$")
_CORE: Any = None
# A line whose first word is fine.
_FINE = re.compile(r"[ \t]*fine(?:[ \t]|\Z)")


def _core() -> Any:
    """The compiled core, loaded on first use."""
    global _CORE
    if _CORE is None:
        from . import _core as core

        _CORE = core
    return _CORE


_OPERATIONS: Optional[Dict[str, List[Tuple[str, str, str]]]] = None


def operations() -> Dict[str, List[Tuple[str, str, str]]]:
    """Every operation of the library by name, with its parameters as (name, kind, unit).

    Returns
    -------
    dict
        ``{"VOW": [("segno", "integer", ""), ("color", "colour", ""), ...], ...}``
    """
    global _OPERATIONS
    if _OPERATIONS is None:
        _OPERATIONS = {name: list(params) for name, params in _core().operations()}
    return _OPERATIONS


@dataclass(frozen=True)
class Diagnostic:
    """One message of a run: where, what, and which argument.

    Attributes
    ----------
    line : int
        Script line, from 1 (for a :class:`Score`, the index of the call plus one).
    column : int
        Column of the word the message points at, from 1.
    level : str
        ``"error"``, ``"warning"`` or ``"note"``.
    message : str
        The runner's message, as the ``speechscore`` program prints it.
    operation : str or None
        The operation called on that line, if any.
    argument : int or None
        The argument the column points at, from 1; None for the operation's name or the line.
    parameter : str or None
        That argument's parameter name.
    measure : str or None
        For a message about a song file (line 0), the measure it concerns as the file numbers
        it; None for the whole file or a script line.
    """

    line: int
    column: int
    level: str
    message: str
    operation: Optional[str] = None
    argument: Optional[int] = None
    parameter: Optional[str] = None
    measure: Optional[str] = None

    def __str__(self) -> str:
        if self.line == 0:
            where = f"measure {self.measure}: " if self.measure is not None else ""
            return f"{where}{self.level}: {self.message}"
        return f"{self.line}:{self.column}: {self.level}: {self.message}"


class ScoreError(Exception):
    """Raised by ``check=True`` when a run has errors; ``diagnostics`` lists them."""

    def __init__(self, diagnostics: Sequence[Diagnostic], name: str = "<score>") -> None:
        self.diagnostics = list(diagnostics)
        lines = [f"{name}:{d}" if d.line else f"{name}: {d}" for d in self.diagnostics
                 if d.level == "error"]
        super().__init__("\n".join(lines) if lines else "the score could not be made")


@dataclass
class RunResult:
    """What a run of a script gave.

    Attributes
    ----------
    score : str
        The score text (empty for a check-only run).
    diagnostics : list of Diagnostic
        Errors, warnings and notes, in order.
    status : int
        The runner's exit status: 0 clean, 1 errors, 2 the score could not be made.
    end : float
        Latest time line of any track, seconds.
    messages : str
        Everything the run wrote to standard error.
    labels : Labels or None
        The words and phones of the script's ``say`` and ``sing`` lines, when asked for.
    """

    score: str
    diagnostics: List[Diagnostic]
    status: int
    end: float
    messages: str = ""
    labels: Any = None

    @property
    def ok(self) -> bool:
        """True when the run had no error."""
        return self.status == 0 and not any(d.level == "error" for d in self.diagnostics)


def _words(line: str) -> List[Tuple[int, str]]:
    """The blank-separated words of a script line with their 1-based columns, up to a comment."""
    found = []
    for match in re.finditer(r"[^ \t]+", line):
        if match.group().startswith("#"):
            break
        found.append((match.start() + 1, match.group()))
    return found


def _diagnostics(messages: str, lines: Sequence[str]) -> List[Diagnostic]:
    """Reads the runner's messages into diagnostics, naming the operation and the argument."""
    found = []
    table = None
    for text in messages.splitlines():
        match = _MESSAGE.match(text)
        if match is None:
            if text.strip() and not text.startswith(" ") and "error" in text.lower():
                found.append(Diagnostic(0, 0, "error", text))
            continue
        number, column = int(match["line"]), int(match["column"])
        operation = argument = parameter = None
        if 1 <= number <= len(lines):
            words = _words(lines[number - 1])
            if words and "=" not in lines[number - 1].split("#")[0]:
                if table is None:
                    table = operations()
                if words[0][1] in table:
                    operation = words[0][1]
                    for index, (start, word) in enumerate(words):
                        if index > 0 and start <= column < start + len(word):
                            argument = index
                            params = table[operation]
                            if index <= len(params):
                                parameter = params[index - 1][0]
        found.append(Diagnostic(number, column, match["level"], match["text"], operation,
                                argument, parameter))
    return found


def run_script(text: str, name: str = "<script>", check: bool = False,
               labels: bool = False) -> RunResult:
    """Runs a call script with the library in a forked child and returns its score.

    The interpreter never ends: ``fine`` runs in the child.

    Parameters
    ----------
    text : str
        The script, one call, assignment or ``say`` line per line (see docs/script.md).
    name : str
        Name of the script in messages.
    check : bool
        Raise :class:`ScoreError` when the run has errors.
    labels : bool
        Also return the words and phones of the ``say`` lines and the syllables and phones of
        the ``sing`` lines (``RunResult.labels``).

    Returns
    -------
    RunResult
    """
    import tempfile

    found = None
    if not labels:  # no scratch directory to make and remove, which costs as much as the run
        raw = _runner.run(_core(), name, text, False, "")
    else:
        from .labels import Labels, read_text_grid

        with tempfile.TemporaryDirectory(prefix="speechscore-") as scratch:
            grid = os.path.join(scratch, "labels.TextGrid")
            raw = _runner.run(_core(), name, text, False, grid)
            written = os.path.isfile(grid) and os.path.getsize(grid) > 0
            found = read_text_grid(grid) if written else Labels()
    lines = text.split("\n")
    messages = raw["messages"].decode("utf-8", "replace")
    result = RunResult(raw["score"].decode("utf-8", "replace"), _diagnostics(messages, lines),
                       raw["status"], raw["score_end"], messages, found)
    if check and not result.ok:
        raise ScoreError(result.diagnostics, name)
    return result


_SONG_MESSAGE = re.compile(r"^(?:measure (?P<measure>.*?): )?(?P<level>error|warning): (?P<text>.*)$")


def _song_diagnostics(messages: str, name: str) -> List[Diagnostic]:
    """Reads what the song reader said (``NAME: measure M: warning: ...``) into diagnostics."""
    found = []
    for text in messages.splitlines():
        rest = text[len(name) + 2:] if text.startswith(name + ": ") else text
        match = _SONG_MESSAGE.match(rest)
        if match is None:
            if text.strip():
                found.append(Diagnostic(0, 0, "error", text))
            continue
        found.append(Diagnostic(0, 0, match["level"], match["text"], measure=match["measure"]))
    return found


def read_song(path: str, part: Optional[str] = None, verse: Union[int, str, None] = None,
              voice: Optional[str] = None, data: Optional[bytes] = None,
              fermata: Optional[float] = None,
              lang: Optional[str] = None) -> Tuple[Optional[str], List[Diagnostic]]:
    """The call script that sings a song file, as the ``speechscore`` program makes it.

    Parameters are those of :meth:`Score.from_song`.

    Returns
    -------
    script : str or None
        The script of ``sing`` lines; None when the file is no song that can be sung.
    diagnostics : list of Diagnostic
        What the reader skipped or chose (warnings, with ``measure``), or why it failed (one
        error).
    """
    name = os.fspath(path)
    if fermata is not None and not 1 <= fermata <= 4:
        raise ValueError(f"fermata {fermata!r}: a factor from 1 to 4")
    if data is None:
        with open(name, "rb") as f:
            data = f.read()
    raw = _core().song(os.fsencode(name), bytes(data), part or "",
                       "" if verse is None else str(verse), voice or "",
                       1.5 if fermata is None else float(fermata), lang or "")
    # The messages name the file by its bytes, which need not be UTF-8.
    diagnostics = _song_diagnostics(raw["messages"].decode("utf-8", "replace"),
                                    os.fsencode(name).decode("utf-8", "replace"))
    if raw["status"] != 0:
        if not any(d.level == "error" for d in diagnostics):
            diagnostics.append(Diagnostic(0, 0, "error", f"the song could not be read "
                                          f"(status {raw['status']})"))
        return None, diagnostics
    return raw["script"].decode("utf-8", "replace"), diagnostics


def run_song(path: str, part: Optional[str] = None, verse: Union[int, str, None] = None,
             voice: Optional[str] = None, check: bool = False, labels: bool = False,
             data: Optional[bytes] = None, fermata: Optional[float] = None,
             lang: Optional[str] = None) -> RunResult:
    """Sings a song file (MusicXML, .mxl or MIDI with lyrics) and returns its score, as
    ``speechscore SONG`` does, without ending the interpreter.

    Parameters are those of :meth:`Score.from_song`, and ``check`` and ``labels`` those of
    :func:`run_script`. A file that cannot be sung gives a result with no score, status 1 and
    one error (or raises :class:`ScoreError` with ``check=True``).

    Returns
    -------
    RunResult
        The reader's diagnostics (line 0, with their measure) come first, then the run's.
        With ``labels=True``, ``labels`` holds the sung syllables (tier ``words``) and their
        phones (tier ``phones``).
    """
    script, found = read_song(path, part, verse, voice, data, fermata, lang)
    if script is None:
        result = RunResult("", found, 1, 0.0, "\n".join(str(d) for d in found))
        if check:
            raise ScoreError(found, os.fspath(path))
        return result
    score = Score.from_script(script, os.fspath(path))
    score.source_diagnostics = found
    return score.run(check, labels)


def _word(value: Value) -> str:
    """An argument as the script writes it: numbers so that they read back to the same double."""
    if isinstance(value, bool):
        return "1" if value else "0"
    if isinstance(value, int):
        return str(value)
    if isinstance(value, float):
        if not math.isfinite(value):
            return repr(value)  # the runner refuses it with a diagnostic
        return repr(value)
    text = str(value)
    if not text or any(c in text for c in " \t\r\n#"):
        raise ValueError(f"argument {text!r} is not one word")
    return text


def _name(text: str, what: str) -> str:
    """An operation's, variable's or option's name: one word on the line."""
    if not text or any(c in text for c in " \t\r\n#="):
        raise ValueError(f"{what} {text!r} is not one word")
    return text


def _one_line(text: str, what: str, refused: str = "\r\n") -> str:
    """A phrase or lyric as it stands on its script line, which cannot hold a line break (nor,
    between double quotes, a double quote)."""
    if not isinstance(text, str):
        raise TypeError(f"{what} must be a str, not {type(text).__name__}")
    if any(c in text for c in refused):
        raise ValueError(f"{what} {text!r} holds a double quote or a line break, which a script "
                         "line cannot hold")
    return text


def _quoted(text: str, what: str) -> str:
    """A phrase or lyric between double quotes."""
    return '"' + _one_line(text, what, '"\r\n') + '"'


class Score:
    """A score built call by call: every operation of the library is a method of its name.

    Arguments are numbers, colour names (``"vAA"``), pointer names, note names (``"C3"``) or
    frequencies (``"130.8Hz"``), exactly as in a call script. Nothing runs until the score is
    asked for; then the calls run in a forked child, so ``fine`` never ends the interpreter.

    Examples
    --------
    >>> s = Score()
    >>> s.start1(0, 1, 1, 1, 1, 1, 0, 1, 1)
    >>> s.startmn()
    >>> s.VOW(1, "vAA", 60, "C3", 0.5, 0.002, 0, 1000, 0.008, 1, 0, 0)
    >>> text = s.text()            # fine is called at the end when the calls did not
    """

    def __init__(self, lines: Iterable[str] = (), name: str = "<score>") -> None:
        self.lines: List[str] = list(lines)
        self.name = name
        self.labels: Any = None  # a Labels when the score was made by a builder of this package
        self.source_diagnostics: List[Diagnostic] = []  # what reading a song file reported

    @classmethod
    def from_script(cls, text: str, name: str = "<script>") -> "Score":
        """A score from the text of a call script (``say`` and ``sing`` lines included where
        the runner reads them)."""
        return cls(text.split("\n"), name)

    @classmethod
    def from_file(cls, path: str) -> "Score":
        """A score from a call script file."""
        with open(path, encoding="utf-8") as f:
            return cls.from_script(f.read(), path)

    @classmethod
    def from_song(cls, path: str, part: Optional[str] = None,
                  verse: Union[int, str, None] = None, voice: Optional[str] = None,
                  data: Optional[bytes] = None, fermata: Optional[float] = None,
                  lang: Optional[str] = None) -> "Score":
        """A score that sings a song file: MusicXML (``.musicxml``, ``.xml``), compressed
        MusicXML (``.mxl``) or a standard MIDI file with lyrics (``.mid``, ``.kar``), read by the
        songs layer and sung by the sing layer as ``speechscore SONG`` does.

        Parameters
        ----------
        path : str
            The file, or only its name in messages when ``data`` is given.
        part : str, optional
            The part, by id or name; by default the first part with lyrics.
        verse : int or str, optional
            The lyric line; by default the first one.
        voice : str, optional
            ``bass``, ``tenor``, ``alto``, ``soprano``, ``child`` or ``breathy``; by default the
            voice whose range suits the part.
        data : bytes, optional
            The file's bytes, when they are not to be read from ``path``.
        fermata : float, optional
            How many times its length a note under a fermata lasts, 1 to 4; by default 1.5
            (``speechscore --fermata``).
        lang : str, optional
            The lyrics' language, an espeak-ng voice (``"fr"``); by default the file's
            (``xml:lang``), else English (``speechscore --lang``).

        Returns
        -------
        Score
            Its lines are the script of ``sing`` lines (see :meth:`script`); what the reader
            skipped is in ``source_diagnostics`` and heads the diagnostics of every run.

        Raises
        ------
        ScoreError
            When the file is no song that can be sung (its ``diagnostics`` say why).
        OSError
            When the file cannot be read.
        """
        script, found = read_song(path, part, verse, voice, data, fermata, lang)
        if script is None:
            raise ScoreError(found, os.fspath(path))
        score = cls.from_script(script, os.fspath(path))
        score.source_diagnostics = found
        return score

    def call(self, operation: str, *args: Value) -> "Score":
        """Appends a call of ``operation`` with ``args``; returns the score."""
        self.lines.append(" ".join([_name(operation, "operation")] + [_word(a) for a in args]))
        return self

    def set(self, variable: str, value: Value) -> "Score":
        """Appends an assignment: ``set("beat", 0.5)``, ``set("ocasc[4]", 1200)``."""
        self.lines.append(f"{_name(variable, 'variable')} = {_word(value)}")
        return self

    def say(self, text: str, **options: Value) -> "Score":
        """Appends a ``say`` line: English text, ``/ARPABET/`` or ``[IPA]`` (the words layer).

        Options are written as ``name=value`` after the phrase (``beats=2``, ``pitch=C3``).
        """
        phrase = (_one_line(text, "phrase") if isinstance(text, str) and text[:1] in ("/", "[")
                  else _quoted(text, "phrase"))
        extra = "".join(f" {_name(k, 'option')}={_word(v)}" for k, v in options.items())
        self.lines.append(f"say {phrase}{extra}")
        return self

    def sing(self, lyrics: str, *notes: str) -> "Score":
        """Appends a ``sing`` line (the sing layer): the lyrics, hyphenated into syllables, and
        one note per syllable as NOTE/BEATS: ``sing("twin-kle", "C4/1", "C4/1")``."""
        notes_text = "".join(" " + _word(n) for n in notes)
        self.lines.append("sing " + _quoted(lyrics, "lyric") + notes_text)
        return self

    def __getattr__(self, name: str) -> Callable[..., "Score"]:
        if name.startswith("_"):
            raise AttributeError(name)
        if name not in operations():
            raise AttributeError(f"no operation {name!r} in the library")

        def call(*args: Value) -> "Score":
            return self.call(name, *args)

        call.__name__ = name
        call.__doc__ = f"{name}(" + ", ".join(p for p, _, _ in operations()[name]) + ")"
        return call

    def script(self) -> str:
        """The call script of the score, with ``fine`` at the end when the calls lack it."""
        lines = list(self.lines)
        if not any(_FINE.match(line) for line in lines):
            lines.append("fine")
        return "\n".join(lines) + "\n"

    def run(self, check: bool = False, labels: bool = False) -> RunResult:
        """Runs the calls; see :func:`run_script`. Diagnostics of a song file come first."""
        result = run_script(self.script(), self.name, False, labels)
        result.diagnostics[:0] = self.source_diagnostics
        if check and not result.ok:
            raise ScoreError(result.diagnostics, self.name)
        return result

    def said(self) -> Any:
        """The words and phones of the score's ``say`` and ``sing`` lines, as :class:`Labels`
        (the labels of a syllable built by this package are in ``labels``)."""
        return self.run(labels=True).labels

    def text(self, check: bool = False) -> str:
        """The score text. With ``check=True`` a run with errors raises :class:`ScoreError`."""
        return self.run(check).score

    def diagnostics(self) -> List[Diagnostic]:
        """The errors, warnings and notes of a run of the calls."""
        return self.run().diagnostics

    def __repr__(self) -> str:
        return f"<Score {self.name}: {len(self.lines)} lines>"
