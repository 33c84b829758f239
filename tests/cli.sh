#!/usr/bin/env bash
# Runs crc16 as a process and checks what it writes, byte for byte, and how it exits.
# usage: cli.sh CASE PROGRAM [EMULATOR...]   (exit 77: the case cannot exist there)
set -u
# Every case, in the order they are listed below; CMake makes a test of each,
# and fails to configure where this list and the case labels differ.
CASES="no-argument missing-file directory extra-arguments contents over-4gib wide-name fifo unsized endless full-output read-error"
case_name=$1 program=$2
shift 2
crc16=("$@" "$program")
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

case $case_name in
no-argument)
    expect "$no_path" 255 ;;
missing-file)
    # No options: --help is a path, and ./ takes a name that starts with -.
    expect "$open_failed" 255 no-such-file
    expect "$open_failed" 255 --help
    printf 123456789 >-x
    expect 0xBB3D 0 ./-x ;;
directory)
    mkdir dir
    expect "$open_failed" 255 dir ;;
extra-arguments)
    printf 123456789 >digits
    expect 0xBB3D 0 digits no-such-file --help ;;
contents)
    # file content (printf format or pattern length) and its checksum
    while read -r kind content sum; do
        if [ "$kind" = printf ]; then printf "$content" >f; else pattern "$content" >f; fi
        expect "$sum" 0 f
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
    expect 0x9738 0 'é€漢字.txt' ;;
fifo)
    skip_on_windows "a FIFO"
    mkfifo fifo
    printf 123456789 >fifo &
    writer=$!
    expect 0xBB3D 0 fifo
    # A program that never opened the FIFO left the writer waiting for a reader.
    kill "$writer" 2>/dev/null
    wait "$writer"
    # A pipe on standard input, with expect in this shell, where its failures count.
    expect 0xE3A2 0 /dev/stdin < <(pattern 8192) ;;
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
    verify "" 255 "$?" "stdout on a closed pipe, SIGPIPE ignored" ;;
read-error)
    # Opens and seeks, then fails at the first read.
    skip_on_windows "/proc/self/mem"
    [ -r /proc/self/mem ] || { echo "skipped: no /proc here"; exit 77; }
    expect "$read_failed" 255 /proc/self/mem ;;
*)
    echo "unknown case $case_name"
    exit 2 ;;
esac
finish
