#!/usr/bin/env bash
# Packs this build's packages into a folder of their own and checks what they
# hold: every package has LICENSE or, in a .deb, the copyright file that holds
# it, and a SHA-256 file beside it that matches; the .deb has the changelog
# and the gzipped man page, a program with the stack protector and immediate
# binding, and lintian reports nothing above informational on it, and no
# hardening tag at all.
# usage: package_check.sh CPACK_CONFIG [LINTIAN]   (no LINTIAN: the Windows .zip)
set -u
config=$1 lintian=${2:-}
out=$(mktemp -d "${TMPDIR:-/tmp}/crc16-packages.XXXXXX") || exit 1
trap 'rm -rf "$out"' EXIT
failures=0
require() { # what line-pattern listing
    if ! grep -q -E -- "$2" <<<"$3"; then
        echo "FAIL: $1: nothing matches '$2'"
        failures=$((failures + 1))
    fi
}

if ! cpack --config "$config" -B "$out" >"$out/cpack.log" 2>&1; then
    cat "$out/cpack.log"
    exit 1
fi
shopt -s nullglob
archives=("$out"/*.zip "$out"/*.tar.gz) debs=("$out"/*.deb)
[ ${#archives[@]} -gt 0 ] || { echo "FAIL: no archive was packed"; exit 1; }
for archive in "${archives[@]}"; do
    listing=$(cmake -E tar tf "$archive")
    require "$(basename "$archive") has the licence" '(^|/)LICENSE$' "$listing"
    require "$(basename "$archive") has the README" '(^|/)README\.md$' "$listing"
done
for package in "${archives[@]}" "${debs[@]}"; do
    (cd "$out" && sha256sum --check --quiet "$(basename "$package").sha256") ||
        { echo "FAIL: no matching SHA-256 file beside $(basename "$package")"; failures=$((failures + 1)); }
done

if [ -n "$lintian" ]; then
    [ ${#debs[@]} -eq 1 ] || { echo "FAIL: expected one .deb, found ${#debs[@]}"; exit 1; }
    listing=$(dpkg-deb -c "${debs[0]}")
    require "copyright file" ' \./usr/share/doc/crc16/copyright$' "$listing"
    require "changelog" ' \./usr/share/doc/crc16/changelog\.gz$' "$listing"
    require "gzipped man page" ' \./usr/share/man/man1/crc16\.1\.gz$' "$listing"
    dpkg-deb -x "${debs[0]}" "$out/root"
    require "immediate binding" '\(BIND_NOW\)|\(FLAGS_1\).*NOW' "$(readelf --wide -d "$out/root/usr/bin/crc16")"
    require "stack protector" '__stack_chk_fail' "$(readelf --wide --dyn-syms "$out/root/usr/bin/crc16")"
    # Everything lintian says, infos included, is shown; errors, warnings and
    # any hardening tag fail.
    report=$("$lintian" --display-info --fail-on error,warning "${debs[0]}" 2>/dev/null) ||
        { echo "FAIL: lintian reports errors or warnings"; failures=$((failures + 1)); }
    echo "$report"
    if grep -q 'hardening-' <<<"$report"; then
        echo "FAIL: lintian reports missing hardening"
        failures=$((failures + 1))
    fi
fi
exit $((failures > 0))
