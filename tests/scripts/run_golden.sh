#!/usr/bin/env bash
# Runs one key script in a folder of its own (file commands write there; a folder NAME.files
# beside the script is copied in first) and compares the transcript with NAME.out.
# Usage: run_golden.sh KADENZO_SCRIPT NAME.ks
set -euo pipefail

runner=$1
script=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
name=${script%.ks}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [[ -d $name.files ]]; then
    cp -R "$name.files/." "$work/"
fi
cd "$work"
status=0
"$runner" "$script" >actual.out 2>actual.err || status=$?
want_status=0
if [[ -f $name.status ]]; then
    want_status=$(cat "$name.status")
fi
if ! diff -u "$name.out" actual.out; then
    echo "run_golden: the transcript differs from $name.out" >&2
    exit 1
fi
if [[ $status != "$want_status" ]]; then
    echo "run_golden: exit status $status, expected $want_status" >&2
    cat actual.err >&2
    exit 1
fi
