#pragma once

#include <QString>
#include <QStringList>

// The terminal settings the options dialog edits, with the defaults every
// reader uses when a key is absent. The download, the maintenance dialogs and
// the main window read the same keys.
struct TerminalOptions
{
    static constexpr int kKrFamily = 0;
    static constexpr int kVxFamily = 1;

    int model = kKrFamily;                    // Terminal/Model
    QString comport = QStringLiteral("COM1"); // Terminal/Comport
    bool autoClear = true;                    // Terminal/AutoClearData
    bool autoTime = true;                     // Terminal/AutoUpdateTime
    bool autoPowerDown = true;                // Terminal/AutoPowerDown (KR family only)
    bool autoDownload = true;                 // AutoDownload/Enable (KR family only)

    // The stored settings; absent keys take their defaults. A model other than
    // 0 or 1 reads as the KR family.
    static TerminalOptions load();
    // Writes Comport, Model, the three follow-up actions and AutoDownload/Enable
    // in that order. False (with `error`) when the store cannot be written.
    bool save(QString *error = nullptr) const;

    // The VX family has no automatic download (and no power-down to offer).
    void applyModelRule();
    bool autoDownloadAllowed() const { return model == kKrFamily; }

    // The name shown for a family: "KR500A/550/900" or "VX700A/700N/KR60".
    static QString familyName(int model);

    // The ports to offer: the serial-port enumeration, or COM1 to COM16 when it
    // finds none.
    static QStringList portChoices();
    static QStringList builtInPorts();

    // The keys of `tavrel-cli options`, in the order they are printed.
    static QStringList keys();
    // The value of a key as text ("0"/"1" for the switches).
    QString value(const QString &key) const;
    // Sets a key from text, accepting only what the dialog could produce
    // (model 0 or 1, a port name COM1..COM99, switches 0 or 1; auto-download 1
    // only for the KR family). False with `error` otherwise.
    bool set(const QString &key, const QString &text, QString *error);
};
