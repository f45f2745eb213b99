#include "reports/PdfPagePainter.h"

#include "model/Time.h"
#include "reports/PdfStyle.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr QChar enDash(0x2013);

// Inside the summary and chart boxes.
constexpr double boxInnerLeft = 60;
constexpr double boxInnerWidth = 475.28;

struct Figure {
    QString label;
    QString value;
    double share;
};

} // namespace

PdfPagePainter::PdfPagePainter(QPainter& painter, const PdfStyle& style, const PdfDocument& doc)
    : m_painter(painter)
    , m_style(style)
    , m_doc(doc) {}

void PdfPagePainter::drawPage(const PDFReport::PagePlan& plan, int pageIndex) {
    m_painter.save();
    m_painter.setRenderHint(QPainter::Antialiasing);
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const double headings = plan.first ? drawFirstHeader() : drawContinuationHeader(pageIndex);
    drawTable(plan, headings);
    drawFooter(pageIndex);
    m_painter.restore();
}

double PdfPagePainter::drawFirstHeader() {
    const PdfStyle& s = m_style;
    const PdfLayout::FirstPage& g = m_doc.geometry;
    const double left = PdfLayout::left;
    const double width = PdfLayout::contentWidth;

    text(m_doc.meta.title, {.font = s.titleFont, .color = s.ink}, left, 44, width);
    text(u"Made with Zevra Tikit"_s,
         {.font = s.boxHeadFont, .color = s.sub, .alignment = Qt::AlignRight}, left, 50, width);
    const double periodTop = 44 + std::ceil(PdfText::lineHeight(s.titleFont)) + 4;
    text(m_doc.meta.period, {.font = s.periodFont, .color = s.sub}, left, periodTop, width);

    const double chipTop = g.y0 + 8;
    if (m_doc.meta.filters && !m_doc.meta.filters->isEmpty()) {
        const QString& filters = *m_doc.meta.filters;
        const double chipWidth = std::ceil(PdfText::textWidth(filters, s.boxHeadFont)) + 26;
        QPainterPath chip;
        chip.addRoundedRect(QRectF(left, chipTop, chipWidth, 20), 5, 5);
        m_painter.fillPath(chip, s.chipFill);
        text(filters, {.font = s.boxHeadFont, .color = s.ink}, 56, chipTop + 5, chipWidth - 20);
    }

    drawSummary(g.summaryTop);
    drawChart(g.chartTop);

    QString title = u"Time entries "_s;
    if (!m_doc.meta.period.isEmpty())
        title += u"from "_s + m_doc.meta.period;
    text(title, {.font = s.tableTitleFont, .color = s.ink}, left, g.tableTitleTop, width);
    return g.headingsTop;
}

double PdfPagePainter::drawContinuationHeader(int pageIndex) {
    const PdfStyle& s = m_style;
    text(m_doc.meta.title + u" (continued)"_s, {.font = s.tableTitleFont, .color = s.ink},
         PdfLayout::left, 44, PdfLayout::contentWidth);
    text(pageText(pageIndex), {.font = s.boxHeadFont, .color = s.sub, .alignment = Qt::AlignRight},
         PdfLayout::left, 44, PdfLayout::contentWidth);
    return 74;
}

void PdfPagePainter::drawSummary(double top) {
    const PdfStyle& s = m_style;
    outline(QRectF(PdfLayout::left, top, PdfLayout::contentWidth, 76), 8, 0.8, s.boxLine);
    text(u"SUMMARY"_s, {.font = s.boxHeadFont, .color = s.sub, .kern = 0.6}, boxInnerLeft, top + 12,
         boxInnerWidth);

    const QString dash(enDash);
    const Figure figures[] = {
        {u"TOTAL HOURS"_s, Time::hms(double(m_doc.total)), 0.24},
        {u"BILLABLE HOURS"_s, dash, 0.21},
        {u"AMOUNT"_s, dash, 0.19},
        {u"AVERAGE DAILY HOURS"_s, QString::asprintf("%.2f Hours", m_doc.avgHours), 0.36},
    };
    double x = boxInnerLeft;
    for (const Figure& f : figures) {
        const double width = boxInnerWidth * f.share;
        text(f.label, {.font = s.boxHeadFont, .color = s.sub, .truncate = true, .kern = 0.3}, x,
             top + 33, width - 8);
        text(f.value, {.font = s.boxValueFont, .color = s.ink, .truncate = true}, x, top + 48,
             width - 8);
        x += width;
    }
}

