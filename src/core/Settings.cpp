#include "Settings.h"

#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <limits>

namespace {
QString g_configFolder;
QString g_lastError;

QString keyPath(const QString &section, const QString &key)
{
    return section + QLatin1Char('/') + key;
}
}

namespace Settings {

QString configFolder()
{
    if (!g_configFolder.isEmpty())
        return g_configFolder;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

void setConfigFolder(const QString &folder)
{
    g_configFolder = folder;
}

QString filePath(const QString &applicationName)
{
    return configFolder() + QLatin1Char('/') + applicationName + QLatin1Char('/') + applicationName
        + QStringLiteral(".conf");
}

QString GetAppSetting(const QString &application, const QString &section, const QString &key,
                      const QString &defaultValue)
{
    QSettings store(filePath(application), QSettings::IniFormat);
    const QVariant value = store.value(keyPath(section, key));
    return value.isValid() ? value.toString() : defaultValue;
}

bool SaveAppSetting(const QString &application, const QString &section, const QString &key,
                    const QString &value)
{
    QSettings store(filePath(application), QSettings::IniFormat);
    store.setValue(keyPath(section, key), value);
    store.sync();
    if (store.status() != QSettings::NoError) {
        g_lastError = QStringLiteral("Cannot write the settings file %1").arg(store.fileName());
        return false;
    }
    return true;
}

QString lastError()
{
    return g_lastError;
}

bool checkStore(QString *error)
{
    const QString path = filePath();
    const QFileInfo info(path);
    bool ok = !info.exists() || (info.isFile() && info.isReadable());
    if (ok) {
        QSettings store(path, QSettings::IniFormat);
        ok = store.status() == QSettings::NoError;
    }
    if (!ok && error)
        *error = QStringLiteral("Cannot read the settings file %1").arg(path);
    return ok;
}

}

QString GetSetting(const QString &section, const QString &key, const QString &defaultValue)
{
    return Settings::GetAppSetting(QStringLiteral("Tavrel"), section, key, defaultValue);
}

bool SaveSetting(const QString &section, const QString &key, const QString &value)
{
    return Settings::SaveAppSetting(QStringLiteral("Tavrel"), section, key, value);
}

bool DeleteSetting(const QString &section, const QString &key)
{
    QSettings store(Settings::filePath(), QSettings::IniFormat);
    store.remove(keyPath(section, key));
    store.sync();
    if (store.status() != QSettings::NoError) {
        g_lastError = QStringLiteral("Cannot write the settings file %1").arg(store.fileName());
        return false;
    }
    return true;
}

int LeadingNumber(const QString &text)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+'))) {
        negative = t[i] == QLatin1Char('-');
        ++i;
    }
    qint64 value = 0;
    for (; i < t.size() && t[i].isDigit() && t[i].unicode() < 128; ++i) {
        value = value * 10 + (t[i].unicode() - '0');
        if (value > std::numeric_limits<int>::max())
            return negative ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max();
    }
    return int(negative ? -value : value);
}

int GetSettingNumber(const QString &section, const QString &key, int defaultValue)
{
    return LeadingNumber(GetSetting(section, key, QString::number(defaultValue)));
}
