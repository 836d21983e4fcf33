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
    entries.append({description, Icon::Critical, number, true, QString()});
}

void RecordingReporter::message(const QString &text, Icon icon, const QString &title)
{
    entries.append({text, icon, 0, false, title});
}

bool RecordingReporter::question(const QString &text, const QString &title)
{
    entries.append({text, Icon::Question, 0, false, title});
    return answers.isEmpty() ? false : answers.takeFirst();
}

QStringList RecordingReporter::texts() const
{
    QStringList out;
    for (const Entry &e : entries)
        out << e.text;
    return out;
}

bool RecordingReporter::confirm(const QString &text, Icon icon, const QString &title)
{
    entries.append({text, icon, 0, false, title});
    return answers.isEmpty() ? false : answers.takeFirst();
}

MessageReporter::Answer RecordingReporter::ask(const QString &text, const QString &title)
{
    entries.append({text, Icon::Question, 0, false, title});
    return choices.isEmpty() ? Answer::Cancel : choices.takeFirst();
}
