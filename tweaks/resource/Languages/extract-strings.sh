#!/usr/bin/env bash
# Writes the catalogue template of every text Tweaks shows: the sources
# (_(), wxGetTranslation, N_), the XRC resources and the skin files' titles
# and text values. Usage: extract-strings.sh OUTPUT.pot
# Merge it into a translation with: msgmerge --update de.po OUTPUT.pot
set -euo pipefail
tweaks="$(cd "$(dirname "$0")/../.." && pwd)"
out="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$tweaks"
wxrc -g resource/default/xrc/MainFrame/*.xrc -o "$work/xrc.cpp"
# Skin files: "title" of layout nodes and "value" of drawn texts.
grep -ho '\(title\|value\)="[^"]*"' resource/default/xml/*/*.xml | sed 's/^[a-z]*="\(.*\)"$/_("\1");/' \
  | sort -u > "$work/skin.cpp"
xgettext --from-code=UTF-8 --language=C++ -k_ -kwxGetTranslation -kN_ --no-location --sort-output \
  -o "$out" host/*.cpp plugins/*/*.cpp "$work/xrc.cpp" "$work/skin.cpp"
