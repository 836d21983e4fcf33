#pragma once

#include <QList>
#include <QString>

class QWidget;

// One fixed text of the main window: the object name of a menu, menu item or
// label and the number of its text.
struct MainFormText
{
    const char *name;
    int number;
};

// The texts SetMainFormInterface sets by object name: menus mnuFile, mnuView,
// mnuTool, mnuHelp; their items mnuFiles_N, mnuViews_N, mnuTools_N,
// mnuHelps_N; the pop-up items mnuPopTagDefs_N, mnuPopPatrolDataFiles_N,
// mnuPopDefineTags_N, mnuSystrays_N; the labels lbl_0 to lbl_2.
const QList<MainFormText> &mainFormTexts();

// Text numbers of the navigation bar: its header caption and items 0 to 2.
constexpr int kNavigationCaptionText = 122;
constexpr int kNavigationItemTexts[] = {123, 124, 341};
// The product name at the start of the main window's title.
constexpr int kProductNameText = 266;

// Sets the main window's menu, navigation-bar and label texts from the store,
// skipping what the window does not have; then has the window rebuild its
// patrol-data tree and list (Initial_tvwPatrolData, Initial_lvwPatrolData, when
// invokable); last the title, text 266 and the version suffix.
//
// The navigation bar is the child that inherits ucOutlookBar; it is given its
// texts through the property MenuCaption (or an invokable setMenuCaption) and
// an invokable SetMenuItemCaption(short or int, QString). Menus and items may
// live outside the window's children (a tray menu without a parent): those
// are looked up among the application's top-level menus by name.
void SetMainFormInterface(QWidget *mainWindow);
