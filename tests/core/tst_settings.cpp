#include "ComPorts.h"
#include "Settings.h"
#include "TestEnv.h"

#include <QDir>
#include <QFile>
#include <QSerialPortInfo>
#include <QSettings>
#include <QtTest>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

class tst_Settings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void savedValuesReadBack();
    void leadingNumber_data();
    void leadingNumber();
    void unreadableStoreIsReported();
    void comPortNumber_data();
    void comPortNumber();
    void listComPortsOrderAndStableNames();
};

namespace {

// The slave side of a fresh pseudo-terminal; the master stays open in `master`.
QString openPty(int &master)
{
    master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
        return {};
    return QString::fromLocal8Bit(::ptsname(master));
}

}

void tst_Settings::savedValuesReadBack()
{
    TestEnv env(false);
    QVERIFY(SaveSetting("Terminal", "Comport", "COM12"));
    QVERIFY(SaveSetting("Security", "Password", QString()));
    QVERIFY(SaveSetting("Terminal", "Model", "1"));
    QVERIFY(Settings::SaveAppSetting("GridColWidth", "datString", "English", "1440"));
    QCOMPARE(GetSetting("Terminal", "Comport", "COM1"), u"COM12"_s);
    // A saved empty value is a value: the default does not come back.
    QCOMPARE(GetSetting("Security", "Password", "7391"), QString());
    QCOMPARE(GetSettingNumber("Terminal", "Model", 0), 1);
    QCOMPARE(Settings::filePath(), env.configFolder() + u"/Tavrel/Tavrel.conf"_s);
    QVERIFY(QFileInfo::exists(Settings::filePath()));
    QVERIFY(QFileInfo::exists(Settings::filePath(u"GridColWidth"_s)));
    QCOMPARE(GetSetting("datString", "English", "none"), u"none"_s);
}

void tst_Settings::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("digits then letters") << "12abc" << 12;
    QTest::newRow("letters") << "abc" << 0;
    QTest::newRow("blanks") << "  7 " << 7;
    QTest::newRow("negative") << "-3" << -3;
}

void tst_Settings::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(LeadingNumber(text), value);
}

void tst_Settings::unreadableStoreIsReported()
{
    TestEnv env(false);
    // A folder where the settings file belongs can be neither read nor written.
    QVERIFY(QDir().mkpath(Settings::filePath()));
    QString error;
    QVERIFY(!Settings::checkStore(&error));
    QVERIFY(error.contains(QLatin1String("Tavrel.conf")));
    QVERIFY(!SaveSetting("Security", "Password", "x"));
    QVERIFY(Settings::lastError().contains(QLatin1String("Tavrel.conf")));
}

void tst_Settings::comPortNumber_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("number");
    QTest::newRow("COM12") << "COM12" << 12;
    QTest::newRow("COM1") << "COM1" << 1;
    QTest::newRow("three digits keep the last two") << "COM123" << 23;
    QTest::newRow("no number") << "COM" << 0;
}

void tst_Settings::comPortNumber()
{
    QFETCH(QString, name);
    QFETCH(int, number);
    QCOMPARE(int(ComPortNumber(name)), number);
    // Only COM1..COM99 are names the program hands out or accepts.
    QCOMPARE(IsComPortName(name), number > 0 && name == u"COM%1"_s.arg(number));
}

void tst_Settings::listComPortsOrderAndStableNames()
{
    TestEnv env(false);
    int master = -1;
    const QString pty = openPty(master);
    QVERIFY(!pty.isEmpty());
    const QString link = QDir(env.root()).filePath(u"ttyLINK"_s);
    QVERIFY(QFile::link(u"/dev/null"_s, link));
    const QString plainFile = QDir(env.root()).filePath(u"notadevice"_s);
    QFile(plainFile).open(QIODevice::WriteOnly);

    SetComPortDevice(10, link);
    SetComPortDevice(2, pty);
    SetComPortDevice(1, u"/dev/null"_s);
    SetComPortDevice(5, plainFile);                             // not a device: not listed
    SetComPortDevice(7, u"/dev/ttyTAVREL_GONE"_s); // absent: not listed, number kept
    SaveSetting("Ports", "ttyS9", "/dev/null"); // not COMn
    SaveSetting("Ports", "COM03", "/dev/null"); // not COMn

    QStringList names;
    const int count = ListComPorts(names);
    QCOMPARE(count, names.size());
    for (const char *name : {"COM1", "COM2", "COM10"})
        QVERIFY2(names.contains(QLatin1String(name)), name);
    for (const char *name : {"COM5", "COM7"})
        QVERIFY2(!names.contains(QLatin1String(name)), name);
    for (int i = 1; i < names.size(); ++i)
        QVERIFY2(ComPortNumber(names[i - 1]) < ComPortNumber(names[i]), qPrintable(names.join(QLatin1Char(' '))));

    // Every serial device of the machine got exactly one name, none of the taken ones.
    QSettings store(Settings::filePath(), QSettings::IniFormat);
    store.beginGroup(u"Ports"_s);
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        QStringList holders;
        for (const QString &key : store.childKeys())
            if (store.value(key).toString() == info.systemLocation())
                holders << key;
        QCOMPARE(holders.size(), 1);
        QVERIFY(holders.first() != QLatin1String("COM5") && holders.first() != QLatin1String("COM7"));
    }
    const QStringList keysAfterFirst = store.childKeys();
    store.endGroup();

    // A second call gives the same names and saves nothing new.
    QStringList again;
    QCOMPARE(ListComPorts(again), count);
    QCOMPARE(again, names);
    QSettings reread(Settings::filePath(), QSettings::IniFormat);
    reread.beginGroup(u"Ports"_s);
    QCOMPARE(reread.childKeys(), keysAfterFirst);
    QCOMPARE(ComPortDevice(2), pty);

    // Once the pseudo-terminal is gone its name is no longer listed, but it stays reserved.
    ::close(master);
    if (!QFileInfo::exists(pty)) {
        QStringList after;
        ListComPorts(after);
        QVERIFY(!after.contains(u"COM2"_s));
        QCOMPARE(ComPortDevice(2), pty);
    }
}

QTEST_GUILESS_MAIN(tst_Settings)
#include "tst_settings.moc"
