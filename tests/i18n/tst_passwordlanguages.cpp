#include "CRes.h"
#include "RecordingReporter.h"
#include "TestEnv.h"
#include "frmPassword.h"
#include "frmPasswordChange.h"

#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

// The two password dialogs in each shipped language: the numbered texts
// arrive, fit their widgets and are drawn in the language's face. With
// TAVREL_SHOT_DIR set, each dialog is also saved there as a PNG
// (password-<language>.png, password-change-<language>.png).
class tst_PasswordLanguages : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void dialogs_data();
    void dialogs();

private:
    static void checkFits(QWidget *widget, const QString &text);

    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<RecordingReporter> m_reporter;
};

void tst_PasswordLanguages::init()
{
    m_env = std::make_unique<TestEnv>(false);
    m_reporter = std::make_unique<RecordingReporter>();
}

void tst_PasswordLanguages::cleanup()
{
    CRes::destroyInstance();
    m_reporter.reset();
    m_env.reset();
}

void tst_PasswordLanguages::checkFits(QWidget *widget, const QString &text)
{
    QString shown = text;
    shown.remove(QLatin1Char('&'));
    const int needed = QFontMetrics(widget->font()).horizontalAdvance(shown);
    QVERIFY2(needed <= widget->contentsRect().width(), qPrintable(u"\"%1\" needs %2 px, %3 has %4"_s.arg(shown).arg(needed)
                                                                      .arg(widget->objectName()).arg(widget->contentsRect().width())));
    QVERIFY(widget->width() >= widget->minimumSizeHint().width());
}

void tst_PasswordLanguages::dialogs_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("face");
    QTest::newRow("English") << "English" << "english" << "DejaVu Sans";
    QTest::newRow("Traditional Chinese") << "Traditional Chinese" << "traditional-chinese" << "Noto Sans CJK TC";
    QTest::newRow("Japanese") << "Japanese" << "japanese" << "Noto Sans CJK JP";
}

void tst_PasswordLanguages::dialogs()
{
    QFETCH(QString, language);
    QFETCH(QString, file);
    QFETCH(QString, face);
    CRes &res = CRes::instance();
    res.setLanguage(language);

    frmPassword password;
    frmPasswordChange change;
    const struct
    {
        QDialog *dialog;
        int title;
        QString shot;
    } dialogs[] = {{&password, 156, u"password-"_s}, {&change, 160, u"password-change-"_s}};

    for (const auto &d : dialogs) {
        res.SetFormInterface(d.dialog);
        d.dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(d.dialog));
        QCoreApplication::processEvents();

        QCOMPARE(d.dialog->windowTitle(), res.ResString(d.title));
        auto *label = d.dialog->findChild<QLabel *>(u"lblPassword"_s);
        auto *ok = d.dialog->findChild<QPushButton *>(u"cmdCtrl_0"_s);
        auto *cancel = d.dialog->findChild<QPushButton *>(u"cmdCtrl_1"_s);
        QVERIFY(label && ok && cancel);
        for (const auto &[widget, number] : {std::pair<QWidget *, int>{label, 157}, {ok, 8}, {cancel, 9}}) {
            QCOMPARE(widget->property("text").toString(), res.ResString(number));
            checkFits(widget, res.ResString(number));
        }
        QCOMPARE(label->font().family(), face);
        if (QFontDatabase::hasFamily(face))
            QCOMPARE(QFontInfo(label->font()).family(), face);

        const QString folder = qEnvironmentVariable("TAVREL_SHOT_DIR");
        if (!folder.isEmpty()) {
            QVERIFY(QDir().mkpath(folder));
            // The offscreen platform draws no window frame: paint the title above the dialog.
            const QPixmap body = d.dialog->grab();
            const QFontMetrics metrics(d.dialog->font());
            QImage shot(body.width(), body.height() + metrics.height() + 8, QImage::Format_RGB32);
            shot.fill(QColor(0xd6, 0xdb, 0xe9));
            {
                QPainter painter(&shot);
                painter.setFont(d.dialog->font());
                painter.drawText(QRect(6, 0, shot.width() - 12, metrics.height() + 8), Qt::AlignVCenter,
                                 d.dialog->windowTitle());
                painter.drawPixmap(0, metrics.height() + 8, body);
            }
            QVERIFY(shot.save(folder + QLatin1Char('/') + d.shot + file + u".png"_s));
        }
        d.dialog->hide();
    }
    QVERIFY(m_reporter->entries.isEmpty());
}

QTEST_MAIN(tst_PasswordLanguages)
#include "tst_passwordlanguages.moc"
