#pragma once

#include <QString>

// Widths of the translation grid's columns, kept in the settings file of the
// application "GridColWidth" under the grid's data source, one key per column
// (its StringList field name), in pixels.
namespace GridColumnWidths {

// The section: the data control's name, a backslash and its query.
QString section();
// The saved width of `field`; 0 when none is saved or the value is not a
// positive number (the designed width then stays).
int load(const QString &field);
// False when the settings file cannot be written.
bool save(const QString &field, int width);

}
