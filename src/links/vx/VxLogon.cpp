#include "VxLogon.h"

#include "MessageReporter.h"
#include "Settings.h"
#include "VxPasswordPrompt.h"
#include "ucVX700.h"

bool VxLogon(const QString &password, ucVX700 &link, VxPasswordPrompt *prompt)
{
    VxPasswordPrompt &ask = prompt ? *prompt : VxPasswordPrompt::instance();
    QString pw = password;
    for (;;) {
        link.VX700_Logon(pw);
        const qint32 code = link.ErrCode();
        if (code == ucVX700::VX_SUCCESS) {
            SaveSetting(QStringLiteral("Terminal"), QStringLiteral("Password"), pw);
            return true;
        }
        if (code != ucVX700::VX_ERR_TERMINAL_ACCESS_DENIED) {
            MessageReporter::instance().message(ucVX700::ErrMessage(code), MessageReporter::Icon::Exclamation);
            return false;
        }
        if (!ask.ask(pw))
            return false;
    }
}

QString StoredTerminalPassword()
{
    return GetSetting(QStringLiteral("Terminal"), QStringLiteral("Password"), QString::fromLatin1(kDefaultTerminalPassword));
}
