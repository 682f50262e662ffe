#!/bin/bash
# The program itself, driven through its test switch: the registry chosen on
# the settings page is the one the overview names at the next start, while
# WINEPREFIX set at start wins over it and the settings page says so.
# Usage: registry_environment_test.sh BUILD_BIN_DIR DEMO_PREFIX
set -uo pipefail
bin=$1
demo=$2
work=$(mktemp -d /tmp/clarivo-registry-env.XXXXXX)
trap 'rm -rf "$work"' EXIT
for d in HOME XDG_CACHE_HOME XDG_CONFIG_HOME XDG_DATA_HOME XDG_RUNTIME_DIR; do
  mkdir -p -m 700 "$work/$d"
  export "$d=$work/$d"
done
unset CLARIVO_REGISTRY WINEPREFIX
cp -r "$demo" "$HOME/.wine"
mkdir -p "$HOME/.local/share/wineprefixes"
cp -r "$demo" "$HOME/.local/share/wineprefixes/office"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
run() {  # log script [environment...]
  local log=$1 script=$2
  shift 2
  env "$@" timeout 240 xvfb-run -a -s "-screen 0 1280x1024x24" "$bin/Clarivo" --script="$script" >"$log" 2>&1
}

# Choose the office prefix and save.
run "$work/choose.log" "wait 8000;click 1005;wait 800;select 1054 1;wait 300;click 12748;wait 2500;html ButtonOK;wait 500;click 1003;wait 800;report;quit"
grep -q 'static 1097 .*"Registry: ~/.local/share/wineprefixes/office"' "$work/choose.log" ||
  fail "the overview does not name the chosen prefix after Save: $(grep 'static 1097' "$work/choose.log")"

# Next start: the choice holds.
run "$work/next.log" "wait 8000;click 1003;wait 800;report;click 1005;wait 800;report;quit"
grep -q 'static 1097 .*"Registry: ~/.local/share/wineprefixes/office"' "$work/next.log" ||
  fail "the choice did not hold at the next start: $(grep 'static 1097' "$work/next.log")"
grep -q 'static 1080 .* hidden ' "$work/next.log" || fail "the environment note shows without WINEPREFIX"

# WINEPREFIX wins, and the settings page says so.
run "$work/env.log" "wait 8000;click 1003;wait 800;report;click 1005;wait 800;report;quit" WINEPREFIX="$HOME/.wine"
grep -q 'static 1097 .*"Registry: ~/.wine"' "$work/env.log" ||
  fail "WINEPREFIX did not win: $(grep 'static 1097' "$work/env.log")"
grep -q 'static 1080 .* shown .*"WINEPREFIX is set' "$work/env.log" ||
  fail "the settings page does not say that WINEPREFIX chooses: $(grep 'static 1080' "$work/env.log")"

if [ "$failures" -ne 0 ]; then
  for f in "$work"/*.log; do echo "== $f"; grep -v '^ *\(button\|window\|gif\)' "$f" | tail -40; done
  exit 1
fi
echo "registry environment test passed"
