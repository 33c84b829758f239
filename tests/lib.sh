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

finish() {
    exit $((failures > 0))
}
