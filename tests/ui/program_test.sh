#!/usr/bin/env bash
# Runs the real program under Xvfb through its test switch, on copies of the
# demo prefix with XDG folders of its own: start page choice, controls,
# tabs, menus, busy guard, HTML messages, settings and the close button,
# single instance, an unreadable registry, German.
# Usage: program_test.sh BIN_DIR DEMO_PREFIX
set -uo pipefail
bin="$1"
demo="$2"
work=$(mktemp -d "${TMPDIR:-/tmp}/clarivo-ui-program.XXXXXX")
first=""
trap '[ -n "$first" ] && kill $first 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work"/{home,cache,config,data,runtime}
chmod 700 "$work/runtime"
cp -a "$demo" "$work/prefix"
export HOME="$work/home" XDG_CACHE_HOME="$work/cache" XDG_CONFIG_HOME="$work/config" \
  XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/runtime" CLARIVO_REGISTRY="wine:$work/prefix"
unset LANGUAGE
cd "$work"
out="$work/out.txt"
fail() { echo "FAIL: $*"; echo "--- output"; cat "$out"; echo "--- errors"; grep -v mesa_shader "$work/err.txt" | tail -20; exit 1; }
run() { xvfb-run -a -s "-screen 0 1280x1024x24" "$bin/Clarivo" "$@" >"$out" 2>"$work/err.txt"; }
has() { grep -qF -- "$1" "$out" || fail "missing: $1"; }
hasnt() { ! grep -qF -- "$1" "$out" || fail "unexpected: $1"; }
noassert() { ! grep -q "wx assert" "$work/err.txt" || fail "toolkit assertion: $(grep 'wx assert' "$work/err.txt")"; }

# 1. No stored result: the scan page and a scan. During it the busy guard
# answers every tab and the menu button, and the tray offers Exit(busy).
run "--script=wait 1900;report;busy;wait 4000;busy;report;quit"
status=$?
[ $status -eq 0 ] || fail "exit status $status"
noassert
has 'main shown 0 0 790 592 page=1 title="Clarivo"'
[ "$(grep -m1 '^busy' "$out")" = "busy 1" ] || fail "no scan at start"
[ "$(grep '^busy' "$out" | tail -1)" = "busy 0" ] || fail "the scan did not end"
has '30 registry errors need to be fixed!'
# The window's controls as placed.
for line in \
  '  button 1003 299 25 118 35 shown' '  button 1007 421 25 118 35 shown' '  button 1002 543 25 118 35 shown' \
  '  button 1005 665 25 118 35 shown' '  button 1013 690 1 28 22 shown' '  button 1008 720 1 28 22 shown' \
  '  button 1014 720 1 28 22 hidden' '  button 1012 748 1 28 22 shown' '  button 1089 653 2 36 20 shown' \
  '  button 1022 601 2 50 20 hidden' '  button 1027 ' '"Help"' '"Online support"' \
  '    button 1007 366 273 200 56 shown frame=0 enabled "Start scan"' \
  '    button 1023 29 476 150 32 shown frame=0 enabled "Check for updates"' \
  '    static 1012 1 277 ' '    static 1011 1 296 ' '    static 1090 1 345 ' '    static 1021 1 371 ' \
  '    static 1014 332 25 ' '    static 1015 332 61 ' '    static 1016 332 98 ' '    static 1017 232 155 ' \
  '    static 1020 232 225 ' '    static 1018 571 26 ' '    static 1019 571 62 ' \
  '    button 1027 9 9 176 44 shown frame=2 enabled "Start new scan"' \
  '    button 1022 9 59 176 44 shown frame=0 enabled "Latest scan report"' \
  '    button 1001 29 476 150 32 shown' '    static 1051 1 411 ' '    static 1092 1 440 ' '    static 1094 1 338 ' \
  '      button 12748 440 470 130 34 shown' '        combo 1052 101 108 ' '        combo 1053 101 136 ' \
  '        check 1035 56 218 ' '        check 1036 56 243 ' '        static 1044 50 82 ' '        static 1078 50 186 ' \
  '"Minimize Clarivo to taskbar|Minimize Clarivo to system tray"' \
  '"Close Clarivo immediately|Minimize Clarivo to system tray"'; do
  has "$line"
done
grep -q 'static 1090 1 345 [0-9]* [0-9]* shown colour=1201E4 points=9 bold=1 "Please fix your PC!"\|static 1090 1 345 [0-9]* [0-9]* shown colour=1201E4 points=9 bold=1 "Your PC is in danger"' "$out" ||
  grep -q 'static 1090 1 345 .* shown colour=1201E4 points=9 bold=1 "Please Check Your PC!"' "$out" || fail "status label"
has 'static 1012 1 277 208 17 shown colour=FFFFFF points=10 bold=1 "PC health score:"'

