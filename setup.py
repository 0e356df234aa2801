"""Builds the Python package with the project's CMake: the compiled core and the modules of
python/speechscore, with the orchestra, land in the wheel's speechscore/ folder."""

import os
import shutil
import subprocess
import sys

from setuptools import setup
from setuptools.command.build_py import build_py

TOP = os.path.dirname(os.path.abspath(__file__))


class CMakeBuild(build_py):
    """Configures and builds the target speechscore_python, then copies the package."""

    def run(self):
        build = os.path.join(TOP, "build-python")
        options = ["-DSPEECHSCORE_PYTHON=ON", "-DSPEECHSCORE_TESTS=OFF", "-DSPEECHSCORE_CLI=OFF",
                   "-DSPEECHSCORE_EXAMPLES=OFF", "-DSPEECHSCORE_SONGS=OFF",
                   "-DSPEECHSCORE_INSTALL=OFF", "-DSPEECHSCORE_DOCS=OFF",
                   "-DCMAKE_BUILD_TYPE=Release", f"-DPython_EXECUTABLE={sys.executable}"]
        subprocess.run(["cmake", "-S", TOP, "-B", build] + options, check=True)
        subprocess.run(["cmake", "--build", build, "--target", "speechscore_python", "-j2"],
                       check=True)
        target = os.path.join(self.build_lib, "speechscore")
        shutil.copytree(os.path.join(build, "python", "speechscore"), target, dirs_exist_ok=True,
                        ignore=shutil.ignore_patterns("__pycache__"))


setup(packages=["speechscore"], package_dir={"speechscore": "python/speechscore"},
      cmdclass={"build_py": CMakeBuild})
