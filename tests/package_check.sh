#!/usr/bin/env bash
# Packs this build's packages into PACKAGE_DIR, under a umask that would
# leak into them if anything let it, and checks them as their users meet them:
#   - every package has a SHA-256 file beside it that matches;
#   - every archive unpacks into one folder named like itself, each path
#     once, nothing dated in the future, with the README and LICENSE;
#   - the program of the .tar.gz and the .rpm is static, and runs in an empty
#     root (a chroot holding only it and a test file; a cross-built one under
#     the target's static emulator, copied in), where it prints the right
#     checksum and both messages;
#   - the .rpm holds exactly its files, has the .deb's summary and
#     description and the licence MIT, passes rpmlint (tests/rpmlintrc says
#     what it lets through and why), and installs into an empty root;
#   - the .deb has the changelog and the gzipped man page dated as the
#     changelog is, members of mode 100644, a program with the stack
#     protector and immediate binding, and lintian (which also checks the
#     files' modes) reports nothing above informational on it, and no
#     hardening tag at all.
# usage: package_check.sh CPACK_CONFIG PACKAGE_DIR CHANGELOG
# Where set in the environment: CRC16_LINTIAN and CRC16_RPMLINT, the tools;
# CRC16_EMULATOR, the target's static emulator (qemu-aarch64-static, ...).
# Exit 77 when all else passed but the empty-root runs could not be made:
# they need root, or user namespaces for unshare -r.
set -u
config=$1 package_dir=$2 changelog=$3
lintian=${CRC16_LINTIAN:-} rpmlint=${CRC16_RPMLINT:-} emulator=${CRC16_EMULATOR:-}
tests=$(cd "$(dirname "$0")" && pwd)
. "$tests/lib.sh"
use_temp_folder packages
cd "$work" || exit 1

mkdir -p "$package_dir" || exit 1
if ! (umask 002 && cpack --config "$config" -B "$package_dir") >cpack.log 2>&1; then
    cat cpack.log
    exit 1
