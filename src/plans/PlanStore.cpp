#include "PlanStore.h"

#include "DataStore.h"
#include "TagStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {

const QStringList kDayNames = {QStringLiteral("Mon"), QStringLiteral("Tue"), QStringLiteral("Wed"),
                               QStringLiteral("Thu"), QStringLiteral("Fri"), QStringLiteral("Sat"),
                               QStringLiteral("Sun")};
const QString kTimeFormat = QStringLiteral("HH:mm");

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

QSqlDatabase database(QString *error)
{
    return DataStore::database(DataStore::kConnTVL, error);
}

bool exec(QSqlQuery &q, QString *error)
{
    if (q.exec())
        return true;
    setError(error, q.lastError().text());
    return false;
}

// Runs `change` in one transaction: committed when it succeeds, rolled back
// (the tables as they were) when it fails.
template<typename Change>
bool inTransaction(QString *error, Change change)
{
    QSqlDatabase db = database(error);
    if (!db.isOpen())
        return false;
    if (!db.transaction()) {
        setError(error, db.lastError().text());
        return false;
    }
    if (change(db) && db.commit())
        return true;
    if (db.lastError().isValid() && error && error->isEmpty())
        *error = db.lastError().text();
    db.rollback();
    return false;
}

bool deletePlan(QSqlDatabase &db, const QString &name, QString *error)
{
    for (const char *text : {"DELETE FROM PlanPoint WHERE PlanName = ?", "DELETE FROM Plan WHERE Name = ?"}) {
        QSqlQuery q(db);
        q.prepare(QLatin1String(text));
        q.addBindValue(name);
        if (!exec(q, error))
            return false;
    }
    return true;
}

bool insertPlan(QSqlDatabase &db, const PatrolPlan &plan, QString *error)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO Plan (Name, StartTime, EndTime, IntervalMinutes, Weekdays) VALUES (?, ?, ?, ?, ?)"));
    q.addBindValue(plan.name);
    q.addBindValue(plan.start.toString(kTimeFormat));
    q.addBindValue(plan.end.toString(kTimeFormat));
    q.addBindValue(plan.interval);
    q.addBindValue(plan.weekdays);
    if (!q.exec()) {
        setError(error, (q.lastError().nativeErrorCode() == QLatin1String("2067") || q.lastError().nativeErrorCode() == QLatin1String("19"))
                            ? QStringLiteral("A plan called \"%1\" already exists.").arg(plan.name)
                            : q.lastError().text());
        return false;
    }
    QSqlQuery point(db);
    point.prepare(QStringLiteral("INSERT INTO PlanPoint (PlanName, Seq, Code, Minutes, Tolerance, MinMinutes) "
                                 "VALUES (?, ?, ?, ?, ?, ?)"));
    for (qsizetype i = 0; i < plan.checkpoints.size(); ++i) {
        const PlanCheckpoint &c = plan.checkpoints.at(i);
        for (const QVariant &value : {QVariant(plan.name), QVariant(int(i + 1)), QVariant(c.code),
                                      QVariant(c.minutes), QVariant(c.tolerance),
                                      c.minMinutes > 0 ? QVariant(c.minMinutes) : QVariant()})
            point.addBindValue(value);
        if (!exec(point, error))
            return false;
    }
    return true;
}

QSet<QString> codesOf(const QList<PatrolPlan> &plans)
{
    QSet<QString> codes;
    for (const PatrolPlan &plan : plans)
        for (const PlanCheckpoint &c : plan.checkpoints)
            codes.insert(TagStore::codeKey(c.code));
    return codes;
}

// The keys of `object` that are not in `known`, for a refusal that names them.
QString unknownKey(const QJsonObject &object, const QStringList &known)
{
    for (const QString &key : object.keys())
        if (!known.contains(key))
            return key;
    return {};
}

bool readInt(const QJsonObject &object, const QString &key, int *value)
{
    const QJsonValue v = object.value(key);
    if (!v.isDouble() || v.toDouble() != double(v.toInt()))
        return false;
    *value = v.toInt();
    return true;
}

bool readTime(const QJsonObject &object, const QString &key, QTime *value)
{
    *value = QTime::fromString(object.value(key).toString(), kTimeFormat);
    return value->isValid();
}

