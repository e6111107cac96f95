#!/usr/bin/env bash
# Installs the build into a temporary prefix and runs a backup with the
# installed program: the program folder must hold everything the program looks
# for beside itself, English.lng included, and a run must write nothing there.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/usr" >"$work/install.log"
folder=$(dirname "$(readlink -f "$work/usr/bin/postora")")
for file in postora postora-inspect ZuveDizizo.exe libSqx.so English.lng; do
    [[ -f "$folder/$file" ]] || { echo "not installed: $folder/$file"; exit 1; }
done
[[ -L "$work/usr/bin/postora" && -L "$work/usr/bin/postora-inspect" ]] ||
    { echo "bin/postora is not a link into the program folder"; exit 1; }
# The help page, the desktop menu entry and the icon theme's files.
share="$work/usr/share"
for file in "$folder/help/index.html" "$share/applications/postora.desktop" \
    "$share/icons/hicolor/scalable/apps/postora.svg"; do
    [[ -s "$file" ]] || { echo "not installed: $file"; exit 1; }
done
for size in 16 32 48 64 128 256; do
    png="$share/icons/hicolor/${size}x${size}/apps/postora.png"
    file "$png" | grep -q "PNG image data, $size x $size" ||
        { echo "not a ${size}-pixel PNG: $png"; exit 1; }
done
grep -qx 'Exec=postora' "$share/applications/postora.desktop" ||
    { echo "postora.desktop does not start postora"; exit 1; }
head -c 32 "$folder/English.lng" | grep -q $'^\[Language\]\r$' ||
    { echo "English.lng does not begin with its [Language] section"; exit 1; }
if grep -q '%%APPNAME%%' "$folder/English.lng"; then
    echo "English.lng still holds the product-name placeholder"; exit 1
fi

"$build/bin/postora-sample-prefix" "$work/sample" >/dev/null
export WINEPREFIX="$work/sample/prefix" XDG_CONFIG_HOME="$work/sample/config" HOME="$work/sample/home"
unset DISPLAY WAYLAND_DISPLAY
before=$(ls -la --time-style=+%s.%N "$folder")

"$work/usr/bin/postora" /b /c:oexpress /p:"$work/out" 2>"$work/stderr" ||
    { echo "installed postora /b failed:"; cat "$work/stderr"; exit 1; }
archive=$(ls "$work"/out/*.ebk)
7z t "$archive" >/dev/null || { echo "7z cannot test $archive"; exit 1; }
"$work/usr/bin/postora-inspect" archive test "$archive" >/dev/null

# A refused command shows its message from the installed language file.
if "$work/usr/bin/postora" /b /c:oexpress /p: 2>"$work/stderr"; then
    echo "postora /b with an empty folder reported success"; exit 1
fi
grep -q 'Invalid command!' "$work/stderr" ||
    { echo "messages are not read from English.lng:"; cat "$work/stderr"; exit 1; }

[[ "$(ls -la --time-style=+%s.%N "$folder")" == "$before" ]] ||
    { echo "a run changed the program folder"; ls -la "$folder"; exit 1; }
echo "installed program ok: $folder"
