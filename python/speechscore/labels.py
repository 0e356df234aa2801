"""Labels of a stimulus (word, phone and segment intervals) and Praat TextGrids."""

from __future__ import annotations

import os
from dataclasses import dataclass, field
from typing import Dict, List, Optional, Sequence

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


def read_text_grid(path: str) -> Labels:
    """Reads the interval tiers of a TextGrid in long text format (as :func:`text_grid` and
    the runner's ``--labels`` write it); empty intervals are left out."""
    import re

    labels = Labels()
    tier = ""
    start = end = 0.0
    with open(path, encoding="utf-8") as f:
        for raw in f:
            line = raw.strip()
            m = re.match(r'^(name|xmin|xmax|text) = (.*)$', line)
            if m is None:
                continue
            key, value = m.groups()
            if key == "name":
                tier = value.strip('"')
            elif key == "xmin":
                start = float(value)
            elif key == "xmax":
                end = float(value)
                labels.end = max(labels.end, end)
            elif key == "text":
                text = value[1:-1].replace('""', '"')
                if text:
                    labels.add(tier, start, end, text)
    return labels


def write_text_grid(labels: Labels, path: str, end: Optional[float] = None) -> None:
    """Writes the labels as a TextGrid to ``path``, beside it first and then renamed into place
    (never over anything but a regular file)."""
    if os.path.lexists(path) and not os.path.isfile(path):
        raise OSError(f"{path} is not a regular file; not written")
    scratch = f"{path}.{os.getpid()}.tmp"
    with open(scratch, "w", encoding="utf-8") as f:
        f.write(text_grid(labels, end))
    os.replace(scratch, path)
