#include "srt/RechercheActes.h"

#include "srt/ReferenceTarifs.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <atomic>
#include <bit>

namespace pava {

namespace {

// Words too common to select anything; dropped from a query that has others.
bool estMotVide(const QString& m)
{
    static const QStringList vides = {
        QStringLiteral("a"),    QStringLiteral("au"),   QStringLiteral("aux"),
        QStringLiteral("avec"), QStringLiteral("d"),    QStringLiteral("de"),
        QStringLiteral("du"),   QStringLiteral("de"),   QStringLiteral("des"),
        QStringLiteral("en"),   QStringLiteral("et"),   QStringLiteral("l"),
        QStringLiteral("la"),   QStringLiteral("le"),   QStringLiteral("le"),
        QStringLiteral("ou"),   QStringLiteral("par"),  QStringLiteral("pour"),
        QStringLiteral("sur"),  QStringLiteral("sans"), QStringLiteral("un"),
        QStringLiteral("une"),  QStringLiteral("dans"),
    };
    return vides.contains(m);
}

// French plural marks: "plaies" -> "plaie", "médicaux" -> "medical",
// "réseaux" -> "reseau". Short words are left alone ("os", "bras" stays
// "bra" on both sides, which is all that matters).
QString singulier(QString m)
{
    if (m.size() > 4 && m.endsWith(QLatin1String("eaux"))) {
        m.chop(1);
    } else if (m.size() > 4 && m.endsWith(QLatin1String("aux"))) {
        m.chop(3);
        m.append(QLatin1String("al"));
    } else if (m.size() >= 4 && (m.endsWith(QLatin1Char('s')) || m.endsWith(QLatin1Char('x')))) {
        m.chop(1);
    }
    return m;
}

bool commencePar(const QString& mot, const QString& prefixe)
{
    return mot.size() >= prefixe.size() && QStringView(mot).left(prefixe.size()) == prefixe;
}

// The beginning of an act code: one to four letters, then up to three digits
// once the four letters are there.
bool estDebutDeCode(const QString& m)
{
    if (m.size() < 2 || m.size() > 7)
        return false;
    for (qsizetype i = 0; i < m.size(); ++i) {
        const char16_t c = m[i].unicode();
        const bool ok = i < 4 ? (c >= u'a' && c <= u'z') : (c >= u'0' && c <= u'9');
        if (!ok)
            return false;
    }
    return true;
}

void mettreBit(std::vector<std::uint64_t>& bits, std::uint32_t i)
{
    bits[i >> 6] |= std::uint64_t(1) << (i & 63);
}

} // namespace

QStringList RechercheActes::motsBruts(QStringView texte)
{
    QString plat;
    plat.reserve(texte.size());
    const QString decompose = texte.toString().normalized(QString::NormalizationForm_KD);
    for (QChar c : decompose) {
        if (c.category() == QChar::Mark_NonSpacing)
            continue;
        c = c.toLower();
        if (c == QChar(0x0153))
            plat.append(QLatin1String("oe"));
        else if (c == QChar(0x00E6))
            plat.append(QLatin1String("ae"));
        else if (c == QChar(0x00DF))
            plat.append(QLatin1String("ss"));
        else
            plat.append(c.isLetterOrNumber() ? c : QLatin1Char(' '));
    }
    return plat.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QStringList RechercheActes::mots(QStringView texte)
{
    QStringList resultat = motsBruts(texte);
    for (QString& m : resultat)
        m = singulier(m);
    return resultat;
}

bool RechercheActes::charger(const QString& cheminReference, QString* erreur, int grille,
                             QDate jour)
{
    std::shared_ptr<ReferenceTarifs> ref = ReferenceTarifs::partagee(cheminReference, erreur);
    if (!ref)
        return false;
    ref->chargerTousLesActes();
    const std::int64_t j = jour.toJulianDay();
    const QString iso = jour.toString(Qt::ISODate);

    static std::atomic<int> compteur{0};
    const QString nom = QStringLiteral("pava-recherche-%1").arg(++compteur);
    QList<Acte> actes;
    QList<Chapitre> chapitres;
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nom);
        db.setDatabaseName(cheminReference);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        QSqlQuery q(db);
        q.setForwardOnly(true);
        ok = db.open() &&
             q.prepare(QStringLiteral("SELECT code, libelle, chapitre FROM acte WHERE debut <= ? "
                                      "AND (fin IS NULL OR fin > ?) ORDER BY rang, code"));
        q.addBindValue(iso);
        q.addBindValue(iso);
        ok = ok && q.exec();
        while (ok && q.next()) {
            Acte a{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(), {}};
            ref->prixUnitaire(a.code, j, grille, a.tarif);
            actes.append(a);
        }
        ok = ok && q.exec(QStringLiteral("SELECT code, parent, titre FROM chapitre ORDER BY rang"));
        while (ok && q.next())
            chapitres.append({q.value(0).toString(), q.value(1).toString(), q.value(2).toString()});
        if (!ok && erreur)
            *erreur = QStringLiteral("lecture du référentiel « %1 » impossible : %2")
                          .arg(cheminReference, q.lastError().isValid() ? q.lastError().text()
                                                                        : db.lastError().text());
        q = QSqlQuery();
        db.close();
    }
    QSqlDatabase::removeDatabase(nom);
    if (!ok)
        return false;

