#!/usr/bin/env bash
# Configures (once) and builds the given targets, or everything, into build/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${OBLIMO_BUILD_TYPE:-RelWithDebInfo}"
fi
cmake --build "$build" ${1:+--target "$@"}
