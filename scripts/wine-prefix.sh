#!/usr/bin/env bash
# Creates a Wine prefix at $1 (once) in which Wine draws its own window frames,
# as Windows does, since no X window manager runs on our displays.
set -euo pipefail
prefix=$1

# NOTE: this Wine does not find the fonts of its own data folder, so captions
# would draw their buttons (Marlett) as letters; a prefix's Fonts folder is
# always searched.
install_fonts() {
  mkdir -p "$prefix/drive_c/windows/Fonts"
  cp -n /usr/share/wine/fonts/*.ttf "$prefix/drive_c/windows/Fonts/" 2>/dev/null || true
}

if [ -f "$prefix/.quorvix-ready" ]; then
  install_fonts
  exit 0
fi
mkdir -p "$prefix"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# wineboot needs no display for the registry; hide its dialogs anyway.
env -u DISPLAY wineboot -i >/dev/null 2>&1 || true
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
wineserver -w
install_fonts
touch "$prefix/.quorvix-ready"
