#!/bin/sh
# Installs what is missing, builds the programs (not the tests and benches: tools/test.sh
# builds everything) and starts Zelvar71 from the build's programs' folder (it holds the
# library profiles; the channel-name files are created there on first use).
set -eu
cd "$(dirname "$0")/.."

tools/install-deps.sh
tools/build.sh release zelvar71-programs

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display to show Zelvar71 on; on a virtual one: tools/install-deps.sh screenshot && xvfb-run -a build/release/bin/Zelvar71"
    exit 1
fi
exec build/release/bin/Zelvar71
