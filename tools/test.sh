#!/bin/sh
# Installs what is missing, builds, and runs every test: once in the normal build, whose
# Debian package is then built and checked, and once under AddressSanitizer and
# UndefinedBehaviorSanitizer (with short fuzz runs).
set -eu
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

tools/install-deps.sh

tools/build.sh release
(cd build/release && ctest --output-on-failure -j "$jobs")
tools/check-package.sh

tools/build.sh sanitize
(cd build/sanitize && ctest --output-on-failure -j "$jobs")

echo "All tests passed in the normal and the sanitizer build."
