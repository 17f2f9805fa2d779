#!/bin/sh
# Configures and builds one of the project's builds, all of it or the targets named.
#   tools/build.sh release [TARGET...]    normal build (g++), in build/release
#   tools/build.sh sanitize [TARGET...]   clang with AddressSanitizer, UndefinedBehaviorSanitizer
#                                         and the libFuzzer targets, in build/sanitize
set -eu
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
build=${1:-release}
if [ $# -gt 0 ]; then shift; fi
# The targets named, else everything.
if [ $# -gt 0 ]; then set -- --target "$@"; fi

case "$build" in
release)
    cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=g++
    cmake --build build/release -j "$jobs" "$@"
    ;;
sanitize)
    cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
        -DZELVAR71_SANITIZE=ON -DZELVAR71_FUZZ=ON
    cmake --build build/sanitize -j "$jobs" "$@"
    ;;
*)
    echo "usage: tools/build.sh [release|sanitize] [TARGET...]" >&2
    exit 2
    ;;
esac
