#pragma once

#include "MessageReporter.h"

#include <QList>
#include <QStringList>

// Records every message logic code shows and answers questions and OK/Cancel
// confirmations from one queue (No/Cancel when the queue is empty). Installs itself for its lifetime.
class RecordingReporter : public MessageReporter
{
public:
    struct Entry
    {
        QString text;
        Icon icon;
        int number; // failures only, else 0
        bool isFailure;
        QString title; // as given: empty means the application's title
    };

    RecordingReporter();
    ~RecordingReporter() override;

    void failure(const QString &description, int number) override;
    void message(const QString &text, Icon icon, const QString &title) override;
    bool question(const QString &text, const QString &title) override;
    bool confirm(const QString &text, Icon icon, const QString &title) override;
    // Answers from `choices`; Cancel when it is empty.
    Answer ask(const QString &text, const QString &title) override;

    QList<Entry> entries;
    QList<bool> answers;
    QList<Answer> choices;

    QStringList texts() const;
    void clear() { entries.clear(); }

private:
    MessageReporter *m_previous;
};
