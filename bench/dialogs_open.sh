#!/bin/sh
# Times opening the converter dialog, or with --config the configuration dialog (its settings
# file written first, as on a first start), each run a fresh process; prints each run and the
# median.
#   bench/dialogs_open.sh [build-dir] [runs] [--config]   (default: build, 7 runs; target 100 ms)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
runs=${2:-7}
mode=${3:-}
cmake --build "$build" --target tarnwick_ui >/dev/null
cmake -S "$here" -B "$build/bench" -DTARNWICK_BUILD_DIR="$build" >/dev/null
cmake --build "$build/bench" --target dialogs_open >/dev/null
times=""
i=0
while [ "$i" -lt "$runs" ]; do
    line=$(QT_QPA_PLATFORM=offscreen "$build/bench/dialogs_open" $mode 2>/dev/null)
    echo "run $((i + 1)): $line"
    times="$times $(echo "$line" | cut -d' ' -f1)"
    i=$((i + 1))
done
median=$(printf '%s\n' $times | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }')
echo "median of $runs: $median ms (target <= 100 ms)"
