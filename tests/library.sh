#!/usr/bin/env bash
# The library as its users meet it: doc/library.md's C example built against
# a fresh install three ways (CMake's find_package, pkg-config, and the
# static library with cc alone), and its Python example run by ctypes, each
# printing what the page says; and the shared library's interface held to
# the baseline in library/crc16.abi.
# usage: library.sh CASE SOURCE_DIR BUILD_DIR SHARED_LIBRARY   (exit 77: the case cannot run here)
set -u
CASES="consumers ctypes abi"
case_name=$1 source_dir=$2 build_dir=$3 shared=$4
. "$(dirname "$0")/lib.sh"
use_temp_folder library
cd "$work" || exit 1

skip() {
    echo "skipped: $1"
    exit 77
}

# block LANGUAGE N: the Nth block of doc/library.md fenced as LANGUAGE.
block() {
    awk -v language="$1" -v wanted="$2" '
        /^```/ && inside { inside = 0; next }
        $0 == "```" language { count++; inside = (count == wanted); next }
        inside { print }' "$source_dir/doc/library.md"
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
