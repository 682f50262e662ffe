#!/usr/bin/env bash
# Builds everything, then scans a working copy of the bundled demo registry.
# The checked-in demo prefix is never modified.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
work=$(mktemp -d "${TMPDIR:-/tmp}/clarivo-demo.XXXXXX")
cp -a examples/demo-prefix/. "$work/"
echo "Scanning the demo registry (working copy in $work)"
build/bin/clarivo-cli scan --registry "wine:$work"
