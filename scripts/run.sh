#!/usr/bin/env bash
# Installs what is missing, builds the program (only it: not the tests and benchmarks), and
# starts it. Without a display it says so at once, before installing or building anything.
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
    echo "run: there is no display to open the window on; see \"Trying it headless\" in README.md." >&2
    exit 1
fi
bash scripts/setup.sh
KADENZO_BUILD_TARGETS=kadenzo bash scripts/build.sh build
exec build/ui/kadenzo
