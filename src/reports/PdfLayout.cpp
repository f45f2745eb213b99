#include "reports/PdfLayout.h"

#include <algorithm>
#include <cmath>

int PdfLayout::thumbnailLines(qsizetype shots) {
    if (shots <= 0)
        return 0;
    return int((std::min<qsizetype>(shots, maxShots) + thumbsPerLine - 1) / thumbsPerLine);
}

double PdfLayout::thumbnailBlock(qsizetype shots) {
    const int lines = thumbnailLines(shots);
    return lines == 0 ? 0 : lines * thumbLineStep + 8;
}

double PdfLayout::rowHeight(double textHeight, qsizetype shots) {
    return std::max(std::ceil(textHeight), minDescHeight) + rowPadding + thumbnailBlock(shots);
}

PdfLayout::FirstPage PdfLayout::firstPage(double titleLine, double periodLine,
                                          double tableTitleLine, bool chip) {
    FirstPage p;
    p.y0 = 44 + std::ceil(titleLine) + 4 + std::ceil(periodLine);
    p.summaryTop = p.y0 + (chip ? 34 : 18);
    p.chartTop = p.summaryTop + 76 + 24;
    p.tableTitleTop = p.chartTop + 176 + 24;
    p.headingsTop = p.tableTitleTop + std::ceil(tableTitleLine) + 6;
    p.rowsTop = p.headingsTop + 20 + 6;
    return p;
}

QList<PDFReport::PagePlan> PdfLayout::paginate(const QList<double>& rowHeights,
                                               double firstRowsTop) {
    QList<PDFReport::PagePlan> pages;
    PDFReport::PagePlan page{0, 0, true};
    double y = firstRowsTop;
    for (qsizetype i = 0; i < rowHeights.size(); ++i) {
        const double h = rowHeights[i];
        if (y + h > rowsBottom && page.size() > 0) {
            pages.append(page);
            page = PDFReport::PagePlan{i, i, false};
            y = continuationRowsTop;
        }
        page.end = i + 1;
        y += h;
    }
    pages.append(page);
    return pages;
}
