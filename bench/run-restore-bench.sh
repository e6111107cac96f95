#!/usr/bin/env bash
# Times a direct restore of a large Outlook Express backup into its Wine prefix against doing
# the same by hand: `7z x` of the same archive plus one `wine regedit /S` of all its dumps.
#
#   bench/run-restore-bench.sh [MiB]        (default: 300)
#
# It writes a prefix with bench_oestore, backs it up with `postora /b /c:oexpress`, then runs,
# each once and with Wine's server stopped before it:
#   safety:  postora /b /c:oexpress          - the job the restore runs first, timed alone
#   restore: postora /r:<archive>            - safety backup, check, placing, registry import
#   by hand: 7z x <archive> && wine regedit /S <every .reg of it>
# and prints wall-clock seconds, the restore without its safety backup (restore - safety) and
# its ratio to the by-hand figure (the target is at most 1.2).
#
# Environment: BENCH_WORK = where the work folder is made (default $TMPDIR, else /tmp; it needs
# about three times the size free and is removed afterwards). BENCH_BUILD = the build folder
# (default build). BENCH_IDENTITIES = identities in the store (default 4).
set -euo pipefail
cd "$(dirname "$0")/.."
mb=${1:-300}
[[ "$mb" =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [MiB]" >&2; exit 2; }

build=${BENCH_BUILD:-build}
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j2 --target postora Sqx bench_oestore >/dev/null
bin=$(cd "$build/bin" && pwd)

work=$(mktemp -d "${BENCH_WORK:-${TMPDIR:-/tmp}}/postora-restore-bench.XXXXXX")
data="$work/store"
export WINEPREFIX="$data/prefix" WINEDEBUG=-all
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
in_prefix=(env -u DISPLAY -u WAYLAND_DISPLAY XDG_CONFIG_HOME="$data/config" HOME="$data/home"
  TMPDIR="$data/tmp")

result_safety='' result_restore='' result_byhand=''
stop_wine() { wineserver -k 2>/dev/null || true; wineserver -w 2>/dev/null || true; }
# timed <name> <command...>: wall-clock seconds into $result_<name>; the command's output is
# shown only when it fails.
timed() {
  local name=$1
  shift
  stop_wine
  if ! /usr/bin/time -f %e -o "$work/time.txt" "$@" >"$work/out.log" 2>&1; then
    echo "$name failed:" >&2
    tail -n 20 "$work/out.log" >&2
    exit 1
  fi
  printf -v "result_$name" '%s' "$(cat "$work/time.txt")"
}

echo "== store of $mb MiB"
"$bin/bench_oestore" "$data" "$mb" "${BENCH_IDENTITIES:-4}"
# The first start of Wine updates the prefix; neither side pays for it.
wineboot -u >/dev/null 2>&1 || true
stop_wine
"${in_prefix[@]}" "$bin/postora" /b /c:oexpress /p:"$work/backups" >/dev/null
archive=$(find "$work/backups" -name '*.ebk' | head -n 1)
echo "archive: $(stat -c %s "$archive") bytes, $(bsdtar -tf "$archive" | grep -c '\.reg$') registry dumps"

timed safety "${in_prefix[@]}" "$bin/postora" /b /c:oexpress /p:"$work/safety"
rm -rf "$work/safety"
timed restore "${in_prefix[@]}" "$bin/postora" /r:"$archive"
grep -E '^(restored|the state)' "$work/out.log"
# shellcheck disable=SC2016 # the inner shell expands them
timed byhand sh -c 'cd "$1" && 7z x -bd -y -o"$2" "$3" >/dev/null && cd "$2" &&
  find . -name "*.reg" -print0 | sort -z | xargs -0 wine regedit /S' \
  sh "$work" "$work/byhand" "$archive"
stop_wine

only=$(awk -v r="$result_restore" -v s="$result_safety" 'BEGIN { printf "%.2f", r - s }')
printf '%-40s %8s\n' "step" "wall s"
printf '%-40s %8s\n' "safety backup (postora /b)" "$result_safety" \
  "postora /r: (with its safety backup)" "$result_restore" \
  "postora /r: without the safety backup" "$only" \
  "7z x + wine regedit /S" "$result_byhand"
echo "restore / by hand: $(awk -v a="$only" -v b="$result_byhand" 'BEGIN { printf "%.2f", a / b }')" \
  "(with the safety backup: $(awk -v a="$result_restore" -v b="$result_byhand" 'BEGIN { printf "%.2f", a / b }'))"
