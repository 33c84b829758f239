#!/usr/bin/env bash
# Measures what crc16 costs in time and memory, and prints the figures:
#   1. the engine against the plain byte-table loop built with -O2
#      (crc16_engine_ratio, as in the engines mode below);
#   2. the whole program on a 512 MiB file in the page cache against the engine
#      alone over the same 512 MiB in memory plus a loop that only reads the
#      file as the program does, round by round, medians;
#   3. peak resident memory on an empty file and on a 1 GiB file;
#   4. a run on a tiny file against cksum on the same file;
#   5. start-up of the static program (the archives' and the .rpm's)
#      against the dynamic one (the .deb's), on a tiny file, and both over
#      10,000 files of 1 KiB, one process a file, through xargs -P "$(nproc)";
#      round by round, medians of the per-round ratios.
# usage: bench/run.sh [BUILD_DIR] [ROUNDS]   (BUILD_DIR defaults to build/release)
#
# bench/run.sh compare PROGRAM_A PROGRAM_B [ROUNDS] times two builds of the
# program on the same 512 MiB file, round by round, and prints their medians.
#
# bench/run.sh sums [BUILD_DIR] [ROUNDS] times crc16sum over many small
# files, a few large ones and one large one, against cksum, cat and, on
# the large ones, two readers side by side (two cat, two dd), and measures
# its peak memory (see sums below; needs GNU time, /usr/bin/time).
#
# bench/run.sh frames [BUILD_DIR] [ROUNDS] times crc16sum --hex against
# xxd -r -p (see frames below; needs xxd).
#
# bench/run.sh search [BUILD_DIR] [ROUNDS] times crc16sum --identify --search
# on frames, on files that carry their checksum and on samples of several
# sizes, by the engine in use and by the table (see search below).
#
# bench/run.sh python [BUILD_DIR] [ROUNDS] times the Python package against
# the library's one-call form and zlib.crc32 (see python below; Debian's
# /usr/bin/python3, or CRC16_PYTHON).
#
# bench/run.sh reads [BUILD_DIR] [ROUNDS] times crc16sum's reads of a large
# file against mapping it, and, as root, the sequential hint from the disk
# (see reads below).
#
# bench/run.sh readers CRC16SUM... times several builds of crc16sum (builds
# that differ in how they read, say) against two readers side by side, in
# the same interleaved rounds (ROUNDS, default 15; see readers below).
#
# bench/run.sh engines RATIO_PROGRAM... runs the crc16_engine_ratio of several
# builds (other compilers, other targets) in turn, round by round (ROUNDS,
# default 11), and prints for each the median of its ratios, engine against
# plain loop, and of the engine's rates, with buffers of 1 KiB, 4095 and 4096 bytes and 1 MiB.
#
# A program ending in .exe runs under Wine's loader for its width, in the
# Wine prefix of the build it comes from.
#
# Needs hyperfine and gdb (Debian packages of those names) and about 2.5 GiB
# of space in TMPDIR.
set -euo pipefail
work=$(mktemp -d "${TMPDIR:-/tmp}/crc16-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
json_number() { grep -o "\"$1\": *[0-9.e+-]*" | head -n 1 | sed 's/.*: *//'; }
# run_line PROGRAM: the command line that runs PROGRAM; a .exe under the Wine
# loader that its build's tests use, in that build's prefix.
run_line() {
    if [[ $1 != *.exe ]]; then
        echo "$1"
        return
    fi
    local build
    build=$(realpath "$(dirname "$1")/..")
    echo "env WINEPREFIX=$build/wine-prefix WINEDEBUG=-all $(sed -n 's/^CRC16_WINE_LOADER:FILEPATH=//p' "$build/CMakeCache.txt") $1"
}
# engines RATIO_PROGRAM...: each program's engine against its plain loop,
# the programs in turn, round by round
engines() {
    for _ in $(seq "$rounds"); do
        for i in $(seq $#); do
            $(run_line "$(realpath "${!i}")") 3 | tr -d '\r' >>"$work/engine.$i"
        done
    done
    for i in $(seq $#); do
        for size in 1024 4095 4096 1048576; do
            column_median() { awk -v s="$size" -v c="$1" '$1 == s {print $c}' "$work/engine.$i" | median; }
            printf '%s: crc_update / plain_loop_O2 at %s bytes: %.2fx, crc_update %.0f MiB/s\n' "${!i}" "$size" \
                "$(column_median 2)" "$(column_median 3)"
            printf '%s:   time against crc_update at %s bytes: CRC-16/MODBUS %.3f, CRC-16/IBM-3740 %.3f; IBM-3740 / normal plain loop %.2fx\n' \
                "${!i}" "$size" "$(column_median 4)" "$(column_median 5)" "$(column_median 6)"
        done
        # Each fold that ran, against the table engine by the same model.
        for fold in fold-128 fold-256 fold-512; do
            for size in 64 1024 65536 1048576; do
                fold_median() { awk -v f="$fold" -v s="$size" -v c="$1" '$1 == f && $2 == s {print $c}' "$work/engine.$i" | median; }
                [ -n "$(awk -v f="$fold" '$1 == f' "$work/engine.$i")" ] || continue
                printf '%s: %s fold at %s bytes: table / fold %.2fx (CRC-16/MODBUS), %.2fx (CRC-16/IBM-3740); %.0f MiB/s\n' \
                    "${!i}" "$fold" "$size" "$(fold_median 3)" "$(fold_median 4)" "$(fold_median 5)"
            done
        done
    done
}
# spread FILE FORMAT: the median, least and greatest of the numbers in FILE.
spread() {
    printf "median $2 (min $2, max $2)" "$(median <"$1")" "$(sort -g "$1" | head -n 1)" "$(sort -g "$1" | tail -n 1)"
}
# column_ratio A B FILE FORMAT: the spread, row by row, of FILE's column A
# over its column B.
column_ratio() { awk -v a="$1" -v b="$2" '{print $a / $b}' "$3" >"$work/r"; spread "$work/r" "$4"; }
# field_median N FILE: the median of FILE's column N.
field_median() { cut -d ' ' -f "$1" "$2" | median; }
# ratio_line WHAT: the medians of the two columns of $work/pair and the
# spread of their per-round ratios, first to second.
ratio_line() {
    printf '%s: dynamic median %.3g, static median %.3g; dynamic / static per round: %s\n' "$1" \
        "$(field_median 1 "$work/pair")" "$(field_median 2 "$work/pair")" "$(column_ratio 1 2 "$work/pair" %.2f)"
}
# one_run HYPERFINE_ARG...: the seconds of one timed run
one_run() {
    hyperfine --runs 1 --export-json "$work/run.json" "$@" >/dev/null 2>&1
    json_number median <"$work/run.json"
}
# seconds PROGRAM FILE: one timed run of PROGRAM on FILE
seconds() { one_run -N "$(run_line "$1") $2"; }
machine() {
    echo "machine: $(grep -m 1 'model name' /proc/cpuinfo | sed 's/.*: //'), $(nproc) cores, $(free -g | awk '/Mem:/ {print $2}') GiB"
}
make_data() {
    head -c $((512 << 20)) /dev/urandom >"$work/data"
    cat "$work/data" >/dev/null
}

if [ "${1:-}" = compare ]; then
    a=$(realpath "$2") b=$(realpath "$3") rounds=${4:-11}
    make_data
    : >"$work/a"; : >"$work/b"
    for _ in $(seq "$rounds"); do
        seconds "$a" "$work/data" >>"$work/a"
        seconds "$b" "$work/data" >>"$work/b"
    done
    printf '%s: median %.3f s\n%s: median %.3f s (%d interleaved rounds, 512 MiB in the page cache)\n' \
        "$2" "$(median <"$work/a")" "$3" "$(median <"$work/b")" "$rounds"
    exit 0
fi

# large_files: 8 files of 64 MiB in $work/large and one of 1 GiB,
# $work/one/1gib, made of them twice.
large_files() {
    mkdir -p "$work/large" "$work/one"
    for i in 1 2 3 4 5 6 7 8; do head -c $((64 << 20)) /dev/urandom >"$work/large/f$i"; done
    cat "$work"/large/* "$work"/large/* >"$work/one/1gib"
}
# The floor on two cores, as command lines: two readers side by side, each
# copying its half with read() in 128 KiB blocks; for the 1 GiB file, two
# dd on its halves, and for the 8 files, two cat of four each.
two_dd="dd if=$work/one/1gib of=/dev/null bs=128K count=4096 status=none & dd if=$work/one/1gib of=/dev/null bs=128K skip=4096 status=none & wait"
two_cat="cd $work/large && { cat f1 f2 f3 f4 >/dev/null & cat f5 f6 f7 f8 >/dev/null & wait; }"

# sums BUILD_DIR: crc16sum, interleaved rounds, medians of the per-round
# ratios, all in the page cache:
#   - over 10,000 files of 1 KiB, at -j 1 and at its default, against cksum
#     over the same files, one process each;
#   - over 8 files of 64 MiB, and over one file of 1 GiB, the default
#     against -j 1, and on the 1 GiB file crc16 against the default too;
#   - one file just below, at and well above the size from which it is read
#     in ranges (128 MiB), the default against -j 1, 20 runs a round;
# and once each: the 10,000 files one process a file through xargs, and the
# peak resident memory of crc16sum given 1,000 and 20,000 names.
sums() {
    local sum crc16_bin cksum_bin
    sum=$(realpath "$1/sum/crc16sum") crc16_bin=$(realpath "$1/tool/crc16") cksum_bin=$(command -v cksum)
    mkdir -p "$work/small" "$work/names"
    head -c $((10000 << 10)) /dev/urandom | split -b 1024 -a 4 - "$work/small/f"
    large_files
    # Just below twice the smallest range (RANGE_MINIMUM, 64 MiB), at it, and well above.
    for size in $(((128 << 20) - 4096)) $((128 << 20)) $((512 << 20)); do head -c "$size" /dev/urandom >"$work/one/s$size"; done
    cat "$work"/small/* "$work"/large/* "$work"/one/* >/dev/null
    : >"$work/small.times"; : >"$work/large.times"; : >"$work/one.times"; : >"$work/near.times"
    # hyperfine's median over 20 runs of each command given, on one line
    near() {
        hyperfine -N --warmup 3 --runs 20 --export-json "$work/run.json" "$@" >/dev/null 2>&1
        echo $(grep -o '"median": *[0-9.e+-]*' "$work/run.json" | sed 's/.*: *//')
    }
    for _ in $(seq "$rounds"); do
        echo "$(one_run "cd $work/small && $sum -j 1 * >/dev/null") $(one_run "cd $work/small && $sum * >/dev/null") $(one_run "cd $work/small && $cksum_bin * >/dev/null")" >>"$work/small.times"
        echo "$(one_run "cd $work/large && $sum -j 1 * >/dev/null") $(one_run "cd $work/large && $sum * >/dev/null") $(one_run "$two_cat")" >>"$work/large.times"
        echo "$(one_run -N "$sum -j 1 $work/one/1gib") $(one_run -N "$sum $work/one/1gib") $(one_run -N "$crc16_bin $work/one/1gib") $(one_run -N "$cksum_bin $work/one/1gib") $(one_run "cat $work/one/1gib >/dev/null") $(one_run "$two_dd")" >>"$work/one.times"
        local row=""
        for size in $(((128 << 20) - 4096)) $((128 << 20)) $((512 << 20)); do
            row+="$(near "$sum -j 1 $work/one/s$size" "$sum $work/one/s$size") "
        done
        echo "$row" >>"$work/near.times"
    done
    printf '10,000 files of 1 KiB: crc16sum -j 1 / cksum %s; crc16sum (default, %s jobs) / cksum %s; medians %.3f s, %.3f s, %.3f s\n' \
        "$(column_ratio 1 3 "$work/small.times" %.2f)" "$(nproc)" "$(column_ratio 2 3 "$work/small.times" %.2f)" \
        "$(field_median 1 "$work/small.times")" "$(field_median 2 "$work/small.times")" "$(field_median 3 "$work/small.times")"
    printf '8 files of 64 MiB: crc16sum default / -j 1 %s; medians %.3f s and %.3f s\n' \
        "$(column_ratio 2 1 "$work/large.times" %.2f)" "$(field_median 2 "$work/large.times")" "$(field_median 1 "$work/large.times")"
    printf '8 files of 64 MiB: crc16sum default / two cat, four files each %s; median two cat %.3f s\n' \
        "$(column_ratio 2 3 "$work/large.times" %.2f)" "$(field_median 3 "$work/large.times")"
    printf '1 GiB: crc16sum default / two dd bs=128K, a half each %s; median two dd %.3f s\n' \
        "$(column_ratio 2 6 "$work/one.times" %.2f)" "$(field_median 6 "$work/one.times")"
    printf '1 GiB: crc16sum default / -j 1 %s; default / crc16 %s; medians %.3f s, %.3f s, crc16 %.3f s\n' \
        "$(column_ratio 2 1 "$work/one.times" %.2f)" "$(column_ratio 2 3 "$work/one.times" %.2f)" \
        "$(field_median 2 "$work/one.times")" "$(field_median 1 "$work/one.times")" "$(field_median 3 "$work/one.times")"
    printf '1 GiB: crc16sum -j 1 / cat %s; -j 1 / cksum %s; default / cksum %s; medians cksum %.3f s, cat %.3f s\n' \
        "$(column_ratio 1 5 "$work/one.times" %.2f)" "$(column_ratio 1 4 "$work/one.times" %.2f)" "$(column_ratio 2 4 "$work/one.times" %.2f)" \
        "$(field_median 4 "$work/one.times")" "$(field_median 5 "$work/one.times")"
    local i=1
    for what in "128 MiB less 4 KiB (below)" "128 MiB (at)" "512 MiB"; do
        printf 'one file of %s: crc16sum default / -j 1 %s\n' "$what" "$(column_ratio $((i + 1)) "$i" "$work/near.times" %.2f)"
        i=$((i + 2))
    done
    find "$work/small" -type f >"$work/list"
    printf '10,000 files of 1 KiB, once, one crc16 a file through xargs -n 1 -P %s: %.3f s\n' "$(nproc)" \
        "$(one_run "xargs -n 1 -P $(nproc) $crc16_bin <$work/list >/dev/null")"
    head -c $((20000 << 10)) /dev/urandom | split -b 1024 -a 5 - "$work/names/f"
    peak_kib() { (cd "$work/names" && /usr/bin/time -f %M "$sum" $(ls | head -n "$1") 2>&1 >/dev/null | tail -n 1); }
    local few many
    few=$(peak_kib 1000) many=$(peak_kib 20000)
    printf 'peak resident memory: %s KiB with 1,000 names, %s KiB with 20,000 (growth %s KiB; the names: %s KiB more)\n' \
        "$few" "$many" "$((many - few))" "$(( (19000 * 7) >> 10 ))"
}

# readers CRC16SUM...: each program against the floor on two cores, in
# interleaved rounds, medians of the per-round ratios, all in the page
# cache: its default on one file of 1 GiB against two dd bs=128K, a half
# each; on 8 files of 64 MiB against two cat of four files each; and -j 1
# on the 1 GiB file against one cat.
readers() {
    local program
    large_files
    cat "$work"/large/* "$work/one/1gib" >/dev/null
    : >"$work/readers.times"
    for _ in $(seq "$rounds"); do
        local row
        row="$(one_run "$two_dd") $(one_run "$two_cat") $(one_run "cat $work/one/1gib >/dev/null")"
        for program in "$@"; do
            program=$(realpath "$program")
            row+=" $(one_run -N "$program $work/one/1gib") $(one_run "cd $work/large && $program f1 f2 f3 f4 f5 f6 f7 f8 >/dev/null") $(one_run -N "$program -j 1 $work/one/1gib")"
        done
        echo "$row" >>"$work/readers.times"
    done
    printf 'medians: two dd %.3f s, two cat %.3f s, cat %.3f s\n' "$(field_median 1 "$work/readers.times")" \
        "$(field_median 2 "$work/readers.times")" "$(field_median 3 "$work/readers.times")"
    local at=4
    for program in "$@"; do
        printf '%s: 1 GiB, default / two dd %s; 8 files, default / two cat %s; 1 GiB, -j 1 / cat %s\n' "$program" \
            "$(column_ratio "$at" 1 "$work/readers.times" %.2f)" "$(column_ratio $((at + 1)) 2 "$work/readers.times" %.2f)" "$(column_ratio $((at + 2)) 3 "$work/readers.times" %.2f)"
        at=$((at + 3))
    done
}

# reads BUILD_DIR: how crc16sum reads a large regular file. Its reads,
# straight from the system into its own buffer, against the file mapped
# whole (crc_bench's direct_reads and mapped), over 1 GiB in the page cache
# as cat leaves it, interleaved rounds, the median of the per-round ratios;
# then, where the page cache can be dropped (as root), the same reads from
# the disk with and without posix_fadvise's sequential hint.
reads() {
    local bench
    bench=$(realpath "$1/bench/crc16_bench")
    head -c $((1 << 30)) /dev/urandom >"$work/1gib"
    cat "$work/1gib" >/dev/null
    ms() { CRC16_BENCH_FILE="$work/1gib" "$bench" --benchmark_filter="^$1/" --benchmark_format=json 2>/dev/null | json_number real_time; }
    : >"$work/pair"
    for _ in $(seq "$rounds"); do
        echo "$(ms direct_reads) $(ms mapped)" >>"$work/pair"
    done
    printf '1 GiB in the page cache: direct reads median %.1f ms, mapped median %.1f ms; mapped / direct per round %s\n' \
        "$(field_median 1 "$work/pair")" "$(field_median 2 "$work/pair")" "$(column_ratio 2 1 "$work/pair" %.3f)"
    if ! { sync && echo 3 >/proc/sys/vm/drop_caches; } 2>/dev/null; then
        echo "the page cache cannot be dropped here (not root, or not allowed): no figures from the disk"
        return
    fi
    : >"$work/pair"
    for _ in $(seq "$cold_rounds"); do
        sync && echo 3 >/proc/sys/vm/drop_caches
        local plain advised
        plain=$(ms direct_reads)
        sync && echo 3 >/proc/sys/vm/drop_caches
        advised=$(ms direct_reads_advised)
        echo "$plain $advised" >>"$work/pair"
    done
    printf '1 GiB from the disk, caches dropped: direct reads median %.0f ms, with POSIX_FADV_SEQUENTIAL median %.0f ms; advised / not per round %s\n' \
        "$(field_median 1 "$work/pair")" "$(field_median 2 "$work/pair")" "$(column_ratio 2 1 "$work/pair" %.3f)"
}

# frames BUILD_DIR: crc16sum --hex against xxd -r -p, interleaved rounds,
# medians of the per-round ratios: 100,000 frames of 8 to 256 bytes, each
# with two bytes of checksum after it, one a line, with --appended (every
# frame is read and checked the same whether its checksum matches or not),
# against xxd turning the same text into bytes written to /dev/null; and a
# line of 64 MiB of hex against xxd -r -p piped into crc16sum.
frames() {
    local sum
    sum=$(realpath "$1/sum/crc16sum")
    command -v xxd >/dev/null || { echo "frames: needs xxd"; return 1; }
    awk 'BEGIN { srand(43); for (i = 0; i < 100000; i++) { n = 8 + int(rand() * 249); line = "";
        for (j = 0; j < n + 2; j++) line = line sprintf("%02X ", int(rand() * 256)); print line } }' >"$work/frames.txt"
    yes 0A | head -c $((96 << 20)) | tr -d '\n' >"$work/line.txt" && echo >>"$work/line.txt"
    : >"$work/pair" && : >"$work/pair2"
    for _ in $(seq "$rounds"); do
        echo "$(one_run -i "$sum -a MODBUS --appended --hex --status < $work/frames.txt") $(one_run "xxd -r -p $work/frames.txt > /dev/null")" >>"$work/pair"
        echo "$(one_run "$sum -a MODBUS --hex < $work/line.txt > /dev/null") $(one_run "xxd -r -p $work/line.txt | $sum -a MODBUS > /dev/null")" >>"$work/pair2"
    done
    printf '100,000 hex frames, --appended: crc16sum median %.3f s, xxd -r -p median %.3f s; crc16sum / xxd per round %s\n' \
        "$(field_median 1 "$work/pair")" "$(field_median 2 "$work/pair")" "$(column_ratio 1 2 "$work/pair" %.3f)"
    printf 'a 64 MiB hex line: crc16sum --hex median %.3f s, xxd -r -p | crc16sum median %.3f s; ratio per round %s\n' \
        "$(field_median 1 "$work/pair2")" "$(field_median 2 "$work/pair2")" "$(column_ratio 1 2 "$work/pair2" %.3f)"
}

# search BUILD_DIR: crc16sum --identify --search of a model outside the
# catalogue, by the engine in use and with the table forced, in interleaved
# rounds, medians: eight frames of 8 to 64 bytes in hex with their checksums
# appended; three files of about 1 MiB, each carrying its checksum; and, with one
# job, four samples in a list at each of several sizes, whose time over
# the 65,536 polynomials and input orders is the cost of each, against the
# bytes it reads.
search() {
    local sum made named length frames=() out_file answer
    sum=$(realpath "$1/sum/crc16sum")
    made="poly=0x6F63 init=0xBEEF refin=true refout=true xorout=0x0000"
    named="width=16 $made check=0xD6A6 residue=0x0000: low byte first"
    mkdir "$work/search" && cd "$work/search"
    for length in 8 16 24 32 40 48 56 64; do
        head -c "$length" /dev/urandom >"frame$length"
        frames+=("$(echo $(od -An -v -tx1 "frame$length") $("$sum" -a "$made" --raw "frame$length" | od -An -tx1))")
    done
    printf '%s\n' "${frames[@]}" >frames.txt
    # Of three lengths, for the initial value to show.
    for i in 1 2 3; do
        head -c $(((1 << 20) - 2 - i)) /dev/urandom >"file$i" && "$sum" -a "$made" --raw "file$i" >>"file$i"
    done
    # Eight samples name one model. Three give 48 bits of checksum for the
    # 32 of init and xorout and the 2^18 polynomials and orders: a few other
    # models fit them by chance, and the one made must be among them.
    answer=$("$sum" --identify --search --appended --hex <frames.txt)
    [ "$answer" = "$named" ] || { echo "search: the answer was '$answer', not '$named'"; return 1; }
    for engine in "" table; do
        answer=$(CRC16SUM_ENGINE=$engine "$sum" --identify --search --appended file1 file2 file3) || true
        grep -qFx "$named" <<<"$answer" || { echo "search: '$named' is not among '$answer'"; return 1; }
        echo "three files${engine:+ with the table forced}: $(wc -l <<<"$answer") models fit"
    done
    : >frames.pair && : >files.pair
    for _ in $(seq "$rounds"); do
        echo "$(one_run "$sum --identify --search --appended --hex < frames.txt") $(one_run "CRC16SUM_ENGINE=table $sum --identify --search --appended --hex < frames.txt")" >>frames.pair
    done
    for _ in $(seq "$(( (rounds + 2) / 3 ))"); do
        echo "$(one_run -N "$sum --identify --search --appended file1 file2 file3") $(one_run -N "env CRC16SUM_ENGINE=table $sum --identify --search --appended file1 file2 file3")" >>files.pair
    done
    printf 'eight frames of 8 to 64 bytes: median %.3f s, with the table forced %.3f s\n' \
        "$(field_median 1 frames.pair)" "$(field_median 2 frames.pair)"
    printf 'three files of 1 MiB: median %.2f s, with the table forced %.2f s\n' \
        "$(field_median 1 files.pair)" "$(field_median 2 files.pair)"
    "$sum" --debug file1 2>&1 >/dev/null | sed -n 's/^crc16sum: engine: /engine in use: /p'
    echo "one job, four samples: bytes in all, then microseconds for each polynomial and input order, by the engine in use and by the table"
    for length in 16 256 4096 65536; do
        : >"list$length"
        for i in 1 2 3 4; do
            head -c $((length + i)) /dev/urandom >"sample$length.$i"
            "$sum" -a "$made" --untagged "sample$length.$i" >>"list$length"
        done
        : >sizes.pair
        for _ in $(seq "$(( (rounds + 2) / 3 ))"); do
            echo "$(one_run -N "$sum -j 1 --identify --search list$length") $(one_run -N "env CRC16SUM_ENGINE=table $sum -j 1 --identify --search list$length")" >>sizes.pair
        done
        printf '%8d bytes: %8.2f us, table %8.2f us\n' $((4 * length + 10)) \
            "$(field_median 1 sizes.pair | awk '{print $1 * 1e6 / 65536}')" \
            "$(field_median 2 sizes.pair | awk '{print $1 * 1e6 / 65536}')"
    done
    cd - >/dev/null
}

# python BUILD_DIR: the Python package (BUILD_DIR/python) by CRC-16/MODBUS,
# interleaved rounds, medians of the per-round ratios: crc16.crc on 1 MiB
# against the library's crc16_checksum called from C (crc_bench's
# library_checksum); on 16 bytes, by name and by Model, against zlib.crc32
# on the same bytes, in the same process; and 2 threads each folding 1 MiB
# 64 times against the same work by the library on 2 threads
# (library_checksum_2_threads), both timed alike: in a process of their own,
# 15 runs each after a pause of 20 ms, from the first fold's start to the
# last one's end as the threads see them, the median.
python() {
    local bench python_bin
    bench=$(realpath "$1/bench/crc16_bench") python_bin=${CRC16_PYTHON:-/usr/bin/python3}
    cat >"$work/python_bench.py" <<'SCRIPT'
import statistics, sys, threading, time, timeit, zlib
import crc16

model = crc16.new("MODBUS").model

# Timed as crc_bench times its threads, in a process of their own (a thread
# that has kept a core busy just before leaves the system slower to place
# new ones): a buffer each, let go together, from the first fold's start to
# the last one's end as the threads see them.
def two_threads():
    time.sleep(0.02)  # as crc_bench's RUN_PAUSE
    buffers, ready, spans = [bytes(range(256)) * 4096 for _ in range(2)], threading.Barrier(2), []

    def fold(data):
        ready.wait()
        start = time.perf_counter()
        for _ in range(64):
            crc16.crc(data, model)
        spans.append((start, time.perf_counter()))

    threads = [threading.Thread(target=fold, args=(data,)) for data in buffers]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    return max(end for _, end in spans) - min(start for start, _ in spans)

if sys.argv[1:] == ["threads"]:
    print(statistics.median(two_threads() for _ in range(15)) * 1e9)
    sys.exit()

def per_call(statement, bindings, number):
    return min(timeit.repeat(statement, globals=bindings, number=number, repeat=5)) / number

mib, small = bytes(range(256)) * 4096, bytes(range(16))
bindings = {"crc16": crc16, "zlib": zlib, "model": model, "mib": mib, "small": small}
one_mib = per_call("crc16.crc(mib, model)", bindings, 200)
by_name = per_call('crc16.crc(small, "MODBUS")', bindings, 200000)
by_model = per_call("crc16.crc(small, model)", bindings, 200000)
zlib_16 = per_call("zlib.crc32(small)", bindings, 200000)
print(one_mib * 1e9, by_name * 1e9, by_model * 1e9, zlib_16 * 1e9)
SCRIPT
    ns() { "$bench" --benchmark_filter="^$1\$" --benchmark_format=json --benchmark_repetitions="${2:-5}" \
        --benchmark_report_aggregates_only=true 2>/dev/null | grep -A 8 '"aggregate_name": "median"' | json_number real_time; }
    : >"$work/python.times"
    for _ in $(seq "$rounds"); do
        echo "$(PYTHONPATH=$1/python "$python_bin" "$work/python_bench.py")" \
            "$(PYTHONPATH=$1/python "$python_bin" "$work/python_bench.py" threads)" \
            "$(ns library_checksum/1048576) $(ns library_checksum_2_threads/1048576/iterations:1/manual_time 15)" \
            >>"$work/python.times"
    done
    echo "engine: $(PYTHONPATH=$1/python "$python_bin" -c 'import crc16; print(crc16.engine())'); $rounds rounds"
    printf '1 MiB: crc16.crc / crc16_checksum from C %s; medians %.1f us and %.1f us\n' "$(column_ratio 1 6 "$work/python.times" %.3f)" \
        "$(field_median 1 "$work/python.times" | awk '{print $1 / 1000}')" \
        "$(field_median 6 "$work/python.times" | awk '{print $1 / 1000}')"
    printf '16 bytes: crc16.crc by name / zlib.crc32 %s, by Model / zlib.crc32 %s; medians %.1f ns, %.1f ns, zlib.crc32 %.1f ns\n' \
        "$(column_ratio 2 4 "$work/python.times" %.3f)" "$(column_ratio 3 4 "$work/python.times" %.3f)" "$(field_median 2 "$work/python.times")" \
        "$(field_median 3 "$work/python.times")" "$(field_median 4 "$work/python.times")"
    printf '2 threads, each 1 MiB x 64: Python / C library %s; medians %.1f ms and %.1f ms\n' "$(column_ratio 5 7 "$work/python.times" %.3f)" \
        "$(field_median 5 "$work/python.times" | awk '{print $1 / 1e6}')" \
        "$(field_median 7 "$work/python.times" | awk '{print $1 / 1e6}')"
}

if [ "${1:-}" = python ]; then
    rounds=${3:-11}
    machine
    python "${2:-build/release}"
    exit 0
fi

if [ "${1:-}" = search ]; then
    rounds=${3:-9}
    machine
    search "${2:-build/release}"
    exit 0
fi

if [ "${1:-}" = frames ]; then
    rounds=${3:-11}
    machine
    frames "${2:-build/release}"
    exit 0
fi

if [ "${1:-}" = reads ]; then
    rounds=${3:-21} cold_rounds=${COLD_ROUNDS:-7}
    machine
    reads "${2:-build/release}"
    exit 0
fi

if [ "${1:-}" = sums ]; then
    rounds=${3:-11}
    machine
    sums "${2:-build/release}"
    exit 0
fi

if [ "${1:-}" = readers ]; then
    shift
    rounds=${ROUNDS:-15}
    machine
    readers "$@"
    exit 0
fi

if [ "${1:-}" = engines ]; then
    shift
    rounds=${ROUNDS:-11}
    machine
    engines "$@"
    exit 0
fi

build=${1:-build/release}
rounds=${2:-11}
crc16=$(realpath "$build/tool/crc16")
bench=$(realpath "$build/bench/crc16_bench")

machine

echo "== engine against the plain byte-table loop (-O2), medians of $rounds runs of 3 rounds"
engines "$build/bench/crc16_engine_ratio"

echo "== whole program on 512 MiB in the page cache against the engine alone plus the reads alone, $rounds rounds"
make_data
"$crc16" "$work/data" >/dev/null
for name in program engine reads ratio share; do : >"$work/$name"; done
bench_ms() { CRC16_BENCH_FILE="$work/data" "$bench" --benchmark_filter="^$1" --benchmark_format=json 2>/dev/null | json_number real_time; }
for _ in $(seq "$rounds"); do
    program=$(seconds "$crc16" "$work/data")
    engine=$(awk -v ms="$(bench_ms crc_update_512MiB)" 'BEGIN {print ms / 1000}')
    reads=$(awk -v ms="$(bench_ms read_only_file)" 'BEGIN {print ms / 1000}')
    echo "$program" >>"$work/program"; echo "$engine" >>"$work/engine"; echo "$reads" >>"$work/reads"
    awk -v p="$program" -v e="$engine" -v r="$reads" 'BEGIN {print p / (e + r)}' >>"$work/ratio"
    awk -v e="$engine" -v r="$reads" 'BEGIN {print r / (e + r)}' >>"$work/share"
done
printf 'program median %.3f s, engine median %.3f s, reads alone median %.3f s\n' \
    "$(median <"$work/program")" "$(median <"$work/engine")" "$(median <"$work/reads")"
printf 'program / (engine + reads) per round: %s; the reads are %.0f%% of engine + reads\n' "$(spread "$work/ratio" %.3f)" \
    "$(awk -v s="$(median <"$work/share")" 'BEGIN {print s * 100}')"

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

static=$(realpath "$build/tool/static/crc16")
echo "== start-up, static ($static) against dynamic, 9-byte file, $rounds rounds of 100 runs each"
: >"$work/pair"
for _ in $(seq "$rounds"); do
    hyperfine -N --warmup 10 --runs 100 --export-json "$work/run.json" "$crc16 $work/tiny" "$static $work/tiny" >/dev/null 2>&1
    # The two commands' medians, in order, on one line.
    echo $(grep -o '"median": *[0-9.e+-]*' "$work/run.json" | sed 's/.*: *//') >>"$work/pair"
done
ratio_line "start-up (s)"

echo "== 10,000 files of 1 KiB, one process a file, xargs -P $(nproc), $rounds rounds"
mkdir "$work/many"
head -c $((10000 << 10)) /dev/urandom | split -b 1024 -a 4 - "$work/many/f"
find "$work/many" -type f >"$work/list"
: >"$work/pair"
many_files() { one_run "xargs -n 1 -P $(nproc) $1 <$work/list >/dev/null"; }
for _ in $(seq "$rounds"); do
    echo "$(many_files "$crc16") $(many_files "$static")" >>"$work/pair"
done
ratio_line "10,000 files (s)"
