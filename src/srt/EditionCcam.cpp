#include "srt/EditionCcam.h"

#include "coding/Windows1252.h"
#include "srt/LecteurCsv.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>

namespace pava {

namespace {

// Columns of the spreadsheet edition.
enum Colonne
{
    kCode = 0,
    kTexte = 2,
    kActivite = 3,
    kPhase = 4,
    kTarif1 = 5,
    kTarif2 = 6,
    kRembSousConditions = 7,
    kAccordPrealable = 8,
    kExoneration = 9,
    kRegroupement = 10,
    kNombreColonnes = 11,
};

const QString kNonPrisEnCharge = QStringLiteral("Non pris en charge");

// "1", "01.01", "01.01.01.01": one or two digits, then groups of ".dd".
bool estCodeChapitre(QStringView t)
{
    qsizetype i = 0;
    while (i < t.size() && i < 2 && estChiffre(t[i]))
        ++i;
    if (i == 0)
        return false;
    while (i < t.size()) {
        if (i + 3 > t.size() || t[i] != QLatin1Char('.') || !estChiffre(t[i + 1]) ||
            !estChiffre(t[i + 2]))
            return false;
        i += 3;
    }
    return true;
}

// Chapters are numbered "01.01.01" but the top level is written "1": the
// reference keeps two digits everywhere so that codes sort and nest.
QString normaliserChapitre(const QString& code)
{
    return code.contains(QLatin1Char('.')) || code.size() == 2 ? code : QStringLiteral("0") + code;
}

QString parentChapitre(const QString& code)
{
    const qsizetype point = code.lastIndexOf(QLatin1Char('.'));
    return point < 0 ? QString() : code.left(point);
}

// What kind of act the edition's chapter makes of it; the spreadsheet has no
// column for it.
QString natureSelonChapitre(const QString& chapitre)
{
    if (chapitre.startsWith(QLatin1String("18.01")))
        return QStringLiteral("anesthésie complémentaire");
    if (chapitre.startsWith(QLatin1String("18.02")))
        return QStringLiteral("geste complémentaire");
    if (chapitre.startsWith(QLatin1String("19.02")))
        return QStringLiteral("supplément");
    return QStringLiteral("acte");
}

QString simplifierEntete(QString t)
{
    t = t.simplified();
    if (t.startsWith(QLatin1String("Tarif "), Qt::CaseInsensitive))
        t.remove(0, 6);
    if (t.endsWith(QLatin1String("(en euro)"), Qt::CaseInsensitive))
        t.chop(9);
    return t.trimmed();
}

class Lecture
{
public:
    explicit Lecture(EditionCcam& edition) : m_ed(edition) {}

    bool titre(const QStringList& c, int ligne, QString& erreur);
    void enregistrement(const QStringList& cellules, int ligne);
    void terminer();

private:
    void anomalie(int ligne, bool bloquante, const QString& message)
    {
        m_ed.anomalies.append({ligne, bloquante, message});
    }
    void chapitre(const QString& code, const QString& titre, int ligne);
    void ajouterChapitre(const QString& code, const QString& titre, int ligne);
    void acte(const QStringList& c, int ligne);
    void modificateur(const QStringList& c, int ligne);
    void listeModificateurs(const QString& texte, int ligne);
    void suite(const QStringList& c, int ligne, int ligneTexte);
    bool lireLigne(const QStringList& c, int ligne, LigneEdition& l);
    bool montant(const QString& cellule, std::int64_t& centimes) const;
    bool lireTarif(const QString& cellule, int grille, int ligne, ValeurTarif& v);
    void ajouterLigne(LigneEdition l);
    bool listeActes(const QString& texte, int ligne);
    void note(const QString& texte, int ligneTexte);

