#include "reports/PdfText.h"

#include <QImage>
#include <QPainter>
#include <QTextLayout>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr QChar ellipsis(0x2026);

QFont spaced(const QFont& font, double kern) {
    QFont f = font;
    if (kern != 0)
        f.setLetterSpacing(QFont::AbsoluteSpacing, kern);
    return f;
}

std::unique_ptr<QTextLayout> layOut(const QString& text, const QFont& font, double width,
                                    Qt::Alignment alignment, bool wrap, double* height) {
    auto layout = std::make_unique<QTextLayout>(text, font, PdfText::device());
    QTextOption option(alignment);
    option.setUseDesignMetrics(true);
    option.setWrapMode(wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    double y = 0;
    layout->beginLayout();
    for (;;) {
        QTextLine line = layout->createLine();
        if (!line.isValid())
            break;
        line.setLeadingIncluded(true);
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout->endLayout();
    if (height)
        *height = y;
    return layout;
}

double singleLineWidth(const QString& text, const QFont& font) {
    auto layout = layOut(text, font, 1e6, Qt::AlignLeft, false, nullptr);
    return layout->lineCount() > 0 ? layout->lineAt(0).naturalTextWidth() : 0;
}

// The longest start of `text` that, followed by an ellipsis, fits `width`.
QString elided(const QString& text, const QFont& font, double width) {
    if (singleLineWidth(text, font) <= width)
        return text;
    qsizetype lo = 0, hi = text.size();
    while (lo < hi) {
        const qsizetype mid = (lo + hi + 1) / 2;
        if (singleLineWidth(text.left(mid) + ellipsis, font) <= width)
            lo = mid;
        else
            hi = mid - 1;
    }
    if (lo > 0 && text.at(lo - 1).isHighSurrogate())
        --lo;
    return text.left(lo).trimmed() + ellipsis;
}

} // namespace

PdfText::PdfText(const QString& text, const TextStyle& style, double width)
    : m_color(style.color) {
    const QFont font = spaced(style.font, style.kern);
    if (style.truncate) {
        QString oneLine = text;
        oneLine.replace(u'\n', u' ').replace(u'\r', u' ').replace(QChar::LineSeparator, u' ');
        m_layout =
            layOut(elided(oneLine, font, width), font, width, style.alignment, false, &m_height);
    } else {
        QString lines = text;
        lines.replace(u"\r\n"_s, u"\n"_s)
            .replace(u'\r', u'\n')
            .replace(u'\n', QChar::LineSeparator);
        m_layout = layOut(lines, font, width, style.alignment, true, &m_height);
    }
}

PdfText::~PdfText() = default;
PdfText::PdfText(PdfText&&) noexcept = default;
PdfText& PdfText::operator=(PdfText&&) noexcept = default;

int PdfText::lineCount() const {
    return m_layout->lineCount();
}

double PdfText::naturalWidth() const {
    double widest = 0;
    for (int i = 0; i < m_layout->lineCount(); ++i)
        widest = std::max(widest, m_layout->lineAt(i).naturalTextWidth());
    return widest;
}

void PdfText::draw(QPainter& painter, double x, double y) const {
    painter.save();
    painter.setPen(m_color);
    m_layout->draw(&painter, QPointF(x, y));
    painter.restore();
}

double PdfText::lineHeight(const QFont& font) {
    double height = 0;
    layOut(QStringLiteral("Ag"), font, 1e6, Qt::AlignLeft, false, &height);
    return height;
}

double PdfText::textWidth(const QString& text, const QFont& font) {
    return singleLineWidth(text, font);
}

QPaintDevice* PdfText::device() {
    static QImage image = [] {
        QImage i(1, 1, QImage::Format_ARGB32_Premultiplied);
        // 72 dots per inch: one unit is one point, as on the PDF page.
        i.setDotsPerMeterX(2835);
        i.setDotsPerMeterY(2835);
        return i;
    }();
    return &image;
}
