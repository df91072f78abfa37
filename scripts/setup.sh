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

# "URI KEYRING" of the machine's own entry for bookworm's packages (KEYRING
# empty when the entry names no key file): a mirror or proxy that serves them
# serves their sources too. Deb822 entries first, then one-line ones.
bookworm_entry() {
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk '
      function flush() {
        if (!found && (" " field["types"] " ") ~ / deb / && (" " field["suites"] " ") ~ / bookworm / &&
            tolower(field["enabled"]) !~ /^no/ && split(field["uris"], uri, " ") > 0) {
          # Signed-By may hold the key itself rather than the name of its file.
          print uri[1], (field["signed-by"] ~ /^\// ? field["signed-by"] : "")
          found = 1
        }
        split("", field)
      }
      /^#/ { next }
      /^[ \t]*$/ { flush(); next }
      /^[ \t]/ { field[key] = field[key] " " $0; next }
      {
        key = tolower($0); sub(/:.*/, "", key)
        value = $0; sub(/^[^:]*:[ \t]*/, "", value)
        field[key] = value
      }
      END { flush() }
    ' "$f"
  done
  cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null | awk '
    $1 != "deb" { next }
    {
      line = $0; signed = ""
      if (match(line, /\[[^]]*\]/)) {
        n = split(substr(line, RSTART + 1, RLENGTH - 2), option, " ")
        for (i = 1; i <= n; i++) if (option[i] ~ /^signed-by=\//) signed = substr(option[i], 11)
        line = substr(line, 1, RSTART - 1) " " substr(line, RSTART + RLENGTH)
      }
      split(line, word, " ")
      if (word[3] == "bookworm") print word[2], signed
    }'
}

src_list=/etc/apt/sources.list.d/quorvix-deb-src.sources
need_src=0
grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ || grep -qs '^deb-src' /etc/apt/sources.list || need_src=1
if [ "$need_src" -eq 1 ]; then
  read -r src_uri src_keyring < <(bookworm_entry | head -n 1) || true
  # The fixed address only when the machine names no bookworm entry at all.
  src_uri=${src_uri:-http://deb.debian.org/debian}
  src_keyring=${src_keyring:-/usr/share/keyrings/debian-archive-keyring.gpg}
  echo "setup: source packages from $src_uri"
  printf 'Types: deb-src\nURIs: %s\nSuites: bookworm\nComponents: main\nSigned-By: %s\n' \
    "$src_uri" "$src_keyring" | sudo_if_needed tee "$src_list" >/dev/null
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
