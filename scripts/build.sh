#!/usr/bin/env bash
# Configures and builds PavaCCAM in build/ (or $PAVACCAM_BUILD_DIR): every
# target, or only the targets given (scripts/build.sh pavaccam pavaccam-server).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${PAVACCAM_BUILD_DIR:-$root/build}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${PAVACCAM_BUILD_TYPE:-RelWithDebInfo}" >/dev/null
cmake --build "$build" -j"$(nproc)" ${1:+--target "$@"}
