#include "coding/Windows1252.h"

namespace pava {

namespace {

// Bytes 0x80-0x9F; 0 marks the five bytes the code page leaves undefined
// (they decode to the C1 control of the same value).
constexpr char16_t kPlage80[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

} // namespace

QByteArray versWindows1252(QStringView texte)
{
    QByteArray octets;
    octets.reserve(texte.size());
    for (QChar c : texte) {
        const char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            octets += static_cast<char>(u);
            continue;
        }
        char octet = '?';
        for (int i = 0; i < 32; ++i) {
            if (kPlage80[i] == u || (kPlage80[i] == 0 && u == 0x80 + i)) {
                octet = static_cast<char>(0x80 + i);
                break;
            }
        }
        octets += octet;
    }
    return octets;
}

QString depuisWindows1252(const QByteArray& octets)
{
    QString texte;
    texte.reserve(octets.size());
    for (char o : octets) {
        const auto b = static_cast<unsigned char>(o);
        if (b >= 0x80 && b < 0xA0 && kPlage80[b - 0x80] != 0)
            texte += QChar(kPlage80[b - 0x80]);
        else
            texte += QChar(b);
    }
    return texte;
}

} // namespace pava
