#include "ReportLayout.h"

#include "AtomicFile.h"
#include "CRes.h"

#include <QDir>
#include <QFontMetricsF>
#include <QImage>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace {

// The texts of the report, in points.
constexpr int kTitlePoints = 16;
constexpr int kBodyPoints = 10;
// Gap between a cell's text and the next column.
constexpr qreal kCellGapPoints = 4;

qreal pointsToDevice(qreal points, QPaintDevice *device)
{
    return points * device->logicalDpiY() / 72.0;
}

}

void ReportLayout::setupHeader(const QString &title)
{
    CRes &res = CRes::instance();
    invalidateLayout(); // the columns and the face are set anew
    lblTitle = title;
    lblPrintedDate = res.ResString(231, QStringLiteral("Printed Date:"));
    Label8 = QLocale().toString(QDate::currentDate(), QLocale::LongFormat);
    QString face;
    int size = 0;
    if (res.quietFont(&face, &size))
        fontName = face;
}

QFont ReportLayout::font(int pointSize, bool bold, QPaintDevice *device) const
{
    QFont f = fontName.isEmpty() ? QFont() : QFont(fontName);
    f.setPointSize(pointSize);
    f.setBold(bold);
    return QFont(f, device);
}

ReportLayout::Metrics ReportLayout::metrics(QPaintDevice *device, const QRectF &area) const
{
    Metrics m;
    m.title = font(kTitlePoints, true, device);
    m.heading = font(kBodyPoints, true, device);
    m.body = font(kBodyPoints, false, device);
    const qreal line = QFontMetricsF(m.body, device).lineSpacing();
    m.rowHeight = std::ceil(line * 1.25);
    m.headerHeight = QFontMetricsF(m.title, device).lineSpacing() * 1.4 + m.rowHeight * 1.5;
    if (figureHeightPoints() > 0)
        m.headerHeight += pointsToDevice(figureHeightPoints(), device) + m.rowHeight * 0.5;
    m.pageHeaderHeight = m.rowHeight * 1.5;
    m.pageFooterHeight = m.rowHeight * 1.5;
    m.reportFooterHeight = m.rowHeight * 2;
    const qreal body = area.height() - m.pageHeaderHeight - m.pageFooterHeight;
    m.firstCapacity = qMax(1, int((body - m.headerHeight) / m.rowHeight));
    m.capacity = qMax(1, int(body / m.rowHeight));
    return m;
}

bool ReportLayout::anyWraps() const
{
    return std::any_of(columns.cbegin(), columns.cend(), [](const Column &c) { return c.wraps; });
}

QList<qreal> ReportLayout::columnEdges(const QRectF &area) const
{
    qreal shares = 0;
    for (const Column &c : columns)
        shares += c.share;
    QList<qreal> left;
    qreal x = area.left();
    for (const Column &c : columns) {
        left << x;
        x += area.width() * (shares > 0 ? c.share / shares : 0);
    }
    left << area.right();
    return left;
}

void ReportLayout::invalidateLayout() const
{
    m_measured = Measured();
}

const QStringList &ReportLayout::wrappedLines(int column, const QString &text, const Metrics &m,
                                              QPaintDevice *device, const QList<qreal> &edges) const
{
    QHash<QString, QStringList> &known = m_measured.lines[column];
    auto it = known.constFind(text);
    if (it != known.constEnd())
        return *it;
    const qreal width = edges[column + 1] - edges[column] - pointsToDevice(kCellGapPoints, device);
    QStringList lines;
    if (QFontMetricsF(m.body, device).horizontalAdvance(text) <= width) {
        lines << text;
    } else {
        // Between words where it can, inside a word longer than the column where it must.
        QTextLayout layout(text, m.body, device);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(qMax<qreal>(1, width));
            lines << text.mid(line.textStart(), line.textLength()).trimmed();
        }
        layout.endLayout();
    }
    return *known.insert(text, lines);
}

qsizetype ReportLayout::rowLines(qsizetype row, const Metrics &m, QPaintDevice *device,
                                 const QList<qreal> &edges) const
{
    qsizetype lines = 1;
    for (int c = 0; c < columns.size(); ++c)
        if (columns.at(c).wraps)
            lines = qMax(lines, wrappedLines(c, cellText(row, c), m, device, edges).size());
    return lines;
}

