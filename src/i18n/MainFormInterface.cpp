#include "MainFormInterface.h"

#include "CRes.h"
#include "MessageReporter.h"
#include "Version.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMetaProperty>
#include <QWidget>

#include <exception>

namespace {

QObject *findByName(QWidget *mainWindow, const QString &name)
{
    if (QObject *found = mainWindow->findChild<QObject *>(name))
        return found;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (!qobject_cast<QMenu *>(top))
            continue;
        if (top->objectName() == name)
            return top;
        if (QObject *found = top->findChild<QObject *>(name))
            return found;
    }
    return nullptr;
}

void setText(QObject *object, const QString &text)
{
    if (auto *menu = qobject_cast<QMenu *>(object))
        menu->setTitle(text);
    else if (auto *action = qobject_cast<QAction *>(object))
        action->setText(text);
    else if (auto *label = qobject_cast<QLabel *>(object))
        label->setText(text);
    else if (auto *button = qobject_cast<QAbstractButton *>(object))
        button->setText(text);
    else if (auto *group = qobject_cast<QGroupBox *>(object))
        group->setTitle(text);
}

QWidget *navigationBar(QWidget *mainWindow)
{
    const QList<QWidget *> widgets = mainWindow->findChildren<QWidget *>();
    for (QWidget *widget : widgets)
        if (widget->inherits("ucOutlookBar"))
            return widget;
    return nullptr;
}

void setNavigationTexts(QWidget *bar)
{
    CRes &res = CRes::instance();
    const QString caption = res.ResString(kNavigationCaptionText);
    const QMetaObject *meta = bar->metaObject();
    const int property = meta->indexOfProperty("MenuCaption");
    if (property >= 0 && meta->property(property).isWritable())
        bar->setProperty("MenuCaption", caption);
    else if (meta->indexOfMethod("setMenuCaption(QString)") >= 0)
        QMetaObject::invokeMethod(bar, "setMenuCaption", Q_ARG(QString, caption));

    for (int item = 0; item < int(std::size(kNavigationItemTexts)); ++item) {
        const QString text = res.ResString(kNavigationItemTexts[item]);
        if (meta->indexOfMethod("SetMenuItemCaption(short,QString)") >= 0)
            QMetaObject::invokeMethod(bar, "SetMenuItemCaption", Q_ARG(short, short(item)), Q_ARG(QString, text));
        else if (meta->indexOfMethod("SetMenuItemCaption(int,QString)") >= 0)
            QMetaObject::invokeMethod(bar, "SetMenuItemCaption", Q_ARG(int, item), Q_ARG(QString, text));
    }
}

void invokeIfPresent(QWidget *window, const char *method)
{
    if (window->metaObject()->indexOfMethod(QByteArray(method) + "()") >= 0)
        QMetaObject::invokeMethod(window, method);
}

}

const QList<MainFormText> &mainFormTexts()
{
    static const QList<MainFormText> texts = {
        {"mnuFile", 100},
        {"mnuFiles_0", 101}, {"mnuFiles_1", 102}, {"mnuFiles_2", 103}, {"mnuFiles_4", 104},
        {"mnuFiles_5", 105}, {"mnuFiles_7", 106}, {"mnuFiles_8", 107}, {"mnuFiles_10", 108},
        {"mnuView", 109},
        {"mnuViews_0", 110}, {"mnuViews_1", 111}, {"mnuViews_2", 342}, {"mnuViews_3", 112},
        {"mnuTool", 113},
        {"mnuTools_0", 114}, {"mnuTools_1", 115}, {"mnuTools_3", 116}, {"mnuTools_4", 236}, {"mnuTools_6", 117},
        {"mnuHelp", 118},
        {"mnuHelps_0", 119}, {"mnuHelps_2", 120}, {"mnuHelps_4", 121},
        {"mnuPopTagDefs_0", 203}, {"mnuPopTagDefs_1", 204}, {"mnuPopTagDefs_2", 205},
        {"mnuPopPatrolDataFiles_0", 204}, {"mnuPopPatrolDataFiles_1", 206}, {"mnuPopPatrolDataFiles_2", 207},
        {"mnuPopDefineTags_0", 235},
        {"mnuSystrays_0", 208}, {"mnuSystrays_2", 209}, {"mnuSystrays_3", 210}, {"mnuSystrays_5", 108},
        {"lbl_0", 123}, {"lbl_1", 124}, {"lbl_2", 341},
    };
    return texts;
}

void SetMainFormInterface(QWidget *mainWindow)
{
    if (!mainWindow)
        return;
    try {
        CRes &res = CRes::instance();
        // Without a readable store the designed texts stay; the title still
        // carries the version.
        if (!res.isOpen()) {
            mainWindow->setWindowTitle(QStringLiteral("Tavrel") + VersionSuffix());
            return;
        }
        for (const MainFormText &text : mainFormTexts())
            if (QObject *object = findByName(mainWindow, QLatin1String(text.name)))
                setText(object, res.ResString(text.number));
        if (QWidget *bar = navigationBar(mainWindow))
            setNavigationTexts(bar);
        invokeIfPresent(mainWindow, "Initial_tvwPatrolData");
        invokeIfPresent(mainWindow, "Initial_lvwPatrolData");
        mainWindow->setWindowTitle(res.ResString(kProductNameText) + VersionSuffix());
    } catch (const std::exception &e) {
        MessageReporter::instance().message(QString::fromLocal8Bit(e.what()), MessageReporter::Icon::None);
    }
}
