#pragma once

#include <QString>
#include <QStringList>

// The rules of the language editor that need no window: which buttons a
// selected language allows, whether a new name may be added, the editor's own
// fixed messages and the list of languages it shows.
namespace LanguageRules {

// English is every language's fallback and Traditional Chinese ships with the
// program: the editor neither edits nor deletes them.
bool isProtected(const QString &language);

struct Buttons
{
    bool edit = false;
    bool remove = false;
};
// Edit and Delete for the selected language `selected` while `current` is in
// use: protected languages allow neither, the current language no Delete.
Buttons buttonsFor(const QString &selected, const QString &current);

enum class NameCheck { Accepted, Empty, Exists };
// An empty (or blank) name is refused, so is one equal (exactly, case-sensitive) to an
// entry of `existing`; a name differing only in case is left to the store.
NameCheck checkNewName(const QString &name, const QStringList &existing);

// The languages of the store in stored order, at most 101, up to the first
// empty name.
QStringList languageNames();

// Adds a language whose name passes checkNewName against the store's
// languages; false with `error` set (the editor's message or the store's).
bool addLanguage(const QString &name, QString *error);
// Deletes a language the editor lets go (not protected, not current) and has
// the store read itself again; false with `error` set when refused or failed.
bool deleteLanguage(const QString &name, QString *error);

// The editor's fixed messages (not numbered texts).
QString deleteQuestion(const QString &language);
QString emptyNameMessage();
QString existsMessage(const QString &name);

}
