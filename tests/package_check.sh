#!/usr/bin/env bash
# Packs this build's packages into PACKAGE_DIR, under a umask that would
# leak into them if anything let it, and checks them as users meet them:
# archives that unpack into one folder, a static program that runs alone in
# an empty root (exit 77 where none can be entered: that needs root or
# unshare -r), an .rpm and a .deb that rpmlint and lintian pass.
# usage: package_check.sh CPACK_CONFIG PACKAGE_DIR CHANGELOG
# Tools, where set: CRC16_LINTIAN, CRC16_RPMLINT, and CRC16_EMULATOR, the
# static emulator of a cross-built program; CRC16_BUILT_BY_CLANG, where
# clang built them; CRC16_PYTHON, the Python that python3-crc16 is built
# for, where the build made it.
set -u
config=$1 package_dir=$2 changelog=$3 lintian=${CRC16_LINTIAN:-} rpmlint=${CRC16_RPMLINT:-}
. "$(dirname "$0")/lib.sh"
use_temp_folder packages
cd "$work" || exit 1

mkdir -p "$package_dir" || exit 1
if ! (umask 002 && cpack --config "$config" -B "$package_dir") >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    exit 1
fi
# This build's packages, as cpack names them; others may share the folder.
mapfile -t made < <(sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p' "$work/cpack.log")
archives=() debs=() rpms=()
for package in "${made[@]}"; do
    case $package in
    *.deb) debs+=("$package") ;;
    *.rpm) rpms+=("$package") ;;
    *) archives+=("$package") ;;
    esac
done
[ ${#archives[@]} -gt 0 ] || { echo "FAIL: no archive was packed"; exit 1; }

# in_empty_root ROOT PROGRAM: PROGRAM, a path in ROOT, is static and runs
# there alone, as root or as root of a user namespace.
as_root=() not_run=""
[ "$(id -u)" = 0 ] || { as_root=(unshare -r) && unshare -r true 2>/dev/null; } || not_run="neither root nor unshare -r"
in_empty_root() {
    local program
    for program in "$2" "${2}sum"; do
        require "$program is static" 'static(-pie)? linked|statically linked' "$(file -b "$1$program")"
        require "$program has read-only relocations" 'GNU_RELRO' "$(readelf --wide -l "$1$program")"
    done
    [ -z "$not_run" ] || return
    local run=("$2")
    [ -z "${CRC16_EMULATOR:-}" ] || { cp "$CRC16_EMULATOR" "$1/emulator" && run=(/emulator "$2"); }
    printf 123456789 >"$1/digits" && crc16=("${as_root[@]}" chroot "$1" "${run[@]}")
    expect 0xBB3D 0 /digits
    expect $'Too few command-line arguments.\n' 255
    expect $'Fail to open file.\n' 255 /no-such-file
    crc16=("${as_root[@]}" chroot "$1" "${run[@]}sum")
    expect $'0xBB3D  /digits\n' 0 /digits
}
# Nothing may be dated after the later of now and the builder's source date.
touch "$work/now"
[ "${SOURCE_DATE_EPOCH:-0}" -le "$(date +%s)" ] || touch -d "@$SOURCE_DATE_EPOCH" "$work/now"
for archive in "${archives[@]}"; do
    name=$(basename "$archive") && top=${name%.tar.gz} && top=${top%.zip}
    listing=$(cmake -E tar tf "$archive" | sed 's|/$||')
    require "$name has the licence" "^$top/(.*/)?LICENSE$" "$listing"
    require "$name has the README" "^$top/(.*/)?README\\.md$" "$listing"
    [[ $name != *.zip ]] || require "$name has the Windows page" "^$top/windows\\.md$" "$listing"
    # The library's development files; the zips' DLL and import library.
    libraries=(include/crc16.h lib/libcrc16.a lib/pkgconfig/crc16.pc lib/cmake/crc16/crc16Config.cmake)
    [[ $name != *.zip ]] || libraries+=(bin/crc16.dll lib/libcrc16.dll.a)
    for file in "${libraries[@]}"; do
        require "$name has the library's $file" "^$top/${file//./\\.}$" "$listing"
    done
    grep -v "^$top\(/\|$\)" <<<"$listing" && fail "$name has the paths above outside its folder $top/"
    sort <<<"$listing" | uniq -d | grep . && fail "$name lists the paths above twice"
    mkdir "$work/$name" && (cd "$work/$name" && cmake -E tar xf "$archive") || fail "$name does not unpack"
    find "$work/$name/$top" -mindepth 1 -newer "$work/now" | grep . && fail "$name has the paths above dated in the future"
    [[ $name != *.tar.gz ]] || in_empty_root "$work/$name/$top" /bin/crc16
done

# The programs' .deb, whose summary and description the programs' .rpm shares.
deb_programs=""
for deb in "${debs[@]}"; do
    [ "$(dpkg-deb -f "$deb" Package)" = crc16 ] && deb_programs=$deb
done
# Each .rpm holds its own paths: the programs, the shared library (in
# lib64 on 64-bit systems), the development files.
libdir=/usr/lib
case ${rpms[0]:-} in *.x86_64.rpm | *.aarch64.rpm | *.s390x.rpm | *.ppc64le.rpm | *.riscv64.rpm) libdir=/usr/lib64 ;; esac
rpm_paths() {
    case $1 in
    crc16) echo "/usr/bin/crc16 /usr/bin/crc16sum /usr/share/doc/crc16 /usr/share/doc/crc16/LICENSE /usr/share/doc/crc16/README.md /usr/share/man/man1/crc16.1.gz /usr/share/man/man1/crc16sum.1.gz " ;;
    crc16-libs) echo "$libdir/libcrc16.so.1 $libdir/libcrc16.so.1.0.0 " ;;
    crc16-devel) echo "/usr/include/crc16.h $libdir/cmake/crc16 $libdir/cmake/crc16/crc16-rpm-targets-release.cmake $libdir/cmake/crc16/crc16-rpm-targets.cmake $libdir/cmake/crc16/crc16Config.cmake $libdir/cmake/crc16/crc16ConfigVersion.cmake $libdir/libcrc16.so $libdir/pkgconfig/crc16.pc /usr/share/man/man3/crc16.3.gz " ;;
    esac
}
for rpm in "${rpms[@]}"; do
    query() { rpm -qp --queryformat "$1" "$rpm"; }
    package=$(query '%{NAME}')
    [ "$(query '[%{FILENAMES} ]')" = "$(rpm_paths "$package")" ] ||
        fail "the .rpm $package holds other paths than its own: $(query '[%{FILENAMES} ]')"
    case $package in
    crc16-libs) require "crc16-libs states the C library it needs" '^libc\.so\.6' "$(rpm -qp --requires "$rpm")" ;;
    crc16-devel) require "crc16-devel needs crc16-libs" '^crc16-libs' "$(rpm -qp --requires "$rpm")" ;;
    esac
    [ "$package" = crc16 ] || continue
    # dpkg's Description: the summary, then the description indented by a space.
    [ -z "$deb_programs" ] || [ "$(query '%{SUMMARY}\n%{DESCRIPTION}')" = "$(dpkg-deb -f "$deb_programs" Description | sed 's/^ //')" ] ||
        fail "the .rpm's summary and description are not the .deb's"
    [ -n "$not_run" ] && continue
    "${as_root[@]}" rpm --install --ignorearch --root "$work/rpm-root" "$rpm" 2>"$work/rpm.log" ||
        fail "the .rpm does not install into an empty root: $(cat "$work/rpm.log")"
    in_empty_root "$work/rpm-root" /usr/bin/crc16
