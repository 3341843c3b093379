#!/usr/bin/env bash
# Installs what is needed, builds, and runs PavaCCAM's main job.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
# Standard output carries the result string alone: a script that reads it
# gets nothing else, so installing and building report on standard error.
"$root/scripts/install-deps.sh" >&2
# Only the two programs it runs: the window appears without waiting for the
# tests and benchmarks.
"$root/scripts/build.sh" pavaccam pavaccam-server >&2
build="${PAVACCAM_BUILD_DIR:-$root/build}"
# The coding workspace on a demonstration data set (made on first run under
# ~/.local/share/pavaccam/demo); the coding string is printed when the window
# closes. The demonstration starts its own server on a bus of its own, which
# both end with it, whatever else runs on the user's bus.
exec "$build/src/host/pavaccam" demo "$@"
