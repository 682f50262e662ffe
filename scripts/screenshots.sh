#!/usr/bin/env bash
# Regenerates screenshots of every page and message of Clarivo, in English
# and German, into DIR (default build/screenshots), on a working copy of the
# demo registry under Xvfb.
#   bash scripts/screenshots.sh [DIR]
set -uo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build/screenshots}")
bin="$PWD/build/bin"
mkdir -p "$out"
work=$(mktemp -d "${TMPDIR:-/tmp}/clarivo-shots.XXXXXX")
trap 'rm -rf "$work"' EXIT
for lang in en de; do
  rm -rf "$work/run" && mkdir -p "$work/run"/{home,cache,config,data,runtime} && chmod 700 "$work/run/runtime"
  cp -a examples/demo-prefix "$work/run/prefix"
  s="$out/$lang"
  # The first start scans (no result yet); the pages and each message follow.
  script="wait 1500;shot $s-scanning.png;wait 3000;shot $s-scan-done.png;tab 0;wait 1500;shot $s-overview.png"
  script+=";tab 1;wait 300;click 1022;wait 600;shot $s-scan-report.png;tab 2;wait 600;shot $s-restore.png"
  script+=";tab 3;wait 600;shot $s-settings.png;menu;wait 600;shot $s-menu.png;key escape;wait 300"
  script+=";tray;wait 600;shot $s-tray.png;key escape;wait 300"
  script+=";command 9006;htmlreport;wait 300;shot $s-about.png;html ButtonOK;wait 400"
  script+=";command 9002;wait 2600;htmlreport;wait 300;shot $s-update.png;html ButtonOK;wait 400"
  script+=";tab 3;click 12748;htmlreport;wait 300;shot $s-settings-saved.png;html ButtonOK;wait 400"
  script+=";tab 2;click 12748;htmlreport;wait 300;shot $s-no-item.png;html ButtonOK;wait 400"
  script+=";tab 1;click 1027;wait 300;click 12748;wait 200;tray;htmlreport;wait 300;shot $s-busy.png;html ButtonOK;wait 400;key escape"
  script+=";wait 3500;click 1027;wait 300;click 12748;wait 300;click 12748;htmlreport;wait 300;shot $s-ask.png;html ButtonYes;wait 3500;quit"
  (cd "$work/run" && env HOME="$work/run/home" XDG_CACHE_HOME="$work/run/cache" XDG_CONFIG_HOME="$work/run/config" \
    XDG_DATA_HOME="$work/run/data" XDG_RUNTIME_DIR="$work/run/runtime" CLARIVO_REGISTRY="wine:$work/run/prefix" \
    LANGUAGE="$lang" xvfb-run -a -s "-screen 0 1280x1024x24" "$bin/Clarivo" "--script=$script" >"$out/$lang.log" 2>&1)
  # The message shown when the registry cannot be read.
  (cd "$work/run" && env HOME="$work/run/home" XDG_CACHE_HOME="$work/run/cache" XDG_CONFIG_HOME="$work/run/config" \
    XDG_DATA_HOME="$work/run/data" XDG_RUNTIME_DIR="$work/run/runtime" CLARIVO_REGISTRY="wine:$work/run/none" \
    LANGUAGE="$lang" xvfb-run -a -s "-screen 0 1280x1024x24" "$bin/Clarivo" \
    "--script=tab 1;click 12748;htmlreport;wait 300;shot $s-unreadable.png;html ButtonOK;wait 300;quit" >>"$out/$lang.log" 2>&1)
done
# The window is at the screen's top-left corner: keep that part.
for f in "$out"/*.png; do convert "$f" -crop 800x600+0+0 +repage "$f"; done
echo "screenshots in $out"
