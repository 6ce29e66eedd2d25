#!/usr/bin/env bash
# Builds the suite and runs every test through ctest, headless.
set -euo pipefail
cd "$(dirname "$0")/.."
builddir=${PELWICK_BUILD_DIR:-build}
./scripts/build.sh "$builddir" "$@"
cd "$builddir"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)" --timeout 300
