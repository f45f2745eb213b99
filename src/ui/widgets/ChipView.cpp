#include "ui/widgets/ChipView.h"

#include "ui/widgets/Style.h"
#include "ui/widgets/TextLabel.h"

#include <QHBoxLayout>

ChipView::ChipView(QWidget* parent)
    : ClickView(parent)
    , m_dot(new LayerView(this))
    , m_text(new TextLabel(QStringLiteral("No client"), Style::font(11, Style::Weight::Medium),
                           Style::Tone::Label, this)) {
    setRadius(10);
    setBorderWidth(1);
    m_dot->setFixedSize(8, 8);
    m_dot->setRadius(4);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(10, 5, 10, 5);
    row->setSpacing(6);
    row->addWidget(m_dot, 0, Qt::AlignVCenter);
    row->addWidget(m_text, 1, Qt::AlignVCenter);
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
}

void ChipView::configure(const QString& name, const QColor& color) {
    m_text->setText(name);
    setAccessibleName(QStringLiteral("Client: ") + name);
    m_dot->setFill(color);
    setFill(Style::withAlpha(color, 0.16));
    setBorderColor(Style::withAlpha(color, 0.4));
}

QString ChipView::text() const {
    return m_text->text();
}

QColor ChipView::dotColor() const {
    return m_dot->fill().value_or(QColor());
}
