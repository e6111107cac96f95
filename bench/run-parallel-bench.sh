#!/usr/bin/env bash
# The archiving library's writer against zip and 7z, on the bench store and on a folder of
# many small mail messages, without and with a password, on one and on two worker threads.
#
#   bench/run-parallel-bench.sh [rounds=5] [store MiB=300] [messages=5000] [memory MiB ...]
#
# A round runs back to back, on the same files: zip -q -r -6; 7z a -tzip -mx=5 -mmt=2 (and with
# -mem=AES256 -p for the password); libSqx through `bench_sqx add` with SQX_THREADS=1 and 2,
# without and with a password (one list entry per file or folder of the store's folders, per
# message for the mail folder, as the program adds them). It prints per tool the medians of
# wall and CPU seconds, peak memory and archive size, and the medians of the per-round ratios
# to zip: a round's runs share the machine's load, so their ratio is steadier than the times.
# Then libSqx's peak memory on stores of the memory sizes (default 150 1200): it should stay
# flat.
#
# Environment: BENCH_WORK = where the work folder is made (default $TMPDIR, else /tmp).
# BENCH_BUILD = the build folder (default build).
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-5}
store_mb=${2:-300}
messages=${3:-5000}
shift $(($# < 3 ? $# : 3))
memory_sizes=("$@")
[ ${#memory_sizes[@]} -gt 0 ] || memory_sizes=(150 1200)

build=${BENCH_BUILD:-build}
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j2 --target Sqx bench_oestore bench_sqx >/dev/null
bin=$(cd "$build/bin" && pwd)
work=$(mktemp -d "${BENCH_WORK:-${TMPDIR:-/tmp}}/postora-pbench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# timed <name> <archive> <command...>: appends "<name> wall cpu KiB bytes" to $work/runs.
timed() {
  local name=$1 archive=$2
  shift 2
  rm -f "$archive"
  if ! /usr/bin/time -f '%e %U %S %M' -o "$work/time" "$@" >"$work/out.log" 2>&1; then
    echo "$name failed:" >&2
    tail -n 20 "$work/out.log" >&2
    exit 1
  fi
  read -r wall user sys kib <"$work/time"
  echo "$name $wall $(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }') $kib $(stat -c %s "$archive")" >>"$work/runs"
  rm -f "$archive"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }

# bench <label> <folder> <list file> <tool arguments...>: the rounds on one data set. libSqx
# stores the names relative to <folder>, as zip and 7z do.
bench() {
  local label=$1 folder=$2 list=$3
  shift 3
  local out="$work/out.zip"
  : >"$work/runs"
  for ((r = 1; r <= rounds; r++)); do
    timed zip "$out" sh -c 'cd "$1" && shift && exec zip -q -r -6 "$@"' sh "$folder" "$out" "$@"
    timed 7z "$out" sh -c 'cd "$1" && shift && exec 7z a -bd -tzip -mx=5 -mmt=2 "$@"' sh \
      "$folder" "$out" "$@"
    timed 7z-aes "$out" sh -c 'cd "$1" && shift && exec 7z a -bd -tzip -mx=5 -mmt=2 -mem=AES256 -ppw "$@"' \
      sh "$folder" "$out" "$@"
    for t in 1 2; do
      timed "sqx-t$t" "$out" env SQX_THREADS=$t "$bin/bench_sqx" add "$out" "" "$list" "$folder/"
      timed "sqx-t$t-aes" "$out" env SQX_THREADS=$t "$bin/bench_sqx" add "$out" pw "$list" "$folder/"
    done
  done
  echo "== $label ($rounds rounds; input $(du -sb "$folder" | cut -f 1) bytes, $(wc -l <"$list") list entries)"
  printf '%-12s %8s %8s %10s %13s %9s %9s %9s\n' tool "wall s" "CPU s" "peak KiB" "bytes" \
    "t/zip" "size/zip" "t/no-pw"
  for name in zip 7z 7z-aes sqx-t1 sqx-t1-aes sqx-t2 sqx-t2-aes; do
    local col wall cpu kib bytes
    col() { awk -v n="$name" -v c="$1" '$1 == n { print $c }' "$work/runs"; }
    wall=$(col 2 | median) cpu=$(col 3 | median) kib=$(col 4 | median) bytes=$(col 5 | median)
    # Per-round ratios: the i-th run of this tool against the i-th of zip (or of its plain run).
    local base=${name%-aes} tz sz tp
    tz=$(paste <(col 2) <(awk '$1 == "zip" { print $2 }' "$work/runs") | awk '{ print $1 / $2 }' | median)
    sz=$(paste <(col 5) <(awk '$1 == "zip" { print $5 }' "$work/runs") | awk '{ print $1 / $2 }' | median)
    tp=-
    if [ "$base" != "$name" ]; then
      tp=$(paste <(col 2) <(awk -v n="$base" '$1 == n { print $2 }' "$work/runs") | awk '{ print $1 / $2 }' | median)
    fi
    printf '%-12s %8.2f %8.2f %10d %13d %9.3f %9.4f %9s\n' "$name" "$wall" "$cpu" "$kib" "$bytes" \
      "$tz" "$sz" "$tp"
  done
}

# The bench store, as the program's backup lists it: each file and folder of its folders.
store() {
  local mb=$1
  "$bin/bench_oestore" "$work/store-$mb" "$mb" 4 >/dev/null
  mapfile -t sources <"$work/store-$mb/sources.txt"
  drive_c="$work/store-$mb/prefix/drive_c"
  (cd "$drive_c" && for s in "${sources[@]}"; do
    if [ -d "$s" ]; then find "$PWD/$s" -mindepth 1 -maxdepth 1; else echo "$PWD/$s"; fi
  done) >"$work/store-$mb.list"
}

store "$store_mb"
bench "bench store, $store_mb MiB" "$drive_c" "$work/store-$store_mb.list" "${sources[@]}"
rm -rf "$work/store-$store_mb"

"$bin/bench_sqx" mails "$work/mail" "$messages"
find "$work/mail" -type f | sort >"$work/mail.list"
bench "mail folder, $messages messages" "$work/mail" "$work/mail.list" .
rm -rf "$work/mail"

echo "== libSqx peak memory (SQX_THREADS=2, no password) by store size"
for mb in "${memory_sizes[@]}"; do
  store "$mb"
  : >"$work/runs"
  timed sqx "$work/out.zip" env SQX_THREADS=2 "$bin/bench_sqx" add "$work/out.zip" "" "$work/store-$mb.list"
  read -r _ wall cpu kib _ <"$work/runs"
  echo "   $mb MiB: $kib KiB peak, $wall s"
  rm -rf "$work/store-$mb"
done
