#pragma once

#include <QList>

class QAction;

// The texts and tool tips of commands that come from the language store: each
// action keeps its English text as the fallback and takes the stored one on apply().
class ActionTexts
{
public:
    // A number 0 leaves that text alone.
    void add(QAction *action, int textNumber, int toolTipNumber);
    void apply() const;

private:
    struct Entry
    {
        QAction *action;
        int textNumber;
        int toolTipNumber;
    };
    QList<Entry> m_entries;
};
