#!/usr/bin/env bash
# Runs a test program under a private Xvfb. Two "xvfb-run -a" started at the
# same moment can pick the same display number and one of them then fails to
# start its server: that start is retried, never a failing test.
set -u
status=1
for attempt in 1 2 3 4 5; do
  errors=$(mktemp)
  xvfb-run -a -s "-screen 0 1280x1024x24" "$@" 2>"$errors"
  status=$?
  if ! grep -q "Xvfb failed to start" "$errors"; then
    cat "$errors" >&2
    rm -f "$errors"
    exit "$status"
  fi
  rm -f "$errors"
  sleep "$attempt"
done
echo "no Xvfb could be started" >&2
exit "$status"
