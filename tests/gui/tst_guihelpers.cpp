#include "GuiHelpers.h"
#include "RecordingReporter.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

class tst_GuiHelpers : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void selectComboText();
    void nameFilters_data();
    void nameFilters();
    void saveNewFile();
    void saveOverExistingAsksAgain();
    void saveCancelled();
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

    QStringList proposed;
    QStringList titles;
    QStringList folders;
    int shown() const { return int(proposed.size()); }

    static Step choose(const QString &path)
    {
        return [path](QFileDialog &d) {
            // Typed into the file name box, as a user would.
            auto *edit = d.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
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
    SelectComboText(combo, QStringLiteral("COM1"));
    QCOMPARE(combo.currentIndex(), -1); // an empty list is left alone

    combo.addItems({QStringLiteral("COM1"), QStringLiteral("COM2"), QStringLiteral("COM10")});
    SelectComboText(combo, QStringLiteral("COM10"));
    QCOMPARE(combo.currentIndex(), 2);
    SelectComboText(combo, QStringLiteral("COM3"));
    QCOMPARE(combo.currentIndex(), 0);
    combo.setCurrentIndex(1);
    SelectComboText(combo, QStringLiteral("com2")); // exact: case counts
    QCOMPARE(combo.currentIndex(), 0);
    SelectComboText(combo, QStringLiteral("COM1"));
    QCOMPARE(combo.currentText(), QStringLiteral("COM1"));
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
    const QString target = dir.filePath(QStringLiteral("20240108.tag"));
    DialogScript script(*dialog, {DialogScript::choose(target)});
    QString fileName = QStringLiteral("20240108");
    QVERIFY(ShowSaveDialog(*dialog, QStringLiteral("Export"), dir.path(), QStringLiteral("(*.tag)|*.tag"), fileName));
    QCOMPARE(fileName, target);
    QCOMPARE(script.proposed, QStringList{"20240108"});
    QCOMPARE(script.titles, QStringList{"Export"});
    QCOMPARE(script.folders, QStringList{QDir(dir.path()).absolutePath()});
    QVERIFY(reporter.entries.isEmpty());
}

void tst_GuiHelpers::saveOverExistingAsksAgain()
{
    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("old.tvl"));
    QFile(existing).open(QIODevice::WriteOnly);
    RecordingReporter reporter;
    reporter.answers = {false, true}; // Cancel, then OK
    auto dialog = plainDialog();
    DialogScript script(*dialog, {DialogScript::choose(existing), DialogScript::choose(existing)});
    QString fileName = QStringLiteral("proposed");
    QVERIFY(ShowSaveDialog(*dialog, QStringLiteral("Save"), dir.path(), QStringLiteral("(*.tvl)|*.tvl"), fileName));
    QCOMPARE(fileName, existing);
    QCOMPARE(script.shown(), 2);
    QCOMPARE(script.proposed, (QStringList{"proposed", "proposed"})); // the dialog came back with the same proposal
    QCOMPARE(reporter.texts(),
             (QStringList{"File already exists, overwrite?", "File already exists, overwrite?"}));
    QCOMPARE(reporter.entries.first().icon, MessageReporter::Icon::Exclamation);
}

void tst_GuiHelpers::saveCancelled()
{
    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("old.tvl"));
    QFile(existing).open(QIODevice::WriteOnly);
    RecordingReporter reporter;
    reporter.answers = {false};
    auto dialog = plainDialog();
    DialogScript script(*dialog, {DialogScript::choose(existing), DialogScript::cancel()});
    QString fileName = QStringLiteral("proposed");
    QVERIFY(!ShowSaveDialog(*dialog, QStringLiteral("Save"), dir.path(), QStringLiteral("(*.tvl)|*.tvl"), fileName));
    QCOMPARE(fileName, QStringLiteral("proposed"));
    QCOMPARE(script.shown(), 2);
    QCOMPARE(reporter.entries.size(), 1);
}

void tst_GuiHelpers::openNeedsNoExistingFile()
{
    QTemporaryDir dir;
    RecordingReporter reporter;
    auto dialog = plainDialog();
    const QString missing = dir.filePath(QStringLiteral("missing.tu"));
    {
        DialogScript script(*dialog, {DialogScript::choose(missing)});
        QString fileName;
        QVERIFY(ShowOpenDialog(*dialog, QStringLiteral("Import"), dir.path(),
                               QStringLiteral("(*.tag)|*.tag|(*.tu)|*.tu"), fileName));
        QCOMPARE(fileName, missing);
        QCOMPARE(script.titles, QStringList{"Import"});
    }
    {
        DialogScript script(*dialog, {DialogScript::cancel()});
        QString fileName = QStringLiteral("kept");
        QVERIFY(!ShowOpenDialog(*dialog, QStringLiteral("Import"), dir.path(), QStringLiteral("(*.tag)|*.tag"),
                                fileName));
        QCOMPARE(fileName, QStringLiteral("kept"));
    }
    QVERIFY(reporter.entries.isEmpty());
}

QTEST_MAIN(tst_GuiHelpers)
#include "tst_guihelpers.moc"
