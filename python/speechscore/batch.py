"""Rendering a stimulus table in parallel: every core (or a Dask cluster), a progress bar, a
manifest of finished items so that a second run redoes only what changed or failed."""

from __future__ import annotations

import csv
import hashlib
import os
import threading
from dataclasses import dataclass, field
from typing import Any, Dict, List, Mapping, Optional, Sequence, Tuple, Union

from ._render import RenderError
from ._score import run_script
from .labels import text_grid, write_text_grid
from .stimuli import WORDS, glide_of

#: Columns of a table that describe an item rather than build it.
META = ("file", "textgrid", "step", "item", "id")
#: Columns that give a row's score instead of a syllable's parameters.
_SOURCES = ("score", "script", "script_file")
#: Columns read as text even where they look like numbers ("007", "1", "NaN").
TEXT = META + WORDS + _SOURCES
MANIFEST = "manifest.csv"

Row = Mapping[str, Any]


def read_table(path: str) -> List[Dict[str, Any]]:
    """Reads a stimulus table (CSV with a header); numbers become floats (but labels, phones
    and scripts stay text), empty cells vanish."""
    return _read_table(path)[0]


def _read_table(path: str) -> Tuple[List[Dict[str, Any]], List[int]]:
    """The rows of a stimulus table, and the number of each in the table after its header
    (blank lines, which hold no row, counted as a spreadsheet shows them)."""
    rows, numbers = [], []
    with open(path, newline="", encoding="utf-8-sig") as f:
        try:
            table = list(csv.reader(f))
        except (UnicodeDecodeError, csv.Error) as e:
            raise ValueError(f"{path}: not a CSV table in UTF-8 ({e})") from None
    header = table[0] if table else []
    for number, record in enumerate(table[1:], start=1):
        if not record:
            continue
        row: Dict[str, Any] = {}
        for k, v in zip(header, record):
            if k in _SOURCES and v == "":
                row[k] = v  # kept, so that a row with nothing else fails
                continue
            if v == "":
                continue
            try:
                row[k] = float(v) if k not in TEXT else v
            except ValueError:
                row[k] = v
        rows.append(row)
        numbers.append(number)
    return rows, numbers


def _build(row: Row, options: Sequence[str]) -> Tuple[str, Any]:
    """The score text and labels of one row: a ``script`` (call script text), a ``script_file``,
    a ``score`` (score text), or syllable parameters (for a batch rendered with ``options``)."""
    # An empty score or script cell: the row's syllable parameters, if it has any.
    empty = [k for k in _SOURCES if k in row and not str(row[k]).strip()]
    if empty:
        row = {k: v for k, v in row.items() if k not in empty}
        if not any(k not in META and k not in _SOURCES for k in row):
            raise ValueError(f"the row has nothing to render: its {empty[0]} is empty")
    if "score" in row:
        return str(row["score"]), None
    if "script" in row or "script_file" in row:
        text = row.get("script")
        if text is None:
            with open(str(row["script_file"]), encoding="utf-8") as f:
                text = f.read()
        return run_script(str(text), str(row.get("file", "<row>")), check=True).score, None
    from .stimuli import syllable

    params = {k: v for k, v in row.items() if k not in META}
    syl = syllable(**params)
    glide, rendered = float(syl.params["glide"]), glide_of(options)
    if glide != rendered:  # its transitions are cut for another GLIDE
        raise ValueError(f"the row's glide is {glide!r} s and the batch renders with GLIDE "
                         f"{rendered!r} s: give the row glide={rendered!r} or the batch "
                         f"options=['--omacro:GLIDE={glide!r}']")
    return syl.score.text(check=True), syl.labels


_RENDERERS: Dict[Tuple[str, ...], Any] = {}
_LOCK = threading.Lock()


def _renderer(options: Tuple[str, ...]) -> Any:
    from ._render import Renderer

    if options not in _RENDERERS:
        _RENDERERS[options] = Renderer(list(options))
    return _RENDERERS[options]


def _orchestra_hash(options: Tuple[str, ...]) -> str:
    from ._render import orchestra_path

    with open(orchestra_path(), "rb") as f:
        return hashlib.sha256(f.read() + "\0".join(options).encode()).hexdigest()


Job = Tuple[int, Row, str, Tuple[str, ...], str, Dict[str, str]]
Prepared = Tuple[int, str, str, Any, str, str]


def _grid_name(row: Row) -> str:
    """The name of a row's TextGrid: its ``textgrid`` cell, or its take's with .TextGrid."""
    return str(row.get("textgrid") or os.path.splitext(str(row["file"]))[0] + ".TextGrid")


