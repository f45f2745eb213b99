#pragma once

#include "reports/PDFReport.h"
#include "reports/PdfLayout.h"
#include "reports/PdfText.h"

#include <QThreadPool>

#include <vector>

class QPainter;
struct PdfStyle;

// Everything the pages of one document are drawn from.
struct PdfDocument {
    PdfDocument(const Report& r, const PDFReport::Meta& m)
        : report(r)
        , meta(m) {}

    const Report& report;
    const PDFReport::Meta& meta;
    QList<PDFReport::Row> rows;
    // The rows' laid-out descriptions and client cells, the height of the
    // taller of the two, and the rows' heights.
    std::vector<PdfText> descs;
    std::vector<PdfText> clients;
    QList<double> textHeights;
    QList<double> rowHeights;
    PdfLayout::FirstPage geometry;
    qint64 total = 0;
    double avgHours = 0;
    QList<PDFReport::Slice> slices;
    int pageCount = 1;
};

// Draws the pages of the PDF report onto a painter whose unit is one point.
class PdfPagePainter {
public:
    PdfPagePainter(QPainter& painter, const PdfStyle& style, const PdfDocument& doc);

    void drawPage(const PDFReport::PagePlan& plan, int pageIndex);

    // The client cell of a row: its name, or an en dash without a client.
    static PdfText clientCell(const PDFReport::Row& row, const PdfStyle& style);

private:
    // Each gives the y of the table's column headings.
    double drawFirstHeader();
    double drawContinuationHeader(int pageIndex);
    void drawSummary(double top);
    void drawChart(double top);
    void drawRing(double top);
    void drawTable(const PDFReport::PagePlan& plan, double headingsTop);
    void drawRow(qsizetype index, double top);
    void drawThumbnails(const QList<QImage>& shots, double top);
    void drawFooter(int pageIndex);

    void text(const QString& text, const TextStyle& style, double x, double y, double width);
    void rule(double y, double width, const QColor& color);
    void outline(const QRectF& rect, double radius, double width, const QColor& color);
    void dot(const QRectF& rect, const QColor& color);
    QString pageText(int pageIndex) const;

    QPainter& m_painter;
    const PdfStyle& m_style;
    const PdfDocument& m_doc;
    QThreadPool m_pool;
};
