#include "GuiHelpers.h"
#include "MessageBoxReporter.h"
#include "ModalAnswer.h"
#include "RecordingReporter.h"
#include "Settings.h"
#include "TestFiles.h"
#include "WindowGeometry.h"

#include <QApplication>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QSplitter>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_GuiHelpers : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup() { cancelModalAnswers(); }
    void nameFilters_data();
    void nameFilters();
    void saveAsksBeforeOverwriting_data();
    void saveAsksBeforeOverwriting();
    void openTakesANameNotYetThere();
    void failureBoxCarriesTheProgramName();
    void keptBetweenStarts();
    void clampedIntoTheScreen_data();
    void clampedIntoTheScreen();

private:
    QTemporaryDir m_config;
};

namespace {

// Plays the user at the file dialog, once for each of `paths` in turn: types
// the path into the file name box and accepts, as the Save or Open button
// does, or cancels for an empty path. `proposed` gets the name the dialog
// offered each time.
void answerFileDialog(QStringList paths, QStringList *proposed)
{
    whenModal<QFileDialog>([paths, proposed](QFileDialog *d) mutable {
        *proposed << QFileInfo(d->selectedFiles().value(0)).fileName();
        const QString path = paths.takeFirst();
        if (!paths.isEmpty())
            answerFileDialog(paths, proposed);
        if (path.isEmpty())
            return d->reject();
        d->findChild<QLineEdit *>(u"fileNameEdit"_s)->setText(path);
        QMetaObject::invokeMethod(d, "accept");
    });
}

}

void tst_GuiHelpers::initTestCase()
{
    // The file dialog keeps its history in the user's settings; keep it out of them.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    Settings::setConfigFolder(m_config.path());
}

void tst_GuiHelpers::nameFilters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("description with more")
        << "(*.tvl)|*.tvl|(*.mdb, TVL 2.x.x/1.x.x format)|*.mdb"
        << QStringList{"(*.tvl)", "(*.mdb, TVL 2.x.x/1.x.x format) (*.mdb)"};
    QTest::newRow("plain description") << "Text|*.txt;*.csv" << QStringList{"Text (*.txt *.csv)"};
    QTest::newRow("Qt form") << "Patrol data (*.tvl);;All files (*)"
                             << QStringList{"Patrol data (*.tvl)", "All files (*)"};
}

void tst_GuiHelpers::nameFilters()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);
    QCOMPARE(DialogNameFilters(filter), expected);
}

void tst_GuiHelpers::saveAsksBeforeOverwriting_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("okSecond");
    QTest::addColumn<int>("questions");
    QTest::newRow("new file, not asked") << "new.tvl" << true << 0;
    QTest::newRow("asks again, then OK") << "old.tvl" << true << 2;
    QTest::newRow("asks again, then cancelled") << "old.tvl" << false << 1;
}

void tst_GuiHelpers::saveAsksBeforeOverwriting()
{
    QFETCH(QString, name);
    QFETCH(bool, okSecond);
    QFETCH(int, questions);
    QTemporaryDir dir;
    QVERIFY(writeTestFile(dir.filePath(u"old.tvl"_s), {}));
    const QString target = dir.filePath(name);
    RecordingReporter reporter;
    reporter.answers = {false, true}; // Cancel, then OK
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    QStringList proposed;
    answerFileDialog({target, okSecond ? target : QString()}, &proposed);
    QString fileName = u"proposed"_s;
    QCOMPARE(ShowSaveDialog(dialog, u"Save"_s, dir.path(), u"(*.tvl)|*.tvl"_s, fileName), okSecond);
    QCOMPARE(fileName, okSecond ? target : u"proposed"_s);
    // Each time the dialog comes back, it proposes the same name.
    QCOMPARE(proposed, QStringList(questions ? 2 : 1, u"proposed"_s));
    QCOMPARE(reporter.texts(), QStringList(questions, u"File already exists, overwrite?"_s));
}

