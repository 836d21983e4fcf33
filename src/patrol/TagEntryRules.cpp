#include "TagEntryRules.h"

#include "CRes.h"

namespace {

bool isHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F');
}

}

bool TagEntryRules::acceptsCodeKey(QChar c)
{
    return isHexDigit(c);
}

bool TagEntryRules::keepsCodeText(const QString &text)
{
    for (const QChar c : text)
        if (!((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')))
            return false;
    return true;
}

TagEntryRules::Problem TagEntryRules::validate(const QString &code, const QString &description)
{
    CRes &res = CRes::instance();
    Problem p;
    if (code.isEmpty())
        p = {res.ResString(162, QStringLiteral("Please enter the tag code.")), Field::Code};
    if (code.size() != kCodeLength)
        p = {res.ResString(163, QStringLiteral("The tag code must be exactly 10 characters long.")), Field::Code};
    for (const QChar c : code) {
        if (!isHexDigit(c)) {
            p = {res.ResString(164, QStringLiteral("The tag code may contain only these characters:"))
                     + QStringLiteral("\n\n0 1 2 3 4 5 6 7 8 9 A B C D E F"),
                 Field::Code};
            break;
        }
    }
    if (description.isEmpty())
        p = {res.ResString(165, QStringLiteral("Please enter a description.")), Field::Description};
    return p;
}

QString TagEntryRules::duplicateMessage(const QString &code)
{
    return code + QStringLiteral("\n\n")
        + CRes::instance().ResString(170, QStringLiteral("This tag code is already defined."));
}
