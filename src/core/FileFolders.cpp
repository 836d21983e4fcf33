#include "FileFolders.h"

#include "Settings.h"
#include "Workspace.h"

#include <QFileInfo>

namespace {
const char kSection[] = "Folders";
}

QString FileFolders::initial(const QString &kind)
{
    const QString folder = GetSetting(QLatin1String(kSection), kind);
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        return folder;
    return Workspace::current();
}

void FileFolders::remember(const QString &kind, const QString &chosenFile)
{
    if (!chosenFile.isEmpty())
        SaveSetting(QLatin1String(kSection), kind, QFileInfo(chosenFile).absolutePath());
}
