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

namespace {

// A hash of a word with its letter sans left out (-1: the whole word).
std::uint64_t empreinte(QStringView mot, qsizetype sans)
{
    std::uint64_t h = 14695981039346656037ULL;
    for (qsizetype i = 0; i < mot.size(); ++i) {
        if (i == sans)
            continue;
        h ^= mot[i].unicode();
        h *= 1099511628211ULL;
    }
    return h;
}

} // namespace

void RechercheActes::construireIndex()
{
    QHash<QString, std::vector<std::uint32_t>> postings;
    std::vector<QStringList> libelles(std::size_t(m_actes.size()));
    for (int i = 0; i < m_actes.size(); ++i) {
        libelles[std::size_t(i)] = mots(m_actes[i].libelle);
        for (const QString& m : libelles[std::size_t(i)]) {
            std::vector<std::uint32_t>& p = postings[m];
            if (p.empty() || p.back() != std::uint32_t(i))
                p.push_back(std::uint32_t(i));
        }
    }
    m_mots.clear();
    m_mots.reserve(std::size_t(postings.size()));
    for (auto it = postings.cbegin(); it != postings.cend(); ++it)
        m_mots.push_back(it.key());
    std::sort(m_mots.begin(), m_mots.end());
    m_postings.assign(m_mots.size(), {});
    m_motsVides.assign(m_mots.size(), false);
    m_formes.clear();
    QHash<QString, std::uint32_t> ids;
    for (std::uint32_t id = 0; id < m_mots.size(); ++id) {
        const QString& mot = m_mots[id];
        ids.insert(mot, id);
        m_postings[id] = std::move(postings[mot]);
        m_motsVides[id] = estMotVide(mot);
        if (mot.size() >= 4 &&
            std::all_of(mot.begin(), mot.end(), [](QChar c) { return c.isLetter(); })) {
            for (qsizetype sans = -1; sans < mot.size(); ++sans)
                m_formes.emplace_back(empreinte(mot, sans), id);
        }
    }
    std::sort(m_formes.begin(), m_formes.end());
    m_libelles.assign(m_actes.size(), {});
    for (std::size_t i = 0; i < libelles.size(); ++i) {
        for (const QString& m : libelles[i])
            m_libelles[i].push_back(ids.value(m));
    }
    m_codes.clear();
    for (int i = 0; i < m_actes.size(); ++i)
        m_codes.emplace_back(m_actes[i].code.toLower(), i);
    std::sort(m_codes.begin(), m_codes.end());
    m_rangsCodes.assign(m_actes.size(), 0);
    for (std::size_t r = 0; r < m_codes.size(); ++r)
        m_rangsCodes[std::size_t(m_codes[r].second)] = std::uint32_t(r);
    m_significatifs.assign(m_actes.size(), 0);
    for (std::size_t i = 0; i < m_libelles.size(); ++i) {
        for (std::uint32_t id : m_libelles[i])
            m_significatifs[i] += m_motsVides[id] ? 0 : 1;
    }
    const std::size_t blocs = (std::size_t(m_actes.size()) + 63) / 64;
    m_candidats.assign(blocs, 0);
    m_bits.assign(blocs, 0);
}

int RechercheActes::indexActe(QStringView code) const
{
    return m_indexActes.value(code.trimmed().toString().toUpper(), -1);
}

RechercheActes::Priorites RechercheActes::priorites(const Pratique& pratique) const
{
    // Habitual codings first; then the acts of the history, the most recent
    // first (a julian day is below 2^23).
    constexpr std::int64_t kHabituel = std::int64_t(1) << 40;
    constexpr std::int64_t kHistorique = std::int64_t(1) << 39;
    Priorites p(std::size_t(m_actes.size()), 0);
    for (const QString& code : pratique.habituels) {
        if (const int i = indexActe(code); i >= 0)
            p[std::size_t(i)] |= kHabituel;
    }
    for (auto it = pratique.historique.cbegin(); it != pratique.historique.cend(); ++it) {
        if (const int i = indexActe(it.key()); i >= 0)
            p[std::size_t(i)] +=
                kHistorique + std::clamp<std::int64_t>(it.value(), 0, kHistorique - 1);
    }
    return p;
}

