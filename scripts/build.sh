#!/usr/bin/env bash
# Configures and builds into build/ (or the folder given as the first argument); further
# arguments go to CMake's configure step. KADENZO_BUILD_TARGETS (space-separated) builds only
# those targets and what they need; everything is built without it.
set -euo pipefail
cd "$(dirname "$0")/.."

# ccache keeps its cache under the home folder; without one, beside the sources.
export CCACHE_DIR=${CCACHE_DIR:-${HOME:-$PWD}/.cache/ccache}

dir=${1:-build}
shift || true
cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
targets=()
for target in ${KADENZO_BUILD_TARGETS:-}; do
    targets+=(--target "$target")
done
cmake --build "$dir" --parallel 2 "${targets[@]}"