    EditionCcam& m_ed;
    QHash<QString, int> m_indexActes;
    QHash<QString, int> m_indexChapitres;
    QHash<QChar, int> m_indexModificateurs;
    int m_acte = -1;
    int m_chapitre = -1;
    int m_modificateur = -1;
    bool m_acteIgnore = false;
    QString m_chapitreModificateurs; // code of the modifier chapter while inside it
    QList<int> m_zerosSansActivite;
};

// The physical line on which the text cell of a record starting on ligne
// begins: cells before it, or blank lines at its top, may span lines, and the
// billing rules quote the line their words are on.
int ligneDuTexte(const QStringList& cellules, int ligne)
{
    for (qsizetype i = 0; i <= kTexte && i < cellules.size(); ++i) {
        const QString& cel = cellules[i];
        qsizetype fin = cel.size();
        if (i == kTexte) {
            fin = 0;
            while (fin < cel.size() && cel[fin].isSpace())
                ++fin;
        }
        ligne += static_cast<int>(QStringView(cel).left(fin).count(QLatin1Char('\n')));
    }
    return ligne;
}

bool Lecture::titre(const QStringList& c, int ligne, QString& erreur)
{
    static const QRegularExpression re(
        QStringLiteral(
            "version\\s+(\\d+).*?applicable\\s+(?:le\\s+|au\\s+)?(\\d{1,2}/\\d{1,2}/\\d{4})"),
        QRegularExpression::CaseInsensitiveOption);
    const QString t = c.value(kCode).trimmed();
    const auto m = re.match(t);
    const QDate date =
        m.hasMatch() ? QDate::fromString(m.captured(2), QStringLiteral("d/M/yyyy")) : QDate();
    if (!date.isValid()) {
        erreur = QStringLiteral("ligne %1 : le titre de l'édition est illisible : « %2 » ; il doit "
                                "donner la version et sa date, comme « CNAM - CCAM version 81 "
                                "applicable 01/01/2026 »")
                     .arg(ligne)
                     .arg(t.left(120));
        return false;
    }
    m_ed.titre = t;
    m_ed.version = m.captured(1).toInt();
    m_ed.dateApplication = date;
    m_ed.demonstration = t.contains(QLatin1String("monstration"), Qt::CaseInsensitive);
    return true;
}

void Lecture::enregistrement(const QStringList& cellules, int ligne)
{
    bool vide = true;
    for (const QString& cel : cellules)
        vide = vide && cel.trimmed().isEmpty();
    if (vide)
        return;
    if (cellules.size() < kNombreColonnes) {
        anomalie(ligne, true,
                 QStringLiteral("%1 colonnes au lieu de %2 (ligne tronquée ?) : ligne ignorée")
                     .arg(cellules.size())
                     .arg(int(kNombreColonnes)));
        return;
    }
    for (qsizetype i = kNombreColonnes; i < cellules.size(); ++i) {
        if (!cellules[i].trimmed().isEmpty()) {
            anomalie(ligne, false,
                     QStringLiteral("cellule au-delà de la colonne %1 ignorée : « %2 »")
                         .arg(int(kNombreColonnes))
                         .arg(cellules[i].trimmed().left(60)));
        }
    }
    QStringList c = cellules.mid(0, kNombreColonnes);
    for (QString& cel : c)
        cel = cel.trimmed();
    const QString& a = c[kCode];

    if (a == QLatin1String("Code") && c[kTexte] == QLatin1String("Texte")) {
        m_ed.grilles[0] = simplifierEntete(c[kTarif1]);
        m_ed.grilles[1] = simplifierEntete(c[kTarif2]);
        return;
    }
    if (!m_chapitreModificateurs.isEmpty() && a.size() == 1 && a[0].isLetterOrNumber()) {
        modificateur(c, ligne);
        return;
    }
    if (estCodeChapitre(a)) {
        chapitre(normaliserChapitre(a), c[kTexte], ligne);
        return;
    }
    if (estCodeActe(a)) {
        acte(c, ligne);
        return;
    }
    if (m_acteIgnore)
        return;
    if (a.startsWith(QLatin1Char('['))) {
        listeModificateurs(a, ligne);
        suite(c, ligne, ligneDuTexte(cellules, ligne));
        return;
    }
    if (a.isEmpty()) {
        suite(c, ligne, ligneDuTexte(cellules, ligne));
        return;
    }
    anomalie(ligne, true,
             QStringLiteral("ligne de nature inconnue : la première cellule « %1 » n'est ni un "
                            "code d'acte, ni un chapitre, ni une liste de modificateurs")
                 .arg(a.left(60)));
}

void Lecture::chapitre(const QString& code, const QString& titre, int ligne)
{
    m_acte = -1;
    m_modificateur = -1;
    m_acteIgnore = false;
    if (!m_chapitreModificateurs.isEmpty() && code != m_chapitreModificateurs &&
        !code.startsWith(m_chapitreModificateurs + QLatin1Char('.')))
        m_chapitreModificateurs.clear();
    if (titre.compare(QLatin1String("MODIFICATEURS"), Qt::CaseInsensitive) == 0)
        m_chapitreModificateurs = code;
    if (const auto it = m_indexChapitres.constFind(code); it != m_indexChapitres.cend()) {
        anomalie(ligne, false,
                 QStringLiteral("chapitre %1 déjà présent ligne %2 : ses notes suivent le premier")
                     .arg(code)
                     .arg(m_ed.chapitres[*it].ligne));
        m_chapitre = *it;
        return;
    }
    ajouterChapitre(code, titre, ligne);
    m_chapitre = static_cast<int>(m_ed.chapitres.size() - 1);
}

// A heading goes under its parent. The edition sometimes lacks a level (v81
// has no 08.03.02 above 08.03.02.01 to 08.03.02.11): the missing heading is
// made from its number alone, so that the tree keeps its shape.
void Lecture::ajouterChapitre(const QString& code, const QString& titre, int ligne)
{
    const QString parent = parentChapitre(code);
    if (!parent.isEmpty() && !m_indexChapitres.contains(parent)) {
        ajouterChapitre(parent, QString(), ligne);
        const QString grandParent = parentChapitre(parent);
        anomalie(ligne, false,
                 QStringLiteral("chapitre %1 absent de l'édition : créé d'après son numéro, %2")
                     .arg(parent, grandParent.isEmpty()
                                      ? QStringLiteral("au premier niveau")
                                      : QStringLiteral("sous %1").arg(grandParent)));
    }
    m_ed.chapitres.append({code, parent, titre, {}, {}, ligne});
    m_indexChapitres.insert(code, static_cast<int>(m_ed.chapitres.size() - 1));
}

void Lecture::acte(const QStringList& c, int ligne)
{
    m_modificateur = -1;
    const QString& code = c[kCode];
    if (const auto it = m_indexActes.constFind(code); it != m_indexActes.cend()) {
        anomalie(ligne, true,
                 QStringLiteral("acte %1 déjà présent ligne %2 : cette ligne et celles qui la "
                                "suivent jusqu'au prochain acte sont ignorées")
                     .arg(code)
                     .arg(m_ed.actes[*it].ligne));
        m_acte = -1;
        m_acteIgnore = true;
        return;
    }
    m_acteIgnore = false;
    ActeEdition a;
    a.code = code;
    a.libelle = c[kTexte];
    a.chapitre = m_chapitre >= 0 ? m_ed.chapitres[m_chapitre].code : QString();
    a.nature = natureSelonChapitre(a.chapitre);
    a.remboursementSousConditions = c[kRembSousConditions] == QLatin1String("RC");
    a.accordPrealable = c[kAccordPrealable] == QLatin1String("AP");
    a.ligne = ligne;
    if (a.libelle.isEmpty())
        anomalie(ligne, true, QStringLiteral("acte %1 sans libellé").arg(code));
    m_ed.actes.append(a);
    m_acte = static_cast<int>(m_ed.actes.size() - 1);
    m_indexActes.insert(code, m_acte);

    if (!c[kActivite].isEmpty()) {
        LigneEdition l;
        if (lireLigne(c, ligne, l))
            ajouterLigne(l);
    } else if (!c[kPhase].isEmpty() || !c[kTarif1].isEmpty() || !c[kTarif2].isEmpty()) {
        anomalie(ligne, true,
                 QStringLiteral("acte %1 : phase ou tarif sans activité, ignorés").arg(code));
    }
}

bool Lecture::montant(const QString& cellule, std::int64_t& centimes) const
{
    // A French spreadsheet writes "26,60"; a cell it kept as text may still
    // read "26.60".
    return lireMontant(cellule, centimes) ||
           (m_ed.forme.francaise && lireMontant(cellule, centimes, QLatin1Char(',')));
}

bool Lecture::lireTarif(const QString& cellule, int grille, int ligne, ValeurTarif& v)
{
    std::int64_t centimes = 0;
    if (cellule.compare(kNonPrisEnCharge, Qt::CaseInsensitive) == 0) {
        v = {ValeurTarif::Etat::NonPrisEnCharge, 0};
        return true;
    }
    if (montant(cellule, centimes)) {
        v = {ValeurTarif::Etat::Tarif, centimes};
        return true;
    }
    if (cellule.isEmpty()) {
        anomalie(ligne, true, QStringLiteral("tarif de la grille %1 manquant").arg(grille));
        return false;
    }
    if (lireMontantTolerant(cellule, centimes)) {
        anomalie(ligne, false,
                 QStringLiteral("tarif de la grille %1 « %2 » lu %3")
                     .arg(grille)
                     .arg(cellule, texteEuros(centimes)));
        v = {ValeurTarif::Etat::Tarif, centimes};
        return true;
    }
    anomalie(ligne, true,
             QStringLiteral("tarif de la grille %1 illisible : « %2 »").arg(grille).arg(cellule));
    return false;
}

bool Lecture::lireLigne(const QStringList& c, int ligne, LigneEdition& l)
{
    const QString& act = c[kActivite];
    const QString& ph = c[kPhase];
    if (act.size() != 1 || act[0] < QLatin1Char('1') || act[0] > QLatin1Char('5')) {
        anomalie(ligne, true, QStringLiteral("activité illisible : « %1 »").arg(act));
        return false;
    }
    if (ph.size() != 1 || !estChiffre(ph[0])) {
        anomalie(ligne, true,
                 ph.isEmpty() ? QStringLiteral("phase manquante")
                              : QStringLiteral("phase illisible : « %1 »").arg(ph));
        return false;
    }
    l.activite = act[0].unicode() - u'0';
    l.phase = ph[0].unicode() - u'0';
    l.libelle = c[kTexte];
    l.remboursementSousConditions = c[kRembSousConditions] == QLatin1String("RC");
    l.accordPrealable = c[kAccordPrealable] == QLatin1String("AP");
    l.exoneration = c[kExoneration];
    l.exoneration.remove(QLatin1Char(' '));
    l.regroupement = c[kRegroupement];
    l.ligne = ligne;
    // A line with one unreadable tariff keeps the other grid: the anomaly
    // blocks the import unless it is forced, and then only that cell is missing.
    const bool t1 = lireTarif(c[kTarif1], kGrilleSecteur1, ligne, l.tarifs[0]);
    const bool t2 = lireTarif(c[kTarif2], kGrilleHorsSecteur1, ligne, l.tarifs[1]);
    return t1 || t2;
}

void Lecture::ajouterLigne(LigneEdition l)
{
    ActeEdition& a = m_ed.actes[m_acte];
    for (const LigneEdition& x : a.lignes) {
        if (x.activite != l.activite || x.phase != l.phase)
            continue;
        // Given twice with the same tariffs, the price is not in doubt; the
        // second line is reported (it may be another activity mistyped).
        const bool memesTarifs = x.tarifs == l.tarifs;
        QString message = QStringLiteral("%1 : activité %2 phase %3 déjà donnée ligne %4")
                              .arg(a.code)
                              .arg(l.activite)
                              .arg(l.phase)
                              .arg(x.ligne);
        if (!memesTarifs)
            message += QStringLiteral(" avec d'autres tarifs ; la première est gardée");
        else if (x.libelle != l.libelle || x.regroupement != l.regroupement)
            message += QStringLiteral(" avec les mêmes tarifs ; cette répétition (« %1 », %2) "
                                      "est ignorée")
                           .arg(l.libelle.left(40), l.regroupement);
        else
            message += QStringLiteral(" à l'identique ; répétition ignorée");
        anomalie(l.ligne, !memesTarifs, message);
        return;
    }
    a.lignes.append(std::move(l));
}

void Lecture::listeModificateurs(const QString& texte, int ligne)
{
    if (m_acte < 0) {
        anomalie(ligne, true,
                 QStringLiteral("liste de modificateurs « %1 » sans acte au-dessus").arg(texte));
        return;
    }
    if (!texte.endsWith(QLatin1Char(']'))) {
        anomalie(ligne, true,
                 QStringLiteral("liste de modificateurs illisible : « %1 »").arg(texte.left(60)));
        return;
    }
    QString lettres;
    const QString interieur = texte.mid(1, texte.size() - 2);
    for (const QString& morceau : interieur.split(QLatin1Char(','))) {
        const QString m = morceau.trimmed().toUpper();
        if (m.isEmpty() && interieur.trimmed().isEmpty())
            continue;
        if (m.size() != 1 || !m[0].isLetterOrNumber() || m[0].unicode() > 127) {
            anomalie(ligne, true,
                     QStringLiteral("modificateur illisible « %1 » dans « %2 »")
                         .arg(morceau.trimmed(), texte));
            continue;
        }
        if (!lettres.contains(m[0]))
            lettres.append(m[0]);
    }
    ActeEdition& a = m_ed.actes[m_acte];
    if (a.aListeModificateurs) {
        anomalie(ligne, false,
                 QStringLiteral("%1 : seconde liste de modificateurs, réunie à la première")
                     .arg(a.code));
        for (QChar l : lettres) {
            if (!a.modificateurs.contains(l))
                a.modificateurs.append(l);
        }
        return;
    }
    a.aListeModificateurs = true;
    a.modificateurs = lettres;
}

bool Lecture::listeActes(const QString& texte, int ligne)
{
    if (!texte.startsWith(QLatin1Char('(')) || !texte.endsWith(QLatin1Char(')')))
        return false;
    QStringList codes;
    QStringList illisibles;
    for (const QString& morceau : texte.mid(1, texte.size() - 2).split(QLatin1Char(','))) {
        const QString m = morceau.trimmed();
        if (estCodeActe(m))
            codes.append(m);
        else if (!m.isEmpty())
            illisibles.append(m);
    }
    // "(Forfait Sécurité Dermatologie)" is a note, not a list of acts.
    if (codes.isEmpty())
        return false;
    for (const QString& m : illisibles) {
        anomalie(ligne, false,
                 QStringLiteral("code « %1 » illisible dans la liste des actes associés, ignoré")
                     .arg(m.left(40)));
    }
    if (m_acte < 0) {
        anomalie(ligne, false,
                 QStringLiteral("liste d'actes associés sans acte au-dessus, ignorée"));
        return true;
    }
    for (const QString& code : codes) {
        if (!m_ed.actes[m_acte].actesAssocies.contains(code))
            m_ed.actes[m_acte].actesAssocies.append(code);
    }
    return true;
}

void Lecture::note(const QString& texte, int ligneTexte)
{
    if (m_modificateur >= 0) {
        m_ed.modificateurs[m_modificateur].notes.append(texte);
    } else if (m_acte >= 0) {
        m_ed.actes[m_acte].notes.append(texte);
        m_ed.actes[m_acte].lignesNotes.append(ligneTexte);
    } else if (m_chapitre >= 0) {
        m_ed.chapitres[m_chapitre].notes.append(texte);
        m_ed.chapitres[m_chapitre].lignesNotes.append(ligneTexte);
    } else {
        m_ed.notes.append(texte);
    }
}

// Rows below an act, a chapter or a modifier whose first cell is empty (or
// holds the modifier list already taken): activity lines, lists of associated
// acts, notes, and in the modifier chapter the amounts of specialities.
void Lecture::suite(const QStringList& c, int ligne, int ligneTexte)
{
    const QString& texte = c[kTexte];
    if (!c[kActivite].isEmpty()) {
        if (m_acte < 0) {
            anomalie(
                ligne, true,
                QStringLiteral("ligne d'activité « %1 » sans acte au-dessus").arg(texte.left(60)));
            return;
        }
        LigneEdition l;
        if (lireLigne(c, ligne, l))
            ajouterLigne(l);
        return;
    }
    if (!c[kPhase].isEmpty()) {
        anomalie(ligne, true, QStringLiteral("phase sans activité : « %1 »").arg(c[kPhase]));
        return;
    }
    const bool tarifs = !c[kTarif1].isEmpty() || !c[kTarif2].isEmpty();
    if (tarifs && m_modificateur >= 0) {
        // Kept as read, but an amount reads the same in both forms of the file.
        const auto cellule = [&](const QString& t) {
            std::int64_t centimes = 0;
            return montant(t, centimes) ? QString(t).replace(QLatin1Char(','), QLatin1Char('.'))
                                        : t;
        };
        m_ed.modificateurs[m_modificateur].variantes.append(
            {texte, cellule(c[kTarif1]), cellule(c[kTarif2])});
        return;
    }
    if (tarifs) {
        const auto zero = [&](const QString& t) {
            std::int64_t centimes = 0;
            return t.isEmpty() || (t.size() == 4 && montant(t, centimes) && centimes == 0);
        };
        if (zero(c[kTarif1]) && zero(c[kTarif2]))
            m_zerosSansActivite.append(ligne);
        else
            anomalie(ligne, true,
                     QStringLiteral("tarif sans activité : « %1 » / « %2 »")
                         .arg(c[kTarif1], c[kTarif2]));
    }
    if (texte.isEmpty() || listeActes(texte, ligne))
        return;
    note(texte, ligneTexte);
}

void Lecture::modificateur(const QStringList& c, int ligne)
{
    m_acte = -1;
    const QChar code = c[kCode][0].toUpper();
    if (const auto it = m_indexModificateurs.constFind(code); it != m_indexModificateurs.cend()) {
        anomalie(ligne, true,
                 QStringLiteral("modificateur %1 déjà décrit ligne %2 ; la première description "
                                "est gardée")
                     .arg(code)
                     .arg(m_ed.modificateurs[*it].ligne));
        m_modificateur = -1;
        return;
    }
    ModificateurEdition m;
    m.code = code;
    m.libelle = c[kTexte];
    m.ligne = ligne;
    for (int g = 0; g < kNombreGrilles; ++g) {
        const QString& cel = c[kTarif1 + g];
        if (cel.isEmpty())
            continue;
        bool fraction = false;
        if (!lireTauxModificateur(cel, m.taux[g], &fraction)) {
            anomalie(ligne, true,
                     QStringLiteral("taux du modificateur %1 (grille %2) illisible : « %3 »")
                         .arg(code)
                         .arg(g + 1)
                         .arg(cel));
            continue;
        }
        m.tauxConnu[g] = true;
        if (fraction) {
            anomalie(ligne, false,
                     QStringLiteral("taux du modificateur %1 (grille %2) « %3 » lu %4")
                         .arg(code)
                         .arg(g + 1)
                         .arg(cel, texteTaux(m.taux[g])));
        }
    }
    m_ed.modificateurs.append(m);
    m_modificateur = static_cast<int>(m_ed.modificateurs.size() - 1);
    m_indexModificateurs.insert(code, m_modificateur);
}

void Lecture::terminer()
{
    for (const ActeEdition& a : m_ed.actes) {
        if (a.lignes.isEmpty()) {
            anomalie(a.ligne, true,
                     QStringLiteral("acte %1 sans aucune ligne d'activité ni tarif").arg(a.code));
        }
    }
    if (!m_zerosSansActivite.isEmpty()) {
        QStringList lignes;
        for (int l : m_zerosSansActivite)
            lignes.append(QString::number(l));
        anomalie(m_zerosSansActivite.first(), false,
                 QStringLiteral("tarif 0.00 sans activité sur une ligne de note, sans effet "
                                "(lignes %1)")
                     .arg(lignes.join(QStringLiteral(", "))));
    }
}

// The separator of the file's cells: of "," and ";", the one its first
// non-empty lines use more outside quotes (the title row of either form ends
// with ten of them). Null when they use neither; ligne is then the first line
// that could not be read.
QChar separateurDesCellules(QStringView texte, int& ligne)
{
    int virgules = 0;
    int pointsVirgules = 0;
    int lignesVues = 0;
    int numero = 1;
    bool guillemets = false;
    bool blanche = true;
    ligne = 0;
    for (qsizetype i = 0; i < texte.size() && lignesVues < 3; ++i) {
        const QChar c = texte[i];
        if (c == QLatin1Char('\n')) {
            ++numero;
            if (!guillemets) {
                lignesVues += blanche ? 0 : 1;
                blanche = true;
            }
            continue;
        }
        if (c == QLatin1Char('"'))
            guillemets = !guillemets;
        else if (!guillemets && c == QLatin1Char(','))
            ++virgules;
        else if (!guillemets && c == QLatin1Char(';'))
            ++pointsVirgules;
        if (blanche && !c.isSpace() && c != QChar(0xFEFF)) {
            blanche = false;
            ligne = ligne == 0 ? numero : ligne;
        }
    }
    ligne = ligne == 0 ? 1 : ligne;
    if (virgules == 0 && pointsVirgules == 0)
        return {};
    return pointsVirgules > virgules ? QLatin1Char(';') : QLatin1Char(',');
}

} // namespace

int EditionCcam::nombreLignesTarif() const
{
    int n = 0;
    for (const ActeEdition& a : actes)
        n += static_cast<int>(a.lignes.size());
    return n;
}

int EditionCcam::nombreTarifs() const
{
    int n = 0;
    for (const ActeEdition& a : actes) {
        for (const LigneEdition& l : a.lignes) {
            for (const ValeurTarif& v : l.tarifs)
                n += v.etat != ValeurTarif::Etat::Supprime ? 1 : 0;
        }
    }
    return n;
}

int EditionCcam::nombreListesModificateurs() const
{
    int n = 0;
    for (const ActeEdition& a : actes)
        n += a.aListeModificateurs ? 1 : 0;
    return n;
}

int EditionCcam::nombreAnomaliesBloquantes() const
{
    int n = 0;
    for (const Anomalie& a : anomalies)
        n += a.bloquante ? 1 : 0;
    return n;
}

QString FormeEdition::description() const
{
    return (francaise ? QStringLiteral("CSV de tableur en français (points-virgules, virgules "
                                       "décimales)")
                      : QStringLiteral("CSV à virgules")) +
           (windows1252 ? QStringLiteral(", en Windows-1252") : QStringLiteral(", en UTF-8"));
}

bool lireEditionCcam(const QByteArray& octets, EditionCcam& edition, QString& erreur,
                     const std::function<void(int)>& progression)
{
    edition = EditionCcam{};
    edition.grilles = {QStringLiteral("Secteur 1 / adhérent OPTAM/OPTAM-ACO"),
                       QStringLiteral("Hors secteur 1 / hors adhérent OPTAM/OPTAM-ACO")};
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString texte = utf8.decode(octets);
    if (utf8.hasError()) {
        texte = depuisWindows1252(octets);
        edition.forme.windows1252 = true;
    }
    QStringView corps(texte);
    if (corps.startsWith(QChar(0xFEFF)))
        corps = corps.mid(1);
    if (corps.trimmed().isEmpty()) {
        erreur = QStringLiteral("le fichier est vide");
        return false;
    }
    int ligneSansSeparateur = 0;
    const QChar separateur = separateurDesCellules(texte, ligneSansSeparateur);
    if (separateur.isNull()) {
        erreur = QStringLiteral("ligne %1 : ni virgules ni points-virgules entre les cellules : ce "
                                "n'est ni l'édition de la CCAM en CSV à virgules, ni son CSV "
                                "enregistré par un tableur en français (points-virgules)")
                     .arg(ligneSansSeparateur);
        return false;
    }
    edition.forme.francaise = separateur == QLatin1Char(';');

    LecteurCsv csv(texte, separateur);
    Lecture lecture(edition);
    QStringList cellules;
    bool titreLu = false;
    int compteur = 0;
    while (csv.suivant(cellules)) {
        if (!titreLu) {
            bool vide = true;
            for (const QString& c : cellules)
                vide = vide && c.trimmed().isEmpty();
            if (vide)
                continue;
            if (!lecture.titre(cellules, csv.ligne(), erreur))
                return false;
            titreLu = true;
            continue;
        }
        lecture.enregistrement(cellules, csv.ligne());
        if (progression && ++compteur % 2000 == 0)
            progression(csv.pourcentage());
    }
    if (!csv.erreur().isEmpty()) {
        erreur = csv.erreur();
        return false;
    }
    if (!titreLu) {
        erreur = QStringLiteral("le fichier est vide");
        return false;
    }
    lecture.terminer();
    if (progression)
        progression(100);
    return true;
}

} // namespace pava
