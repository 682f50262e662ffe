#!/usr/bin/env bash
# Builds everything, then works on a copy of the bundled demo registry: with a
# display, the program Clarivo; without one, a scan with clarivo-cli.
# The checked-in demo prefix is never modified.
#   bash scripts/run.sh          Clarivo on the demo registry (clarivo-cli scan without a display)
#   bash scripts/run.sh tweaks   start Tweaks with its plug-ins (Xvfb without a display)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
if [ "${1:-}" = "tweaks" ]; then
  shift
  exec bash scripts/run-tweaks.sh "$@"
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/clarivo-demo.XXXXXX")
cp -a examples/demo-prefix/. "$work/"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "Starting Clarivo on the demo registry (working copy in $work)"
  # Clarivo cleans the registry CLARIVO_REGISTRY names; settings and backups
  # go to the user's own XDG folders (~/.config/Quorvex-Clarivo, ~/.local/share).
  CLARIVO_REGISTRY="wine:$work" exec build/bin/Clarivo
fi
echo "No display: scanning the demo registry with clarivo-cli instead of starting Clarivo"
echo "(working copy in $work)"
# Status 1 only says that stale entries were found, which is what the demo holds.
status=0
build/bin/clarivo-cli scan --registry "wine:$work" || status=$?
if [ "$status" -gt 1 ]; then
  exit "$status"
fi
echo
echo "To clean the copy:  build/bin/clarivo-cli fix --registry wine:$work --backup-dir $work-backups"
echo "To undo the clean:  build/bin/clarivo-cli restore --registry wine:$work $work-backups/<folder>"
