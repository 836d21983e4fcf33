#include "CliData.h"

#include "CliFlags.h"
#include "CliPatrol.h"
#include "CliPlans.h"

#include "PatrolDataLoader.h"
#include "PatrolExport.h"
#include "TagFile.h"
#include "TagStore.h"
#include "rptPatrolData.h"
#include "rptTagDef.h"

namespace {

constexpr int kDataFailure = 2;

// The rows of a patrol-data file as the list shows them; false after saying why.
bool loadRows(CliContext &context, const QString &path, QList<PatrolRow> *rows)
{
    QString error;
    const QHash<QString, QString> descriptions = TagStore::descriptionMap(&error);
    if (!error.isEmpty()) {
        context.err << "tavrel-cli: " << error << '\n';
        return false;
    }
    const QString suffix = path.right(3).toUpper();
    if (suffix != QLatin1String("TVL") && suffix != QLatin1String("MDB")) {
        context.err << "tavrel-cli: " << path << " is not a patrol-data file (.tvl or .mdb)\n";
        return false;
    }
    PatrolLoadResult loaded = PatrolDataLoader::load(path, descriptions);
    if (!loaded.ok) {
        context.err << "tavrel-cli: " << loaded.error << '\n';
        return false;
    }
    if (!loaded.skippedLines.isEmpty())
        context.err << PatrolDataLoader::skippedText(loaded.skippedLines,
                                                     QStringLiteral("tavrel-cli: %1 lines skipped (%2)"))
                    << '\n';
    *rows = std::move(loaded.rows);
    return true;
}

int fail(CliContext &context, const QString &error)
{
    context.err << "tavrel-cli: " << error << '\n';
    return kDataFailure;
}

}

bool cliNeedsGui(const QString &command)
{
    return command == QLatin1String("report") || command == QLatin1String("exceptions");
}

int cliExport(CliContext &context)
{
    const QStringList &a = context.args;
    if (a.size() != 3 || (a[1] != QLatin1String("--xlsx") && a[1] != QLatin1String("--text"))) {
        context.err << "usage: tavrel-cli export PATH --xlsx OUT.xlsx | --text OUT.txt\n";
        return CliExit::kUsage;
    }
    QList<PatrolRow> rows;
    if (!loadRows(context, a[0], &rows))
        return kDataFailure;
    QString error;
    const bool ok = a[1] == QLatin1String("--xlsx")
        ? PatrolExport::writeXlsx(a[2], rows, PatrolExport::captions(), &error)
        : PatrolExport::writeText(a[2], rows, &error);
    return ok ? CliExit::kOk : fail(context, error);
}

int cliReport(CliContext &context)
{
    const QStringList &a = context.args;
    const bool patrol = a.size() == 4 && a[0] == QLatin1String("patrol") && a[2] == QLatin1String("--pdf");
    const bool tags = a.size() == 3 && a[0] == QLatin1String("tags") && a[1] == QLatin1String("--pdf");
    if (!patrol && !tags) {
        context.err << "usage: tavrel-cli report patrol PATH --pdf OUT.pdf | report tags --pdf OUT.pdf\n";
        return CliExit::kUsage;
    }
    QString error;
    if (patrol) {
        QList<PatrolRow> rows;
        if (!loadRows(context, a[1], &rows))
            return kDataFailure;
        rptPatrolData report;
        if (!report.load(rows, &error))
            return fail(context, error);
        report.SetupPatrolDataReport();
        return report.writePdf(a[3], &error) ? CliExit::kOk : fail(context, error);
    }
    rptTagDef report;
    if (!report.load(&error))
        return fail(context, error);
    report.SetupTagDefReport();
    return report.writePdf(a[2], &error) ? CliExit::kOk : fail(context, error);
}

int cliTagFiles(CliContext &context)
{
    const QStringList &a = context.args;
    if (a.size() != 2 || (a[0] != QLatin1String("export") && a[0] != QLatin1String("import"))) {
        context.err << "usage: tavrel-cli tags export FILE.tag | tags import FILE.tag|FILE.tu\n";
        return CliExit::kUsage;
    }
    QString error;
    int count = 0;
    const bool ok = a[0] == QLatin1String("export") ? TagFile::exportAll(a[1], &count, &error)
                                                     : TagFile::import(a[1], &count, &error);
    if (!ok)
        return fail(context, error);
    context.out << count << (a[0] == QLatin1String("export") ? " tag definitions exported\n"
                                                              : " tag definitions imported\n");
    return CliExit::kOk;
}

int cliTagCommands(CliContext &context)
{
    const QString word = context.args.value(0);
    if (word == QLatin1String("export") || word == QLatin1String("import"))
        return cliTagFiles(context);
    if (word == QLatin1String("guard") || word == QLatin1String("unguard") || word == QLatin1String("guards"))
        return cliGuardTags(context);
    if (word == QLatin1String("incident") || word == QLatin1String("unincident") || word == QLatin1String("incidents"))
        return cliIncidentTags(context);
    return cliTags(context);
}