    m_actes = std::move(actes);
    m_demonstration = ref->demonstration();
    m_chapitres = std::move(chapitres);
    m_indexActes.clear();
    m_indexChapitres.clear();
    m_enfants.clear();
    m_actesChapitre.clear();
    for (int i = 0; i < m_chapitres.size(); ++i) {
        m_indexChapitres.insert(m_chapitres[i].code, i);
        m_enfants[m_chapitres[i].parent].append(i);
    }
    for (int i = 0; i < m_actes.size(); ++i) {
        m_indexActes.insert(m_actes[i].code, i);
        m_actesChapitre[m_actes[i].chapitre].append(i);
    }
    construireIndex();
    return true;
}

void RechercheActes::construireIndex()
{
    QHash<QString, std::vector<std::uint32_t>> postings;
    for (int i = 0; i < m_actes.size(); ++i) {
        for (const QString& m : mots(m_actes[i].libelle)) {
            std::vector<std::uint32_t>& p = postings[m];
            if (p.empty() || p.back() != std::uint32_t(i))
                p.push_back(std::uint32_t(i));
        }
    }
    m_mots.clear();
    m_mots.reserve(postings.size());
    for (auto it = postings.cbegin(); it != postings.cend(); ++it)
        m_mots.push_back(it.key());
    std::sort(m_mots.begin(), m_mots.end());
    m_postings.assign(m_mots.size(), {});
    m_motsActe.assign(m_actes.size(), {});
    for (std::uint32_t id = 0; id < m_mots.size(); ++id) {
        m_postings[id] = std::move(postings[m_mots[id]]);
        for (std::uint32_t acte : m_postings[id])
            m_motsActe[acte].push_back(id); // ids come in order: each list is sorted
    }
    m_codes.clear();
    for (int i = 0; i < m_actes.size(); ++i)
        m_codes.emplace_back(m_actes[i].code.toLower(), i);
    std::sort(m_codes.begin(), m_codes.end());
    const std::size_t blocs = (std::size_t(m_actes.size()) + 63) / 64;
    m_candidats.assign(blocs, 0);
    m_bits.assign(blocs, 0);
}

int RechercheActes::indexActe(QStringView code) const
{
    return m_indexActes.value(code.trimmed().toString().toUpper(), -1);
}

void RechercheActes::marquerPrefixe(const QString& mot, std::vector<std::uint64_t>& bits) const
{
    for (auto it = std::lower_bound(m_mots.begin(), m_mots.end(), mot);
         it != m_mots.end() && commencePar(*it, mot); ++it) {
        for (std::uint32_t acte : m_postings[std::size_t(it - m_mots.begin())])
            mettreBit(bits, acte);
    }
}

