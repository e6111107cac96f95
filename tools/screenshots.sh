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
# shellcheck source=../tools/sample-desktop.sh
source tools/sample-desktop.sh
mkdir -p "$out"
status=0
for shots in "$build"/bin/postora-shots-*; do
    [[ -x "$shots" ]] || continue
    "$shots" "$out" || { echo "failed: $shots"; status=1; }
done
exit $status
