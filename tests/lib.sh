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

# check_run STDOUT STDERR STATUS COMMAND...: runs COMMAND, stdin as the
# caller set it, stdout and stderr to the files out and err in the current
# folder, and checks both byte for byte and the exit status.
check_run() {
    local want=$1 want_err=$2 want_status=$3 status
    shift 3
    "$@" >out 2>err
    status=$?
    local what="$*"
    [ ${#what} -le 200 ] || what="${what:0:200}..."
    verify "$want" "$want_status" "$status" "$what" "$want_err"
}

# expect STDOUT STATUS ARG...: check_run of the command in the array crc16
# with the args, which must write nothing to stderr.
expect() {
    local want=$1 want_status=$2
    shift 2
    check_run "$want" "" "$want_status" "${crc16[@]}" "$@"
}

# verify STDOUT STATUS GOT_STATUS WHAT [STDERR]: out holds STDOUT and err
# holds STDERR (by default nothing), byte for byte, and the status is STATUS.
verify() {
    local want=$1 want_status=$2 status=$3 what=$4 want_err=${5:-}
    if [ "$(od -An -c out)" != "$(printf '%s' "$want" | od -An -c)" ]; then
        fail "[$what]: stdout was '$(od -An -c out)', expected '$(printf '%s' "$want" | od -An -c)'"
    fi
    [ "$status" = "$want_status" ] || fail "[$what]: exit status $status, expected $want_status"
    if [ "$(od -An -c err)" != "$(printf '%s' "$want_err" | od -An -c)" ]; then
        fail "[$what]: stderr was '$(cat err)', expected '$want_err'"
    fi
}

finish() {
    exit $((failures > 0))
}
