"""numpy, for the functions that return samples as arrays: the only part of the package that
needs it. Everything else (renders to WAV files, labels, TextGrids, continua, batches) runs
without it.

When ``import numpy`` fails, Debian's numpy (python3-numpy) is used if it was built for this
interpreter's ABI: its core extension in /usr/lib/python3/dist-packages/numpy carries this
interpreter's extension suffix (``cpython-311-x86_64-linux-gnu`` for any CPython 3.11 on
x86-64), so another build of the same CPython version (pyenv, a venv without system packages)
can load it. Only numpy is imported from there: the folder leaves ``sys.path`` again at once.
"""

import os
import sys
import sysconfig
from typing import Any

#: Where Debian keeps the Python packages of its own interpreter.
DEBIAN_PACKAGES = "/usr/lib/python3/dist-packages"

MISSING = ("numpy is needed for samples as arrays: pip install numpy, or apt-get install "
           "python3-numpy (which any CPython of Debian's python3 version also uses); renders "
           "to WAV files, TextGrids, continua and batches work without it")


def _debian_numpy_fits() -> bool:
    suffix = sysconfig.get_config_var("EXT_SUFFIX") or ""
    cores = [os.path.join(DEBIAN_PACKAGES, "numpy", folder, "_multiarray_umath" + suffix)
             for folder in ("core", "_core")]  # numpy 1, numpy 2
    return (sys.implementation.name == "cpython" and ".cpython-" in suffix
            and DEBIAN_PACKAGES not in sys.path and any(map(os.path.isfile, cores)))


def numpy() -> Any:
    """The numpy module, or ModuleNotFoundError with :data:`MISSING`."""
    try:
        import numpy as np

        return np
    except ImportError as first:
        if not _debian_numpy_fits():
            raise ModuleNotFoundError(MISSING, name="numpy") from first
        sys.path.append(DEBIAN_PACKAGES)
        try:
            import numpy as np

            return np
        except ImportError as second:
            raise ModuleNotFoundError(MISSING, name="numpy") from second
        finally:
            sys.path.remove(DEBIAN_PACKAGES)
