#include "MailSettings.h"

#include "Settings.h"
#include "SmtpMessage.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

namespace {

QString mailSetting(const char *key)
{
    return GetSetting(QStringLiteral("Mail"), QLatin1String(key)).trimmed();
}

}

int MailSettings::defaultPort(Security security)
{
    switch (security) {
    case Security::StartTls:
        return 587;
    case Security::Tls:
        return 465;
    case Security::None:
        break;
    }
    return 25;
}

bool MailSettings::load(MailSettings *settings, QString *error)
{
    MailSettings s;
    const QString security = mailSetting("Security").toLower();
    if (security.isEmpty() || security == QLatin1String("none"))
        s.security = Security::None;
    else if (security == QLatin1String("starttls"))
        s.security = Security::StartTls;
    else if (security == QLatin1String("tls"))
        s.security = Security::Tls;
    else {
        *error = QStringLiteral("[Mail] Security is %1; it takes none, starttls or tls").arg(security);
        return false;
    }
    s.server = mailSetting("Server");
    if (s.server.isEmpty() || s.server.contains(QLatin1Char('/')) || s.server.contains(QLatin1Char(' '))) {
        *error = s.server.isEmpty() ? QStringLiteral("[Mail] Server is not set: name the outgoing mail server")
                                    : QStringLiteral("[Mail] Server %1 is no host name").arg(s.server);
        return false;
    }
    const QString port = mailSetting("Port");
    bool ok = true;
    s.port = port.isEmpty() ? defaultPort(s.security) : port.toInt(&ok);
    if (!ok || s.port < 1 || s.port > 65535) {
        *error = QStringLiteral("[Mail] Port %1 is no port number").arg(port);
        return false;
    }
    s.sender = mailSetting("Sender");
    if (!SmtpMessage::isAddress(s.sender)) {
        *error = s.sender.isEmpty() ? QStringLiteral("[Mail] Sender is not set: give the address the report comes from")
                                    : QStringLiteral("[Mail] Sender %1 is no mail address").arg(s.sender);
        return false;
    }
    s.user = mailSetting("User");
    s.passwordFile = mailSetting("PasswordFile");
    if (!s.user.isEmpty() && s.passwordFile.isEmpty()) {
        *error = QStringLiteral("[Mail] User is set but PasswordFile is not: name the file that holds the password");
        return false;
    }
    *settings = s;
    return true;
}

bool MailSettings::readPassword(QString *password, QString *error) const
{
    password->clear();
    if (passwordFile.isEmpty())
        return true;
    const QString path = QDir::toNativeSeparators(passwordFile);
    struct stat info;
    if (::stat(QFile::encodeName(passwordFile).constData(), &info) != 0 || !S_ISREG(info.st_mode)) {
        *error = QStringLiteral("The mail password file %1 cannot be read: it does not exist or is no file").arg(path);
        return false;
    }
    if (info.st_mode & (S_IRGRP | S_IROTH)) {
        *error = QStringLiteral("The mail password file %1 can be read by other users; make it yours alone "
                                "(chmod 600 %1) and send again")
                     .arg(path);
        return false;
    }
    QFile file(passwordFile);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("The mail password file %1 cannot be read: %2").arg(path, file.errorString());
        return false;
    }
    QByteArray line = file.readLine();
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    *password = QString::fromUtf8(line);
    return true;
}
