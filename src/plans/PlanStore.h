#pragma once

#include "PatrolPlan.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>

// The patrol plans of tvl.mdb (connection connTVL), in the tables Plan and
// PlanPoint. Every change runs in one transaction.
class PlanStore
{
public:
    // Every plan, by name; an empty list with `error` set on failure.
    static QList<PatrolPlan> all(QString *error);
    // Stores `plan`, replacing the plan called `oldName` (empty for a new
    // plan). False with `error` when a problem() is found, the name belongs to
    // another plan or the database refuses; nothing is changed then.
    static bool save(const PatrolPlan &plan, const QString &oldName, QString *error);
    static bool remove(const QString &name, QString *error);
    // Replaces every plan in one transaction; nothing changes on any failure.
    static bool replaceAll(const QList<PatrolPlan> &plans, QString *error);

    // The plans as a JSON document: {"plans": [{"name", "start" "HH:mm",
    // "end", "interval", "weekdays": ["Mon", ...], "checkpoints": [{"code",
    // "minutes", "tolerance"[, "minMinutes" when set]}]}]}.
    static QByteArray toJson(const QList<PatrolPlan> &plans);
    // Reads and checks a whole document; false with `error` naming the plan
    // and what is wrong when anything is (no partial result).
    static bool fromJson(const QByteArray &json, const QSet<QString> &definedCodes, QList<PatrolPlan> *plans,
                         QString *error);
};
