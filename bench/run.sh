#!/usr/bin/env bash
# Runs both benchmarks by hand, once scripts/test.sh has built everything:
# qvx_bench.exe (what a capture pass and a frame cost) and bench/follow.py
# (how far the view falls behind a sweeping pointer, how old its picture is,
# its frames and capture passes, CPU and memory).
# Each runs on a fresh private 3840 x 2160 desktop that ends with it.
# Usage: bench/run.sh [build-folder]   (default: build, as for scripts/test.sh)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
bin="$build/win/bin"
for exe in qvx_bench.exe qvx_fixture.exe qvx_inject.exe quorvix.exe; do
  [ -f "$bin/$exe" ] || { echo "bench: no $bin/$exe; run scripts/test.sh first"; exit 1; }
done

# Figures from a busy machine are not comparable: the load goes beside them.
echo "== qvx_bench, load average $(cut -d' ' -f1-3 /proc/loadavg)"
/usr/bin/python3 "$root/bench/desktop.py" "$bin" -- wine qvx_bench.exe
echo "== follow"
/usr/bin/python3 "$root/bench/follow.py" "$bin"
