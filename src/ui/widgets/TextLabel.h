#pragma once

#include "ui/widgets/Style.h"

#include <QWidget>

#include <optional>

// A one-line text label drawn directly: truncates at the tail, centred
// vertically, coloured by a palette tone or a fixed colour. Cheaper than QLabel,
// which matters for lists of a few hundred rows.
class TextLabel : public QWidget {
    Q_OBJECT
public:
    explicit TextLabel(const QString& text = QString(), const QFont& font = Style::font(13),
                       Style::Tone tone = Style::Tone::Label, QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);
    void setTone(Style::Tone tone);
    // A fixed colour instead of the tone.
    void setColor(const QColor& color);
    QColor color() const;
    void setAlignment(Qt::Alignment alignment);
    Qt::Alignment alignment() const { return m_alignment; }
    // On by default: the text shrinks with "…" instead of forcing its width.
    void setElide(bool elide);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString m_text;
    Style::Tone m_tone;
    std::optional<QColor> m_color;
    Qt::Alignment m_alignment = Qt::AlignLeft;
    bool m_elide = true;
};
