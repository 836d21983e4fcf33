#include "LanguageRules.h"

#include "CRes.h"

namespace LanguageRules {

namespace {
// The editor's list holds elements 0 to 100.
constexpr int kMaxLanguages = 101;
}

bool isProtected(const QString &language)
{
    return language == QLatin1String("English") || language == QLatin1String("Traditional Chinese");
}

Buttons buttonsFor(const QString &selected, const QString &current)
{
    if (selected.isEmpty() || isProtected(selected))
        return {false, false};
    return {true, selected != current};
}

NameCheck checkNewName(const QString &name, const QStringList &existing)
{
    // Blanks alone make no name the store would accept either.
    if (name.trimmed().isEmpty())
        return NameCheck::Empty;
    return existing.contains(name, Qt::CaseSensitive) ? NameCheck::Exists : NameCheck::Accepted;
}

QStringList languageNames()
{
    QStringList names(kMaxLanguages);
    CRes::instance().GetAllLanguageName(names);
    QStringList listed;
    for (const QString &name : std::as_const(names)) {
        if (name.isEmpty() || listed.size() == kMaxLanguages)
            break;
        listed.append(name);
    }
    return listed;
}

bool addLanguage(const QString &name, QString *error)
{
    switch (checkNewName(name, languageNames())) {
    case NameCheck::Empty:
        *error = emptyNameMessage();
        return false;
    case NameCheck::Exists:
        *error = existsMessage(name);
        return false;
    case NameCheck::Accepted:
        break;
    }
    return CRes::instance().CreateLanguage(name, error);
}

bool deleteLanguage(const QString &name, QString *error)
{
    CRes &res = CRes::instance();
    if (!languageNames().contains(name)) {
        *error = QStringLiteral("There is no language %1").arg(name);
        return false;
    }
    if (!buttonsFor(name, res.Language()).remove) {
        *error = QStringLiteral("The language %1 cannot be deleted: it is %2.")
                     .arg(name, isProtected(name) ? QStringLiteral("delivered with the program")
                                                  : QStringLiteral("the current language"));
        return false;
    }
    if (!res.DeleteLanguage(name, error))
        return false;
    // The store still holds the dropped column in memory until it reads again.
    res.Refresh();
    return true;
}

QString deleteQuestion(const QString &language)
{
    return QStringLiteral("Delete the language \"%1\" and all of its texts? This cannot be undone.").arg(language);
}

QString emptyNameMessage()
{
    return QStringLiteral("Please enter the name of the new language.");
}

QString existsMessage(const QString &name)
{
    return name + QStringLiteral(" already exists in the list of languages.");
}

}
