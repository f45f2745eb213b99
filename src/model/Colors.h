#pragma once

#include <QColor>
#include <QImage>
#include <QString>

#include <optional>

// Client colours are "#RRGGBB" text. These read, normalise and draw them.

// Canonical "#rrggbb" of a typed colour ("F97316", " #f97316 "), or nothing.
std::optional<QString> normalizeHex(const QString& text);

// The colour of "#RRGGBB" text (with or without the "#"), or nothing.
std::optional<QColor> colorFromHex(const QString& text);

// A round swatch of `size` device-independent pixels: the circle inscribed in
// the square inset by half a pixel, on a transparent background.
QImage colorSwatch(const QColor& color, int size, qreal devicePixelRatio = 1.0);
