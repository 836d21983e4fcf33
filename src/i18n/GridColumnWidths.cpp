#include "GridColumnWidths.h"

#include "Settings.h"

namespace GridColumnWidths {

namespace {
const QString kApplication = QStringLiteral("GridColWidth");
}

QString section()
{
    return QStringLiteral("datString\\Select * From StringList Order by [English]");
}

int load(const QString &field)
{
    const int width = LeadingNumber(Settings::GetAppSetting(kApplication, section(), field, QStringLiteral("0")));
    return width > 0 ? width : 0;
}

bool save(const QString &field, int width)
{
    return Settings::SaveAppSetting(kApplication, section(), field, QString::number(width));
}

}
