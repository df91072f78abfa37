#!/usr/bin/env bash
# Starts a 1920 x 1080 Xvfb display on the first free display number from 90
# up and prints "DISPLAY PID" (for example ":90 4242") once it accepts
# connections. Xvfb outlives this script; end it with kill PID.
# Usage: scripts/start-display.sh LOG [Xvfb options...]   (LOG takes Xvfb's output)
set -euo pipefail
log=$1
shift
ready=$(mktemp)
trap 'rm -f "$ready"' EXIT

n=90
# A display starting elsewhere at the same moment may take the number first:
# this Xvfb then exits, and the next free number is tried.
for _ in $(seq 1 10); do
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  # Xvfb writes the number to fd 3 once it listens: its own socket, not another's.
  Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp -displayfd 3 "$@" 3>"$ready" >"$log" 2>&1 </dev/null &
  pid=$!
  for _ in $(seq 1 100); do
    if [ -s "$ready" ]; then
      echo ":$n $pid"
      exit 0
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill "$pid" 2>/dev/null || true
  n=$((n + 1))
done
echo "start-display: no Xvfb display could be started; see $log" >&2
exit 1
