#pragma once

#include <QtGlobal>

// The terminal the windows talk to, as the settings hold it: the family
// (Terminal/Model), the port (Terminal/Comport) and whether the main window's
// timer downloads on its own (AutoDownload/Enable). The options dialog and the
// search wizard write those keys; the main window loads this value at its
// start and again after either of them, and hands it to what needs it.
struct TerminalSettings
{
    static constexpr int kKrFamily = 0;
    static constexpr int kVxFamily = 1;

    int family = kKrFamily;
    qint16 port = 1;
    bool autoDownload = true;

    // Numbers are read by their leading digits; a model other than 1 is the
    // KR family, an automatic-download switch other than 1 is off.
    static TerminalSettings load();
};
