#include "srt/TableInstallation.h"

#include <QStringDecoder>

namespace pava {

namespace {

enum class Section
{
    Aucune,
    Modificateurs,
    Incompatibilites,
    Compatibilites,
    Associations
};

// "0.75", "0,75", "1" or "75%" -> thousandths.
bool lireCoefficient(const QString& texte, int& pourMille)
{
    std::int32_t pdb = 0;
    if (lirePourcentage(texte, pdb)) {
        if (pdb % 10 != 0)
            return false;
        pourMille = pdb / 10;
        return true;
    }
    QString t = texte.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    const qsizetype point = t.indexOf(QLatin1Char('.'));
    const QString entier = point < 0 ? t : t.left(point);
    QString decimales = point < 0 ? QString() : t.mid(point + 1);
    if (entier.isEmpty() || entier.size() > 2 || decimales.size() > 3)
        return false;
    for (QChar c : entier + decimales) {
        if (!estChiffre(c))
            return false;
    }
    while (decimales.size() < 3)
        decimales.append(QLatin1Char('0'));
    pourMille = entier.toInt() * 1000 + decimales.toInt();
    return true;
}

class LectureTable
{
public:
    LectureTable(TableInstallation& t, QList<Anomalie>& a) : m_table(t), m_anomalies(a) {}
    void ligne(const QString& texte, int numero);

private:
    void erreur(int numero, const QString& message) { m_anomalies.append({numero, true, message}); }
    bool dates(const QStringList& c, int i, int numero, std::int64_t& debut, std::int64_t& fin);
    void modificateur(const QStringList& c, int numero);
    void paire(const QStringList& c, int numero, QList<PaireInstallation>& paires);
    void association(const QStringList& c, int numero);

