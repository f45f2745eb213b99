#pragma once

#include "reports/PDFReport.h"

#include <QList>

// The page geometry of the PDF report in points (y grows downwards) and the
// arithmetic of row heights and pagination.
namespace PdfLayout {

constexpr double pageWidth = 595.28;
constexpr double pageHeight = 841.89;
constexpr double left = 44;
constexpr double contentWidth = 507.28;
constexpr double right = left + contentWidth;
// Rows end at or above this line.
constexpr double rowsBottom = 767.89;
// Where the rows of a continuation page start.
constexpr double continuationRowsTop = 100;
constexpr double footerRule = 775.89;
constexpr double footerText = 785.89;

// Description column width, the height of a row without thumbnails below
// which it does not shrink, and the row's padding.
constexpr double descWidth = 296;
constexpr double minDescHeight = 20;
constexpr double rowPadding = 14;

// Thumbnails: three per line, cells of 92 x 58, lines 64 apart.
constexpr int thumbsPerLine = 3;
constexpr double thumbWidth = 92;
constexpr double thumbHeight = 58;
constexpr double thumbLineStep = 64;
constexpr double thumbStepX = 100;
constexpr int maxShots = 6;

int thumbnailLines(qsizetype shots);
// 0 without shots, else the lines' height plus 8.
double thumbnailBlock(qsizetype shots);
// The height of a row whose text (the taller of its description and client
// cell) measures `textHeight`.
double rowHeight(double textHeight, qsizetype shots);

// The first page's vertical positions, from the measured one-line heights.
struct FirstPage {
    // Below the title and the period line.
    double y0 = 0;
    double summaryTop = 0;
    double chartTop = 0;
    double tableTitleTop = 0;
    double headingsTop = 0;
    double rowsTop = 0;
};
FirstPage firstPage(double titleLine, double periodLine, double tableTitleLine, bool chip);

// Rows in order onto pages: a page takes rows while they end at or above
// `rowsBottom`; a row taller than a whole page gets a page to itself. There is
// always a first page, also without rows.
QList<PDFReport::PagePlan> paginate(const QList<double>& rowHeights, double firstRowsTop);

} // namespace PdfLayout
