#!/usr/bin/env bash
# Screenshots of every view of the scan pages, in English and German, taken
# by the program's test switch under Xvfb on copies of the demo prefix.
# Usage: scripts/scan-screenshots.sh OUT_DIR [BUILD_DIR]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: scan-screenshots.sh OUT_DIR [BUILD_DIR]}
build=${2:-$root/build}
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d /tmp/clarivo-scan-shots.XXXXXX)

# hold_lock PREFIX: holds the lock file a wineserver of PREFIX would hold
# (its server folder named by PREFIX/wineserver) until the script ends.
hold_lock() {
  local prefix=$1 server dir
  server=$(basename "$work")-server-$RANDOM
  echo "$server" >"$prefix/wineserver"
  dir=/tmp/$server/$(printf 'server-%x-%x' "$(stat -c %d "$prefix")" "$(stat -c %i "$prefix")")
  mkdir -p "$dir"
  python3 -c 'import fcntl,os,sys,time
fd=os.open(sys.argv[1],os.O_RDWR|os.O_CREAT,0o600); fcntl.lockf(fd,fcntl.LOCK_EX); time.sleep(240)' "$dir/lock" &
  lock_pids+=" $!"
  sleep 0.5
}
lock_pids=""
trap 'for p in $lock_pids; do kill "$p" 2>/dev/null; done; rm -rf "$work" /tmp/"$(basename "$work")"-server-*' EXIT

# shoot LANG NAME SCRIPT [SETUP]: one run of the program on a fresh prefix copy
shoot() {
  local lang=$1 name=$2 script=$3 setup=${4:-}
  local dir=$work/$lang-$name
  mkdir -p "$dir/home" "$dir/run"
  chmod 700 "$dir/run"
  cp -a "$root/examples/demo-prefix" "$dir/prefix"
  if [ -n "$setup" ]; then
    pushd "$dir" >/dev/null && eval "$setup"
    popd >/dev/null || return
  fi
  (
    export HOME=$dir/home XDG_CONFIG_HOME=$dir/home/.config XDG_DATA_HOME=$dir/home/.local/share
    export XDG_CACHE_HOME=$dir/home/.cache XDG_RUNTIME_DIR=$dir/run WINEPREFIX=$dir/prefix LANGUAGE=$lang
    unset CLARIVO_REGISTRY
    timeout 180 xvfb-run -a -s "-screen 0 1024x768x24" "$build/bin/Clarivo" --script="${script//@/$out/$lang-}"
  ) >"$dir/out.txt" 2>&1
  echo "$lang $name: status $?"
}

for lang in en de; do
  shoot "$lang" flow "wait 1000;idlewait 60000;wait 1000;click 1027;wait 400;shot @pre.png;click 12748;wait 1600;shot @scanning.png;wait 3000;shot @summary.png;click 12747;wait 800;shot @detail.png;click 12747;wait 300;click 12748;wait 150;shot @fixing.png;wait 9000;shot @fixed.png;click 12748;wait 800;shot @overview-after-fix.png;click 1007;wait 6000;shot @noerrors.png;quit"
  # A file where the backup folder belongs: the fix stops after step 1.
  shoot "$lang" backup "wait 1000;idlewait 60000;wait 1000;click 12748;idlewait 30000;wait 1000;key return;wait 500;shot @backup-failed.png;quit" \
    "mkdir -p home/.local/share/Quorvex-Clarivo && touch home/.local/share/Quorvex-Clarivo/backups"
  # A wineserver holding the prefix (its lock held by a stand-in): the fix is
  # refused before it starts.
  shoot "$lang" locked "wait 1000;idlewait 60000;wait 1000;click 12748;htmlwait 30000;wait 300;shot @registry-locked.png;html ButtonOK;wait 300;quit" \
    "hold_lock prefix"
done
ls "$out"
