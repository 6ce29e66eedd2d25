#!/usr/bin/env bash
# Splits a 1 GiB file into 1.44 M (1457664-byte) pieces with the splitter's
# core (as it runs, copying inside the kernel where it can, and held to
# reading and writing) and with coreutils split -b 1457664, in the same run,
# and prints the wall time and peak memory of each. Everything it makes
# lives in one folder under /tmp and is removed at the end.
#
#   bench/splitter/run-split-bench.sh [BUILD_DIR] [SIZE_MIB] [ROUNDS]
# BUILD_DIR defaults to build-release, configured and built here (Release).
set -euo pipefail
cd "$(dirname "$0")/../.."
builddir=${1:-build-release}
size_mib=${2:-1024}
rounds=${3:-2}

if [ ! -x "$builddir/bin/bench_split" ]; then
    cmake -S . -B "$builddir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELWICK_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$builddir" --target bench_split -j2 >/dev/null
bench="$PWD/$builddir/bin/bench_split"

work=$(mktemp -d /tmp/pelwick-split-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir "$work/ours" "$work/split"
echo "making a ${size_mib} MiB source in $work"
head -c "$((size_mib * 1024 * 1024))" /dev/urandom > "$work/SOURCE.BIN"
sync "$work/SOURCE.BIN"

timed() { # label, command...
    local label=$1; shift
    if [ -x /usr/bin/time ]; then
        /usr/bin/time -f "$label: %e s wall, %U s user, %S s sys, peak RSS %M KiB" "$@" > "$work/out.txt" 2> "$work/time.txt" \
            || { cat "$work/out.txt" "$work/time.txt"; return 1; }
        tail -n 1 "$work/time.txt"
    else
        local start end
        start=$(date +%s.%N)
        "$@" > "$work/out.txt"
        end=$(date +%s.%N)
        echo "$label: $(echo "$end - $start" | bc) s wall"
    fi
}

for round in $(seq "$rounds"); do
    echo "round $round"
    rm -f "$work"/ours/* "$work"/split/*
    timed "  split -b 1457664" split -b 1457664 -a 4 "$work/SOURCE.BIN" "$work/split/SOURCE."
    rm -f "$work"/ours/* "$work"/split/*
    timed "  core, read/write" "$bench" --read-write "$work/SOURCE.BIN" "$work/ours"
    echo "   ($(cat "$work/out.txt"))"
    rm -f "$work"/ours/*
    # Last, so the pieces checked below are the ones the splitter makes.
    timed "  splitter core   " "$bench" "$work/SOURCE.BIN" "$work/ours"
    echo "   ($(cat "$work/out.txt"))"
done

# Both cut the same bytes at the same places.
split -b 1457664 -a 4 -d "$work/SOURCE.BIN" "$work/split/SOURCE."
n=$(ls "$work/split" | wc -l)
if cmp -s <(cat "$work"/ours/SOURCE.[0-9]*) "$work/SOURCE.BIN" && [ "$n" = "$(ls "$work"/ours/SOURCE.[0-9]* | wc -l)" ]; then
    echo "pieces: $n from each, rejoined bytes equal to the source"
else
    echo "MISMATCH between the pieces and the source" >&2
    exit 1
fi