# 2. A stored result and "ScanWhenStart" 0: the overview, no scan. Tabs,
# main menu, About, the update check, Enter and Escape.
run "--script=wait 4500;click 1005;wait 500;check 1036 0;click 12748;wait 2500;htmlreport;html ButtonOK;wait 500;quit"
[ $? -eq 0 ] || fail "saving the settings"
has "html Setting_Success.html loaded"
has "html-result Setting_Success.html 1"
run "--script=wait 2600;report;busy;key return;key escape;wait 300;report;tab 1;wait 400;report;tab 2;wait 400;report;tab 3;wait 400;report;tab 0;wait 400;report;menu;wait 500;key escape;wait 300;command 9006;wait 2500;htmlreport;html ButtonOK;wait 500;command 9002;wait 5500;htmlreport;html ButtonOK;wait 500;quit"
[ $? -eq 0 ] || fail "exit status $?"
noassert
[ "$(grep -m1 '^main' "$out")" = 'main shown 0 0 790 592 page=0 title="Clarivo"' ] || fail "did not open on the overview"
[ "$(grep -m1 '^busy' "$out")" = "busy 0" ] || fail "scanned although ScanWhenStart is 0"
[ "$(grep '^main' "$out" | sed 's/.*page=\([0-9]\).*/\1/' | tr -d '\n')" = "001230" ] || fail "tabs: $(grep '^main' "$out")"
[ "$(grep -c '^main shown' "$out")" -eq 6 ] || fail "Enter or Escape closed the window"
[ "$(sed -n '/^menu begin/,/^menu end/p' "$out" | head -9 | tr '\n' '|')" = 'menu begin|menu item 9000 enabled "Help"|menu item 9001 enabled "Online support"|menu separator|menu item 9002 enabled "Check For updates"|menu separator|menu item 9005 enabled "Feedback"|menu item 9006 enabled "About"|menu end|' ] || fail "main menu"
has "html About.html loaded"
has "html-result About.html 1"
has "html Update_already_new.html loaded"
grep -q "^html msgid Installed version:=Installed version:" "$out" || fail "update page"
has "html-result Update_already_new.html 1"
grep -q 'static 1015 332 61 .*"30 registry errors need to be fixed!"' "$out" || fail "overview errors label"

# 3. A scan from the overview's start button: the busy guard answers a tab
# and the tray offers Exit(busy); the stop question with its texts; the
# close button only hides (closes to the tray, assumed present here).
run --assume-tray "--script=wait 2500;click 1007;wait 300;busy;tray;wait 300;htmlreport;html ButtonOK;wait 800;key escape;wait 4000;click 1027;wait 300;click 12748;wait 300;click 12748;wait 2200;htmlreport;html ButtonNo;wait 4000;busy;click 1012;wait 400;report;command 9009;wait 400;report;quit"
[ $? -eq 0 ] || fail "exit status"
noassert
[ "$(grep -m1 '^busy' "$out")" = "busy 1" ] || fail "the start button did not scan"
has "html Busy.html loaded"
has "html-result Busy.html 1"
has 'menu item 9009 enabled "Show"'
has 'menu item 9010 disabled "Exit(busy)"'
has "html Ask.html loaded"
has "html MsgTitle=Ask"
has "html MsgBody=Are you sure you want to stop the scan?"
has "html-result Ask.html 7"
[ "$(grep '^main' "$out" | cut -d' ' -f1-2 | tr '\n' ' ')" = "main hidden main shown " ] || fail "close to tray / Show"

# 4. Without a tray on the desktop the close button minimises instead of
# hiding; "Close Clarivo immediately" saved makes it end the program.
run "--script=wait 4500;click 1012;wait 400;report;command 9009;wait 300;tab 3;wait 400;select 1053 0;click 12748;wait 2500;html ButtonOK;wait 500;click 1012;wait 3000;report"
[ $? -eq 0 ] || fail "exit status"
# (Xvfb has no window manager to iconify it: the test sees that it was not hidden.)
[ "$(grep -m1 '^main' "$out" | cut -d' ' -f1-2)" != "main hidden" ] || fail "no tray: hidden where nobody can reach it"
[ "$(grep -c '^main' "$out")" -eq 1 ] || fail "the close button did not end the program"
grep -q "CloseToTray" "$work/config/Quorvex-Clarivo/Clarivo/Setting"* || fail "CloseToTray not saved"

# 5. A second start wakes the first, also when it is hidden in the tray.
rm -rf "$work/config" && mkdir -p "$work/config"
xvfb-run -a -s "-screen 0 1280x1024x24" "$bin/Clarivo" --assume-tray \
  "--script=wait 2500;click 1012;wait 300;report;wait 6000;report;wait 2000;quit" >"$work/first.txt" 2>&1 &
first=$!
for _ in $(seq 60); do grep -q "^main hidden" "$work/first.txt" && break; sleep 0.3; done
grep -q "^main hidden" "$work/first.txt" || { cp "$work/first.txt" "$out"; fail "first instance did not hide"; }
start=$(date +%s)
run "--script=report;wait 3000;quit"
[ $(( $(date +%s) - start )) -lt 15 ] || fail "second instance took too long"
hasnt "main "
wait $first || { cp "$work/first.txt" "$out"; fail "first instance did not end cleanly"; }
first=""
[ "$(grep '^main' "$work/first.txt" | cut -d' ' -f1-2 | tr '\n' ' ')" = "main hidden main shown " ] ||
  { cp "$work/first.txt" "$out"; fail "second start did not wake the first"; }

# 6. A registry that cannot be read is said so, and nothing is scanned.
CLARIVO_REGISTRY="wine:$work/no-such-prefix" run "--script=wait 2500;htmlreport;busy;html ButtonOK;wait 500;quit"
[ $? -eq 0 ] || fail "exit status"
has "html Registry_unreadable.html loaded"
has "html MsgTitle=wine:$work/no-such-prefix cannot be read"
[ "$(grep -m1 '^busy' "$out")" = "busy 0" ] || fail "scanned an unreadable registry"

# 7. German.
LANGUAGE=de run "--script=wait 1500;report;command 9006;wait 2500;htmlreport;html ButtonOK;wait 500;quit"
[ $? -eq 0 ] || fail "exit status"
has '"Übersicht"'
grep -q '^html msgid OK=OK' "$out" || fail "German About"
echo "program test passed"
