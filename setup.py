"""Builds the Python module `tessaline` with the project's own CMake build (the core libraries and
the module only) and installs the one extension file it makes. CMake, a C++20 compiler and
pybind11's CMake files must be installed (Debian: cmake, g++, pybind11-dev, python3-dev); extra
CMake options may be given in the environment variable CMAKE_ARGS."""
import os
import pathlib
import shlex
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

SOURCE = pathlib.Path(__file__).parent.resolve()


def require_wheel_package():
    """setuptools before 70.1 builds a wheel (`pip install`) with the `wheel` package's bdist_wheel
    command; without it setup() fails with "invalid command 'bdist_wheel'", which names neither the
    interpreter nor the package. Say both and stop."""
    if "bdist_wheel" not in sys.argv:
        return
    try:
        import wheel  # noqa: F401
        return
    except ImportError:
        pass
    try:  # setuptools from 70.1 builds wheels itself
        import setuptools.command.bdist_wheel  # noqa: F401
    except ImportError:
        sys.stderr.write(
            "tessaline: cannot build a wheel: the Python interpreter %s (Python %s) lacks the `wheel` "
            "package (Debian: apt-get install python3-wheel; or: %s -m pip install wheel)\n"
            % (sys.executable, sys.version.split()[0], sys.executable))
        sys.exit(1)


require_wheel_package()


class CMakeExtension(Extension):
    def __init__(self, name):
        super().__init__(name, sources=[])


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = pathlib.Path(self.build_temp).resolve() / "cmake"
        target = pathlib.Path(self.get_ext_fullpath(ext.name)).resolve()
        configure = ["cmake", "-S", str(SOURCE), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                     "-DTESSALINE_PYTHON_ONLY=ON", "-DPython_EXECUTABLE=" + sys.executable]
        if shutil.which("ninja"):
            configure += ["-G", "Ninja"]
        configure += shlex.split(os.environ.get("CMAKE_ARGS", ""))
        subprocess.run(configure, check=True)
        subprocess.run(["cmake", "--build", str(build), "--target", "tessaline_python", "--parallel",
                        str(os.cpu_count() or 1)], check=True)
        built = sorted((build / "python").glob("tessaline*.so"))
        if len(built) != 1:
            raise RuntimeError("the build made %d module files in %s, not one" % (len(built), build / "python"))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built[0], target)


# The module is the one extension file; no folder of the repository is a Python package.
setup(ext_modules=[CMakeExtension("tessaline")], cmdclass={"build_ext": CMakeBuild}, packages=[], py_modules=[],
      zip_safe=False)
