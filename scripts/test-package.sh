#!/usr/bin/env bash
# Checks the Debian package made by scripts/package.sh (or the one given):
# unpacked into a temporary root, it holds exactly the expected files, its
# activation file names the installed server, and the unpacked programs work
# together over a private session bus: a data set made by the unpacked tool
# from the demonstration data it ships, then Init and one look-up answered by
# the unpacked server, which has no shared home here and says so.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${PAVACCAM_BUILD_DIR:-$root/build}"
deb="${1:-$(ls -t "$build"/pavaccam_*.deb | head -n 1)}"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
echec() {
    echo "test-package : $*" >&2
    exit 1
}

racine="$tmp/racine"
dpkg-deb -x "$deb" "$racine"
dpkg-deb -e "$deb" "$tmp/controle"

attendus="usr/bin/pavaccam
usr/libexec/pavaccam/pavaccam-server
usr/share/dbus-1/interfaces/org.pavaccam.PavaCCAM.Factory.xml
usr/share/dbus-1/interfaces/org.pavaccam.PavaCCAM.LectureCCAM.xml
usr/share/dbus-1/services/org.pavaccam.PavaCCAM.service
usr/share/doc/pavaccam/README.md.gz
usr/share/doc/pavaccam/changelog.gz
usr/share/doc/pavaccam/copyright
usr/share/man/man1/pavaccam-server.1.gz
usr/share/man/man1/pavaccam.1.gz
usr/share/pavaccam/demo/ccam-demo.csv
usr/share/pavaccam/demo/modificateurs-demo.csv
usr/share/pavaccam/lexique-ccam.txt
usr/share/pavaccam/reference-schema.sql"
trouves="$(cd "$racine" && find . -type f -printf '%P\n' | LC_ALL=C sort)"
if [ "$trouves" != "$(LC_ALL=C sort <<<"$attendus")" ]; then
    diff <(LC_ALL=C sort <<<"$attendus") <(echo "$trouves") >&2 || true
    echec "le paquet ne contient pas les fichiers attendus (attendus <, trouvés >)."
fi
service="$racine/usr/share/dbus-1/services/org.pavaccam.PavaCCAM.service"
grep -qx "Exec=/usr/libexec/pavaccam/pavaccam-server" "$service" ||
    echec "le fichier d'activation ne désigne pas /usr/libexec/pavaccam/pavaccam-server."
dpkg-deb -f "$deb" Depends | grep -q "libqt6core6" ||
    echec "les dépendances ne viennent pas des programmes."
grep -q "/var/lib/pavaccam" "$tmp/controle/postinst" ||
    echec "le script postinst ne crée pas /var/lib/pavaccam."
grep -q "install -d -o root -g pavaccam -m 2770 /var/lib/pavaccam" "$tmp/controle/postinst" ||
    echec "le script postinst ne ferme pas /var/lib/pavaccam aux autres comptes (mode 2770)."
version="$("$racine/usr/bin/pavaccam" --version)"
[ "$version" = "pavaccam $(dpkg-deb -f "$deb" Version)" ] ||
    echec "« pavaccam --version » répond « $version »."

# A private bus that starts the unpacked server: its activation file with the
# temporary root in front of the server's path.
mkdir -p "$tmp/services" "$tmp/etc" "$tmp/maison"
sed "s|^Exec=/|Exec=$racine/|" "$service" >"$tmp/services/org.pavaccam.PavaCCAM.service"
sed "s|@PAVACCAM_TEST_SERVICE_DIR@|$tmp/services|" "$root/tests/support/session.conf.in" \
    >"$tmp/session.conf"
"$racine/usr/bin/pavaccam" init --data "$tmp/jeu/data" --rsc "$tmp/jeu/rsc" \
    --srt "$tmp/jeu/srt" --profil "$tmp/etc" >/dev/null
# The installed lexicon went into the reference: "ecg" is the edition's
# "Électrocardiographie".
"$racine/usr/bin/pavaccam" reference search ecg --srt "$tmp/jeu/srt" 2>&1 | grep -q "^DEQP003" ||
    echec "la recherche ne lit pas le lexique installé (« ecg » ne trouve pas DEQP003)."
export PATH="$racine/usr/bin:$PATH" HOME="$tmp/maison" PAVACCAM_SYSCONFDIR="$tmp/etc"
unset PAVACCAM_HOME XDG_DATA_HOME DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
dbus-run-session --config-file="$tmp/session.conf" -- sh -c "
    pavaccam call Init 10000001 13 '$tmp/jeu/data' '$tmp/jeu/data' &&
    pavaccam call GetSRTPrixUnitaire DEQP003" >"$tmp/sortie" 2>"$tmp/erreurs" || {
    cat "$tmp/erreurs" >&2
    echec "le serveur installé n'a pas répondu."
}
[ "$(cat "$tmp/sortie")" = "$(printf 'True\n15.50')" ] || {
    cat "$tmp/sortie" "$tmp/erreurs" >&2
    echec "réponses inattendues du serveur installé."
}
if [ ! -e /var/lib/pavaccam ]; then
    grep -q "pavaccam-server : le répertoire partagé /var/lib/pavaccam n'existe pas" \
        "$tmp/erreurs" && [ -d "$tmp/maison/.local/share/pavaccam" ] || {
        cat "$tmp/erreurs" >&2
        echec "sans répertoire partagé, le serveur ne s'est pas replié sur ~/.local/share/pavaccam."
    }
fi
echo "Paquet vérifié : $deb"
