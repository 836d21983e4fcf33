// The window half of CRes: walking a window's controls and applying the
// current language's texts and font. Built into tavrel_i18n_gui.
//
// A control takes part through its dynamic property "tag" (a text number,
// "UseDefault" or "UseDefault0"); a window's own "tag" numbers its title.
// Qt widget types stand for the control kinds of the rules:
//   QLabel                       "Label"   text = text N (numeric tag only)
//   QMenu and its QActions       "Menu"    title/text = text N (numeric tag only)
//   QToolBar                     "Toolbar" each action's tag -> tooltip, each
//                                          drop-down entry's tag -> text
//   QTableView with property     "DBGrid"  header face = language face; caption
//   dbGrid=true or named grdString         (windowTitle) = text N when N > 0
//   a widget inheriting          "ucOutlookBar" gets the window font through
//   ucOutlookBar                           its invokable SetFont(QFont)
//   anything else                          caption (button text, group box
//                                          title, tab text) = text N when N > 0
// Qt fonts are Unicode and fall back per character to a face that has the
// glyph, so the Japanese character-set step has nothing to do here: the
// language's face (Noto Sans CJK JP as shipped) already selects the Japanese
// glyph forms.
#include "CRes.h"

#include "MessageReporter.h"
#include "Settings.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDockWidget>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QSet>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>

#include <exception>

namespace {

const char kTag[] = "tag";
const QLatin1String kUseDefault("UseDefault");
const QLatin1String kUseDefault0("UseDefault0");

QString tagOf(const QObject *object)
{
    return object->property(kTag).toString();
}

// A tag that is a whole number and nothing else.
bool wholeNumber(const QString &tag, int *number)
{
    bool ok = false;
    *number = tag.trimmed().toInt(&ok);
    return ok;
}

// Designed controls carry a tag or an object name; the parts Qt builds inside
// a widget (viewports, spin box editors, tool bar buttons) have neither or a
// "qt_" name and follow their control's font.
bool isControl(const QWidget *widget)
{
    if (qobject_cast<const QMenu *>(widget) || widget->property(kTag).isValid())
        return true;
    const QString name = widget->objectName();
    return !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
}

// Controls in the window's order (depth first); other windows that are
// children of this one (dialogs, combo box pop-ups) are not part of it, menus are.
void collectControls(QWidget *parent, QList<QWidget *> &controls, QList<QWidget *> &menus)
{
    for (QObject *child : parent->children()) {
        auto *widget = qobject_cast<QWidget *>(child);
        if (!widget)
            continue;
        const bool menu = qobject_cast<QMenu *>(widget) || qobject_cast<QMenuBar *>(widget);
        if (widget->isWindow() && !menu)
            continue;
        if (menu)
            menus.append(widget);
        if (isControl(widget))
            controls.append(widget);
        collectControls(widget, controls, menus);
    }
}

void translateEntries(CRes &res, QWidget *menu)
{
    for (QAction *action : menu->actions()) {
        int number = 0;
        // A submenu is a QMenu of its own and takes its title from its own tag.
        if (action->isSeparator() || action->menu() || !wholeNumber(tagOf(action), &number))
            continue;
        action->setText(res.ResString(number));
    }
}

void applyToolbar(CRes &res, QToolBar *toolbar, const QFont &windowFont, QSet<QWidget *> &menusDone)
{
    for (QAction *action : toolbar->actions()) {
        if (action->isSeparator())
            continue;
        int number = 0;
        if (wholeNumber(tagOf(action), &number))
            action->setToolTip(res.ResString(number));
        QList<QMenu *> dropDowns = {action->menu()};
        if (auto *button = qobject_cast<QToolButton *>(toolbar->widgetForAction(action)))
            dropDowns.append(button->menu());
        for (QMenu *menu : dropDowns) {
            if (!menu || menusDone.contains(menu))
                continue;
            menusDone.insert(menu);
            menu->setFont(windowFont);
            translateEntries(res, menu);
        }
    }
}

bool isDbGrid(const QWidget *widget)
{
    return qobject_cast<const QTableView *>(widget)
        && (widget->property("dbGrid").toBool() || widget->objectName() == QLatin1String("grdString"));
}

// The visible caption of a control that has one; others have none to set.
void setCaption(QWidget *control, const QString &text)
{
    if (auto *button = qobject_cast<QAbstractButton *>(control)) {
        button->setText(text);
    } else if (auto *group = qobject_cast<QGroupBox *>(control)) {
        group->setTitle(text);
    } else if (auto *dock = qobject_cast<QDockWidget *>(control)) {
        dock->setWindowTitle(text);
    } else if (auto *stack = qobject_cast<QStackedWidget *>(control->parentWidget())) {
        // A tab page's caption is its tab's text.
        if (auto *tabs = qobject_cast<QTabWidget *>(stack->parentWidget())) {
            const int index = tabs->indexOf(control);
            if (index >= 0)
                tabs->setTabText(index, text);
        }
    }
}

// The tag list's column headers are built by the main window; ask the window
// that holds the list (it declares Initial_lvwTagDef invokable) to rebuild them.
void rebuildTagListHeaders(QWidget *list)
{
    for (QObject *owner = list->parent(); owner; owner = owner->parent()) {
        if (owner->metaObject()->indexOfMethod("Initial_lvwTagDef()") >= 0) {
            QMetaObject::invokeMethod(owner, "Initial_lvwTagDef");
            return;
        }
    }
}

void applyToControl(CRes &res, QWidget *control, const QFont &windowFont, const QString &face, int size,
                    QSet<QWidget *> &menusDone)
{
    const QString tag = tagOf(control);
    if (tag == kUseDefault) {
        QFont font = control->font();
        if (!face.isEmpty())
            font.setFamily(face);
        control->setFont(font);
        return;
    }
    if (tag == kUseDefault0) {
        QFont font = control->font();
        if (!face.isEmpty())
            font.setFamily(face);
        if (size > 0)
            font.setPointSize(size);
        control->setFont(font);
        return;
    }

    control->setFont(windowFont);
    const int n = LeadingNumber(tag);
    int whole = 0;
    if (control->objectName() == QLatin1String("lvwTagDef"))
        rebuildTagListHeaders(control);

    if (auto *label = qobject_cast<QLabel *>(control)) {
        if (wholeNumber(tag, &whole))
            label->setText(res.ResString(whole));
    } else if (auto *menu = qobject_cast<QMenu *>(control)) {
        if (wholeNumber(tag, &whole))
            menu->setTitle(res.ResString(whole));
    } else if (auto *toolbar = qobject_cast<QToolBar *>(control)) {
        applyToolbar(res, toolbar, windowFont, menusDone);
    } else if (isDbGrid(control)) {
        QHeaderView *header = static_cast<QTableView *>(control)->horizontalHeader();
        QFont headerFont = header->font();
        if (!face.isEmpty())
            headerFont.setFamily(face);
        header->setFont(headerFont);
        if (n > 0) {
            control->setWindowTitle(res.ResString(n));
            control->setAccessibleName(res.ResString(n));
        }
    } else if (control->inherits("ucOutlookBar")) {
        if (control->metaObject()->indexOfMethod("SetFont(QFont)") >= 0)
            QMetaObject::invokeMethod(control, "SetFont", Q_ARG(QFont, windowFont));
    } else if (n > 0) {
        setCaption(control, res.ResString(n));
    }
}

// Top-level widgets that are windows of the program rather than pop-ups.
bool isProgramWindow(const QWidget *widget)
{
    if (!widget->isWindow() || qobject_cast<const QMenu *>(widget))
        return false;
    const Qt::WindowType type = widget->windowType();
    return type != Qt::Popup && type != Qt::ToolTip && type != Qt::Desktop && type != Qt::SplashScreen;
}

}

