#!/usr/bin/env bash
# Builds Quorvix and every test, and runs them all: the Windows build under
# Wine on a private virtual display, then the native sanitizer and fuzz build.
# Usage: scripts/test.sh [build-folder]   (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(mkdir -p "${1:-$root/build}" && cd "${1:-$root/build}" && pwd)
jobs=$(nproc)

"$root/scripts/setup.sh"

echo "== Windows build (MinGW-w64), tests under Wine"
cmake -S "$root" -B "$build/win" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVIX_WERROR=ON \
  -DQUORVIX_GLEW_SOURCE_DIR="$root/.deps/glew-2.2.0"
cmake --build "$build/win" -j "$jobs"

echo "== Native build (clang, AddressSanitizer, UBSan, libFuzzer)"
cmake -S "$root" -B "$build/native" -G Ninja \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCMAKE_BUILD_TYPE=Debug -DQUORVIX_WERROR=ON
cmake --build "$build/native" -j "$jobs"

status=0
(cd "$build/native" && ctest --output-on-failure) || status=1
# Wine tests share one screen and one pointer: run them one at a time.
(cd "$build/win" && ctest --output-on-failure) || status=1
exit $status
