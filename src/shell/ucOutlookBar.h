#pragma once

#include <QColor>
#include <QFont>
#include <QList>
#include <QPixmap>
#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;

// A vertical bar of large icons with captions under a header strip. Each icon
// has a frame of four lines: flat (all grey), raised while the pointer hovers
// over it (light top/left, black bottom/right) and sunken while it is pressed
// (the other way round). ItemClick is raised only when the button is released
// over an icon whose raised or sunken look is showing. A press keeps the
// pointer with its icon until the release (Qt's implicit mouse grab).
class ucOutlookBar : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString MenuCaption READ MenuCaption WRITE setMenuCaption)
public:
    enum class Look { Flat, Raised, Sunken };
    enum Line { Top, Left, Bottom, Right };

    // The panels of the design; txtItemCount says how many are in use.
    static constexpr int kDesignedItems = 4;
    static const QColor kGrey;
    static const QColor kLightGrey;
    static const QColor kBlack;

    explicit ucOutlookBar(QWidget *parent = nullptr);

    Q_INVOKABLE void SetMenuItemCaption(short i_iMenuItemIndex, const QString &i_sMenuItemCaption);
    Q_INVOKABLE QString GetMenuItemCaption(short i_iMenuItemIndex) const;
    QString MenuCaption() const;
    void setMenuCaption(const QString &i_sMenuCaption);
    Q_INVOKABLE void SetFont(const QFont &i_font);
    QString FontName() const { return m_fontName; }
    void setFontName(const QString &name);
    short FontSize() const { return m_fontSize; }
    void setFontSize(short size);
    // Qt fonts are Unicode and pick glyphs per character, so the character
    // set is kept for callers but changes no face.
    short FontCharset() const { return m_fontCharset; }
    void setFontCharset(short i_iCharset);

    void setItemIcon(int index, const QPixmap &icon);
    // The number of items in use (txtItemCount); the others are hidden.
    int itemCount() const;
    void setItemCount(int count);

    // The colour of one frame line of an icon, and the armed flag.
    QColor frameColor(int item, Line line) const;
    bool armed() const { return m_armed; }
    QWidget *iconWidget(int item) const;

Q_SIGNALS:
    void ItemClick(short i_iItemIndex);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void resetFrames();
    void showLook(int item, Look look);
    void applyToParts(const std::function<void(QFont &)> &change);
    int iconIndex(const QObject *object) const;
    void layoutParts();

    struct Item
    {
        QWidget *panel = nullptr;
        QLabel *icon = nullptr;
        QLabel *caption = nullptr;
        Look look = Look::Flat;
    };

    QWidget *m_background = nullptr; // picOutlookbar
    QWidget *m_header = nullptr;     // picShortCut
    QLabel *m_headerLabel = nullptr; // lblShortCut
    QLineEdit *m_itemCount = nullptr; // txtItemCount
    QList<Item> m_items;
    bool m_armed = false;
    QFont m_font;
    QString m_fontName;
    short m_fontSize = 0;
    short m_fontCharset = 0;
};