void PdfPagePainter::drawChart(double top) {
    const PdfStyle& s = m_style;
    outline(QRectF(PdfLayout::left, top, PdfLayout::contentWidth, 176), 8, 0.8, s.boxLine);
    text(u"CLIENT DISTRIBUTION"_s, {.font = s.boxHeadFont, .color = s.sub, .kern = 0.6},
         boxInnerLeft, top + 12, boxInnerWidth);

    if (m_doc.slices.isEmpty()) {
        text(u"No data."_s, {.font = s.cellFont, .color = s.sub}, boxInnerLeft, top + 50,
             boxInnerWidth);
        return;
    }
    drawRing(top);

    const double total = double(m_doc.total);
    double y = top + 40;
    for (const PDFReport::Slice& slice : m_doc.slices) {
        dot(QRectF(210, y + 3, 8, 8), slice.color);
        text(slice.name, {.font = s.legendFont, .color = s.ink, .truncate = true}, 224, y, 199.28);
        const double percent = total < 1 ? 0 : double(slice.seconds) / total * 100;
        const TextStyle figure{
            .font = s.boxHeadFont, .color = s.sub, .alignment = Qt::AlignRight, .truncate = true};
        text(QString::asprintf("%.1f%%", percent), figure, 429.28, y, 44);
        text(Time::hms(double(slice.seconds)), figure, 479.28, y, 56);
        y += 16;
    }
}

void PdfPagePainter::drawRing(double top) {
    const PdfStyle& s = m_style;
    const QPointF centre(126, top + 96);
    const double total = double(m_doc.total);
    if (total >= 1) {
        const QRectF outer(centre.x() - 62, centre.y() - 62, 124, 124);
        const QRectF inner(centre.x() - 38, centre.y() - 38, 76, 76);
        // Angles grow clockwise from the top, as shares of the report total.
        // QPainterPath counts degrees counter-clockwise, hence the signs.
        double start = -90;
        m_painter.save();
        m_painter.setPen(Qt::NoPen);
        for (const PDFReport::Slice& slice : m_doc.slices) {
            const double sweep = double(slice.seconds) / total * 360;
            QPainterPath path;
            path.arcMoveTo(outer, -start);
            path.arcTo(outer, -start, -sweep);
            path.arcTo(inner, -(start + sweep), sweep);
            path.closeSubpath();
            m_painter.setBrush(slice.color);
            m_painter.drawPath(path);
            start += sweep;
        }
        m_painter.restore();
    }
    text(Time::hms(total),
         {.font = s.centreFont, .color = s.ink, .alignment = Qt::AlignHCenter, .truncate = true},
         66, top + 87, 120);
    text(u"TOTAL"_s,
         {.font = s.boxHeadFont, .color = s.sub, .alignment = Qt::AlignHCenter, .kern = 0.4}, 66,
         top + 104, 120);
}

void PdfPagePainter::drawTable(const PDFReport::PagePlan& plan, double y) {
    const PdfStyle& s = m_style;
    const TextStyle heading{.font = s.thFont, .color = s.sub, .truncate = true, .kern = 0.5};
    text(u"DESCRIPTION"_s, heading, PdfLayout::left, y, PdfLayout::descWidth);
    text(u"CLIENT"_s, heading, 350, y, 120);
    TextStyle right = heading;
    right.alignment = Qt::AlignRight;
    text(u"DURATION"_s, right, 479.28, y, 72);
    m_painter.setPen(QPen(s.hairline, 0.8, Qt::SolidLine, Qt::FlatCap));
    m_painter.drawLine(QPointF(PdfLayout::left, y + 15), QPointF(PdfLayout::right, y + 15));

    double top = y + 26;
    if (plan.size() <= 0) {
        text(u"No time entries in this period."_s, {.font = s.cellFont, .color = s.sub},
             PdfLayout::left, top + 10, PdfLayout::contentWidth);
        return;
    }
    for (qsizetype i = plan.begin; i < plan.end; ++i) {
        drawRow(i, top);
        top += m_doc.rowHeights[i];
        rule(top, 0.5, s.hairline);
    }
}

