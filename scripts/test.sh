#!/usr/bin/env bash
# Installs what the tests need besides the programs' own packages, builds
# everything (programs, tests, benchmarks) and runs every test through
# ctest, headless. Extra arguments are cmake options for the build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/phases.sh
builddir=${PELWICK_BUILD_DIR:-build}

phase "1/3 Debian packages for the tests (scripts/install-deps.sh test)"
./scripts/install-deps.sh test
phase "2/3 Building everything into $builddir"
./scripts/build.sh "$builddir" "$@"
phase "3/3 Running the tests (ctest in $builddir)"
cd "$builddir"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)" --timeout 300 \
    || fail "some tests failed: their output is above, the summary just before this line"
phase_current=""
