#!/bin/sh
# Installs what is missing, builds, and starts Zelvar71.
set -eu
cd "$(dirname "$0")/.."

tools/install-deps.sh
tools/build.sh release

if [ -x build/release/bin/Zelvar71 ]; then
    exec build/release/bin/Zelvar71
fi
echo "Built, but Zelvar71 has no window yet: this build holds the file formats and zelvar71-cli"
echo "(build/release/bin/zelvar71-cli --help)."
