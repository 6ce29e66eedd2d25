#!/usr/bin/env bash
# Installs what the programs need to build and run, builds the four
# programs (Pelwick, GOMOKU, split, clock) into build/bin and starts the
# messenger. Run again with nothing changed, it starts the messenger at once.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/phases.sh

phase "1/3 Debian packages to build and run the programs (scripts/install-deps.sh run)"
./scripts/install-deps.sh run
phase "2/3 Building Pelwick, GOMOKU, split and clock into build/bin"
./scripts/build.sh --targets "Pelwick GOMOKU split clock" build
phase "3/3 Starting the messenger (build/bin/Pelwick)"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    fail "no display found. Start Pelwick on a virtual display instead (package xvfb): xvfb-run -a build/bin/Pelwick"
fi
phase_current=""
exec build/bin/Pelwick
