#pragma once

#include <atomic>

// Process-wide state of the download, shared by the download dialog, the KR
// link (which reads the cancel flag while it counts records) and the main
// window (which watches the saved-file flag around a maintenance dialog).
struct DownloadState
{
    // Cancel request; set by Cancel and when the dialog closes, cleared when a
    // download starts. It keeps its value after the dialog closed. Atomic:
    // the probes of the terminal search read it on threads of their own.
    static inline std::atomic<bool> m_blnCancelDownload = false;
    // Set when a download created a patrol-data file.
    static inline bool savedFile = false;
};
