#!/usr/bin/env bash
# Installs the Debian 12 packages PavaCCAM needs to build, run and be tested;
# with --package, also those that make and check the Debian package; with
# --sanitize, the compiler and runtimes of the sanitized tree (clang, whose
# sanitizer runtimes come in libclang-rt-dev); --fuzz is the same (libFuzzer
# comes in those runtimes too: scripts/fuzz.sh).
# Only what is missing is installed; safe to run again.
set -euo pipefail

PACKAGES=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libqt6sql6-sqlite libqt6dbus6 libqt6test6
    libbenchmark-dev libstemmer-dev
    dbus dbus-bin dbus-daemon
    xvfb xauth xdotool
    fonts-dejavu-core
    sqlite3
)
for option in "$@"; do
    case "$option" in
    --package) PACKAGES+=(dpkg-dev file lintian) ;;
    --sanitize | --fuzz) PACKAGES+=(clang libclang-rt-dev) ;;
    esac
done

missing=()
for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installation des paquets manquants : ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
