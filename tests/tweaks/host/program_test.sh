#!/usr/bin/env bash
# Runs the real program from its folder under Xvfb: it starts, loads both
# plug-ins, switches views by clicking a view button, ends with status 0 on
# "EXIT_TWEAKS" and when its frame closes, and refuses a second instance of
# the same user.
# Usage: program_test.sh TWEAKS_BIN_DIR
set -uo pipefail
bin="$1"
work=$(mktemp -d "${TMPDIR:-/tmp}/tweaks-program.XXXXXX")
trap 'kill $first 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work"/{home,cache,config,data,runtime}
chmod 700 "$work/runtime"
export HOME="$work/home" XDG_CACHE_HOME="$work/cache" XDG_CONFIG_HOME="$work/config" \
  XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/runtime"
fail() { echo "FAIL: $*"; echo "--- output"; cat "$work/out.txt"; exit 1; }

cd "$work"  # not the program folder: everything must come from there anyway
xvfb-run -a -s "-screen 0 1280x1024x24" "$bin/Tweaks" \
  "--script=wait 2500;report;view 1;wait 1500;report;command SEND_MESSAGE_HELP;report;command EXIT_TWEAKS" \
  >"$work/out.txt" 2>"$work/err.txt"
status=$?
[ $status -eq 0 ] || fail "exit status $status"
grep -q "^view 0 Startup loaded button$" "$work/out.txt" || fail "Startup not loaded"
grep -q "^view 1 Overview loaded button$" "$work/out.txt" || fail "Overview not loaded"
[ "$(grep '^active ' "$work/out.txt" | tr '\n' ' ')" = "active 0 active 1 active 1 " ] || fail "views did not switch"
grep -q "^result 0$" "$work/out.txt" || fail "no view accepted SEND_MESSAGE_HELP"
[ "$(grep -c '^shown active$' "$work/out.txt")" -eq 3 ] || fail "the active view's window is not the one shown"
! grep -q "assert" "$work/err.txt" || fail "toolkit assertion: $(grep assert "$work/err.txt")"

# Under Xvfb there is no tray to come back from: closing the frame ends the
# program, cleanly, with both views (and the web page) torn down.
xvfb-run -a -s "-screen 0 1280x1024x24" "$bin/Tweaks" \
  "--script=wait 2500;view 1;wait 1500;command CLOSEFRMAEWINDOW;wait 8000;report;quit" \
  >"$work/out.txt" 2>"$work/err.txt"
status=$?
[ $status -eq 0 ] || fail "exit status $status after closing the frame"
! grep -q "^frame" "$work/out.txt" || fail "the program went on after its frame closed"

# Single instance: a second start by the same user ends at once, without a window.
xvfb-run -a -s "-screen 0 1280x1024x24" "$bin/Tweaks" "--script=report;wait 15000;quit" >"$work/first.txt" 2>&1 &
first=$!
for _ in $(seq 60); do
  grep -q "^frame open" "$work/first.txt" && break
  sleep 0.5
done
grep -q "^frame open" "$work/first.txt" || fail "first instance did not start"
start=$(date +%s)
xvfb-run -a "$bin/Tweaks" "--script=report;quit" >"$work/out.txt" 2>&1
second=$?
[ $second -ne 0 ] || fail "second instance started (status $second)"
! grep -q "^frame" "$work/out.txt" || fail "second instance opened a frame"
[ $(( $(date +%s) - start )) -lt 10 ] || fail "second instance took too long to end"
wait $first || fail "first instance did not end cleanly"
echo "program test passed"