done
# All at once: rpmlint holds the development package to the library's.
[ ${#rpms[@]} = 0 ] || [ ${#rpms[@]} = 3 ] || fail "expected three .rpms, found ${#rpms[@]}"
# rpmlint qualifies a requirement by the architecture (%{_isa}) of the
# machine it runs on; a cross-built package is held to its own architecture's.
mkdir "$work/rpmlint-home"
if [ ${#rpms[@]} != 0 ] && platform=/usr/lib/rpm/platform/$(rpm -qp --qf '%{ARCH}' "${rpms[0]}")-linux/macros &&
    [ -f "$platform" ]; then
    rpm --load "$platform" --eval '%%_isa %{_isa}' >"$work/rpmlint-home/.rpmmacros"
fi
[ ${#rpms[@]} = 0 ] || HOME="$work/rpmlint-home" "$rpmlint" --strict --ignore-unused-rpmlintrc \
    -r "$(dirname "$0")/../cmake/crc16.rpmlintrc" "${rpms[@]}" ||
    fail "rpmlint reports what cmake/crc16.rpmlintrc does not justify"
# Each SHA-256 file holds the line that sha256sum prints for its package.
for package in "${made[@]}"; do
    name=$(basename "$package")
    [ "$(cd "$package_dir" && sha256sum "$name")" = "$(cat "$package_dir/$name.sha256" 2>/dev/null)" ] ||
        fail "no matching SHA-256 file beside $name"
done

if [ -n "$lintian" ]; then
    expected=3
    [ -z "${CRC16_PYTHON:-}" ] || expected=4
    [ ${#debs[@]} -eq $expected ] || { echo "FAIL: expected $expected .debs, found ${#debs[@]}"; exit 1; }
    for deb in "${debs[@]}"; do
        while read -r mode _ _ _ _ _ _ name; do
            [ "$mode" = rw-r--r-- ] || fail "member $name of $(basename "$deb") has mode $mode, not rw-r--r--"
        done < <(ar tv "$deb")
        package=$(dpkg-deb -f "$deb" Package)
        listing=$(dpkg-deb -c "$deb")
        require "$package: copyright file" " \\./usr/share/doc/$package/copyright$" "$listing"
        require "$package: changelog" " \\./usr/share/doc/$package/changelog\\.gz$" "$listing"
        # Everything lintian says, infos included, is shown; errors, warnings and
        # any hardening tag fail.
        report=$("$lintian" --display-info --fail-on error,warning "$deb" 2>/dev/null) ||
            fail "lintian reports errors or warnings on $package"
        echo "$report"
        # clang cannot fortify snprintf (glibc's checked form needs GCC's
        # __va_arg_pack), which is all the shared library could have fortified.
        [ -n "${CRC16_BUILT_BY_CLANG:-}" ] && [ "$package" = libcrc16-1 ] &&
            report=$(grep -v ': hardening-no-fortify-functions ' <<<"$report")
        grep -q 'hardening-' <<<"$report" && fail "lintian reports missing hardening on $package"
        case $package in
        crc16) ;;
        libcrc16-1) deb_library=$deb ;;
        libcrc16-dev) deb_development=$deb ;;
        python3-crc16) deb_python=$deb ;;
        *) fail "a .deb of no known package: $package" ;;
        esac
    done
    # The shared library's package: beside its twins of other architectures,
    # the ldconfig trigger, and the symbols its dependants are held to.
    fields=$(dpkg-deb -f "$deb_library")
    require "libcrc16-1 is Multi-Arch: same" '^Multi-Arch: same$' "$fields"
    require "libcrc16-1 states the C library it needs" '^Depends: libc6 ' "$fields"
    control=$(dpkg-deb --ctrl-tarfile "$deb_library" | tar tf -)
    for file in symbols shlibs triggers; do
        require "libcrc16-1 has the control file $file" "^\\./$file$" "$control"
    done
    grep -E '^\./post(inst|rm)$' <<<"$control" && fail "libcrc16-1 runs the maintainer scripts above: the trigger runs ldconfig"
    require "libcrc16-1: the trigger runs ldconfig" '^activate-noawait ldconfig$' \
        "$(dpkg-deb --ctrl-tarfile "$deb_library" | tar xOf - ./triggers)"
    require "libcrc16-dev needs libcrc16-1 of its version" '^Depends: libcrc16-1 \(= ' "$(dpkg-deb -f "$deb_development")"

    # The Python package, unpacked beside the shared library's, as Python
    # loads it from Debian's folder of modules.
    if [ -n "${CRC16_PYTHON:-}" ]; then
        fields=$(dpkg-deb -f "$deb_python")
        require "python3-crc16 needs libcrc16-1" '^Depends: .*libcrc16-1 \(>= ' "$fields"
        require "python3-crc16 needs Python 3.11 or later" '^Depends: .*python3 \(>= 3\.11~\)' "$fields"
        modules=/usr/lib/python3/dist-packages/crc16
        listing=$(dpkg-deb -c "$deb_python")
        for file in __init__.py __init__.pyi py.typed _crc16.abi3.so; do
            require "python3-crc16 has $file" " \.$modules/${file//./\\.}\$" "$listing"
        done
        dpkg-deb -x "$deb_python" "$work/python-root" && dpkg-deb -x "$deb_library" "$work/python-root" || exit 1
        loaded=$(cd "$work" && PYTHONPATH=$work/python-root/usr/lib/python3/dist-packages PYTHONDONTWRITEBYTECODE=1 \
            LD_LIBRARY_PATH=$(dirname "$(find "$work/python-root" -name libcrc16.so.1)") \
            "$CRC16_PYTHON" -c 'import crc16; print(hex(crc16.crc(b"123456789", "MODBUS")))' 2>&1)
        [ "$loaded" = 0x4b37 ] || fail "python3-crc16, unpacked, gave '$loaded', not 0x4b37"
    fi

    listing=$(dpkg-deb -c "$deb_programs")
    require "gzipped man pages" ' \./usr/share/man/man1/crc16\.1\.gz$' "$listing"
    require "gzipped man pages" ' \./usr/share/man/man1/crc16sum\.1\.gz$' "$listing"
    dpkg-deb -x "$deb_programs" "$work/root"
    if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
        # "Wed, 09 Dec 2026 ..." in the changelog's trailer: the man page's "2026-12-09".
        day=$(sed -n 's/^ -- .*>  [A-Z][a-z][a-z], \([0-9]*\) \([A-Z][a-z][a-z]\) \([0-9]*\) .*/\3 \2 \1/p' "$changelog" | head -n 1 |
            awk '{printf "%s-%02d-%02d", $1, index("JanFebMarAprMayJunJulAugSepOctNovDec", $2) / 3 + 1, $3}')
        require "man page dated as the changelog" "^\\.TH CRC16 1 \"$day\"" "$(gzip -dc "$work/root/usr/share/man/man1/crc16.1.gz")"
    fi
    for program in crc16 crc16sum; do
        require "$program: immediate binding" '\(BIND_NOW\)|\(FLAGS_1\).*NOW' "$(readelf --wide -d "$work/root/usr/bin/$program")"
        require "$program: stack protector" '__stack_chk_fail' "$(readelf --wide --dyn-syms "$work/root/usr/bin/$program")"
    done
    readelf --wide -d "$work/root/usr/bin/crc16sum" | grep -F libcrc16 && fail "crc16sum needs the shared library"
fi
[ "$failures" = 0 ] && [ -n "$not_run" ] && { echo "skipped: the runs in an empty root: $not_run"; exit 77; }
finish
