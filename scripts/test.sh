#!/usr/bin/env bash
# Installs what is needed, builds, and runs the whole test suite through CTest.
# Window tests run offscreen; bus tests run inside their own private session
# bus (each test sets this up itself, see tests/CMakeLists.txt).
#
#   scripts/test.sh [--sanitize] [CTEST OPTIONS...]
#
# --sanitize runs the same suite built with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan/ (or $PAVACCAM_ASAN_BUILD_DIR); see
# docs/sanitizers.md.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
sanitize=
if [ "${1:-}" = "--sanitize" ]; then
    sanitize=1
    shift
fi
"$root/scripts/install-deps.sh" ${sanitize:+--sanitize}
export QT_QPA_PLATFORM=offscreen

if [ -z "$sanitize" ]; then
    "$root/scripts/build.sh"
    build="${PAVACCAM_BUILD_DIR:-$root/build}"
    ctest --test-dir "$build" --output-on-failure -j"$(nproc)" "$@"
    exit 0
fi

# Only what CTest runs, unoptimised (the sanitizers' own checks dominate the
# run time, and the tree builds several times faster), with Qt's and our
# assertions on. Built with clang: its undefined-behaviour checks share the
# address checker's runtime and so its log_path; GCC's separate runtime
# always writes them to standard error, where a server's findings are lost.
build="${PAVACCAM_ASAN_BUILD_DIR:-$root/build-asan}"
PAVACCAM_BUILD_DIR="$build" PAVACCAM_BUILD_TYPE=Debug \
    PAVACCAM_CMAKE_OPTIONS="-DCMAKE_CXX_COMPILER=clang++ -DPAVACCAM_SANITIZE=ON -DPAVACCAM_BUILD_BENCH=OFF" \
    "$root/scripts/build.sh" pavaccam_tests

# Every sanitized process of the run (the tests, and the servers and tools
# they start, directly or through the bus) writes its findings into one
# directory, as sanitizer.<pid>: a server that dies of a finding, or leaks
# when it ends, is caught even though no test reads its exit status. The
# options reach the children through the environment (dbus-run-session and
# the bus's activation keep it).
rapports="$build/sanitizers"
rm -rf "$rapports"
mkdir -p "$rapports"
commun="halt_on_error=1:print_stacktrace=1:log_path=$rapports/sanitizer"
export ASAN_OPTIONS="$commun:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1"
export UBSAN_OPTIONS="$commun"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"

statut=0
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" "$@" || statut=$?

# A server started by the bus ends a moment after its test's bus (it watches
# it every two seconds) and writes its leak report then: wait for the
# programs of this tree to be gone.
encore_actifs() {
    local exe
    for exe in /proc/[0-9]*/exe; do
        [[ "$(readlink "$exe" 2>/dev/null)" == "$build"/* ]] && return 0
    done
    return 1
}
for _ in $(seq 60); do
    encore_actifs || break
    sleep 0.5
done

shopt -s nullglob
trouves=("$rapports"/*)
if [ ${#trouves[@]} -gt 0 ]; then
    for f in "${trouves[@]}"; do
        echo "===== $(basename "$f") ====="
        cat "$f"
    done
    echo "Sanitizers : ${#trouves[@]} rapport(s) d'erreur ci-dessus (dans $rapports)." >&2
    exit 1
fi
if encore_actifs; then
    echo "Sanitizers : des programmes de $build tournent encore après les tests." >&2
    exit 1
fi
[ $statut -eq 0 ] && echo "Sanitizers : aucun signalement."
exit $statut
