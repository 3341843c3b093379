// The profile file reader ("Pavareg.reg"), on the bytes a file would hold.
// Input: a value, then the bytes of a profile file, separated by the byte
// 0x1F.
#include "Fuzz.h"

#include "coding/Windows1252.h"
#include "session/Chemins.h"

using namespace pava;
using pava::fuzz::montre;

namespace {

const QString kSection = QStringLiteral("API_Sesam");
const QString kCle = QStringLiteral("Path");

QString lit(const QByteArray& contenu, const QString& section = kSection, const QString& cle = kCle)
{
    return litProfilOctets(contenu, section, cle);
}

// What a value may be so that it reads back as written: one line, no NUL, no
// blank around it, not between quotes; of any length.
bool valeurEcrivable(const QString& v)
{
    const bool entreGuillemets = v.size() >= 2 && ((v.front() == u'"' && v.back() == u'"') ||
                                                   (v.front() == u'\'' && v.back() == u'\''));
    return !v.isEmpty() && v == v.trimmed() && !entreGuillemets && !v.contains(QLatin1Char('\n')) &&
           !v.contains(QChar(0));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille)
{
    const QByteArrayList m = fuzz::morceaux(fuzz::octets(donnees, taille), 2);
    const QByteArray& reste = m[1];

    // Any file: a value is whole characters, without NUL or blank around it.
    const QString v = lit(reste);
    VERIFIE(v == v.trimmed() && !v.contains(QChar(0)), montre(v));
    VERIFIE(QStringView(v).isValidUtf16(), montre(v));

    // A value written first in its section is read back, whatever follows,
    // in UTF-8 or in the Windows code page.
    const QString valeur = QString::fromUtf8(m[0]);
    if (!valeurEcrivable(valeur))
        return 0;
    const QString entete = QStringLiteral("[API_Sesam]\r\nPath=") + valeur + QStringLiteral("\r\n");
    const QString suite = QString::fromUtf8(reste);
    VERIFIE(lit((entete + suite).toUtf8()) == valeur, montre(valeur));
    const QByteArray page = versWindows1252(entete + depuisWindows1252(reste));
    const bool representable = depuisWindows1252(versWindows1252(valeur)) == valeur;
    // Bytes of the code page that also read as UTF-8 are taken as UTF-8.
    if (representable && !fuzz::estUtf8(page))
        VERIFIE(lit(page) == valeur, montre(valeur));
    // A byte order mark, as some editors write one, changes nothing.
    VERIFIE(lit("\xEF\xBB\xBF" + (entete + suite).toUtf8()) == valeur, montre(valeur));
    // Section and key names compare without regard to case or blanks.
    VERIFIE(lit((entete + suite).toUtf8(), QStringLiteral(" api_SESAM "),
                QStringLiteral("PATH ")) == valeur,
            montre(valeur));
    return 0;
}
