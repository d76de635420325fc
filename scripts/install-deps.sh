#!/bin/sh
# Installs the Debian packages the build, the tests and the program need, only those that are missing.
set -eu

PACKAGES="cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools qt6-svg-dev libsqlite3-dev libpcre2-dev"
# Images of USB-stick file systems for the copy tests (they skip where these are missing).
PACKAGES="$PACKAGES dosfstools exfatprogs exfat-fuse fusefat"
# A private message bus for the power-off tests, which talk to a stand-in for systemd-logind.
PACKAGES="$PACKAGES dbus-daemon"
# Checks of the installed layout: the menu entry, the software-centre description, the manual pages.
PACKAGES="$PACKAGES desktop-file-utils appstream man-db groff-base"
case "${1:-}" in
  run) PACKAGES="$PACKAGES xvfb xauth fonts-noto-cjk python3" ;;
  bench) PACKAGES="$PACKAGES rsync hyperfine python3 time bindfs" ;;
  # CPack reads the libraries the executables need with dpkg-shlibdeps, and finds them with file.
  package) PACKAGES="$PACKAGES dpkg-dev file" ;;
esac

missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

echo "Installing missing packages:$missing"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq $missing
