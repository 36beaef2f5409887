#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
bash scripts/build.sh build
if [[ -x build/ui/kadenzo ]]; then
    exec build/ui/kadenzo "$@"
fi
echo "run: everything is built; the window does not exist yet, so there is nothing to start."
