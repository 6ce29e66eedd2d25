#!/usr/bin/env bash
# Configures and builds the suite.
#   build.sh [--targets "T1 T2 ..."] [build folder] [cmake options ...]
# The build folder is build/ unless given; --targets builds only those
# targets (default: everything). A folder configured before is configured
# again only when cmake options are given (a build notices changed
# CMakeLists itself). Packages are installed by install-deps.sh, not here.
set -euo pipefail
cd "$(dirname "$0")/.."
targets=()
if [ "${1:-}" = --targets ]; then
    read -r -a targets <<<"$2"
    shift 2
fi
builddir=${1:-build}
shift || true

command -v cmake >/dev/null && command -v ninja >/dev/null \
    || { echo "build: cmake or ninja is missing: run ./scripts/install-deps.sh run first" >&2; exit 1; }
if [ ! -f "$builddir/CMakeCache.txt" ] || [ $# -gt 0 ]; then
    launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    cmake -S . -B "$builddir" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "${launcher[@]}" "$@" \
        || { echo "build: configuring $builddir failed; a Qt module or tool reported missing above means a package is missing (./scripts/install-deps.sh)" >&2; exit 1; }
fi
target_args=()
[ ${#targets[@]} -gt 0 ] && target_args=(--target "${targets[@]}")
cmake --build "$builddir" --parallel "$(nproc)" "${target_args[@]}" \
    || { echo "build: the build in $builddir failed (the compiler's message is above)" >&2; exit 1; }
