#!/usr/bin/env bash
# Builds the whole suite with AddressSanitizer and UndefinedBehaviorSanitizer
# (Debug at -O1, no benchmarks) into build-asan/ (or $PELWICK_SANITIZE_BUILD_DIR)
# and runs every test through ctest. Any sanitizer report ends its test with
# a failure; leaks are reported too, except the third-party ones listed in
# tests/sanitizer/lsan.supp.
set -euo pipefail
cd "$(dirname "$0")/.."
builddir=${PELWICK_SANITIZE_BUILD_DIR:-build-asan}
started=$(date +%s)
./scripts/install-deps.sh dev
BUILD_TYPE=Debug ./scripts/build.sh "$builddir" -DPELWICK_SANITIZE=ON -DPELWICK_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS_DEBUG="-g -O1"
built=$(date +%s)

export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:abort_on_error=1:check_initialization_order=1:strict_init_order=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizer/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
cd "$builddir"
status=0
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)" --timeout 900 || status=$?
finished=$(date +%s)
echo "sanitizer suite: build $((built - started)) s, tests $((finished - built)) s"
exit $status