void ReportLayout::measure(QPaintDevice *device, const QRectF &area) const
{
    const qreal dpi = device->logicalDpiY();
    if (m_measured.dpi == dpi && m_measured.size == area.size() && m_measured.rows == rows.size())
        return;
    m_measured = Measured();
    m_measured.dpi = dpi;
    m_measured.size = area.size();
    m_measured.rows = rows.size();
    m_measured.lines.resize(columns.size());
    const Metrics m = metrics(device, area);
    const QList<qreal> edges = columnEdges(area);
    m_measured.pageStarts << 0;
    qsizetype capacity = m.firstCapacity;
    qsizetype used = 0;
    for (qsizetype r = 0; r < rows.size(); ++r) {
        // A row taller than a page is cut at the page's foot.
        const qsizetype lines = qMin(rowLines(r, m, device, edges), qsizetype(m.capacity));
        if (used > 0 && used + lines > capacity) {
            m_measured.pageStarts << r;
            capacity = m.capacity;
            used = 0;
        }
        used += lines;
    }
    const qsizetype footerRows = qsizetype(std::ceil(m.reportFooterHeight / m.rowHeight));
    m_measured.footerPage = used + footerRows > capacity;
}

int ReportLayout::pageCount(QPaintDevice *device, const QRectF &area) const
{
    if (anyWraps()) {
        measure(device, area);
        return int(m_measured.pageStarts.size()) + (m_measured.footerPage ? 1 : 0);
    }
    const Metrics m = metrics(device, area);
    const qsizetype n = rows.size();
    qsizetype pages = 1;
    qsizetype lastRows = n;
    qsizetype lastCapacity = m.firstCapacity;
    if (n > m.firstCapacity) {
        const qsizetype rest = n - m.firstCapacity;
        pages = 1 + (rest + m.capacity - 1) / m.capacity;
        lastRows = rest - (pages - 2) * m.capacity;
        lastCapacity = m.capacity;
    }
    // The report footer goes on a page of its own when the last one is full.
    const qsizetype footerRows = qsizetype(std::ceil(m.reportFooterHeight / m.rowHeight));
    if (lastRows + footerRows > lastCapacity)
        ++pages;
    return int(pages);
}

void ReportLayout::rowsOfPage(QPaintDevice *device, const QRectF &area, int page, qsizetype *first,
                              qsizetype *count) const
{
    const qsizetype n = rows.size();
    if (anyWraps()) {
        measure(device, area);
        const QList<qsizetype> &starts = m_measured.pageStarts;
        const bool holdsRows = page >= 0 && page < starts.size();
        *first = holdsRows ? starts[page] : n;
        *count = holdsRows ? (page + 1 < starts.size() ? starts[page + 1] : n) - *first : 0;
        return;
    }
    const Metrics m = metrics(device, area);
    const qsizetype start = page == 0 ? 0 : m.firstCapacity + qsizetype(page - 1) * m.capacity;
    *first = qMin(start, n);
    *count = qBound(qsizetype(0), n - start, qsizetype(page == 0 ? m.firstCapacity : m.capacity));
}

