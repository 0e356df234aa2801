"""Call scripts run by the package's runner program (``runner``, beside the compiled core): a
small process started once and kept, which runs each script in a fork of its own. Forking the
interpreter instead (the core's ``run``, still used where no runner can be had) costs several
times as much: every fork of a large process copies its page tables, and the interpreter then
copies each page it writes again, its other threads' too.

One runner serves one run at a time; threads that run scripts at once each get one, kept for
the next run. A runner that is gone (killed, or a signal to its group) is replaced once; a copy
of the interpreter made by ``fork`` starts runners of its own."""

from __future__ import annotations

import os
import signal
import struct
import threading
from typing import Any, Dict, List, Optional

_PROGRAM = os.path.join(os.path.dirname(os.path.abspath(__file__)), "runner")
_REQUEST = struct.Struct("=IIIIB")
_REPLY = struct.Struct("=iiiidQQ")


class _Runner:
    """One runner process and its two pipes."""

    def __init__(self) -> None:
        requests, self.requests = os.pipe()
        self.replies, replies = os.pipe()
        try:
            # Its own process group, so that the terminal's interrupt leaves it to end with the
            # interpreter; every library symbol bound at its start, not again in each fork.
            self.pid = os.posix_spawn(
                _PROGRAM, [_PROGRAM], dict(os.environ, LD_BIND_NOW="1"),
                file_actions=[(os.POSIX_SPAWN_DUP2, requests, 0),
                              (os.POSIX_SPAWN_DUP2, replies, 1)],
                setpgroup=0)
        except BaseException:
            os.close(self.requests)
            os.close(self.replies)
            raise
        finally:
            os.close(requests)
            os.close(replies)

    def run(self, request: bytes) -> Dict[str, Any]:
        view = memoryview(request)
        while view:
            view = view[os.write(self.requests, view):]
        status, script_errors, library_errors, fine_line, score_end, score_size, messages_size = (
            _REPLY.unpack(self._read(_REPLY.size)))
        return {"status": status, "score": self._read(score_size),
                "messages": self._read(messages_size), "script_errors": script_errors,
                "library_errors": library_errors, "fine_line": fine_line, "score_end": score_end}

    def _read(self, size: int) -> bytes:
        data = bytearray()
        while len(data) < size:
            chunk = os.read(self.replies, min(size - len(data), 1 << 20))
            if not chunk:
                raise EOFError("the script runner ended")
            data += chunk
        return bytes(data)

    def close(self) -> None:
        """Ends the runner at once, with the run it is in (others may hold its pipes, so it
        might never see their end), and reaps it."""
        self.forget()
        try:
            os.killpg(self.pid, signal.SIGKILL)
        except OSError:
            pass
        try:
            os.waitpid(self.pid, 0)
        except ChildProcessError:
            pass

    def forget(self) -> None:
        """Lets go of the runner in a forked copy of the interpreter (the parent's to end)."""
        os.close(self.requests)
        os.close(self.replies)


_IDLE: List[_Runner] = []
_LOCK = threading.Lock()


def _forget_all() -> None:
    global _LOCK
    _LOCK = threading.Lock()
    for runner in _IDLE:
        runner.forget()
    _IDLE.clear()


os.register_at_fork(after_in_child=_forget_all)


def _take() -> Optional[_Runner]:
    with _LOCK:
        if _IDLE:
            return _IDLE.pop()
    try:
        return _Runner()
    except OSError:
        return None


def run(core: Any, name: str, text: str, check: bool, labels: str) -> Dict[str, Any]:
    """Runs a call script as ``core.run`` does, with the same reply, through a runner when one
    can be had."""
    try:
        folder = os.getcwd()
    except OSError:  # a folder since removed: only a fork of the interpreter runs there
        return core.run(os.fsencode(name), text, check, labels)
    # A name is a file's, whose bytes need not be UTF-8.
    fields = [os.fsencode(name), text.encode(), os.fsencode(labels), os.fsencode(folder)]
    request = _REQUEST.pack(*(len(f) for f in fields), int(check)) + b"".join(fields)
    for _ in range(2):
        runner = _take()
        if runner is None:
            break
        try:
            reply = runner.run(request)
        except (OSError, EOFError):  # gone: killed, or interrupted with its group
            runner.close()
            continue
        except BaseException:
            runner.close()
            raise
        with _LOCK:
            _IDLE.append(runner)
        return reply
    return core.run(os.fsencode(name), text, check, labels)
