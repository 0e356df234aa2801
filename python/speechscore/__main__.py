"""Command line: ``python3 -m speechscore continuum PLAN.toml`` and
``python3 -m speechscore batch TABLE.csv [DIRECTORY]``; the ``speechscore`` program runs the
same two commands through :func:`main`."""

import argparse
import signal
import sys
from typing import List, Optional

from ._render import RenderError
from ._score import ScoreError


def main(argv: Optional[List[str]] = None, prog: str = "python3 -m speechscore") -> int:
    """Runs a subcommand; returns the exit status (0 done, 1 some items failed, 2 bad usage or
    an unreadable plan or table)."""
    parser = argparse.ArgumentParser(prog=prog,
                                     description="Stimuli from speechscore.")
    sub = parser.add_subparsers(dest="command", required=True)
    c = sub.add_parser("continuum", help="render a continuum described in a TOML file")
    c.add_argument("plan")
    c.add_argument("-o", "--out", help="directory (default: the plan's 'out')")
    b = sub.add_parser("batch", help="render a stimulus table (CSV) on every core")
    b.add_argument("table")
    b.add_argument("directory", nargs="?")
    b.add_argument("-j", "--workers", type=int)
    b.add_argument("--quiet", action="store_true", help="no progress bar")
    args = parser.parse_args(argv)
    # SIGTERM stops the work as Ctrl-C does: the renders in flight end, their scratch files go.
    status = [130]  # of a stop: 130 by Ctrl-C, 143 by SIGTERM

    def terminate(number: int, frame: object) -> None:
        status[0] = 143
        raise KeyboardInterrupt

    signal.signal(signal.SIGTERM, terminate)
    if args.command == "batch" and args.workers is not None and args.workers < 1:
        parser.error("-j/--workers takes 1 or more renders at once")
    try:
        if args.command == "continuum":
            from .stimuli import read_plan

            cont, out = read_plan(args.plan)
            path = cont.write(args.out or out)
            print(f"{len(cont.rows)} steps of {', '.join(cont.varied)}: {path}")
            return 0
        from .batch import render_batch

        result = render_batch(args.table, args.directory, args.workers, not args.quiet)
        for row, message in result.failures:
            print(f"{args.table}: row {row}: {message}", file=sys.stderr)
        print(f"{result.rendered} rendered, {result.skipped} already done, "
              f"{len(result.failures)} failed")
        return 0 if result.ok else 1
    except (OSError, ValueError) as e:
        print(f"speechscore: error: {e}", file=sys.stderr)
        return 2
    except (ScoreError, RenderError) as e:  # a step the library or the renderer refused
        print(f"speechscore: error: {e}", file=sys.stderr)
        return 1
    except KeyboardInterrupt:
        print("speechscore: stopped", file=sys.stderr)
        return status[0]


if __name__ == "__main__":
    sys.exit(main())
