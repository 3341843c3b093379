#pragma once

// What every fuzz target shares: how a broken property is reported, and how
// the raw input becomes the texts a reader is given.

#include <QByteArray>
#include <QByteArrayList>
#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QStringDecoder>
#include <QStringList>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace pava::fuzz {

// A property does not hold: say which and on what, then stop the process so
// that libFuzzer keeps the input as a finding (crash-<sha1> file).
[[noreturn]] inline void echec(const char* propriete, const char* fichier, int ligne,
                               const QString& detail)
{
    std::fprintf(stderr, "\n%s:%d : propriété non tenue : %s\n", fichier, ligne, propriete);
    if (!detail.isEmpty())
        std::fprintf(stderr, "%s\n", qUtf8Printable(detail));
    __builtin_trap();
}

inline QByteArray octets(const std::uint8_t* donnees, std::size_t taille)
{
    return QByteArray(reinterpret_cast<const char*>(donnees), static_cast<qsizetype>(taille));
}

// The input cut at each byte 0x1F (unit separator) into exactly n pieces:
// missing pieces are empty, the last one takes the rest.
inline QByteArrayList morceaux(const QByteArray& entree, int n)
{
    QByteArrayList m;
    qsizetype debut = 0;
    while (m.size() < n - 1) {
        const qsizetype fin = entree.indexOf('\x1f', debut);
        if (fin < 0)
            break;
        m << entree.mid(debut, fin - debut);
        debut = fin + 1;
    }
    m << entree.mid(debut);
    while (m.size() < n)
        m << QByteArray();
    return m;
}

// The same pieces as texts (UTF-8; an invalid sequence gives U+FFFD).
inline QStringList textes(const QByteArray& entree, int n)
{
    QStringList t;
    for (const QByteArray& m : morceaux(entree, n))
        t << QString::fromUtf8(m);
    return t;
}

// Whether the bytes are valid UTF-8 (the readers take them as UTF-8 then,
// else as Windows-1252).
inline bool estUtf8(const QByteArray& octets)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)utf8.decode(octets);
    return !utf8.hasError();
}

// A directory of the process's own for the targets that read files, in
// memory when the machine offers it (/dev/shm): the saves synchronise every
// file they write, which costs nothing there.
inline QString repertoireDeTravail()
{
    static QTemporaryDir dossier((QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                                      ? QStringLiteral("/dev/shm")
                                      : QDir::tempPath()) +
                                 QStringLiteral("/pavaccam-fuzz-XXXXXX"));
    return dossier.path();
}

// A text shown in a finding's report: quoted, control characters escaped.
inline QString montre(const QString& texte)
{
    QString t = QStringLiteral("«");
    for (QChar c : texte) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            t += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            t += c;
    }
    return t + QStringLiteral("»");
}

} // namespace pava::fuzz

// Checks a property of what a reader made of the input; detail (a QString)
// is only built when the property does not hold.
#define VERIFIE(condition, detail)                                                                 \
    do {                                                                                           \
        if (!(condition))                                                                          \
            ::pava::fuzz::echec(#condition, __FILE__, __LINE__, (detail));                         \
    } while (false)
