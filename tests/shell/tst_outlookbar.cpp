#include "ucOutlookBar.h"

#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_OutlookBar : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void pointer_data();
    void pointer();
    void fontReachesEveryCaption();
};

namespace {

// An icon's frame by its top line: grey when flat, light when raised, black when sunken.
QString look(const ucOutlookBar &bar, int item)
{
    const QColor top = bar.frameColor(item, ucOutlookBar::Top);
    return top == QColor(128, 128, 128) ? u"flat"_s
         : top == QColor(224, 224, 224) ? u"raised"_s
         : top == QColor(0, 0, 0)       ? u"sunken"_s
                                        : top.name();
}

void send(QWidget *target, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, pos, target->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &e);
}

}

// Steps: "hover", "press", "drag-out", "drag-in", "release", "caption" (a move
// over item 0's caption). The icon that receives a press keeps every event
// until the release, as the window system's grab gives it.
void tst_OutlookBar::pointer_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("lookAfter");
    QTest::addColumn<int>("clicks");
    QTest::newRow("hover") << QStringList{"hover"} << "raised" << 0;
    QTest::newRow("click") << QStringList{"hover", "press", "release"} << "sunken" << 1;
    QTest::newRow("drag off, release") << QStringList{"press", "drag-out", "release"} << "flat" << 0;
    QTest::newRow("drag off and back") << QStringList{"press", "drag-out", "drag-in", "release"} << "sunken" << 1;
    QTest::newRow("caption resets, release without arming") << QStringList{"hover", "caption", "release"} << "flat" << 0;
}

void tst_OutlookBar::pointer()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, lookAfter);
    QFETCH(int, clicks);
    ucOutlookBar bar;
    bar.resize(120, 400);
    bar.show();
    QSignalSpy spy(&bar, &ucOutlookBar::ItemClick);
    QWidget *icon = bar.iconWidget(1);
    QWidget *caption = bar.findChild<QWidget *>(u"lblDescription_0"_s);
    const QPoint inside(icon->width() / 2, icon->height() / 2);
    const QPoint outside(icon->width() + 20, -15);
    QPoint last = inside;
    for (const QString &step : std::as_const(steps)) {
        if (step == QLatin1String("hover"))
            send(icon, QEvent::MouseMove, inside, Qt::NoButton);
        else if (step == QLatin1String("press"))
            send(icon, QEvent::MouseButtonPress, last = inside, Qt::LeftButton);
        else if (step == QLatin1String("drag-out"))
            send(icon, QEvent::MouseMove, last = outside, Qt::LeftButton);
        else if (step == QLatin1String("drag-in"))
            send(icon, QEvent::MouseMove, last = inside, Qt::LeftButton);
        else if (step == QLatin1String("caption"))
            send(caption, QEvent::MouseMove, QPoint(2, 2), Qt::NoButton);
        else if (step == QLatin1String("release"))
            send(icon, QEvent::MouseButtonRelease, last, Qt::NoButton);
    }
    QCOMPARE(look(bar, 1), lookAfter);
    QCOMPARE(look(bar, 0), u"flat"_s);
    QCOMPARE(spy.count(), clicks);
    if (clicks)
        QCOMPARE(spy.first().first().value<short>(), short(1));
}

void tst_OutlookBar::fontReachesEveryCaption()
{
    // The language's face, given to the bar, reaches its header and every caption.
    ucOutlookBar bar;
    bar.SetFont(QFont(u"DejaVu Serif"_s, 13));
    for (const char *part : {"lblShortCut", "lblDescription_0", "lblDescription_1"})
        QCOMPARE(bar.findChild<QWidget *>(QLatin1String(part))->font().family(), u"DejaVu Serif"_s);
}

QTEST_MAIN(tst_OutlookBar)
#include "tst_outlookbar.moc"
