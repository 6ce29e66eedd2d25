#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for a
# bounded time, two at a time, seeded from the test suite's literals.
#
#   tests/fuzz/run-fuzzers.sh [SECONDS] [TARGET...]
#
# SECONDS per target (default 600); TARGET any of the fuzz_* targets (default
# all). Logs, findings and the grown corpora go to $PELWICK_FUZZ_BUILD_DIR
# (default build-fuzz)/fuzz-out/<target>/. Exits non-zero when any target
# found something.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-600}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_datagram fuzz_receive fuzz_gomokulink fuzz_settings fuzz_cp932)
builddir=${PELWICK_FUZZ_BUILD_DIR:-build-fuzz}
parallel=${PELWICK_FUZZ_PARALLEL:-2}

./scripts/install-deps.sh
if [ ! -f "$builddir/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S . -B "$builddir" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DPELWICK_FUZZ=ON -DPELWICK_BUILD_BENCH=OFF
fi
cmake --build "$builddir" --parallel 2 --target "${targets[@]}"

seeds="$builddir/fuzz-seeds"
rm -rf "$seeds"
python3 tests/fuzz/make-seeds.py "$seeds"

run_one() {
    local target=$1
    local out="$builddir/fuzz-out/$target"
    mkdir -p "$out/corpus" "$out/findings"
    local max_len=8192
    case $target in fuzz_datagram|fuzz_receive) max_len=65507 ;; esac
    env \
        ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:symbolize=1" \
        LSAN_OPTIONS="suppressions=$PWD/tests/sanitizer/lsan.supp:print_suppressions=0" \
        UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1" \
        TMPDIR="${PELWICK_FUZZ_TMPDIR:-$( [ -d /dev/shm ] && echo /dev/shm || echo /tmp)}" \
        QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES="*.debug=false;qt.*=false" \
        "$builddir/bin/$target" -max_total_time="$seconds" -max_len="$max_len" -timeout=30 \
        -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$out/findings/" \
        "$out/corpus" "$seeds/$target" >"$out/log" 2>&1
}

status=0
running=0
for target in "${targets[@]}"; do
    run_one "$target" &
    running=$((running + 1))
    if [ "$running" -ge "$parallel" ]; then
        wait -n || status=1
        running=$((running - 1))
    fi
done
while [ "$running" -gt 0 ]; do
    wait -n || status=1
    running=$((running - 1))
done

for target in "${targets[@]}"; do
    log="$builddir/fuzz-out/$target/log"
    execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
    findings=$(find "$builddir/fuzz-out/$target/findings" -type f | wc -l)
    printf '%-16s %10s execs  %d findings\n' "$target" "$execs" "$findings"
    [ "$findings" -eq 0 ] || status=1
done
exit $status
