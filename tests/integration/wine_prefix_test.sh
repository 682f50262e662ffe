#!/usr/bin/env bash
# Real Wine as the peer: a prefix made by Debian's Wine, entries added with
# Wine's own "reg add", scanned, fixed and restored with clarivo-cli, and read
# back with Wine's own "reg query" and "regedit /e".
# Usage: wine_prefix_test.sh CLARIVO_CLI   (exit 77 = skipped: no Wine)
set -uo pipefail

cli=${1:?usage: wine_prefix_test.sh CLARIVO_CLI}
if ! command -v wine >/dev/null 2>&1 || ! command -v wineserver >/dev/null 2>&1; then
  echo "SKIPPED: Wine is not installed (apt-get install wine wine64); the real-Wine test needs wine and wineserver"
  exit 77
fi

if ! command -v jq >/dev/null 2>&1; then
  echo "FAIL: jq is needed to read clarivo-cli's JSON (apt-get install jq)"
  exit 1
fi
[ -x "$cli" ] || { echo "FAIL: $cli is not an executable"; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/clarivo-wine.XXXXXX")
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=
export HOME=$work/home XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache
mkdir -p "$HOME"
cleanup() {
  wineserver -k >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
step() { echo "== $* ($(date +%T))"; }

radd() { wine reg add "$@" /f >/dev/null 2>&1 || fail "wine reg add $*"; }
# Wine keeps the registry in its server and writes the files when it ends.
settle() { wineserver -w; }
findings() {  # "type|key|name" lines of a JSON scan, sorted
  jq -r '.findings[] | "\(.type)|\(.key)|\(.name)"' "$1" | sort
}
scan() {
  "$cli" scan --registry "wine:$WINEPREFIX" --json >"$1"
  local status=$?
  [ "$status" -le 1 ] || fail "clarivo-cli scan exited with $status"
}

step "creating a prefix with wineboot"
wine wineboot --init >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log"; fail "wineboot"; exit 1; }
settle
[ -f "$WINEPREFIX/system.reg" ] && [ -f "$WINEPREFIX/user.reg" ] || { fail "wineboot wrote no registry"; exit 1; }
scan "$work/fresh.json"

step "adding stale and valid entries with wine reg add"
CV='HKLM\Software\Microsoft\Windows\CurrentVersion'
GONE='C:\Program Files\Clarivo Gone'
G_CLASS_OK='{C1A7F00D-0000-4000-8000-000000000001}'
G_CLASS_GONE='{C1A7F00D-0000-4000-8000-000000000002}'
G_NOWHERE='{C1A7F00D-0000-4000-8000-00000000DEAD}'
MENU='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\MenuOrder\Start Menu2\Programs'
MUI='HKCU\Software\Microsoft\Windows\ShellNoRoam\MUICache'
for programs in "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs; do
  mkdir -p "$programs/Clarivo Valid Group"
done

radd "$CV\\SharedDlls" /v 'C:\windows\system32\clarivo-gone.dll' /t REG_DWORD /d 1
radd "$CV\\SharedDlls" /v 'C:\windows\system32\kernel32.dll' /t REG_DWORD /d 2
radd 'HKCR\Applications\clarivo-gone.exe\shell\open\command' /ve /d "\"$GONE\\gone.exe\" \"%1\""
radd 'HKCR\Applications\clarivo-ok.exe\shell\open\command' /ve /d '"C:\windows\notepad.exe" "%1"'
radd 'HKCR\Clarivo.GoneProg\CLSID' /ve /d "$G_NOWHERE"
radd 'HKCR\Clarivo.GoodProg\CLSID' /ve /d "$G_CLASS_OK"
radd "HKCR\\CLSID\\$G_CLASS_OK\\InprocServer32" /ve /d 'C:\windows\system32\ole32.dll'
radd "HKCR\\CLSID\\$G_CLASS_GONE" /ve /d 'Clarivo Class Two'
radd "HKCR\\CLSID\\$G_CLASS_GONE\\InprocServer32" /ve /d "$GONE\\gonecom.dll"
radd "$MENU\\Clarivo Gone Group" /v Order /t REG_BINARY /d 0800000002000000
radd "$MENU\\Clarivo Valid Group" /v Order /t REG_BINARY /d 0800000002000000
radd "$CV\\Installer\\Folders" /v 'C:\Clarivo Gone Folder' /d ''
radd "$CV\\Installer\\Folders" /v 'C:\windows' /d ''
radd 'HKCR\Clarivo.IconGone\DefaultIcon' /ve /d "$GONE\\gone.ico,0"
radd 'HKCR\Clarivo.IconOk\DefaultIcon' /ve /t REG_EXPAND_SZ /d '%SystemRoot%\system32\shell32.dll,3'
radd 'HKCR\Clarivo.OpenGone\shell\open\command' /ve /d "\"$GONE\\opener.exe\" \"%1\""
radd 'HKCR\Clarivo.OpenGone\shell\edit\command' /ve /d 'C:\windows\notepad.exe %1'
radd "$MUI" /v "$GONE\\mui.exe" /d 'Gone Program'
radd "$MUI" /v 'C:\windows\system32\notepad.exe' /d 'Notepad'
radd 'HKCU\Software\ClarivoEmptyVendor'
radd 'HKCU\Software\ClarivoVendor' /v Setting /d 1
radd 'HKLM\Software\Microsoft\Windows\Help' /v 'clarivo-gone.hlp' /d 'C:\windows\help'
radd 'HKLM\Software\Microsoft\Windows\Help' /v 'notepad.exe' /d 'C:\windows'
radd 'HKLM\Software\Microsoft\Windows\Html Help' /v 'clarivo-gone.chm' /d 'C:\windows\help'
radd 'HKLM\Software\Microsoft\Windows\Html Help' /v 'notepad.exe' /d 'C:\windows'
radd 'HKCR\.clarivogone' /ve /d 'Clarivo.NoSuchProg'
radd 'HKCR\.clarivook' /ve /d 'Clarivo.IconOk'

# What must survive the fix unchanged: the valid entries and their neighbours.
valid_queries=(
  "$CV\\SharedDlls|C:\\windows\\system32\\kernel32.dll"
  'HKCR\Applications\clarivo-ok.exe\shell\open\command|'
  'HKCR\Clarivo.GoodProg\CLSID|'
  "HKCR\\CLSID\\$G_CLASS_OK\\InprocServer32|"
  "HKCR\\CLSID\\$G_CLASS_GONE|"
  "$MENU\\Clarivo Valid Group|Order"
  "$CV\\Installer\\Folders|C:\\windows"
  'HKCR\Clarivo.IconOk\DefaultIcon|'
  'HKCR\Clarivo.IconGone|'
  'HKCR\Clarivo.OpenGone\shell\edit\command|'
  "$MUI|C:\\windows\\system32\\notepad.exe"
  'HKCU\Software\ClarivoVendor|Setting'
  'HKLM\Software\Microsoft\Windows\Help|notepad.exe'
  'HKLM\Software\Microsoft\Windows\Html Help|notepad.exe'
  'HKCR\.clarivook|'
)
# What the fix must remove, each with the scan finding it stems from.
stale_queries=(
  "$CV\\SharedDlls|C:\\windows\\system32\\clarivo-gone.dll"
  'HKCR\Applications\clarivo-gone.exe|-'
  'HKCR\Clarivo.GoneProg|-'
  "HKCR\\CLSID\\$G_CLASS_GONE\\InprocServer32|-"
  "$MENU\\Clarivo Gone Group|-"
  "$CV\\Installer\\Folders|C:\\Clarivo Gone Folder"
  'HKCR\Clarivo.IconGone\DefaultIcon|-'
  'HKCR\Clarivo.OpenGone\shell\open|-'
  "$MUI|$GONE\\mui.exe"
  'HKCU\Software\ClarivoEmptyVendor|-'
  'HKLM\Software\Microsoft\Windows\Help|clarivo-gone.hlp'
  'HKLM\Software\Microsoft\Windows\Html Help|clarivo-gone.chm'
  'HKCR\.clarivogone|-'
)
expected_new=$(sort <<EOF
1|HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls|C:\\windows\\system32\\clarivo-gone.dll
2|HKEY_CLASSES_ROOT\\Applications\\clarivo-gone.exe\\shell\\open|"$GONE\\gone.exe" "%1"
3|HKEY_CLASSES_ROOT\\Clarivo.GoneProg|$G_NOWHERE
3|HKEY_CLASSES_ROOT\\CLSID\\$G_CLASS_GONE\\InprocServer32|$GONE\\gonecom.dll
4|HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder\\Start Menu2\\Programs\\Clarivo Gone Group|Clarivo Gone Group
5|HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders|C:\\Clarivo Gone Folder
6|HKEY_CLASSES_ROOT\\Clarivo.IconGone\\DefaultIcon|$GONE\\gone.ico,0
7|HKEY_CLASSES_ROOT\\Clarivo.OpenGone\\shell\\open\\command|"$GONE\\opener.exe" "%1"
8|HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache|$GONE\\mui.exe
10|HKEY_CURRENT_USER\\software\\ClarivoEmptyVendor|ClarivoEmptyVendor
11|HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\Help\\clarivo-gone.hlp|clarivo-gone.hlp
11|HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\Html Help\\clarivo-gone.chm|clarivo-gone.chm
13|HKEY_CLASSES_ROOT\\.clarivogone|Clarivo.NoSuchProg
EOF
)
# Branches nothing here touches, exported by Wine's regedit before and after.
untouched_branches=(
  'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion'
  'HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\Session Manager'
  'HKEY_CURRENT_USER\Control Panel'
  'HKEY_CLASSES_ROOT\Clarivo.OpenGone\shell\edit'
)

# Every query runs in one Wine process (a batch file for Wine's cmd), each
# followed by a marker line with its number and reg's exit status.
query_batch() {
  local i=0 entry key value
  printf '@echo off\r\n'
  for entry in "${valid_queries[@]}" "${stale_queries[@]}"; do
    key=${entry%%|*} value=${entry#*|}
    case $value in
      -) printf 'reg query "%s" /s\r\n' "$key" ;;
      '') printf 'reg query "%s" /ve\r\n' "$key" ;;
      *) printf 'reg query "%s" /v "%s"\r\n' "$key" "$value" ;;
    esac
    printf 'echo ##### %d %%ERRORLEVEL%%\r\n' "$i"
    i=$((i + 1))
  done
}
snapshot() {  # DIR: what Wine reads of every entry and branch above
  mkdir -p "$1"
  query_batch >"$WINEPREFIX/drive_c/clarivo-queries.bat"
  wine cmd /c 'C:\clarivo-queries.bat' 2>/dev/null | tr -d '\r' >"$1/queries.txt"
  rm -f "$WINEPREFIX/drive_c/clarivo-queries.bat"
  awk -v dir="$1" '
    /^##### [0-9]+ [0-9]+$/ { printf "%s", text > (dir "/query." $2); printf "%s\n", $3 > (dir "/status." $2);
                              close(dir "/query." $2); close(dir "/status." $2); text = ""; next }
    { text = text $0 "\n" }' "$1/queries.txt"
  local i branch
  for i in "${!untouched_branches[@]}"; do
    branch=${untouched_branches[$i]}
    wine regedit /e "$1/export.$i.reg" "$branch" >/dev/null 2>&1 || fail "wine regedit /e $branch"
  done
}
# EXPECT DIR FIRST COUNT: entries FIRST.. must be present (0) or gone (1).
check_presence() {
  local expect=$1 dir=$2 i entry status
  local -a entries=("${valid_queries[@]}" "${stale_queries[@]}")
  for ((i = $3; i < $3 + $4; i++)); do
    entry=${entries[$i]}
    status=$(cat "$dir/status.$i" 2>/dev/null || echo missing)
    if [ "$expect" = present ] && [ "$status" != 0 ]; then fail "$entry: Wine does not read it ($5)"; fi
    if [ "$expect" = gone ] && [ "$status" = 0 ]; then fail "$entry is still there ($5)"; fi
  done
}
compare_valid() {  # BEFORE AFTER WHEN
  local i=0 entry
  for entry in "${valid_queries[@]}"; do
    [ -s "$1/query.$i" ] || fail "$entry: Wine did not read it back before the fix"
    cmp -s "$1/query.$i" "$2/query.$i" || fail "$entry reads differently $3"
    i=$((i + 1))
  done
  for i in "${!untouched_branches[@]}"; do
    [ -s "$1/export.$i.reg" ] || fail "export of ${untouched_branches[$i]} is empty"
    cmp -s "$1/export.$i.reg" "$2/export.$i.reg" || fail "${untouched_branches[$i]} exports differently $3"
  done
}

