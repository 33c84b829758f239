#!/usr/bin/env bash
# Runs crc16 and crc16sum as processes and checks what they write, byte for
# byte, and how they exit: crc16sum must give each file the checksum or the
# refusal that crc16 gives it.
# usage: cli.sh CASE CRC16 CRC16SUM [EMULATOR...]   (exit 77: the case cannot exist there)
set -u
# Every case, in the order they are listed below; CMake makes a test of each,
# and fails to configure where this list and the case labels differ.
CASES="no-argument missing-file directory extra-arguments contents over-4gib wide-name fifo unsized endless full-output read-error sum-names sum-check sum-options sum-permission sum-jobs sum-ranges sum-over-4gib sum-recursive sum-models sum-frames sum-search"
case_name=$1 program=$2 sum_program=$3
shift 3
emulator=("$@")
crc16=("$@" "$program")
crc16sum=("$@" "$sum_program")
windows=${CRC16_TARGET_WINDOWS:-0}
eol=$'\n'
[ "$windows" = 1 ] && eol=$'\r\n'
no_path="Too few command-line arguments.$eol"
open_failed="Fail to open file.$eol"
read_failed="Fail to read file.$eol"

. "$(dirname "$0")/lib.sh"
use_temp_folder cli
cd "$work" || exit 1

skip_on_windows() {
    if [ "$windows" = 1 ]; then
        echo "skipped: $1 does not exist on Windows"
        exit 77
    fi
}

pattern() { yes 0123456789abcdef | head -c "$1"; }

# expect_sum STDOUT STDERR STATUS ARG...: check_run of crc16sum with the args.
expect_sum() {
    local want=$1 want_err=$2 want_status=$3
    shift 3
    check_run "$want" "$want_err" "$want_status" "${crc16sum[@]}" "$@"
}
# make_tree: the folder tree, 10,000 files in 100 folders, whose names sort
# differently byte by byte than by number or by folder ("f5" holds "f5/10",
# which comes after "f5-x" and before "f50"); off Windows, a link back up to
# the root, which must not be followed, and a link to a file, which is read.
make_tree() {
    mkdir tree || exit 1
    for i in $(seq 0 99); do
        mkdir "tree/f$i"
        for j in $(seq 0 99); do printf %s "$i/$j" >"tree/f$i/$j"; done
    done
    printf x >tree/f5-x && printf y >tree/f5.x && printf z >tree/é && rm tree/f7/7 tree/f7/8
    if [ "$windows" != 1 ]; then
        ln -s .. tree/f3/up && ln -s ../f5.x tree/f9/link
    fi
}
# tree_names FILE: the names in a list crc16sum wrote, one a line.
tree_names() { cut -c 9- "$1" | tr -d '\r'; }

# Its diagnostic for a name and a cause, less the line end.
said() { printf 'crc16sum: %s: %s' "$1" "$2"; }

case $case_name in
no-argument)
    expect "$no_path" 255 ;;
missing-file)
    # No options: --help is a path, and ./ takes a name that starts with -.
    expect "$open_failed" 255 no-such-file
    expect "$open_failed" 255 --help
    printf 123456789 >-x
    expect 0xBB3D 0 ./-x
    # crc16sum goes on after a file it cannot open; -- ends its options.
    expect_sum "0xBB3D  -x$eol" "$(said no-such-file "No such file or directory")$eol" 1 no-such-file -- -x ;;
directory)
    mkdir dir
    expect "$open_failed" 255 dir
    expect_sum "" "$(said dir "Is a directory")$eol" 1 dir ;;
extra-arguments)
    printf 123456789 >digits
    expect 0xBB3D 0 digits no-such-file --help ;;
contents)
    # file content (printf format or pattern length) and its checksum
    while read -r kind content sum; do
        if [ "$kind" = printf ]; then printf "$content" >f; else pattern "$content" >f; fi
        expect "$sum" 0 f
        expect_sum "$sum  f$eol" "" 0 f
    done <<'TABLE'
printf 123456789 0xBB3D
printf abc 0x9738
printf A 0x30C0
printf \x03 0x0140
printf \x01 0xC0C1
pattern 4095 0xA197
pattern 4096 0x8460
pattern 4097 0x2F04
pattern 8192 0xE3A2
TABLE
    : >f
    expect 0x0000 0 f
    head -c 100000 /dev/zero >f
    expect 0x0000 0 f ;;
over-4gib)
    # 4 GiB of zero bytes leave the state at 0, so only the digits at the end count.
    truncate -s 4294967296 big && printf 123456789 >>big || exit 1
    expect 0xBB3D 0 big ;;
wide-name)
    printf abc >'é€漢字.txt'
    expect 0x9738 0 'é€漢字.txt'
    expect_sum "0x9738  é€漢字.txt$eol" "" 0 'é€漢字.txt' ;;
fifo)
    skip_on_windows "a FIFO"
    mkfifo fifo
    printf 123456789 >fifo &
    writer=$!
    expect 0xBB3D 0 fifo
    # A program that never opened the FIFO left the writer waiting for a reader.
    kill "$writer" 2>/dev/null
    wait "$writer"
    printf 123456789 >fifo &
    writer=$!
    expect_sum "0xBB3D  fifo$eol" "" 0 fifo
    kill "$writer" 2>/dev/null
    wait "$writer"
    # A pipe on standard input, with expect in this shell, where its failures count.
    expect 0xE3A2 0 /dev/stdin < <(pattern 8192)
    expect_sum "0xE3A2  -$eol" "" 0 < <(pattern 8192)
    # Standard input is read once, by the first -, whatever the number of jobs.
    for jobs in 1 2; do
        expect_sum "0xE3A2  -${eol}0x0000  -$eol" "" 0 -j "$jobs" - - < <(pattern 8192)
    done ;;
unsized)
    # Seekable, yet reporting a size of 0: read to the end all the same.
    if [ "$windows" = 1 ]; then
        expect 0x0000 0 NUL
        finish
    fi
    expect 0x0000 0 /dev/null
    [ -r /proc/version ] || { echo "skipped: no /proc here"; exit 77; }
    cat /proc/version | "${crc16[@]}" /dev/stdin >piped 2>/dev/null
    expect "$(cat piped)" 0 /proc/version
    expect_sum "$(cat piped)  /proc/version$eol" "" 0 /proc/version
    [ "$(cat piped)" != 0x0000 ] || fail "/proc/version through a pipe gave 0x0000" ;;
endless)
    skip_on_windows "/dev/zero"
    "${crc16[@]}" /dev/zero >out 2>err &
    sleep 1
    if kill -0 $! 2>/dev/null; then
        kill $!
    else
        fail "crc16 /dev/zero ended within a second: '$(cat out)'"
    fi
    wait ;;
