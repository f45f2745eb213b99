#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>

// The bundled symbol images, one SVG per symbol name ("play.fill",
// "chevron.down", ...), drawn in one colour chosen at draw time.
class Icons {
public:
    // Whether a symbol of that name is bundled.
    static bool exists(const QString& name);
    // The symbol filling a square of `side` pixels in `tint`; an empty
    // (transparent) image when the symbol is unknown.
    static QPixmap pixmap(const QString& name, int side, const QColor& tint,
                          qreal devicePixelRatio = 1.0);
    static QIcon icon(const QString& name, int side, const QColor& tint);
};
