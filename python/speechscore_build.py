"""Builds the wheel of the Python package with the project's CMake (the build backend that
pyproject.toml names).

It needs nothing but the running interpreter's standard library, CMake and a compiler, and
pybind11's CMake files (Debian's pybind11-dev): an interpreter without setuptools, wheel,
pybind11 or a network (a pyenv build, a bare venv) installs the package with
``pip install .``. The compiled core is built against the headers of the interpreter that runs
pip, in ``build-python/TAG-HASH`` (one folder per interpreter), and the wheel holds the package
folder CMake lays out (modules, orchestra, core, script runner) with its metadata from
pyproject.toml and the version from include/speechscore.h.
"""

import base64
import hashlib
import io
import os
import re
import stat
import subprocess
import sys
import sysconfig
import tomllib
import zipfile
from typing import Dict, List, Optional, Tuple

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def _version() -> str:
    with open(os.path.join(TOP, "include", "speechscore.h"), encoding="utf-8") as f:
        found = re.search(r'^#define SPEECHSCORE_VERSION "([0-9]+\.[0-9]+)"', f.read(), re.M)
    if found is None:
        raise RuntimeError("include/speechscore.h defines no SPEECHSCORE_VERSION")
    return found.group(1)


def _project() -> Dict:
    with open(os.path.join(TOP, "pyproject.toml"), "rb") as f:
        return tomllib.load(f)["project"]


def _tag() -> str:
    """The wheel's tag: this CPython's version and ABI, and the platform."""
    if sys.implementation.name != "cpython":
        raise RuntimeError(f"the package builds for CPython, not {sys.implementation.name}")
    python = f"cp{sys.version_info.major}{sys.version_info.minor}"
    platform = re.sub(r"[-.]", "_", sysconfig.get_platform())
    return f"{python}-{python}-{platform}"


def _dist_info() -> str:
    return f"speechscore-{_version()}.dist-info"


def _metadata() -> str:
    project = _project()
    lines = ["Metadata-Version: 2.1", f"Name: {project['name']}", f"Version: {_version()}",
             f"Summary: {project.get('description', '')}",
             f"Requires-Python: {project.get('requires-python', '>=3')}"]
    lines += [f"Requires-Dist: {d}" for d in project.get("dependencies", [])]
    for extra, needs in project.get("optional-dependencies", {}).items():
        lines.append(f"Provides-Extra: {extra}")
        lines += [f'Requires-Dist: {d}; extra == "{extra}"' for d in needs]
    return "\n".join(lines) + "\n"


def _wheel() -> str:
    return (f"Wheel-Version: 1.0\nGenerator: speechscore_build\nRoot-Is-Purelib: false\n"
            f"Tag: {_tag()}\n")


def _build_package() -> str:
    """Builds the target speechscore_python for this interpreter; returns the package folder."""
    # A venv's interpreter builds as its base does: same headers, same folder.
    python = os.path.realpath(getattr(sys, "_base_executable", sys.executable))
    key = hashlib.sha256(python.encode()).hexdigest()[:8]
    build = os.path.join(TOP, "build-python", f"{_tag().split('-')[0]}-{key}")
    options = ["-DSPEECHSCORE_PYTHON=ON", "-DSPEECHSCORE_TESTS=OFF", "-DSPEECHSCORE_CLI=OFF",
               "-DSPEECHSCORE_EXAMPLES=OFF",
               "-DSPEECHSCORE_INSTALL=OFF", "-DSPEECHSCORE_DOCS=OFF",
               "-DCMAKE_BUILD_TYPE=Release", f"-DPython_EXECUTABLE={python}"]
    subprocess.run(["cmake", "-S", TOP, "-B", build] + options, check=True,
                   stdout=sys.stderr)
    subprocess.run(["cmake", "--build", build, "--target", "speechscore_python", "-j2"],
                   check=True, stdout=sys.stderr)
    return os.path.join(build, "python", "speechscore")


def _record_line(name: str, data: bytes) -> str:
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return f"{name},sha256={digest},{len(data)}"


def _package_files(package: str) -> List[Tuple[str, bytes]]:
    files = []
    for folder, subfolders, names in os.walk(package):
        subfolders[:] = sorted(d for d in subfolders if d != "__pycache__")
        for name in sorted(names):
            path = os.path.join(folder, name)
            inside = os.path.relpath(path, os.path.dirname(package)).replace(os.sep, "/")
            with open(path, "rb") as f:
                files.append((inside, f.read()))
    return files


# The hooks of PEP 517 that pip calls.

def get_requires_for_build_wheel(config_settings: Optional[Dict] = None) -> List[str]:
    return []


def prepare_metadata_for_build_wheel(metadata_directory: str,
                                     config_settings: Optional[Dict] = None) -> str:
    folder = os.path.join(metadata_directory, _dist_info())
    os.makedirs(folder, exist_ok=True)
    for name, text in (("METADATA", _metadata()), ("WHEEL", _wheel())):
        with open(os.path.join(folder, name), "w", encoding="utf-8") as f:
            f.write(text)
    return _dist_info()


def build_wheel(wheel_directory: str, config_settings: Optional[Dict] = None,
                metadata_directory: Optional[str] = None) -> str:
    package = _build_package()
    files = _package_files(package)
    # The compiled core and the script runner program keep their execute permission.
    executable = {name for name, _ in files
                  if os.access(os.path.join(os.path.dirname(package), name), os.X_OK)}
    info = _dist_info()
    files += [(f"{info}/METADATA", _metadata().encode()), (f"{info}/WHEEL", _wheel().encode())]
    record = [_record_line(name, data) for name, data in files] + [f"{info}/RECORD,,"]
    files.append((f"{info}/RECORD", ("\n".join(record) + "\n").encode()))
    name = f"speechscore-{_version()}-{_tag()}.whl"
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as wheel:
        for inside, data in files:
            entry = zipfile.ZipInfo(inside, (1980, 1, 1, 0, 0, 0))
            entry.external_attr = (stat.S_IFREG | (0o755 if inside in executable else 0o644)) << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            wheel.writestr(entry, data)
    path = os.path.join(wheel_directory, name)
    scratch = f"{path}.{os.getpid()}.tmp"
    with open(scratch, "wb") as f:
        f.write(buffer.getvalue())
    os.replace(scratch, path)
    return name
