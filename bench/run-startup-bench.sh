#!/usr/bin/env bash
# Time from the program's start to the main window's first paint, on the
# bundled sample prefix under a private X server: 10 runs (after one warm-up),
# each time printed, then the median. Target: under 500 ms.
#
#   bench/run-startup-bench.sh [runs]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-10}
build=${BENCH_BUILD:-build}
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j2 --target bench_startup postora-sample-prefix Sqx >/dev/null
work=$(mktemp -d)
trap 'kill "${xvfb_pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
# shellcheck source=../tools/sample-desktop.sh
source tools/sample-desktop.sh

times=()
for i in $(seq 0 "$runs"); do
    t=$(POSTORA_BENCH_T0=$(date +%s%N) "$build/bin/bench_startup" 2>/dev/null | tail -1)
    [[ $i -eq 0 ]] && continue # warm-up: caches
    echo "run $i: $t ms"
    times+=("$t")
done
printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {
    m = (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2
    printf "median of %d runs: %.1f ms (target < 500 ms)\n", NR, m }'
