#pragma once

#include "MessageReporter.h"

#include <QCoreApplication>

// Fuzz targets answer every question with No and say nothing.
class SilentReporter : public MessageReporter
{
public:
    void failure(const QString &, int) override {}
    void message(const QString &, Icon, const QString &) override {}
    bool question(const QString &, const QString &) override { return false; }
};

// The application object and the silent reporter, made once per process.
inline void fuzzSetup()
{
    static int argc = 1;
    static char arg0[] = "fuzz";
    static char *argv[] = {arg0, nullptr};
    static QCoreApplication app(argc, argv);
    static SilentReporter reporter;
    MessageReporter::install(&reporter);
}
