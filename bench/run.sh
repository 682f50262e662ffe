#!/usr/bin/env bash
# Generates a Windows-sized Wine prefix under /tmp and benchmarks loading and
# scanning it (clarivo-bench: medians, ratios to the plain read of the files,
# peak memory), then times clarivo-cli backup, fix (with its rescan) and
# restore on it, and clarivo-regedit's export of each root. Usage:
# bench/run.sh [BUILD_DIR] [SCALE] [RUNS] (defaults: build, 1, 5). A pristine
# prefix made by `wineboot --init` can be timed the same way:
# clarivo-bench PREFIX --repeat 5.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
scale=${2:-1}
runs=${3:-5}
if [ ! -x "$build/bin/clarivo-bench" ]; then
  cmake -S "$root" -B "$build" -G Ninja >/dev/null
  ninja -C "$build" -j2 clarivo-bench clarivo-bench-generate clarivo-cli clarivo-regedit
fi
work=$(mktemp -d /tmp/clarivo-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
"$build/bin/clarivo-bench-generate" "$work/prefix" --scale "$scale"
du -sh "$work/prefix/system.reg" "$work/prefix/user.reg"
sync
echo
"$build/bin/clarivo-bench" "$work/prefix" --repeat "$runs"

# Backup, fix and restore write: they run once each, on the generated prefix,
# with the program's state kept in the work folder.
echo
echo "== backup, fix (with its rescan), restore: wall s, user s, sys s, peak KiB"
export HOME=$work/home XDG_CONFIG_HOME=$work/xdg XDG_DATA_HOME=$work/xdg XDG_RUNTIME_DIR=$work/xdg
mkdir -p "$HOME" "$XDG_CONFIG_HOME"
cli=$build/bin/clarivo-cli
for step in "backup" "fix --yes" "restore 1"; do
  # shellcheck disable=SC2086 # the step's words are meant to split
  /usr/bin/time -f "${step%% *}: %e %U %S %M" "$cli" $step --registry "$work/prefix" \
    --backup-dir "$work/backups" >/dev/null 2>"$work/time.txt" || true
  tail -n 1 "$work/time.txt"
done

# The two exports a restore point is made of, one root each.
echo
echo "== clarivo-regedit /e of one root: wall s, user s, sys s, peak KiB"
for root in HKEY_LOCAL_MACHINE HKEY_CURRENT_USER; do
  rm -f "$work/export.reg"
  CLARIVO_REGISTRY="wine:$work/prefix" /usr/bin/time -f "$root: %e %U %S %M" \
    "$build/bin/clarivo-regedit" /e "$work/export.reg" "$root" 2>"$work/time.txt" || true
  tail -n 1 "$work/time.txt"
done
