#!/usr/bin/env bash
# Installs the Debian 12 packages PavaCCAM needs to build, run and be tested;
# with --package, also those that make and check the Debian package; with
# --sanitize, the compiler and runtimes of the sanitized tree (clang, whose
# sanitizer runtimes come in libclang-rt-dev); --fuzz is the same (libFuzzer
# comes in those runtimes too: scripts/fuzz.sh).
# The PostgreSQL server (postgresql-15) is installed for the tests, which start
# a server of their own in a scratch folder: the cluster Debian creates and
# starts when it installs the package is stopped and removed again, so that
# nothing depends on a system server.
# Only what is missing is installed; safe to run again.
set -euo pipefail

PACKAGES=(
    cmake ninja-build make g++ pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libqt6sql6-sqlite libqt6dbus6 libqt6test6
    libqt6sql6-psql postgresql-15
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
cluster_avant=no
[ -d /etc/postgresql/15/main ] && cluster_avant=yes
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
if [ "$cluster_avant" = no ] && [ -d /etc/postgresql/15/main ] && command -v pg_dropcluster >/dev/null; then
    echo "Suppression du serveur PostgreSQL « 15/main » créé par l'installation (les tests lancent le leur)."
    $SUDO pg_dropcluster --stop 15 main
fi