full-output)
    skip_on_windows "/dev/full"
    printf 123456789 >digits
    "${crc16[@]}" digits >/dev/full 2>err
    status=$?
    : >out
    verify "" 255 "$status" "stdout on /dev/full"
    # A pipe whose reader has gone before the program starts (opened both
    # ways, then for writing, then its reading end closed): the signal ends
    # the program (128 + 13), and where the caller ignores it, the failed
    # write gives -1.
    mkfifo pipe
    exec 3<>pipe 4>pipe 3<&-
    "${crc16[@]}" digits >&4 2>err
    verify "" 141 "$?" "stdout on a closed pipe"
    (trap '' PIPE; exec "${crc16[@]}" digits >&4 2>err)
    verify "" 255 "$?" "stdout on a closed pipe, SIGPIPE ignored"
    # crc16sum says why, and never ends with 0 over a lost list.
    "${crc16sum[@]}" digits >/dev/full 2>err
    verify "" 1 "$?" "crc16sum, stdout on /dev/full" "$(said "write error" "No space left on device")$eol"
    (trap '' PIPE; exec "${crc16sum[@]}" digits >&4 2>err)
    verify "" 1 "$?" "crc16sum, stdout on a closed pipe, SIGPIPE ignored" "$(said "write error" "Broken pipe")$eol" ;;
read-error)
    # Opens and seeks, then fails at the first read.
    skip_on_windows "/proc/self/mem"
    [ -r /proc/self/mem ] || { echo "skipped: no /proc here"; exit 77; }
    expect "$read_failed" 255 /proc/self/mem
    expect_sum "" "$(said /proc/self/mem "Input/output error")$eol" 1 /proc/self/mem
    # A list that cannot be read says why, as a file does.
    expect_sum "" "$(said /proc/self/mem "Input/output error")$eol$(said /proc/self/mem "no properly formatted checksum lines found")$eol" \
        1 -c /proc/self/mem ;;
sum-names)
    # Each name reads back unchanged from the list it was written to.
    names=("with space" "-dash" "é€漢字")
    [ "$windows" = 1 ] || names+=('back\slash' $'line\nfeed' $'carriage\rreturn')
    for name in "${names[@]}"; do printf %s "$name" >"./$name"; done
    "${crc16sum[@]}" -- "${names[@]}" >list 2>err
    [ $? = 0 ] && [ ! -s err ] || fail "crc16sum -- ${names[*]}: $(cat err)"
    [ "$(grep -c . list)" = ${#names[@]} ] || fail "not one line a name: $(cat list)"
    verdicts=""
    for name in "${names[@]}"; do
        case $name in *[\\$'\n\r']*) verdicts+="\\" ;; esac
        verdicts+="$(printf %s "$name" | sed 's/\\/\\\\/g; s/\r/\\r/g' | sed ':a;N;s/\n/\\n/;ba'): OK$eol"
    done
    expect_sum "$verdicts" "" 0 --check list
    printf abc >'a b'
    expect_sum "0x9738  a b$eol" "" 0 'a b'
    "${crc16sum[@]}" -z 'a b' 'a b' >out 2>err
    [ $? = 0 ] && [ ! -s err ] || fail "crc16sum -z: $(cat err)"
    [ "$(od -An -c out)" = "$(printf '0x9738  a b\0000x9738  a b\000' | od -An -c)" ] || fail "-z: $(od -An -c out)"
    if [ "$windows" = 1 ]; then
        # Written with /, read with either.
        mkdir d && printf abc >d/f
        expect_sum "0x9738  d/f$eol" "" 0 'd\f'
        printf '0x9738  d\\f\n0x9738  d/f\n' >list
        expect_sum "d/f: OK${eol}d/f: OK$eol" "" 0 -c list
        # crc16sum expands wildcards, as the Windows shells do not; crc16 opens what it is given.
        expect_sum "0x9738  a b${eol}0x9738  d/f$eol" "" 0 'a*' 'd\*'
        expect "$open_failed" 255 'a*'
    else
        printf '\\0x9738  a\\nb\n' >list
        printf abc >$'a\nb'
        expect_sum "\\a\\nb: OK$eol" "" 0 -c list
        # A tagged line escapes as a plain one does, the backslash before its tag.
        expect_sum "\\CRC-16/MODBUS (back\\\\slash) = 0x1D8A$eol" "" 0 -a modbus 'back\slash'
        "${crc16sum[@]}" -a modbus 'back\slash' >list
        expect_sum "\\back\\\\slash: OK$eol" "" 0 -c list
    fi ;;
sum-check)
    # Each row: the options, then what --check prints and its status, over
    # a list with a match, a changed file, a missing one and a bad line.
    printf 123456789 >good && printf abc >changed
    printf '0xBB3D  good\n0x0000  changed\n0x1234  missing\nnot a line\n' >list
    printf '0xbb3d *good\r\nBB3D  good\r\n\r\n# a comment\r\n' >crlf
    printf '0xBB3D  good\nnot a line\n' >bad
    printf '0x1234  missing\n' >gone
    printf '# nothing\n\nno\n' >empty
    # Blanks before a checksum, and before the \ of an escaped line; a #
    # after blanks, or blanks alone, make no line.
    printf '  0xBB3D  good\n\t0xbb3d *good\n \t\\0xBB3D  good\n   \n\n#c\n #c\n' >indented
    # A list that mixes models, over a name like the end of a tagged line,
    # and a line tagged with an alias, which is no tag: CRC-CCITT means
    # KERMIT to some and IBM-3740 to others.
    printf abc >'abc (f) = abc'
    for model in CRC-16/ARC CRC-16/MODBUS CRC-16/XMODEM CRC-16/IBM-SDLC CRC-16/T10-DIF; do
        "${crc16sum[@]}" --tag -a "$model" 'abc (f) = abc' >>models || fail "--tag -a $model"
    done
    printf 'CRC-CCITT (abc (f) = abc) = 0x9DD6\n' >>models
    ok="good: OK$eol" changed="changed: FAILED$eol" missing="missing: FAILED open or read$eol"
    abc="abc (f) = abc: OK$eol"
    # not_modbus LINE...: the warning for each, a line end between them
    not_modbus() {
        local separator=""
        for line in "$@"; do
            printf %s "$separator$(said models "$line: improperly formatted CRC-16/MODBUS checksum line")"
            separator=$eol
        done
    }
    no_file=$(said missing "No such file or directory")$eol
    bad_line="crc16sum: WARNING: 1 line is improperly formatted$eol"
    unread="crc16sum: WARNING: 1 listed file could not be read$eol"
    mismatch="crc16sum: WARNING: 1 computed checksum did NOT match$eol"
    while IFS='|' read -r options list want want_err status; do
        eval "want=\"$want\" want_err=\"$want_err\""
        # shellcheck disable=SC2086
        expect_sum "$want" "$want_err" "$status" $options "$list"
    done <<'TABLE'
