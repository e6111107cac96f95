#!/usr/bin/env bash
# Installs what is needed, builds and runs the whole test suite.
# BUILD_DIR and CMAKE_ARGS may be set by the caller (CI uses them for the sanitizer run).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
BUILD_DIR=${BUILD_DIR:-build}
# Warnings are errors here, as in CI; a plain build only shows them.
# shellcheck disable=SC2086 # CMAKE_ARGS is a list of words
cmake -S . -B "$BUILD_DIR" -G Ninja -DPOSTORA_WERROR=ON ${CMAKE_ARGS:-}
cmake --build "$BUILD_DIR"
cd "$BUILD_DIR"
ctest --output-on-failure -j"$(nproc)"