snapshot "$work/before"
settle
check_presence present "$work/before" 0 $((${#valid_queries[@]} + ${#stale_queries[@]})) "as reg add wrote it"

step "scanning: only the stale entries added are new"
scan "$work/added.json"
new=$(comm -13 <(findings "$work/fresh.json") <(findings "$work/added.json"))
if [ "$new" != "$expected_new" ]; then
  fail "the new findings differ from the stale entries added"
  diff <(echo "$expected_new") <(echo "$new") | sed 's/^/    /'
fi

step "a running wineserver: the fix is refused and nothing changes"
wineserver -p10 || fail "wineserver -p10 did not start"
"$cli" fix --registry "wine:$WINEPREFIX" --backup-dir "$work/refused-backups" --yes >"$work/refused.log" 2>&1
status=$?
[ "$status" -eq 6 ] || { cat "$work/refused.log"; fail "clarivo-cli fix with a running server exited with $status, not 6"; }
wineserver -k >/dev/null 2>&1
settle
scan "$work/refused.json"
[ "$(findings "$work/refused.json")" = "$(findings "$work/added.json")" ] ||
  fail "the registry changed although the fix was refused"

step "fixing with clarivo-cli fix --yes"
"$cli" fix --registry "wine:$WINEPREFIX" --backup-dir "$work/backups" --yes >"$work/fix.log" 2>&1
status=$?
[ "$status" -le 1 ] || { cat "$work/fix.log"; fail "clarivo-cli fix exited with $status"; }
backup=$(find "$work/backups" -mindepth 1 -maxdepth 1 -type d | head -n 1)
[ -n "$backup" ] || fail "clarivo-cli fix made no backup folder"

step "reading back with wine reg query and regedit /e"
snapshot "$work/fixed"
check_presence gone "$work/fixed" ${#valid_queries[@]} ${#stale_queries[@]} "after the fix"
compare_valid "$work/before" "$work/fixed" "after the fix"
settle
scan "$work/after-fix.json"
left=$(comm -13 <(findings "$work/fresh.json") <(findings "$work/after-fix.json"))
[ -z "$left" ] || { fail "a scan after the fix still finds entries the fresh prefix did not have"; echo "$left"; }

step "restoring with clarivo-cli restore"
if [ -n "$backup" ]; then
  "$cli" restore --registry "wine:$WINEPREFIX" "$backup" >"$work/restore.log" 2>&1 ||
    { cat "$work/restore.log"; fail "clarivo-cli restore exited with $?"; }
  snapshot "$work/restored"
  check_presence present "$work/restored" 0 $((${#valid_queries[@]} + ${#stale_queries[@]})) "after the restore"
  compare_valid "$work/before" "$work/restored" "after the restore"
  i=${#valid_queries[@]}
  for entry in "${stale_queries[@]}"; do
    cmp -s "$work/before/query.$i" "$work/restored/query.$i" || fail "$entry reads differently after the restore"
    i=$((i + 1))
  done
  settle
  scan "$work/restored.json"
  [ "$(findings "$work/restored.json")" = "$(findings "$work/added.json")" ] ||
    fail "a scan after the restore does not find the stale entries again"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
