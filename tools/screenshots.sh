#!/usr/bin/env bash
# Saves a PNG of every window into the folder given (default ./screenshots):
# a private X server, the bundled sample prefix in a temporary folder, then
# each shots-* program of the build.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-screenshots}")
build=${BUILD_DIR:-build}
[[ -x "$build/bin/postora" ]] || cmake --build "$build"
work=$(mktemp -d)
# The schedule shots start the companion scheduler from the temporary program folder: it ends
# with the run, as does every other program started from there.
ours() { # programs started from the temporary folder or with its settings
    pgrep -f "^$work/" || true
    grep -lzs "^XDG_CONFIG_HOME=$work/" /proc/[0-9]*/environ 2>/dev/null | cut -d/ -f3 || true
}
trap 'kill $(ours | grep -vx "$$") 2>/dev/null || true; kill "${xvfb_pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
# shellcheck source=../tools/sample-desktop.sh
source tools/sample-desktop.sh
mkdir -p "$out"
status=0
for shots in "$build"/bin/postora-shots-*; do
    [[ -x "$shots" ]] || continue
    "$shots" "$out" || { echo "failed: $shots"; status=1; }
done
# The main window and the editors again, in a language about a third longer than English, from
# a program folder that holds it beside the program's own files: into <folder>/long-texts.
program="$work/program"
mkdir -p "$program"
for f in "$build"/bin/*; do ln -s "$(realpath "$f")" "$program/"; done
awk -f tools/shots/longer-texts.awk "$build/bin/English.lng" >"$program/Longer.lng"
for area in main editors restore; do
    # A copy, not a link: the program finds its folder from where its file lies.
    rm "$program/postora-shots-$area"
    cp "$build/bin/postora-shots-$area" "$program/"
    SHOTS_PROGRAM_DIR="$program" SHOTS_LANGUAGE=Longer "$program/postora-shots-$area" \
        "$out/long-texts" || { echo "failed: $area (long texts)"; status=1; }
done
# The windows, the editors and the restore pages in the German language file shipped beside the
# program (the editors' tabs, shown there outside the main window, keep its English captions).
for area in main editors restore; do
    SHOTS_PROGRAM_DIR="$program" SHOTS_LANGUAGE=Deutsch "$program/postora-shots-$area" \
        "$out/deutsch" || { echo "failed: $area (Deutsch)"; status=1; }
done
exit $status
