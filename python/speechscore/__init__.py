"""Speech stimuli with speechscore from Python.

Build scores from library calls, call scripts, text and song files (MusicXML, MIDI); render them in-process to numpy arrays
and WAV files; make stimulus continua with explicit formant transitions, labels and TextGrids;
render tables of thousands of stimuli in parallel.

Nothing is loaded at import time: each name is imported when first used.

Examples
--------
>>> import speechscore
>>> s = speechscore.Score()
>>> s.start1(0, 1, 1, 1, 1, 1, 0, 1, 1)
>>> s.startmn()
>>> s.VOW(1, "vAA", 60, "C3", 0.5, 0.002, 0, 1000, 0.008, 1, 0, 0)
>>> audio = speechscore.render(s)          # numpy array, 44100 samples per second
"""

from typing import Any

_EXPORTS = {
    "Score": "._score",
    "Diagnostic": "._score",
    "ScoreError": "._score",
    "RunResult": "._score",
    "run_script": "._score",
    "run_song": "._score",
    "read_song": "._score",
    "Renderer": "._render",
    "Take": "._render",
    "RenderError": "._render",
    "render": "._render",
    "read_wav": "._render",
    "Interval": ".labels",
    "Labels": ".labels",
    "text_grid": ".labels",
    "write_text_grid": ".labels",
    "read_text_grid": ".labels",
    "Syllable": ".stimuli",
    "syllable": ".stimuli",
    "transition": ".stimuli",
    "continuum": ".stimuli",
    "Continuum": ".stimuli",
    "steps": ".stimuli",
    "render_batch": ".batch",
    "BatchResult": ".batch",
    "read_table": ".batch",
}

__all__ = sorted(_EXPORTS)


def __getattr__(name: str) -> Any:
    module = _EXPORTS.get(name)
    if module is None:
        raise AttributeError(f"module 'speechscore' has no attribute {name!r}")
    from importlib import import_module

    value = getattr(import_module(module, __name__), name)
    globals()[name] = value
    return value


def __dir__() -> list:
    return __all__
