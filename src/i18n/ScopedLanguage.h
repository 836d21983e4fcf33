#pragma once

#include <QString>

// Makes another language current for a while (to read or write its font) and
// puts the remembered language back when it goes out of scope, also when the
// work in between fails or is cancelled.
class ScopedLanguage
{
public:
    explicit ScopedLanguage(const QString &language);
    ~ScopedLanguage();
    ScopedLanguage(const ScopedLanguage &) = delete;
    ScopedLanguage &operator=(const ScopedLanguage &) = delete;

private:
    QString m_remembered;
};
