#include "ucOutlookBar.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

#include <functional>

const QColor ucOutlookBar::kGrey(128, 128, 128);
const QColor ucOutlookBar::kLightGrey(224, 224, 224);
const QColor ucOutlookBar::kBlack(0, 0, 0);

namespace {

constexpr int kHeaderHeight = 24;
constexpr int kItemHeight = 84;
constexpr int kIconSize = 40;
constexpr int kIconTop = 10;
// The frame stands this far outside the icon (30 twips at 96 dpi).
constexpr int kFrameGap = 3;
const QColor kBackground(100, 104, 112);

// An item panel draws its icon's four frame lines in the colours the bar keeps.
class ItemPanel : public QWidget
{
public:
    ItemPanel(ucOutlookBar *bar, int index, QWidget *parent)
        : QWidget(parent)
        , m_bar(bar)
        , m_index(index)
    {
    }
    QLabel *icon = nullptr;

protected:
    void paintEvent(QPaintEvent *) override
    {
        if (!icon)
            return;
        QPainter p(this);
        const QRect r = icon->geometry().adjusted(-kFrameGap, -kFrameGap, kFrameGap, kFrameGap);
        p.setPen(m_bar->frameColor(m_index, ucOutlookBar::Top));
        p.drawLine(r.topLeft(), r.topRight());
        p.setPen(m_bar->frameColor(m_index, ucOutlookBar::Left));
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(m_bar->frameColor(m_index, ucOutlookBar::Bottom));
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.setPen(m_bar->frameColor(m_index, ucOutlookBar::Right));
        p.drawLine(r.topRight(), r.bottomRight());
    }

private:
    ucOutlookBar *m_bar;
    int m_index;
};

// The header strip with its four "Default" lines, which never change colour.
class HeaderStrip : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), palette().button());
        const QRect r = rect().adjusted(0, 0, -1, -1);
        p.setPen(ucOutlookBar::kLightGrey);
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(ucOutlookBar::kGrey);
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
    }
};

}

ucOutlookBar::ucOutlookBar(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("vm"));
    setMinimumWidth(96);
    m_background = new QWidget(this);
    m_background->setObjectName(QStringLiteral("picOutlookbar"));
    m_background->setAutoFillBackground(true);
    QPalette pal = m_background->palette();
    pal.setColor(QPalette::Window, kBackground);
    pal.setColor(QPalette::WindowText, Qt::white);
    m_background->setPalette(pal);

    m_header = new HeaderStrip(m_background);
    m_header->setObjectName(QStringLiteral("picShortCut"));
    // The header keeps the desktop's button colours, with dark text on them.
    QPalette headerPal = palette();
    headerPal.setColor(QPalette::WindowText, headerPal.color(QPalette::ButtonText));
    m_header->setPalette(headerPal);
    m_headerLabel = new QLabel(QStringLiteral("Short Cut"), m_header);
    m_headerLabel->setObjectName(QStringLiteral("lblShortCut"));
    m_headerLabel->setAlignment(Qt::AlignCenter);
    m_headerLabel->setPalette(headerPal);

    m_itemCount = new QLineEdit(QStringLiteral("2"), this);
    m_itemCount->setObjectName(QStringLiteral("txtItemCount"));
    m_itemCount->hide();

    const char *const captions[kDesignedItems] = {"Hot Key", "Password", "Schedule", "Miscellaneous"};
    for (int i = 0; i < kDesignedItems; ++i) {
        Item item;
        auto *panel = new ItemPanel(this, i, m_background);
        panel->setObjectName(QStringLiteral("picInspection_%1").arg(i));
        item.panel = panel;
        item.icon = new QLabel(panel);
        item.icon->setObjectName(QStringLiteral("imgIcon_%1").arg(i));
        item.icon->setFixedSize(kIconSize, kIconSize);
        item.icon->setAlignment(Qt::AlignCenter);
        item.icon->setCursor(Qt::PointingHandCursor);
        panel->icon = item.icon;
        item.caption = new QLabel(QLatin1String(captions[i]), panel);
        item.caption->setObjectName(QStringLiteral("lblDescription_%1").arg(i));
        item.caption->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        item.caption->setWordWrap(true);
        m_items.append(item);
        for (QWidget *w : {static_cast<QWidget *>(panel), static_cast<QWidget *>(item.icon),
                           static_cast<QWidget *>(item.caption)}) {
            w->setMouseTracking(true);
            w->installEventFilter(this);
        }
    }
    m_background->setMouseTracking(true);
    m_background->installEventFilter(this);
    setMouseTracking(true);

    resetFrames();
    setItemCount(m_itemCount->text().toInt());
    const QFont initial = m_items[0].caption->font();
    m_font = initial;
    m_fontName = initial.family();
    m_fontSize = short(initial.pointSize());
    m_fontCharset = 0;
    layoutParts();
}

int ucOutlookBar::itemCount() const
{
    return m_itemCount->text().toInt();
}

void ucOutlookBar::setItemCount(int count)
{
    m_itemCount->setText(QString::number(count));
    for (int i = 0; i < m_items.size(); ++i)
        m_items[i].panel->setVisible(i < count);
    layoutParts();
}

void ucOutlookBar::SetMenuItemCaption(short i_iMenuItemIndex, const QString &i_sMenuItemCaption)
{
    if (i_iMenuItemIndex >= 0 && i_iMenuItemIndex < m_items.size())
        m_items[i_iMenuItemIndex].caption->setText(i_sMenuItemCaption);
}

