#!/bin/bash
# Screenshots of the restore and settings pages in English and German, driven
# through the program's test switch: the list with points of two registries,
# the confirmation, the question before restoring a point of another
# registry, the processing state, success, failure; the settings page with
# "Registry to clean", also when WINEPREFIX chooses; the overview naming the
# registry.
# Usage: scripts/screenshots-restore.sh BUILD_BIN_DIR OUT_DIR
set -euo pipefail
bin=$(realpath "${1:?build bin folder}")
out=$(realpath -m "${2:?output folder}")
src=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$out"
work=$(mktemp -d /tmp/clarivo-shots.XXXXXX)
trap 'rm -rf "$work" "/tmp/$(basename "$work")-server"' EXIT
for d in HOME XDG_CACHE_HOME XDG_CONFIG_HOME XDG_DATA_HOME XDG_RUNTIME_DIR; do
  mkdir -p -m 700 "$work/$d"
  export "$d=$work/$d"
done
cp -r "$src/examples/demo-prefix" "$work/HOME/.wine"
mkdir -p "$work/HOME/Games"
cp -r "$src/examples/demo-prefix" "$work/HOME/Games/other-prefix"
"$bin/clarivo-cli" backup --registry "$work/HOME/.wine" >/dev/null
sleep 1
"$bin/clarivo-cli" backup --registry "$work/HOME/Games/other-prefix" >/dev/null
sleep 1
"$bin/clarivo-cli" backup --registry "$work/HOME/.wine" >/dev/null
# The third point cannot be restored: its export is damaged.
last=$(ls -d "$XDG_DATA_HOME"/Quorvex-Clarivo/backups/[0-9]* | tail -1)
echo "damaged" >"$last/reg.reg"
# Slow enough to see the processing state.
printf '#!/bin/sh\nsleep 3\nexec /bin/sh "$@"\n' >"$work/slow-sh"
chmod +x "$work/slow-sh"

run() {  # LANGUAGE-value suffix script
  LANGUAGE=$1 COMSPEC="$work/slow-sh" \
    timeout 300 xvfb-run -a -s "-screen 0 1280x1024x24" "$bin/Clarivo" --script="$3" >"$out/run-$2.log" 2>&1 || true
}

for lang in en de; do
  s="wait 9000;click 1003;wait 1500;shot $out/overview-$lang.png;click 1005;wait 1000;shot $out/settings-$lang.png"
  s+=";click 1002;wait 1200;report;shot $out/restore-list-$lang.png"
  s+=";select 1054 1;wait 600;click 12748;wait 3000;htmlreport;shot $out/restore-confirm-$lang.png"
  s+=";html ButtonYes;wait 3000;htmlreport;shot $out/restore-other-registry-$lang.png;html ButtonNo;wait 1000"
  s+=";select 1054 0;wait 600;click 12748;wait 3000;html ButtonYes;wait 1000;report;shot $out/restore-processing-$lang.png"
  s+=";wait 9000;htmlreport;shot $out/restore-success-$lang.png;html ButtonOK;wait 1000"
  s+=";select 1054 2;wait 600;click 12748;wait 3000;html ButtonYes;wait 9000;htmlreport;shot $out/restore-failed-$lang.png;html ButtonOK;wait 1000"
  s+=";select 1054 0;wait 600;click 12747;wait 3000;htmlreport;shot $out/restore-delete-$lang.png;html ButtonNo;wait 1000;quit"
  run "$([ $lang = de ] && echo de || echo en)" "$lang" "$s"
  # WINEPREFIX set at start: the settings page says that it chooses.
  LANGUAGE=$lang WINEPREFIX="$work/HOME/Games/other-prefix" timeout 300 xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$bin/Clarivo" --script="wait 9000;click 1005;wait 1000;shot $out/settings-wineprefix-$lang.png;quit" \
    >"$out/run-env-$lang.log" 2>&1 || true
done
echo "screenshots in $out"
