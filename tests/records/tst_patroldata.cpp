#include "LegacyDatabase.h"
#include "PatrolDataLoader.h"
#include "PatrolFile.h"
#include "PatrolLibrary.h"
#include "PatrolTableModel.h"
#include "RowSearch.h"
#include "TestEnv.h"
#include "TestFiles.h"
#include "Workspace.h"

#include <QDir>
#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

// Patrol-data files: read, shown and searched, and kept in the Unapproved and
// Approved folders.
class tst_PatrolData : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void legacyFiles_data();
    void legacyFiles();
    void missingColumnIsRefused();
    void damagedOldFileIsSurvived();
    void tvlSkipsBadLinesAndKeepsGoing();
    void displayFormats();
    void timeFormatterMatchesQt();
    void search_data();
    void search();
    void keysFollowTheTree_data();
    void keysFollowTheTree();
    void approveNeverOverwrites();
    void moveNeverReplaces();
    void longLineAndLinkedFile();
    void approveAllGoesPastFailures();
    void deleteGoesToTrashOrDeleted_data();
    void deleteGoesToTrashOrDeleted();
};

namespace {

QString legacy(const char *name)
{
    return TestEnv::dataFile(u"legacy/"_s + QLatin1String(name));
}

void makeFile(const QString &folder, const QString &name, const QByteArray &content)
{
    QVERIFY(writeTestFile(QDir(folder).filePath(name), content));
}

QStringList keys(const PatrolLibrary &library)
{
    QStringList out;
    for (const LibraryFile &f : library.files())
        out << f.key + u':' + f.name.left(1);
    return out;
}

}

void tst_PatrolData::legacyFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("errorPart");

    QTest::newRow("password") << legacy("old-patrol.mdb") << true << 12 << QString();
    QTest::newRow("empty") << legacy("old-empty.mdb") << true << 0 << QString();
    QTest::newRow("wrong table") << legacy("old-wrongtable.mdb") << false << 0 << u"no table RawData"_s;
    QTest::newRow("not a database") << legacy("not-a-database.mdb") << false << 0 << u"not an Access (Jet 4) database"_s;
    QTest::newRow("missing") << legacy("no-such-file.mdb") << false << 0 << u"Cannot open"_s;
}

void tst_PatrolData::legacyFiles()
{
    QFETCH(QString, file);
    QFETCH(bool, ok);
    QFETCH(int, rows);
    QFETCH(QString, errorPart);
    // Descriptions of an old file come from the file, never from the map.
    const PatrolLoadResult r = PatrolDataLoader::load(file, {{u"0004A1B2C3"_s, u"X"_s}});
    QCOMPARE(r.ok, ok);
    QCOMPARE(r.rows.size(), rows);
    if (!ok)
        QVERIFY2(r.error.contains(errorPart), qPrintable(r.error));
    if (rows == 12) {
        const PatrolRow &first = r.rows.first();
        QCOMPARE((QStringList{first.machineNo, first.date, first.time, first.code, first.description}),
                 (QStringList{"1", "2024-01-08", "08:00:15", "0004A1B2C3", "Main Gate"}));
        QCOMPARE((QStringList{r.rows[2].description, r.rows[4].description, r.rows[5].time, r.rows[7].date, r.rows[11].time}),
                 (QStringList{"", u"北門"_s, "00:00:00", "2024-02-29", "21:15:42"}));
    }
}

// An old table without a column the reader needs is refused, not read short.
void tst_PatrolData::missingColumnIsRefused()
{
    LegacyDatabase db;
    QString error;
    QVERIFY2(db.open(legacy("old-tags.tu"), LegacyDatabase::kPassword, &error), qPrintable(error));
    QList<QStringList> rows;
    QVERIFY(!db.readTable(u"TagsDef"_s, {u"Code"_s, u"Missing"_s}, &rows, &error));
    QVERIFY(error.contains(QLatin1String("Missing")));
}

void tst_PatrolData::tvlSkipsBadLinesAndKeepsGoing()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"20261206 072252.TVL"_s); // the extension in either case
    const QByteArray good = PatrolFile::encode(u"1,0004A1B2C3,2026/12/06,07:00:00"_s);
    QByteArray bad = good;
    bad[3] = 'x';
    QVERIFY(writeTestFile(path, QByteArrayList{good, bad, PatrolFile::encode(u"1,0004A1B2C4,2026/12/06"_s), "12345",
                                               PatrolFile::encode(u"2,0004A1B2C4,2026/12/06,07:05:00"_s),
                                               PatrolFile::encode(u"2,0004A1B2C3,2026/12/06,07:09:00"_s)}
                                    .join("\r\n")));
    const PatrolLoadResult r = PatrolDataLoader::load(path, {{u"0004A1B2C3"_s, u"Main Gate"_s}});
    QVERIFY(r.ok);
    QCOMPARE(r.skippedLines, (QList<int>{2, 3, 4}));
    QCOMPARE(r.rows.size(), 3);
    QCOMPARE((QStringList{r.rows[0].description, r.rows[1].description, r.rows[1].machineNo, r.rows[2].time}),
             (QStringList{"Main Gate", QString(), "2", "07:09:00"}));
}

