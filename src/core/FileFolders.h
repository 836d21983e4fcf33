#pragma once

#include <QString>

// The folder a file dialog opens in, per kind of file ("PatrolData", "Tags",
// "Reports"): the folder of the last file of that kind chosen, kept in the
// settings (section "Folders"), or the workspace when there is none or it is gone.
namespace FileFolders {

QString initial(const QString &kind);
// Remembers the folder of `chosenFile` for `kind`.
void remember(const QString &kind, const QString &chosenFile);

}
