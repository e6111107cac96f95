#!/usr/bin/env bash
# Installs what is needed, builds, writes the bundled sample Wine prefix into
# ./sample and runs the program's main job on it.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
# The programs and the sample prefix's writer only: the tests are most of a
# full build's time and disk (tools/run-tests.sh builds them, in the same folder).
cmake -S . -B build -G Ninja -DBUILD_TESTING=OFF
cmake --build build
rm -rf sample
build/bin/postora-sample-prefix sample
export WINEPREFIX="$PWD/sample/prefix" XDG_CONFIG_HOME="$PWD/sample/config" HOME="$PWD/sample/home"
build/bin/postora-inspect drives
build/bin/postora-inspect reg 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders'
build/bin/postora-inspect find 'C:\users\*.*'
build/bin/postora-inspect clients
# The main job: back up every mail client of the sample into sample/backups, one
# archive per client, and list each archive.
build/bin/postora /b \
  /c:oexpress+msoutlook+eudora+incredimail+pegasus+thebat+pocomail+opera+netscape+favorites \
  /p:"$PWD/sample/backups"
for archive in sample/backups/*.ebk; do
  7z l "$archive"
done
