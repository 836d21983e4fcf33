#include "QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QRegularExpression>
#include <QTranslator>

namespace {

// Owned by the application, so that it goes with it.
QPointer<QTranslator> s_translator;
QString s_current;

bool sameName(const QString &a, const QString &b)
{
    return QString::compare(a, b, Qt::CaseInsensitive) == 0;
}

}

QLocale QtTranslations::localeOf(const QString &language)
{
    const QString name = language.simplified();
    if (name.isEmpty())
        return QLocale::c();
    // Qt names the two written forms of Chinese by script; the program by the
    // words "Traditional" and "Simplified" in either order ("繁體中文" too).
    if (name.contains(u"chinese", Qt::CaseInsensitive) || name.contains(u"中文")) {
        const bool traditional = name.contains(u"traditional", Qt::CaseInsensitive) || name.contains(u"繁");
        return traditional ? QLocale(QLocale::Chinese, QLocale::TraditionalHanScript, QLocale::Taiwan)
                           : QLocale(QLocale::Chinese, QLocale::SimplifiedHanScript, QLocale::China);
    }
    for (int l = QLocale::C + 1; l <= QLocale::LastLanguage; ++l) {
        const auto candidate = QLocale::Language(l);
        if (sameName(QLocale::languageToString(candidate), name))
            return QLocale(candidate);
    }
    for (int l = QLocale::C + 1; l <= QLocale::LastLanguage; ++l) {
        const QLocale candidate(static_cast<QLocale::Language>(l));
        if (candidate.language() == l && sameName(candidate.nativeLanguageName(), name))
            return candidate;
    }
    static const QRegularExpression code(QStringLiteral("^[A-Za-z]{2,3}([_-][A-Za-z0-9]{2,4}){0,2}$"));
    if (code.match(name).hasMatch()) {
        const QLocale byCode(name);
        if (byCode.language() != QLocale::C)
            return byCode;
    }
    return QLocale::c();
}

bool QtTranslations::use(const QString &language)
{
    QCoreApplication *app = QCoreApplication::instance();
    const QLocale locale = localeOf(language);
    const bool wanted = app && app->inherits("QGuiApplication") && locale.language() != QLocale::C
        && locale.language() != QLocale::English;
    if (wanted && s_translator && s_current == locale.name())
        return true;

    QTranslator *next = nullptr;
    if (wanted) {
        next = new QTranslator(app);
        if (!next->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            delete next;
            next = nullptr;
        }
    }
    if (s_translator) {
        QCoreApplication::removeTranslator(s_translator);
        delete s_translator;
    }
    s_translator = next;
    s_current = next ? locale.name() : QString();
    if (next)
        QCoreApplication::installTranslator(next);
    return next != nullptr;
}

QString QtTranslations::current()
{
    return s_translator ? s_current : QString();
}
