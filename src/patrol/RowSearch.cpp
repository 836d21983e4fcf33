#include "RowSearch.h"

int RowSearch::find(const QString &text, int rowCount, int firstSelected, int mode,
                    const std::function<QString(int)> &rowText)
{
    if (text.isEmpty() || rowCount <= 0)
        return -1;
    const int start = mode == FindNext && firstSelected >= 0 ? firstSelected + 1 : 0;
    for (int row = start; row < rowCount; ++row)
        if (rowText(row).contains(text, Qt::CaseSensitive))
            return row;
    return -1;
}