def _prepare(job: Job) -> Prepared:
    """Builds one row's score unless its take is there with the same hash: (index, outcome,
    score text or message, labels, hash, WAV path), outcome "ready", "skipped" or "failed"."""
    index, row, directory, options, orchestra, done = job
    try:
        name = str(row["file"])
        text, labels = _build(row, options)
        # The labels count too: a row whose labels changed is done again, and so is one whose
        # TextGrid is gone.
        grid = os.path.join(directory, _grid_name(row))
        labelled = "" if labels is None else "\0" + grid + "\0" + text_grid(labels)
        digest = hashlib.sha256((orchestra + text + labelled).encode()).hexdigest()
        wav = os.path.join(directory, name)
        if (done.get(name) == digest and os.path.isfile(wav)
                and (labels is None or os.path.isfile(grid))):
            return index, "skipped", "", None, digest, wav
        os.makedirs(os.path.dirname(wav) or ".", exist_ok=True)
        return index, "ready", text, labels, digest, wav
    except Exception as e:  # every failure is reported with its row; the others go on
        return index, "failed", f"{type(e).__name__}: {e}", None, "", ""


def _finish(item: Prepared, row: Row, directory: str, status: str,
            messages: Sequence[str]) -> Tuple[int, str, str, str]:
    """The end of one row after its render: its TextGrid written; (index, outcome, message,
    hash)."""
    index, _, _, labels, digest, _ = item
    if status != "rendered":  # a clipped take is kept but fails its row
        return index, "failed", f"{RenderError.__name__}: {RenderError(messages)}", ""
    try:
        if labels is not None:
            write_text_grid(labels, os.path.join(directory, _grid_name(row)))
    except Exception as e:
        return index, "failed", f"{type(e).__name__}: {e}", ""
    return index, "rendered", "", digest


def _render_row(job: Job) -> Tuple[int, str, str, str]:
    """Renders one row unless its take is there with the same hash (on a Dask worker): (index,
    outcome, message, hash), outcome "rendered", "skipped" or "failed"."""
    item = _prepare(job)
    index, outcome, text, _, digest, wav = item
    if outcome != "ready":
        return index, outcome, text, digest
    try:
        with _LOCK:
            result = _renderer(job[3])._native().render_text(text, str(job[1]["file"]), wav)
    except Exception as e:
        return index, "failed", f"{type(e).__name__}: {e}", ""
    return _finish(item, job[1], job[2], result["status"], result["messages"])


@dataclass
class BatchResult:
    """What a batch did: counts and, per failed row, its number (from 1, as in the table after
    its header) and the message."""

    rendered: int = 0
    skipped: int = 0
    failures: List[Tuple[int, str]] = field(default_factory=list)

    @property
    def ok(self) -> bool:
        return not self.failures


def _read_manifest(path: str) -> Dict[str, str]:
    done: Dict[str, str] = {}
    if os.path.isfile(path):
        with open(path, newline="", encoding="utf-8") as f:
            for row in csv.reader(f):
                if len(row) == 2:
                    done[row[0]] = row[1]
    return done


def render_batch(table: Union[str, Sequence[Row]], directory: Optional[str] = None,
                 workers: Optional[int] = None, progress: bool = True,
                 options: Sequence[str] = (), client: Any = None) -> BatchResult:
    """Renders every row of a stimulus table to ``directory/FILE`` (and its TextGrid).

    Parameters
    ----------
    table : str or sequence of mapping
        A CSV file or a list of rows. Each row has ``file`` (the WAV, relative to
        ``directory``) and one of: syllable parameters (see :func:`speechscore.syllable`),
        ``script`` (call script text), ``script_file`` (relative to the CSV's folder, or
        the current one for a list), ``score`` (score text).
    directory : str, optional
        Where the takes go; by default the CSV's folder, or the current one.
    workers : int, optional
        Processes; by default every core.
    progress : bool
        Show a progress bar (tqdm) on standard error.
    options : sequence of str
        Csound options of every render.
    client : dask.distributed.Client, optional
        Render on this Dask cluster instead of local processes (its workers must see
        ``directory``; one thread per worker).

    Returns
    -------
    BatchResult
        A row that fails (bad parameter, refused score, failed render) is listed with its row
        number; the rest are still rendered. Finished takes are recorded in
        ``directory/manifest.csv`` with the hash of their score and orchestra; a later run
        skips them while that hash holds and the WAV is there.
    """
    if isinstance(table, str):
        if directory is None:
            directory = os.path.dirname(os.path.abspath(table))
        rows, numbers = _read_table(table)
        base = os.path.dirname(os.path.abspath(table))
    else:
        rows, numbers = table, list(range(1, len(table) + 1))
        base = os.getcwd()
    directory = os.path.abspath(directory or ".")
    os.makedirs(directory, exist_ok=True)
    manifest = os.path.join(directory, MANIFEST)
    done = _read_manifest(manifest)
    opts = tuple(options)
    orchestra = _orchestra_hash(opts)
    result = BatchResult()
    jobs = []
    owner: Dict[str, int] = {}  # a take's or TextGrid's path: the row that writes it
    kept = {os.path.normpath(manifest): "the manifest"}  # what no row writes over
    if isinstance(table, str):
        kept[os.path.normpath(os.path.abspath(table))] = "the table"
    for i, row in enumerate(rows):
        if "file" not in row:
            result.failures.append((numbers[i], "the row has no file"))
            continue
        # A take replaces what is at its path: only a WAV name, and only one row's.
        name = str(row["file"])
        if not name.lower().endswith(".wav"):
            result.failures.append((numbers[i], f"the file {name!r} is no WAV name (.wav)"))
            continue
        grid = _grid_name(row)
        if not grid.lower().endswith(".textgrid"):
            result.failures.append((numbers[i], f"the textgrid {grid!r} is no TextGrid name (.TextGrid)"))
            continue
        paths = [os.path.normpath(os.path.join(directory, f)) for f in (name, grid)]
        taken = [(f, p) for f, p in zip((name, grid), paths) if p in owner or p in kept]
        if taken:
            f, p = taken[0]
            whose = kept[p] if p in kept else f"row {owner[p]}'s file"
            result.failures.append((numbers[i], f"{f} is {whose} too"))
            continue
        owner.update({p: numbers[i] for p in paths})
        row = dict(row)
        if str(row.get("script_file", "")).strip():  # read where the table is, on any worker
            row["script_file"] = os.path.join(base, str(row["script_file"]))
        jobs.append((i, row, directory, opts, orchestra,
                     {name: done[name]} if name in done else {}))
    bar = _bar(len(jobs)) if progress else None
    with open(manifest, "a", newline="", encoding="utf-8") as log:
        writer = csv.writer(log)

        def record(index: int, outcome: str, message: str, digest: str) -> None:
            if outcome == "failed":
                result.failures.append((numbers[index], message))
            elif outcome == "rendered":
                result.rendered += 1
                writer.writerow([str(rows[index]["file"]), digest])
                log.flush()
            else:
                result.skipped += 1
            if bar is not None:
                bar.update(1)

        if client is not None:
            _run_dask(jobs, client, record)
        else:
            _run_local(jobs, workers or os.cpu_count() or 1, opts, record)
    if bar is not None:
        bar.close()
    result.failures.sort()
    return result


