#pragma once

#include <atomic>

// Process-wide state of the download, shared by the download dialog, the KR
// link (which reads the cancel flag while it counts records) and the main
// window (which watches the saved-file flag around a maintenance dialog).
struct DownloadState
{
    // Cancel request of the download under way; set by Cancel and by closing
    // the dialog while a download runs, cleared when each download starts and
    // when it ends, so that no exchange outside a download ever sees it.
    // Atomic: the probes of the terminal search read it on threads of their own.
    static inline std::atomic<bool> m_blnCancelDownload = false;
    // A download ran since the automatic download's probe last found the dock
    // empty: the terminal still in it was taken already and is left alone.
    static inline bool terminalTaken = false;
    // Set when a download created a patrol-data file.
    static inline bool savedFile = false;
};