void PdfPagePainter::drawRow(qsizetype index, double top) {
    const PdfStyle& s = m_style;
    const PDFReport::Row& row = m_doc.rows[index];
    const PdfText& desc = m_doc.descs[size_t(index)];
    desc.draw(m_painter, PdfLayout::left, top + 7);

    const bool dotted = row.client && row.clientColor;
    if (dotted)
        dot(QRectF(350, top + 10.5, 7, 7), *row.clientColor);
    m_doc.clients[size_t(index)].draw(m_painter, dotted ? 362 : 350, top + 7);
    text(row.duration, {.font = s.durFont, .color = s.ink, .alignment = Qt::AlignRight}, 479.28,
         top + 7, 72);

    if (!row.shots.isEmpty()) {
        const double textBlock =
            std::max(std::ceil(m_doc.textHeights[index]), PdfLayout::minDescHeight);
        drawThumbnails(row.shots, top + 7 + textBlock + 8);
    }
}

PdfText PdfPagePainter::clientCell(const PDFReport::Row& row, const PdfStyle& style) {
    if (!row.client)
        return PdfText(QString(enDash), {.font = style.cellFont, .color = style.sub}, 120);
    return PdfText(*row.client, {.font = style.cellFont, .color = style.ink},
                   row.clientColor ? 108 : 120);
}

void PdfPagePainter::drawThumbnails(const QList<QImage>& shots, double top) {
    const qsizetype count = std::min<qsizetype>(shots.size(), PdfLayout::maxShots);
    // Large screenshots are shrunk side by side before they are drawn.
    QList<QImage> thumbs(count);
    for (qsizetype i = 0; i < count; ++i)
        m_pool.start([&thumbs, &shots, i] { thumbs[i] = PDFReport::thumbnail(shots[i]); });
    m_pool.waitForDone();

    for (qsizetype i = 0; i < count; ++i) {
        const QRectF cell(PdfLayout::left +
                              double(i % PdfLayout::thumbsPerLine) * PdfLayout::thumbStepX,
                          top + double(i / PdfLayout::thumbsPerLine) * PdfLayout::thumbLineStep,
                          PdfLayout::thumbWidth, PdfLayout::thumbHeight);
        outline(cell, 4, 0.6, m_style.rowLine);

        const QImage& image = shots[i];
        if (image.isNull() || image.width() <= 0 || image.height() <= 0)
            continue;
        const double factor =
            std::min(cell.width() / image.width(), cell.height() / image.height());
        const QSizeF size(image.width() * factor, image.height() * factor);
        const QRectF target(cell.center().x() - size.width() / 2,
                            cell.center().y() - size.height() / 2, size.width(), size.height());
        QPainterPath clip;
        clip.addRoundedRect(cell, 4, 4);
        m_painter.save();
        m_painter.setClipPath(clip);
        m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        m_painter.setOpacity(1.0);
        m_painter.drawImage(target, thumbs[i]);
        m_painter.restore();
    }
}

void PdfPagePainter::drawFooter(int pageIndex) {
    const PdfStyle& s = m_style;
    rule(PdfLayout::footerRule, 0.5, s.hairline);
    text(u"Total "_s + Time::hms(double(m_doc.total)), {.font = s.boxHeadFont, .color = s.sub},
         PdfLayout::left, PdfLayout::footerText, 253.64);
    text(pageText(pageIndex), {.font = s.boxHeadFont, .color = s.sub, .alignment = Qt::AlignRight},
         PdfLayout::left, PdfLayout::footerText, PdfLayout::contentWidth);
}

void PdfPagePainter::text(const QString& text, const TextStyle& style, double x, double y,
                          double width) {
    PdfText(text, style, width).draw(m_painter, x, y);
}

void PdfPagePainter::rule(double y, double width, const QColor& color) {
    m_painter.setPen(QPen(color, width, Qt::SolidLine, Qt::FlatCap));
    m_painter.drawLine(QPointF(PdfLayout::left, y), QPointF(PdfLayout::right, y));
}

void PdfPagePainter::outline(const QRectF& rect, double radius, double width, const QColor& color) {
    m_painter.save();
    m_painter.setPen(QPen(color, width));
    m_painter.setBrush(Qt::NoBrush);
    m_painter.drawRoundedRect(rect, radius, radius);
    m_painter.restore();
}

void PdfPagePainter::dot(const QRectF& rect, const QColor& color) {
    m_painter.save();
    m_painter.setPen(Qt::NoPen);
    m_painter.setBrush(color);
    m_painter.drawEllipse(rect);
    m_painter.restore();
}

QString PdfPagePainter::pageText(int pageIndex) const {
    return u"Page "_s + QString::number(pageIndex + 1) + u" of "_s +
           QString::number(m_doc.pageCount);
}
