#include "ucOutlookBar.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;

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
        return u"mixed"_s;
    if (top == QColor(128, 128, 128) && bottom == QColor(128, 128, 128))
        return u"flat"_s;
    if (top == QColor(224, 224, 224) && bottom == QColor(0, 0, 0))
        return u"raised"_s;
    if (top == QColor(0, 0, 0) && bottom == QColor(224, 224, 224))
        return u"sunken"_s;
    return u"other"_s;
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

void tst_OutlookBar::membersAndItemCount()
{
    ucOutlookBar bar;
    bar.resize(120, 500);
    bar.show();
    QCOMPARE(bar.findChild<QLineEdit *>(u"txtItemCount"_s)->text(), u"2"_s);
    for (int i = 1; i <= 3; ++i)
        QCOMPARE(bar.findChild<QWidget *>(u"picInspection_%1"_s.arg(i))->isVisible(), i == 1);
    bar.setMenuCaption(u"Short Cut"_s);
    bar.SetMenuItemCaption(1, u"Tags"_s);
    QCOMPARE((QStringList{bar.GetMenuItemCaption(1), bar.property("MenuCaption").toString()}), (QStringList{"Tags", "Short Cut"}));
    bar.setFontName(u"DejaVu Serif"_s);
    bar.setFontSize(13);
    QCOMPARE((QList<int>{bar.FontSize(), bar.findChild<QWidget *>(u"lblDescription_1"_s)->font().pointSize()}), (QList<int>{13, 13}));
    QCOMPARE(bar.FontName(), u"DejaVu Serif"_s);
    QCOMPARE(bar.findChild<QWidget *>(u"lblShortCut"_s)->font().family(), u"DejaVu Serif"_s);
}

QTEST_MAIN(tst_OutlookBar)
#include "tst_outlookbar.moc"
