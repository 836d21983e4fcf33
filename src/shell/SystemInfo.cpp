#include "SystemInfo.h"

#include <QProcess>
#include <QStandardPaths>

namespace SystemInfo {

QStringList candidates()
{
    return {QStringLiteral("hardinfo2"), QStringLiteral("hardinfo"), QStringLiteral("kinfocenter"),
            QStringLiteral("gnome-system-monitor")};
}

QString findProgram()
{
    for (const QString &name : candidates()) {
        const QString path = QStandardPaths::findExecutable(name);
        if (!path.isEmpty())
            return path;
    }
    return QString();
}

bool start()
{
    const QString program = findProgram();
    return !program.isEmpty() && QProcess::startDetached(program, {});
}

}