// One plan of a document, or the reason it is none.
QString readPlan(const QJsonValue &value, PatrolPlan *plan)
{
    if (!value.isObject())
        return QStringLiteral("is not an object");
    const QJsonObject o = value.toObject();
    const QString extra = unknownKey(o, {QStringLiteral("name"), QStringLiteral("start"), QStringLiteral("end"),
                                         QStringLiteral("interval"), QStringLiteral("weekdays"),
                                         QStringLiteral("checkpoints")});
    if (!extra.isEmpty())
        return QStringLiteral("has an unknown field \"%1\"").arg(extra);
    if (!o.value(QStringLiteral("name")).isString())
        return QStringLiteral("has no name");
    plan->name = o.value(QStringLiteral("name")).toString();
    if (!readTime(o, QStringLiteral("start"), &plan->start) || !readTime(o, QStringLiteral("end"), &plan->end))
        return QStringLiteral("needs \"start\" and \"end\" as HH:mm");
    if (!readInt(o, QStringLiteral("interval"), &plan->interval))
        return QStringLiteral("needs \"interval\" as a whole number of minutes");
    if (!o.value(QStringLiteral("weekdays")).isArray())
        return QStringLiteral("needs \"weekdays\" as a list such as [\"Mon\", \"Tue\"]");
    plan->weekdays = 0;
    for (const QJsonValue &day : o.value(QStringLiteral("weekdays")).toArray()) {
        const qsizetype index = kDayNames.indexOf(day.toString());
        if (index < 0)
            return QStringLiteral("has an unknown weekday \"%1\" (Mon ... Sun)").arg(day.toString());
        plan->weekdays |= 1 << index;
    }
    if (!o.value(QStringLiteral("checkpoints")).isArray())
        return QStringLiteral("needs \"checkpoints\" as a list");
    const QJsonArray points = o.value(QStringLiteral("checkpoints")).toArray();
    for (qsizetype i = 0; i < points.size(); ++i) {
        const QJsonObject p = points.at(i).toObject();
        PlanCheckpoint c;
        const QString pointExtra = unknownKey(p, {QStringLiteral("code"), QStringLiteral("minutes"),
                                                  QStringLiteral("tolerance"), QStringLiteral("minMinutes")});
        if (!points.at(i).isObject() || !pointExtra.isEmpty() || !p.value(QStringLiteral("code")).isString()
            || !readInt(p, QStringLiteral("minutes"), &c.minutes)
            || !readInt(p, QStringLiteral("tolerance"), &c.tolerance)
            || (p.contains(QStringLiteral("minMinutes")) && !readInt(p, QStringLiteral("minMinutes"), &c.minMinutes)))
            return QStringLiteral("checkpoint %1 needs exactly \"code\", \"minutes\" and \"tolerance\" "
                                  "(and may have \"minMinutes\")").arg(i + 1);
        c.code = p.value(QStringLiteral("code")).toString();
        plan->checkpoints.append(c);
    }
    return {};
}

// Every plan with its checkpoints, by name. A step that fails in the middle
// of a result (the database busy or damaged) is an error, not the end of it.
bool readPlans(QSqlDatabase &db, QList<PatrolPlan> *plans, QString *error)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT Name, StartTime, EndTime, IntervalMinutes, Weekdays FROM Plan ORDER BY Name"));
    if (!exec(q, error))
        return false;
    QHash<QString, qsizetype> index;
    while (q.next()) {
        PatrolPlan plan;
        plan.name = q.value(0).toString();
        plan.start = QTime::fromString(q.value(1).toString(), kTimeFormat);
        plan.end = QTime::fromString(q.value(2).toString(), kTimeFormat);
        plan.interval = q.value(3).toInt();
        plan.weekdays = q.value(4).toInt();
        index.insert(plan.name, plans->size());
        plans->append(plan);
    }
    QSqlQuery p(db);
    p.prepare(QStringLiteral("SELECT PlanName, Code, Minutes, Tolerance, MinMinutes FROM PlanPoint ORDER BY PlanName, Seq"));
    if (q.lastError().isValid() || !exec(p, error)) {
        if (q.lastError().isValid())
            setError(error, q.lastError().text());
        return false;
    }
    while (p.next()) {
        const auto at = index.constFind(p.value(0).toString());
        if (at != index.constEnd())
            (*plans)[*at].checkpoints.append({p.value(1).toString(), p.value(2).toInt(), p.value(3).toInt(), p.value(4).toInt()});
    }
    if (p.lastError().isValid()) {
        setError(error, p.lastError().text());
        return false;
    }
    return true;
}

}

