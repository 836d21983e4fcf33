#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The KR terminal frames: four-byte command enquiries, data frames
// STX data ETX BCC (BCC = XOR of the data bytes), single control bytes, and
// the scan that decides whether the bytes received so far hold a whole frame.
namespace KrFrame {

constexpr char kEnq = 0x05;
constexpr char kStx = 0x02;
constexpr char kEtx = 0x03;
constexpr char kEot = 0x04;
constexpr char kAck = 0x06;
constexpr char kNak = 0x15;
constexpr char kCr = 0x0D;

// The terminal ID as the two upper-case hexadecimal digits the terminals
// expect: the last two characters of "0" + hex(id) (0 gives "00", 255 "FF").
QByteArray idText(qint16 id);
// ENQ, ID, letter.
QByteArray command(qint16 id, char letter);
// ENQ "B00" letter CR: an enquiry to a DS900 base station.
QByteArray baseStationCommand(char letter);
// XOR of the bytes, starting from 0.
char bcc(QByteArrayView data);
// STX data ETX BCC.
QByteArray dataFrame(QByteArrayView data);

enum class Scan {
    Incomplete, // keep reading
    Complete,   // a frame with a good check byte; `data` holds its data
    BadFrame,   // a complete frame whose check byte is wrong, or one without data
    EndOfData,  // EOT where a frame should start
};

// Looks at everything received since the frame was awaited. A frame is
// complete when its second-to-last byte is ETX, so a check byte that happens
// to equal ETX still ends it; the first byte is not required to be STX. An
// EOT counts only outside a frame (before any STX): inside a frame it is a
// corrupted data byte, left to the check byte and a repeat.
Scan scan(QByteArrayView received, QByteArray *data);

}
