#include "ComPorts.h"
#include "Settings.h"
#include "TestEnv.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_Settings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void savedValuesReadBack();
    void leadingNumber_data();
    void leadingNumber();
    void unreadableStoreIsReported();
    void storeReadableByItsUserOnly();
    void comPortNumber_data();
    void comPortNumber();
    void listComPortsOrderAndStableNames();
};

void tst_Settings::savedValuesReadBack()
{
    TestEnv env(false);
    QVERIFY(SaveSetting("Security", "Password", QString()));
    QVERIFY(Settings::SaveAppSetting("GridColWidth", "datString", "English", "1440"));
    // A saved empty value is a value: the default does not come back.
    QCOMPARE(GetSetting("Security", "Password", "7391"), QString());
    // Another application's settings live in a file of their own.
    QCOMPARE(Settings::GetAppSetting("GridColWidth", "datString", "English", "0"), u"1440"_s);
    QCOMPARE(GetSetting("datString", "English", "none"), u"none"_s);
}

void tst_Settings::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
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
    QVERIFY(!SaveSetting("Security", "Password", "x"));
    QVERIFY(Settings::lastError().contains(QLatin1String("Tavrel.conf")));
}

void tst_Settings::storeReadableByItsUserOnly()
{
    TestEnv env(false);
    const QFile::Permissions owner = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
    // The store holds the application password: private from its first write on.
    QVERIFY(SaveSetting("Security", "Password", "s3cret"));
    QCOMPARE(QFile::permissions(Settings::filePath()), owner);
    QVERIFY(Settings::SaveAppSetting("GridColWidth", "datString", "English", "1440"));
    QCOMPARE(QFile::permissions(Settings::filePath(u"GridColWidth"_s)), owner);

    // A store left readable by others (an older installation, a hand edit) is
    // made private again by every write and by the start-up check.
    bool (*const writers[])() = {
        [] { return SaveSetting("Terminal", "Comport", "COM2"); },
        [] { return DeleteSetting("Terminal", "Comport"); },
        [] { return Settings::checkStore(nullptr); },
    };
    for (const auto &write : writers) {
        QVERIFY(QFile::setPermissions(Settings::filePath(), owner | QFile::ReadGroup | QFile::ReadOther));
        QVERIFY(write());
        QCOMPARE(QFile::permissions(Settings::filePath()), owner);
    }
    QCOMPARE(GetSetting("Security", "Password"), u"s3cret"_s);
}

void tst_Settings::comPortNumber_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("number");
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
    const QString link = QDir(env.root()).filePath(u"ttyLINK"_s);
    QVERIFY(QFile::link(u"/dev/null"_s, link));
    const QString plainFile = QDir(env.root()).filePath(u"notadevice"_s);
    QVERIFY(writeTestFile(plainFile, {}));

    SetComPortDevice(10, link); // a link to a device, as a pseudo-terminal's name is
    SetComPortDevice(2, u"/dev/zero"_s);
    SetComPortDevice(1, u"/dev/null"_s);
    SetComPortDevice(5, plainFile);                // not a device: not listed
    SetComPortDevice(7, u"/dev/ttyTAVREL_GONE"_s); // absent: not listed

    QStringList names;
    const int count = ListComPorts(names);
    for (const char *name : {"COM1", "COM2", "COM10"})
        QVERIFY2(names.contains(QLatin1String(name)), name);
    for (const char *name : {"COM5", "COM7"})
        QVERIFY2(!names.contains(QLatin1String(name)), name);
    for (int i = 1; i < names.size(); ++i)
        QVERIFY2(ComPortNumber(names[i - 1]) < ComPortNumber(names[i]), qPrintable(names.join(QLatin1Char(' '))));

    // The machine's own devices got a name each; a second call gives the same names and saves nothing new.
    const QStringList keysAfterFirst = QSettings(Settings::filePath(), QSettings::IniFormat).allKeys();
    QStringList again;
    QCOMPARE(ListComPorts(again), count);
    QCOMPARE(again, names);
    QCOMPARE(QSettings(Settings::filePath(), QSettings::IniFormat).allKeys(), keysAfterFirst);
}

QTEST_GUILESS_MAIN(tst_Settings)
#include "tst_settings.moc"
