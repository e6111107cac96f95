#!/usr/bin/env bash
# Builds the Debian package from the build folder into a temporary folder and
# checks its name, its files and the dependencies it declares.
# With --system (root only): installs it with apt-get, runs the installed
# "postora /b" on a sample prefix, removes it again and checks that nothing of
# it is left.
set -euo pipefail
build=$1
system=${2:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
release=$(sed -n 's/^set(CPACK_DEBIAN_PACKAGE_RELEASE "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
version=$version${release:+-$release}
arch=$(dpkg --print-architecture)
(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) ||
    { echo "cpack failed:"; cat "$work/cpack.log"; exit 1; }
deb="$work/out/postora_${version}_${arch}.deb"
[[ -f "$deb" ]] || { echo "no $(basename "$deb"):"; ls "$work/out"; exit 1; }

dpkg-deb -c "$deb" >"$work/contents"
awk '{ print $6 }' "$work/contents" | sed 's|^\./|/|; s|/$||' >"$work/files"
for file in /usr/bin/postora /usr/bin/postora-inspect \
    /usr/lib/postora/postora /usr/lib/postora/postora-inspect /usr/lib/postora/ZuveDizizo.exe \
    /usr/lib/postora/libSqx.so /usr/lib/postora/English.lng /usr/lib/postora/help/index.html \
    /usr/share/applications/postora.desktop /usr/share/mime/packages/postora-backup.xml \
    /usr/share/icons/hicolor/scalable/apps/postora.svg \
    /usr/share/icons/hicolor/48x48/apps/postora.png \
    /usr/share/doc/postora/copyright /usr/share/doc/postora/changelog.Debian.gz \
    /usr/share/man/man1/postora.1.gz /usr/share/man/man1/postora-inspect.1.gz; do
    grep -qx "$file" "$work/files" || { echo "not in the package: $file"; exit 1; }
done
# The links point into the program folder, relative, as installed.
grep -q ' \./usr/bin/postora -> \.\./lib/postora/postora$' "$work/contents" ||
    { echo "/usr/bin/postora is not a link to ../lib/postora/postora"; exit 1; }
# Nothing of the build machine and no cache a trigger owns.
if grep -E '^/(work|tmp|root|home)|/mime/(globs|mime\.cache)|icon-theme\.cache' "$work/files"; then
    echo "the package holds files it must not"; exit 1
fi

# What Debian's policy asks of the documentation: a machine-readable copyright
# file, pages that gzip can read, and a maintainer who can be written to.
dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$work" ./usr/share/doc/postora ./usr/share/man/man1
head -1 "$work/usr/share/doc/postora/copyright" | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    { echo "the copyright file is not in the machine-readable format"; exit 1; }
for gz in "$work"/usr/share/doc/postora/changelog.Debian.gz "$work"/usr/share/man/man1/*.gz; do
    gzip -t "$gz" || { echo "not a gzip file: $gz"; exit 1; }
done
zcat "$work/usr/share/doc/postora/changelog.Debian.gz" | head -1 | grep -q "^postora ($version) " ||
    { echo "changelog.Debian.gz does not begin with version $version"; exit 1; }
maintainer=$(dpkg-deb -f "$deb" Maintainer)
[[ "$maintainer" =~ ^[^\<]+\ \<[^@\>]+@[^@\>]+\.[a-z]+\>$ && "$maintainer" != *@localhost* ]] ||
    { echo "the maintainer has no address mail can reach: $maintainer"; exit 1; }

depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6core6 libqt6widgets6 libqt6gui6 libqt6dbus6 libarchive13 libssl3 libhivex0 \
    libxcb1 libc6; do
    [[ "$depends" =~ (^|, )$lib( |,|$) ]] ||
        { echo "Depends lacks $lib: $depends"; exit 1; }
done
[[ "$(dpkg-deb -f "$deb" Package)" == postora && "$(dpkg-deb -f "$deb" Version)" == "$version" ]] ||
    { echo "wrong package name or version"; exit 1; }
# A maintainer script would keep the package listed after "apt-get remove".
scripts=$(dpkg-deb -I "$deb" | grep -oE '\b(preinst|postinst|prerm|postrm)\b' || true)
[[ -z "$scripts" ]] || { echo "the package has maintainer scripts: $scripts"; exit 1; }
echo "package ok: $(basename "$deb")"

[[ "$system" == --system ]] || exit 0
[[ $(id -u) == 0 ]] || { echo "--system needs root"; exit 1; }
if dpkg -s postora >/dev/null 2>&1; then echo "postora is installed already"; exit 1; fi
trap 'apt-get remove -y postora >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
apt-get install -y "$deb" >"$work/apt.log" 2>&1 ||
    { echo "apt-get install failed:"; cat "$work/apt.log"; exit 1; }
mapfile -t owned < <(dpkg -L postora | grep -v '^/\.$')
"$build/bin/postora-sample-prefix" "$work/sample" >/dev/null
(
    export WINEPREFIX="$work/sample/prefix" XDG_CONFIG_HOME="$work/sample/config" \
        HOME="$work/sample/home"
    unset DISPLAY WAYLAND_DISPLAY
    /usr/bin/postora /b /c:oexpress /p:"$work/out/backups"
) || { echo "the installed postora /b failed"; exit 1; }
ls "$work"/out/backups/*.ebk >/dev/null
xdg_type=$(grep -c 'application/x-postora-backup' /usr/share/mime/globs2 || true)
[[ "$xdg_type" -gt 0 ]] || { echo "the MIME database does not know .ebk after installing"; exit 1; }
apt-get remove -y postora >"$work/apt.log" 2>&1 ||
    { echo "apt-get remove failed:"; cat "$work/apt.log"; exit 1; }
for path in "${owned[@]}"; do
    # Folders the system shares (/usr/share/icons ...) stay; the package's own go.
    if [[ -e "$path" || -L "$path" ]] && ! { [[ -d "$path" ]] && dpkg -S "$path" >/dev/null 2>&1; }; then
        echo "left behind after apt-get remove: $path"; exit 1
    fi
done
if dpkg -l postora >/dev/null 2>&1; then
    echo "dpkg still lists postora after apt-get remove:"; dpkg -l postora | tail -1; exit 1
fi
if grep -q 'application/x-postora-backup' /usr/share/mime/globs2; then
    echo "the MIME database still knows .ebk after removing"; exit 1
fi
echo "installed, ran and removed: nothing left"
