#!/usr/bin/env bash
# Sets up, builds and starts the editor; an optional image path is opened at start.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/tools/setup.sh"
"$root/tools/build.sh" tavlo
exec "$root/build/bin/tavlo" "$@"