QList<PatrolPlan> PlanStore::all(QString *error)
{
    QSqlDatabase db = database(error);
    if (!db.isOpen())
        return {};
    // Both tables in one read transaction, one snapshot: a change another
    // program commits between the two queries (a `plans import`) would
    // otherwise pair the plans of one set with the checkpoints of the other.
    if (!db.transaction()) {
        setError(error, db.lastError().text());
        return {};
    }
    QList<PatrolPlan> plans;
    if (!readPlans(db, &plans, error)) {
        db.rollback();
        return {};
    }
    if (!db.commit()) {
        setError(error, db.lastError().text());
        db.rollback();
        return {};
    }
    return plans;
}

bool PlanStore::save(const PatrolPlan &plan, const QString &oldName, QString *error)
{
    // The tag definitions are not checked here: a plan stays editable when a
    // tag it uses was deleted later; the editor offers defined codes only.
    const QString problem = plan.problem(codesOf({plan}));
    if (!problem.isEmpty()) {
        setError(error, problem);
        return false;
    }
    return inTransaction(error, [&](QSqlDatabase &db) {
        return (oldName.isEmpty() || deletePlan(db, oldName, error)) && insertPlan(db, plan, error);
    });
}

bool PlanStore::remove(const QString &name, QString *error)
{
    return inTransaction(error, [&](QSqlDatabase &db) { return deletePlan(db, name, error); });
}

bool PlanStore::replaceAll(const QList<PatrolPlan> &plans, QString *error)
{
    return inTransaction(error, [&](QSqlDatabase &db) {
        for (const char *text : {"DELETE FROM PlanPoint", "DELETE FROM Plan"}) {
            QSqlQuery q(db);
            q.prepare(QLatin1String(text));
            if (!exec(q, error))
                return false;
        }
        for (const PatrolPlan &plan : plans)
            if (!insertPlan(db, plan, error))
                return false;
        return true;
    });
}

QByteArray PlanStore::toJson(const QList<PatrolPlan> &plans)
{
    QJsonArray list;
    for (const PatrolPlan &plan : plans) {
        QJsonArray days, points;
        for (int i = 0; i < kDayNames.size(); ++i)
            if (plan.weekdays & (1 << i))
                days.append(kDayNames.at(i));
        for (const PlanCheckpoint &c : plan.checkpoints) {
            QJsonObject point{{QStringLiteral("code"), c.code},
                              {QStringLiteral("minutes"), c.minutes},
                              {QStringLiteral("tolerance"), c.tolerance}};
            if (c.minMinutes > 0)
                point.insert(QStringLiteral("minMinutes"), c.minMinutes);
            points.append(point);
        }
        list.append(QJsonObject{{QStringLiteral("name"), plan.name},
                                {QStringLiteral("start"), plan.start.toString(kTimeFormat)},
                                {QStringLiteral("end"), plan.end.toString(kTimeFormat)},
                                {QStringLiteral("interval"), plan.interval},
                                {QStringLiteral("weekdays"), days},
                                {QStringLiteral("checkpoints"), points}});
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("plans"), list}}).toJson(QJsonDocument::Indented);
}

bool PlanStore::fromJson(const QByteArray &json, const QSet<QString> &definedCodes, QList<PatrolPlan> *plans,
                         QString *error)
{
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parse);
    if (doc.isNull()) {
        setError(error, QStringLiteral("not a JSON document: %1 at byte %2").arg(parse.errorString()).arg(parse.offset));
        return false;
    }
    if (!doc.isObject() || !doc.object().value(QStringLiteral("plans")).isArray()) {
        setError(error, QStringLiteral("the document needs a list \"plans\""));
        return false;
    }
    const QJsonArray list = doc.object().value(QStringLiteral("plans")).toArray();
    QList<PatrolPlan> read;
    QSet<QString> names;
    for (qsizetype i = 0; i < list.size(); ++i) {
        PatrolPlan plan;
        QString why = readPlan(list.at(i), &plan);
        if (why.isEmpty() && names.contains(plan.name))
            why = QStringLiteral("has the name of an earlier plan");
        if (!why.isEmpty()) {
            setError(error, QStringLiteral("plan %1%2 %3").arg(i + 1)
                                .arg(plan.name.isEmpty() ? QString() : QStringLiteral(" (\"%1\")").arg(plan.name), why));
            return false;
        }
        const QString problem = plan.problem(definedCodes);
        if (!problem.isEmpty()) {
            setError(error, problem);
            return false;
        }
        names.insert(plan.name);
        read.append(plan);
    }
    *plans = read;
    return true;
}