def _bar(total: int) -> Any:
    try:
        from tqdm import tqdm
    except ImportError:
        return None
    return tqdm(total=total, unit="item", dynamic_ncols=True)


def _run_dask(jobs: List[Job], client: Any, record: Any) -> None:
    from distributed import as_completed

    futures = client.map(_render_row, jobs, pure=False)
    for future in as_completed(futures):
        record(*future.result())


def _run_local(jobs: List[Job], count: int, options: Tuple[str, ...], record: Any) -> None:
    """Builds the rows' scores in this thread while a second one renders the groups already
    built through a renderer's batch, ``count`` renders at once (the interpreter is free
    meanwhile); each row is recorded as it ends."""
    import queue

    by_index = {job[0]: job for job in jobs}
    lock = threading.Lock()
    stop = threading.Event()
    groups: "queue.Queue[Optional[List[Prepared]]]" = queue.Queue(maxsize=4)
    raised: List[BaseException] = []

    def note(*row: Any) -> None:
        with lock:
            record(*row)

    finished = threading.Event()  # set when the renders have ended: their thread's last step

    def render() -> None:
        try:
            render_groups()
        finally:
            finished.set()

    def render_groups() -> None:
        # A renderer of the batch's own, whose workers render every group and end with it.
        from ._render import Renderer

        native, refused = None, ""
        try:
            native = Renderer(list(options))._native()
        except Exception as e:
            refused = f"{type(e).__name__}: {e}"
        while True:
            items = groups.get()
            if items is None:
                return
            if native is None:
                for item in items:
                    note(item[0], "failed", refused, "")
                continue

            def ended(done: int, total: int, k: int, result: Dict[str, Any],
                      items: List[Prepared] = items) -> None:
                job = by_index[items[k][0]]
                note(*_finish(items[k], job[1], job[2], result["status"], result["messages"]))

            try:
                native.render_batch([(item[2], str(by_index[item[0]][1]["file"]), item[5])
                                     for item in items], count, ended, stop.is_set)
            except BaseException as e:  # the builder stops too, and raises it
                raised.append(e)
                stop.set()
                return

    def hand(items: Optional[List[Prepared]]) -> None:
        while not finished.is_set():
            try:
                groups.put(items, timeout=0.1)
                return
            except queue.Full:
                continue

    def end() -> Optional[BaseException]:
        # The renders end before this returns, even when a stop (Ctrl-C, SIGTERM) comes while
        # they are waited for: it stops them, and is returned. A thread still in the render
        # module when the interpreter ends would be stopped inside it, and the process with it.
        # (Not Thread.join alone: interrupted, it may let the next join return at once.)
        interrupted: Optional[BaseException] = None
        while not finished.is_set():
            try:
                hand(None)
                finished.wait(0.1)
            except BaseException as e:
                stop.set()
                interrupted = interrupted or e
        renderer.join()
        return interrupted

    renderer = threading.Thread(target=render, daemon=True)
    renderer.start()
    size = 16 * count
    group: List[Prepared] = []
    try:
        for job in jobs:
            if stop.is_set():
                break
            item = _prepare(job)
            if item[1] != "ready":
                note(item[0], item[1], item[2], item[4])
                continue
            group.append(item)
            if len(group) >= size:
                hand(group)
                group = []
        if group and not stop.is_set():
            hand(group)
    except BaseException:
        stop.set()
        end()
        raise
    interrupted = end()
    if interrupted is not None:
        raise interrupted
    if raised:
        raise raised[0]