// Dates and times in the system's short date and long time (without the zone);
// text that is no date or time as the file holds it.
void tst_PatrolData::displayFormats()
{
    const QLocale sys = QLocale::system();
    const QString shownDate = sys.toString(QDate(2026, 12, 6), sys.dateFormat(QLocale::ShortFormat));
    const QString shownTime = sys.toString(QTime(7, 22, 52), PatrolTableModel::longTimeFormatWithoutZone());
    PatrolTableModel model;
    model.setRows({{u"7"_s, u"2026/12/06"_s, u"07:22:52"_s, u"0004A1B2C3"_s, u"Gate"_s},
                   {u"8"_s, u"2026/13/45"_s, u"25:61:00"_s, u"C"_s, QString()}});
    QCOMPARE(model.data(model.index(0, 2)).toString(), shownTime);
    QCOMPARE(model.rowText(0), QStringList({u"7"_s, shownDate, shownTime, u"0004A1B2C3"_s, u"Gate"_s}).join(u'\t'));
    QCOMPARE(model.rowText(1), u"8\t2026/13/45\t25:61:00\tC\t"_s);
    QVERIFY(!PatrolTableModel::longTimeFormatWithoutZone().contains(u't'));
}

// The list's own time formatter against Qt's, for an AM/PM marker in front
// and for quoted text.
void tst_PatrolData::timeFormatterMatchesQt()
{
    for (const auto &[locale, format] : {std::pair{"zh_TW", "Ah:mm:ss"}, std::pair{"de_DE", "HH:mm 'Uhr'"}}) {
        const QLocale l(QString::fromLatin1(locale));
        for (const QTime t : {QTime(0, 0, 0), QTime(7, 5, 9), QTime(12, 0, 0), QTime(13, 41, 22), QTime(23, 59, 59)})
            QCOMPARE(PatrolTableModel::formatTime(t, QLatin1String(format), l), l.toString(t, QLatin1String(format)));
    }
}

void tst_PatrolData::search_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("selected");
    QTest::addColumn<int>("found");
    QTest::newRow("first") << "12" << 0 << 2 << 0;
    QTest::newRow("next after a match") << "12" << 1 << 0 << 2;
    QTest::newRow("no wrap-around") << "12" << 1 << 2 << -1;
    QTest::newRow("case-sensitive") << "gate" << 0 << -1 << -1;
    QTest::newRow("tab across columns") << "0004A1B2C4\tDock" << 0 << -1 << 1;
    QTest::newRow("empty text") << "" << 0 << -1 << -1;
}

void tst_PatrolData::search()
{
    QFETCH(QString, text);
    QFETCH(int, mode);
    QFETCH(int, selected);
    QFETCH(int, found);
    PatrolTableModel model;
    model.setRows({{"12", "2026/12/06", "07:00:00", "0004A1B2C3", "Gate"},
                   {"3", "2026/12/06", "07:05:00", "0004A1B2C4", "Dock"},
                   {"4", "2026/12/06", "08:00:00", "0000000012", ""}});
    QCOMPARE(RowSearch::find(text, model.rowCount(), selected, mode, [&](int r) { return model.rowText(r); }),
             found);
}

// Found by fuzzing: row offsets that send libmdb's row reader past its page
// buffer (a crash where that memory is not mapped). Whatever libmdb makes of
// it, reading goes on in this process and a failure names the file.
void tst_PatrolData::damagedOldFileIsSurvived()
{
    const QString path = legacy("damaged-rows.mdb");
    const PatrolLoadResult r = PatrolDataLoader::load(path, {});
    QVERIFY2(r.ok || r.error.contains(QDir::toNativeSeparators(path)), qPrintable(r.error));
}

void tst_PatrolData::keysFollowTheTree_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("after");
    QTest::newRow("approve UU1") << "approve" << "UU1" << QStringList{"UU0:a", "UU2:c", "AA3:d", "AA4:e", "AA1:b"};
    QTest::newRow("approve all") << "all" << "" << QStringList{"AA3:d", "AA4:e", "AA0:a", "AA1:b", "AA2:c"};
    QTest::newRow("delete") << "delete" << "UU2" << QStringList{"UU0:a", "UU1:b", "AA3:d", "AA4:e"};
    QTest::newRow("download after deletes") << "download" << "" << QStringList{"UU0:a", "UU5:n", "AA4:e"};
}

