#include "srt/RechercheActes.h"

#include "srt/ReferenceTarifs.h"

#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <atomic>
#include <bit>

namespace pava {

namespace {

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

QStringList RechercheActes::mots(QStringView texte)
{
    QStringList resultat;
    for (const MotTexte& m : motsTexte(texte))
        resultat.append(m.cle);
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
    QSet<QString> avecActivite1;
    QString nomLexique, lexiqueReference;
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
        ok = ok && q.exec(QStringLiteral("SELECT DISTINCT code FROM activite WHERE activite = 1"));
        while (ok && q.next())
            avecActivite1.insert(q.value(0).toString());
        // A reference built before the lexicon has none: searched without it.
        if (ok && q.exec(QStringLiteral("SELECT nom, contenu FROM lexique")) && q.next()) {
            nomLexique = q.value(0).toString();
            lexiqueReference = q.value(1).toString();
        }
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
    m_activite1.assign(std::size_t(m_actes.size()), false);
    for (int i = 0; i < m_actes.size(); ++i)
        m_activite1[std::size_t(i)] = avecActivite1.contains(m_actes[i].code);
    m_lexique.clear();
    m_reglesParCle.clear();
    ajouterLexique(lireLexique(lexiqueReference, nomLexique));
    construireIndex();
    return true;
}

void RechercheActes::ajouterLexique(const QList<RegleLexique>& regles)
{
    for (const RegleLexique& r : regles) {
        const int n = int(m_lexique.size());
        m_lexique.append(r);
        for (int s = 0; s < r.tapes.size(); ++s)
            m_reglesParCle[r.tapes[s].first()].append({n, s});
    }
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
    QHash<QString, QString> cles;
    std::vector<QStringList> libelles(std::size_t(m_actes.size()));
    for (int i = 0; i < m_actes.size(); ++i) {
        for (const MotTexte& m : motsTexte(m_actes[i].libelle)) {
            libelles[std::size_t(i)].append(m.plie);
            cles.insert(m.plie, m.cle);
            std::vector<std::uint32_t>& p = postings[m.plie];
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
    m_cles.clear();
    m_cleDeMot.clear();
    QHash<QString, std::uint32_t> ids;
    for (std::uint32_t id = 0; id < m_mots.size(); ++id) {
        const QString& mot = m_mots[id];
        ids.insert(mot, id);
        m_postings[id] = std::move(postings[mot]);
        m_motsVides[id] = estMotVide(mot);
        m_cles.emplace_back(cles.value(mot), id);
        m_cleDeMot.push_back(cles.value(mot));
        if (mot.size() >= 4 &&
            std::all_of(mot.begin(), mot.end(), [](QChar c) { return c.isLetter(); })) {
            for (qsizetype sans = -1; sans < mot.size(); ++sans)
                m_formes.emplace_back(empreinte(mot, sans), id);
        }
    }
    std::sort(m_formes.begin(), m_formes.end());
    std::sort(m_cles.begin(), m_cles.end());
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

// One word to find in a label: a word of the query, or of a meaning the
// lexicon gives to some of its words. A word of the query is kept as typed
// (for the codes: "deqs" must keep its "s") and folded; it matches the words
// of its stem, the words it begins (ids debut to fin), the words one typing
// error away. A word of a meaning matches the words of its stem only.
struct RechercheActes::Terme
{
    QString plie, cle;
    bool tape = true;
    std::size_t exactsDebut = 0, exactsFin = 0; // range of m_cles
    std::uint32_t debut = 0, fin = 0;
    std::vector<std::uint32_t> fautes;
    bool code = false;

    // How the word meets a label word: 4 the same word, 3 the same stem, 2
    // its beginning, 1 a typing error, 0 not at all.
    int niveau(const RechercheActes& r, std::uint32_t id) const
    {
        if (tape && r.m_mots[id] == plie)
            return 4;
        for (std::size_t k = exactsDebut; k < exactsFin; ++k) {
            if (r.m_cles[k].second == id)
                return 3;
        }
        if (!tape)
            return 0;
        if (id >= debut && id < fin)
            return 2;
        if (std::binary_search(fautes.begin(), fautes.end(), id))
            return 1;
        return 0;
    }
};

// A query as searched: its words, and the groups each act must match. A group
// is a word of the query, or the words a rule of the lexicon names; it matches
// through any of its ways: the words as typed (regle -1), or a meaning of a
// rule, each with all its words.
struct RechercheActes::Requete
{
    struct Voie
    {
        std::vector<int> termes;
        int regle = -1;
    };
    struct Groupe
    {
        QString tape;
        std::vector<Voie> voies;
    };
    std::vector<Terme> termes;
    std::vector<Groupe> groupes;
};

std::pair<std::size_t, std::size_t> RechercheActes::exacts(const QString& cle) const
{
    const auto debut = std::lower_bound(m_cles.begin(), m_cles.end(), std::make_pair(cle, 0u));
    auto fin = debut;
    while (fin != m_cles.end() && fin->first == cle)
        ++fin;
    return {std::size_t(debut - m_cles.begin()), std::size_t(fin - m_cles.begin())};
}

void RechercheActes::preparer(Terme& t) const
{
    std::tie(t.exactsDebut, t.exactsFin) = exacts(t.cle);
    if (!t.tape)
        return;
    const auto premier = std::lower_bound(m_mots.begin(), m_mots.end(), t.plie);
    auto dernier = premier;
    while (dernier != m_mots.end() && commencePar(*dernier, t.plie))
        ++dernier;
    t.debut = std::uint32_t(premier - m_mots.begin());
    t.fin = std::uint32_t(dernier - m_mots.begin());
    t.code = estDebutDeCode(t.plie);
    // Four letters are too few to tell a typing error from another word. A
    // word one error away brings the words of its stem: "suure" finds
    // "suture", hence "sutures".
    if (std::count_if(t.plie.begin(), t.plie.end(), [](QChar c) { return c.isLetter(); }) >= 5) {
        const std::vector<std::uint32_t> proches = motsAUneFaute(t.plie);
        for (std::uint32_t id : proches) {
            const auto [debut, fin] = exacts(m_cleDeMot[id]);
            for (std::size_t k = debut; k < fin; ++k)
                t.fautes.push_back(m_cles[k].second);
        }
        std::sort(t.fautes.begin(), t.fautes.end());
        t.fautes.erase(std::unique(t.fautes.begin(), t.fautes.end()), t.fautes.end());
    }
}

RechercheActes::Requete RechercheActes::analyser(QStringView texte) const
{
    Requete r;
    std::vector<MotTexte> tous;
    QStringList vus;
    for (MotTexte& m : motsTexte(texte)) {
        if (vus.contains(m.plie) || vus.size() >= 16)
            continue;
        vus.append(m.plie);
        tous.push_back(std::move(m));
    }
    std::vector<MotTexte> mots;
    for (const MotTexte& m : tous) {
        if (!estMotVide(m.plie))
            mots.push_back(m);
    }
    if (mots.empty())
        mots = tous;

    const auto terme = [&](const QString& plie, const QString& cle, bool tape) {
        for (std::size_t k = 0; k < r.termes.size(); ++k) {
            if (r.termes[k].tape == tape && r.termes[k].cle == cle && r.termes[k].plie == plie)
                return int(k);
        }
        Terme t;
        t.plie = plie;
        t.cle = cle;
        t.tape = tape;
        preparer(t);
        r.termes.push_back(std::move(t));
        return int(r.termes.size() - 1);
    };
    for (std::size_t i = 0; i < mots.size();) {
        // The longest spelling of the lexicon that starts here; every rule
        // that has it gives its meanings.
        std::size_t longueur = 1;
        std::vector<int> regles;
        for (const auto& [regle, orthographe] : m_reglesParCle.value(mots[i].cle)) {
            const QStringList& tapes = m_lexique[regle].tapes[orthographe];
            const std::size_t n = std::size_t(tapes.size());
            if (i + n > mots.size())
                continue;
            bool egal = true;
            for (std::size_t k = 0; k < n && egal; ++k)
                egal = mots[i + k].cle == tapes[qsizetype(k)];
            if (!egal || n < longueur)
                continue;
            if (n > longueur)
                regles.clear();
            longueur = n;
            if (std::find(regles.begin(), regles.end(), regle) == regles.end())
                regles.push_back(regle);
        }
        Requete::Groupe g;
        Requete::Voie telQuel;
        for (std::size_t k = i; k < i + longueur; ++k) {
            g.tape += (g.tape.isEmpty() ? QString() : QStringLiteral(" ")) + mots[k].plie;
            telQuel.termes.push_back(terme(mots[k].plie, mots[k].cle, true));
            // A word of the lexicon is a word, not the beginning of a code:
            // "eeg" is no EEGA act.
            if (!regles.empty())
                r.termes[std::size_t(telQuel.termes.back())].code = false;
        }
        g.voies.push_back(std::move(telQuel));
        for (int regle : regles) {
            for (const QStringList& sens : m_lexique[regle].sens) {
                Requete::Voie v;
                v.regle = regle;
                for (const QString& cle : sens)
                    v.termes.push_back(terme(QString(), cle, false));
                g.voies.push_back(std::move(v));
            }
        }
        r.groupes.push_back(std::move(g));
        i += longueur;
    }
    return r;
}

void RechercheActes::marquerTerme(const Terme& t, std::vector<std::uint64_t>& bits) const
{
    std::fill(bits.begin(), bits.end(), 0);
    for (std::size_t k = t.exactsDebut; k < t.exactsFin; ++k) {
        for (std::uint32_t acte : m_postings[m_cles[k].second])
            mettreBit(bits, acte);
    }
    for (std::uint32_t id = t.debut; id < t.fin; ++id) {
        for (std::uint32_t acte : m_postings[id])
            mettreBit(bits, acte);
    }
    for (std::uint32_t id : t.fautes) {
        for (std::uint32_t acte : m_postings[id])
            mettreBit(bits, acte);
    }
    if (t.code)
        marquerCodes(t.plie, bits);
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

// How well an act matches a query, each field the smaller the better, in
// the order of the ranking; cle() puts them in one number.
struct RechercheActes::Qualite
{
    std::uint64_t parCode = 2;    // 0 its code typed, 1 its code begun, 2 neither
    std::uint64_t pasEntiers = 0; // groups found only by a beginning or a typing error
    std::uint64_t fautes = 0;     // groups found only through a typing error
    // Of the groups a rule names: how far down its meanings the way found
    // is, the words as typed coming after the last meaning.
    std::uint64_t sensLexique = 0;
    std::uint64_t surplus = 0; // words of the label no group found
    std::uint64_t sansActivite1 = 0;
    std::uint64_t position = 0; // how far from the start the words found are
    std::uint64_t rangCode = 0;

    std::uint64_t cle() const
    {
        const auto borne = [](std::uint64_t v, int bits) {
            return std::min<std::uint64_t>(v, (std::uint64_t(1) << bits) - 1);
        };
        return borne(parCode, 2) << 46 | borne(pasEntiers, 4) << 42 | borne(fautes, 4) << 38 |
               borne(sensLexique, 4) << 34 | borne(surplus, 8) << 26 |
               borne(sansActivite1, 1) << 25 | borne(position, 8) << 17 | borne(rangCode, 17);
    }
};

namespace {

QString texteNiveau(int niveau)
{
    switch (niveau) {
    case 4:
        return QStringLiteral("mot identique");
    case 3:
        return QStringLiteral("même racine");
    case 2:
        return QStringLiteral("début de mot");
    default:
        break;
    }
    return QStringLiteral("faute de frappe");
}

} // namespace

RechercheActes::Qualite RechercheActes::evaluer(const Requete& r, std::size_t acte,
                                                QStringList* explication) const
{
    Qualite q;
    const QString& code = m_actes[qsizetype(acte)].code;
    const std::vector<std::uint32_t>& libelle = m_libelles[acte];
    std::uint64_t trouves = 0; // label words found (not the small ones), by rank
    for (const Requete::Groupe& g : r.groupes) {
        // The best way through the group: the lowest level of its words,
        // then a meaning of the lexicon, then more words of the label.
        int meilleurNiveau = 0;
        std::size_t meilleureVoie = 0;
        bool trouve = false;
        std::uint64_t meilleursMots = 0, meilleurePosition = 0;
        QStringList meilleurDetail;
        bool parSonCode = false;
        // The ways are the words as typed, then the meanings in order.
        const auto rangVoie = [&](std::size_t v) { return v == 0 ? g.voies.size() : v; };
        for (std::size_t v = 0; v < g.voies.size(); ++v) {
            const Requete::Voie& voie = g.voies[v];
            int niveauVoie = 4;
            std::uint64_t mots = 0, position = 0;
            QStringList detail;
            for (int k : voie.termes) {
                const Terme& t = r.termes[std::size_t(k)];
                if (t.code && code.compare(t.plie, Qt::CaseInsensitive) == 0)
                    q.parCode = 0;
                else if (t.code && q.parCode == 2 && code.startsWith(t.plie, Qt::CaseInsensitive))
                    q.parCode = 1;
                if (t.code && code.startsWith(t.plie, Qt::CaseInsensitive) &&
                    voie.termes.size() == 1)
                    parSonCode = true;
                int niveau = 0;
                std::uint64_t ou = 0, rang = 0;
                std::size_t trouveA = 0;
                for (std::size_t p = 0; p < libelle.size(); ++p) {
                    const int n = t.niveau(*this, libelle[p]);
                    if (n > niveau) {
                        niveau = n;
                        ou = rang;
                        trouveA = p;
                    }
                    rang += m_motsVides[libelle[p]] ? 0 : 1;
                }
                niveauVoie = std::min(niveauVoie, niveau);
                if (niveau == 0)
                    break;
                if (!m_motsVides[libelle[trouveA]])
                    mots |= std::uint64_t(1) << std::min<std::uint64_t>(ou, 63);
                position += ou;
                if (explication)
                    detail.append(t.tape ? QStringLiteral("%1 (%2)").arg(m_mots[libelle[trouveA]],
                                                                         texteNiveau(niveau))
                                         : m_mots[libelle[trouveA]]);
            }
            if (niveauVoie == 0)
                continue;
            // Same and stem count as whole words alike.
            const int entier = std::min(niveauVoie, 3);
            const int entierMeilleur = std::min(meilleurNiveau, 3);
            // Whole words first; then the rule's meanings in the order
            // written, the words as typed last.
            const bool mieux = entier != entierMeilleur ? entier > entierMeilleur
                                                        : rangVoie(v) < rangVoie(meilleureVoie);
            if (!trouve || mieux) {
                trouve = true;
                meilleurNiveau = niveauVoie;
                meilleureVoie = v;
                meilleursMots = mots;
                meilleurePosition = position;
                meilleurDetail = detail;
            }
        }
        if (!trouve) {
            // Found by the act's code only.
            q.pasEntiers += 1;
            if (explication && parSonCode)
                explication->append(QStringLiteral("« %1 » : code %2 (%3)")
                                        .arg(g.tape, code,
                                             code.compare(g.tape, Qt::CaseInsensitive) == 0
                                                 ? QStringLiteral("code identique")
                                                 : QStringLiteral("début du code")));
            continue;
        }
        const int regle = g.voies[meilleureVoie].regle;
        q.pasEntiers += meilleurNiveau < 3 ? 1 : 0;
        q.fautes += meilleurNiveau == 1 ? 1 : 0;
        q.sensLexique += rangVoie(meilleureVoie) - 1;
        q.position += meilleurePosition;
        trouves |= meilleursMots;
        if (explication) {
            QString ligne = QStringLiteral("« %1 » : %2")
                                .arg(g.tape, meilleurDetail.join(QStringLiteral(", ")));
            if (regle >= 0) {
                const RegleLexique& rl = m_lexique[regle];
                ligne += QStringLiteral(" ; par le lexique (%1, ligne %2 : %3)")
                             .arg(rl.origine)
                             .arg(rl.ligne)
                             .arg(rl.texte);
            }
            explication->append(ligne);
        }
    }
    const std::uint64_t n = std::uint64_t(std::popcount(trouves));
    q.surplus = m_significatifs[acte] > n ? m_significatifs[acte] - n : 0;
    q.sansActivite1 = m_activite1[acte] ? 0 : 1;
    q.rangCode = m_rangsCodes[acte];
    return q;
}

RechercheActes::Resultat RechercheActes::chercher(QStringView requete, int maximum,
                                                  const Priorites* priorites) const
{
    Resultat resultat;
    if (m_actes.isEmpty() || requete.size() > 1000)
        return resultat;
    const Requete r = analyser(requete);
    if (r.groupes.empty())
        return resultat;

    // The acts of each word; then, for each group, those of one of its ways
    // (all the way's words); an act is kept when every group has it.
    const std::size_t n = std::size_t(m_actes.size());
    const std::size_t blocs = m_candidats.size();
    std::vector<std::vector<std::uint64_t>> actesTermes(r.termes.size());
    for (std::size_t k = 0; k < r.termes.size(); ++k) {
        actesTermes[k].assign(blocs, 0);
        marquerTerme(r.termes[k], actesTermes[k]);
    }
    std::fill(m_candidats.begin(), m_candidats.end(), ~std::uint64_t(0));
    if (n % 64 != 0)
        m_candidats.back() = (std::uint64_t(1) << (n % 64)) - 1;
    std::vector<std::uint64_t> voie(blocs);
    for (const Requete::Groupe& g : r.groupes) {
        std::fill(m_bits.begin(), m_bits.end(), 0);
        for (const Requete::Voie& v : g.voies) {
            std::fill(voie.begin(), voie.end(), ~std::uint64_t(0));
            for (int k : v.termes) {
                for (std::size_t b = 0; b < blocs; ++b)
                    voie[b] &= actesTermes[std::size_t(k)][b];
            }
            for (std::size_t b = 0; b < blocs; ++b)
                m_bits[b] |= voie[b];
        }
        for (std::size_t b = 0; b < blocs; ++b)
            m_candidats[b] &= m_bits[b];
    }

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
            trouves.push_back(
                {avecPratique ? (*priorites)[i] : 0, evaluer(r, i, nullptr).cle(), int(i)});
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

QStringList RechercheActes::expliquer(QStringView requete, int acte) const
{
    QStringList lignes;
    if (acte < 0 || acte >= m_actes.size() || requete.size() > 1000)
        return lignes;
    evaluer(analyser(requete), std::size_t(acte), &lignes);
    return lignes;
}

QStringList RechercheActes::reglesSansEffet() const
{
    QStringList sansEffet;
    const std::size_t blocs = m_bits.size();
    std::vector<std::uint64_t> bits(blocs), acc(blocs);
    for (const RegleLexique& r : m_lexique) {
        for (const QStringList& sens : r.sens) {
            std::fill(acc.begin(), acc.end(), ~std::uint64_t(0));
            for (const QString& cle : sens) {
                Terme t;
                t.cle = cle;
                t.tape = false;
                preparer(t);
                marquerTerme(t, bits);
                for (std::size_t b = 0; b < blocs; ++b)
                    acc[b] &= bits[b];
            }
            if (std::all_of(acc.begin(), acc.end(), [](std::uint64_t x) { return x == 0; }))
                sansEffet.append(QStringLiteral("%1, ligne %2 : « %3 » : le sens « %4 » ne "
                                                "mène à aucun acte")
                                     .arg(r.origine)
                                     .arg(r.ligne)
                                     .arg(r.texte, sens.join(QLatin1Char(' '))));
        }
    }
    return sansEffet;
}

} // namespace pava
