#!/usr/bin/env bash
# Builds an optimised tree in build-release/ and runs the benchmarks. They
# print their figures (and the targets they are measured against); they never
# fail on a duration. The tariff-engine figures need the real CCAM edition in
# ../shared/ccam-data/ccam-v81.csv and say so when it is absent.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
export PAVACCAM_BUILD_DIR="${PAVACCAM_BENCH_BUILD_DIR:-$root/build-release}"
PAVACCAM_BUILD_TYPE=Release "$root/scripts/build.sh"
export QT_QPA_PLATFORM=offscreen
echo "== Moteur de tarification, recherche et import (bench_srt) =="
"$PAVACCAM_BUILD_DIR/bench/srt/bench_srt" "$@"
echo
echo "== Serveur d'automatisation (bench_hote) =="
"$PAVACCAM_BUILD_DIR/bench/host/bench_hote" "$@"
echo
echo "== Coder un acte : historique et fenêtre d'acte (bench_cotation) =="
"$PAVACCAM_BUILD_DIR/bench/workspace/bench_cotation" "$@"
echo
echo "== Données de la pratique sur SQLite et PostgreSQL (bench_pratique) =="
if [ -x "$PAVACCAM_BUILD_DIR/bench/workspace/bench_pratique" ]; then
    "$PAVACCAM_BUILD_DIR/bench/workspace/bench_pratique"
else
    echo "bench_pratique n'est pas construit (il a besoin des tests : PAVACCAM_BUILD_TESTS=ON)."
fi