void CRes::SetFormInterface(QWidget *window)
{
    // Without a readable store the window keeps its designed (English) texts
    // rather than losing every caption.
    if (!window || !isOpen())
        return;
    int number = 0;
    if (wholeNumber(tagOf(window), &number))
        window->setWindowTitle(ResString(number));

    QString face;
    int size = 0;
    quietFont(&face, &size);
    QFont windowFont = window->font();
    if (!face.isEmpty())
        windowFont.setFamily(face);
    if (size > 0)
        windowFont.setPointSize(size);
    window->setFont(windowFont);

    QList<QWidget *> controls;
    QList<QWidget *> menus;
    collectControls(window, controls, menus);
    QSet<QWidget *> menusDone;
    for (QWidget *control : std::as_const(controls))
        applyToControl(*this, control, windowFont, face, size, menusDone);
    for (QWidget *menu : std::as_const(menus)) {
        if (menusDone.contains(menu))
            continue;
        menusDone.insert(menu);
        translateEntries(*this, menu);
    }
}

void CRes::RefreshCurrentForms()
{
    try {
        QList<QPointer<QWidget>> windows;
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (isProgramWindow(widget))
                windows.append(widget);
        for (const QPointer<QWidget> &window : std::as_const(windows))
            if (window)
                SetFormInterface(window);
    } catch (const std::exception &e) {
        MessageReporter::instance().message(QString::fromLocal8Bit(e.what()), MessageReporter::Icon::None);
    }
}
