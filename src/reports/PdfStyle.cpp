#include "reports/PdfStyle.h"

using namespace Qt::StringLiterals;

QFont PdfStyle::font(double points, bool semibold) {
    QFont f(u"DejaVu Sans"_s);
    f.setStyleHint(QFont::SansSerif, QFont::PreferOutline);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setPointSizeF(points);
    f.setWeight(semibold ? QFont::DemiBold : QFont::Normal);
    return f;
}

PdfStyle::PdfStyle()
    : titleFont(font(20, true))
    , periodFont(font(11, false))
    , boxHeadFont(font(8.5, true))
    , boxValueFont(font(14, true))
    , tableTitleFont(font(12.5, true))
    , thFont(font(8.5, true))
    , cellFont(font(11, false))
    , durFont(font(11, false))
    , legendFont(font(10, false))
    , centreFont(font(13, true)) {}

QColor PdfStyle::palette(qsizetype index) {
    static constexpr float colors[paletteSize][3] = {
        {0.45f, 0.62f, 0.94f}, {0.4f, 0.72f, 0.42f}, {0.91f, 0.44f, 0.52f}, {0.98f, 0.69f, 0.23f},
        {0.55f, 0.45f, 0.85f}, {0.3f, 0.72f, 0.72f}, {0.8f, 0.55f, 0.3f},
    };
    const auto& c = colors[((index % paletteSize) + paletteSize) % paletteSize];
    return QColor::fromRgbF(c[0], c[1], c[2]);
}
