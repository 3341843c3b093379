#!/usr/bin/env bash
# Installs what is needed, builds, and runs the whole test suite through CTest.
# Window tests run offscreen; bus tests run inside their own private session
# bus (each test sets this up itself, see tests/CMakeLists.txt).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
build="${PAVACCAM_BUILD_DIR:-$root/build}"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" "$@"