void tst_GuiHelpers::openTakesANameNotYetThere()
{
    QTemporaryDir dir;
    RecordingReporter reporter;
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    const QString missing = dir.filePath(u"missing.tu"_s);
    QStringList proposed;
    answerFileDialog({missing}, &proposed);
    QString fileName;
    QVERIFY(ShowOpenDialog(dialog, u"Import"_s, dir.path(), u"(*.tag)|*.tag|(*.tu)|*.tu"_s, fileName));
    QCOMPARE(fileName, missing);
    QCOMPARE((QStringList{dialog.windowTitle(), dialog.directory().absolutePath()}),
             (QStringList{"Import", QDir(dir.path()).absolutePath()}));
    QVERIFY(reporter.entries.isEmpty());
}

void tst_GuiHelpers::failureBoxCarriesTheProgramName()
{
    // The title names the program; the failure's number goes with its text.
    QApplication::setApplicationName(u"Tavrel"_s);
    MessageBoxReporter boxes;
    QStringList seen;
    for (int number : {13, 0}) {
        whenModal<QMessageBox>([&](QMessageBox *box) {
            seen << box->windowTitle() << box->text();
            box->accept();
        });
        boxes.failure(u"Type mismatch"_s, number);
    }
    QCOMPARE(seen, (QStringList{u"Tavrel"_s, u"Type mismatch\n\n(13)"_s, u"Tavrel"_s, u"Type mismatch"_s}));
}

// A window and a splitter come back as they were left; a window larger than
// the screen opens inside it.
void tst_GuiHelpers::keptBetweenStarts()
{
    const QRect placed(40, 50, 320, 240);
    int left = 0;
    const auto start = [](QWidget &window, QSplitter *splitter) {
        WindowGeometry::keep(&window, u"Probe"_s);
        WindowGeometry::keep(splitter, u"ProbeSplitter"_s);
        splitter->addWidget(new QWidget);
        splitter->addWidget(new QWidget);
        (new QHBoxLayout(&window))->addWidget(splitter);
        window.show();
        const bool exposed = QTest::qWaitForWindowExposed(&window);
        QCoreApplication::processEvents();
        return exposed;
    };
    {
        QWidget window;
        auto *splitter = new QSplitter(&window);
        QVERIFY(start(window, splitter));
        window.setGeometry(placed);
        QCoreApplication::processEvents();
        splitter->setSizes({1, 4});
        left = splitter->sizes().constFirst();
    }
    QVERIFY(!GetSetting(u"Windows"_s, u"Probe"_s).isEmpty());
    QWidget window;
    auto *splitter = new QSplitter(&window);
    window.resize(100, 100);
    QVERIFY(start(window, splitter));
    QCOMPARE(window.geometry(), placed);
    QCOMPARE(splitter->sizes().constFirst(), left);

    QWidget large;
    large.resize(window.screen()->availableGeometry().size() * 2);
    WindowGeometry::keep(&large, u"Large"_s);
    large.show();
    QVERIFY(QTest::qWaitForWindowExposed(&large));
    QVERIFY(large.screen()->availableGeometry().contains(large.frameGeometry()));
}

void tst_GuiHelpers::clampedIntoTheScreen_data()
{
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QRect>("expected");
    const QRect laptop(0, 0, 1280, 900);
    QTest::newRow("fits") << QRect(100, 80, 900, 600) << laptop << QRect(100, 80, 900, 600);
    QTest::newRow("hangs over the right and bottom") << QRect(700, 500, 900, 600) << laptop << QRect(380, 300, 900, 600);
    QTest::newRow("larger than the screen") << QRect(10, 10, 1920, 1200) << laptop << laptop;
    QTest::newRow("saved on a second screen") << QRect(2000, 100, 800, 600) << laptop << QRect(480, 100, 800, 600);
    QTest::newRow("under a panel at the top") << QRect(0, 0, 800, 600) << QRect(0, 32, 1280, 868)
                                              << QRect(0, 32, 800, 600);
    QTest::newRow("left of a screen that starts at 1920") << QRect(1800, 50, 600, 400) << QRect(1920, 0, 1280, 900)
                                                           << QRect(1920, 50, 600, 400);
}

void tst_GuiHelpers::clampedIntoTheScreen()
{
    QFETCH(QRect, frame);
    QFETCH(QRect, available);
    QFETCH(QRect, expected);
    QCOMPARE(WindowGeometry::clamp(frame, available), expected);
}

QTEST_MAIN(tst_GuiHelpers)
#include "tst_guihelpers.moc"
