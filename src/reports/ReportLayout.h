#pragma once

#include <QFont>
#include <QHash>
#include <QList>
#include <QMarginsF>
#include <QRectF>
#include <QString>
#include <QStringList>

class QPainter;
class QPaintDevice;
class QPagedPaintDevice;

// A banded list report laid out on any paint device: the report header (title,
// printed date) on the first page, the column headings with a rule under them
// on every page, one detail line per row, the page number at the foot of every
// page and the report footer (rule, record count) after the last row. Cells
// too wide for their column are cut, unless the column wraps: then the row
// takes as many lines as its tallest cell needs. Without wrapping columns
// every row has the same height, so where a page starts is worked out by
// arithmetic; with them the rows are measured once per page size (texts that
// repeat are measured once). The preview, the printer, a PDF and an image all
// get the same drawing.
class ReportLayout
{
public:
    struct Column
    {
        QString caption;
        qreal share; // part of the line's width
        bool wraps = false; // a long text takes more lines instead of being cut
    };

    virtual ~ReportLayout() = default;

    // Report header.
    QString lblTitle;
    QString lblPrintedDate;
    QString Label8; // the printed date, long format
    // Page header and detail section.
    QList<Column> columns;
    QList<QStringList> rows;
    // Report footer.
    QString lblRecordCount;
    // Page footer: a line at the right of every page's foot (the ledger's head); none when empty.
    QString footerNote;
    virtual qsizetype Function1() const { return rows.size(); }
    // The text a detail cell shows; by default the row's text.
    virtual QString cellText(qsizetype row, int column) const { return rows.at(row).value(column); }
    // Face of every text; empty keeps the application's default face.
    QString fontName;
    // To be called when rows change while their number stays the same.
    void invalidateLayout() const;
    // A figure on the first page, between the report header and the column
    // headings: its height in points (0 for none) and its drawing in `rect`
    // with the report's body font.
    virtual qreal figureHeightPoints() const { return 0; }
    virtual void paintFigure(QPainter &, const QRectF &, const QFont &) const {}

    // Left and right 500 twips, top and bottom 400 twips.
    static QMarginsF marginsInPoints() { return QMarginsF(25, 20, 25, 20); }

    // Page count and drawing for the printable `area` of `device` (device
    // coordinates). `page` counts from 0; pages outside the count draw nothing.
    int pageCount(QPaintDevice *device, const QRectF &area) const;
    void paintPage(QPainter &painter, const QRectF &area, int page) const;
    // The detail rows page `page` shows: [first, first + count).
    void rowsOfPage(QPaintDevice *device, const QRectF &area, int page, qsizetype *first, qsizetype *count) const;

    // Sets the margins, then draws pages `from` to `to` (0-based, inclusive;
    // -1 for the last) one after the other on a printer or PDF writer. Returns
    // the number of pages drawn; -1 when the device cannot be painted on.
    int print(QPagedPaintDevice &device, int from = 0, int to = -1) const;
    // The page drawn on a white image of the given size and resolution, with
    // the margins taken from the image.
    void render(QPaintDevice &image, int page) const;
    // A PDF on A4 paper, written to a temporary file and renamed into place;
    // `pages` gets the number of pages.
    bool writePdf(const QString &path, QString *error, int *pages = nullptr) const;

protected:
    // Title, "Printed Date:" with today's date in the long format, and the
    // current language's font face.
    void setupHeader(const QString &title);

private:
    struct Metrics
    {
        QFont title, heading, body;
        qreal rowHeight, headerHeight, pageHeaderHeight, pageFooterHeight, reportFooterHeight;
        int firstCapacity, capacity;
    };
    Metrics metrics(QPaintDevice *device, const QRectF &area) const;
    QFont font(int pointSize, bool bold, QPaintDevice *device) const;
    bool anyWraps() const;
    QList<qreal> columnEdges(const QRectF &area) const;
    // The lines of one cell of a wrapping column as drawn.
    const QStringList &wrappedLines(int column, const QString &text, const Metrics &m, QPaintDevice *device,
                                    const QList<qreal> &edges) const;
    qsizetype rowLines(qsizetype row, const Metrics &m, QPaintDevice *device, const QList<qreal> &edges) const;
    // With wrapping columns: the first row of every page that holds rows,
    // and whether the report footer needs a page of its own.
    void measure(QPaintDevice *device, const QRectF &area) const;

    struct Measured
    {
        qreal dpi = 0;
        QSizeF size;
        qsizetype rows = -1;
        QList<qsizetype> pageStarts;
        bool footerPage = false;
        QList<QHash<QString, QStringList>> lines; // per column
    };
    mutable Measured m_measured;
};
