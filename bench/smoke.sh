#!/usr/bin/env bash
# Generates a 1/1000-size prefix and runs the benchmark on it once.
set -euo pipefail
work=$(mktemp -d "${TMPDIR:-/tmp}/clarivo-bench-smoke.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$CLARIVO_BENCH_GENERATE" "$work/prefix" --scale 0.001
"$CLARIVO_BENCH" "$work/prefix"
