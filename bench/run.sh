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

# Backup, fix (with its rescan) and restore write: each run works on a fresh
# copy of the generated prefix, with the program's state in the work folder.
# The plain read of the files, timed in the same run, is the yardstick.
echo
echo "== backup, fix (with its rescan), restore: medians of $runs runs"
export HOME=$work/home XDG_CONFIG_HOME=$work/xdg XDG_DATA_HOME=$work/xdg XDG_RUNTIME_DIR=$work/xdg
mkdir -p "$HOME" "$XDG_CONFIG_HOME"
cli=$build/bin/clarivo-cli
TIMEFORMAT=%R
plain=$( { time cat "$work/prefix/system.reg" "$work/prefix/user.reg" >/dev/null; } 2>&1)
"$cli" scan --json --registry "$work/prefix" >"$work/findings-before.json" || true
: >"$work/ops.txt"
for run in $(seq "$runs"); do
  rm -rf "$work/copy" "$work/backups"
  cp -a "$work/prefix" "$work/copy"
  for step in "backup" "fix --yes" "restore 2"; do
    # shellcheck disable=SC2086 # the step's words are meant to split
    /usr/bin/time -f "${step%% *} %e %U %S %M" "$cli" $step --registry "$work/copy" \
      --backup-dir "$work/backups" >/dev/null 2>"$work/time.txt" || true
    tail -n 1 "$work/time.txt" >>"$work/ops.txt"
  done
  if [ "$run" = 1 ]; then
    # The restore brings back every entry the fix deleted.
    "$cli" scan --json --registry "$work/copy" | sed "s|$work/copy|$work/prefix|g" >"$work/findings-after.json" || true
    if cmp -s "$work/findings-before.json" "$work/findings-after.json"; then
      echo "after backup, fix and restore a scan finds again exactly what it found before"
    else
      echo "WARNING: after the restore a scan finds something else than before"
    fi
  fi
done
echo "plain read of the files: ${plain} s"
for step in backup fix restore; do
  awk -v step="$step" -v plain="$plain" '
    $1 == step { n++; wall[n] = $2; cpu[n] = $3 + $4; peak[n] = $5 }
    function median(a, n,   i, j, t) {
      for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
      return a[int((n + 1) / 2)]
    }
    END {
      if (n == 0) { printf "  %-8s failed\n", step; exit }
      w = median(wall, n); c = median(cpu, n); p = median(peak, n)
      printf "  %-8s %6.2f s wall  %6.2f s CPU  x %5.0f the plain read  peak %4d MiB; goal (< 3 s, < 600 MiB): %s\n",
        step, w, c, (plain > 0 ? w / plain : 0), p / 1024, (w < 3 && p / 1024 < 600) ? "met" : "NOT met"
    }' "$work/ops.txt"
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
