#!/usr/bin/env bash
# Installs the Debian 12 packages of one set, each set including the one
# before it:
#   run    what builds and runs the four programs (compiler, CMake, Ninja,
#          the Qt 6 development files, the platform plugins, the sound back
#          end and the Japanese font)
#   test   what the test suite uses besides (Xvfb and a window manager for
#          the desktop tests, iproute2 for the network namespaces, dbus,
#          dpkg-dev, lintian and the other package checks)
#   dev    what the sanitizer, fuzzing and picture scripts use besides
#          (clang with its sanitizer runtimes, weston, XWayland, ImageMagick)
# Without an argument: dev. Safe to run again: only missing packages are
# installed, and with none missing it neither asks for sudo nor touches apt.
set -euo pipefail

set_name=${1:-dev}
run_packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev
    libqt6opengl6-dev libgl-dev libxkbcommon-dev
    qt6-qpa-plugins qt6-wayland libqt6multimedia6 gstreamer1.0-plugins-base
    fonts-ipafont-gothic
    qt6-translations-l10n  # Qt's own texts (file choosers, box buttons) in Japanese
    qt6-l10n-tools  # lupdate/lrelease: the English catalogue is compiled at build time
)
test_packages=(
    xvfb xauth
    iproute2 procps util-linux python3
    dpkg-dev file
    lintian appstream desktop-file-utils man-db  # package checks in tst_package
    dbus  # a private bus for the notification test
    openbox trayer xdotool x11-utils  # a real X11 desktop with and without a tray (tst_desktop)
)
dev_packages=(
    clang libclang-rt-14-dev  # libFuzzer and the sanitizer runtimes for tests/fuzz
    weston xwayland imagemagick  # a Wayland session and pictures for the README, icon rendering
)
case $set_name in
run) packages=("${run_packages[@]}") ;;
test) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
dev) packages=("${run_packages[@]}" "${test_packages[@]}" "${dev_packages[@]}") ;;
*)
    echo "install-deps: unknown package set '$set_name' (run, test or dev)" >&2
    exit 2
    ;;
esac

# One query for all of them; a package dpkg has never heard of is missing too.
installed=$(dpkg-query -W -f='${Package} ${db:Status-Status}\n' "${packages[@]}" 2>/dev/null | awk '$2 == "installed" { print $1 }' || true)
missing=()
for p in "${packages[@]}"; do
    grep -qxF "$p" <<<"$installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: the ${#packages[@]} packages of the '$set_name' set are installed"
    exit 0
fi

sudo=()
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || {
        echo "install-deps: installing needs root, and sudo is not installed. As root, run: apt-get install sudo (and add yourself to the sudo group), or run this script as root. Missing: ${missing[*]}" >&2
        exit 1
    }
    sudo=(sudo)
fi
echo "install-deps: installing ${#missing[@]} packages of the '$set_name' set (apt adds what they depend on): ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q || {
    echo "install-deps: apt-get update failed: check the network and the mirror in /etc/apt/sources.list or /etc/apt/sources.list.d/" >&2
    exit 1
}
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" || {
    echo "install-deps: apt-get could not install: ${missing[*]} (see apt's message above)" >&2
    exit 1
}
