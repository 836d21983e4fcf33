#include "MessageReporter.h"

#include <cstdio>

namespace {
// Global: logic deep in the links and stores reports to whoever the program
// (or a test) installed, without every caller passing a reporter down.
StderrReporter g_stderrReporter;
MessageReporter *g_reporter = &g_stderrReporter;
}

MessageReporter &MessageReporter::instance()
{
    return *g_reporter;
}

MessageReporter *MessageReporter::install(MessageReporter *reporter)
{
    MessageReporter *previous = g_reporter;
    g_reporter = reporter ? reporter : &g_stderrReporter;
    return previous == &g_stderrReporter ? nullptr : previous;
}

void StderrReporter::failure(const QString &description, int number)
{
    std::fprintf(stderr, "Error %d: %s\n", number, qPrintable(description));
}

void StderrReporter::message(const QString &text, Icon, const QString &)
{
    std::fprintf(stderr, "%s\n", qPrintable(text));
}

bool StderrReporter::question(const QString &text, const QString &)
{
    std::fprintf(stderr, "%s (answered No)\n", qPrintable(text));
    return false;
}
