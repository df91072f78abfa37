#!/usr/bin/env bash
# Builds Quorvix and runs it under Wine over a few sample Windows programs
# (Minesweeper, and Notepad with a short text), started in Quorvix's own Wine
# prefix: under Wine, Quorvix shows and clicks through the Windows programs of
# its prefix, never native Linux windows.
# With $DISPLAY set, they run on that display until you Escape-click Quorvix;
# the samples end with it, and the exit code is Quorvix's.
# Without one, a virtual display is started; Quorvix runs over the samples for
# a few seconds, a screenshot is saved, and it is ended with an Escape-click
# like a user would.
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

xvfb=
keeper=
# Everything in Quorvix's prefix ends with it: the samples and Wine's
# services; then the redirection and our own display. Nothing here changes
# the exit code.
cleanup() {
  set +e
  wineserver -k >/dev/null 2>&1
  wineserver -w >/dev/null 2>&1
  [ -n "$keeper" ] && kill "$keeper" >/dev/null 2>&1 && wait "$keeper" 2>/dev/null
  # Not a child of this shell: Xvfb removes its lock and socket on its own.
  [ -n "$xvfb" ] && kill "$xvfb" >/dev/null 2>&1
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# A copy of a covered window gives what covers it, unless the display keeps
# each window's image as the Windows desktop compositor does. A compositing
# manager does; without one, the windows are redirected off screen (X
# Composite) while Quorvix runs. Sets images to "redirected" or "composited".
images=
keep_window_images() {
  local log="$build/composite.log"
  /usr/bin/python3 "$root/tests/harness/composite-desktop.py" --unless-composited >"$log" 2>&1 </dev/null &
  keeper=$!
  for _ in $(seq 1 50); do
    images=$(grep -xE 'redirected|composited' "$log" || true)
    [ -n "$images" ] && break
    sleep 0.1
  done
  if [ -z "$images" ]; then
    echo "run: the windows' images cannot be kept, so the view may be black: $(cat "$log")" >&2
  elif [ "$images" = composited ]; then
    keeper=
  fi
}

# The sample programs, in Quorvix's prefix: something to look at and click through.
start_samples() {
  local sample="$build/quorvix-sample.txt" pad line
  pad=$(printf '%*s' 150 '')
  {
    for _ in $(seq 1 24); do printf '\r\n'; done
    for line in "Quorvix shows the desktop beneath the pointer" \
                "through a polynomial radial lens: the middle" \
                "is magnified most, and the green cross marks" \
                "where the pointer is. Clicks, drags and the" \
                "wheel reach the window shown at its centre."; do
      printf '%s%s\r\n' "$pad" "$line"
    done
  } >"$sample"
  wineserver -p >/dev/null 2>&1 </dev/null
  wineboot >/dev/null 2>&1 </dev/null
  wine winemine >/dev/null 2>&1 </dev/null &
  sleep 2
  wine notepad "Z:${sample//\//\\}" >/dev/null 2>&1 </dev/null &
  sleep 3
}

if [ -n "${DISPLAY:-}" ]; then
  keep_window_images
  if [ "$images" = redirected ]; then
    echo "No compositing manager on $DISPLAY: its windows are kept redirected off screen while Quorvix runs."
  fi
  start_samples
  echo "Quorvix is running: move the mouse; Ctrl+click opens the settings, Escape+click ends it."
  wine quorvix.exe </dev/null &
  quorvix=$!
  code=0
  wait "$quorvix" || code=$?
  exit "$code"
fi

started=$("$root/scripts/start-display.sh" /dev/null)
read -r DISPLAY xvfb <<<"$started"
export DISPLAY
echo "No display: sample windows on virtual display $DISPLAY"
keep_window_images
start_samples
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
