#!/usr/bin/env bash
# The layering check on made-up trees: each row is a file, what it includes,
# and whether the check must refuse the tree.
set -uo pipefail
check=${1:?path of check-layers.sh}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
while IFS='|' read -r file include refused; do
    rm -rf "$work/src" && mkdir -p "$work/src/$(dirname "$file")"
    printf '#include %s\n' "$include" >"$work/src/$file"
    if bash "$check" "$work/src" 2>/dev/null; then got=no; else got=yes; fi
    if [ "$got" != "$refused" ]; then
        echo "check-layers: $file including $include: refused=$got, expected $refused" >&2
        status=1
    fi
done <<'ROWS'
restore/Job.cpp|<sys/statvfs.h>|yes
app/Run.cpp|<unistd.h>|yes
backup/Load.cpp|<dlfcn.h>|yes
bin/tool.cpp|<termios.h>|yes
restore/Job.cpp|<QProcess>|yes
app/gui/Window.cpp|<X11/Xlib.h>|yes
platform/Disk.cpp|<sys/statvfs.h>|no
sqx/Files.cpp|<fcntl.h>|no
restore/Job.cpp|<QFile>|no
app/Run.cpp|"sqx/sqx.h"|no
backup/Job.cpp|"restore/Reader.h"|yes
ROWS
exit $status