    TableInstallation& m_table;
    QList<Anomalie>& m_anomalies;
    Section m_section = Section::Aucune;
    bool m_premiereLigne = false;
};

bool LectureTable::dates(const QStringList& c, int i, int numero, std::int64_t& debut,
                         std::int64_t& fin)
{
    const QString d = c.value(i).trimmed();
    const QString f = c.value(i + 1).trimmed();
    debut = d.isEmpty() ? jourOrigine() : lireJour(d);
    fin = f.isEmpty() ? 0 : lireJour(f);
    if (debut == 0 || (!f.isEmpty() && fin == 0)) {
        erreur(numero, QStringLiteral("date illisible : « %1 » (attendu AAAA-MM-JJ ou JJ/MM/AAAA)")
                           .arg(debut == 0 ? d : f));
        return false;
    }
    if (fin != 0 && fin < debut) {
        erreur(numero, QStringLiteral("la fin de validité %1 précède le début %2").arg(f, d));
        return false;
    }
    return true;
}

void LectureTable::modificateur(const QStringList& c, int numero)
{
    if (c.size() < 3 || c.size() > 6) {
        erreur(numero, QStringLiteral("%1 champs au lieu de 3 à 6 (code;grille;taux;debut;fin;"
                                      "libelle)")
                           .arg(c.size()));
        return;
    }
    TauxInstallation t;
    t.ligne = numero;
    const QString code = c[0].trimmed().toUpper();
    if (code.size() != 1 || !code[0].isLetterOrNumber() || code[0].unicode() > 127) {
        erreur(numero, QStringLiteral("code de modificateur illisible : « %1 »").arg(c[0]));
        return;
    }
    t.code = code[0];
    const QString grille = c[1].trimmed();
    if (grille.isEmpty() || grille == QLatin1String("*"))
        t.grille = 0;
    else if (grille == QLatin1String("1") || grille == QLatin1String("2"))
        t.grille = grille.toInt();
    else {
        erreur(numero, QStringLiteral("grille illisible : « %1 » (1, 2 ou *)").arg(grille));
        return;
    }
    bool fraction = false;
    if (!lireTauxModificateur(c[2], t.taux, &fraction) || fraction) {
        erreur(numero, QStringLiteral("taux illisible : « %1 » (un montant en euros comme 19.06 "
                                      "ou un pourcentage comme +6,5%)")
                           .arg(c[2].trimmed()));
        return;
    }
    if (!dates(c, 3, numero, t.debut, t.fin))
        return;
    t.libelle = c.value(5).trimmed();
    m_table.taux.append(t);
}

void LectureTable::paire(const QStringList& c, int numero, QList<PaireInstallation>& paires)
{
    if (c.size() < 2 || c.size() > 4) {
        erreur(numero,
               QStringLiteral("%1 champs au lieu de 2 à 4 (acte1;acte2;debut;fin)").arg(c.size()));
        return;
    }
    PaireInstallation i;
    i.ligne = numero;
    i.acte1 = c[0].trimmed().toUpper();
    i.acte2 = c[1].trimmed().toUpper();
    for (const QString& code : {i.acte1, i.acte2}) {
        if (!estCodeActe(code)) {
            erreur(numero, QStringLiteral("code d'acte illisible : « %1 »").arg(code.left(40)));
            return;
        }
    }
    if (i.acte1 == i.acte2) {
        erreur(numero,
               QStringLiteral("la paire nomme deux fois l'acte %1 (un acte face à lui-même)")
                   .arg(i.acte1));
        return;
    }
    if (!dates(c, 2, numero, i.debut, i.fin))
        return;
    paires.append(i);
}

void LectureTable::association(const QStringList& c, int numero)
{
    if (c.size() != 3) {
        erreur(numero,
               QStringLiteral("%1 champs au lieu de 3 (code;coefficient;libelle)").arg(c.size()));
        return;
    }
    AssociationInstallation a;
    a.ligne = numero;
    const QString code = c[0].trimmed();
    if (code.size() != 1 || !estChiffre(code[0])) {
        erreur(numero, QStringLiteral("code d'association illisible : « %1 »").arg(code));
        return;
    }
    a.code = code[0];
    if (!lireCoefficient(c[1], a.pourMille)) {
        erreur(numero, QStringLiteral("coefficient illisible : « %1 »").arg(c[1].trimmed()));
        return;
    }
    a.libelle = c[2].trimmed();
    if (a.libelle.isEmpty()) {
        erreur(numero, QStringLiteral("libellé du code d'association %1 manquant").arg(a.code));
        return;
    }
    m_table.associations.append(a);
}

void LectureTable::ligne(const QString& brut, int numero)
{
    const QString texte = brut.trimmed();
    if (texte.isEmpty() || texte.startsWith(QLatin1Char('#')))
        return;
    if (texte.startsWith(QLatin1Char('[')) && texte.endsWith(QLatin1Char(']'))) {
        const QString nom = texte.mid(1, texte.size() - 2).trimmed().toLower();
        m_premiereLigne = true;
        if (nom == QLatin1String("modificateurs"))
            m_section = Section::Modificateurs;
        else if (nom == QLatin1String("incompatibilites") ||
                 nom == QStringLiteral("incompatibilités"))
            m_section = Section::Incompatibilites;
        else if (nom == QLatin1String("compatibilites") || nom == QStringLiteral("compatibilités"))
            m_section = Section::Compatibilites;
        else if (nom == QLatin1String("associations"))
            m_section = Section::Associations;
        else {
            m_section = Section::Aucune;
            erreur(numero, QStringLiteral("section inconnue « %1 » (modificateurs, "
                                          "incompatibilites, compatibilites ou associations)")
                               .arg(nom.left(40)));
        }
        return;
    }
    const QStringList c = texte.split(QLatin1Char(';'));
    const bool entete =
        m_premiereLigne &&
        (c.first().trimmed().compare(QLatin1String("code"), Qt::CaseInsensitive) == 0 ||
         c.first().trimmed().compare(QLatin1String("acte1"), Qt::CaseInsensitive) == 0);
    m_premiereLigne = false;
    if (entete)
        return;
    switch (m_section) {
    case Section::Modificateurs:
        modificateur(c, numero);
        break;
    case Section::Incompatibilites:
        paire(c, numero, m_table.incompatibilites);
        break;
    case Section::Compatibilites:
        paire(c, numero, m_table.compatibilites);
        break;
    case Section::Associations:
        association(c, numero);
        break;
    case Section::Aucune:
        erreur(numero, QStringLiteral("ligne hors de toute section : « %1 »").arg(texte.left(60)));
        break;
    }
}

} // namespace

std::int64_t jourOrigine()
{
    return QDate(1900, 1, 1).toJulianDay();
}

bool lireTableInstallation(const QByteArray& octets, TableInstallation& table,
                           QList<Anomalie>& anomalies)
{
    table = TableInstallation{};
    const qsizetype avant = anomalies.size();
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString texte = utf8.decode(octets);
    if (utf8.hasError()) {
        anomalies.append({0, true, QStringLiteral("le fichier n'est pas en UTF-8")});
        return false;
    }
    LectureTable lecture(table, anomalies);
    const QStringList lignes = texte.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lignes.size(); ++i) {
        QString l = lignes[i];
        if (i == 0 && l.startsWith(QChar(0xFEFF)))
            l.remove(0, 1);
        lecture.ligne(l, static_cast<int>(i + 1));
    }
    return anomalies.size() == avant;
}

} // namespace pava
