#include "CliLanguage.h"

#include "CRes.h"
#include "LanguageRules.h"

int cliLanguage(CliContext &context)
{
    const QStringList &args = context.args;
    const QString command = args.value(0, QStringLiteral("list"));
    const bool listing = command == QLatin1String("list") && args.size() <= 1;
    if (!listing && (args.size() != 2 || !QStringList{"set", "add", "delete"}.contains(command))) {
        context.err << "usage: tavrel-cli language [list] | set NAME | add NAME | delete NAME\n";
        return CliExit::kUsage;
    }
    CRes &res = CRes::instance();
    if (!res.isOpen())
        return CliExit::kFailure;
    context.out.setEncoding(QStringConverter::Utf8);
    context.err.setEncoding(QStringConverter::Utf8);
    const QStringList languages = LanguageRules::languageNames();
    const QString current = res.Language();
    if (listing) {
        for (const QString &language : languages)
            context.out << language << (language == current ? "\tcurrent\n" : "\n");
        return CliExit::kOk;
    }
    const QString name = args.at(1);
    QString error;
    bool done = false;
    if (command == QLatin1String("set")) {
        done = languages.contains(name);
        if (done)
            res.setLanguage(name);
        else
            error = QStringLiteral("There is no language %1").arg(name);
    } else if (command == QLatin1String("add")) {
        done = LanguageRules::addLanguage(name, &error);
    } else {
        done = LanguageRules::deleteLanguage(name, &error);
    }
    if (!done)
        context.err << "tavrel-cli: " << error << '\n';
    return done ? CliExit::kOk : CliExit::kFailure;
}
