#pragma once

#include <QString>
#include <QStringList>

// Serial ports are named COM1..COM99 as in the program. The settings section
// "Ports" maps a name to a device path (COM3=/dev/ttyUSB0). ListComPorts gives
// the mapped names whose path is a character device (a symlink to a
// pseudo-terminal counts), plus every serial device present that has no name
// yet: the system's serial devices and the character devices listed in
// $TAVREL_SERIAL_DEVICES (separated by ':'). Such a device gets the lowest
// free number, saved in Ports so that it keeps its name across runs. The list
// is in port-number order.
int ListComPorts(QStringList &names);

// The number of a port name: the value of the last two characters when both
// are digits, otherwise of the last character ("COM12" gives 12, "COM3" 3).
qint16 ComPortNumber(const QString &portName);

// The device path mapped to COMn in the Ports section; empty when none is.
QString ComPortDevice(int portNumber);
// Maps COMn to a device path (the demo and the tests map pseudo-terminals).
// False when the settings could not be written (Settings::lastError says why).
bool SetComPortDevice(int portNumber, const QString &devicePath);

// True for the names the program uses, COM1 to COM99.
bool IsComPortName(const QString &name);
// The number of the Terminal/Comport setting (default COM1).
qint16 ConfiguredComPort();
