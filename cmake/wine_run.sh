#!/bin/sh
# Runs a Windows program under Wine in the prefix WINEPREFIX names, once that
# prefix is whole and its server and services run; or starts and stops that
# server around a test suite (the wine fixture in tests/CMakeLists.txt).
#
# The first program started in a new prefix makes it, and the processes that
# making it starts go on after that program has ended; programs started
# beside them may find a prefix half made. So the prefix is made here, by one
# caller at a time (the others wait on a lock), and counted as made only once
# every process of it has ended.
#
# Wine's services (services.exe, winedevice.exe, ...) start with the first
# program a new server runs, and keep that program's standard output and
# error open as long as the server lives: a test reading that program through
# a pipe would wait for the server to leave. So no program here meets a new
# server: under the lock, one is started if none runs, with its services
# started by a wineboot; both write to the log beside the prefix. A program
# that starts while a server exits may fail, so the server stays past the last
# program: a minute where started for one program, and until --stop where
# started by --start, which replaces any server that runs.
# usage: wine_run.sh LOADER WINESERVER PROGRAM [ARGUMENT]...
#        wine_run.sh LOADER WINESERVER --start|--stop
set -u
loader=$1 server=$2
shift 2
log=$WINEPREFIX.log
ready=$WINEPREFIX/.made-whole

fail() {
    echo "wine_run.sh: $1 in $WINEPREFIX:" >&2
    cat "$log" >&2
    exit 1
}

# start_server PERSISTENCE: a server that stays PERSISTENCE seconds past the
# last program (empty: until it is killed), and its services, unless a
# server runs already (wineserver's status 2), which is left as it is. Neither
# may hold the lock (descriptor 9) open.
start_server() {
    "$server" "-p$1" >>"$log" 2>&1 9>&-
    case $? in
    0) "$loader" wineboot >>"$log" 2>&1 9>&- || fail "the Wine services could not be started" ;;
    2) ;;
    *) fail "the Wine server could not be started" ;;
    esac
}

exec 9>"$WINEPREFIX.lock" && flock 9 || exit 1
if [ "${1-}" = --stop ]; then
    # Status 1: no server ran.
    "$server" -k >>"$log" 2>&1 9>&-
    "$server" -w 9>&- || fail "the Wine server did not stop"
    exit 0
fi
if [ ! -e "$ready" ]; then
    { "$loader" wineboot --init >"$log" 2>&1 9>&- && "$server" -w 9>&- && : >"$ready"; } ||
        fail "the Wine prefix could not be made"
fi
if [ "${1-}" = --start ]; then
    "$server" -k >>"$log" 2>&1 9>&-
    "$server" -w 9>&- || fail "the Wine server that ran did not stop"
    start_server ""
    exit 0
fi
start_server 60
exec 9>&-
exec "$loader" "$@"