void tst_PatrolData::keysFollowTheTree()
{
    QFETCH(QString, op);
    QFETCH(QString, key);
    QFETCH(QStringList, after);
    TestEnv env(false);
    const QString data = env.root() + u"/data"_s;
    qputenv("XDG_DATA_HOME", QFile::encodeName(data));
    QVERIFY(QDir().mkpath(data));
    // Three unapproved files a, b, c and two approved files d, e.
    for (const char *n : {"a", "b", "c", "d", "e"})
        makeFile(*n < 'd' ? Workspace::unapprovedFolder() : Workspace::approvedFolder(), QLatin1String(n) + u".tvl"_s, n);
    makeFile(Workspace::unapprovedFolder(), u"notes.txt"_s, "not a patrol file");
    PatrolLibrary library;
    library.refresh();
    QString error;
    QStringList newKeys;
    if (op == QLatin1String("approve")) {
        QVERIFY2(library.approve(key, nullptr, &error), qPrintable(error));
    } else if (op == QLatin1String("all")) {
        QVERIFY2(library.approveAll(&newKeys, &error), qPrintable(error));
        QCOMPARE(newKeys, (QStringList{"AA0", "AA1", "AA2"}));
    } else if (op == QLatin1String("delete")) {
        // A deleted file goes to the trash, where a wrong click can be undone.
        QVERIFY2(library.remove(key, &error), qPrintable(error));
        QVERIFY(!QFile::exists(QDir(Workspace::unapprovedFolder()).filePath(u"c.tvl"_s)));
        QCOMPARE(readTestFile(data + u"/Trash/files/c.tvl"_s), QByteArray("c"));
        QVERIFY(!library.remove(key, &error));
    } else if (op == QLatin1String("download")) {
        for (const char *k : {"UU1", "UU2", "AA3"})
            QVERIFY(library.remove(QLatin1String(k), &error));
        makeFile(Workspace::unapprovedFolder(), u"n.tvl"_s, "n");
        QCOMPARE(library.addDownloaded(u"n.tvl"_s), u"UU5"_s);
    }
    QCOMPARE(keys(library), after);
}

void tst_PatrolData::approveNeverOverwrites()
{
    TestEnv env(false);
    const QString name = u"20261206 072252.tvl"_s;
    makeFile(Workspace::approvedFolder(), name, "approved earlier");
    makeFile(Workspace::approvedFolder(), u"20261206 072252 (2).tvl"_s, "second");
    makeFile(Workspace::unapprovedFolder(), name, "new records");
    PatrolLibrary library;
    library.refresh();
    QString newKey, error;
    QVERIFY2(library.approve(u"UU0"_s, &newKey, &error), qPrintable(error));
    QCOMPARE(library.find(newKey)->name, u"20261206 072252 (3).tvl"_s);
    const QDir approved(Workspace::approvedFolder());
    QCOMPARE((QList<QByteArray>{readTestFile(approved.filePath(name)), readTestFile(approved.filePath(u"20261206 072252 (2).tvl"_s)),
                                readTestFile(library.path(newKey))}),
             (QList<QByteArray>{"approved earlier", "second", "new records"}));
    QVERIFY(PatrolLibrary::listFolder(Workspace::unapprovedFolder()).isEmpty());

    QString newName;
    QVERIFY(!PatrolLibrary::approveFile(u"../Approved/"_s + name, &newName, &error));
    QVERIFY(!PatrolLibrary::approveFile(u"missing.tvl"_s, &newName, &error));
    QVERIFY(error.contains(QLatin1String("missing.tvl")));
}

void tst_PatrolData::moveNeverReplaces()
{
    QTemporaryDir dir;
    makeFile(dir.path(), u"from"_s, "one");
    makeFile(dir.path(), u"to"_s, "two");
    QString error;
    QVERIFY(!PatrolLibrary::moveFile(dir.filePath(u"from"_s), dir.filePath(u"to"_s), &error));
    QCOMPARE((QList<QByteArray>{readTestFile(dir.filePath(u"to"_s)), readTestFile(dir.filePath(u"from"_s))}),
             (QList<QByteArray>{"two", "one"}));
    // /dev/shm is another file system on most machines: the copy path.
    QTemporaryDir other(u"/dev/shm/tavrel-XXXXXX"_s);
    const QString target = other.isValid() ? other.filePath(u"moved"_s) : dir.filePath(u"m"_s);
    QVERIFY2(PatrolLibrary::moveFile(dir.filePath(u"from"_s), target, &error), qPrintable(error));
    QCOMPARE(readTestFile(target), QByteArray("one"));
    QVERIFY(!QFile::exists(dir.filePath(u"from"_s)));
}

