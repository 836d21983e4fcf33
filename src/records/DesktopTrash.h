#pragma once

#include <QString>

// The desktop's trash as freedesktop.org lays it out,
// $XDG_DATA_HOME/Trash (else ~/.local/share/Trash): a file moved there sits in
// files/ with its origin and deletion time in info/NAME.trashinfo, so that a
// file manager can put it back.
class DesktopTrash
{
public:
    // The trash folder, an absolute path; empty when there is no home to hold it.
    static QString folder();
    // Moves `path` into the trash, making the trash (mode 0700) where it is
    // missing. False with `error` when that cannot be done; the file is then
    // where it was.
    static bool moveToTrash(const QString &path, QString *error);
};
