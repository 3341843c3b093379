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
# Runs a command with one line of its standard error left out: a notice the
# tool prints at every run, which tells nobody anything; the rest is shown.
sans_la_ligne() {
    local ligne="$1"
    shift
    "$@" 2> >(grep -vxF -- "$ligne" >&2 || true)
}
(cd "$build" && sans_la_ligne "CPackDeb: - Generating dependency list" \
    cpack --config CPackConfig.cmake >/dev/null)
deb="$(ls -t "$build"/pavaccam_*.deb | head -n 1)"
echo "Paquet : $deb"
# CI builds as root, which lintian remarks on every time.
sans_la_ligne "running with root privileges is not recommended!" lintian --fail-on error "$deb"
