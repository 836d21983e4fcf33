#pragma once

#include <QIcon>
#include <QPixmap>

// The program's icon (window, tray, about box): the installed theme icon
// org.tavrel.Tavrel where there is one, else the copy built into the program,
// so every place shows the same picture as the desktop entry.
namespace AppIcon {

QPixmap pixmap(int size);
QIcon icon();
// Lets QIcon::fromTheme find the icons the program ships (the printer) when
// the desktop's icon theme has none of that name.
void useShippedIcons();
// Another picture shipped in resources/icons (navigation, commands), by file name.
QIcon shipped(const QString &fileName);

}
