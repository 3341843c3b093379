#!/usr/bin/env bash
# Builds the Debian package pavaccam_<version>_amd64.deb in build/ (or
# $PAVACCAM_BUILD_DIR) from the normal build tree, then checks it with lintian,
# which must report no error. Only the installed programs and pages are built
# (a tree already built by scripts/test.sh is reused as it is).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh" --package
"$root/scripts/build.sh" pavaccam pavaccam-server pavaccam_documentation
build="${PAVACCAM_BUILD_DIR:-$root/build}"
(cd "$build" && cpack --config CPackConfig.cmake >/dev/null)
deb="$(ls -t "$build"/pavaccam_*.deb | head -n 1)"
echo "Paquet : $deb"
lintian --fail-on error "$deb"
