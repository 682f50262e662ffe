#!/usr/bin/env bash
# The scan pages of the real program, driven through its test switch under
# Xvfb on copies of the demo prefix: a scan started at program start with its
# categories filling in, the stop question answered No and Yes, Escape, the
# summary's order and colours, the detail list, the fix (backup, then the
# deletions; the busy guard on the tabs meanwhile), the fixed view, the rescan
# without errors, and a fix refused while a wineserver holds the prefix.
#   scan_program_test.sh BIN_DIR DEMO_PREFIX
set -u
bin=$1
demo=$2
base=$(mktemp -d "${TMPDIR:-/tmp}/clarivo-scan-ui.XXXXXX")
lock_pid=
cleanup() {
  [ -n "$lock_pid" ] && kill "$lock_pid" 2>/dev/null
  [ -n "${CLARIVO_KEEP_TEST_FILES:-}" ] || rm -rf "$base" "/tmp/$(basename "$base")-server"
}
trap cleanup EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# run NAME SCRIPT: the program on its own prefix copy and profile; output in $base/NAME.out
run() {
  local name=$1 script=$2 dir=$base/$1
  mkdir -p "$dir/home" "$dir/run"
  [ -d "$dir/prefix" ] || cp -a "$demo" "$dir/prefix"
  chmod 700 "$dir/run"
  (
    export HOME=$dir/home XDG_CONFIG_HOME=$dir/home/.config XDG_DATA_HOME=$dir/home/.local/share
    export XDG_CACHE_HOME=$dir/home/.cache XDG_RUNTIME_DIR=$dir/run WINEPREFIX=$dir/prefix LANGUAGE=en
    unset CLARIVO_REGISTRY
    timeout 240 xvfb-run -a -s "-screen 0 1024x768x24" "$bin/Clarivo" --script="$script"
  ) >"$base/$name.out" 2>"$base/$name.err"
  echo "$name: status $?"
}

# section FILE N: the Nth report (1-based) of a run's output
section() { awk -v n="$2" '/^script: report$/{k++} k==n && !/^script: /' "$1"; }
# expect FILE N PATTERN WHAT: the Nth report holds a line matching PATTERN
expect() { section "$1" "$2" | grep -Eq -- "$3" || fail "$4"; }
expect_not() { section "$1" "$2" | grep -Eq -- "$3" && fail "$4"; }
# rows GRID_ID: the rows listed under the grid in a report on stdin
rows() { awk -v id="$1" '$1=="grid"{on=($2==id)} $1=="row" && on' ; }

# --- 1: start, categories filling in, stop answered No, to the end, summary, detail, fix ----
# The scan at program start runs first; the checks follow a scan started by a click.
run fix "wait 1000;idlewait 60000;wait 1000;click 1027;wait 300;click 12748;wait 700;report;busy;report;idlewait 30000;wait 800;report;click 12747;wait 700;report;click 12747;wait 400;click 12748;wait 200;busy;report;click 1003;htmlwait 30000;htmlreport;html ButtonOK;idlewait 60000;wait 500;busy;report;click 12748;wait 800;report;click 1007;busywait 10000;wait 300;report;idlewait 30000;wait 800;report;quit"
out=$base/fix.out
expect "$out" 1 'gauge 1080 .* shown value=[0-9]+ range=11' "the progress bar counts the eleven categories"
expect "$out" 1 'button 12748 .* shown .*"Stop scan"' "the scan shows \"Stop scan\""
expect "$out" 1 'static 1086 .* colour=787878 .*"Scanning on: ' "the location line"
section "$out" 1 | rows 1090 | head -1 | grep -q '"Invalid shared DLLs"' || fail "the first category row"
expect "$out" 2 'button 12748 .* shown .*"Stop scan"' "the scan runs"
# the summary: most findings first, the higher category first among equal counts, red rows
summary=$(section "$out" 3)
echo "$summary" | rows 1130 | awk '{print $5,$6,$7,$8}' >"$base/serious.txt"
diff <(printf '%s\n' '"Unused file extensions" "5     error(s) found"' '"Invalid ActiveX,COM section" "5     error(s) found"' '"Invalid shared DLLs" "2     error(s) found"') \
  <(echo "$summary" | rows 1130 | sed -E 's/^ *row [0-9]+ colour=[0-9A-F]+ image=-?[0-9]+ //') || fail "the serious grid's order"
