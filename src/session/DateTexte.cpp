#include "session/DateTexte.h"

#include <QStringList>

namespace pava {

namespace {
const QString kFormat = QStringLiteral("dd/MM/yyyy HH:mm:ss");
}

QString texteDateHeure(const QDateTime& moment)
{
    return moment.toString(kFormat);
}

QString texteDateHeureMaintenant()
{
    return texteDateHeure(QDateTime::currentDateTime());
}

QDateTime lireDateHeure(const QString& texte)
{
    const QString t = texte.trimmed();
    if (t.isEmpty() || t.size() > 64)
        return {};
    static const QStringList formatsDateHeure = {
        kFormat,
        QStringLiteral("dd/MM/yyyy HH:mm"),
        QStringLiteral("d/M/yyyy H:mm:ss"),
        QStringLiteral("d/M/yyyy H:mm"),
    };
    for (const QString& f : formatsDateHeure) {
        const QDateTime dt = QDateTime::fromString(t, f);
        if (dt.isValid())
            return dt;
    }
    for (const QString& f : {QStringLiteral("dd/MM/yyyy"), QStringLiteral("d/M/yyyy")}) {
        const QDate d = QDate::fromString(t, f);
        if (d.isValid())
            return QDateTime(d, QTime(0, 0));
    }
    if (const QDateTime iso = QDateTime::fromString(t, Qt::ISODate); iso.isValid())
        return iso;
    if (const QDate isoDate = QDate::fromString(t, Qt::ISODate); isoDate.isValid())
        return QDateTime(isoDate, QTime(0, 0));
    return {};
}

} // namespace pava
