#pragma once

#include <QString>

// Process-wide state that start-up loads from the settings and the windows
// read for the rest of the run.
struct AppState
{
    static constexpr const char *kDefaultPassword = "7391";

    // The application password every prompt compares against. Start-up loads it
    // from Security/Password; an accepted prompt or a password change replaces it.
    static inline QString password = QString::fromLatin1(kDefaultPassword);
    // AutoDownload/Enable: 1 lets the main window's timer download on its own.
    static inline qint16 autoDownload = 1;
    // Terminal/Model: 0 = KR family, 1 = VX family.
    static inline qint16 terminalFamily = 0;
};
