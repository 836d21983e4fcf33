#pragma once

#include <QLocale>
#include <QString>

// Qt's own windows (file, print, font and colour dialogs, the print preview's
// tool bar, message-box buttons) speak the interface language through Qt's
// translation catalogues (Debian package qt6-translations-l10n). The program's
// languages are names in Res.mdb ("Japanese", "Traditional Chinese", or any
// name an editor added); a name is matched to a locale by Qt's own English or
// native name of that language.
class QtTranslations
{
public:
    // The locale of a language name: the shipped names, then any name Qt
    // knows for a language ("German", "Deutsch", "Korean"), then a locale code
    // ("pt_BR"). QLocale::c() when the name is none of these.
    static QLocale localeOf(const QString &language);

    // Makes Qt's windows speak `language`: installs its catalogue on the
    // application, or removes the one installed when the language is English,
    // unknown or has no catalogue (Qt's windows are English then). Windows
    // already open follow at once. Only a windowed program has Qt windows: in
    // any other nothing is loaded. False when no catalogue is in use after.
    static bool use(const QString &language);

    // The locale name of the catalogue in use ("ja_JP", "zh_TW"), empty for none.
    static QString current();
};
