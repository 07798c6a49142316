#!/bin/sh
# Times opening the zone editor with the full preset database and filling its list.
# Prints each run and the median; fails when the median is over the target. Measure a Release
# build (-DCMAKE_BUILD_TYPE=Release); each run is a fresh process. By default a small window is
# shown first, as the running clock's would be; --cold opens the editor as the first window.
#   bench/editor_open.sh [build-dir] [runs] [--cold]   (default: build, 7 runs; target 100 ms)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
runs=${2:-7}
mode=${3:-}
target_ms=100

cmake --build "$build" --target tarnwick_ui tarnwick_presets >/dev/null
cmake -S "$here" -B "$build/bench" -DTARNWICK_BUILD_DIR="$build" >/dev/null
cmake --build "$build/bench" --target editor_open >/dev/null

db="$build/timezones.mdb"
[ -f "$db" ] || { echo "no preset database at $db" >&2; exit 1; }

times=""
i=0
while [ "$i" -lt "$runs" ]; do
    line=$(QT_QPA_PLATFORM=offscreen "$build/bench/editor_open" "$db" $mode 2>/dev/null)
    echo "run $((i + 1)): $line"
    times="$times $(echo "$line" | cut -d' ' -f1)"
    i=$((i + 1))
done
median=$(printf '%s\n' $times | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }')
echo "median of $runs: $median ms (target <= $target_ms ms)"
awk -v m="$median" -v t="$target_ms" 'BEGIN { exit !(m <= t) }'
