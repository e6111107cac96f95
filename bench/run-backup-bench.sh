#!/usr/bin/env bash
# Times a command-line backup of a large Outlook Express store against zip and 7z.
#
#   bench/run-backup-bench.sh [MiB ...]        (default: 150 600)
#
# For each size it writes a prefix with bench_oestore, then runs once, on the same files (the
# identities' stores, the address-book folder and the stationery folder):
#   postora /b /c:oexpress /p:<folder>
#   zip -q -r -6 <archive> <folders>
#   7z a -tzip -mx=5 -mmt=2 <archive> <folders>
# each under /usr/bin/time -v, and prints wall-clock and CPU seconds, peak resident memory and
# archive size, with the ratios postora / zip and postora / 7z. On a shared, loaded machine the
# CPU ratio is the steadier one. At the end it prints postora's peak memory for every size: it
# should stay flat as the store grows.
#
# Environment: BENCH_WORK = where the work folder is made (default $TMPDIR, else /tmp); it needs
# about twice the largest size free and is removed afterwards. BENCH_BUILD = the build folder
# (default build). BENCH_IDENTITIES = identities in the store (default 4). BENCH_MESSAGES = that
# many generated mail messages (bench_sqx mails, 1-60 KB each) put into the first store folder
# as a folder of their own: with a small store, a data set of many small files. BENCH_ROUNDS =
# rounds per size (default 1): each runs the three back to back, and the figures printed are
# medians, the ratios the medians of each round's ratios (steadier on a shared machine).
set -euo pipefail
cd "$(dirname "$0")/.."
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(150 600)
for s in "${sizes[@]}"; do
  [[ "$s" =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [MiB ...]" >&2; exit 2; }
done

tools/install-deps.sh
build=${BENCH_BUILD:-build}
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j2 --target postora Sqx bench_oestore bench_sqx >/dev/null
bin=$(cd "$build/bin" && pwd)

work=$(mktemp -d "${BENCH_WORK:-${TMPDIR:-/tmp}}/postora-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Reads a /usr/bin/time -v report: "<wall s> <cpu s> <peak KiB>".
times_of() {
  awk -F': ' '
    /Elapsed \(wall clock\)/ { n = split($2, p, ":"); w = 0; for (i = 1; i <= n; i++) w = w * 60 + p[i] }
    /User time/ { u = $2 } /System time/ { s = $2 } /Maximum resident set size/ { m = $2 }
    END { printf "%.2f %.2f %d\n", w, u + s, m }' "$1"
}

# run <name> <archive> <command...>: times the command, keeps "<name> wall cpu KiB bytes".
# An archive that names a folder means the one .ebk file the command leaves there.
results=()
run() {
  local name=$1 archive=$2
  shift 2
  if ! /usr/bin/time -v -o "$work/time.log" "$@" >"$work/out.log" 2>&1; then
    echo "$name failed:" >&2
    tail -n 20 "$work/out.log" >&2
    exit 1
  fi
  local t
  t=$(times_of "$work/time.log")
  if [ -d "$archive" ]; then archive=$(find "$archive" -name '*.ebk' | head -n 1); fi
  results+=("$name $t $(stat -c %s "$archive")")
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf (b > 0 ? "%.2f" : "-"), (b > 0 ? a / b : 0) }'; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }
# column <name> <field>: that field of every round of one tool, in round order.
column() { printf '%s\n' "${results[@]}" | awk -v n="$1" -v c="$2" '$1 == n { print $c }'; }
rounds=${BENCH_ROUNDS:-1}
[[ "$rounds" =~ ^[1-9][0-9]*$ ]] || { echo "BENCH_ROUNDS: a count" >&2; exit 2; }

summary=()
for mb in "${sizes[@]}"; do
  data="$work/store-$mb"
  echo "== store of $mb MiB"
  "$bin/bench_oestore" "$data" "$mb" "${BENCH_IDENTITIES:-4}"
  mapfile -t sources <"$data/sources.txt"
  drive_c="$data/prefix/drive_c"
  messages=${BENCH_MESSAGES:-0}
  [ "$messages" -eq 0 ] || "$bin/bench_sqx" mails "$drive_c/${sources[0]}/Messages" "$messages"
  input=$(cd "$drive_c" && du -scb "${sources[@]}" | tail -n 1 | cut -f 1)
  files=$(cd "$drive_c" && find "${sources[@]}" -type f | wc -l)
  echo "input: $input bytes in $files files"

  results=()
  out="$work/backups-$mb"
  for ((round = 1; round <= rounds; round++)); do
    # Without a display, as an unattended run; its staging folder goes to the prefix's tmp.
    mkdir -p "$out"
    run "postora" "$out" env -u DISPLAY -u WAYLAND_DISPLAY WINEPREFIX="$data/prefix" \
      XDG_CONFIG_HOME="$data/config" HOME="$data/home" TMPDIR="$data/tmp" \
      "$bin/postora" /b /c:oexpress /p:"$out"
    entries=$(find "$out" -name '*.ebk' -exec bsdtar -tf {} \; | grep -vc '/$')
    rm -rf "$out"
    # shellcheck disable=SC2016 # the inner shell expands them
    run "zip" "$work/zip.zip" sh -c 'cd "$1" && shift && exec zip -q -r -6 "$@"' \
      sh "$drive_c" "$work/zip.zip" "${sources[@]}"
    rm -f "$work/zip.zip"
    # shellcheck disable=SC2016
    run "7z" "$work/7z.zip" sh -c 'cd "$1" && shift && exec 7z a -bd -tzip -mx=5 -mmt=2 "$@"' \
      sh "$drive_c" "$work/7z.zip" "${sources[@]}"
    rm -f "$work/7z.zip"
  done

  [ "$rounds" -eq 1 ] || echo "medians of $rounds rounds"
  printf '%-10s %9s %9s %12s %14s %9s\n' tool "wall s" "CPU s" "peak KiB" "archive bytes" "of input"
  for name in postora zip 7z; do
    bytes=$(column "$name" 5 | median)
    printf '%-10s %9s %9s %12s %14s %9s\n' "$name" "$(column "$name" 2 | median)" \
      "$(column "$name" 3 | median)" "$(column "$name" 4 | median)" "$bytes" "$(ratio "$bytes" "$input")"
  done
  # Per-round ratios: the i-th postora run against the i-th run of the other tool.
  per_round() { paste <(column postora "$2") <(column "$1" "$2") | awk '{ print ($2 > 0 ? $1 / $2 : 0) }' | median; }
  for name in zip 7z; do
    echo "postora / $name: time $(ratio "$(per_round "$name" 2)" 1), CPU $(ratio "$(per_round "$name" 3)" 1), size $(ratio "$(per_round "$name" 5)" 1), peak memory $(ratio "$(per_round "$name" 4)" 1)"
  done
  pk=$(column postora 4 | median)
  echo "postora archive: $entries files ($files from the store folders, the rest its registry dumps and manifests)"
  [ "$entries" -gt "$files" ] || { echo "postora's archive lacks files of the store" >&2; exit 1; }
  summary+=("$mb MiB: $pk KiB")
  rm -rf "$data"
done
echo "== postora peak memory by store size:"
printf '   %s\n' "${summary[@]}"
