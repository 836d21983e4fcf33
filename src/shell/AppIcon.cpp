#include "AppIcon.h"

// The PNGs of resources/icons, compiled into this library; registered once.
static void initIconResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    Q_UNUSED(registered);
}

namespace AppIcon {

QIcon icon()
{
    static const QIcon shipped = [] {
        initIconResources();
        QIcon builtIn;
        for (const int size : {16, 32, 48, 64, 128, 256})
            builtIn.addFile(QStringLiteral(":/icons/org.tavrel.Tavrel-%1.png").arg(size));
        return QIcon::fromTheme(QStringLiteral("org.tavrel.Tavrel"), builtIn);
    }();
    return shipped;
}

void useShippedIcons()
{
    initIconResources();
    QStringList paths = QIcon::fallbackSearchPaths();
    const QString shipped = QStringLiteral(":/icons/fallback");
    if (!paths.contains(shipped))
        QIcon::setFallbackSearchPaths(paths << shipped);
}

QIcon shipped(const QString &fileName)
{
    initIconResources();
    return QIcon(QStringLiteral(":/icons/") + fileName);
}

QPixmap pixmap(int size)
{
    return icon().pixmap(size, size);
}

}
