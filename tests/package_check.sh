#!/usr/bin/env bash
# Packs this build's packages into PACKAGE_DIR, under a umask that would
# leak into them if anything let it, and checks what they hold: every
# package has LICENSE or, in a .deb, the copyright file that holds it, and a
# SHA-256 file beside it that matches; the .deb has the changelog and the
# gzipped man page dated as the changelog is, members of mode 100644, a
# program with the stack protector and immediate binding, and lintian (which
# also checks the files' modes) reports nothing above informational on it,
# and no hardening tag at all.
# usage: package_check.sh CPACK_CONFIG PACKAGE_DIR CHANGELOG [LINTIAN]   (no LINTIAN: the Windows .zip)
set -u
config=$1 package_dir=$2 changelog=$3 lintian=${4:-}
. "$(dirname "$0")/lib.sh"
use_temp_folder packages

mkdir -p "$package_dir" || exit 1
if ! (umask 002 && cpack --config "$config" -B "$package_dir") >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    exit 1
fi
# This build's packages, as cpack names them; others may share the folder.
mapfile -t made < <(sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p' "$work/cpack.log")
archives=() debs=()
for package in "${made[@]}"; do
    case $package in
    *.deb) debs+=("$package") ;;
    *) archives+=("$package") ;;
    esac
done
[ ${#archives[@]} -gt 0 ] || { echo "FAIL: no archive was packed"; exit 1; }
for archive in "${archives[@]}"; do
    listing=$(cmake -E tar tf "$archive")
    require "$(basename "$archive") has the licence" '(^|/)LICENSE$' "$listing"
    require "$(basename "$archive") has the README" '(^|/)README\.md$' "$listing"
done
for package in "${made[@]}"; do
    (cd "$package_dir" && sha256sum --check --quiet "$(basename "$package").sha256") ||
        fail "no matching SHA-256 file beside $(basename "$package")"
done

if [ -n "$lintian" ]; then
    [ ${#debs[@]} -eq 1 ] || { echo "FAIL: expected one .deb, found ${#debs[@]}"; exit 1; }
    deb=${debs[0]}
    while read -r mode _ _ _ _ _ _ name; do
        [ "$mode" = rw-r--r-- ] || fail "member $name of the .deb has mode $mode, not rw-r--r--"
    done < <(ar tv "$deb")
    listing=$(dpkg-deb -c "$deb")
    require "copyright file" ' \./usr/share/doc/crc16/copyright$' "$listing"
    require "changelog" ' \./usr/share/doc/crc16/changelog\.gz$' "$listing"
    require "gzipped man page" ' \./usr/share/man/man1/crc16\.1\.gz$' "$listing"
    dpkg-deb -x "$deb" "$work/root"
    if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
        # "Wed, 09 Dec 2026 ..." in the changelog's trailer: the man page's "2026-12-09".
        day=$(sed -n 's/^ -- .*>  [A-Z][a-z][a-z], \([0-9]*\) \([A-Z][a-z][a-z]\) \([0-9]*\) .*/\3 \2 \1/p' "$changelog" | head -n 1 |
            awk '{printf "%s-%02d-%02d", $1, index("JanFebMarAprMayJunJulAugSepOctNovDec", $2) / 3 + 1, $3}')
        require "man page dated as the changelog" "^\\.TH CRC16 1 \"$day\"" "$(gzip -dc "$work/root/usr/share/man/man1/crc16.1.gz")"
    fi
    require "immediate binding" '\(BIND_NOW\)|\(FLAGS_1\).*NOW' "$(readelf --wide -d "$work/root/usr/bin/crc16")"
    require "stack protector" '__stack_chk_fail' "$(readelf --wide --dyn-syms "$work/root/usr/bin/crc16")"
    # Everything lintian says, infos included, is shown; errors, warnings and
    # any hardening tag fail.
    report=$("$lintian" --display-info --fail-on error,warning "$deb" 2>/dev/null) ||
        fail "lintian reports errors or warnings"
    echo "$report"
    grep -q 'hardening-' <<<"$report" && fail "lintian reports missing hardening"
fi
finish
