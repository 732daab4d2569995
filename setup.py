"""The build step of the Python package for pip (see pyproject.toml).

The extension bem2d._core is the target bem2d_python of the project's CMake
build, configured here with the library and the extension only: the same
sources, flags and vector lanes as every other build of the project, listed
in one place (the CMakeLists.txt files). The version is the project's
VERSION in CMakeLists.txt, which the Octave package carries too. Build files
go to build-pip/ (build/ is the release tree of scripts/build.sh), kept
between installs so that a second one compiles only what changed.
"""
import glob
import os
import re
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = os.path.dirname(os.path.abspath(__file__))


def project_version():
    with open(os.path.join(ROOT, "CMakeLists.txt")) as f:
        found = re.search(r"project\(bem2d\b[^)]*\bVERSION\s+([0-9][0-9.]*)", f.read())
    if not found:
        sys.exit("setup.py: no VERSION in the project() call of CMakeLists.txt")
    return found.group(1)


class CMakeExtension(Extension):
    def __init__(self, name):
        super().__init__(name, sources=[])


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        import pybind11

        tree = os.path.abspath(os.path.join(self.build_temp, "cmake"))
        configure = ["cmake", "-S", ROOT, "-B", tree, "-DCMAKE_BUILD_TYPE=Release",
                     "-DBEM2D_BUILD_TESTS=OFF", "-DBEM2D_BUILD_BENCH=OFF", "-DBEM2D_BUILD_MEX=OFF",
                     "-DPython_EXECUTABLE=" + sys.executable,
                     "-Dpybind11_DIR=" + pybind11.get_cmake_dir()]
        subprocess.check_call(configure)
        subprocess.check_call(["cmake", "--build", tree, "--target", "bem2d_python",
                               "-j", str(os.cpu_count() or 1)])
        built = glob.glob(os.path.join(tree, "python", "bem2d", "_core*.so"))
        if len(built) != 1:
            sys.exit("setup.py: the CMake build made %d extensions: %s" % (len(built), built))
        target = self.get_ext_fullpath(ext.name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copyfile(built[0], target)


setup(version=project_version(),
      ext_modules=[CMakeExtension("bem2d._core")],
      cmdclass={"build_ext": CMakeBuild},
      options={"build": {"build_base": "build-pip"}},
      zip_safe=False)