-c|list|$ok$changed$missing|$no_file$bad_line$unread$mismatch|1
-c --quiet|list|$changed$missing|$no_file$bad_line$unread$mismatch|1
-c --status|list||$no_file|1
-c --warn|list|$ok$changed$missing|$no_file$(said list "4: improperly formatted CRC-16 checksum line")$eol$bad_line$unread$mismatch|1
-c --ignore-missing|list|$ok$changed|$bad_line$mismatch|1
-c|crlf|$ok$ok||0
-c|bad|$ok|$bad_line|0
-c --strict|bad|$ok|$bad_line|1
-c --ignore-missing|gone||$(said gone "no file was verified")$eol|1
-c|empty||$(said empty "no properly formatted checksum lines found")$eol|1
-c --warn|empty||$(said empty "3: improperly formatted CRC-16 checksum line")$eol$(said empty "no properly formatted checksum lines found")$eol$bad_line|1
-c|models|$abc$abc$abc$abc$abc|$bad_line|0
-c --warn -a crc-16/modbus|models|$abc|$(not_modbus 1 3 4 5 6)${eol}crc16sum: WARNING: 5 lines are improperly formatted$eol|0
-c --strict --algorithm=MODBUS|models|$abc|crc16sum: WARNING: 5 lines are improperly formatted$eol|1
-c --untagged|models|$abc$abc$abc$abc$abc|$bad_line|0
-c --warn|indented|$ok$ok$ok|$(said indented "4: improperly formatted CRC-16 checksum line")$eol$(said indented "7: improperly formatted CRC-16 checksum line")${eol}crc16sum: WARNING: 2 lines are improperly formatted$eol|0
-c|no-list||$(said no-list "No such file or directory")$eol|1
TABLE
    # Options after the lists, and one warning for each list.
    expect_sum "" "$bad_line" 0 --check crlf bad --quiet
    # A list on standard input: an entry "-" there would read the rest of
    # the list as its file, so it is no entry; every other line is checked,
    # more than a read's worth of them after it.
    { printf '0xBB3D  good\n0x0000  -\n' && yes '0xBB3D  good' | head -n 1000; } >stdin-list
    want=""
    for _ in $(seq 1001); do want+=$ok; done
    expect_sum "$want" "$(said - "2: improperly formatted CRC-16 checksum line")$eol$bad_line" 0 -c --warn <stdin-list
    expect_sum "$want" "$bad_line" 1 -c --strict - <stdin-list
    # In a list read from a file, "-" is standard input still.
    printf '0xBB3D  -\n' >dash
    expect_sum "-: OK$eol" "" 0 -c dash <good ;;
sum-options)
    printf 123456789 >digits
    try="${eol}Try 'crc16sum --help' for more information.$eol"
    # the arguments, then the stderr they give; the status is 1 for each
    while IFS='|' read -r arguments want_err; do
        eval "want_err=\"$want_err\""
        # shellcheck disable=SC2086
        expect_sum "" "$want_err" 1 $arguments
    done <<'TABLE'
--bogus digits|crc16sum: unrecognized option '--bogus'$try
-x digits|crc16sum: invalid option -- 'x'$try
--check=1 digits|crc16sum: option '--check' doesn't allow an argument$try
digits --quiet|crc16sum: the --quiet option is meaningful only when verifying checksums$try
--status digits|crc16sum: the --status option is meaningful only when verifying checksums$try
-w digits|crc16sum: the --warn option is meaningful only when verifying checksums$try
--strict digits|crc16sum: the --strict option is meaningful only when verifying checksums$try
--ignore-missing digits|crc16sum: the --ignore-missing option is meaningful only when verifying checksums$try
-c -z digits|crc16sum: the --zero option is meaningful only when printing checksums$try
-a CRC-16/NOSUCH digits|crc16sum: invalid argument 'CRC-16/NOSUCH' for '--algorithm'$try
--algorithm=CRC-16/MODBU digits|crc16sum: invalid argument 'CRC-16/MODBU' for '--algorithm'$try
-a MOD digits|crc16sum: invalid argument 'MOD' for '--algorithm'$try
digits -a|crc16sum: option '-a' requires an argument$try
-c --tag digits|crc16sum: the --tag option is meaningless when verifying checksums$try
TABLE
    "${crc16sum[@]}" --help >out 2>err
    [ $? = 0 ] && [ ! -s err ] || fail "crc16sum --help: $(cat err)"
    require "--help" '^Usage: crc16sum \[OPTION\]\.\.\. \[FILE\]\.\.\.' "$(cat out)"
    expect_sum "crc16sum (crc16) $CRC16_VERSION$eol" "" 0 --version digits ;;
sum-jobs)
    # Whatever the number of jobs, the same bytes on both streams, in the
    # order of the names, and the same status: 2,000 files, one missing, and
    # a list of them with a bad line, checked with --warn.
    for i in $(seq 2000); do printf %s "$i" >"f$i"; done
    names=(f*) && rm f777
    "${crc16sum[@]}" -j 1 "${names[@]}" >sums.1 2>err.1
    status=$?
    [ "$status" = 1 ] && [ "$(cat err.1)" = "$(said f777 "No such file or directory")${eol%$'\n'}" ] ||
        fail "-j 1: status $status, $(cat err.1)"
    [ "$(grep -c . sums.1)" = 1999 ] || fail "-j 1 wrote $(grep -c . sums.1) lines, not 1999"
    cp sums.1 list && printf 'not a line\n' >>list
    "${crc16sum[@]}" -j 1 -c --warn list >check.1 2>check-err.1
    check_status=$?
    for jobs in 2 8; do
        "${crc16sum[@]}" -j "$jobs" "${names[@]}" >sums.$jobs 2>err.$jobs
        [ $? = "$status" ] && cmp -s sums.1 sums.$jobs && cmp -s err.1 err.$jobs || fail "-j $jobs differs from -j 1"
        "${crc16sum[@]}" --jobs="$jobs" -c --warn list >check.$jobs 2>check-err.$jobs
        [ $? = "$check_status" ] && cmp -s check.1 check.$jobs && cmp -s check-err.1 check-err.$jobs ||
            fail "-c -j $jobs differs from -c -j 1"
    done
    expect_sum "" "crc16sum: invalid number of jobs: '0'${eol}Try 'crc16sum --help' for more information.$eol" 1 -j 0 f1 ;;
