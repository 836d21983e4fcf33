// The plan import fed arbitrary documents: it reads or refuses each one whole.

#include "FuzzSetup.h"
#include "PlanStore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetup();
    static const QSet<QString> codes = {QStringLiteral("0000000001"), QStringLiteral("0000000002")};
    QList<PatrolPlan> plans;
    QString error;
    if (PlanStore::fromJson(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)), codes, &plans, &error)) {
        for (const PatrolPlan &plan : plans)
            plan.roundStarts(QDate(2026, 12, 1), QDate(2026, 12, 7));
    }
    return 0;
}
