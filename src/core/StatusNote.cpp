#include "StatusNote.h"

StatusNote &StatusNote::instance()
{
    static StatusNote note;
    return note;
}

void StatusNote::post(const QString &text)
{
    Q_EMIT instance().noted(text);
}
