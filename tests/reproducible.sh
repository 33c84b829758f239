#!/usr/bin/env bash
# Builds the packages twice from clean copies of HEAD, as two builders would:
# in folders of other names and lengths, some seconds apart, with other
# umasks, time zones and locales, and no SOURCE_DATE_EPOCH; then fails on any
# difference between the two, and prints the SHA-256 of each package.
# usage: tests/reproducible.sh PACKAGE_PRESET...
set -u
cd "$(dirname "$0")/.." || exit 1
presets=("$@")
. tests/lib.sh
use_temp_folder reproducible

# build FOLDER UMASK TZ LOCALE: the packages of every preset, in FOLDER/build/packages
build() {
    git clone -q . "$1" || return 1
    (
        cd "$1" && umask "$2" && export TZ=$3 LC_ALL=$4 && unset SOURCE_DATE_EPOCH || exit 1
        for preset in "${presets[@]}"; do
            cmake --preset "$preset" -DBUILD_TESTING=OFF -DCRC16_BUILD_BENCHMARKS=OFF >"$1.log" 2>&1 && cmake --build --preset "$preset" >>"$1.log" 2>&1 &&
                cpack --preset "$preset" >>"$1.log" 2>&1 || { cat "$1.log"; exit 1; }
        done
    )
}
build "$work/a" 022 UTC C.UTF-8 || exit 1
sleep 2
build "$work/second-builder/in-a-longer-folder" 002 Pacific/Kiritimati POSIX || exit 1

cd "$work/a/build/packages" || exit 1
other="$work/second-builder/in-a-longer-folder/build/packages"
packages() { for file in "$1"/*; do [ -f "$file" ] && echo "${file##*/}"; done | sort; }
[ "$(packages .)" = "$(packages "$other")" ] || { echo "FAIL: the two builds made different packages:"; ls . "$other"; exit 1; }
for package in $(packages . | grep -v '\.sha256$'); do
    sha256sum "$package"
    cmp -s "$package" "$other/$package" || fail "$package differs"
done
finish