void RechercheActes::marquerCodes(const QString& mot, std::vector<std::uint64_t>& bits) const
{
    const auto debut = std::lower_bound(m_codes.begin(), m_codes.end(), std::make_pair(mot, -1));
    for (auto it = debut; it != m_codes.end() && commencePar(it->first, mot); ++it)
        mettreBit(bits, std::uint32_t(it->second));
}

// Each word of the query, as typed (for the codes: "deqs" must keep its "s")
// and in the index's form (for the labels), with the vocabulary it matches:
// itself, the words it begins (ids debut to fin), the words one typing error
// away.
struct RechercheActes::Terme
{
    QString brut, mot;
    std::int64_t idExact = -1;
    std::uint32_t debut = 0, fin = 0;
    std::vector<std::uint32_t> fautes;
    bool code = false;
};

void RechercheActes::preparer(Terme& t) const
{
    const auto premier = std::lower_bound(m_mots.begin(), m_mots.end(), t.mot);
    auto dernier = premier;
    while (dernier != m_mots.end() && commencePar(*dernier, t.mot))
        ++dernier;
    t.debut = std::uint32_t(premier - m_mots.begin());
    t.fin = std::uint32_t(dernier - m_mots.begin());
    if (premier != m_mots.end() && *premier == t.mot)
        t.idExact = t.debut;
    t.code = estDebutDeCode(t.brut);
    // Four letters are too few to tell a typing error from another word.
    if (std::count_if(t.brut.begin(), t.brut.end(), [](QChar c) { return c.isLetter(); }) >= 5)
        t.fautes = motsAUneFaute(t.mot);
}

namespace {

// One typing error between two words: a letter missing, added, swapped with
// the next one, or wrong.
bool uneFaute(QStringView a, QStringView b)
{
    if (a.size() < b.size())
        std::swap(a, b);
    if (a.size() - b.size() > 1 || a == b)
        return false;
    qsizetype i = 0;
    while (i < b.size() && a[i] == b[i])
        ++i;
    if (a.size() != b.size())
        return a.mid(i + 1) == b.mid(i);
    if (a.mid(i + 1) == b.mid(i + 1))
        return true;
    return i + 1 < a.size() && a[i] == b[i + 1] && a[i + 1] == b[i] && a.mid(i + 2) == b.mid(i + 2);
}

} // namespace

std::vector<std::uint32_t> RechercheActes::motsAUneFaute(const QString& mot) const
{
    // A word one error away shares a form with one letter left out (or none)
    // with the query word; the forms' hashes find the candidates, the words
    // themselves are then compared.
    std::vector<std::uint32_t> ids;
    for (qsizetype sans = -1; sans < mot.size(); ++sans) {
        const std::uint64_t h = empreinte(mot, sans);
        for (auto it = std::lower_bound(m_formes.begin(), m_formes.end(), std::make_pair(h, 0u));
             it != m_formes.end() && it->first == h; ++it) {
            if (uneFaute(mot, m_mots[it->second]))
                ids.push_back(it->second);
        }
    }
    // "f" typed for "ph", or the reverse, is one error too.
    const auto chercherMot = [&](const QString& variante) {
        const auto it = std::lower_bound(m_mots.begin(), m_mots.end(), variante);
        if (it != m_mots.end() && *it == variante)
            ids.push_back(std::uint32_t(it - m_mots.begin()));
    };
    for (qsizetype i = 0; i < mot.size(); ++i) {
        if (mot[i] == QLatin1Char('f'))
            chercherMot(mot.left(i) + QLatin1String("ph") + mot.mid(i + 1));
        else if (mot[i] == QLatin1Char('p') && i + 1 < mot.size() && mot[i + 1] == QLatin1Char('h'))
            chercherMot(mot.left(i) + QLatin1Char('f') + mot.mid(i + 2));
    }
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}

