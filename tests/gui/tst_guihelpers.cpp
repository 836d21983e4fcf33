#include "GuiHelpers.h"
#include "MessageBoxReporter.h"
#include "ModalAnswer.h"
#include "RecordingReporter.h"
#include "TestFiles.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
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

QTEST_MAIN(tst_GuiHelpers)
#include "tst_guihelpers.moc"
