#!/usr/bin/env bash
# The library as its users meet it: doc/library.md's C example built against
# a fresh install three ways (CMake's find_package, pkg-config, and the
# static library with cc alone), and its Python example run by ctypes, each
# printing what the page says; doc/python.md's examples against this build's
# Python package, and pip's build of the package against a fresh install of
# the library, in a virtual environment; and the shared library's interface
# held to the baseline in library/crc16.abi.
# The Python cases take CRC16_PYTHON (the interpreter), CRC16_PYTHON_PACKAGE
# (the folder that holds this build's crc16/), or CRC16_PYTHON_SKIP (why
# there is none).
# usage: library.sh CASE SOURCE_DIR BUILD_DIR SHARED_LIBRARY   (exit 77: the case cannot run here)
set -u
CASES="consumers ctypes python-doc python-pip abi"
case_name=$1 source_dir=$2 build_dir=$3 shared=$4
. "$(dirname "$0")/lib.sh"
use_temp_folder library
cd "$work" || exit 1

skip() {
    echo "skipped: $1"
    exit 77
}

# block LANGUAGE N [PAGE]: the Nth block of doc/PAGE.md (library) fenced as LANGUAGE.
block() {
    awk -v language="$1" -v wanted="$2" '
        /^```/ && inside { inside = 0; next }
        $0 == "```" language { count++; inside = (count == wanted); next }
        inside { print }' "$source_dir/doc/${3:-library}.md"
}

# python_package: skips where this build has no Python package.
python_package() {
    [ -z "${CRC16_PYTHON_SKIP:-}" ] || skip "no Python package in this build: $CRC16_PYTHON_SKIP"
    python=${CRC16_PYTHON:?}
}

# same_output WHAT WANT: the file out holds WANT and a newline.
same_output() {
    [ "$(cat out)" = "$2" ] || fail "$1 printed '$(cat out)', not '$2'"
}

case $case_name in
consumers)
    for tool in cc pkg-config; do
        command -v "$tool" >/dev/null || skip "no $tool on this host"
    done
    block c 1 >checks.c
    want=$(block text 1)
    # The plain install, and the .tar.gz's layout, with the static library alone.
    for variant in plain archive; do
        prefix=$work/$variant
        components=("${variant}_development")
        [ $variant = archive ] || components+=("${variant}_library")
        for component in "${components[@]}"; do
            cmake --install "$build_dir" --prefix "$prefix" --component "$component" >install.log ||
                { cat install.log; exit 1; }
        done
        export PKG_CONFIG_PATH
        PKG_CONFIG_PATH=$(dirname "$(find "$prefix" -name crc16.pc)")
        libdir=$(pkg-config --variable=libdir crc16)

        mkdir "$variant-by-cmake" && block cmake 1 >"$variant-by-cmake/CMakeLists.txt" && cp checks.c "$variant-by-cmake/"
        cmake -S "$variant-by-cmake" -B "$variant-by-cmake/build" -DCMAKE_PREFIX_PATH="$prefix" >cmake.log 2>&1 &&
            cmake --build "$variant-by-cmake/build" >>cmake.log 2>&1 || { cat cmake.log; fail "$variant: find_package(crc16): no build"; }
        "$variant-by-cmake/build/checks" >out && same_output "$variant: built by find_package(crc16)" "$want"
        readelf -d "$variant-by-cmake/build/checks" >needed
        if [ $variant = plain ]; then
            require "find_package(crc16): the shared library" "\\[libcrc16\\.so\\.1\\]" "$(cat needed)"
        else
            grep -F libcrc16 needed && fail "$variant: find_package(crc16) gave a shared library where there is none"
        fi

        eval "cc -o $variant-by-pkg-config checks.c $(block sh 1 | sed 's/^cc -o checks checks\.c //')" ||
            fail "$variant: pkg-config: no build"
        LD_LIBRARY_PATH=$libdir "./$variant-by-pkg-config" >out && same_output "$variant: built by pkg-config" "$want"

        eval "cc -o $variant-static checks.c $(block sh 2 | sed 's/^cc -o checks checks\.c //')" ||
            fail "$variant: cc with libcrc16.a: no build"
        "./$variant-static" >out && same_output "$variant: linked with the static library" "$want"
        readelf -d "$variant-static" | grep -E 'NEEDED.*(crc16|stdc\+\+)' &&
            fail "$variant: the static consumer needs the libraries above"
    done
    ;;
