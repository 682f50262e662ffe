#!/usr/bin/env bash
# The scan pages on the full-size registry (a benchmark, not a test): the
# program scans a generated Windows-sized prefix under Xvfb while its test
# switch asks "busy" about every 500 ms. Prints the time from the click on "Start
# scan" to the end of the scan (the summary), the longest gap between two
# answers of the window while it scanned (how responsive it stayed), the time
# from "Yes" on the stop question to the end of a second scan, the time to
# fill the detail list, and the program's peak memory.
# Usage: bench/gui_scan.sh [BUILD_DIR] [SCALE]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
scale=${2:-1}
work=$(mktemp -d /tmp/clarivo-gui-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
"$build/bin/clarivo-bench-generate" "$work/prefix" --scale "$scale" | tail -1
mkdir -p "$work/home" "$work/run"
chmod 700 "$work/run"
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_CACHE_HOME=$work/home/.cache XDG_RUNTIME_DIR=$work/run WINEPREFIX=$work/prefix LANGUAGE=en
unset CLARIVO_REGISTRY
polls() { local n=$1 s=""; for _ in $(seq "$n"); do s+="busy;wait 100;"; done; echo "$s"; }
# The scan at start-up first (it fills the stored result), then a scan by a
# click, then a scan stopped by "Yes", then the detail list.
script="wait 1000;$(polls 80)report;click 1027;wait 300;click 12748;wait 100;$(polls 80)report;"
script+="click 1027;wait 300;click 12748;wait 3000;click 12748;wait 1500;html ButtonYes;wait 100;$(polls 100)"
script+="click 1022;wait 500;click 12747;wait 100;report;quit"
xvfb-run -a -s "-screen 0 1024x768x24" /usr/bin/time -v "$build/bin/Clarivo" --script="$script" 2>"$work/err" |
  while IFS= read -r line; do printf '%s %s\n' "$(date +%s.%N)" "$line"; done >"$work/out" || true
awk '
  / script: click 12748$/ { clicks++; if (clicks == 1) start = $1 }
  / busy 1$/ && clicks == 1 && !ended { if (last) { gap = $1 - last; if (gap > maxgap) maxgap = gap } last = $1 }
  / busy 0$/ && clicks == 1 && last && !ended { ended = $1; printf "Start scan -> summary: %.2f s\n", ended - start;
                                           printf "longest gap between window answers while scanning: %.0f ms\n", maxgap * 1000 }
  / script: html ButtonYes$/ { yes = $1 }
  / busy 0$/ && yes && !stopped { stopped = $1; printf "Yes -> scan ended: %.0f ms\n", (stopped - yes) * 1000 }
  / script: click 12747$/ { detail = $1 }
  / script: report$/ && detail { printf "detail list filled and reported: %.2f s\n", $1 - detail; detail = 0 }
' "$work/out"
grep -o 'grid 1140 .* count=[0-9]*' "$work/out" | sed 's/.*count=/detail rows: /' | tail -1
grep 'Maximum resident set size' "$work/err" | sed 's/^\s*/peak memory: /'
