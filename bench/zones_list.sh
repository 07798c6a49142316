#!/bin/sh
# Times `tarnwick-cli zones list` over the full preset database: the median of RUNS runs
# (default 11) after one warm-up run. Target: at most 50 ms.
#   bench/zones_list.sh [BUILD_DIR] [RUNS]
set -eu
build=${1:-build}
runs=${2:-11}
cli="$build/tarnwick-cli"
[ -x "$cli" ] || { echo "no $cli: build the tarnwick-cli and tarnwick_presets targets" >&2; exit 2; }
[ -f "$build/timezones.mdb" ] || { echo "no $build/timezones.mdb: build tarnwick_presets" >&2; exit 2; }

data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
cp "$build/timezones.mdb" "$data/timezones.mdb"
items=$("$cli" --dir "$data" zones list | wc -l)

times=""
i=0
while [ "$i" -lt "$runs" ]; do
    start=$(date +%s%N)
    "$cli" --dir "$data" zones list >/dev/null
    end=$(date +%s%N)
    times="$times $(( (end - start) / 1000 ))"
    i=$((i + 1))
done
median=$(printf '%s\n' $times | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
min=$(printf '%s\n' $times | sort -n | head -1)
max=$(printf '%s\n' $times | sort -n | tail -1)
echo "zones list: $items items, $runs runs, median $((median / 1000)).$(printf '%03d' $((median % 1000))) ms" \
     "(min $((min / 1000)).$(printf '%03d' $((min % 1000))) ms, max $((max / 1000)).$(printf '%03d' $((max % 1000))) ms; target <= 50 ms)"
[ "$median" -le 50000 ]
