#include "CliPatrol.h"

#include "PatrolDataLoader.h"
#include "PatrolLibrary.h"
#include "PatrolTableModel.h"
#include "TagEntryRules.h"
#include "TagStore.h"
#include "Workspace.h"

namespace {

// Message texts hold line breaks for their boxes; a command line prints one line.
QString oneLine(QString text)
{
    return text.replace(QLatin1String("\n\n"), QLatin1String(" ")).replace(u'\n', u' ');
}

}

int cliFiles(CliContext &context)
{
    if (!context.args.isEmpty()) {
        context.err << "usage: tavrel-cli files\n";
        return CliExit::kUsage;
    }
    PatrolLibrary library;
    library.refresh();
    context.out.setEncoding(QStringConverter::Utf8);
    for (const LibraryFile &f : library.files())
        context.out << (f.approved ? "approved\t" : "unapproved\t") << f.name << '\n';
    return CliExit::kOk;
}

int cliApprove(CliContext &context)
{
    if (context.args.size() != 1) {
        context.err << "usage: tavrel-cli approve NAME | --all\n";
        return CliExit::kUsage;
    }
    context.out.setEncoding(QStringConverter::Utf8);
    QStringList names;
    if (context.args.first() == QLatin1String("--all"))
        names = PatrolLibrary::listFolder(Workspace::unapprovedFolder());
    else
        names << context.args.first();
    // A file that cannot move is named and the others still move.
    int status = CliExit::kOk;
    for (const QString &name : std::as_const(names)) {
        QString newName;
        QString error;
        if (PatrolLibrary::approveFile(name, &newName, &error)) {
            context.out << newName << '\n';
        } else {
            context.err << "tavrel-cli: " << error << '\n';
            status = CliExit::kFailure;
        }
    }
    return status;
}

int cliShow(CliContext &context)
{
    QStringList args = context.args;
    const bool iso = args.removeAll(QStringLiteral("--iso")) > 0;
    if (args.size() != 1) {
        context.err << "usage: tavrel-cli show PATH [--iso]\n";
        return CliExit::kUsage;
    }
    QString error;
    const QHash<QString, QString> descriptions = TagStore::descriptionMap(&error);
    if (!error.isEmpty()) {
        context.err << "tavrel-cli: " << error << '\n';
        return CliExit::kLinkFailure;
    }
    PatrolLoadResult result = PatrolDataLoader::load(args.first(), descriptions);
    if (!result.ok) {
        context.err << "tavrel-cli: " << result.error << '\n';
        return CliExit::kLinkFailure;
    }
    if (!result.skippedLines.isEmpty())
        context.err << "tavrel-cli: "
                    << PatrolDataLoader::skippedText(result.skippedLines,
                                                     QStringLiteral("%1 lines could not be read and were skipped "
                                                                    "(lines %2)."))
                    << '\n';
    PatrolTableModel model;
    model.setRows(std::move(result.rows));
    context.out.setEncoding(QStringConverter::Utf8);
    for (int row = 0; row < model.rowCount(); ++row) {
        if (!iso) {
            context.out << model.rowText(row) << '\n';
            continue;
        }
        const PatrolRow &r = model.rows().at(row);
        const QDate d = r.dateValue();
        const QTime t = r.timeValue();
        context.out << r.machineNo << '\t' << (d.isValid() ? d.toString(Qt::ISODate) : r.date) << '\t'
                    << (t.isValid() ? t.toString(QStringLiteral("HH:mm:ss")) : r.time) << '\t' << r.code << '\t'
                    << r.description << '\n';
    }
    return CliExit::kOk;
}

int cliTags(CliContext &context)
{
    const QStringList &args = context.args;
    const QString sub = args.value(0);
    context.out.setEncoding(QStringConverter::Utf8);
    QString error;
    auto refused = [&](const QString &text) {
        context.err << "tavrel-cli: " << oneLine(text) << '\n';
        return CliExit::kFailure;
    };
    auto outcome = [&](TagStore::Result r, const QString &code) {
        switch (r) {
        case TagStore::Result::Ok:
            return CliExit::kOk;
        case TagStore::Result::Duplicate:
            return refused(TagEntryRules::duplicateMessage(code));
        default:
            return refused(error);
        }
    };

    if (sub == QLatin1String("list") && args.size() == 1) {
        const QList<TagDef> defs = TagStore::all(&error);
        if (!error.isEmpty())
            return refused(error);
        for (const TagDef &d : defs)
            context.out << d.code << '\t' << d.description << '\n';
        return CliExit::kOk;
    }
    if (sub == QLatin1String("add") && args.size() == 3) {
        const TagEntryRules::Problem p = TagEntryRules::validate(args[1], args[2]);
        if (!p.message.isEmpty())
            return refused(p.message);
        return outcome(TagStore::add(args[1], args[2], &error), args[1]);
    }
    if (sub == QLatin1String("edit") && args.size() == 4) {
        const TagEntryRules::Problem p = TagEntryRules::validate(args[2], args[3]);
        if (!p.message.isEmpty())
            return refused(p.message);
        return outcome(TagStore::edit(args[1], args[2], args[3], &error), args[2]);
    }
    if (sub == QLatin1String("delete") && args.size() >= 2) {
        int status = CliExit::kOk;
        for (const QString &code : args.mid(1))
            if (TagStore::remove(code, &error) != TagStore::Result::Ok)
                status = refused(error);
        return status;
    }
    context.err << "usage: tavrel-cli tags list | add CODE DESCRIPTION | edit OLDCODE NEWCODE DESCRIPTION | "
                   "delete CODE...\n";
    return CliExit::kUsage;
}
