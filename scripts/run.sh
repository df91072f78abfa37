#!/usr/bin/env bash
# Builds Quorvix and runs it under Wine.
# With $DISPLAY set, Quorvix runs on that display until you Escape-click it.
# Without one, a virtual display is started with a few sample windows; Quorvix
# runs over them for a few seconds, a screenshot is saved, and it is ended
# with an Escape-click like a user would.
# Usage: scripts/run.sh [screenshot.png]   (default: build/quorvix-screenshot.png)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/run"
shot=$(realpath -m "${1:-$root/build/quorvix-screenshot.png}")

"$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DQUORVIX_TESTS=OFF \
  -DQUORVIX_GLEW_SOURCE_DIR="$root/.deps/glew-2.2.0" >/dev/null
cmake --build "$build" -j "$(nproc)"

export WINEPREFIX="$root/.deps/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cd "$build/bin"

if [ -n "${DISPLAY:-}" ]; then
  echo "Quorvix is running: move the mouse; Ctrl+click opens the settings, Escape+click ends it."
  exec wine quorvix.exe
fi

n=90
while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=":$n"
composite=
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$composite" ] && kill "$composite" >/dev/null 2>&1
  kill "$xvfb" >/dev/null 2>&1 || true
}
trap cleanup EXIT
for _ in $(seq 1 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
# Each window keeps its own image, as under the Windows desktop compositor.
/usr/bin/python3 "$root/tests/harness/composite-desktop.py" >/dev/null 2>&1 </dev/null &
composite=$!
sleep 0.5
wineserver -p >/dev/null 2>&1 </dev/null
wineboot >/dev/null 2>&1 </dev/null

echo "No display: sample windows on virtual display :$n"
sample="$build/quorvix-sample.txt"
{
  for _ in $(seq 1 24); do printf '\r\n'; done
  pad=$(printf '%*s' 150 '')
  for line in "Quorvix shows the desktop beneath the pointer" \
              "through a polynomial radial lens: the middle" \
              "is magnified most, and the green cross marks" \
              "where the pointer is. Clicks, drags and the" \
              "wheel reach the window shown at its centre."; do
    printf '%s%s\r\n' "$pad" "$line"
  done
} >"$sample"
wine winemine >/dev/null 2>&1 </dev/null &
sleep 2
wine notepad "Z:${sample//\//\\}" >/dev/null 2>&1 </dev/null &
sleep 3
xdotool mousemove 700 400
wine quorvix.exe </dev/null >/dev/null 2>&1 &
quorvix=$!
sleep 3
# Glide onto the text, as a reader would: the view follows the pointer.
for x in 710 720 730 740; do
  xdotool mousemove "$x" 416
  sleep 0.3
done
sleep 1
mkdir -p "$(dirname "$shot")"
import -window root "$shot"
echo "Screenshot: $shot"
xdotool keydown Escape click 1 keyup Escape
code=0
wait "$quorvix" || code=$?
echo "Quorvix ended with exit code $code"
exit "$code"
