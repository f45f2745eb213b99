#pragma once

#include <QColor>
#include <QRect>
#include <QString>

class QPainter;
class QWidget;

// Drawing shared by the entry and group rows.
class RowPainting {
public:
    // The hover shade; the last row of a day follows the card's rounded
    // bottom corners.
    static void hover(QPainter& p, const QWidget* row, bool lastOfDay);
    // The hairline across the row's bottom edge.
    static void separator(QPainter& p, const QWidget* row);
    // A client dot followed by the name (shrinking with "…") and an optional
    // tertiary suffix ("· pending", "· 3 entries"), vertically centred in
    // `line`.
    static void metaLine(QPainter& p, const QRect& line, const QColor& dot, const QString& name,
                         const QString& suffix);
    // One line of title text in the label colour.
    static void title(QPainter& p, const QRect& line, const QString& text);
};
