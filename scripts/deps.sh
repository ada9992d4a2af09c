#!/usr/bin/env bash
# Installs, with apt, whatever the build and the test bench need and is missing.
# Safe to re-run: it does nothing when everything is present.
set -euo pipefail

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

for p in cmake ninja-build g++ clang libclang-rt-14-dev googletest libgtest-dev \
         g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686 \
         binutils-mingw-w64-x86-64 xvfb openbox imagemagick x11-utils x11-xkb-utils xdotool \
         qt6-base-dev libx11-dev libx11-xcb-dev libxtst-dev xterm ccache \
         xclip xsel python3-gi gir1.2-gtk-3.0; do
  have_pkg "$p" || need+=("$p")
done
# Window managers the activation is tested under (xfwm4 needs a D-Bus
# session).
for p in xfwm4 mutter icewm fluxbox dbus-daemon; do
  have_pkg "$p" || need+=("$p")
done
# The Wayland edition: its build (libwayland, libxkbcommon, Qt's Wayland
# platform) and its tests on a headless sway (foot, a GTK 3 editor through
# Python, wtype for the benchmark, wl-clipboard, grim for screenshots).
for p in libwayland-dev libxkbcommon-dev qt6-wayland sway foot wtype grim wl-clipboard jq python3-gi \
         gir1.2-gtk-3.0; do
  have_pkg "$p" || need+=("$p")
done
# The desktop's real programs as typing targets: a GTK 3 program (the
# system's Python 3 with PyGObject), Chromium and Firefox ESR; XInput 2 to
# watch the keys go out.
for p in python3-gi gir1.2-gtk-3.0 chromium firefox-esr libxi-dev; do
  have_pkg "$p" || need+=("$p")
done
# 32-bit Wine needs the i386 architecture before it can be installed.
wine_pkgs=(wine wine32:i386 wine64)
for p in "${wine_pkgs[@]}"; do have_pkg "$p" || need+=("$p"); done

if [ ${#need[@]} -eq 0 ]; then
  exit 0
fi

echo "deps: installing ${need[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
