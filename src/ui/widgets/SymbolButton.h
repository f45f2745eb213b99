#pragma once

#include <QAbstractButton>
#include <QColor>

#include <functional>
#include <optional>

// A button that shows one bundled symbol in a tint colour: borderless, or on a
// round filled bezel (the composer's start/stop button), or on a rounded
// background. Its opacity can be lowered to zero while it keeps its place.
class SymbolButton : public QAbstractButton {
    Q_OBJECT
public:
    using ColorFn = std::function<QColor()>;

    explicit SymbolButton(const QString& symbol, int symbolSide, QWidget* parent = nullptr);

    QString symbol() const { return m_symbol; }
    // An unknown symbol draws nothing.
    void setSymbol(const QString& symbol);
    int symbolSide() const { return m_symbolSide; }
    void setSymbolSide(int side);
    void setTint(const QColor& color);
    void setTint(ColorFn color);
    QColor tint() const;
    // A filled circle behind the symbol; nothing for a borderless button.
    void setBezelColor(const std::optional<QColor>& color);
    std::optional<QColor> bezelColor() const { return m_bezel; }
    void setBackground(const std::optional<QColor>& color, qreal radius);
    void setOpacity(qreal opacity);
    qreal opacity() const { return m_opacity; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
    int m_symbolSide;
    ColorFn m_tint;
    std::optional<QColor> m_bezel;
    std::optional<QColor> m_background;
    qreal m_backgroundRadius = 0;
    qreal m_opacity = 1.0;
};
