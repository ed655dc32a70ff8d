#!/usr/bin/env bash
# Runs every benchmark program of a build and prints their figures.
set -euo pipefail
build=${1:?usage: run-all.sh BUILD_DIR}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
status=0
for program in "$build"/bench/*_bench; do
    [ -x "$program" ] || continue
    echo "== $(basename "$program")"
    "$program" || status=1
    echo
done
exit $status
