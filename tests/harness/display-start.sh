#!/usr/bin/env bash
# Starts a private Xvfb display and the build's own Wine prefix and server for
# the tests of build folder $1. Writes $1/harness/env for wine-run.sh.
set -euo pipefail
build=$1
state="$build/harness"
mkdir -p "$state"
"$(dirname "$0")/display-stop.sh" "$build" >/dev/null 2>&1 || true

prefix="$build/wineprefix"
"$(dirname "$0")/../../scripts/wine-prefix.sh" "$prefix"

started=$("$(dirname "$0")/../../scripts/start-display.sh" "$state/xvfb.log" -noreset) ||
  { cat "$state/xvfb.log"; exit 1; }
read -r display xvfb_pid <<<"$started"
echo "$xvfb_pid" >"$state/xvfb.pid"

# Each window keeps its own image, as under the Windows desktop compositor.
DISPLAY="$display" /usr/bin/python3 "$(dirname "$0")/composite-desktop.py" >"$state/composite.log" 2>&1 </dev/null &
echo $! >"$state/composite.pid"
# A loaded machine may take some seconds to start Python and Xlib.
for _ in $(seq 1 200); do
  grep -q redirected "$state/composite.log" 2>/dev/null && break
  sleep 0.1
done
grep -q redirected "$state/composite.log" || { echo "composite redirection failed"; cat "$state/composite.log"; exit 1; }

cat >"$state/env" <<ENV
export DISPLAY=$display
export WINEPREFIX=$prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
ENV
. "$state/env"
# A persistent server saves its start-up on every test program. A server
# that a program run by hand left lingering in this prefix would refuse it.
wineserver -k >/dev/null 2>&1 </dev/null || true
wineserver -w >/dev/null 2>&1 </dev/null || true
wineserver -p >/dev/null 2>&1 </dev/null
# Start Wine's own services now, detached from the test runner's pipes: a test
# program that started them would leave them holding its output open.
wineboot >/dev/null 2>&1 </dev/null
xdotool mousemove 960 540 >/dev/null 2>&1 </dev/null
echo "display $display, prefix $prefix"
