#!/usr/bin/env bash
# Creates a Wine prefix at $1 (once) in which Wine draws its own window frames,
# as Windows does, since no X window manager runs on our displays.
set -euo pipefail
prefix=$1
[ -f "$prefix/.quorvix-ready" ] && exit 0
mkdir -p "$prefix"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# wineboot needs no display for the registry; hide its dialogs anyway.
env -u DISPLAY wineboot -i >/dev/null 2>&1 || true
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
wineserver -w
touch "$prefix/.quorvix-ready"
