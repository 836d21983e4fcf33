#include "ActionTexts.h"

#include "CRes.h"

#include <QAction>

void ActionTexts::add(QAction *action, int textNumber, int toolTipNumber)
{
    if (textNumber || toolTipNumber)
        m_entries.append({action, textNumber, toolTipNumber});
}

void ActionTexts::apply() const
{
    CRes &res = CRes::instance();
    for (const Entry &e : m_entries) {
        if (e.textNumber)
            e.action->setText(res.ResString(e.textNumber, e.action->text()));
        if (e.toolTipNumber)
            e.action->setToolTip(res.ResString(e.toolTipNumber, e.action->toolTip()));
    }
}
