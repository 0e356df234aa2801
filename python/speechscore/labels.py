"""Labels of a stimulus (word, phone and segment intervals) and Praat TextGrids."""

from __future__ import annotations

import itertools
import math
import os
import re
from dataclasses import dataclass, field
from typing import Any, Dict, List, Optional, Sequence

TIERS = ("words", "phones", "segments")


@dataclass(frozen=True)
class Interval:
    """A labelled stretch of a take, in seconds."""

    tier: str
    start: float
    end: float
    text: str


@dataclass
class Labels:
    """Intervals on the tiers ``words``, ``phones`` and ``segments`` (others may be added),
    and the end of the take."""

    intervals: List[Interval] = field(default_factory=list)
    end: float = 0.0

    def add(self, tier: str, start: float, end: float, text: str) -> None:
        """Adds an interval; the take's end moves to cover it."""
        self.intervals.append(Interval(tier, start, end, text))
        self.end = max(self.end, end)

    def tier(self, name: str) -> List[Interval]:
        """The intervals of one tier, in time order."""
        return sorted((i for i in self.intervals if i.tier == name), key=lambda i: i.start)

    def boundaries(self, tier: str = "segments") -> Dict[str, float]:
        """Start times of a tier's intervals by label (the first of each label)."""
        found: Dict[str, float] = {}
        for i in self.tier(tier):
            found.setdefault(i.text, i.start)
        return found

    def shifted(self, seconds: float) -> "Labels":
        """The labels moved later by ``seconds``."""
        return Labels([Interval(i.tier, i.start + seconds, i.end + seconds, i.text)
                       for i in self.intervals], self.end + seconds)


def _quoted(text: str) -> str:
    return '"' + text.replace('"', '""') + '"'


def text_grid(labels: Labels, end: Optional[float] = None,
              tiers: Optional[Sequence[str]] = None) -> str:
    """A Praat TextGrid (long text format) of the labels, one interval tier each, gaps filled
    with empty intervals.

    Parameters
    ----------
    labels : Labels
    end : float, optional
        End of the grid; by default the labels' end.
    tiers : sequence of str, optional
        Tiers in order; by default those of :data:`TIERS` that have intervals, then the rest.
    """
    end = labels.end if end is None else max(end, labels.end)
    if tiers is None:
        present = [t for t in TIERS if labels.tier(t)]
        present += sorted({i.tier for i in labels.intervals} - set(present))
        tiers = present
    out = ['File type = "ooTextFile"', 'Object class = "TextGrid"', "", "xmin = 0",
           f"xmax = {end!r}", "tiers? <exists>", f"size = {len(tiers)}", "item []:"]
    for n, name in enumerate(tiers, 1):
        cells = []
        at = 0.0
        for i in labels.tier(name):
            start = max(i.start, at)
            if start > at:
                cells.append((at, start, ""))
            if i.end > start:
                cells.append((start, i.end, i.text))
                at = i.end
        if at < end or not cells:
            cells.append((at, end, ""))
        out += [f"    item [{n}]:", '        class = "IntervalTier"',
                f"        name = {_quoted(name)}", "        xmin = 0", f"        xmax = {end!r}",
                f"        intervals: size = {len(cells)}"]
        for k, (a, b, text) in enumerate(cells, 1):
            out += [f"        intervals [{k}]:", f"            xmin = {a!r}",
                    f"            xmax = {b!r}", f"            text = {_quoted(text)}"]
    return "\n".join(out) + "\n"


# Praat's text formats, long and short, hold the same sequence of values: strings in double
# quotes ("" is one quote, a string may span lines), numbers and the flags <exists> and
# <absent>. The long format puts a name before each ("xmin =", "item [1]:", "tiers?"), which
# the reader skips; "!" starts a comment.
_TG_TOKEN = re.compile(r'"((?:[^"]|"")*+)"|!.*|(\S+)')
_TG_NAME = re.compile(r"(?:[A-Za-z?]+:?|\[[0-9]*\]:?|=)\Z")