RechercheActes::Resultat RechercheActes::chercher(QStringView requete, int maximum,
                                                  const Priorites* priorites) const
{
    Resultat resultat;
    if (m_actes.isEmpty() || requete.size() > 1000)
        return resultat;

    std::vector<Terme> tous;
    QStringList vus;
    for (const QString& b : motsBruts(requete)) {
        if (vus.contains(b) || vus.size() >= 16)
            continue;
        vus.append(b);
        Terme t;
        t.brut = b;
        t.mot = singulier(b);
        tous.push_back(std::move(t));
    }
    std::vector<Terme> termes;
    for (const Terme& t : tous) {
        if (!estMotVide(t.mot))
            termes.push_back(t);
    }
    if (termes.empty())
        termes = tous;
    if (termes.empty())
        return resultat;

    const std::size_t n = std::size_t(m_actes.size());
    std::fill(m_candidats.begin(), m_candidats.end(), ~std::uint64_t(0));
    if (n % 64 != 0)
        m_candidats.back() = (std::uint64_t(1) << (n % 64)) - 1;
    for (Terme& t : termes) {
        preparer(t);
        std::fill(m_bits.begin(), m_bits.end(), 0);
        for (std::uint32_t id = t.debut; id < t.fin; ++id) {
            for (std::uint32_t acte : m_postings[id])
                mettreBit(m_bits, acte);
        }
        for (std::uint32_t id : t.fautes) {
            for (std::uint32_t acte : m_postings[id])
                mettreBit(m_bits, acte);
        }
        if (t.code)
            marquerCodes(t.brut, m_bits);
        for (std::size_t i = 0; i < m_bits.size(); ++i)
            m_candidats[i] &= m_bits[i];
    }

    // How well an act matches, the smaller the better, in one number: its
    // code (a query word, or starting with one), then the query words found
    // only through a typing error, those not found whole, where the words
    // found are in the label, the label's other words, and last the code.
    struct Classement
    {
        std::int64_t pratique; // larger first
        std::uint64_t qualite;
        int index;
    };
    // Priorities made for another loading of the index are not used.
    const bool avecPratique = priorites && priorites->size() == n;
    std::vector<Classement> trouves;
    for (std::size_t bloc = 0; bloc < m_candidats.size(); ++bloc) {
        for (std::uint64_t b = m_candidats[bloc]; b != 0; b &= b - 1) {
            const std::size_t i = bloc * 64 + std::size_t(std::countr_zero(b));
            const QString& code = m_actes[qsizetype(i)].code;
            const std::vector<std::uint32_t>& libelle = m_libelles[i];
            std::uint64_t parCode = 2;
            std::uint64_t fautes = 0, pasEntiers = 0, position = 0, trouvesDansLibelle = 0;
            for (const Terme& t : termes) {
                if (t.code && code.compare(t.brut, Qt::CaseInsensitive) == 0)
                    parCode = 0;
                else if (t.code && parCode == 2 && code.startsWith(t.brut, Qt::CaseInsensitive))
                    parCode = 1;
                // The best way the word is found in the label, and where.
                int niveau = 0;
                std::uint64_t ou = 0;
                std::uint64_t rang = 0;
                for (std::uint32_t id : libelle) {
                    const int n = id == t.idExact               ? 3
                                  : id >= t.debut && id < t.fin ? 2
                                  : !t.fautes.empty() &&
                                          std::binary_search(t.fautes.begin(), t.fautes.end(), id)
                                      ? 1
                                      : 0;
                    if (n > niveau) {
                        niveau = n;
                        ou = rang;
                    }
                    rang += m_motsVides[id] ? 0 : 1;
                }
                pasEntiers += niveau == 3 ? 0 : 1;
                fautes += niveau == 1 ? 1 : 0;
                position += ou;
                trouvesDansLibelle += niveau > 0 ? 1 : 0;
            }
            const std::uint64_t surplus = m_significatifs[i] > trouvesDansLibelle
                                              ? m_significatifs[i] - trouvesDansLibelle
                                              : 0;
            trouves.push_back({avecPratique ? (*priorites)[i] : 0,
                               parCode << 46 | fautes << 41 | pasEntiers << 36 |
                                   std::min<std::uint64_t>(position, 4095) << 24 |
                                   std::min<std::uint64_t>(surplus, 255) << 16 | m_rangsCodes[i],
                               int(i)});
        }
    }
    const auto avant = [](const Classement& a, const Classement& b) {
        return a.pratique != b.pratique ? a.pratique > b.pratique : a.qualite < b.qualite;
    };
    resultat.total = int(trouves.size());
    const std::size_t garde = std::min(trouves.size(), std::size_t(std::max(maximum, 0)));
    std::partial_sort(trouves.begin(), trouves.begin() + std::ptrdiff_t(garde), trouves.end(),
                      avant);
    resultat.actes.reserve(qsizetype(garde));
    for (std::size_t i = 0; i < garde; ++i)
        resultat.actes.append(trouves[i].index);
    return resultat;
}

} // namespace pava