bool RechercheActes::marquerCodes(const QString& mot, std::vector<std::uint64_t>& bits) const
{
    bool trouve = false;
    const auto debut = std::lower_bound(m_codes.begin(), m_codes.end(), std::make_pair(mot, -1));
    for (auto it = debut; it != m_codes.end() && commencePar(it->first, mot); ++it) {
        mettreBit(bits, std::uint32_t(it->second));
        trouve = true;
    }
    return trouve;
}

RechercheActes::Resultat RechercheActes::chercher(QStringView requete, int maximum) const
{
    Resultat resultat;
    if (m_actes.isEmpty() || requete.size() > 1000)
        return resultat;

    // Each word of the query, as typed (for the codes: "deqs" must keep its
    // "s") and in the index's form (for the labels).
    struct Terme
    {
        QString brut, mot;
        std::int64_t idExact = -1;
    };
    QList<Terme> tous;
    QStringList vus;
    for (const QString& b : motsBruts(requete)) {
        if (vus.contains(b) || vus.size() >= 16)
            continue;
        vus.append(b);
        tous.append({b, singulier(b)});
    }
    QList<Terme> termes;
    for (const Terme& t : std::as_const(tous)) {
        if (!estMotVide(t.mot))
            termes.append(t);
    }
    if (termes.isEmpty())
        termes = tous;
    if (termes.isEmpty())
        return resultat;

    const std::size_t n = std::size_t(m_actes.size());
    std::fill(m_candidats.begin(), m_candidats.end(), ~std::uint64_t(0));
    if (n % 64 != 0)
        m_candidats.back() = (std::uint64_t(1) << (n % 64)) - 1;
    for (Terme& t : termes) {
        std::fill(m_bits.begin(), m_bits.end(), 0);
        marquerPrefixe(t.mot, m_bits);
        if (estDebutDeCode(t.brut))
            marquerCodes(t.brut, m_bits);
        for (std::size_t i = 0; i < m_bits.size(); ++i)
            m_candidats[i] &= m_bits[i];
        const auto it = std::lower_bound(m_mots.begin(), m_mots.end(), t.mot);
        if (it != m_mots.end() && *it == t.mot)
            t.idExact = it - m_mots.begin();
    }

    struct Classement
    {
        int code;    // 2: the code is a query word; 1: it starts with one
        int entiers; // query words that are whole words of the label
        int index;
    };
    std::vector<Classement> trouves;
    for (std::size_t bloc = 0; bloc < m_candidats.size(); ++bloc) {
        for (std::uint64_t b = m_candidats[bloc]; b != 0; b &= b - 1) {
            const int i = int(bloc * 64 + std::size_t(std::countr_zero(b)));
            Classement c{0, 0, i};
            const QString& code = m_actes[i].code;
            const std::vector<std::uint32_t>& motsActe = m_motsActe[std::size_t(i)];
            for (const Terme& t : std::as_const(termes)) {
                if (code.compare(t.brut, Qt::CaseInsensitive) == 0)
                    c.code = 2;
                else if (c.code == 0 && estDebutDeCode(t.brut) &&
                         code.startsWith(t.brut, Qt::CaseInsensitive))
                    c.code = 1;
                if (t.idExact >= 0 &&
                    std::binary_search(motsActe.begin(), motsActe.end(), std::uint32_t(t.idExact)))
                    ++c.entiers;
            }
            trouves.push_back(c);
        }
    }
    std::sort(trouves.begin(), trouves.end(), [](const Classement& a, const Classement& b) {
        if (a.code != b.code)
            return a.code > b.code;
        if (a.entiers != b.entiers)
            return a.entiers > b.entiers;
        return a.index < b.index;
    });
    resultat.total = int(trouves.size());
    const std::size_t garde = std::min(trouves.size(), std::size_t(std::max(maximum, 0)));
    resultat.actes.reserve(qsizetype(garde));
    for (std::size_t i = 0; i < garde; ++i)
        resultat.actes.append(trouves[i].index);
    return resultat;
}

} // namespace pava
