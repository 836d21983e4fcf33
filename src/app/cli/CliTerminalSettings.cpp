#include "CliTerminalSettings.h"

#include "CRes.h"
#include "TerminalOptions.h"
#include "TerminalSearch.h"

namespace {

constexpr int kNotFoundText = 258;

}

int cliSearch(CliContext &context)
{
    if (!context.args.isEmpty()) {
        context.err << "usage: tavrel-cli search\n";
        return CliExit::kUsage;
    }
    TerminalSearch search;
    const TerminalSearch::Result result = search.run();
    if (!result.found) {
        context.out << CRes::instance().ResString(kNotFoundText, QStringLiteral("Not found")) << '\n';
        return CliExit::kNoRecords;
    }
    context.out << TerminalOptions::familyName(result.family) << '\t' << result.port << '\n';
    if (!result.saveError.isEmpty()) {
        context.err << "tavrel-cli: " << result.saveError << '\n';
        return CliExit::kFailure;
    }
    return CliExit::kOk;
}

int cliOptions(CliContext &context)
{
    TerminalOptions options = TerminalOptions::load();
    if (context.args.isEmpty()) {
        for (const QString &key : TerminalOptions::keys())
            context.out << key << '\t' << options.value(key) << '\n';
        return CliExit::kOk;
    }
    if (context.args.size() != 3 || context.args.first() != QLatin1String("set")) {
        context.err << "usage: tavrel-cli options [set KEY VALUE]   keys: "
                    << TerminalOptions::keys().join(QStringLiteral(", ")) << '\n';
        return CliExit::kUsage;
    }
    QString error;
    if (!options.set(context.args.at(1), context.args.at(2), &error)) {
        context.err << "tavrel-cli: " << error << '\n';
        return CliExit::kFailure;
    }
    if (!options.save(&error)) {
        context.err << "tavrel-cli: " << error << '\n';
        return CliExit::kFailure;
    }
    return CliExit::kOk;
}
