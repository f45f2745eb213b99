#include "reports/PdfText.h"

#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr QChar ellipsis(0x2026);

// Characters that take a letter space after them.
qsizetype spacedCount(const QString& text) {
    qsizetype n = 0;
    for (QChar c : text) {
        if (!c.isLowSurrogate())
            ++n;
    }
    return n;
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

// The width of `text` on one line, with `kern` after every character.
double singleLineWidth(const QString& text, const QFont& font, double kern) {
    auto layout = layOut(text, font, 1e6, Qt::AlignLeft, false, nullptr);
    const double natural = layout->lineCount() > 0 ? layout->lineAt(0).naturalTextWidth() : 0;
    return natural + kern * double(spacedCount(text));
}

// The longest start of `text` that, followed by an ellipsis, fits `width`.
QString elided(const QString& text, const QFont& font, double kern, double width) {
    if (singleLineWidth(text, font, kern) <= width)
        return text;
    qsizetype lo = 0, hi = text.size();
    while (lo < hi) {
        const qsizetype mid = (lo + hi + 1) / 2;
        if (singleLineWidth(text.left(mid) + ellipsis, font, kern) <= width)
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
    : m_color(style.color)
    , m_kern(style.kern) {
    if (style.truncate || m_kern != 0) {
        // One line. Letter-spaced texts are set left-aligned and then moved
        // into place, since the spacing is added when drawing.
        QString oneLine = text;
        oneLine.replace(u'\n', u' ').replace(u'\r', u' ').replace(QChar::LineSeparator, u' ');
        if (style.truncate)
            oneLine = elided(oneLine, style.font, m_kern, width);
        const Qt::Alignment alignment =
            m_kern != 0 ? Qt::Alignment(Qt::AlignLeft) : style.alignment;
        m_layout = layOut(oneLine, style.font, width, alignment, false, &m_height);
        if (m_kern != 0) {
            const double used = naturalWidth();
            if (style.alignment & Qt::AlignRight)
                m_offset = width - used;
            else if (style.alignment & Qt::AlignHCenter)
                m_offset = (width - used) / 2;
        }
    } else {
        QString lines = text;
        lines.replace(u"\r\n"_s, u"\n"_s)
            .replace(u'\r', u'\n')
            .replace(u'\n', QChar::LineSeparator);
        m_layout = layOut(lines, style.font, width, style.alignment, true, &m_height);
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
    if (m_kern != 0)
        widest += m_kern * double(spacedCount(m_layout->text()));
    return widest;
}

void PdfText::draw(QPainter& painter, double x, double y) const {
    painter.save();
    painter.setPen(m_color);
    if (m_kern == 0) {
        m_layout->draw(&painter, QPointF(x, y));
    } else {
        // Glyphs from left to right, each moved by the spacing of those before it.
        QList<QGlyphRun> runs = m_layout->glyphRuns();
        std::sort(runs.begin(), runs.end(), [](const QGlyphRun& a, const QGlyphRun& b) {
            return a.boundingRect().left() < b.boundingRect().left();
        });
        qsizetype before = 0;
        for (QGlyphRun& run : runs) {
            QList<QPointF> positions = run.positions();
            for (QPointF& p : positions)
                p.rx() += m_kern * double(before++);
            run.setPositions(positions);
            painter.drawGlyphRun(QPointF(x + m_offset, y), run);
        }
    }
    painter.restore();
}

double PdfText::lineHeight(const QFont& font) {
    double height = 0;
    layOut(QStringLiteral("Ag"), font, 1e6, Qt::AlignLeft, false, &height);
    return height;
}

double PdfText::textWidth(const QString& text, const QFont& font, double kern) {
    return singleLineWidth(text, font, kern);
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
