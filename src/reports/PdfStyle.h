#pragma once

#include <QColor>
#include <QFont>
#include <QList>

// The fonts and colours of the PDF report. Sizes are points on a 72 dpi
// device. The family is DejaVu Sans, whose digits are all of one width, so
// duration columns line up; it is embedded in the document.
struct PdfStyle {
    PdfStyle();

    static QFont font(double points, bool semibold);

    QFont titleFont;
    QFont periodFont;
    QFont boxHeadFont;
    QFont boxValueFont;
    QFont tableTitleFont;
    QFont thFont;
    QFont cellFont;
    QFont durFont;
    QFont legendFont;
    // The total in the ring's hole.
    QFont centreFont;

    QColor ink = grey(0.1);
    QColor sub = grey(0.45);
    QColor hairline = grey(0.87);
    QColor boxLine = grey(0.83);
    QColor rowLine = grey(0.92);
    QColor chipFill = grey(0.95);
    QColor otherSlice = grey(0.72);

    // Slice colours for clients without a usable colour of their own.
    static QColor palette(qsizetype index);
    static constexpr int paletteSize = 7;

    static QColor grey(double level) { return QColor::fromRgbF(level, level, level); }
};
