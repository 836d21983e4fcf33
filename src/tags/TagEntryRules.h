#pragma once

#include <QChar>
#include <QString>

// The rules of a tag definition: a code of exactly ten hexadecimal digits and
// a description of at most 255 characters without control characters (a tab
// or a line break would split the line of a .tag file). Entered by hand (the
// tag dialog, the command line), the digits are upper case and the description
// is not empty; an imported definition may have lower-case digits (codes
// compare without regard to case) and an empty description, as old tables hold.
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
    // The same checks for a definition read from a file.
    static Problem validateImported(const QString &code, const QString &description);
    // A character no description or code may hold: C0 and C1 controls, DEL,
    // and the Unicode line and paragraph separators.
    static bool hasControlCharacter(QStringView text);
    // The refusal of a code that is already defined: the code, two line
    // breaks and text 170.
    static QString duplicateMessage(const QString &code);
};
