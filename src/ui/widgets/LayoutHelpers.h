#pragma once

#include <QColor>
#include <QMargins>
#include <QString>

#include <functional>

class LayerView;
class QAbstractButton;
class QWidget;
class SymbolButton;
class TextButton;

// The recurring pieces of the panel's widgets.

// Makes `view` a child of `container` (unless it already is) covering the
// container minus the insets, and keeps it so while the container resizes.
// For views that float over a container's layout (backgrounds, overlays).
void pin(QWidget* view, QWidget* container, const QMargins& insets = QMargins());

// Runs `action` on every click; a new action replaces the previous one.
void setButtonAction(QAbstractButton* button, std::function<void()> action);

// A borderless button with a symbol in the secondary label colour; the
// accessibility text is also the tooltip.
SymbolButton* symbolButton(const QString& symbol, const QString& accessibility,
                           QWidget* parent = nullptr);

// A text button on a rounded background: 13 px semibold, 30 px high, at least
// 82 px wide.
TextButton* capsuleButton(const QString& text, const QColor& bg, const QColor& fg,
                          QWidget* parent = nullptr);

// A card-coloured, bordered, rounded background behind the view's content.
LayerView* cardBackground(QWidget* view, qreal radius);

// The floating material behind the view's content, with a soft shadow on the
// view.
LayerView* floatingBackground(QWidget* view, qreal radius);

// A round dot of the colour, `size` px wide and high.
LayerView* dot(const QColor& color, int size, QWidget* parent = nullptr);
