#pragma once

#include <QString>

// The way logic code shows a message to the user without knowing about windows.
// The GUI installs one that opens message boxes; the command line prints to
// stderr; tests install one that records what was said and answers in advance.
class MessageReporter
{
public:
    enum class Icon { None, Information, Exclamation, Critical, Question };
    enum class Answer { Yes, No, Cancel };

    virtual ~MessageReporter() = default;

    // An unexpected failure: its description and its number (0: none).
    virtual void failure(const QString &description, int number) = 0;
    // A plain message with an icon and an OK button; an empty title means the
    // application's title.
    virtual void message(const QString &text, Icon icon, const QString &title = QString()) = 0;
    // A Yes/No question; true for Yes.
    virtual bool question(const QString &text, const QString &title = QString()) = 0;
    // An OK/Cancel confirmation with an icon; true for OK. Reporters that know
    // no such box ask it as a question.
    virtual bool confirm(const QString &text, Icon icon, const QString &title = QString())
    {
        Q_UNUSED(icon);
        return question(text, title);
    }
    // A Yes/No/Cancel question (save the changes before leaving?). Reporters
    // that know no such box ask it as a Yes/No question.
    virtual Answer ask(const QString &text, const QString &title = QString())
    {
        return question(text, title) ? Answer::Yes : Answer::No;
    }

    // The process-wide reporter; never null (a stderr reporter until one is installed).
    static MessageReporter &instance();
    // Installs a reporter and returns the previous one; nullptr restores the default.
    static MessageReporter *install(MessageReporter *reporter);
};

// Writes every message as one line to stderr and answers questions with No.
class StderrReporter : public MessageReporter
{
public:
    void failure(const QString &description, int number) override;
    void message(const QString &text, Icon icon, const QString &title) override;
    bool question(const QString &text, const QString &title) override;
};
