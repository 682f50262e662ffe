#!/usr/bin/env bash
# Builds Tweaks if needed and starts it from its program folder (build/tweaks:
# the program, system.xml, the skin, log.so and the plug-ins). Without a
# display it runs under Xvfb; arguments are passed on to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -x build/tweaks/Tweaks ]; then
  bash scripts/install-deps.sh
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build build --target Tweaks -j"$(nproc)"
if [ -n "${DISPLAY:-}" ]; then
  exec build/tweaks/Tweaks "$@"
fi
exec xvfb-run -a -s "-screen 0 1280x1024x24" build/tweaks/Tweaks "$@"
