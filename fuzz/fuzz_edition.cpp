// The CCAM edition reader (both forms of the file, the CSV records under it)
// and the billing rules read from the edition's notes. Input: the bytes of an
// edition file.
#include "Fuzz.h"

#include "coding/Windows1252.h"
#include "srt/EditionCcam.h"
#include "srt/LecteurCsv.h"
#include "srt/ReglesFacturation.h"

#include <QRegularExpression>
#include <QSet>

using namespace pava;
using pava::fuzz::montre;

namespace {

constexpr qsizetype kColonnes = 11;

struct Enregistrement
{
    QStringList cellules;
    int ligne = 0;
    bool operator==(const Enregistrement&) const = default;
};

QList<Enregistrement> enregistrements(const QString& texte, QChar separateur)
{
    QList<Enregistrement> e;
    LecteurCsv csv(texte, separateur);
    QStringList cellules;
    while (csv.suivant(cellules))
        e.append({cellules, csv.ligne()});
    return e;
}

// Records written back as a spreadsheet writes them; a cell that holds
// either separator is quoted, so that the form of the file stays plain.
QString ecris(const QList<Enregistrement>& enregistrements, QChar separateur)
{
    QString texte;
    for (const Enregistrement& e : enregistrements) {
        QStringList cellules = e.cellules;
        for (QString& c : cellules) {
            if (c.contains(QLatin1Char(',')) || c.contains(QLatin1Char(';')) ||
                c.contains(QLatin1Char('"')) || c.contains(QLatin1Char('\n')) ||
                c.startsWith(QChar(0xFEFF)))
                c = QLatin1Char('"') +
                    QString(c).replace(QStringLiteral("\""), QStringLiteral("\"\"")) +
                    QLatin1Char('"');
        }
        texte += cellules.join(separateur) + QStringLiteral("\r\n");
    }
    return texte;
}

// The same edition as a French-language spreadsheet saves it: semicolons,
// decimal commas in the two tariff columns, the Windows code page when every
// character has a byte there (and the bytes cannot be mistaken for UTF-8).
QByteArray formeFrancaise(QList<Enregistrement> enregistrements)
{
    static const QRegularExpression nombre(QStringLiteral("^[0-9]+\\.[0-9]+$"));
    for (Enregistrement& e : enregistrements) {
        // The column headings are words: a spreadsheet leaves them as they are.
        if (e.cellules.value(0).trimmed() == u"Code" && e.cellules.value(2).trimmed() == u"Texte")
            continue;
        for (qsizetype i = 5; i <= 6 && i < e.cellules.size(); ++i)
            if (nombre.match(e.cellules[i]).hasMatch())
                e.cellules[i].replace(QLatin1Char('.'), QLatin1Char(','));
    }
    const QString texte = ecris(enregistrements, QLatin1Char(';'));
    const QByteArray page = versWindows1252(texte);
    if (depuisWindows1252(page) == texte && !fuzz::estUtf8(page))
        return page;
    return texte.toUtf8();
}

// Everything read from an edition but its form and the wording of its
// anomalies (which quote cells as written): what both forms must agree on.
QString resume(const EditionCcam& e)
{
    QStringList r;
    r << QString::number(e.version) << e.dateApplication.toString(Qt::ISODate) << e.titre
      << QString::number(e.demonstration) << e.grilles[0] << e.grilles[1] << e.notes;
    for (const ChapitreEdition& c : e.chapitres)
        r << QStringLiteral("chapitre %1 %2 %3 %4").arg(c.code, c.parent, c.titre).arg(c.ligne)
          << c.notes;
    for (const ActeEdition& a : e.actes) {
        r << QStringLiteral("acte %1 %2 %3 %4 %5%6%7 [%8] %9")
                 .arg(a.code, a.libelle, a.chapitre, a.nature)
                 .arg(a.remboursementSousConditions)
                 .arg(a.accordPrealable)
                 .arg(a.aListeModificateurs)
                 .arg(a.modificateurs)
                 .arg(a.ligne)
          << a.notes << a.actesAssocies;
        for (int l : a.lignesNotes)
            r << QString::number(l);
        for (const LigneEdition& l : a.lignes) {
            r << QStringLiteral("ligne %1 %2 %3 %4%5 %6 %7 %8")
                     .arg(l.activite)
                     .arg(l.phase)
                     .arg(l.libelle)
                     .arg(l.remboursementSousConditions)
                     .arg(l.accordPrealable)
                     .arg(l.exoneration, l.regroupement)
                     .arg(l.ligne);
            for (const ValeurTarif& t : l.tarifs)
                r << QStringLiteral("%1:%2").arg(int(t.etat)).arg(t.centimes);
        }
    }
    for (const ModificateurEdition& m : e.modificateurs) {
        r << QStringLiteral("modificateur %1 %2 %3").arg(m.code).arg(m.libelle).arg(m.ligne)
          << m.notes;
        for (int g = 0; g < kNombreGrilles; ++g)
            r << QStringLiteral("%1 %2 %3")
                     .arg(m.tauxConnu[g])
                     .arg(m.taux[g].pointsDeBase)
                     .arg(m.taux[g].forfaitCentimes);
        for (const auto& v : m.variantes)
            r << v[0] << v[1] << v[2];
    }
    for (const Anomalie& a : e.anomalies)
        if (a.bloquante)
            r << QStringLiteral("anomalie bloquante ligne %1").arg(a.ligne);
    return r.join(QLatin1Char('\n'));
}

QString anomalies(const EditionCcam& e)
{
    QStringList t;
    for (const Anomalie& a : e.anomalies)
        t << QStringLiteral("%1%2 %3").arg(a.ligne).arg(a.bloquante ? "!" : "").arg(a.message);
    return t.join(QLatin1Char('\n'));
}

void structure(const EditionCcam& e, int lignes)
{
    QSet<QString> chapitres;
    for (const ChapitreEdition& c : e.chapitres) {
        // Every heading is under its number less its last group, made before it.
        const qsizetype point = c.code.lastIndexOf(QLatin1Char('.'));
        VERIFIE(c.parent == (point < 0 ? QString() : c.code.left(point)), c.code);
        VERIFIE(c.parent.isEmpty() || chapitres.contains(c.parent), c.code);
        VERIFIE(!chapitres.contains(c.code), c.code);
        chapitres.insert(c.code);
    }
    QSet<QString> actes;
    for (const ActeEdition& a : e.actes) {
        VERIFIE(estCodeActe(a.code) && !actes.contains(a.code), montre(a.code));
        VERIFIE(a.chapitre.isEmpty() || chapitres.contains(a.chapitre), a.code);
        VERIFIE(a.ligne >= 1 && a.ligne <= lignes, a.code);
        for (const LigneEdition& l : a.lignes)
            VERIFIE(l.activite >= 1 && l.activite <= 5 && l.phase >= 0 && l.phase <= 9 &&
                        l.ligne >= a.ligne && l.ligne <= lignes,
                    QStringLiteral("%1 %2 %3").arg(a.code).arg(l.activite).arg(l.phase));
        actes.insert(a.code);
    }
    QSet<QChar> modificateurs;
    for (const ModificateurEdition& m : e.modificateurs) {
        VERIFIE(!modificateurs.contains(m.code), QString(m.code));
        modificateurs.insert(m.code);
    }
    for (const Anomalie& a : e.anomalies)
        VERIFIE(a.ligne >= 1 && a.ligne <= lignes && !a.message.isEmpty(), anomalies(e));

    // The billing rules pair acts of the edition, the smaller code first,
    // each pair once, in code order.
    const ReglesFacturation regles = lireReglesFacturation(e);
    for (qsizetype i = 0; i < regles.paires.size(); ++i) {
        const auto& [a, b] = regles.paires[i].codes;
        VERIFIE(a < b && actes.contains(a) && actes.contains(b), a + QLatin1Char(' ') + b);
        VERIFIE(i == 0 || regles.paires[i - 1].codes < regles.paires[i].codes,
                a + QLatin1Char(' ') + b);
        VERIFIE(!regles.paires[i].origine.de.isEmpty() &&
                    !regles.paires[i].origine.phrase.isEmpty(),
                a + QLatin1Char(' ') + b);
    }
    for (const Anomalie& a : regles.nonTraduites)
        VERIFIE(a.ligne >= 1 && a.ligne <= lignes && !a.bloquante, a.message);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille)
{
    const QByteArray octets = fuzz::octets(donnees, taille);
    EditionCcam edition;
    QString erreur;
    if (!lireEditionCcam(octets, edition, erreur)) {
        VERIFIE(!erreur.isEmpty(), QString());
        return 0;
    }
    // The text as the reader decoded it, in the form it says it found.
    const QString texte =
        edition.forme.windows1252 ? depuisWindows1252(octets) : QString::fromUtf8(octets);
    const int lignes = static_cast<int>(texte.count(QLatin1Char('\n'))) + 1;
    structure(edition, lignes);

    // The records under the reader are written back and read the same.
    const QChar separateur = edition.forme.francaise ? QLatin1Char(';') : QLatin1Char(',');
    const QList<Enregistrement> lus = enregistrements(texte, separateur);
    const QList<Enregistrement> relus = enregistrements(ecris(lus, separateur), separateur);
    VERIFIE(relus == lus, QString());

    // No row is read in part without a word: a row of fewer cells than the
    // edition's columns (after the title) is a blocking anomaly.
    bool titre = false;
    bool separees = false;
    int nonBlancs = 0;
    for (const Enregistrement& e : lus) {
        const bool blanc = std::all_of(e.cellules.begin(), e.cellules.end(),
                                       [](const QString& c) { return c.trimmed().isEmpty(); });
        if (blanc)
            continue;
        separees = separees || (++nonBlancs <= 3 && e.cellules.size() > 1);
        if (!titre) {
            titre = true;
            continue;
        }
        if (e.cellules.size() < kColonnes)
            VERIFIE(
                std::any_of(edition.anomalies.begin(), edition.anomalies.end(),
                            [&](const Anomalie& a) { return a.bloquante && a.ligne == e.ligne; }),
                QStringLiteral("ligne %1 : ").arg(e.ligne) + e.cellules.join(u'|'));
    }

    // Saved by a French-language spreadsheet, the same edition (when its
    // first rows have cells to separate: the form is recognised on them).
    if (!edition.forme.francaise && separees) {
        EditionCcam francaise;
        VERIFIE(lireEditionCcam(formeFrancaise(lus), francaise, erreur), erreur);
        VERIFIE(francaise.forme.francaise, QString());
        const QString attendu = resume(edition), obtenu = resume(francaise);
        VERIFIE(obtenu == attendu, attendu + QStringLiteral("\n-- forme française --\n") + obtenu);
    }
    return 0;
}
