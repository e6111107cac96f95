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
for file in postora postora-inspect ZuveDizizo.exe libSqx.so English.lng Deutsch.lng; do
    [[ -f "$folder/$file" ]] || { echo "not installed: $folder/$file"; exit 1; }
done
[[ -L "$work/usr/bin/postora" && -L "$work/usr/bin/postora-inspect" ]] ||
    { echo "bin/postora is not a link into the program folder"; exit 1; }
# The help page, the desktop menu entry and the icon theme's files.
share="$work/usr/share"
for file in "$folder/help/index.html" "$share/applications/postora.desktop" \
    "$share/icons/hicolor/scalable/apps/postora.svg" "$share/man/man1/postora.1.gz" \
    "$share/man/man1/postora-inspect.1.gz" "$share/doc/postora/copyright"; do
    [[ -s "$file" ]] || { echo "not installed: $file"; exit 1; }
done
for size in 16 32 48 64 128 256; do
    png="$share/icons/hicolor/${size}x${size}/apps/postora.png"
    file "$png" | grep -q "PNG image data, $size x $size" ||
        { echo "not a ${size}-pixel PNG: $png"; exit 1; }
done
# The menu entry opens a backup handed over by the file manager, and it and the
# installed MIME type name each other: the type's globs take .ebk files.
desktop="$share/applications/postora.desktop"
grep -qx 'Exec=postora %f' "$desktop" ||
    { echo "postora.desktop does not start postora with the file opened"; exit 1; }
types=$(sed -n 's/^MimeType=//p' "$desktop" | tr ';' ' ')
[[ -n "${types// /}" ]] || { echo "postora.desktop names no MIME type"; exit 1; }
[[ -n "$(ls "$share"/mime/packages/*.xml 2>/dev/null)" ]] ||
    { echo "no MIME type installed in $share/mime/packages"; exit 1; }
update-mime-database "$share/mime" >"$work/mime.log" 2>&1 ||
    { echo "update-mime-database failed:"; cat "$work/mime.log"; exit 1; }
for type in $types; do
    grep -qx "50:$type:\*\.ebk" "$share/mime/globs2" ||
        { echo "the installed MIME files give no *.ebk glob to $type (named by postora.desktop)"; exit 1; }
    grep -qx "$type application/zip" "$share/mime/subclasses" ||
        { echo "$type is not a subclass of application/zip"; exit 1; }
done
for type in $(sed -n 's/^50:\([^:]*\):\*\.ebk.*$/\1/p' "$share/mime/globs2"); do
    [[ " $types " == *" $type "* ]] ||
        { echo "postora.desktop does not accept $type, the installed type of *.ebk"; exit 1; }
done
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

# A backup opened without a display restores nothing: that takes "/r:".
status=0
"$work/usr/bin/postora" "$archive" 2>"$work/stderr" || status=$?
[[ $status == 2 ]] && grep -q '/r:' "$work/stderr" ||
    { echo "postora <backup> without a display did not refuse with a hint (status $status):"; cat "$work/stderr"; exit 1; }

# A refused command shows its message from the installed language file.
if "$work/usr/bin/postora" /b /c:oexpress /p: 2>"$work/stderr"; then
    echo "postora /b with an empty folder reported success"; exit 1
fi
grep -q 'Invalid command!' "$work/stderr" ||
    { echo "messages are not read from English.lng:"; cat "$work/stderr"; exit 1; }

[[ "$(ls -la --time-style=+%s.%N "$folder")" == "$before" ]] ||
    { echo "a run changed the program folder"; ls -la "$folder"; exit 1; }
echo "installed program ok: $folder"