QString ucOutlookBar::GetMenuItemCaption(short i_iMenuItemIndex) const
{
    return i_iMenuItemIndex >= 0 && i_iMenuItemIndex < m_items.size() ? m_items[i_iMenuItemIndex].caption->text()
                                                                         : QString();
}

QString ucOutlookBar::MenuCaption() const
{
    return m_headerLabel->text();
}

void ucOutlookBar::setMenuCaption(const QString &i_sMenuCaption)
{
    m_headerLabel->setText(i_sMenuCaption);
}

void ucOutlookBar::applyToParts(const std::function<void(QFont &)> &change)
{
    QList<QWidget *> parts = {m_headerLabel};
    for (const Item &item : std::as_const(m_items))
        parts << item.caption;
    for (QWidget *part : parts) {
        QFont f = part->font();
        change(f);
        part->setFont(f);
    }
    layoutParts();
}

void ucOutlookBar::SetFont(const QFont &i_font)
{
    m_font = i_font;
    applyToParts([&](QFont &f) { f = i_font; });
}

void ucOutlookBar::setFontName(const QString &name)
{
    m_fontName = name;
    applyToParts([&](QFont &f) { f.setFamily(name); });
}

void ucOutlookBar::setFontSize(short size)
{
    m_fontSize = size;
    if (size > 0)
        applyToParts([&](QFont &f) { f.setPointSize(size); });
}

void ucOutlookBar::setFontCharset(short i_iCharset)
{
    m_fontCharset = i_iCharset;
}

void ucOutlookBar::setItemIcon(int index, const QPixmap &icon)
{
    if (index >= 0 && index < m_items.size())
        m_items[index].icon->setPixmap(icon);
}

QColor ucOutlookBar::frameColor(int item, Line line) const
{
    if (item < 0 || item >= m_items.size())
        return QColor();
    switch (m_items[item].look) {
    case Look::Raised:
        return line == Top || line == Left ? kLightGrey : kBlack;
    case Look::Sunken:
        return line == Top || line == Left ? kBlack : kLightGrey;
    case Look::Flat:
        break;
    }
    return kGrey;
}

QWidget *ucOutlookBar::iconWidget(int item) const
{
    return item >= 0 && item < m_items.size() ? m_items[item].icon : nullptr;
}

void ucOutlookBar::resetFrames()
{
    for (Item &item : m_items) {
        if (item.look != Look::Flat) {
            item.look = Look::Flat;
            item.panel->update();
        }
    }
    m_armed = false;
}

void ucOutlookBar::showLook(int index, Look look)
{
    for (int i = 0; i < m_items.size(); ++i) {
        const Look wanted = i == index ? look : Look::Flat;
        if (m_items[i].look != wanted) {
            m_items[i].look = wanted;
            m_items[i].panel->update();
        }
    }
    m_armed = true;
}

int ucOutlookBar::iconIndex(const QObject *object) const
{
    for (int i = 0; i < m_items.size(); ++i)
        if (m_items[i].icon == object)
            return i;
    return -1;
}

bool ucOutlookBar::eventFilter(QObject *watched, QEvent *event)
{
    const int icon = iconIndex(watched);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (icon >= 0)
            showLook(icon, Look::Sunken);
        break;
    case QEvent::MouseMove: {
        if (icon < 0) {
            resetFrames();
            break;
        }
        const auto *move = static_cast<QMouseEvent *>(event);
        const QPoint pos = move->position().toPoint();
        const QWidget *w = m_items[icon].icon;
        if (pos.x() >= 0 && pos.x() <= w->width() && pos.y() >= 0 && pos.y() <= w->height()) {
            if (move->buttons() == Qt::NoButton)
                showLook(icon, Look::Raised);
            else if (move->buttons() & Qt::LeftButton)
                showLook(icon, Look::Sunken);
        } else {
            resetFrames();
        }
        break;
    }
    case QEvent::MouseButtonRelease:
        if (icon >= 0 && m_armed)
            Q_EMIT ItemClick(short(icon));
        break;
    case QEvent::Leave:
        // Leaving the bar with no button down ends the hover look.
        if (watched == m_background && QGuiApplication::mouseButtons() == Qt::NoButton)
            resetFrames();
        break;
    default:
        break;
    }
    // An icon keeps its pointer events: passed on to its panel they would
    // count as a move over the panel and reset the look just drawn.
    if (icon >= 0 && (event->type() == QEvent::MouseMove || event->type() == QEvent::MouseButtonPress
                      || event->type() == QEvent::MouseButtonRelease))
        return true;
    return QWidget::eventFilter(watched, event);
}

void ucOutlookBar::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutParts();
}

void ucOutlookBar::layoutParts()
{
    m_background->setGeometry(rect());
    const int width = m_background->width();
    const int w = width - 8;
    m_header->setGeometry(4, 4, w, kHeaderHeight);
    m_headerLabel->setGeometry(0, 0, w, kHeaderHeight);
    const int left = (width - kIconSize) / 2;
    int top = 4 + kHeaderHeight + 8;
    for (const Item &item : std::as_const(m_items)) {
        if (!item.panel->isVisibleTo(this))
            continue;
        const int captionHeight = item.caption->heightForWidth(width) > 0 ? item.caption->heightForWidth(width)
                                                                            : item.caption->sizeHint().height();
        const int height = qMax(kItemHeight, kIconTop + kIconSize + kFrameGap + 6 + captionHeight + 6);
        item.panel->setGeometry(0, top, width, height);
        item.icon->move(left, kIconTop);
        item.caption->setGeometry(0, kIconTop + kIconSize + kFrameGap + 6, width, captionHeight);
        top += height;
    }
}
