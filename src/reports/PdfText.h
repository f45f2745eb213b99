#pragma once

#include <QColor>
#include <QFont>
#include <QString>

#include <memory>

class QPainter;
class QPaintDevice;
class QTextLayout;

// How one text of the report is set.
struct TextStyle {
    QFont font;
    QColor color;
    Qt::Alignment alignment = Qt::AlignLeft;
    // One line, cut at the end with an ellipsis when it does not fit.
    bool truncate = false;
    // Letter spacing in points added after every character; such texts are
    // set on one line.
    double kern = 0;
};

// A text laid out in a column of a given width: wrapped at words (or cut,
// when truncating), with the font's leading between lines. Measuring and
// drawing use the same layout, so what is measured is what is drawn.
class PdfText {
public:
    PdfText(const QString& text, const TextStyle& style, double width);
    ~PdfText();
    PdfText(PdfText&&) noexcept;
    PdfText& operator=(PdfText&&) noexcept;

    // The height of all lines.
    double height() const { return m_height; }
    int lineCount() const;
    // The widest line's natural width.
    double naturalWidth() const;
    // Draws with the top-left corner of the column at (x, y).
    void draw(QPainter& painter, double x, double y) const;

    // The height of one line of a font, measured on "Ag".
    static double lineHeight(const QFont& font);
    // The width of `text` on one line, with `kern` after every character.
    static double textWidth(const QString& text, const QFont& font, double kern = 0);
    // The 72 dpi device that every report text is measured on.
    static QPaintDevice* device();

private:
    std::unique_ptr<QTextLayout> m_layout;
    QColor m_color;
    double m_kern = 0;
    // Where a letter-spaced line starts within its column.
    double m_offset = 0;
    double m_height = 0;
};
