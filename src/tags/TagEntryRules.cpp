#include "TagEntryRules.h"

#include "CRes.h"

namespace {

bool isHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F');
}

enum class Entry { ByHand, Imported };

TagEntryRules::Problem check(const QString &code, const QString &description, Entry entry)
{
    using Field = TagEntryRules::Field;
    CRes &res = CRes::instance();
    TagEntryRules::Problem p;
    if (code.isEmpty())
        p = {res.ResString(162, QStringLiteral("Please enter the tag code.")), Field::Code};
    if (code.size() != TagEntryRules::kCodeLength)
        p = {res.ResString(163, QStringLiteral("The tag code must be exactly 10 characters long.")), Field::Code};
    for (const QChar c : code) {
        if (!isHexDigit(c) && !(entry == Entry::Imported && c >= u'a' && c <= u'f')) {
            p = {res.ResString(164, QStringLiteral("The tag code may contain only these characters:"))
                     + QStringLiteral("\n\n0 1 2 3 4 5 6 7 8 9 A B C D E F"),
                 Field::Code};
            break;
        }
    }
    if (description.isEmpty() && entry == Entry::ByHand)
        p = {res.ResString(165, QStringLiteral("Please enter a description.")), Field::Description};
    if (description.size() > TagEntryRules::kDescriptionLength)
        p = {res.ResString(93, QStringLiteral("A description may have at most 255 characters.")), Field::Description};
    if (TagEntryRules::hasControlCharacter(description))
        p = {res.ResString(92, QStringLiteral("A description may not contain line breaks, tabs or other control "
                                              "characters.")),
             Field::Description};
    return p;
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
    return check(code, description, Entry::ByHand);
}

TagEntryRules::Problem TagEntryRules::validateImported(const QString &code, const QString &description)
{
    return check(code, description, Entry::Imported);
}

bool TagEntryRules::hasControlCharacter(QStringView text)
{
    for (const QChar c : text) {
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Separator_Line
            || category == QChar::Separator_Paragraph)
            return true;
    }
    return false;
}

QString TagEntryRules::duplicateMessage(const QString &code)
{
    return code + QStringLiteral("\n\n")
        + CRes::instance().ResString(170, QStringLiteral("This tag code is already defined."));
}
