#!/bin/sh
# Runs a program on a virtual screen and saves a picture of the whole screen after a wait.
#   tools/screenshot.sh OUT.png SECONDS PROGRAM [ARGS...]
# Example: tools/screenshot.sh /tmp/editor.png 3 build/release/bin/zelvar71-preview Zelva71
set -eu
[ $# -ge 3 ] || { echo "usage: tools/screenshot.sh OUT.png SECONDS PROGRAM [ARGS...]" >&2; exit 2; }
out=$1
seconds=$2
shift 2
"$(dirname "$0")/install-deps.sh" screenshot

xvfb-run -a -s "-screen 0 1280x960x24" sh -c '
    out=$1; seconds=$2; shift 2
    "$@" &
    pid=$!
    sleep "$seconds"
    import -window root "$out"
    kill "$pid" 2>/dev/null || true
' sh "$out" "$seconds" "$@"
echo "saved $out"