ctypes)
    command -v python3 >/dev/null || skip "no python3 on this host"
    block python 1 >checks.py
    CRC16_LIBRARY=$shared python3 checks.py >out 2>err || fail "the Python example failed: $(cat err)"
    same_output "the Python example" "$(block text 2)"
    ;;
python-doc)
    python_package
    examples=$(grep -c '^```python$' "$source_dir/doc/python.md")
    [ "$examples" -gt 0 ] || fail "doc/python.md has no Python example"
    for i in $(seq "$examples"); do
        block python "$i" python >"example$i.py"
        PYTHONPATH=$CRC16_PYTHON_PACKAGE "$python" "example$i.py" >out 2>err || fail "example $i failed: $(cat err)"
        same_output "doc/python.md's example $i" "$(block text "$i" python)"
    done
    ;;
python-pip)
    python_package
    for module in venv pip setuptools wheel; do
        "$python" -c "import $module" 2>/dev/null || skip "no $module for $python (python3-$module)"
    done
    command -v pkg-config >/dev/null || skip "no pkg-config on this host"
    # A copy of the package's sources, with the project's version above them.
    mkdir source && cp -R "$source_dir/python" source/ && cp "$source_dir/CMakeLists.txt" source/ || exit 1
    for component in plain_library plain_development; do
        cmake --install "$build_dir" --prefix "$work/prefix" --component "$component" >install.log ||
            { cat install.log; exit 1; }
    done
    PKG_CONFIG_PATH=$(dirname "$(find "$work/prefix" -name crc16.pc)") && export PKG_CONFIG_PATH
    # The system's pip, run inside the environment, installs into it.
    "$python" -m venv --system-site-packages --without-pip venv || fail "no virtual environment"
    venv/bin/python -m pip install --no-build-isolation --no-index source/python >pip.log 2>&1 ||
        fail "pip install failed: $(cat pip.log)"
    mkdir elsewhere && cd elsewhere || exit 1
    venv=$work/venv/lib
    env -u PYTHONPATH "$work/venv/bin/python" -c 'import crc16; print(crc16._crc16.__file__); print(hex(crc16.crc(b"123456789", "MODBUS")))' >out 2>err ||
        fail "the installed package does not load: $(cat err)"
    require "the package in the environment, the extension for the limited API" "^$venv/python3[.0-9]*/site-packages/crc16/_crc16\.abi3\.so$" "$(head -n 1 out)"
    [ "$(tail -n 1 out)" = 0x4b37 ] || fail "the installed package gave $(tail -n 1 out), not 0x4b37"
    ;;
abi)
    command -v abidiff >/dev/null || skip "no abidiff on this host (Debian's abigail-tools)"
    baseline=$source_dir/library/crc16.abi
    readelf -h "$shared" | grep -q 'Machine: *Advanced Micro Devices X86-64' ||
        skip "the baseline is of the x86-64 library; this one is another processor's"
    abidiff --no-added-syms "$baseline" "$shared" >report ||
        fail "the interface differs from library/crc16.abi: $(cat report)"
    abidiff "$baseline" "$shared" >report || fail "the interface has calls that library/crc16.abi lacks: $(cat report)"
    # The check must see a changed signature: the baseline with
    # crc16_checksum's length an int, not a size_t, is another interface.
    int=$(sed -n "s/.*<type-decl name='int' .* id='\([^']*\)'.*/\1/p" "$baseline" | head -n 1)
    sed "/function-decl name='crc16_checksum'/,/<\/function-decl>/s/type-id='[^']*' name='length'/type-id='$int' name='length'/" \
        "$baseline" >mutant.abi
    cmp -s mutant.abi "$baseline" && fail "no mutant made of library/crc16.abi"
    abidiff mutant.abi "$shared" >report && fail "abidiff sees no change in crc16_checksum's signature"
    ;;
esac
finish
