#!/usr/bin/env bash
# Prints what PavaCCAM withstands, as a table: every reader of outside text
# fuzzed (executions and findings per target), faults injected and survived
# (saves and imports killed at random, full disk, read-only directory,
# damaged and locked databases), hostile input tried at the door (bus members
# and commands), and the bus under load (calls, worst latency, memory
# growth). It never fails on a duration; it exits non-zero when something
# broke (a finding, a mix of old and new files, a crash, an unanswered call).
#
#   scripts/robustness.sh [SECONDES_DE_FUZZING_PAR_CIBLE] [SECONDES_DE_CHARGE]
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
fuzz="${1:-60}"
charge="${2:-60}"
"$root/scripts/install-deps.sh" || exit 1
"$root/scripts/build.sh" || exit 1
build="${PAVACCAM_BUILD_DIR:-$root/build}"
export QT_QPA_PLATFORM=offscreen
statut=0
journal="$(mktemp -d)"
trap 'rm -rf "$journal"' EXIT

ligne() { printf '| %s | %s |\n' "$1" "$2"; }

# --- Fuzzing -----------------------------------------------------------------
"$root/scripts/fuzz.sh" "$fuzz" >"$journal/fuzz" 2>&1 || statut=1

# --- Faults and hostile input (the automatic tests that inflict them) --------
ctest --test-dir "$build" -R '^(tst_pannes|tst_entrees|tst_serveur_bus|tst_historique|tst_fichierscomplements|tst_fenetrescomplements)$' \
    -V >"$journal/tests" 2>&1 || statut=1
compte() { grep -c -E "$1" "$journal/tests" || true; }
echecs() { grep -c -E "FAIL!  : $1" "$journal/tests" || true; }

# --- Load --------------------------------------------------------------------
charge_bus="$build/bench/host/charge_bus"
if [ -x "$charge_bus" ]; then
    "$charge_bus" --clients 32 --duree "$charge" >"$journal/charge" 2>/dev/null || statut=1
fi

echo
echo "== Robustesse de PavaCCAM =="
echo
ligne "Essai" "Résultat"
ligne "---" "---"
grep -E '^FUZZ ' "$journal/fuzz" | while read -r _ cible executions trouvailles _; do
    ligne "Fuzzing : $cible (${fuzz} s)" "$executions exécutions, $trouvailles trouvaille(s)"
done
sed -n 's/.*PANNES catalogue : \(.*\)/\1/p' "$journal/tests" | while read -r r; do
    ligne "Sauvegarde du catalogue tuée au hasard (SIGKILL)" "$r"
done
sed -n 's/.*PANNES import : \(.*\)/\1/p' "$journal/tests" | while read -r r; do
    ligne "Import du référentiel tué au hasard (SIGKILL)" "$r"
done
ligne "Import : disque plein, répertoire en lecture seule" \
    "$(compte 'PASS   : TstPannes::importImpossible\(') survécu(s), $(echecs 'TstPannes::importImpossible') perte(s)"
ligne "Catalogue : disque plein, répertoire en lecture seule" \
    "$(compte 'PASS   : TstFenetresComplements::.*(lecture|plein)') survécu(s), $(echecs 'TstFenetresComplements') échec(s)"
ligne "Bases absentes, abîmées, verrouillées, en lecture seule" \
    "$(compte 'PASS   : TstPannes::basesDeLEspaceDeTravail\(') survécu(s), $(echecs 'TstPannes::basesDeLEspaceDeTravail') échec(s)"
ligne "Historique sans sa table, refusant un prix, verrouillé un moment" \
    "$(compte 'PASS   : TstHistorique::(echecs|baseVerrouillee)') survécu(s), $(echecs 'TstHistorique') échec(s)"
ligne "Valeurs hostiles sur chaque membre du bus" \
    "$(compte 'PASS   : TstEntrees::membresAvecDesValeursHostiles\(') valeur(s), $(echecs 'TstEntrees::membres') échec(s)"
ligne "Commandes mal formées" \
    "$(compte 'PASS   : TstEntrees::commandesMalFormees\(') commande(s), $(echecs 'TstEntrees::commandes') échec(s)"
ligne "Hôte qui quitte le bus, fenêtre ouverte" \
    "$(compte 'PASS   : TstServeurBus::oneCodingAtATimeOutlivingItsHost') survécu(s), $(echecs 'TstServeurBus::oneCodingAtATime') échec(s)"
if [ -s "$journal/charge" ]; then
    sed -n 's/^CHARGE //p' "$journal/charge" | tr ' ' '\n' | sed 's/^/    /' >"$journal/mesures"
    eval "$(sed -n 's/^ *\([a-z_]*\)=\([-0-9.]*\).*/\1=\2/p' "$journal/mesures")"
    ligne "Charge : ${clients:-?} hôtes × ${charge} s, fenêtre ouverte, client sourd" \
        "${appels:-?} appels, ${erreurs:-?} sans réponse, pire ${pire:-?} ms, mémoire ${croissance:-?} ko"
else
    ligne "Charge" "charge_bus absent : non mesurée"
fi
echo
[ -s "$journal/charge" ] && grep -v '^CHARGE ' "$journal/charge"
if [ "$statut" -ne 0 ]; then
    echo "Quelque chose a cédé : voir les essais ci-dessus." >&2
    grep -E 'FAIL!|trouvaille' "$journal/tests" "$journal/fuzz" 2>/dev/null | head -20 >&2
fi
exit "$statut"
