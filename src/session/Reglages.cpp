#include "session/Reglages.h"

#include <QSettings>

namespace pava {

QString LitReglage(const QString& cle, const QString& defaut)
{
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("PavaCCAM"),
                QStringLiteral("PavaCCAM"));
    s.beginGroup(QStringLiteral("Settings"));
    return s.value(cle, defaut).toString();
}

bool EcritReglage(const QString& cle, const QString& valeur)
{
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("PavaCCAM"),
                QStringLiteral("PavaCCAM"));
    s.beginGroup(QStringLiteral("Settings"));
    s.setValue(cle, valeur);
    s.sync();
    return s.status() == QSettings::NoError;
}

} // namespace pava
