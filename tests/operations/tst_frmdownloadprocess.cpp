#include "DownloadProcess.h"
#include "InputHold.h"
#include "LinkBusy.h"
#include "RecordingReporter.h"
#include "Settings.h"
#include "VxSimFixture.h"
#include "frmDownloadProcess.h"
#include "ucKR500_900.h"
#include "ucVX700.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

using namespace Qt::StringLiterals;

// The download dialog as the user sees it: it opens, shows its progress,
// closes itself, and names the file it saved.
class tst_frmDownloadProcess : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cancelWorksWhileTheLinkWaits()
    {
        // Input to other windows is held back during a wait; this dialog's Cancel is not.
        InputHold hold;
        RecordingReporter reporter;
        QLocale::setDefault(QLocale::c());
        TestEnv env;
        SaveSetting(u"Terminal"_s, u"Comport"_s, u"COM2"_s);
        VxSimFixture cradle(2, &env);
        cradle.sim([](VxCradleSim &s) {
            s.setRecords(VxCradleSim::sampleRecords(400));
            s.setPaced(true);
        });
        ucKR500_900 kr;
        ucVX700 vx;
        frmDownloadProcess dialog(kr, vx, DownloadProcess::kVxFamily);
        dialog.setIsAutoDownload(true);
        auto *cancel = dialog.findChild<QPushButton *>(u"cmdCtrl"_s);
        auto *bar = dialog.findChild<QProgressBar *>(u"pb"_s);
        auto *label = dialog.findChild<QLabel *>(u"lbl"_s);
        QCOMPARE(label->text(), u"0%"_s);
        QStringList labels;
        QList<QSize> minimumSizes;
        connect(bar, &QProgressBar::valueChanged, &dialog, [&](int) {
            labels << label->text();
            minimumSizes << dialog.minimumSizeHint();
        });
        bool clicked = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &dialog, [&] {
            if (!clicked && LinkBusy::isBusy() && bar->value() >= 10) {
                clicked = true;
                QTest::mouseClick(cancel, Qt::LeftButton);
            }
        });
        poll.start(5);
        dialog.exec();

        QVERIFY(!dialog.isVisible());
        QVERIFY(clicked);
        QCOMPARE(hold.heldCount(), 0);
        QCOMPARE(dialog.outcome(), DownloadProcess::Outcome::Cancelled);
        const int saved = TestEnv::patrolLines(dialog.DownloadFile()).size();
        QVERIFY(saved >= 10 && saved < 400);
        // The bar started at 1, then followed the records, its label with it,
        // and the dialog kept its size whatever the label said.
        QCOMPARE(labels.first(), QString());
        static const QRegularExpression progress(uR"(^\d+\.\d{0,2}%, \((\d+)/400\)$)"_s);
        int last = 1;
        for (const QString &text : labels.mid(1)) {
            const QRegularExpressionMatch match = progress.match(text);
            QVERIFY2(match.hasMatch(), qPrintable(text));
            QVERIFY(match.captured(1).toInt() > last);
            last = match.captured(1).toInt();
        }
        QVERIFY(labels.size() >= 3);
        QCOMPARE(minimumSizes.mid(1).count(minimumSizes.last()), minimumSizes.size() - 1);
        QVERIFY(reporter.entries.isEmpty());
        // A cancelled download clears nothing, though an automatic one would.
        QCOMPARE(cradle.sim([](VxCradleSim &s) { return s.records().size(); }), 400);

        // No cancel outlives its download: the next one in the same dialog runs to the end.
        cradle.sim([](VxCradleSim &s) {
            s.setPaced(false);
            s.setRecords(VxCradleSim::sampleRecords(5));
        });
        dialog.exec();
        QCOMPARE(dialog.outcome(), DownloadProcess::Outcome::Saved);
        QCOMPARE(TestEnv::patrolLines(dialog.DownloadFile()).size(), 5);
    }
};

QTEST_MAIN(tst_frmDownloadProcess)
#include "tst_frmdownloadprocess.moc"
