#include "ExceptionReport.h"

#include "CRes.h"
#include "PatrolDataLoader.h"
#include "PatrolLibrary.h"
#include "PlanStore.h"
#include "TagStore.h"
#include "Workspace.h"

#include <QDir>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentMap>

namespace {

struct FileReads
{
    QList<PatrolRead> reads;
    QString warning;
};

FileReads readFile(const QString &path)
{
    FileReads result;
    QList<int> skipped;
    int noMoment = 0;
    QString error;
    // One row reused for every line: its texts keep their buffers.
    PatrolRow row;
    const bool ok = PatrolDataLoader::readTvl(
        path, [&](qsizetype size) { result.reads.reserve(size / 200 + 1); },
        [&](const QList<QStringView> &fields) {
            row.date.resize(0);
            row.date.append(fields[2]);
            row.time.resize(0);
            row.time.append(fields[3]);
            const QDate date = row.dateValue();
            const QTime time = row.timeValue();
            if (!date.isValid() || !time.isValid()) {
                ++noMoment;
                return;
            }
            result.reads.append({fields[0].toString(), PatrolPlan::moment(date, time), fields[1].toString()});
        },
        &skipped, &error);
    if (!ok) {
        result.warning = error;
        return result;
    }
    QStringList problems;
    if (!skipped.isEmpty())
        problems << PatrolDataLoader::skippedText(skipped, QStringLiteral("%1 lines could not be read (lines %2)"));
    if (noMoment > 0)
        problems << QStringLiteral("%1 records without a valid date and time were skipped").arg(noMoment);
    if (!problems.isEmpty())
        result.warning = QFileInfo(path).fileName() + QStringLiteral(": ") + problems.join(QStringLiteral("; "));
    return result;
}

}

QList<PatrolRead> ExceptionReport::readRange(const QDate &from, const QDate &to, QStringList *warnings)
{
    Q_UNUSED(to); // a file downloaded after the range can still hold records of it
    // A file holds records older than its download only: one downloaded more
    // than a day before the range (a terminal's clock may run a day ahead of
    // the office's) holds none of it.
    const QDate oldest = from.addDays(-1);
    QStringList paths;
    for (const QString &folder : {Workspace::unapprovedFolder(), Workspace::approvedFolder()}) {
        for (const QString &name : PatrolLibrary::listFolder(folder)) {
            const QDateTime downloaded = QDateTime::fromString(name.left(15), QStringLiteral("yyyyMMdd HHmmss"));
            if (downloaded.isValid() && downloaded.date() < oldest)
                continue;
            paths << QDir(folder).filePath(name);
        }
    }
    const QList<FileReads> files = QtConcurrent::blockingMapped(paths, readFile);
    qsizetype total = 0;
    for (const FileReads &f : files)
        total += f.reads.size();
    QList<PatrolRead> reads;
    reads.reserve(total);
    for (const FileReads &f : files) {
        reads.append(f.reads);
        if (warnings && !f.warning.isEmpty())
            warnings->append(f.warning);
    }
    return reads;
}

bool ExceptionReport::run(const QDate &from, const QDate &to, const QString &planName, ExceptionResult *result,
                          QString *error, QStringList *warnings)
{
    QString problem;
    QList<PatrolPlan> plans = PlanStore::all(&problem);
    if (!problem.isEmpty()) {
        *error = problem;
        return false;
    }
    if (!planName.isEmpty()) {
        plans.removeIf([&](const PatrolPlan &p) { return p.name != planName; });
        if (plans.isEmpty()) {
            *error = QStringLiteral("There is no plan called %1").arg(planName);
            return false;
        }
    }
    const QSet<QString> guards = PlanStore::guardCodes(&problem);
    const QHash<QString, QString> names = TagStore::descriptionMap(&problem);
    if (!problem.isEmpty()) {
        *error = problem;
        return false;
    }
    *result = ExceptionMatcher::match(plans, readRange(from, to, warnings), from, to, guards, names);
    return true;
}

QString ExceptionReport::kindText(CheckpointOutcome::Kind kind)
{
    CRes &res = CRes::instance();
    switch (kind) {
    case CheckpointOutcome::Kind::OnTime:
        return res.ResString(390, QStringLiteral("On time"));
    case CheckpointOutcome::Kind::Early:
        return res.ResString(391, QStringLiteral("Early"));
    case CheckpointOutcome::Kind::Late:
        return res.ResString(392, QStringLiteral("Late"));
    case CheckpointOutcome::Kind::Missed:
        return res.ResString(393, QStringLiteral("Missed"));
    case CheckpointOutcome::Kind::Extra:
        return res.ResString(394, QStringLiteral("Extra"));
    }
    return {};
}

QString ExceptionReport::line(const CheckpointOutcome &o)
{
    static const char *const kWords[] = {"on-time", "early", "late", "missed", "extra"};
    const QChar tab(u'\t');
    return o.plan + tab + o.roundStart.toString(QStringLiteral("yyyy-MM-dd HH:mm")) + tab + QString::number(o.seq)
        + tab + o.code + tab + (o.due.isValid() ? o.due.toString(QStringLiteral("HH:mm")) : QString()) + tab
        + QLatin1String(kWords[int(o.kind)]) + tab + QString::number(o.minutes) + tab
        + (o.outOfOrder ? QStringLiteral("out-of-order") : QString()) + tab
        + (o.read.isValid() ? o.read.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString()) + tab + o.machineNo
        + tab + o.guard;
}
