#!/usr/bin/env bash
# Measures what crc16 costs in time and memory, and prints the figures:
#   1. the engine against the plain byte-table loop built with -O2;
#   2. the whole program on a 512 MiB file in the page cache against the engine
#      alone over the same 512 MiB in memory, round by round, medians;
#   3. peak resident memory on an empty file and on a 1 GiB file;
#   4. a run on a tiny file against cksum on the same file.
# usage: bench/run.sh [BUILD_DIR] [ROUNDS]   (BUILD_DIR defaults to build/release)
# Needs hyperfine and gdb (Debian packages of those names) and about 2.5 GiB
# of space in TMPDIR.
set -euo pipefail
build=${1:-build/release}
rounds=${2:-11}
crc16=$(realpath "$build/tool/crc16")
bench=$(realpath "$build/bench/crc16_bench")
work=$(mktemp -d "${TMPDIR:-/tmp}/crc16-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
json_number() { grep -o "\"$1\": *[0-9.e+-]*" | head -n 1 | sed 's/.*: *//'; }

echo "machine: $(grep -m 1 'model name' /proc/cpuinfo | sed 's/.*: //'), $(nproc) cores, $(free -g | awk '/Mem:/ {print $2}') GiB"

echo "== engine against the plain byte-table loop (-O2), interleaved, median of 10"
"$bench" --benchmark_filter='^(crc_update|plain_loop_O2)/' --benchmark_repetitions=10 \
    --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true 2>/dev/null |
    awk '/_median/ {for (i = 1; i <= NF; i++) if ($i ~ /^bytes_per_second=/) {sub(/bytes_per_second=/, "", $i); print $1, $i}}'

echo "== whole program on 512 MiB in the page cache against the engine alone, $rounds rounds"
head -c $((512 << 20)) /dev/urandom >"$work/data"
cat "$work/data" >/dev/null
"$crc16" "$work/data" >/dev/null
: >"$work/ratios"; : >"$work/program"; : >"$work/engine"
for _ in $(seq "$rounds"); do
    hyperfine -N --runs 1 --export-json "$work/run.json" "$crc16 $work/data" >/dev/null 2>&1
    program=$(json_number median <"$work/run.json")
    engine_ms=$("$bench" --benchmark_filter='^crc_update_512MiB' --benchmark_format=json 2>/dev/null | json_number real_time)
    engine=$(awk -v ms="$engine_ms" 'BEGIN {print ms / 1000}')
    echo "$program" >>"$work/program"; echo "$engine" >>"$work/engine"
    awk -v p="$program" -v e="$engine" 'BEGIN {print p / e}' >>"$work/ratios"
done
printf 'program median %.3f s, engine median %.3f s, ratio per round: median %.3f (min %.3f, max %.3f)\n' \
    "$(median <"$work/program")" "$(median <"$work/engine")" "$(median <"$work/ratios")" \
    "$(sort -g "$work/ratios" | head -n 1)" "$(sort -g "$work/ratios" | tail -n 1)"

echo "== peak resident memory (VmHWM) as the file is closed, empty file against 1 GiB"
: >"$work/empty"
cat "$work/data" "$work/data" >"$work/1gib"
# Read inside the process, under gdb: the peak that /usr/bin/time reports from
# outside scatters by up to 200 KiB from one run to the next, whatever the file.
peak() {
    gdb -q -batch -ex 'break fclose' -ex "run $1 >/dev/null" \
        -ex 'python print(open("/proc/%d/status" % gdb.selected_inferior().pid).read())' "$crc16" 2>/dev/null |
        awk '/^VmHWM:/ {print $2}'
}
empty_kb=$(peak "$work/empty"); big_kb=$(peak "$work/1gib")
echo "empty file ${empty_kb} KiB, 1 GiB file ${big_kb} KiB, difference $((big_kb - empty_kb)) KiB"

echo "== start-up on a 9-byte file, against cksum"
printf 123456789 >"$work/tiny"
hyperfine -N --warmup 20 --runs 300 "$crc16 $work/tiny" "cksum $work/tiny" 2>/dev/null | grep -E 'Benchmark|Time'
