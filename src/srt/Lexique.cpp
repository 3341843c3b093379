#include "srt/Lexique.h"

#include "session/Chemins.h"
#include "session/FichierSur.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <libstemmer.h>

#include <cerrno>
#include <memory>

namespace pava {

namespace {

// One stemmer per thread: a Snowball stemmer keeps its work in itself.
class Racinisateur
{
public:
    Racinisateur() : m_stemmer(sb_stemmer_new("french", "UTF_8"), &sb_stemmer_delete) {}
    QString racine(QStringView mot)
    {
        if (!m_stemmer)
            return mot.toString();
        const QByteArray octets = mot.toUtf8();
        const sb_symbol* r =
            sb_stemmer_stem(m_stemmer.get(), reinterpret_cast<const sb_symbol*>(octets.constData()),
                            int(octets.size()));
        if (!r)
            return mot.toString();
        return QString::fromUtf8(reinterpret_cast<const char*>(r),
                                 sb_stemmer_length(m_stemmer.get()));
    }

private:
    std::unique_ptr<sb_stemmer, void (*)(sb_stemmer*)> m_stemmer;
};

QString racine(QStringView mot)
{
    thread_local Racinisateur r;
    return r.racine(mot);
}

// Lower case without accents; œ, æ and ß spelt out.
void plier(QStringView texte, QString& plie)
{
    const QString decompose = texte.toString().normalized(QString::NormalizationForm_KD);
    for (QChar c : decompose) {
        if (c.category() == QChar::Mark_NonSpacing)
            continue;
        c = c.toLower();
        if (c == QChar(0x0153))
            plie.append(QLatin1String("oe"));
        else if (c == QChar(0x00E6))
            plie.append(QLatin1String("ae"));
        else if (c == QChar(0x00DF))
            plie.append(QLatin1String("ss"));
        else
            plie.append(c);
    }
}

QString plier(QStringView texte)
{
    QString p;
    plier(texte, p);
    return p;
}

} // namespace

QString cleMot(QStringView mot)
{
    // The stemmer reads an accent with no letter under it as a letter of its
    // own, and may cut everything after it ("\u0300s" leaves the accent
    // alone, which folding then removes): a word always keeps a key, its
    // folded form when its stem is empty.
    QString cle = racine(plier(racine(mot.toString().toLower())));
    if (cle.isEmpty())
        cle = plier(mot);
    return cle;
}

QList<MotTexte> motsTexte(QStringView texte)
{
    QList<MotTexte> mots;
    qsizetype i = 0;
    while (i < texte.size()) {
        // A word: letters, digits and the accents that follow them.
        const auto dansMot = [&](qsizetype k) {
            const QChar c = texte[k];
            return c.isLetterOrNumber() || c.category() == QChar::Mark_NonSpacing;
        };
        // A word starts at a letter or a digit: an accent before any letter
        // sits on nothing.
        if (!texte[i].isLetterOrNumber()) {
            ++i;
            continue;
        }
        qsizetype fin = i;
        while (fin < texte.size() && dansMot(fin))
            ++fin;
        const QStringView ecrit = texte.mid(i, fin - i);
        QString plie = plier(ecrit);
        // A folded letter may have become something else than a letter (a
        // superscript digit, a fraction): kept only when it is a letter or
        // a digit still.
        plie.removeIf([](QChar c) { return !c.isLetterOrNumber(); });
        if (!plie.isEmpty())
            mots.append({std::move(plie), cleMot(ecrit)});
        i = fin;
    }
    return mots;
}

bool estMotVide(QStringView plie)
{
    static const char* const vides[] = {"a",    "au",  "aux",  "avec", "d",   "de",  "du", "des",
                                        "en",   "et",  "l",    "la",   "le",  "les", "ou", "par",
                                        "pour", "sur", "sans", "un",   "une", "dans"};
    for (const char* v : vides) {
        if (plie == QLatin1String(v))
            return true;
    }
    return false;
}

namespace {

QStringList clesSignificatives(QStringView texte)
{
    QStringList cles;
    for (const MotTexte& m : motsTexte(texte)) {
        if (!estMotVide(m.plie))
            cles.append(m.cle);
    }
    return cles;
}

} // namespace

QList<RegleLexique> lireLexique(QStringView texte, const QString& origine, QStringList* anomalies)
{
    QList<RegleLexique> regles;
    int numero = 0;
    for (QStringView ligne : texte.split(QLatin1Char('\n'))) {
        ++numero;
        if (const qsizetype diese = ligne.indexOf(QLatin1Char('#')); diese >= 0)
            ligne = ligne.left(diese);
        ligne = ligne.trimmed();
        if (ligne.isEmpty())
            continue;
        const auto signaler = [&](const QString& pourquoi) {
            if (anomalies)
                anomalies->append(
                    QStringLiteral("%1, ligne %2 : %3").arg(origine).arg(numero).arg(pourquoi));
        };
        const qsizetype egal = ligne.indexOf(QLatin1Char('='));
        if (egal < 0) {
            signaler(QStringLiteral("pas de « = » entre les mots tapés et leur sens"));
            continue;
        }
        RegleLexique r;
        r.texte = ligne.toString().simplified();
        r.origine = origine;
        r.ligne = numero;
        for (QStringView tape : ligne.left(egal).split(QLatin1Char(','))) {
            if (QStringList c = clesSignificatives(tape); !c.isEmpty())
                r.tapes.append(c);
        }
        for (QStringView sens : ligne.mid(egal + 1).split(QLatin1Char(','))) {
            if (QStringList c = clesSignificatives(sens); !c.isEmpty())
                r.sens.append(c);
        }
        if (r.tapes.isEmpty() || r.sens.isEmpty()) {
            signaler(QStringLiteral("il manque les mots tapés ou leur sens"));
            continue;
        }
        regles.append(std::move(r));
    }
    return regles;
}

QString lexiqueLivre()
{
    const QString racineDonnees =
        depuisArbreConstruction()
            ? QStringLiteral(PAVACCAM_SOURCE_DATA_DIR)
            : repertoireExecutable() + QStringLiteral("/" PAVACCAM_DONNEES_RELATIVES);
    const QString chemin = QDir::cleanPath(racineDonnees + QStringLiteral("/lexique-ccam.txt"));
    return QFileInfo::exists(chemin) ? chemin : QString();
}

QString cheminLexiqueCabinet()
{
    const QString nom = QStringLiteral("lexique-cabinet.txt");
    if (!qEnvironmentVariableIsEmpty("PAVACCAM_HOME") || depuisArbreConstruction())
        return CompleteChemin(repertoireProgramme()) + nom;
    // An installed program: the practice's shared home when it is there,
    // else the user's own. Reading an optional file decides nothing about
    // where the complement files go, so nothing is said or created here.
    const QString partage = QStringLiteral(PAVACCAM_HOME_PARTAGE);
    if (QFileInfo(partage).isDir())
        return CompleteChemin(partage) + nom;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/pavaccam/") + nom;
}

QString lireLexiqueCabinet(QString* raison)
{
    const QString chemin = cheminLexiqueCabinet();
    FichierSur f(chemin, FichierSur::Acces::Lecture);
    if (!f.ouvert()) {
        if (f.refus() != FichierSur::Refus::Systeme || f.erreur() != ENOENT) {
            if (raison)
                *raison = f.raison();
        }
        return QString();
    }
    constexpr qint64 kMaximum = 1 << 20;
    if (f.taille() > kMaximum) {
        if (raison)
            *raison = QStringLiteral("« %1 » dépasse 1 Mo : lexique du cabinet ignoré").arg(chemin);
        return QString();
    }
    const QByteArray octets = f.lire(kMaximum);
    if (octets.isEmpty() && f.erreur() != 0) {
        if (raison)
            *raison = QStringLiteral("« %1 » : %2").arg(chemin, texteErreurSysteme(f.erreur()));
        return QString();
    }
    return QString::fromUtf8(octets);
}

} // namespace pava