fi
touch now
# This build's packages, as cpack names them; others may share the folder.
mapfile -t made < <(sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p' cpack.log)
[ ${#made[@]} -gt 0 ] || { echo "FAIL: nothing was packed"; exit 1; }
for package in "${made[@]}"; do
    (cd "$package_dir" && sha256sum --check --quiet "$(basename "$package").sha256") ||
        fail "no matching SHA-256 file beside $(basename "$package")"
done
package() { printf '%s\n' "${made[@]}" | grep -E "$1"; }

# An empty root is entered with chroot: as root, or as root of a user namespace.
as_root=() not_run=""
if [ "$(id -u)" != 0 ]; then
    as_root=(unshare -r)
    "${as_root[@]}" true 2>/dev/null || not_run="cannot enter an empty root: not root, and unshare -r fails"
fi
# in_empty_root ROOT PROGRAM: PROGRAM, a path inside ROOT, is static, and
# runs there with nothing else from the host.
in_empty_root() {
    local root=$1 program=$2 run=()
    require "$program is static" 'static(-pie)? linked|statically linked' "$(file -b "$root$program")"
    require "$program has read-only relocations" 'GNU_RELRO' "$(readelf --wide -l "$root$program")"
    [ -z "$not_run" ] || return
    if [ -n "$emulator" ]; then
        cp "$emulator" "$root/emulator" && run=(/emulator) || return
    fi
    printf 123456789 >"$root/digits"
    crc16=("${as_root[@]}" chroot "$root" "${run[@]}" "$program")
    expect 0xBB3D 0 /digits
    expect $'Too few command-line arguments.\n' 255
    expect $'Fail to open file.\n' 255 /no-such-file
}

for archive in $(package '\.(tar\.gz|zip)$'); do
    name=$(basename "$archive") && top=${name%.tar.gz} && top=${top%.zip}
    listing=$(cmake -E tar tf "$archive" | sed 's|/$||')
    require "$name has the licence" "^$top/(.*/)?LICENSE$" "$listing"
    require "$name has the README" "^$top/(.*/)?README\\.md$" "$listing"
    outside=$(grep -v "^$top\(/\|$\)" <<<"$listing") && fail "$name has paths outside $top/: $outside"
    twice=$(sort <<<"$listing" | uniq -d) && [ -n "$twice" ] && fail "$name lists paths twice: $twice"
    mkdir "unpacked-$top" && (cd "unpacked-$top" && cmake -E tar xf "$archive") || fail "$name does not unpack"
    future=$(find "unpacked-$top/$top" -mindepth 1 -newer now) && [ -n "$future" ] && fail "$name has paths dated in the future: $future"
    if [[ $name == *.tar.gz ]]; then
        in_empty_root "$work/unpacked-$top/$top" /bin/crc16
    fi
done

rpm=$(package '\.rpm$')
deb=$(package '\.deb$')
if [ -n "$rpm" ]; then
    query() { rpm -qp --queryformat "$1" "$rpm"; }
    require "the .rpm's licence" '^MIT$' "$(query '%{LICENSE}')"
    [ "$(query '[%{FILENAMES}\n]')" = "/usr/bin/crc16
/usr/share/doc/crc16
/usr/share/doc/crc16/LICENSE
/usr/share/doc/crc16/README.md
/usr/share/man/man1/crc16.1.gz" ] || fail "the .rpm holds other paths than its own: $(query '[%{FILENAMES}\n]')"
    if [ -n "$deb" ]; then
        # dpkg's Description: the summary, then the description indented by a space.
        [ "$(query '%{SUMMARY}\n%{DESCRIPTION}')" = "$(dpkg-deb -f "$deb" Description | sed 's/^ //')" ] ||
            fail "the .rpm's summary and description are not the .deb's"
    fi
    if [ -n "$rpmlint" ]; then
        "$rpmlint" --strict --ignore-unused-rpmlintrc -r "$tests/rpmlintrc" "$rpm" || fail "rpmlint reports what tests/rpmlintrc does not justify"
    fi
    if [ -z "$not_run" ]; then
        "${as_root[@]}" rpm --install --ignorearch --root "$work/rpm-root" "$rpm" 2>rpm.log ||
            fail "the .rpm does not install into an empty root: $(cat rpm.log)"
        in_empty_root "$work/rpm-root" /usr/bin/crc16
    fi
fi

if [ -n "$lintian" ]; then
    [ "$(wc -w <<<"$deb")" -eq 1 ] || { echo "FAIL: expected one .deb, found '$deb'"; exit 1; }
    while read -r mode _ _ _ _ _ _ name; do
        [ "$mode" = rw-r--r-- ] || fail "member $name of the .deb has mode $mode, not rw-r--r--"
    done < <(ar tv "$deb")
    listing=$(dpkg-deb -c "$deb")
    require "copyright file" ' \./usr/share/doc/crc16/copyright$' "$listing"
    require "changelog" ' \./usr/share/doc/crc16/changelog\.gz$' "$listing"
    require "gzipped man page" ' \./usr/share/man/man1/crc16\.1\.gz$' "$listing"
    dpkg-deb -x "$deb" deb-root
    if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
        # "Wed, 09 Dec 2026 ..." in the changelog's trailer: the man page's "2026-12-09".
        day=$(sed -n 's/^ -- .*>  [A-Z][a-z][a-z], \([0-9]*\) \([A-Z][a-z][a-z]\) \([0-9]*\) .*/\3 \2 \1/p' "$changelog" | head -n 1 |
            awk '{printf "%s-%02d-%02d", $1, index("JanFebMarAprMayJunJulAugSepOctNovDec", $2) / 3 + 1, $3}')
        require "man page dated as the changelog" "^\\.TH CRC16 1 \"$day\"" "$(gzip -dc deb-root/usr/share/man/man1/crc16.1.gz)"
    fi
    require "immediate binding" '\(BIND_NOW\)|\(FLAGS_1\).*NOW' "$(readelf --wide -d deb-root/usr/bin/crc16)"
    require "stack protector" '__stack_chk_fail' "$(readelf --wide --dyn-syms deb-root/usr/bin/crc16)"
    # Everything lintian says, infos included, is shown; errors, warnings and
    # any hardening tag fail.
    report=$("$lintian" --display-info --fail-on error,warning "$deb" 2>/dev/null) ||
        fail "lintian reports errors or warnings"
    echo "$report"
    grep -q 'hardening-' <<<"$report" && fail "lintian reports missing hardening"
fi
if [ "$failures" = 0 ] && [ -n "$not_run" ]; then
    echo "skipped: the empty-root runs: $not_run"
    exit 77
fi
finish
