#include "CRes.h"
#include "ModalAnswer.h"
#include "PatrolFile.h"
#include "RecordingReporter.h"
#include "TestEnv.h"
#include "TestFiles.h"
#include "Workspace.h"
#include "frmMain.h"

#include <QAction>
#include <QFileDialog>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QTreeWidget>
#include <QtTest>

using namespace Qt::StringLiterals;

// The data commands as the user reaches them in the main window.
class tst_DataCommands : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup() { cancelModalAnswers(); m_env.reset(); CRes::destroyInstance(); }
    void saveCommands_data();
    void saveCommands();
    void previewIsNotModal();

private:
    std::unique_ptr<TestEnv> m_env;
    QString m_tvl;
};

void tst_DataCommands::init()
{
    m_env = std::make_unique<TestEnv>();
    CRes::destroyInstance();
    m_tvl = Workspace::unapprovedFolder() + u"/20240108 080000.tvl"_s;
    QFile file(m_tvl);
    QVERIFY(file.open(QIODevice::WriteOnly));
    for (const char *record : {"1,0004A1B2C3,2024/01/08,08:00:15", "2,0004A1B2C4,2024/01/08,07:00:00"})
        QVERIFY(WritePatrolLine(file, QLatin1String(record)));
}

void tst_DataCommands::saveCommands_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("dataTextWritten");
    QTest::addColumn<QByteArray>("savedStart"); // of the chosen file; empty when none is written
    QTest::newRow("toolbar save as .tvl") << "save" << "copy.tvl" << false << QByteArray("5740");
    QTest::newRow("File item 1 as .xlsx") << "mnuFiles_1" << "copy.xlsx" << true << QByteArray("PK");
    QTest::newRow("no extension writes nothing") << "save" << "copy" << false << QByteArray();
}

void tst_DataCommands::saveCommands()
{
    QFETCH(QString, command);
    QFETCH(QString, typed);
    QFETCH(bool, dataTextWritten);
    QFETCH(QByteArray, savedStart);
    RecordingReporter reporter;
    const QString dataText = Workspace::path(u"data0.txt"_s);
    QVERIFY(writeTestFile(dataText, "old\r\n"));

    frmMain window;
    window.show();
    // No dialog while no file is open (an unanswered one would hang the test).
    window.action(u"save"_s)->trigger();
    window.OpenPatrolDataFile(m_tvl);
    // The user types a name into the file dialog and accepts it.
    whenModal<QFileDialog>([typed](QFileDialog *dialog) {
        dialog->findChild<QLineEdit *>(u"fileNameEdit"_s)->setText(typed);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    window.action(command)->trigger();
    QCOMPARE(readTestFile(dataText), dataTextWritten ? QByteArray("1,0004A1B2C3,2024/01/08,08:00:15\r\n"
                                                              "2,0004A1B2C4,2024/01/08,07:00:00\r\n")
                                                 : QByteArray("old\r\n"));
    const QString target = Workspace::current() + QLatin1Char('/') + typed;
    QCOMPARE(QFile::exists(target), !savedStart.isEmpty());
    QVERIFY(readTestFile(target).startsWith(savedStart));
    if (typed.endsWith(QLatin1String(".tvl")))
        QCOMPARE(readTestFile(target), readTestFile(m_tvl));
    QVERIFY(reporter.entries.isEmpty());
}

void tst_DataCommands::previewIsNotModal()
{
    RecordingReporter reporter;
    frmMain window;
    window.show();
    auto *tree = window.findChild<QTreeWidget *>(u"tvwPatrolData"_s);
    QTreeWidgetItem *fileNode = tree->topLevelItem(0)->child(0);
    QVERIFY(fileNode);
    const QPoint at = tree->visualItemRect(fileNode).center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(window.CurrentFilePath(), m_tvl);

    auto *preview = window.findChild<QPrintPreviewDialog *>();
    QVERIFY(preview && preview->isVisible() && !preview->isModal());
    QVERIFY(!QApplication::activeModalWidget() && preview->findChild<QAction *>(u"exportPdf"_s));
    // The menu's preview opens a second window; the first stays.
    window.action(u"mnuFiles_7"_s)->trigger();
    QCOMPARE(window.findChildren<QPrintPreviewDialog *>().size(), 2);
    QVERIFY(reporter.entries.isEmpty());
}

QTEST_MAIN(tst_DataCommands)
#include "tst_datacommands.moc"
