#include "CentralSettings.h"

#include "Settings.h"

namespace {
const QString kSection = QStringLiteral("Central");
}

CentralSettings CentralSettings::fromSettings()
{
    CentralSettings s;
    s.host = GetSetting(kSection, QStringLiteral("Host"));
    s.port = GetSettingNumber(kSection, QStringLiteral("Port"), 5432);
    s.database = GetSetting(kSection, QStringLiteral("Database"));
    s.user = GetSetting(kSection, QStringLiteral("User"));
    s.sslMode = GetSetting(kSection, QStringLiteral("SslMode"));
    return s;
}

bool CentralSettings::save(QString *error) const
{
    const bool ok = SaveSetting(kSection, QStringLiteral("Host"), host)
        && SaveSetting(kSection, QStringLiteral("Port"), QString::number(port))
        && SaveSetting(kSection, QStringLiteral("Database"), database)
        && SaveSetting(kSection, QStringLiteral("User"), user)
        && SaveSetting(kSection, QStringLiteral("SslMode"), sslMode);
    if (!ok && error)
        *error = Settings::lastError();
    return ok;
}

QString CentralSettings::describe() const
{
    QString text = database;
    if (!host.isEmpty())
        text += QStringLiteral(" on %1:%2").arg(host).arg(port);
    if (!user.isEmpty())
        text += QStringLiteral(" as %1").arg(user);
    return text;
}
