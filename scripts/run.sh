#!/usr/bin/env bash
# Builds the suite and starts the messenger.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh build
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "run: no display found. Start Pelwick on a virtual display instead:" >&2
    echo "    xvfb-run -a build/bin/Pelwick" >&2
    exit 1
fi
exec build/bin/Pelwick
