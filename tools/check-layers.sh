#!/usr/bin/env bash
# Fails when a source file includes a folder of a higher layer, or when two
# folders include each other. Layers, bottom to top: base; platform; lang,
# regdump, desktop; clients; backup (with its collectors); mail (the mail
# export's readers and writers); restore (with its restorers); options, schedule;
# app; the window folders (*/gui); bin. The archiving library (sqx) includes
# no project header at all; its C interface (sqx/sqx.h) may be included from any
# layer. System calls, child processes and the display are the platform layer's:
# no folder above it includes a system header (POSIX, Linux, X11, dlopen) or
# QProcess.
set -euo pipefail
src=${1:-"$(dirname "$0")/../src"}
cd "$src"

rank() {
    case "$1" in
    */gui) echo 9 ;;
    bin) echo 10 ;;
    base) echo 0 ;;
    platform) echo 1 ;;
    lang | regdump | desktop) echo 2 ;;
    clients) echo 3 ;;
    backup) echo 4 ;;
    mail) echo 5 ;;
    restore) echo 6 ;;
    options | schedule) echo 7 ;;
    app) echo 8 ;;
    *) echo "" ;;
    esac
}

# The folder a path belongs to: its first component, or "<first>/gui" for
# windows; collectors and the companion belong to their parent's folder.
folder_of() {
    local p=$1 first rest
    first=${p%%/*}
    rest=${p#*/}
    case "$rest" in gui/*) echo "$first/gui" ;; *) echo "$first" ;; esac
}

# Headers of the system's facilities, which only platform/ (and the library) include.
system_header='^(sys/.*|unistd\.h|fcntl\.h|dirent\.h|dlfcn\.h|termios\.h|poll\.h|pwd\.h|grp\.h|spawn\.h|signal\.h|csignal|sched\.h|pthread\.h|syslog\.h|mntent\.h|linux/.*|X11/.*|xcb/.*|hivex\.h|QProcess|QProcessEnvironment|QLibrary)$'

status=0
edges=$(mktemp)
trap 'rm -f "$edges"' EXIT
while IFS= read -r file; do
    from=$(folder_of "${file#./}")
    while IFS= read -r inc; do
        [ -n "$inc" ] || continue
        case "$inc" in ui_*) continue ;; esac # generated from the folder's own .ui files
        [ "$inc" = sqx/sqx.h ] && [ "$from" != sqx ] && continue # the library's C interface
        to=$(folder_of "$inc")
        if [ "$from" = sqx ]; then
            # The library stands apart: its own headers only.
            [ -e "sqx/$inc" ] || [ "$to" = sqx ] && continue
            echo "layers: $file includes the project header $inc" >&2
            status=1
            continue
        fi
        [ "$from" = "$to" ] && continue
        rf=$(rank "$from")
        rt=$(rank "$to")
        if [ -z "$rf" ] || [ -z "$rt" ]; then
            echo "layers: $file: folder $from or $to has no layer" >&2
            status=1
            continue
        fi
        if [ "$rt" -gt "$rf" ]; then
            echo "layers: $file ($from) includes $inc from the higher layer $to" >&2
            status=1
        fi
        echo "$from $to" >>"$edges"
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
    case "$from" in platform | sqx) continue ;; esac
    while IFS= read -r inc; do
        [ -n "$inc" ] || continue
        if [[ "$inc" =~ $system_header ]]; then
            echo "layers: $file ($from) includes the system header <$inc>, which belongs in platform/" >&2
            status=1
        fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*<\([^>]*\)>.*/\1/p' "$file")
done < <(find . -name '*.cpp' -o -name '*.h' | sort)

# Two folders that include each other form a cycle, whatever their layers.
sort -u "$edges" -o "$edges"
while read -r a b; do
    if grep -qx "$b $a" "$edges" && [[ "$a" < "$b" ]]; then
        echo "layers: $a and $b include each other" >&2
        status=1
    fi
done <"$edges"

if [ "${LAYERS_GRAPH:-}" = 1 ]; then
    awk '{g[$1] = g[$1] " " $2} END {for (f in g) print f " ->" g[f]}' "$edges" | sort
fi
exit $status
