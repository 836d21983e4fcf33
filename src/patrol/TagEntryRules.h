#pragma once

#include <QChar>
#include <QString>

// The rules of a tag definition entered by hand: a code of exactly ten
// upper-case hexadecimal digits and a description that is not empty. The tag
// dialog and the command line both check through these.
class TagEntryRules
{
public:
    static constexpr int kCodeLength = 10;
    static constexpr int kDescriptionLength = 255;

    enum class Field { None, Code, Description };
    struct Problem
    {
        QString message; // empty: nothing to report
        Field field = Field::None;
    };

    // A typed character the code field takes: 0-9 and A-F only.
    static bool acceptsCodeKey(QChar c);
    // The code field keeps a changed text only when it is letters and digits
    // (empty included); anything else (a paste) empties it.
    static bool keepsCodeText(const QString &text);
    // The checks in their order; the last failing one is reported, with the
    // field to focus.
    static Problem validate(const QString &code, const QString &description);
    // The refusal of a code that is already defined: the code, two line
    // breaks and text 170.
    static QString duplicateMessage(const QString &code);
};
