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

# First free display number from 90 up.
n=90
while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp -noreset >"$state/xvfb.log" 2>&1 &
echo $! >"$state/xvfb.pid"
for _ in $(seq 1 100); do
  [ -e "/tmp/.X11-unix/X$n" ] && break
  sleep 0.1
done
[ -e "/tmp/.X11-unix/X$n" ] || { echo "Xvfb :$n did not start"; cat "$state/xvfb.log"; exit 1; }

# Each window keeps its own image, as under the Windows desktop compositor.
DISPLAY=":$n" /usr/bin/python3 "$(dirname "$0")/composite-desktop.py" >"$state/composite.log" 2>&1 </dev/null &
echo $! >"$state/composite.pid"
for _ in $(seq 1 50); do
  grep -q redirected "$state/composite.log" 2>/dev/null && break
  sleep 0.1
done
grep -q redirected "$state/composite.log" || { echo "composite redirection failed"; cat "$state/composite.log"; exit 1; }

cat >"$state/env" <<ENV
export DISPLAY=:$n
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
echo "display :$n, prefix $prefix"
