#include "ucOutlookBar.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

class tst_OutlookBar : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void pointer_data();
    void pointer();
    void membersAndItemCount();
};

namespace {

using L = ucOutlookBar::Line;

QString look(const ucOutlookBar &bar, int item)
{
    const QColor top = bar.frameColor(item, L::Top);
    const QColor left = bar.frameColor(item, L::Left);
    const QColor bottom = bar.frameColor(item, L::Bottom);
    const QColor right = bar.frameColor(item, L::Right);
    if (top != left || bottom != right)
        return QStringLiteral("mixed");
    if (top == QColor(128, 128, 128) && bottom == QColor(128, 128, 128))
        return QStringLiteral("flat");
    if (top == QColor(224, 224, 224) && bottom == QColor(0, 0, 0))
        return QStringLiteral("raised");
    if (top == QColor(0, 0, 0) && bottom == QColor(224, 224, 224))
        return QStringLiteral("sunken");
    return QStringLiteral("other");
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
    QTest::newRow("caption resets") << QStringList{"hover", "caption"} << "flat" << 0;
    QTest::newRow("release without arming") << QStringList{"hover", "caption", "release"} << "flat" << 0;
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
    QWidget *caption = bar.findChild<QWidget *>(QStringLiteral("lblDescription_0"));
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
    QCOMPARE(look(bar, 0), QStringLiteral("flat"));
    QCOMPARE(spy.count(), clicks);
    if (clicks)
        QCOMPARE(spy.first().first().value<short>(), short(1));
}

void tst_OutlookBar::membersAndItemCount()
{
    ucOutlookBar bar;
    bar.resize(120, 500);
    bar.show();
    QCOMPARE(bar.findChild<QLineEdit *>(QStringLiteral("txtItemCount"))->text(), QStringLiteral("2"));
    QVERIFY(bar.findChild<QWidget *>(QStringLiteral("picInspection_1"))->isVisible());
    QVERIFY(!bar.findChild<QWidget *>(QStringLiteral("picInspection_2"))->isVisible());
    QVERIFY(!bar.findChild<QWidget *>(QStringLiteral("picInspection_3"))->isVisible());
    bar.setMenuCaption(QStringLiteral("Short Cut"));
    bar.SetMenuItemCaption(1, QStringLiteral("Tags"));
    QCOMPARE(bar.GetMenuItemCaption(1), QStringLiteral("Tags"));
    QCOMPARE(bar.property("MenuCaption").toString(), QStringLiteral("Short Cut"));
    bar.setFontName(QStringLiteral("DejaVu Serif"));
    bar.setFontSize(13);
    QCOMPARE(bar.FontName(), QStringLiteral("DejaVu Serif"));
    QCOMPARE(bar.FontSize(), short(13));
    QCOMPARE(bar.findChild<QWidget *>(QStringLiteral("lblDescription_1"))->font().pointSize(), 13);
    QCOMPARE(bar.findChild<QWidget *>(QStringLiteral("lblShortCut"))->font().family(), QStringLiteral("DejaVu Serif"));
}

QTEST_MAIN(tst_OutlookBar)
#include "tst_outlookbar.moc"