def read_text_grid(path: str) -> Labels:
    """Reads the interval tiers of a Praat TextGrid in its long or short text format, in
    UTF-8 or UTF-16 (as Praat writes a file with characters outside ASCII); empty intervals and
    point tiers are left out. A file that is no such TextGrid raises ``ValueError``."""
    with open(path, "rb") as f:
        data = f.read()
    if data.startswith(b"ooBinaryFile"):
        raise ValueError(f"{path}: a binary Praat file; save the TextGrid as a text file")
    try:
        text = data.decode("utf-16" if data[:2] in (b"\xfe\xff", b"\xff\xfe") else "utf-8-sig")
    except UnicodeDecodeError:
        raise ValueError(f"{path}: not a TextGrid (not a UTF-8 or UTF-16 text file)") from None
    values = ((m.group(1) is not None, m.group(1) if m.group(2) is None else m.group(2))
              for m in _TG_TOKEN.finditer(text)
              if m.group(1) is not None or (m.group(2) is not None
                                            and not _TG_NAME.match(m.group(2))))

    kind_words = {str: "a string in quotes", float: "a number", int: "a whole number",
                  bool: "<exists> or <absent>"}

    def take(kind: type, what: str) -> Any:
        is_string, value = next(values, (None, None))
        if is_string is None:
            raise ValueError(f"{path}: the file ends where {what} should be")
        if kind is str and is_string:
            return value.replace('""', '"')
        if kind is float and not is_string:
            try:
                number = float(value)
                if math.isfinite(number):
                    return number
            except ValueError:
                pass
        if kind is int and not is_string and value.isdigit():
            return int(value)
        if kind is bool and value in ("<exists>", "<absent>"):
            return value == "<exists>"
        raise ValueError(f"{path}: {what} is not {kind_words[kind]}: {value[:40]!r}")

    if next(values, None) not in ((True, "ooTextFile"), (True, "ooTextFile short")):
        raise ValueError(f'{path}: not a Praat text file (it does not begin with File type = '
                         '"ooTextFile")')
    if take(str, "the object class") != "TextGrid":
        raise ValueError(f"{path}: a Praat file, but not a TextGrid")
    take(float, "xmin")
    labels = Labels(end=take(float, "xmax"))
    if not take(bool, "tiers? <exists>"):
        return labels
    for number in range(1, take(int, "the number of tiers") + 1):
        kind = take(str, f"the class of tier {number}")
        if kind not in ("IntervalTier", "TextTier"):
            raise ValueError(f"{path}: tier {number} is a {kind[:40]!r}, neither an "
                             "IntervalTier nor a TextTier")
        name = take(str, f"the name of tier {number}")
        take(float, f"the start of tier {number}")
        take(float, f"the end of tier {number}")
        for item in range(take(int, f"the number of items of tier {number}")):
            where = f"item {item + 1} of tier {number}"
            if kind == "TextTier":
                take(float, f"the time of {where}")
                take(str, f"the mark of {where}")
                continue
            start, end = take(float, f"the start of {where}"), take(float, f"the end of {where}")
            text = take(str, f"the text of {where}")
            if text:
                labels.add(name, start, end, text)
    return labels


def write_text_grid(labels: Labels, path: str, end: Optional[float] = None) -> None:
    """Writes the labels as a TextGrid to ``path``, beside it first and then renamed into place
    (never over anything but a regular file)."""
    replace_file(path, text_grid(labels, end))


_SCRATCH = itertools.count()


def replace_file(path: str, text: str) -> None:
    """Writes ``text`` (UTF-8, as it is) into a new file beside ``path`` and renames it over
    ``path``, which must be a regular file or none. When anything fails, the new file goes and
    ``path`` stays as it was."""
    if os.path.lexists(path) and not os.path.isfile(path):
        raise OSError(f"{path} is not a regular file; not written")
    while True:  # a name of its own: never a file that is there already
        scratch = os.path.join(os.path.dirname(path),
                               f".{os.path.basename(path)}.{os.getpid()}.{next(_SCRATCH)}.tmp")
        try:
            f = open(scratch, "x", encoding="utf-8", newline="")
            break
        except FileExistsError:
            continue
    try:
        with f:
            f.write(text)
        os.replace(scratch, path)
    except BaseException:
        try:
            os.unlink(scratch)
        except OSError:
            pass
        raise
