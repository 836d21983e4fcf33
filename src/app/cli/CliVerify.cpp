#include "CliVerify.h"

#include "LedgerVerifier.h"

int cliVerify(CliContext &context)
{
    const QStringList &a = context.args;
    QString error;
    if (a.size() == 2 && a[0] == QLatin1String("--head")) {
        LedgerRow row;
        if (LedgerVerifier::findHead(a[1], &row, &error)) {
            context.out << "head\t" << a[1] << "\tin the chain at row " << row.rowNo << ", " << row.at << '\n';
            return CliExit::kOk;
        }
        if (!error.isEmpty()) {
            context.err << "tavrel-cli: " << error << '\n';
            return CliExit::kUnreadable;
        }
        context.out << "head\t" << a[1] << "\tnot in the chain\n";
        return CliExit::kFindings;
    }
    if (!a.isEmpty()) {
        context.err << "usage: tavrel-cli verify [--head HASH]\n";
        return CliExit::kUsage;
    }
    QList<LedgerFinding> findings;
    if (!LedgerVerifier::verify(&findings, &error)) {
        context.err << "tavrel-cli: " << error << '\n';
        return CliExit::kUnreadable;
    }
    context.out.setEncoding(QStringConverter::Utf8);
    for (const LedgerFinding &f : std::as_const(findings))
        context.out << f.kind << '\t' << f.subject << '\t' << f.detail << '\n';
    return findings.isEmpty() ? CliExit::kOk : CliExit::kFindings;
}