sum-ranges)
    # Just below, at and above the size from which a file is read in ranges,
    # one of several ranges and a short last one, and small files between:
    # whatever the number of jobs, what crc16 gives each file, in order; and
    # --check of that list agrees. At the smallest range the tests set
    # (CRC16SUM_RANGE_MINIMUM), at 1, 2, 3 and 8 jobs; and at the program's
    # own (CRC16_RANGE_MINIMUM, from sum/CMakeLists.txt), at 1 and 3, where
    # files of hundreds of MiB take no minutes: not under an emulator, nor
    # where large files are skipped.
    minimums=("$CRC16SUM_RANGE_MINIMUM")
    [ ${#emulator[@]} -gt 0 ] || [ -n "${CRC16_SKIP_LARGE:-}" ] || minimums+=(default)
    for minimum in "${minimums[@]}"; do
        job_counts=(1 2 3 8)
        if [ "$minimum" = default ]; then
            [[ $CRC16_RANGE_MINIMUM =~ ^[1-9][0-9]*$ ]] || fail "CRC16_RANGE_MINIMUM is '$CRC16_RANGE_MINIMUM'"
            threshold=$((2 * CRC16_RANGE_MINIMUM))
            crc16sum=(env -u CRC16SUM_RANGE_MINIMUM "$sum_program")
            job_counts=(1 3)
        else
            threshold=$((2 * minimum))
        fi
        rm -f r* list
        names=() want="" verdicts=""
        for size in 1 $((threshold - 1)) 4095 $threshold $((threshold + 1)) 9 $((3 * threshold + 4097)); do
            head -c "$size" /dev/urandom >"r$size"
            names+=("r$size")
            want+="$("${crc16[@]}" "r$size")  r$size$eol"
            verdicts+="r$size: OK$eol"
        done
        printf %s "$want" >list
        for jobs in "${job_counts[@]}"; do
            expect_sum "$want" "" 0 -j "$jobs" "${names[@]}"
            expect_sum "$verdicts" "" 0 -j "$jobs" -c list
        done
    done ;;
sum-over-4gib)
    # Ranges that start past 4 GiB, on 32-bit systems too; bytes at both
    # ends, so that what lies between counts.
    if [ -n "${CRC16_SKIP_LARGE:-}" ]; then
        echo "skipped: $CRC16_SKIP_LARGE"
        exit 77
    fi
    printf abc >big && truncate -s 4294967296 big && printf 123456789 >>big || exit 1
    expect 0x9836 0 big
    for jobs in 1 2 3; do
        expect_sum "0x9836  big$eol" "" 0 -j "$jobs" big
    done
    # A model of the normal order with an initial value, in ranges and in
    # one pass, over 1 GiB with bytes at both ends; here only, to keep the
    # emulators' time.
    [ "$windows" = 1 ] && finish
    printf abc >gib && truncate -s 1073741824 gib && printf 123456789 >>gib || exit 1
    "${crc16sum[@]}" -a CRC-16/IBM-3740 -j 1 gib >one-pass 2>err || fail "-a CRC-16/IBM-3740 -j 1: $(cat err)"
    grep -q -x 'CRC-16/IBM-3740 (gib) = 0x[0-9A-F]\{4\}' one-pass || fail "-a CRC-16/IBM-3740 -j 1: $(cat one-pass)"
    expect_sum "$(cat one-pass)$eol" "" 0 -a CRC-16/IBM-3740 -j 3 gib ;;
sum-recursive)
    # Every file once, in the order that find and a byte-wise sort give,
    # whatever the number of jobs and however the folder is named; and a
    # list that checks.
    make_tree
    { find tree -type f && [ -L tree/f9/link ] && echo tree/f9/link; } | LC_ALL=C sort >want
    "${crc16sum[@]}" -r tree >sums.1 2>err
    status=$?
    [ "$status" = 0 ] && [ ! -s err ] || fail "-r tree: status $status, $(cat err)"
    tree_names sums.1 >got
    cmp -s want got || fail "-r tree: the names are not those of find | sort: $(diff want got | head -n 5)"
    [ "$(wc -l <got)" -ge 10000 ] || fail "-r tree: $(wc -l <got) names, not 10,000 or more"
    [ "$(grep -c '^0x[0-9A-F]\{4\}  tree/' sums.1)" = "$(wc -l <got)" ] || fail "-r tree: lines unlike a checksum's"
    # A few against crc16 itself: the first, a file at the root, the last.
    for name in tree/f0/0 tree/f5.x tree/é; do
        grep -q -F -x "$("${crc16[@]}" "$name")  $name" <(tr -d '\r' <sums.1) || fail "-r tree: $name is not as crc16 gives it"
    done
    for arguments in "-j 8 tree" "-j 1 tree/" "-j 2 tree//"; do
        "${crc16sum[@]}" -r $arguments >sums.other 2>err
        [ $? = 0 ] && cmp -s sums.1 sums.other || fail "-r $arguments differs from -r tree"
    done
    "${crc16sum[@]}" -c sums.1 >check 2>err
    [ $? = 0 ] && [ "$(grep -c ': OK' check)" = "$(wc -l <want)" ] || fail "-c of the -r list: $(head -n 3 err)"
    # A file among the operands stays a file; without -r a folder is refused.
    expect_sum "$("${crc16[@]}" tree/f5.x)  tree/f5.x$eol" "" 0 -r tree/f5.x
    expect_sum "" "$(said tree "Is a directory")$eol" 1 tree
    expect_sum "" "crc16sum: the --recursive option is meaningful only when printing checksums${eol}Try 'crc16sum --help' for more information.$eol" 1 -c -r sums.1 ;;
sum-permission)
    # Root reads everything: the case runs as nobody.
    skip_on_windows "a file's mode"
    as_nobody=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    [ "$(id -u)" = 0 ] && "${as_nobody[@]}" true 2>/dev/null ||
        { echo "skipped: needs root and a setpriv that changes users (util-linux's)"; exit 77; }
    printf 123456789 >secret && chmod 000 secret && printf abc >open && chmod 755 "$work"
    # A copy of the program that nobody may read and run, wherever the build
    # lies: an emulator reads the program as a file, and a checkout may lie
    # in a folder that only its owner may enter.
    cp "$sum_program" ./crc16sum && chmod 755 ./crc16sum || exit 1
    crc16sum=("${as_nobody[@]}" "${emulator[@]}" "$work/crc16sum")
    expect_sum "0x9738  open$eol" "$(said secret "Permission denied")$eol" 1 secret open
    printf '0xBB3D  secret\n' >list
    expect_sum "secret: FAILED open or read$eol" "$(said secret "Permission denied")${eol}crc16sum: WARNING: 1 listed file could not be read$eol" 1 -c list
    # A folder it cannot read is said in its turn, and the walk goes on.
    make_tree
    chmod -R go+rX tree && chmod 000 tree/f42
    { find tree -type f ! -path 'tree/f42/*' && echo tree/f9/link; } | LC_ALL=C sort >want
    for jobs in 1 8; do
        "${crc16sum[@]}" -r -j "$jobs" tree >sums 2>err
        status=$?
        [ "$status" = 1 ] && [ "$(cat err)" = "$(said tree/f42 "Permission denied")" ] ||
            fail "-r -j $jobs, a folder locked: status $status, $(cat err)"
        tree_names sums >got
        cmp -s want got || fail "-r -j $jobs, a folder locked: the names are not those of find | sort: $(diff want got | head -n 5)"
    done ;;
