#!/usr/bin/env bash
# `cmake --install` into a temporary prefix: the program folder, the links in
# bin/, the menu entry and the icons, and the installed ShowHelp opening the
# installed help. Usage: install_test.sh BUILD_DIR
set -euo pipefail
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix="$tmp/pre fix"   # a blank in the prefix must not break anything
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >"$tmp/log" 2>&1 || { cat "$tmp/log"; fail "install"; }
lib="$prefix/lib/clarivo"
for f in ShowHelp clarivo-cli clarivo-regedit func_Clarivo.so Clarivo.ini \
         Image/MainFrame.png Image/icon/1_MUICache.ico Image/icon_witherror/3_HelpFiles.ico \
         Image/doing.gif Html/Busy.html Html/clarivo.css Html/img/info.svg \
         Help/index.html Help/de/index.html Help/help.css Icons/hicolor/128x128/apps/clarivo.png \
         Languages/de/LC_MESSAGES/Clarivo.mo; do
  [ -f "$lib/$f" ] || fail "missing lib/clarivo/$f"
done
[ ! -e "$lib/Html/README.md" ] || fail "the pages' README is no part of the install"
if grep -q '@PROJECT_VERSION@' "$lib/Html/About.html" "$lib/Html/Update_already_new.html"; then
  fail "version placeholder left in the pages"
fi
grep -q 'id="Version">[0-9]' "$lib/Html/Update_already_new.html" || fail "no version in Update_already_new.html"

# The links in bin/ reach the programs, which still find their folder.
[ -L "$prefix/bin/clarivo-cli" ] || fail "bin/clarivo-cli is no link"
"$prefix/bin/clarivo-cli" --help >/dev/null || fail "bin/clarivo-cli --help"
if [ -f "$build/bin/Clarivo" ]; then
  [ -x "$prefix/bin/Clarivo" ] || fail "bin/Clarivo missing"
fi

# The menu entry.
desktop="$prefix/share/applications/clarivo.desktop"
[ -f "$desktop" ] || fail "no menu entry"
grep -qx 'Name=Clarivo' "$desktop" || fail "Name"
grep -qx 'GenericName=Registry cleaner' "$desktop" || fail "GenericName"
grep -qx 'Categories=System;Utility;' "$desktop" || fail "Categories"
grep -qx 'Icon=clarivo' "$desktop" || fail "Icon"
grep -qx "Exec=$prefix/bin/Clarivo" "$desktop" || fail "Exec: $(grep ^Exec "$desktop")"
if command -v desktop-file-validate >/dev/null; then desktop-file-validate "$desktop"; fi
for n in 16 22 24 32 48 64 128 256; do
  [ -f "$prefix/share/icons/hicolor/${n}x${n}/apps/clarivo.png" ] || fail "icon ${n}"
done
[ -f "$prefix/share/icons/hicolor/scalable/apps/clarivo.svg" ] || fail "scalable icon"

# The installed ShowHelp, started through its folder as Clarivo starts it,
# hands the installed help page to xdg-open.
mkdir "$tmp/fake"
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >"$RECORD"\n' >"$tmp/fake/xdg-open"
chmod +x "$tmp/fake/xdg-open"
RECORD="$tmp/record" PATH="$tmp/fake:$PATH" LANGUAGE=de LANG=C.UTF-8 "$lib/ShowHelp" default ||
  fail "ShowHelp"
expected="file://$(printf '%s' "$lib" | sed 's/ /%20/g')/Help/de/index.html"
[ "$(cat "$tmp/record")" = "$expected" ] || fail "ShowHelp opened $(cat "$tmp/record"), not $expected"
echo "install layout ok"
