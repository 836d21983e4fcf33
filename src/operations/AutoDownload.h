#pragma once

class ucKR500_900;

// The decision of the main window's auto-download timer: on each tick, with
// automatic download on and the KR family chosen, ask the terminal on the KR
// link for its record count (time-out 1000 ms) and start a download when it
// holds records.
//
// A terminal left in its dock after a download must not be downloaded again:
// once a download dialog has closed, the link's cancel flag makes the probe
// leave the count unread. That flag used to stay set for the rest of the run,
// so an office that keeps the program open downloaded only its first terminal.
// Here a probe that finds no terminal answering (the dock is empty) arms the
// automatic download again, so the next terminal put in is downloaded.
class AutoDownload
{
public:
    static constexpr int kIntervalMs = 3000;
    static constexpr int kProbeTimeoutMs = 1000;

    explicit AutoDownload(ucKR500_900 &kr) : m_kr(kr) {}

    enum class Tick {
        Skipped,  // automatic download off, VX family, a link busy with an exchange,
                  // or a probe cut short because the user clicked or typed
        Nothing,  // the probe found no records to take (or no terminal, which re-arms)
        Download, // the terminal holds records: start the automatic download
    };

    // One timer tick with the given settings (AutoDownload/Enable, Terminal/Model).
    Tick tick(int autoDownloadEnabled, int terminalModel);
    // Whether the last probe left the automatic download armed.
    bool isArmed() const;

private:
    ucKR500_900 &m_kr;
};
