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
trap 'kill "${xvfb_pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT

"$build/bin/postora-sample-prefix" "$work/sample" >/dev/null
export WINEPREFIX="$work/sample/prefix" XDG_CONFIG_HOME="$work/sample/config" HOME="$work/sample/home"
unset WAYLAND_DISPLAY
# A display number no one uses: try from 90 upwards.
for n in $(seq 90 120); do
    [[ -e "/tmp/.X11-unix/X$n" || -e "/tmp/.X$n-lock" ]] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    break
done
for _ in $(seq 50); do [[ -e "/tmp/.X11-unix/X${DISPLAY#:}" ]] && break; sleep 0.1; done
export QT_QPA_PLATFORM=xcb
mkdir -p "$out"
status=0
for shots in "$build"/bin/postora-shots-*; do
    [[ -x "$shots" ]] || continue
    "$shots" "$out" || { echo "failed: $shots"; status=1; }
done
exit $status
