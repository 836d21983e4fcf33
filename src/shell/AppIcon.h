#pragma once

#include <QIcon>
#include <QPixmap>

// The program's icon (window, tray, about box), drawn rather than shipped as
// a file: a checkpoint tag on a blue shield.
namespace AppIcon {

QPixmap pixmap(int size);
QIcon icon();

}
