#!/usr/bin/env bash
# Installs the Debian packages the suite needs to build, test and run.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev
    libqt6opengl6-dev libgl-dev libxkbcommon-dev
    qt6-qpa-plugins libqt6multimedia6 gstreamer1.0-plugins-base
    fonts-ipafont-gothic
    qt6-translations-l10n  # Qt's own texts (file choosers, box buttons) in Japanese
    xvfb xauth
    iproute2 procps util-linux python3
    clang libclang-rt-14-dev  # libFuzzer and the sanitizer runtimes for tests/fuzz
    dpkg-dev file
    lintian appstream desktop-file-utils man-db  # package checks in tst_package
    qt6-wayland dbus  # the Wayland platform plugin; a private bus for the notification test
    openbox trayer xdotool x11-utils  # a real X11 desktop with and without a tray (tst_desktop)
    weston xwayland imagemagick  # Wayland session for the README pictures (scripts/desktop-shots.sh)
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "install-deps: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
    sudo=sudo
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
