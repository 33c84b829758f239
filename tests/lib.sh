# What the test scripts share: a count of failures, checks that add to it, a
# temp folder that goes whatever ends the script, and the exit status.
# Sourced, not run.
failures=0

# fail WHAT: report one failure and count it.
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# require WHAT PATTERN TEXT: some line of TEXT matches the extended regular expression PATTERN.
require() {
    grep -q -E -- "$2" <<<"$3" || fail "$1: nothing matches '$2'"
}

# use_temp_folder NAME: sets $work to a new folder, removed on exit, interrupt or termination.
use_temp_folder() {
    work=$(mktemp -d "${TMPDIR:-/tmp}/crc16-$1.XXXXXX") || exit 1
    trap 'rm -rf "$work"' EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
}

# expect STDOUT STATUS ARG...: runs the command in the array crc16 with the
# args, stdin as the caller set it, stdout and stderr to the files out and err
# in the current folder, and checks both and the exit status.
expect() {
    local want=$1 want_status=$2 status
    shift 2
    "${crc16[@]}" "$@" >out 2>err
    status=$?
    verify "$want" "$want_status" "$status" "$*"
}

# verify STDOUT STATUS GOT_STATUS WHAT: out holds STDOUT byte for byte, the
# status is STATUS, and err is empty.
verify() {
    local want=$1 want_status=$2 status=$3 what=$4
    if [ "$(od -An -c out)" != "$(printf '%s' "$want" | od -An -c)" ]; then
        fail "[$what]: stdout was '$(od -An -c out)', expected '$(printf '%s' "$want" | od -An -c)'"
    fi
    [ "$status" = "$want_status" ] || fail "[$what]: exit status $status, expected $want_status"
    [ ! -s err ] || fail "[$what]: wrote to stderr: $(cat err)"
}

finish() {
    exit $((failures > 0))
}
