#include "CRes.h"
#include "PatrolFile.h"
#include "PatrolTableModel.h"
#include "RecordingReporter.h"
#include "TagStore.h"
#include "TestEnv.h"
#include "Workspace.h"
#include "frmMain.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

// The data commands as the user reaches them in the main window.
class tst_DataCommands : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void saveCommands_data();
    void saveCommands();
    void importSwitchesToTagView_data();
    void importSwitchesToTagView();
    void previewIsNotModal();

private:
    std::unique_ptr<TestEnv> m_env;
    QString m_tvl;
};

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Answers the next file dialog: types `name` and accepts, or cancels for an
// empty name. Returns the title the dialog showed.
std::shared_ptr<QString> answerFileDialog(const QString &name)
{
    auto title = std::make_shared<QString>();
    auto *timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, title, name] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *dialog = qobject_cast<QFileDialog *>(w);
            if (!dialog || !dialog->isVisible())
                continue;
            *title = dialog->windowTitle();
            timer->stop();
            timer->deleteLater();
            if (name.isEmpty()) {
                dialog->reject();
            } else {
                dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(name);
                QMetaObject::invokeMethod(dialog, "accept");
            }
            return;
        }
    });
    timer->start();
    return title;
}

}

void tst_DataCommands::init()
{
    m_env = std::make_unique<TestEnv>();
    CRes::destroyInstance();
    m_tvl = Workspace::unapprovedFolder() + QStringLiteral("/20240108 080000.tvl");
    QFile file(m_tvl);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(WritePatrolLine(file, QStringLiteral("1,0004A1B2C3,2024/01/08,08:00:15")));
    QVERIFY(WritePatrolLine(file, QStringLiteral("2,0004A1B2C4,2024/01/08,07:00:00")));
}

void tst_DataCommands::cleanup()
{
    CRes::destroyInstance();
    m_env.reset();
}

void tst_DataCommands::saveCommands_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("dataTextWritten");
    QTest::addColumn<QByteArray>("savedStart"); // of the chosen file; "<missing>" when none is written
    QTest::newRow("File item 1, cancelled") << "mnuFiles_1" << QString() << true << QByteArray("<missing>");
    QTest::newRow("toolbar save, cancelled") << "save" << QString() << false << QByteArray("<missing>");
    QTest::newRow("toolbar save as .tvl") << "save" << "copy.tvl" << false << QByteArray("5740");
    QTest::newRow("File item 1 as .xlsx") << "mnuFiles_1" << "copy.xlsx" << true << QByteArray("PK");
    QTest::newRow("no extension writes nothing") << "save" << "copy" << false << QByteArray("<missing>");
}

void tst_DataCommands::saveCommands()
{
    QFETCH(QString, command);
    QFETCH(QString, typed);
    QFETCH(bool, dataTextWritten);
    QFETCH(QByteArray, savedStart);
    RecordingReporter reporter;
    const QString dataText = Workspace::path(QStringLiteral("data0.txt"));
    QFile old(dataText);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old\r\n") == 5);
    old.close();

    frmMain window;
    window.show();
    // Nothing to save before a file was opened.
    QVERIFY(window.action(command)->isEnabled());
    window.action(QStringLiteral("save"))->trigger();
    window.OpenPatrolDataFile(m_tvl);
    QCOMPARE(window.patrolModel()->rowCount(), 2);

    const auto title = answerFileDialog(typed);
    window.action(command)->trigger();
    QCOMPARE(*title, QStringLiteral("Save"));
    QCOMPARE(readFile(dataText), dataTextWritten ? QByteArray("1,0004A1B2C3,2024/01/08,08:00:15\r\n"
                                                              "2,0004A1B2C4,2024/01/08,07:00:00\r\n")
                                                 : QByteArray("old\r\n"));
    const QString target = Workspace::current() + QLatin1Char('/') + (typed.isEmpty() ? QStringLiteral("x") : typed);
    QVERIFY(readFile(target).startsWith(savedStart));
    if (typed.endsWith(QLatin1String(".tvl")))
        QCOMPARE(readFile(target), readFile(m_tvl));
    QVERIFY(reporter.entries.isEmpty());
}

void tst_DataCommands::importSwitchesToTagView_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("good file") << QByteArray("12345ABCDE\tGate\r\n") << true;
    QTest::newRow("duplicate code") << QByteArray("12345ABCDE\tGate\r\n12345ABCDE\tDock\r\n") << false;
}

void tst_DataCommands::importSwitchesToTagView()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, accepted);
    RecordingReporter reporter;
    QString error;
    QVERIFY(TagStore::replaceAll({{QStringLiteral("0000000001"), QStringLiteral("Old")}}, &error));
    const QString file = m_env->root() + QStringLiteral("/in.tag");
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
    f.close();

    frmMain window;
    window.show();
    const auto title = answerFileDialog(file);
    window.action(QStringLiteral("mnuFiles_5"))->trigger();
    QCOMPARE(*title, QStringLiteral("Import"));
    QCOMPARE(window.CurrentView(), accepted ? 1 : 0);
    auto *list = window.findChild<QTreeWidget *>(QStringLiteral("lvwTagDef"));
    QVERIFY(list);
    QCOMPARE(list->topLevelItemCount(), 1);
    QCOMPARE(list->topLevelItem(0)->text(1), accepted ? QStringLiteral("Gate") : QStringLiteral("Old"));
    QCOMPARE(reporter.entries.size(), accepted ? 0 : 1);
    if (!accepted)
        QVERIFY(reporter.entries.first().text.contains(QLatin1String("line 2")));
}

void tst_DataCommands::previewIsNotModal()
{
    RecordingReporter reporter;
    frmMain window;
    window.show();
    auto *tree = window.findChild<QTreeWidget *>(QStringLiteral("tvwPatrolData"));
    QVERIFY(tree);
    QTreeWidgetItem *fileNode = tree->topLevelItem(0)->child(0);
    QVERIFY(fileNode);
    tree->scrollToItem(fileNode);
    const QPoint at = tree->visualItemRect(fileNode).center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(window.CurrentFilePath(), m_tvl);

    QPrintPreviewDialog *preview = window.findChild<QPrintPreviewDialog *>();
    QVERIFY(preview);
    QVERIFY(preview->isVisible());
    QVERIFY(!preview->isModal());
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(preview->findChild<QAction *>(QStringLiteral("exportPdf")));
    QCOMPARE(preview->windowTitle(), CRes::instance().ResString(123));
    // The menu's preview opens a second window; the first stays.
    window.action(QStringLiteral("mnuFiles_7"))->trigger();
    QCOMPARE(window.findChildren<QPrintPreviewDialog *>().size(), 2);
    QVERIFY(window.findChild<QAction *>(QStringLiteral("mnuFiles_exportPdf"))->isEnabled());
    QVERIFY(reporter.entries.isEmpty());
}

QTEST_MAIN(tst_DataCommands)
#include "tst_datacommands.moc"