sum-models)
    # Every model of the catalogue, by its name and by an alias, on the nine
    # digits: its check value, in a line tagged with its name (CRC-16/ARC's
    # plain). Then over files below, at and above the size read in ranges:
    # the same bytes at -j 1 and -j 8, and a list of every model's lines,
    # mixed, that checks without -a.
    printf 123456789 >digits
    # The engine it says it uses, once, even with --status: on an x86
    # processor, the widest carry-less fold where it has what that needs,
    # else the wide one, else the fold; on arm64, the fold where it has PMULL, as
    # qemu's processor has; the table elsewhere, or where the environment
    # asks for it.
    flags=" $(grep -m 1 -E '^(flags|Features)' /proc/cpuinfo 2>/dev/null) "
    has() { for flag in "$@"; do [[ $flags == *" $flag "* ]] || return 1; done; }
    accumulators=$((CRC16_POINTER_BYTES == 8 ? 8 : 4))
    engine=table
    if [ "${CRC16SUM_ENGINE:-}" = table ]; then
        engine="table (CRC16SUM_ENGINE=table)"
    elif [ "$CRC16_TARGET_FOLDS" = x86 ] && has pclmulqdq ssse3 sse4_1 avx avx2 vpclmulqdq avx512f avx512bw; then
        engine="carry-less multiply (VPCLMULQDQ, 512 bits), 4 accumulators"
    elif [ "$CRC16_TARGET_FOLDS" = x86 ] && has pclmulqdq ssse3 sse4_1 avx avx2 vpclmulqdq; then
        engine="carry-less multiply (VPCLMULQDQ, 256 bits), $accumulators accumulators"
    elif [ "$CRC16_TARGET_FOLDS" = x86 ] && has pclmulqdq ssse3 sse4_1; then
        engine="carry-less multiply (PCLMULQDQ), $accumulators accumulators"
    elif [ "$CRC16_TARGET_FOLDS" = arm64 ] && { [ ${#emulator[@]} -gt 0 ] || has pmull; }; then
        engine="carry-less multiply (PMULL), 8 accumulators"
    fi
    expect_sum "CRC-16/MODBUS (digits) = 0x4B37$eol" "crc16sum: engine: $engine$eol" 0 --debug -a MODBUS digits
    printf '0xBB3D  digits\n0xBB3D  digits\n' >debug.sums
    expect_sum "" "crc16sum: engine: $engine$eol" 0 --debug --status -c debug.sums
    threshold=$((2 * CRC16SUM_RANGE_MINIMUM))
    for size in 1 4097 $threshold $((3 * threshold + 4097)); do head -c "$size" /dev/urandom >"r$size"; done
    names=(r*)
    : >mixed
    verdicts=""
    "${crc16sum[@]}" --list-models >models 2>err || fail "--list-models: $(cat err)"
    row=0
    while read -r name check residue alias; do
        row=$((row + 1))
        line="$name (digits) = $check$eol"
        [ "$name" = CRC-16/ARC ] && line="$check  digits$eol"
        expect_sum "$line" "" 0 -a "$name" digits
        [ "$alias" = - ] || expect_sum "$line" "" 0 --algorithm="$alias" digits
        # Its line of --list-models, taken back by -a as it stands.
        params=$(sed -n "${row}p" models | tr -d '\r')
        [[ $params == *" check=$check residue=$residue name=\"$name\"" ]] || fail "--list-models, line $row: $params"
        expect_sum "$line" "" 0 -a "$params" digits
        "${crc16sum[@]}" -a "$name" -j 1 "${names[@]}" >sums.1 2>err && "${crc16sum[@]}" -a "$name" -j 8 "${names[@]}" >sums.8 2>>err ||
            fail "-a $name: $(cat err)"
        cmp -s sums.1 sums.8 || fail "-a $name: -j 8 differs from -j 1"
        cat sums.1 >>mixed
        for file in "${names[@]}"; do verdicts+="$file: OK$eol"; done
    done <<'TABLE'
CRC-16/ARC 0xBB3D 0x0000 crc-ibm
CRC-16/CDMA2000 0x4C06 0x0000 -
CRC-16/CMS 0xAEE7 0x0000 -
CRC-16/DDS-110 0x9ECF 0x0000 -
CRC-16/DECT-R 0x007E 0x0589 r-crc-16
CRC-16/DECT-X 0x007F 0x0000 X-CRC-16
CRC-16/DNP 0xEA82 0x66C5 -
CRC-16/EN-13757 0xC2B7 0xA366 -
CRC-16/GENIBUS 0xD64E 0x1D0F crc-16/i-code
CRC-16/GSM 0xCE3C 0x1D0F -
CRC-16/IBM-3740 0x29B1 0x0000 CRC-16/CCITT-FALSE
CRC-16/IBM-SDLC 0x906E 0xF0B8 x-25
CRC-16/ISO-IEC-14443-3-A 0xBF05 0x0000 CRC-A
CRC-16/KERMIT 0x2189 0x0000 kermit
CRC-16/LJ1200 0xBDF4 0x0000 -
CRC-16/M17 0x772B 0x0000 -
CRC-16/MAXIM-DOW 0x44C2 0xB001 CRC-16/MAXIM
CRC-16/MCRF4XX 0x6F91 0x0000 -
CRC-16/MODBUS 0x4B37 0x0000 Modbus
CRC-16/NRSC-5 0xA066 0x0000 -
CRC-16/OPENSAFETY-A 0x5D38 0x0000 -
CRC-16/OPENSAFETY-B 0x20FE 0x0000 -
CRC-16/PROFIBUS 0xA819 0xE394 crc-16/iec-61158-2
CRC-16/RIELLO 0x63D0 0x0000 -
CRC-16/SPI-FUJITSU 0xE5CC 0x0000 CRC-16/AUG-CCITT
CRC-16/T10-DIF 0xD0DB 0x0000 -
CRC-16/TELEDISK 0x0FB3 0x0000 -
CRC-16/TMS37157 0x26B1 0x0000 -
CRC-16/UMTS 0xFEE8 0x0000 crc-16/verifone
CRC-16/USB 0xB4C8 0xB001 -
CRC-16/XMODEM 0x31C3 0x0000 zmodem
TABLE
    # One line for each row of the table, no more.
    [ "$(wc -l <models)" = "$row" ] || fail "--list-models: $(wc -l <models) lines, not the table's $row"
    expect_sum "$verdicts" "" 0 -c mixed
    # A model of one's own: plain lines, checked with the same -a; the
    # parameters of a catalogued model select it, tag and all.
    own='width=16 poly=0x1021 init=0x1234 refin=false refout=false xorout=0x0000'
    expect_sum "0xEDEB  digits$eol" "" 0 -a "$own" digits
    expect_sum "0xEDEB  digits$eol" "" 0 -a "refout=false refin=false  init=0X1234 poly=0x1021" digits
    expect_sum "0xEDEB  digits$eol" "" 0 -a "$own check=0xedeb residue=0x0000 name=\"SOME-CRC\"" digits
    expect_sum "0x8909  digits$eol" "" 0 -a "poly=0x1021 init=0xFFFF refin=true refout=false xorout=0x00FF" digits
    expect_sum "CRC-16/MODBUS (digits) = 0x4B37$eol" "" 0 -a "poly=0x8005 init=0xFFFF refin=true refout=true" digits
    "${crc16sum[@]}" -a "$own" digits >own.sums
    expect_sum "digits: OK$eol" "" 0 -a "$own" -c own.sums
    expect_sum "digits: FAILED$eol" "crc16sum: WARNING: 1 computed checksum did NOT match$eol" 1 -c own.sums
    try="${eol}Try 'crc16sum --help' for more information.$eol"
    while IFS='|' read -r given want_err; do
        eval "want_err=\"$want_err\""
        expect_sum "" "crc16sum: $want_err$try" 1 -a "$given" digits
    done <<'TABLE'
poly=0x1021 refin=false|missing model parameter 'refout'
init=0x0000 refin=true refout=true|missing model parameter 'poly'
poly=0x1021 refin=false refout=false size=16|unknown model parameter 'size=16'
poly=0x1021 refin=false refout=false width=8|invalid model parameter 'width=8': every model here is 16 bits wide
poly=0x1021 refin=false refout=false check=0x1234|the model's parameters make check=0x31C3, not 'check=0x1234'
poly=0x1021 refin=false refout=false poly=0x1021|repeated model parameter 'poly=0x1021'
poly=1021 refin=false refout=false|invalid model parameter 'poly=1021'
poly=0x10210 refin=false refout=false|invalid model parameter 'poly=0x10210'
poly=0x1021 refin=yes refout=false|invalid model parameter 'refin=yes'
TABLE
    expect_sum "" "crc16sum: the --tag option needs a model of the catalogue: a model of one's own has no name$try" 1 \
        --tag -a "$own" digits
    # Which model made a list's checksums: MODBUS's, as written and with
    # their bytes swapped, over three files; none, for made-up ones; and a
    # file that cannot be read takes no part.
    printf hello >f1 && printf 'frame two' >f2 && head -c 5000 /dev/urandom >f3
    "${crc16sum[@]}" -a MODBUS --untagged f1 f2 f3 >modbus
    sed 's/^0x\(..\)\(..\)/0x\2\1/' modbus >swapped
    expect_sum "CRC-16/MODBUS: as written$eol" "" 0 --identify modbus
    expect_sum "CRC-16/MODBUS: bytes swapped$eol" "" 0 --identify -j 3 swapped
    expect_sum "" "" 0 --identify --status modbus
    printf '0x1234  f1\n0x5678  f2\n' >made-up
    expect_sum "" "crc16sum: no catalogued model gives these checksums; --search tries every CRC-16$eol" 1 --identify made-up
    expect_sum "" "crc16sum: no catalogued model gives these checksums; --search tries every CRC-16$eol" 1 --identify modbus made-up
    { cat modbus && printf '0x1234  gone\n' && printf 'CRC-16/ARC (f1) = 0x1234\n'; } >with-gone
    expect_sum "CRC-16/MODBUS: as written$eol" "$(said gone "No such file or directory")${eol}crc16sum: WARNING: 1 line is improperly formatted${eol}crc16sum: WARNING: 1 listed file could not be read$eol" \
        1 --identify with-gone
    expect_sum "CRC-16/MODBUS: as written$eol" "crc16sum: WARNING: 1 line is improperly formatted$eol" 0 \
        --identify --ignore-missing with-gone
    expect_sum "" "crc16sum: the --algorithm option is meaningless with --identify$try" 1 --identify -a MODBUS modbus
    expect_sum "" "crc16sum: the --check option is meaningless with --identify$try" 1 --identify -c modbus ;;
sum-frames)
    try="${eol}Try 'crc16sum --help' for more information.$eol"
    # MODBUS requests with their published checksums, as operands and as
    # lines of standard input, tagged and plain, and checked with the
    # checksum appended in MODBUS's order, low byte first.
    expect_sum "CRC-16/MODBUS (01 03 00 00 00 0A) = 0xCDC5${eol}CRC-16/MODBUS (11 03 00 6B 00 03) = 0x8776$eol" "" 0 \
        -a MODBUS --hex '01 03 00 00 00 0A' '11 03 00 6B 00 03'
    printf '01 03 00 00 00 0A\n\n \t\n  0x11,0x03:0x00 0x6b 0x00 0x03 \r\n' >requests
    expect_sum "0xCDC5  01 03 00 00 00 0A${eol}0x8776  0x11,0x03:0x00 0x6b 0x00 0x03$eol" "" 0 \
        -a MODBUS --untagged --hex <requests
    printf '01 03 00 00 00 0A C5 CD\n11 03 00 6B 00 03 76 87\n' >appended
    expect_sum "01 03 00 00 00 0A C5 CD: OK${eol}11 03 00 6B 00 03 76 87: OK$eol" "" 0 -a MODBUS --appended --hex <appended
    expect_sum "01 03 00 00 00 0A C5 CD: FAILED$eol" "crc16sum: WARNING: 1 computed checksum did NOT match$eol" 1 \
        -a MODBUS --appended --endian=big --hex '01 03 00 00 00 0A C5 CD'
    expect_sum "01 03 00 00 00 0A CD C5: OK$eol" "" 0 -a MODBUS --appended --endian=big --hex '01 03 00 00 00 0A CD C5'
    expect_sum "" "" 0 -a MODBUS --appended --status --hex '01 03 00 00 00 0A C5 CD'
    expect_sum "" "" 0 -a MODBUS --appended --quiet --hex <appended
    expect_sum "CRC-16/MODBUS: low byte first$eol" "" 0 --identify --appended --hex <appended
    expect_sum "CRC-16/MODBUS: low byte first$eol" "crc16sum: 01: too short to hold a checksum: one byte${eol}crc16sum: WARNING: 1 input is too short to hold a checksum$eol" \
        1 --identify --appended --hex '01 03 00 00 00 0A C5 CD' 01
    expect_sum "" "crc16sum: no catalogued model gives these checksums; --search tries every CRC-16$eol" 1 --identify --appended --hex '01 03 00 00 00 0A 00 00'
    # Every model's check value, its nine digits given as hex; appended in
    # the order its line of --list-models gives (refout), and the other way.
    digits_hex='31 32 33 34 35 36 37 38 39'
    printf 123456789 >digits
    "${crc16sum[@]}" --list-models >models 2>err || fail "--list-models: $(cat err)"
    while read -r line; do
        line=${line%$'\r'}
        name=${line##*name=\"} name=${name%\"} check=${line#* check=0x} check=${check%% *}
        high=${check:0:2} low=${check:2:2}
        expect_sum "$name ($digits_hex) = 0x$check$eol" "" 0 -a "$name" --tag --hex "$digits_hex"
        expect_sum "$name ($digits_hex) = 0x$check$eol" "" 0 -a "$name" --tag --hex <<<"$digits_hex"
        own="$digits_hex $low $high" other="$digits_hex $high $low" order=little
        if [[ $line == *"refout=false"* ]]; then own="$digits_hex $high $low" other="$digits_hex $low $high" order=big; fi
        expect_sum "$own: OK$eol" "" 0 -a "$name" --appended --hex "$own"
        expect_sum "$own: OK$eol" "" 0 -a "$name" --appended --endian=$order --hex "$own"
        [ "$high" = "$low" ] || expect_sum "$other: FAILED$eol" "crc16sum: WARNING: 1 computed checksum did NOT match$eol" 1 \
            -a "$name" --appended --hex "$other"
        "${crc16sum[@]}" -a "$name" --raw digits >raw 2>err || fail "--raw -a $name: $(cat err)"
        [ "$(od -An -tx1 raw | tr -d ' \n')" = "$(printf '%s' "$own" | tr -d ' ' | tail -c 4 | tr 'A-F' 'a-f')" ] ||
            fail "--raw -a $name: $(od -An -tx1 raw)"
    done <models
    [ -s models ] || fail "--list-models wrote nothing"
    # An XMODEM block: its 128 data bytes, then its checksum high byte first;
    # and an X-25 frame, low byte first: what the same bytes give as files.
    # Fixed bytes, not random ones: once in 256 random blocks a second model
    # fits too, such as GSM, whose checksum is XMODEM's inverted, where the
    # two stored bytes are each other's complement.
    pattern 128 >block
    block_hex=$(od -An -v -tx1 block | tr -d '\n')
    sum=$("${crc16sum[@]}" -a XMODEM --untagged block) || fail "XMODEM block: $sum"
    sum=${sum:2:4}
    expect_sum "0x$sum  $(echo $block_hex)$eol" "" 0 -a XMODEM --untagged --hex "$(echo $block_hex)"
    expect_sum "$(echo $block_hex) ${sum:0:2} ${sum:2:2}: OK$eol" "" 0 -a XMODEM --appended --hex \
        "$(echo $block_hex) ${sum:0:2} ${sum:2:2}"
    printf "$(printf '\\x%s' $block_hex)\\x${sum:0:2}\\x${sum:2:2}" >block-and-sum
    expect_sum "block-and-sum: OK$eol" "" 0 -a XMODEM --appended block-and-sum
    expect_sum "CRC-16/XMODEM: high byte first$eol" "" 0 --identify --appended block-and-sum
    pattern 45 | tail -c 40 >frame
    frame_hex=$(echo $(od -An -v -tx1 frame | tr a-f A-F))
    sum=$("${crc16sum[@]}" -a X-25 --untagged frame) || fail "X-25 frame: $sum"
    expect_sum "$frame_hex ${sum:4:2} ${sum:2:2}: OK$eol" "" 0 -a X-25 --appended --hex "$frame_hex ${sum:4:2} ${sum:2:2}"
    expect_sum "CRC-16/IBM-SDLC: low byte first$eol" "" 0 --identify --appended --hex "$frame_hex ${sum:4:2} ${sum:2:2}"
    # Files carrying their checksum, read whole and in ranges, at -j 1 and
    # -j 4, and on standard input; too short, missing, ignored.
    threshold=$((2 * CRC16SUM_RANGE_MINIMUM))
    pattern $((threshold + 5001)) >large
    sum=$("${crc16sum[@]}" -a MODBUS --untagged large) || fail "large: $sum"
    cp large large-and-sum && printf "\\x${sum:4:2}\\x${sum:2:2}" >>large-and-sum
    for jobs in 1 4; do
        expect_sum "large-and-sum: OK$eol" "" 0 -a MODBUS --appended -j $jobs large-and-sum
        expect_sum "large-and-sum: FAILED$eol" "crc16sum: WARNING: 1 computed checksum did NOT match$eol" 1 \
            -a MODBUS --appended --endian=big -j $jobs large-and-sum
    done
    expect_sum "-: OK$eol" "" 0 -a MODBUS --appended <large-and-sum
    printf x >one-byte && : >no-bytes
    expect_sum "one-byte: FAILED${eol}no-bytes: FAILED${eol}nowhere: FAILED open or read$eol" \
        "crc16sum: one-byte: too short to hold a checksum: one byte${eol}crc16sum: no-bytes: too short to hold a checksum: no bytes$eol$(said nowhere "No such file or directory")${eol}crc16sum: WARNING: 1 input could not be read${eol}crc16sum: WARNING: 2 inputs are too short to hold a checksum$eol" \
        1 --appended one-byte no-bytes nowhere
    expect_sum "large-and-sum: OK$eol" "" 0 -a MODBUS --appended --ignore-missing nowhere large-and-sum
    expect_sum "" "crc16sum: no input was verified$eol" 1 --appended --ignore-missing nowhere
    expect_sum "" "crc16sum: no input was verified$eol" 1 --identify --appended --ignore-missing nowhere
    # Bad hex: the operand, or standard input's line, and the column; the
    # frames after it go on, and the status is 1.
    expect_sum "0x2140  01 03$eol" "crc16sum: 01 0g: column 5: not a hex digit or a separator${eol}crc16sum: 0x1: column 3: a byte of one hex digit$eol" 1 \
        -a MODBUS --untagged --hex '01 0g' '0x1' '01 03'
    printf '01 03\n010\n0x 01\n01-03\n\n01 03\n' >bad-lines
    expect_sum "0x2140  01 03${eol}0x2140  01 03$eol" "crc16sum: -:2: column 3: a byte of one hex digit${eol}crc16sum: -:3: column 2: not a hex digit or a separator${eol}crc16sum: -:4: column 3: not a hex digit or a separator$eol" 1 \
        -a MODBUS --untagged --hex <bad-lines
    printf '01\r02\n' >inner-return
    expect_sum "" "crc16sum: -:1: column 3: not a hex digit or a separator$eol" 1 --hex <inner-return
    # A line longer than 4096 bytes is named by its number.
    head -c 3000 /dev/urandom >long-bytes
    { printf '01 03\n' && od -An -v -tx1 long-bytes | tr -d ' \n' && printf '\n'; } >long-line
    long_sum=$("${crc16sum[@]}" -a MODBUS --untagged long-bytes) || fail "long-bytes: $long_sum"
    long_sum=${long_sum%$'\r'}
    expect_sum "0x2140  01 03$eol${long_sum%  long-bytes}  -:2$eol" "" 0 -a MODBUS --untagged --hex <long-line
    # A 64 MiB line takes no more memory than a short one: within 4 MiB.
    if [ ${#emulator[@]} -eq 0 ] && [ -x /usr/bin/time ]; then
        yes 0A | head -c $((96 << 20)) | tr -d '\n' >huge-line && printf '\n' >>huge-line
        printf '0A0A\n' >short-line
        /usr/bin/time -f %M -o huge.kib "${crc16sum[@]}" --hex <huge-line >huge.out 2>err || fail "64 MiB line: $(cat err)"
        /usr/bin/time -f %M -o short.kib "${crc16sum[@]}" --hex <short-line >short.out 2>err || fail "short line: $(cat err)"
        [ "$(cut -c 9- huge.out)" = "-:1" ] || fail "64 MiB line: named $(cut -c 9- huge.out)"
        [ $(($(tail -n 1 huge.kib) - $(tail -n 1 short.kib))) -le 4096 ] ||
            fail "a 64 MiB line took $(tail -n 1 huge.kib) KiB, a short one $(tail -n 1 short.kib) KiB"
        rm -f huge-line
    fi
    # --raw: the two bytes a sender appends, and nothing else.
    "${crc16sum[@]}" -a MODBUS --raw --hex '01 03 00 00 00 0A' >raw || fail "--raw: $(cat raw)"
    [ "$(od -An -tx1 raw | tr -d ' \n')" = c5cd ] || fail "--raw: $(od -An -tx1 raw)"
    "${crc16sum[@]}" -a MODBUS --raw --endian=big --hex <<<'01 03 00 00 00 0A' >raw || fail "--raw: $(cat raw)"
    [ "$(od -An -tx1 raw | tr -d ' \n')" = cdc5 ] || fail "--raw --endian=big: $(od -An -tx1 raw)"
    # Usage errors.
    while IFS='|' read -r arguments message; do
        read -ra args <<<"$arguments"
        expect_sum "" "crc16sum: $message$try" 1 "${args[@]}"
    done <<'TABLE'
--hex --check 01|the --hex option is meaningless with --check
--hex -r 01|the --hex option is meaningless with --recursive
--hex --identify 01|the --hex option is meaningless with --identify of lists
--raw 01 02 --hex|the --raw option takes one input, not several
--raw --appended --hex 01|the --raw option is meaningless with --appended
--raw --check list|the --raw option is meaningless with --check
--raw --identify --appended list|the --raw option is meaningless with --identify
--raw -r dir|the --raw option is meaningless with --recursive
--appended --check list|the --appended option is meaningless with --check
--endian=big f|the --endian option is meaningful only with --appended or --raw
TABLE
    expect_sum "" "crc16sum: invalid argument 'middle' for '--endian'${eol}Valid arguments are:$eol  - 'big'$eol  - 'little'$try" \
        1 --appended --endian=middle f
    printf '01\n02\n' >two-lines
    expect_sum "" "crc16sum: the --raw option takes one input, not several$try" 1 --raw --hex <two-lines ;;
sum-search)
    try="${eol}Try 'crc16sum --help' for more information.$eol"
    # Four samples of mixed lengths, each model's checksums made by -a with
    # its parameters: every model is found, as written, from a list, in
    # each of the four orders; swapped, from the same list swapped. A
    # polynomial divisible by x + 1 (0x1021) has two pairs of initial value
    # and final XOR that give the same checksums everywhere: the one with the
    # smaller initial value is named, once.
    for length in 7 20 33 58; do pattern $((length * 3)) | tail -c $length >"s$length"; done
    while IFS='|' read -r made named; do
        "${crc16sum[@]}" -a "$made" --untagged s7 s20 s33 s58 >list || fail "-a $made: $(cat list)"
        sed 's/^0x\(..\)\(..\)/0x\2\1/' list >swapped
        expect_sum "width=16 $named: as written$eol" "" 0 --identify --search list
        expect_sum "width=16 $named: bytes swapped$eol" "" 0 --identify --search -j 1 swapped
    done <<'TABLE'
poly=0x2F15 init=0x1234 refin=false refout=false xorout=0x0F0F|poly=0x2F15 init=0x1234 refin=false refout=false xorout=0x0F0F check=0xBF1B residue=0x02AA
poly=0x6F63 init=0xBEEF refin=true refout=true xorout=0x0000|poly=0x6F63 init=0xBEEF refin=true refout=true xorout=0x0000 check=0xD6A6 residue=0x0000
poly=0x2F15 init=0x00FF refin=true refout=false xorout=0xFFFF|poly=0x2F15 init=0x00FF refin=true refout=false xorout=0xFFFF check=0x29FC
poly=0x8BB7 init=0x4321 refin=false refout=true xorout=0x5A5A|poly=0x8BB7 init=0x4321 refin=false refout=true xorout=0x5A5A check=0xCBBF
poly=0x1021 init=0xF0F0 refin=false refout=false xorout=0x1234|poly=0x1021 init=0x00EF refin=false refout=false xorout=0xE22B check=0x7A13 residue=0xE3D9
TABLE
    # The check value the line names is the model's own.
    printf 123456789 >digits
    expect_sum "0xBF1B  digits$eol" "" 0 -a "poly=0x2F15 init=0x1234 refin=false refout=false xorout=0x0F0F" digits
    # Frames and files that carry their checksum, in the model's byte order
    # and the other: each named by how it is stored.
    made="poly=0x6F63 init=0xBEEF refin=true refout=true xorout=0x0000"
    named="width=16 poly=0x6F63 init=0xBEEF refin=true refout=true xorout=0x0000 check=0xD6A6 residue=0x0000"
    frames=() reversed=()
    for length in 7 20 33 58; do
        data=$(od -An -v -tx1 "s$length" | tr -d '\n')
        "${crc16sum[@]}" -a "$made" --raw "s$length" >raw || fail "--raw s$length"
        stored=$(od -An -tx1 raw)
        frames+=("$(echo $data $stored)")
        reversed+=("$(echo $data $(echo $stored | awk '{ print $2, $1 }'))")
        cp "s$length" "f$length" && cat raw >>"f$length"
    done
    expect_sum "$named: low byte first$eol" "" 0 --identify --search --appended --hex "${frames[@]}"
    expect_sum "$named: high byte first$eol" "" 0 --identify --search --appended --hex "${reversed[@]}"
    printf '%s\n' "${frames[@]}" >frame-lines
    expect_sum "$named: low byte first$eol" "" 0 --identify --search --appended --hex <frame-lines
    expect_sum "$named: low byte first$eol" "" 0 --identify --search --appended f7 f20 f33 f58
    # Samples of one length leave every initial value: the one of 0x0000
    # is named, and standard error says how many pairs fit, and why.
    for n in 1 2 3 4; do pattern $((n * 20)) | tail -c 16 >"e$n"; done
    "${crc16sum[@]}" -a "poly=0x2F15 init=0x1234 refin=false refout=false xorout=0x0F0F" --untagged e1 e2 e3 e4 >same
    expect_sum "width=16 poly=0x2F15 init=0x0000 refin=false refout=false xorout=0x3520 check=0x97F1 residue=0x8CDF: as written$eol" \
        "crc16sum: poly=0x2F15 refin=false refout=false: 65536 pairs of init and xorout give these checksums, the smallest init named; samples of other lengths would tell them apart$eol" \
        0 --identify --search same
    # Two samples leave many models: the first 16 named, all counted, status 1.
    head -n 2 list >two
    "${crc16sum[@]}" --identify --search two >out 2>err
    status=$?
    [ $status = 1 ] || fail "two samples: status $status"
    [ "$(wc -l <out)" = 16 ] || fail "two samples: $(wc -l <out) lines"
    grep -Eq '^crc16sum: [0-9]+ models give these checksums, the first 16 named; more samples are needed to tell them apart.?$' err ||
        fail "two samples: $(cat err)"
    # Made-up checksums of five files: no CRC-16 gives them.
    printf '0x1234  s7\n0x5678  s20\n0x9ABC  s33\n0xDEF0  s58\n0x1111  digits\n' >noise
    expect_sum "" "crc16sum: no CRC-16 gives these checksums$eol" 1 --identify --search noise
    expect_sum "" "crc16sum: no catalogued model gives these checksums; --search tries every CRC-16$eol" 1 --identify noise
    # A catalogued model answers as without --search; what --debug says.
    "${crc16sum[@]}" -a MODBUS --untagged s7 s20 s33 >modbus
    expect_sum "CRC-16/MODBUS: as written$eol" "" 0 --identify --search modbus
    "${crc16sum[@]}" --identify --search --debug list >out 2>err || fail "--debug: $(cat err)"
    grep -q '^crc16sum: search: 32768 polynomials tried in both input orders, over 4 samples of 118 bytes in all' err ||
        fail "--debug: $(cat err)"
    # Usage errors: one sample; --search alone.
    head -n 1 list >one
    expect_sum "" "crc16sum: --search needs the checksums of two inputs at least to tell models apart$try" 1 \
        --identify --search one
    expect_sum "" "crc16sum: the --search option is meaningful only with --identify$try" 1 --search s7 ;;
*)
    echo "unknown case $case_name"
    exit 2 ;;
esac
finish
