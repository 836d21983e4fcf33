#include "Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <cerrno>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Global: one settings store per run (chosen once at start, or by a test),
// read by every subsystem through the GetSetting functions.
QString g_configFolder;
// The failure of the last write, for the caller that saw it return false.
QString g_lastError;

QString keyPath(const QString &section, const QString &key)
{
    return section + QLatin1Char('/') + key;
}

// The store holds the application password, so only its user may read it. A
// missing file is made empty with mode 0600 before QSettings writes it, since
// its atomic save keeps the mode of the file it replaces; an existing file is
// made private before a write too, so that new contents are never readable by
// others. Anything that is not a plain file is left for QSettings to refuse.
void makePrivate(const QString &path)
{
    QDir().mkpath(QFileInfo(path).path());
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd >= 0) {
        ::close(fd);
        return;
    }
    struct stat st;
    if (errno == EEXIST && ::stat(name.constData(), &st) == 0 && S_ISREG(st.st_mode)
        && (st.st_mode & 07777) != (S_IRUSR | S_IWUSR))
        ::chmod(name.constData(), S_IRUSR | S_IWUSR);
}

// Writes through QSettings with the file kept private before and after.
template<typename Change>
bool writeStore(const QString &path, Change change)
{
    makePrivate(path);
    QSettings store(path, QSettings::IniFormat);
    change(store);
    store.sync();
    makePrivate(path);
    if (store.status() != QSettings::NoError) {
        g_lastError = QStringLiteral("Cannot write the settings file %1").arg(store.fileName());
        return false;
    }
    return true;
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
    return writeStore(filePath(application),
                      [&](QSettings &store) { store.setValue(keyPath(section, key), value); });
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
    if (ok && info.exists())
        makePrivate(path);
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
    return writeStore(Settings::filePath(), [&](QSettings &store) { store.remove(keyPath(section, key)); });
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
