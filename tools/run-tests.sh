#!/usr/bin/env bash
# Sets up, builds and runs every test. Tests use their own temporary folders and
# settings; nothing outside them is touched.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/tools/setup.sh"
"$root/tools/build.sh"
cd "$root/build"
ctest --output-on-failure --timeout 900 -j "$(nproc)"
