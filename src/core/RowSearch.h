#pragma once

#include <QString>

#include <functional>

// Find first / find next over the rows of a list: the search text is looked
// for, case-sensitively, in each row's text (its columns joined by tabs), from
// the first row or from the row after the first selected one. There is no
// wrap-around: after the last match there is nothing more to find.
class RowSearch
{
public:
    enum Mode { FindFirst = 0, FindNext = 1 };

    // The matching row, or -1 (also for an empty search text or no rows).
    // `firstSelected` is the first selected row, -1 for none.
    static int find(const QString &text, int rowCount, int firstSelected, int mode,
                    const std::function<QString(int)> &rowText);
    // The same with a row text written into a buffer that is reused from row
    // to row (no allocation per row over a long list).
    static int findInto(const QString &text, int rowCount, int firstSelected, int mode,
                        const std::function<void(int, QString *)> &rowText);
};