void ReportLayout::paintPage(QPainter &painter, const QRectF &area, int page) const
{
    QPaintDevice *device = painter.device();
    const int pages = pageCount(device, area);
    if (page < 0 || page >= pages)
        return;
    const Metrics m = metrics(device, area);
    const qreal gap = pointsToDevice(kCellGapPoints, device);
    const QPen rule(Qt::black, qMax<qreal>(1, pointsToDevice(0.75, device)));
    painter.save();
    painter.setPen(Qt::black);
    qreal y = area.top();

    if (page == 0) {
        painter.setFont(m.title);
        const qreal titleHeight = QFontMetricsF(m.title, device).lineSpacing() * 1.4;
        painter.drawText(QRectF(area.left(), y, area.width(), titleHeight), Qt::AlignLeft | Qt::AlignVCenter, lblTitle);
        y += titleHeight;
        painter.setFont(m.body);
        const QRectF dateLine(area.left(), y, area.width(), m.rowHeight);
        const qreal captionWidth = QFontMetricsF(m.body, device).horizontalAdvance(lblPrintedDate) + gap;
        painter.drawText(dateLine, Qt::AlignLeft | Qt::AlignVCenter, lblPrintedDate);
        painter.drawText(dateLine.adjusted(captionWidth, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, Label8);
        if (figureHeightPoints() > 0) {
            const qreal top = y + m.rowHeight * 1.5;
            paintFigure(painter, QRectF(area.left(), top, area.width(), pointsToDevice(figureHeightPoints(), device)),
                        m.body);
            painter.setPen(Qt::black);
            painter.setFont(m.body);
        }
        y = area.top() + m.headerHeight;
    }

    // Column edges, shared by headings and details.
    const QList<qreal> left = columnEdges(area);
    // Cells are drawn at their baseline, without a layout rectangle: with
    // thousands of pages that is most of the drawing time.
    auto drawCells = [&](const auto &text, qreal top, const QFont &f, bool wrap) {
        const QFontMetricsF fm(f, device);
        const qreal baseline = top + (m.rowHeight + fm.ascent() - fm.descent()) / 2;
        for (int c = 0; c < columns.size(); ++c) {
            const QString cell = text(c);
            if (wrap && columns.at(c).wraps) {
                const QStringList &lines = wrappedLines(c, cell, m, device, left);
                for (qsizetype i = 0; i < lines.size(); ++i)
                    painter.drawText(QPointF(left[c], baseline + qreal(i) * m.rowHeight), lines.at(i));
                continue;
            }
            const qreal width = left[c + 1] - left[c] - gap;
            painter.drawText(QPointF(left[c], baseline),
                             fm.horizontalAdvance(cell) <= width ? cell : fm.elidedText(cell, Qt::ElideRight, width));
        }
    };

    painter.setFont(m.heading);
    drawCells([&](int c) { return columns.at(c).caption; }, y, m.heading, false);
    painter.setPen(rule);
    painter.drawLine(QPointF(area.left(), y + m.rowHeight * 1.15), QPointF(area.right(), y + m.rowHeight * 1.15));
    painter.setPen(Qt::black);
    y += m.pageHeaderHeight;

    qsizetype first = 0;
    qsizetype count = 0;
    rowsOfPage(device, area, page, &first, &count);
    painter.setFont(m.body);
    const bool wraps = anyWraps();
    for (qsizetype r = first; r < first + count; ++r) {
        drawCells([&](int c) { return cellText(r, c); }, y, m.body, true);
        y += m.rowHeight * qreal(wraps ? qMin(rowLines(r, m, device, left), qsizetype(m.capacity)) : 1);
    }

    if (page == pages - 1) {
        painter.setPen(rule);
        painter.drawLine(QPointF(area.left(), y + m.rowHeight * 0.4), QPointF(area.right(), y + m.rowHeight * 0.4));
        painter.setPen(Qt::black);
        const QRectF countLine(area.left(), y + m.rowHeight * 0.6, area.width(), m.rowHeight);
        const qreal captionWidth = QFontMetricsF(m.body, device).horizontalAdvance(lblRecordCount) + gap;
        painter.drawText(countLine, Qt::AlignLeft | Qt::AlignVCenter, lblRecordCount);
        painter.drawText(countLine.adjusted(captionWidth, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         QString::number(Function1()));
    }

    // Page footer: the page number.
    painter.drawText(QRectF(area.left(), area.bottom() - m.rowHeight, area.width(), m.rowHeight), Qt::AlignCenter,
                     QString::number(page + 1));
    // The note carries a hash to be typed or copied back: no ligature ("ff")
    // may join two of its digits.
    QFont noteFont = font(kBodyPoints - 3, false, device);
    noteFont.setStyleStrategy(QFont::PreferNoShaping);
    painter.setFont(noteFont);
    painter.drawText(QRectF(area.left(), area.bottom() - m.rowHeight, area.width(), m.rowHeight),
                     Qt::AlignRight | Qt::AlignVCenter, footerNote);
    painter.restore();
}

int ReportLayout::print(QPagedPaintDevice &device, int from, int to) const
{
    device.setPageMargins(marginsInPoints(), QPageLayout::Point);
    const QRectF area(QPointF(0, 0), device.pageLayout().paintRectPixels(device.logicalDpiX()).size());
    const int pages = pageCount(&device, area);
    const int last = to < 0 ? pages - 1 : qMin(to, pages - 1);
    QPainter painter;
    if (!painter.begin(&device))
        return -1;
    int drawn = 0;
    for (int p = qMax(0, from); p <= last; ++p) {
        if (drawn > 0 && !device.newPage())
            break;
        paintPage(painter, area, p);
        ++drawn;
    }
    painter.end();
    return drawn;
}

void ReportLayout::render(QPaintDevice &image, int page) const
{
    const qreal dpiX = image.logicalDpiX() / 72.0;
    const qreal dpiY = image.logicalDpiY() / 72.0;
    const QMarginsF margins = marginsInPoints();
    const QRectF area = QRectF(0, 0, image.width(), image.height())
                            .adjusted(margins.left() * dpiX, margins.top() * dpiY, -margins.right() * dpiX,
                                      -margins.bottom() * dpiY);
    QPainter painter(&image);
    painter.fillRect(QRectF(0, 0, image.width(), image.height()), Qt::white);
    paintPage(painter, area, page);
}

bool ReportLayout::writePdf(const QString &path, QString *error, int *pages) const
{
    AtomicFile file(path);
    if (!file.open(error))
        return false;
    int drawn = 0;
    {
        QPdfWriter pdf(&file.device());
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setResolution(300);
        pdf.setTitle(lblTitle);
        drawn = print(pdf);
    }
    if (drawn <= 0) {
        if (error)
            *error = QStringLiteral("Cannot write %1: the report has no pages").arg(QDir::toNativeSeparators(path));
        return false;
    }
    if (!file.commit(error))
        return false;
    if (pages)
        *pages = drawn;
    return true;
}
