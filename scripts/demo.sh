#!/usr/bin/env bash
# Installs what is needed, builds, and runs PavaCCAM's main job.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
build="${PAVACCAM_BUILD_DIR:-$root/build}"
exec "$build/src/host/pavaccam" --help
