#!/usr/bin/env bash
# Configures and builds PavaCCAM in build/ (or $PAVACCAM_BUILD_DIR): every
# target, or only the targets given (scripts/build.sh pavaccam pavaccam-server).
# $PAVACCAM_BUILD_TYPE and $PAVACCAM_CMAKE_OPTIONS (blank-separated -D...)
# configure another tree (scripts/bench.sh, scripts/test.sh --sanitize).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${PAVACCAM_BUILD_DIR:-$root/build}"
# shellcheck disable=SC2086 # the options are meant to split at blanks
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${PAVACCAM_BUILD_TYPE:-RelWithDebInfo}" \
    ${PAVACCAM_CMAKE_OPTIONS:-} >/dev/null
cmake --build "$build" -j"$(nproc)" ${1:+--target "$@"}
