#include "RecordingReporter.h"

RecordingReporter::RecordingReporter()
    : m_previous(MessageReporter::install(this))
{
}

RecordingReporter::~RecordingReporter()
{
    MessageReporter::install(m_previous);
}

void RecordingReporter::failure(const QString &description, int number)
{
    entries.append({description, Icon::Critical, number, true});
}

void RecordingReporter::message(const QString &text, Icon icon, const QString &)
{
    entries.append({text, icon, 0, false});
}

bool RecordingReporter::question(const QString &text, const QString &)
{
    entries.append({text, Icon::Question, 0, false});
    return answers.isEmpty() ? false : answers.takeFirst();
}

QStringList RecordingReporter::texts() const
{
    QStringList out;
    for (const Entry &e : entries)
        out << e.text;
    return out;
}
