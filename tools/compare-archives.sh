#!/usr/bin/env bash
# compare-archives.sh <before> <after>
# Each argument is a postora program or a build folder (its bin/postora is used).
# Writes the bundled sample Wine prefix once, backs up every mail client of it
# with each program ("/b", unattended) into its own folder, and compares the
# archives entry for entry: the archive names, each entry's name, order and
# size, and the content of every entry (manifests and registry dumps included).
# Prints each difference and exits 1 if there is one, 0 if the archives match.
set -euo pipefail

usage() {
    echo "usage: $0 <postora or build folder> <postora or build folder>" >&2
    exit 2
}
[[ $# -eq 2 ]] || usage

program() {
    if [[ -d $1 ]]; then
        echo "$(cd "$1" && pwd)/bin/postora"
    else
        echo "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
    fi
}
before=$(program "$1")
after=$(program "$2")
for p in "$before" "$after"; do
    [[ -x $p ]] || { echo "not a program: $p" >&2; exit 2; }
done
# The sample's writer beside the first program, unless named.
writer=${SAMPLE_WRITER:-$(dirname "$before")/postora-sample-prefix}
[[ -x $writer ]] || { echo "no sample prefix writer: $writer (set SAMPLE_WRITER)" >&2; exit 2; }
for tool in 7z sha256sum; do
    command -v "$tool" >/dev/null || { echo "$tool is missing" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$writer" "$work/sample" >/dev/null

clients=oexpress+msoutlook+eudora+incredimail+pegasus+thebat+pocomail+opera+netscape+favorites

# backUp <program> <name>: one unattended backup of every client on a copy of
# the sample (copied with its times, so both runs read the same files).
backUp() {
    local run="$work/$2"
    cp -a "$work/sample" "$run"
    local rc=0
    (
        export WINEPREFIX="$run/prefix" XDG_CONFIG_HOME="$run/config" HOME="$run/home"
        export TZ=UTC LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen
        cd "$run"
        "$1" /b /c:$clients /p:"$run/out" >"$run/stdout" 2>"$run/stderr"
    ) || rc=$?
    echo "$rc" >"$run/rc"
}

# The archive names carry the day: both runs must fall on one day.
for attempt in 1 2; do
    day=$(TZ=UTC date +%F)
    rm -rf "$work/before" "$work/after"
    backUp "$before" before
    backUp "$after" after
    [[ $(TZ=UTC date +%F) == "$day" ]] && break
done

differences=0
differ() {
    echo "DIFFERENT: $*"
    differences=$((differences + 1))
}
compareFiles() { # <label> <file in before> <file in after>
    if ! cmp -s "$2" "$3"; then
        differ "$1"
        diff -u --label "before/$1" --label "after/$1" "$2" "$3" | head -40 || true
    fi
}

compareFiles "exit status" "$work/before/rc" "$work/after/rc"
compareFiles "standard output" "$work/before/stdout" "$work/after/stdout"
compareFiles "standard error" "$work/before/stderr" "$work/after/stderr"

list() { (cd "$1" 2>/dev/null && find . -type f | sort) || true; }
list "$work/before/out" >"$work/before.names"
list "$work/after/out" >"$work/after.names"
compareFiles "archive names" "$work/before.names" "$work/after.names"
[[ -s $work/before.names ]] || differ "no archive was written"

# entries <archive>: each entry in archive order as "path<TAB>size<TAB>crc".
entries() {
    7z l -slt -p- "$1" | awk -F' = ' '
        /^Path = / { if (path != "") print path "\t" size "\t" crc; path = $2; size = ""; crc = "" }
        /^Size = / { size = $2 }
        /^CRC = / { crc = $2 }
        END { if (path != "") print path "\t" size "\t" crc }' | tail -n +2
}
# hashes <archive> <folder>: the content of each extracted entry.
hashes() {
    mkdir -p "$2"
    7z x -y -p- -o"$2" "$1" >/dev/null
    (cd "$2" && find . -type f -print0 | sort -z | xargs -0 -r sha256sum)
}

count=0
while IFS= read -r name; do
    [[ -f $work/after/out/$name ]] || continue
    count=$((count + 1))
    a="$work/before/out/$name"
    b="$work/after/out/$name"
    entries "$a" >"$work/e.before"
    entries "$b" >"$work/e.after"
    compareFiles "$name: entries" "$work/e.before" "$work/e.after"
    rm -rf "$work/x.before" "$work/x.after"
    hashes "$a" "$work/x.before" >"$work/h.before"
    hashes "$b" "$work/x.after" >"$work/h.after"
    if ! cmp -s "$work/h.before" "$work/h.after"; then
        differ "$name: content"
        diff -u --label before --label after "$work/h.before" "$work/h.after" | head -20 || true
        # Show text entries (manifests, dumps) line by line.
        while read -r _ file; do
            if [[ -f $work/x.after/$file ]] && ! cmp -s "$work/x.before/$file" "$work/x.after/$file"; then
                diff -u --label "before/$file" --label "after/$file" \
                    "$work/x.before/$file" "$work/x.after/$file" | head -40 || true
            fi
        done <"$work/h.before"
    fi
done <"$work/before.names"

if ((differences > 0)); then
    echo "$differences difference(s) in $count archive(s)"
    exit 1
fi
echo "the same: $count archives, $(cat "$work/before/rc") as exit status, entry for entry"
