#!/usr/bin/env bash
# Runs each fuzz target of the fuzz preset for a bounded time on a copy of its corpus.
#   scripts/fuzz.sh BUILD_DIR [SECONDS_EACH]   (default 30)
# A failing input is saved under BUILD_DIR/fuzz-failures/; add it to tests/fuzz/corpus/TARGET/
# with the fix, so that the ordinary test build replays it from then on.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1
seconds=${2:-30}
failures="$build/fuzz-failures"
mkdir -p "$failures"
status=0
for corpus in tests/fuzz/corpus/*/; do
    target=$(basename "$corpus")
    work=$(mktemp -d)
    cp -r "$corpus". "$work/"
    echo "fuzz: $target for ${seconds} s" >&2
    if ! "$build/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$failures/$target-" "$work" >"$failures/$target.log" 2>&1; then
        tail -n 40 "$failures/$target.log" >&2
        echo "fuzz: $target failed; the input is in $failures/" >&2
        status=1
    else
        grep -E '^stat::number_of_executed_units' "$failures/$target.log" >&2 || true
    fi
    rm -rf "$work"
done
exit $status
