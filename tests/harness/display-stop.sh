#!/usr/bin/env bash
# Stops the Wine server and the Xvfb display started by display-start.sh for
# build folder $1, and every Wine process in that prefix.
set -u
state="$1/harness"
if [ -f "$state/env" ]; then
  . "$state/env"
  wineserver -k >/dev/null 2>&1
  wineserver -w >/dev/null 2>&1
fi
if [ -f "$state/composite.pid" ]; then
  kill "$(cat "$state/composite.pid")" >/dev/null 2>&1
  rm -f "$state/composite.pid"
fi
if [ -f "$state/xvfb.pid" ]; then
  kill "$(cat "$state/xvfb.pid")" >/dev/null 2>&1
  rm -f "$state/xvfb.pid"
fi
rm -f "$state/env"
exit 0