// A line far longer than any record is skipped; a link to a regular file is
// read (links to devices and FIFOs are refused: see tst_clipatrol).
void tst_PatrolData::longLineAndLinkedFile()
{
    TestEnv env(false);
    const QDir un(Workspace::unapprovedFolder());
    const QByteArray record = PatrolFile::encode(u"1,0004A1B2C3,2026/12/06,07:00:00"_s) + "\r\n";
    const QByteArray tooLong = PatrolFile::encode(u"1,0004A1B2C3,2026/12/06,07:00:00,"_s + QString(2000, u'x'));
    makeFile(un.path(), u"a.tvl"_s, tooLong + "\r\n" + record);
    QVERIFY(QFile::link(un.filePath(u"a.tvl"_s), un.filePath(u"b.tvl"_s)));
    const PatrolLoadResult loaded = PatrolDataLoader::load(un.filePath(u"b.tvl"_s), {});
    QCOMPARE(loaded.skippedLines, QList<int>{1});
    QCOMPARE(loaded.rows.size(), 1);
}

// Every unapproved file that can move does; each one that cannot is named.
void tst_PatrolData::approveAllGoesPastFailures()
{
    TestEnv env(false);
    makeFile(Workspace::unapprovedFolder(), u"a.tvl"_s, "a");
    makeFile(Workspace::unapprovedFolder(), u"c.tvl"_s, "c");
    QCOMPARE(::mkfifo(QFile::encodeName(Workspace::unapprovedFolder() + u"/b.tvl"_s).constData(), 0600), 0);
    PatrolLibrary library;
    library.refresh();
    QStringList newKeys;
    QString error;
    QVERIFY(!library.approveAll(&newKeys, &error));
    QVERIFY2(error.contains(u"b.tvl"_s), qPrintable(error));
    QCOMPARE(newKeys.size(), 2);
    QCOMPARE(PatrolLibrary::listFolder(Workspace::approvedFolder()), (QStringList{u"a.tvl"_s, u"c.tvl"_s}));
}

void tst_PatrolData::deleteGoesToTrashOrDeleted_data()
{
    QTest::addColumn<QString>("dataHome");
    QTest::addColumn<bool>("trash");
    QTest::newRow("data folder not made yet") << u"new/share"_s << true;
    QTest::newRow("data folder cannot be made") << u"plain-file/share"_s << false;
}

// A deleted file lands in the desktop's trash, made where it is missing, or
// else in Deleted/ of the workspace; never in the folder the program was
// started from.
void tst_PatrolData::deleteGoesToTrashOrDeleted()
{
    QFETCH(QString, dataHome);
    QFETCH(bool, trash);
    TestEnv env(false);
    const QDir root(env.root());
    QVERIFY(root.mkpath(u"cwd"_s));
    makeFile(root.path(), u"plain-file"_s, "in the way");
    const QString data = root.filePath(dataHome);
    qputenv("XDG_DATA_HOME", QFile::encodeName(data));
    const QString oldCwd = QDir::currentPath();
    QVERIFY(QDir::setCurrent(root.filePath(u"cwd"_s)));
    makeFile(Workspace::unapprovedFolder(), u"c.tvl"_s, "c");
    PatrolLibrary library;
    library.refresh();
    QString error;
    const bool removed = library.remove(u"UU0"_s, &error);
    QDir::setCurrent(oldCwd);
    QVERIFY2(removed, qPrintable(error));
    QVERIFY(library.files().isEmpty());
    QVERIFY(!QFile::exists(Workspace::unapprovedFolder() + u"/c.tvl"_s));
    QCOMPARE(QDir(root.filePath(u"cwd"_s)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());
    if (!trash) {
        QCOMPARE(readTestFile(Workspace::path(u"Deleted/c.tvl"_s)), QByteArray("c"));
        return;
    }
    QCOMPARE(readTestFile(data + u"/Trash/files/c.tvl"_s), QByteArray("c"));
    const QString info = QString::fromUtf8(readTestFile(data + u"/Trash/info/c.tvl.trashinfo"_s));
    const QByteArray original = QUrl::toPercentEncoding(Workspace::unapprovedFolder() + u"/c.tvl"_s, "/");
    QVERIFY2(info.startsWith(u"[Trash Info]\nPath="_s + QString::fromUtf8(original)), qPrintable(info));
    struct stat st = {};
    QCOMPARE(::stat(QFile::encodeName(data + u"/Trash"_s).constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, 0700u);
}

QTEST_GUILESS_MAIN(tst_PatrolData)
#include "tst_patroldata.moc"
