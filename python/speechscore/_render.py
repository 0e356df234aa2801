"""In-process rendering: one compiled orchestra renders any number of scores."""

from __future__ import annotations

import os
import tempfile
import wave
from dataclasses import dataclass, field
from typing import Any, List, Optional, Sequence, Tuple, Union

from ._arrays import numpy
from ._score import RunResult, Score, _core


class RenderError(Exception):
    """Raised when a score cannot be rendered; ``messages`` holds the renderer's lines."""

    def __init__(self, messages: Sequence[str]) -> None:
        self.messages = list(messages)
        super().__init__("\n".join(self.messages) or "the render failed")


def orchestra_path() -> str:
    """The orchestra the package renders with: ``$SPEECHSCORE_ORCHESTRA``, else the copy
    installed with the package, else the one the programs use."""
    given = os.environ.get("SPEECHSCORE_ORCHESTRA")
    if given:
        return given
    beside = os.path.join(os.path.dirname(os.path.abspath(__file__)), "speechscore.orc")
    if os.path.exists(beside):
        return beside
    return str(_core().find_orchestra())


def read_wav(path: str) -> Tuple[Any, int]:
    """Reads a PCM WAV file (16, 24 or 32 bit) into a float64 numpy array, full scale 1
    (numpy is needed: ModuleNotFoundError without it).

    Returns
    -------
    samples : numpy.ndarray
        Shape (frames,) for mono, (frames, channels) otherwise.
    rate : int
        Samples per second.
    """
    np = numpy()
    with wave.open(path, "rb") as w:
        channels, width, rate = w.getnchannels(), w.getsampwidth(), w.getframerate()
        raw = w.readframes(w.getnframes())
    if width == 3:
        b = np.frombuffer(raw, dtype=np.uint8).reshape(-1, 3).astype(np.int32)
        ints = (b[:, 0] | (b[:, 1] << 8) | (b[:, 2] << 16))
        ints = np.where(ints >= 1 << 23, ints - (1 << 24), ints)
        samples = ints / float(1 << 23)
    elif width == 2:
        samples = np.frombuffer(raw, dtype="<i2") / 32768.0
    elif width == 4:
        samples = np.frombuffer(raw, dtype="<i4") / float(1 << 31)
    else:
        samples = (np.frombuffer(raw, dtype=np.uint8).astype(np.float64) - 128) / 128.0
    if channels > 1:
        samples = samples.reshape(-1, channels)
    return samples, rate


@dataclass
class Take:
    """A rendered score.

    Attributes
    ----------
    samples : numpy.ndarray or None
        The sound, float64, full scale 1 (None when only a WAV was asked for, or kept without
        numpy).
    rate : int
        Samples per second.
    status : str
        ``"rendered"`` or ``"clipped"``.
    seconds, peak, peak_at : float
        Length, largest absolute sample, and its time.
    messages : list of str
        The renderer's lines (a clipped take names the ``avfact`` that avoids it).
    wav : str or None
        Where the take was written.
    """

    samples: Any
    rate: int
    status: str
    seconds: float
    peak: float
    peak_at: float
    messages: List[str] = field(default_factory=list)
    wav: Optional[str] = None


ScoreLike = Union[Score, RunResult, str]


def _score_text(score: ScoreLike) -> str:
    if isinstance(score, Score):
        return score.text(check=True)
    if isinstance(score, RunResult):
        return score.score
    return score


