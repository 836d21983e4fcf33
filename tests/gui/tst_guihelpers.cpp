#include "GuiHelpers.h"
#include "RecordingReporter.h"
#include "TestFiles.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace Qt::StringLiterals;

class tst_GuiHelpers : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void selectComboText();
    void nameFilters_data();
    void nameFilters();
    void saveNewFile();
    void saveOverExisting_data();
    void saveOverExisting();
    void openNeedsNoExistingFile();

private:
    QTemporaryDir m_config;
};

namespace {

// Plays the user at a file dialog: every time the dialog shows, the next step
// runs on it and records what the dialog proposed.
class DialogScript : public QObject
{
public:
    using Step = std::function<void(QFileDialog &)>;

    DialogScript(QFileDialog &dialog, QList<Step> steps)
        : m_dialog(dialog)
        , m_steps(std::move(steps))
    {
        m_timer.setInterval(5);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (!m_dialog.isVisible() || m_steps.isEmpty())
                return;
            proposed << QFileInfo(m_dialog.selectedFiles().value(0)).fileName();
            titles << m_dialog.windowTitle();
            folders << m_dialog.directory().absolutePath();
            m_steps.takeFirst()(m_dialog);
        });
        m_timer.start();
    }

    QStringList proposed, titles, folders;

    static Step choose(const QString &path)
    {
        return [path](QFileDialog &d) {
            // Typed into the file name box, as a user would.
            auto *edit = d.findChild<QLineEdit *>(u"fileNameEdit"_s);
            QVERIFY(edit);
            edit->setText(path);
            QMetaObject::invokeMethod(&d, "accept"); // as the Save or Open button does
        };
    }
    static Step cancel()
    {
        return [](QFileDialog &d) { d.reject(); };
    }

private:
    QFileDialog &m_dialog;
    QList<Step> m_steps;
    QTimer m_timer;
};

std::unique_ptr<QFileDialog> plainDialog()
{
    auto dialog = std::make_unique<QFileDialog>();
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    return dialog;
}

}

void tst_GuiHelpers::initTestCase()
{
    // The file dialog keeps its history in the user's settings; keep it out of them.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
}

void tst_GuiHelpers::selectComboText()
{
    QComboBox combo;
    SelectComboText(combo, u"COM1"_s);
    QCOMPARE(combo.currentIndex(), -1); // an empty list is left alone

    combo.addItems({u"COM1"_s, u"COM2"_s, u"COM10"_s});
    SelectComboText(combo, u"COM10"_s);
    QCOMPARE(combo.currentIndex(), 2);
    SelectComboText(combo, u"COM3"_s);
    QCOMPARE(combo.currentIndex(), 0);
    combo.setCurrentIndex(1);
    SelectComboText(combo, u"com2"_s); // exact: case counts
    QCOMPARE(combo.currentIndex(), 0);
    SelectComboText(combo, u"COM1"_s);
    QCOMPARE(combo.currentText(), u"COM1"_s);
}

void tst_GuiHelpers::nameFilters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("pairs") << "(*.tag)|*.tag|(*.tu)|*.tu" << QStringList{"(*.tag)", "(*.tu)"};
    QTest::newRow("description with more")
        << "(*.tvl)|*.tvl|(*.mdb, TVL 2.x.x/1.x.x format)|*.mdb"
        << QStringList{"(*.tvl)", "(*.mdb, TVL 2.x.x/1.x.x format) (*.mdb)"};
    QTest::newRow("plain description") << "Text|*.txt;*.csv" << QStringList{"Text (*.txt *.csv)"};
    QTest::newRow("Qt form") << "Patrol data (*.tvl);;All files (*)"
                             << QStringList{"Patrol data (*.tvl)", "All files (*)"};
    QTest::newRow("empty") << "" << QStringList();
}

void tst_GuiHelpers::nameFilters()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);
    QCOMPARE(DialogNameFilters(filter), expected);
}

void tst_GuiHelpers::saveNewFile()
{
    QTemporaryDir dir;
    RecordingReporter reporter;
    auto dialog = plainDialog();
    const QString target = dir.filePath(u"20240108.tag"_s);
    DialogScript script(*dialog, {DialogScript::choose(target)});
    QString fileName = u"20240108"_s;
    QVERIFY(ShowSaveDialog(*dialog, u"Export"_s, dir.path(), u"(*.tag)|*.tag"_s, fileName));
    QCOMPARE(fileName, target);
    QCOMPARE(script.proposed + script.titles + script.folders, (QStringList{"20240108", "Export", QDir(dir.path()).absolutePath()}));
    QVERIFY(reporter.entries.isEmpty());
}

void tst_GuiHelpers::saveOverExisting_data()
{
    QTest::addColumn<bool>("okSecond");
    QTest::newRow("asks again, then OK") << true;
    QTest::newRow("asks again, then cancelled") << false;
}

void tst_GuiHelpers::saveOverExisting()
{
    QFETCH(bool, okSecond);
    QTemporaryDir dir;
    const QString existing = dir.filePath(u"old.tvl"_s);
    QVERIFY(writeTestFile(existing, {}));
    RecordingReporter reporter;
    reporter.answers = {false, true}; // Cancel, then OK
    auto dialog = plainDialog();
    DialogScript script(*dialog, {DialogScript::choose(existing),
                                  okSecond ? DialogScript::choose(existing) : DialogScript::cancel()});
    QString fileName = u"proposed"_s;
    QCOMPARE(ShowSaveDialog(*dialog, u"Save"_s, dir.path(), u"(*.tvl)|*.tvl"_s, fileName), okSecond);
    QCOMPARE(fileName, okSecond ? existing : u"proposed"_s);
    QCOMPARE(script.proposed, (QStringList{"proposed", "proposed"})); // the dialog came back with the same proposal
    QCOMPARE(reporter.texts(), QStringList(okSecond ? 2 : 1, u"File already exists, overwrite?"_s));
    QCOMPARE(reporter.entries.first().icon, MessageReporter::Icon::Exclamation);
}

void tst_GuiHelpers::openNeedsNoExistingFile()
{
    QTemporaryDir dir;
    RecordingReporter reporter;
    auto dialog = plainDialog();
    const QString missing = dir.filePath(u"missing.tu"_s);
    {
        DialogScript script(*dialog, {DialogScript::choose(missing)});
        QString fileName;
        QVERIFY(ShowOpenDialog(*dialog, u"Import"_s, dir.path(), u"(*.tag)|*.tag|(*.tu)|*.tu"_s, fileName));
        QCOMPARE(fileName, missing);
        QCOMPARE(script.titles, QStringList{"Import"});
    }
    {
        DialogScript script(*dialog, {DialogScript::cancel()});
        QString fileName = u"kept"_s;
        QVERIFY(!ShowOpenDialog(*dialog, u"Import"_s, dir.path(), u"(*.tag)|*.tag"_s, fileName));
        QCOMPARE(fileName, u"kept"_s);
    }
    QVERIFY(reporter.entries.isEmpty());
}

QTEST_MAIN(tst_GuiHelpers)
#include "tst_guihelpers.moc"
