#include "AppIcon.h"

// The PNGs of resources/icons, compiled into this library.
static void initIconResources()
{
    Q_INIT_RESOURCE(icons);
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

QPixmap pixmap(int size)
{
    return icon().pixmap(size, size);
}

}
