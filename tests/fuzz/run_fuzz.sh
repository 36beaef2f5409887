#!/usr/bin/env bash
# Builds the progression-file fuzzer with clang's libFuzzer (and AddressSanitizer and
# UndefinedBehaviorSanitizer) into BUILD_DIR, then runs it from the seed files for RUNS inputs.
# Usage: run_fuzz.sh BUILD_DIR [RUNS]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
out=$1
runs=${2:-20000}
mkdir -p "$out/corpus"

sources=("$top"/harmony/*.cpp "$top"/progression/*.cpp "$top/midi/instrument.cpp"
         "$top/midi/recording_backend.cpp" "$here/progression_file_fuzz.cpp")
binary=$out/progression_file_fuzz
if [[ ! -x $binary ]] || [[ -n $(find "${sources[@]}" "$top"/harmony/*.h "$top"/progression/*.h \
        "$top"/midi/*.h -newer "$binary" 2>/dev/null) ]]; then
    "${CXX:-clang++}" -std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
        -I"$top" "${sources[@]}" -o "$binary"
fi

export TMPDIR=$out
"$binary" -runs="$runs" -timeout=10 -seed=1 -max_len=8192 "$out/corpus" "$here/seeds"
