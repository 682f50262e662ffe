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
echo
echo "== as the programs run today"
"$build/bin/clarivo-bench" "$work/prefix" --repeat 2
echo
# Most of the load's system time is page faults on the key tree; transparent
# huge pages for malloc (glibc 2.35+) take nearly all of them away.
echo "== with GLIBC_TUNABLES=glibc.malloc.hugetlb=1"
GLIBC_TUNABLES=glibc.malloc.hugetlb=1 "$build/bin/clarivo-bench" "$work/prefix" --repeat 2
