"""Builds the extension against an installed libcrc16, found by pkg-config
(crc16.pc; PKG_CONFIG_PATH for one installed elsewhere), for the limited
API of Python 3.11: one _crc16.abi3.so for every later Python. The version
is the project's, from the CMakeLists.txt above this folder."""
import os
import pathlib
import re
import shlex
import subprocess

from setuptools import Extension, setup

here = pathlib.Path(__file__).resolve().parent


def pkg_config(*options):
    try:
        found = subprocess.run(["pkg-config", *options, "crc16"], check=True, capture_output=True, text=True)
    except (OSError, subprocess.CalledProcessError) as error:
        raise SystemExit(f"pkg-config finds no libcrc16 (crc16.pc): {error}; set PKG_CONFIG_PATH") from error
    return shlex.split(found.stdout)


def version():
    project = (here.parent / "CMakeLists.txt").read_text()
    found = re.search(r"project\(crc16 VERSION ([0-9.]+)", project)
    if not found:
        raise SystemExit("no version in project() of ../CMakeLists.txt")
    return found.group(1)


libdir = os.path.normpath(pkg_config("--variable=libdir")[0])
# A library outside the system's folders is found by the extension's RPATH.
runtime = [] if re.fullmatch(r"/usr(/local)?/lib(64|/[^/]+)?|/lib(64)?", libdir) else [libdir]
extension = Extension(
    "crc16._crc16",
    sources=["_crc16.c"],
    include_dirs=[flag[2:] for flag in pkg_config("--cflags-only-I")],
    library_dirs=[flag[2:] for flag in pkg_config("--libs-only-L")],
    libraries=[flag[2:] for flag in pkg_config("--libs-only-l")],
    runtime_library_dirs=runtime,
    py_limited_api=True,
)
setup(version=version(), ext_modules=[extension], options={"bdist_wheel": {"py_limited_api": "cp311"}})
