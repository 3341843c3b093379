#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, address and undefined-behaviour
# checks) in build-fuzz/ (or $PAVACCAM_FUZZ_BUILD_DIR): the core library and
# the targets only. Then runs every target SECONDS seconds (default 60) from
# its seeds (fuzz/corpus/<target>/ and the test data) and prints a table of
# executions and findings. Exits 1 when a target found something: the input
# is kept in build-fuzz/trouvailles/<target>/, the command to replay it is
# printed. Each target also gives one line "FUZZ <target> <executions>
# <findings>" as it ends. Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
secondes="${1:-60}"
shift || true
if ! [[ "$secondes" =~ ^[0-9]+$ ]] || [ "$secondes" -eq 0 ]; then
    echo "fuzz.sh : durée invalide « $secondes » (un nombre de secondes par cible)" >&2
    exit 2
fi
cibles=("$@")
if [ ${#cibles[@]} -eq 0 ]; then
    # Every target of fuzz/: one fuzz_<target>.cpp each.
    for f in "$root"/fuzz/fuzz_*.cpp; do
        f="${f##*/fuzz_}"
        cibles+=("${f%.cpp}")
    done
fi

"$root/scripts/install-deps.sh" --fuzz
build="${PAVACCAM_FUZZ_BUILD_DIR:-$root/build-fuzz}"
PAVACCAM_BUILD_DIR="$build" \
    PAVACCAM_CMAKE_OPTIONS="-DCMAKE_CXX_COMPILER=clang++ -DPAVACCAM_BUILD_FUZZ=ON -DPAVACCAM_BUILD_TESTS=OFF -DPAVACCAM_BUILD_BENCH=OFF" \
    "$root/scripts/build.sh" "${cibles[@]/#/fuzz_}"

# Seeds beyond the hand-written ones: the files the tests and the
# demonstration read.
graines() {
    case "$1" in
    edition) echo "$root/data/demo/ccam-demo.csv" "$root"/tests/*/data/*.csv ;;
    installation) echo "$root/data/demo/modificateurs-demo.csv" ;;
    lexique) echo "$root/data/lexique-ccam.txt" ;;
    esac
}

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"
journaux="$build/journaux"
mkdir -p "$journaux"
lignes=()
echec=0
for c in "${cibles[@]}"; do
    corpus="$build/corpus/$c"
    trouvailles="$build/trouvailles/$c"
    mkdir -p "$corpus" "$trouvailles"
    # shellcheck disable=SC2046
    cp $(graines "$c") "$corpus/" 2>/dev/null || true
    dictionnaire=()
    [ -f "$root/fuzz/$c.dict" ] && dictionnaire=(-dict="$root/fuzz/$c.dict")
    debut="$journaux/$c.debut"
    touch "$debut"
    set +e
    "$build/fuzz/fuzz_$c" "$corpus" "$root/fuzz/corpus/$c" "${dictionnaire[@]}" \
        -max_total_time="$secondes" -max_len=16384 -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$trouvailles/" >"$journaux/$c.log" 2>&1
    code=$?
    set -e
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$journaux/$c.log" | tail -1)
    nouvelles=$(find "$trouvailles" -type f -newer "$debut")
    trouve=$(printf '%s' "$nouvelles" | grep -c . || true)
    if [ "$code" -ne 0 ] && [ "$trouve" -eq 0 ]; then
        trouve=1 # stopped without leaving its input: the log says why
    fi
    # One line per target for scripts (scripts/robustness.sh), then the table.
    echo "FUZZ $c ${executions:-?} $trouve"
    lignes+=("$(printf '%-14s %12s %12s' "$c" "${executions:-?}" "$trouve")")
    if [ "$trouve" -gt 0 ]; then
        echec=1
        echo "fuzz_$c a trouvé une faute (journal : $journaux/$c.log) :" >&2
        grep -E "propriété non tenue|ERROR:|runtime error" "$journaux/$c.log" | head -3 >&2 || true
        for f in $nouvelles; do
            echo "  rejouer : $build/fuzz/fuzz_$c $f" >&2
        done
    fi
done

echo
printf '%-14s %13s %12s\n' "cible" "exécutions" "trouvailles"
printf '%s\n' "${lignes[@]}"
exit "$echec"
