#include "RowSearch.h"

int RowSearch::find(const QString &text, int rowCount, int firstSelected, int mode,
                    const std::function<QString(int)> &rowText)
{
    return findInto(text, rowCount, firstSelected, mode, [&](int row, QString *into) { *into = rowText(row); });
}

int RowSearch::findInto(const QString &text, int rowCount, int firstSelected, int mode,
                        const std::function<void(int, QString *)> &rowText)
{
    if (text.isEmpty() || rowCount <= 0)
        return -1;
    const int start = mode == FindNext && firstSelected >= 0 ? firstSelected + 1 : 0;
    QString buffer;
    for (int row = start; row < rowCount; ++row) {
        rowText(row, &buffer);
        if (buffer.contains(text, Qt::CaseSensitive))
            return row;
    }
    return -1;
}
