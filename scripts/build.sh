#!/usr/bin/env bash
# Configures and builds into build/ (or the folder given as the first argument); further
# arguments go to CMake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."

# ccache keeps its cache under the home folder; without one, beside the sources.
export CCACHE_DIR=${CCACHE_DIR:-${HOME:-$PWD}/.cache/ccache}

dir=${1:-build}
shift || true
cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
cmake --build "$dir" --parallel 2
