#pragma once

class ucKR500_900;

// The decision of the main window's auto-download timer: on each tick, with
// automatic download on and the KR family chosen, ask the terminal on the KR
// link for its record count (time-out 1000 ms) and start a download when it
// holds records.
//
// A terminal left in its dock after a download must not be downloaded again:
// once a download has run, the probe takes no count as a reason to download
// until it found no terminal answering (the dock is empty); then the
// automatic download is armed again, so the next terminal put in is downloaded.
class AutoDownload
{
public:
    static constexpr int kIntervalMs = 3000;
    static constexpr int kProbeTimeoutMs = 1000;

    explicit AutoDownload(ucKR500_900 &kr) : m_kr(kr) {}

    enum class Tick {
        Skipped,  // automatic download off, VX family, a link busy with an exchange,
                  // or a probe cut short because the user clicked or typed
        Nothing,  // the probe found no records to take (or no terminal, which re-arms,
                  // or a port another program holds, tried again on the next tick)
        Download, // the terminal holds records: start the automatic download
    };

    // One timer tick with the given settings (AutoDownload/Enable, Terminal/Model).
    Tick tick(int autoDownloadEnabled, int terminalModel);
    // Whether the last probe left the automatic download armed.
    bool isArmed() const { return !m_terminalTaken; }
    // A download ran (automatic, from the button or a maintenance dialog):
    // the terminal in the dock has been dealt with and is left alone until a
    // probe finds the dock empty.
    void downloadRan() { m_terminalTaken = true; }

private:
    ucKR500_900 &m_kr;
    bool m_terminalTaken = false;
};
