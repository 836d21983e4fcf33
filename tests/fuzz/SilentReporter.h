#pragma once

#include "MessageReporter.h"

// Fuzz targets answer every question with No and say nothing.
class SilentReporter : public MessageReporter
{
public:
    void failure(const QString &, int) override {}
    void message(const QString &, Icon, const QString &) override {}
    bool question(const QString &, const QString &) override { return false; }
};
