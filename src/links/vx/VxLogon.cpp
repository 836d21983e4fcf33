#include "VxLogon.h"

#include "MessageReporter.h"
#include "SerialTransport.h"
#include "Settings.h"
#include "VxPasswordPrompt.h"
#include "ucVX700.h"

bool VxLogon(const QString &password, ucVX700 &link, VxPasswordPrompt *prompt)
{
    QString pw = password;
    for (;;) {
        link.VX700_Logon(pw);
        const qint32 code = link.ErrCode();
        if (code == ucVX700::VX_SUCCESS) {
            // The logon stands; only the next one would have to ask again.
            if (!SaveSetting(QStringLiteral("Terminal"), QStringLiteral("Password"), pw))
                MessageReporter::instance().message(
                    QStringLiteral("The terminal accepted the password, but it could not be saved: %1")
                        .arg(Settings::lastError()),
                    MessageReporter::Icon::Exclamation);
            return true;
        }
        if (code != ucVX700::VX_ERR_TERMINAL_ACCESS_DENIED) {
            MessageReporter::instance().message(code == ucVX700::VX_ERR_PORT_IN_USE
                                                    ? SerialTransport::portInUseText(link.Comport())
                                                    : ucVX700::ErrMessage(code),
                                                MessageReporter::Icon::Exclamation);
            return false;
        }
        // Without a prompt there is no one to ask: the refusal ends the logon.
        if (!prompt || !prompt->ask(pw))
            return false;
    }
}

QString StoredTerminalPassword()
{
    return GetSetting(QStringLiteral("Terminal"), QStringLiteral("Password"), QString::fromLatin1(kDefaultTerminalPassword));
}