class Renderer:
    """Renders scores with the project's orchestra, compiled once at the first render; each
    score is performed in a forked copy of the compiled instance.

    Parameters
    ----------
    options : sequence of str, optional
        Csound options, for example ``["--omacro:GLIDE=0.1"]``.
    orchestra : str, optional
        Orchestra file; by default :func:`orchestra_path`.
    """

    def __init__(self, options: Sequence[str] = (), orchestra: Optional[str] = None) -> None:
        self.options = list(options)
        self.orchestra = orchestra or orchestra_path()
        self._renderer: Any = None

    def _native(self) -> Any:
        if self._renderer is None:
            r = _core().Renderer(self.orchestra, self.options)
            if not r.ok():
                raise RenderError([r.error()])
            self._renderer = r
        return self._renderer

    def render(self, score: ScoreLike, wav: Optional[str] = None,
               samples: Optional[bool] = None, allow_clip: bool = True,
               name: str = "<score>") -> Take:
        """Renders a score (a :class:`Score`, a run's result or score text).

        Parameters
        ----------
        score : Score, RunResult or str
        wav : str, optional
            Also keep the take in this WAV file (24-bit mono), written beside it and renamed
            into place.
        samples : bool, optional
            Read the take into a numpy array. By default it is read when numpy is there;
            without numpy a take kept in ``wav`` has ``samples`` None, and a take with no
            ``wav`` raises ModuleNotFoundError before it is rendered.
        allow_clip : bool
            When False a clipped take raises :class:`RenderError`, and ``wav`` is left as it
            was.

        Returns
        -------
        Take
        """
        text = _score_text(score)
        if samples or (samples is None and wav is None):
            numpy()  # before the render: its samples would be lost
            samples = True
        elif samples is None:
            samples = _has_numpy()
        path = wav
        scratch = None
        if path is None:
            scratch = tempfile.TemporaryDirectory(prefix="speechscore-")
            path = os.path.join(scratch.name, "take.wav")
        # A take that may be refused for clipping: the one it would replace is kept aside (a
        # second name for the same file) to be put back.
        kept = target = None
        if wav is not None and not allow_clip:
            target = os.path.realpath(wav)
            if os.path.isfile(target):
                kept = _aside(target)
        try:
            result = self._native().render_text(text, name, path)
            status = result["status"]
            if status == "clipped" and not allow_clip and target is not None:
                if kept is not None:
                    os.replace(kept, target)
                    kept = None
                elif os.path.isfile(target):
                    os.unlink(target)
            if status not in ("rendered", "clipped") or (status == "clipped" and not allow_clip):
                raise RenderError(result["messages"])
            data, rate = read_wav(path) if samples else (None, 44100)
            return Take(data, rate, status, result["seconds"], result["peak"], result["peak_at"],
                        list(result["messages"]), wav)
        finally:
            if scratch is not None:
                scratch.cleanup()
            if kept is not None:
                os.unlink(kept)


def _aside(path: str) -> str:
    """A second name beside the file for the same file (a copy where links are refused)."""
    import shutil
    import uuid

    folder, base = os.path.split(path)
    while True:
        aside = os.path.join(folder, f".{base}.{uuid.uuid4().hex[:12]}")
        try:
            os.link(path, aside)
            return aside
        except FileExistsError:
            continue
        except OSError:
            fd, aside = tempfile.mkstemp(prefix=f".{base}.", dir=folder)
            with os.fdopen(fd, "wb") as out, open(path, "rb") as old:
                shutil.copyfileobj(old, out)
            shutil.copymode(path, aside)
            return aside


def _has_numpy() -> bool:
    try:
        numpy()
    except ImportError:
        return False
    return True


_DEFAULT: Optional[Renderer] = None


def render(score: ScoreLike, wav: Optional[str] = None, options: Sequence[str] = ()) -> Any:
    """Renders a score with one shared :class:`Renderer` and returns the samples (numpy, which
    this needs: ModuleNotFoundError without it).

    Parameters
    ----------
    score : Score, RunResult or str
    wav : str, optional
        Also write the take here.
    options : sequence of str
        Csound options; a renderer with other options than the shared one is made for them.
    """
    global _DEFAULT
    renderer = _DEFAULT
    if renderer is None or renderer.options != list(options):
        renderer = Renderer(options)
        if not options:
            _DEFAULT = renderer
    return renderer.render(score, wav).samples
