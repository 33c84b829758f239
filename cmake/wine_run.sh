#!/bin/sh
# Runs a Windows program under Wine in the prefix WINEPREFIX names, once that
# prefix is whole. The first program started in a new prefix makes it, and
# the processes that making it starts go on after that program has ended;
# programs started beside them, or beside the first, may find a prefix half
# made. So the prefix is made here, by one caller at a time (the others wait
# on a lock), and counted as made only once every process of it has ended;
# what making it says goes to a log beside it, never to a program's output.
# The server a loader starts for itself leaves the moment the last program
# does (Debian's wineserver runs with -p0), so a program starting just then
# meets a server on its way out. One that stays a minute past the last
# program is started here first; where one runs, this second start only
# exits (status 2), and a later -p overrides the wrapper's -p0.
# usage: wine_run.sh LOADER WINESERVER PROGRAM [ARGUMENT]...
set -u
loader=$1 server=$2
shift 2
ready=$WINEPREFIX/.made-whole
if [ ! -e "$ready" ]; then
    exec 9>"$WINEPREFIX.lock" && flock 9 || exit 1
    if [ ! -e "$ready" ]; then
        "$loader" wineboot --init >"$WINEPREFIX.log" 2>&1 && "$server" -w && : >"$ready" || {
            echo "wine_run.sh: the Wine prefix $WINEPREFIX could not be made:" >&2
            cat "$WINEPREFIX.log" >&2
            exit 1
        }
    fi
    exec 9>&-
fi
"$server" -p60 >/dev/null 2>&1
exec "$loader" "$@"
