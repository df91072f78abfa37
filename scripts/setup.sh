#!/usr/bin/env bash
# Installs what building, running and testing Quorvix need on Debian 12, and
# unpacks GLEW's source from Debian's glew source package into .deps/.
# Safe to run again: it only does what is missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
deps="$root/.deps"

sudo_if_needed() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

packages=(
  cmake ninja-build make pkg-config
  mingw-w64 wine64 wine fonts-wine
  xvfb xdotool imagemagick x11-utils libx11-6 libxcomposite1 libgl1 libgl1-mesa-dri
  clang-14 libclang-rt-14-dev googletest
  python3 python3-numpy python3-pil
  dpkg-dev xz-utils
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

src_list=/etc/apt/sources.list.d/quorvix-deb-src.sources
need_src=0
grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ || grep -qs '^deb-src' /etc/apt/sources.list || need_src=1
if [ "$need_src" -eq 1 ]; then
  sudo_if_needed tee "$src_list" >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
fi

glew_dir="$deps/glew-2.2.0"
if [ ${#missing[@]} -gt 0 ] || [ "$need_src" -eq 1 ] || [ ! -f "$glew_dir/src/glew.c" ]; then
  sudo_if_needed apt-get update -q
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_if_needed env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
fi

if [ ! -f "$glew_dir/src/glew.c" ]; then
  echo "setup: fetching GLEW source from Debian's glew source package"
  mkdir -p "$deps/glew-download"
  (cd "$deps/glew-download" && apt-get source --download-only glew >/dev/null 2>&1)
  orig=$(ls "$deps"/glew-download/glew_*.orig.tar.* | head -n 1)
  tar -xf "$orig" -C "$deps"
  [ -d "$glew_dir" ] || mv "$deps"/glew-2.* "$glew_dir"
fi

# The project's own Wine prefix for running Quorvix by hand.
"$root/scripts/wine-prefix.sh" "$deps/wineprefix"
echo "setup: ready"