echo "$summary" | rows 1131 | head -2 | grep -c 'colour=1201E4' | grep -q 2 || fail "rows with findings are red"
echo "$summary" | rows 1131 | sed -n 1,2p | grep -q 'Multilanguage' || fail "equal counts: the higher category first"
echo "$summary" | grep -Eq 'button 12747 .* shown .*"Detail view"' || fail "\"Detail view\""
echo "$summary" | grep -Eq 'button 12748 .* shown .*"Fix all now"' || fail "\"Fix all now\""
echo "$summary" | grep -Eq 'static 1121 .*colour=1201E4 .*"30 errors need to be fixed!"' || fail "the errors label"
expect "$out" 4 'grid 1140 .* shown count=30' "the detail list holds every finding"
section "$out" 4 | rows 1140 | head -1 | grep -q '"Unused file extensions"' || fail "the detail list starts with the highest category"
expect "$out" 4 'button 12747 .* shown .*"Back to summary"' "\"Back to summary\""
[ "$(grep '^busy' "$out" | tr '\n' ' ')" = "busy 1 busy 1 busy 0 " ] || fail "busy while scanning and fixing, idle after"
expect "$out" 5 'static 1104 .*"Fixing 30 registry errors"' "the fixing heading"
expect "$out" 5 'static 1109 .*removing  30 errors' "the step 2 text"
grep -q '^html Busy.html' "$out" || fail "a tab during the fix meets the busy guard"
expect "$out" 6 'static 1112 .*"You have repaired 30 registry errors."' "the fixed view's count"
expect "$out" 6 'static 1111 .* shown .*"All your registry errors have been fixed."' "all fixed"
expect "$out" 6 'button 12748 .* shown .*"Back to overview"' "\"Back to overview\""
expect "$out" 7 '^main shown .* page=0 ' "\"Back to overview\" shows the overview"
# the overview's start button runs the scanning sub-page; the scan finds nothing
expect "$out" 8 '^main shown .* page=1 ' "the overview's start button shows the scan page"
expect "$out" 8 'button 12748 .* shown .*"Stop scan"' "the overview's start button starts a scan"
expect "$out" 9 'static 1152 .* shown .*"No registry errors were found."' "the scan after the fix found nothing"
expect "$out" 9 'button 12748 .* shown .*"Back to overview"' "no errors: \"Back to overview\""
backups=$base/fix/home/.local/share/Quorvex-Clarivo/backups
[ -f "$backups/list" ] || fail "the backup store's list"
ls "$backups"/*/reg.reg >/dev/null 2>&1 || fail "a restore point with the registry export"
cmp -s "$demo/system.reg" "$base/fix/prefix/system.reg" && fail "the fix changed the registry files"

# --- 2: stop answered No, then Yes; Escape (a full-size registry: a scan long enough) ---------
"$bin/clarivo-bench-generate" "$base/stop/prefix" --scale 1 >/dev/null || fail "the full-size registry"
# How long a scan runs depends on the machine: a check whose moment the scan
# did not wait for is reported as skipped, never as passed.
run stop "wait 2500;busywait 30000;click 12748;htmlwait 30000;htmlreport;busy;html ButtonNo;wait 300;busy;report;click 12748;htmlwait 30000;busy;html ButtonYes;wait 500;busy;report;click 12748;busywait 30000;wait 300;key escape;wait 300;busy;report;idlewait 60000;quit"
out=$base/stop.out
read -r -a b <<<"$(grep '^busy' "$out" | awk '{printf "%s ", $2}')"
grep -q '^html Ask.html loaded' "$out" || fail "the stop question is Ask.html"
if [ "${b[1]:-0}" = 1 ]; then
  expect "$out" 1 'button 12748 .* shown .*"Stop scan"' "after No the scan goes on"
else
  echo "skipped: the scan ended while the question was open (No)"
fi
if [ "${b[2]:-0}" = 1 ] && section "$out" 2 | grep -Eq 'button 1027 9 9 .* frame=2 .*"Start new scan"'; then
  [ "${b[3]:-}" = 0 ] || fail "Yes stops the scan at once"
  expect "$out" 2 'button 12748 .* shown .*"Start scan"' "Yes ends in view 0 with \"Start scan\""
else
  echo "skipped: the scan ended while the question was open (Yes)"
fi
if grep -q '^script: busywait 30000 (30000 ms)' "$out"; then
  echo "skipped: no scan for Escape"
else
  [ "${b[4]:-}" = 1 ] || echo "skipped: the scan ended before Escape"
  expect "$out" 3 'button 12748 .* shown .*"Start scan"' "Escape shows \"Start scan\""
fi

# --- 3: a fix refused while a wineserver holds the prefix ------------------------------------
mkdir -p "$base/locked"
cp -a "$demo" "$base/locked/prefix"
server=$(basename "$base")-server
echo "$server" >"$base/locked/prefix/wineserver"
dev=$(stat -c '%d' "$base/locked/prefix")
ino=$(stat -c '%i' "$base/locked/prefix")
lockdir=/tmp/$server/$(printf 'server-%x-%x' "$dev" "$ino")
mkdir -p "$lockdir"
python3 -c 'import fcntl,os,sys,time
fd=os.open(sys.argv[1],os.O_RDWR|os.O_CREAT,0o600); fcntl.lockf(fd,fcntl.LOCK_EX); print("held",flush=True); time.sleep(600)' "$lockdir/lock" >"$base/lock.txt" &
lock_pid=$!
for _ in $(seq 50); do grep -q held "$base/lock.txt" && break; sleep 0.1; done
run locked "wait 1000;idlewait 60000;wait 1000;click 12748;htmlwait 30000;htmlreport;html ButtonOK;wait 500;busy;report;quit"
out=$base/locked.out
grep -q '^html Registry_locked.html loaded' "$out" || fail "the fix is refused with Registry_locked.html"
grep -q '^busy 0' "$out" || fail "nothing starts while the prefix is held"
expect "$out" 1 'button 12748 .* shown .*"Fix all now"' "the summary stays"
[ -e "$base/locked/home/.local/share/Quorvex-Clarivo/backups/list" ] && fail "no backup is taken"
cmp -s "$demo/system.reg" "$base/locked/prefix/system.reg" || fail "the registry files stay as they were"

if [ "$failures" -ne 0 ]; then
  for f in "$base"/*.out; do echo "== $f"; cat "$f"; done | tail -400
  exit 1
fi
echo "all scan page checks passed"
