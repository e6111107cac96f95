#!/usr/bin/env bash
# Installs every Debian 12 package the project needs to build, test and run.
set -euo pipefail
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
# wine64 and wine (its wine, wineboot and wineserver commands): the registry
# editor the dump round-trip test imports every dump with. openbox: the window
# manager the window placement test frames the windows with. libhivex: the
# binary hives of a Windows disk; hivexsh and python3-hivex write the tests' hives.
# undbx: the independent reader the mail export's .dbx stores are checked with.
# dpkg-dev: dpkg-shlibdeps, which gives the Debian package its Depends line; it
# and the rest of the last line come with build-essential or a desktop install,
# but not with a minimal Debian, where the package and install tests need them.
pkgs=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools libarchive-dev
      libssl-dev zlib1g-dev python3
      libxcb1-dev p7zip-full libarchive-tools xvfb xauth zip time wine64 wine dbus-daemon
      openbox libhivex-dev libhivex-bin python3-hivex undbx
      dpkg-dev file shared-mime-info xz-utils mount procps)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
