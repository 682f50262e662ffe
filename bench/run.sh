#!/usr/bin/env bash
# Generates a Windows-sized Wine prefix under /tmp and benchmarks loading and
# scanning it. Usage: bench/run.sh [BUILD_DIR] [SCALE] (defaults: build, 1).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
scale=${2:-1}
if [ ! -x "$build/bin/clarivo-bench" ]; then
  cmake -S "$root" -B "$build" -G Ninja >/dev/null
  ninja -C "$build" -j2 clarivo-bench clarivo-bench-generate
fi
work=$(mktemp -d /tmp/clarivo-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
"$build/bin/clarivo-bench-generate" "$work/prefix" --scale "$scale"
du -sh "$work/prefix/system.reg" "$work/prefix/user.reg"
sync
"$build/bin/clarivo-bench" "$work/prefix" --repeat 2
