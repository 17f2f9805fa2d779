#!/bin/sh
# Runs every fuzz target of the sanitizer build for a while (default 180 seconds each),
# keeping what it finds in build/fuzz-corpus.
#   tools/fuzz.sh [seconds]
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-180}

tools/install-deps.sh
tools/build.sh sanitize

for entry in fuzz_readprofile:9000 fuzz_channelnameset:2600 fuzz_qxfimport:8000 fuzz_gdtfimport:16000 \
    fuzz_stickreplies:12000 fuzz_readdownloadset:120000; do
    target=${entry%%:*}
    corpus=build/fuzz-corpus/$target
    mkdir -p "$corpus"
    echo "== $target for $seconds s"
    build/sanitize/bin/$target -max_total_time="$seconds" -max_len="${entry#*:}" -print_final_stats=1 \
        "$corpus" "tests/fuzz/corpus/$target"
done
