#include "ui/admin/NewClientOverlayView.h"

#include "model/Theme.h"
#include "ui/admin/AdminText.h"
#include "ui/admin/SwatchButton.h"
#include "ui/widgets/Style.h"
#include "ui/widgets/TextButton.h"
#include "ui/widgets/TextLabel.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

NewClientOverlayView::NewClientOverlayView(CreateFn onCreate, QWidget* parent)
    : AdminOverlay(parent)
    , m_onCreate(std::move(onCreate)) {
    QWidget* c = card();
    m_field = field(u"Client name"_s, 13, u"name"_s);
    m_hexField = field(u"#RRGGBB"_s, 12, u"hex"_s);
    m_hexField->setFixedWidth(104);
    m_preview = new SwatchButton(m_selected, 18, c);
    m_preview->setObjectName(u"preview"_s);
    m_preview->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_error = new TextLabel(QString(), Style::font(11.5), Style::Tone::Label, c);
    m_error->setColor(Theme::stop());
    m_error->setObjectName(u"error"_s);
    connect(m_field, &QLineEdit::returnPressed, this, &NewClientOverlayView::add);
    connect(m_hexField, &QLineEdit::returnPressed, this, &NewClientOverlayView::applyHex);

    // Two rows of eight.
    auto* grid = new QVBoxLayout;
    grid->setSpacing(8);
    for (int row = 0; row < 2; ++row) {
        auto* line = new QHBoxLayout;
        line->setSpacing(8);
        for (int i = row * 8; i < row * 8 + 8; ++i) {
            auto* swatch = new SwatchButton(*AdminText::paletteColor(i), 18, c);
            swatch->setObjectName(u"swatch%1"_s.arg(i));
            connect(swatch, &SwatchButton::clicked, this, [this, i] { pickSwatch(i); });
            m_swatches.append(swatch);
            line->addWidget(swatch);
        }
        line->addStretch(1);
        grid->addLayout(line);
    }

    auto* custom = new QHBoxLayout;
    custom->setSpacing(8);
    custom->addWidget(new TextLabel(u"custom"_s, Style::font(11), Style::Tone::Tertiary, c));
    custom->addWidget(m_preview, 0, Qt::AlignVCenter);
    custom->addWidget(m_hexField, 0, Qt::AlignVCenter);
    custom->addStretch(1);

    TextButton* addButton = primaryButton(u"Add"_s, u"add"_s);
    TextButton* cancel = plainButton(u"Cancel"_s, u"cancel"_s);
    connect(addButton, &TextButton::clicked, this, &NewClientOverlayView::add);
    connect(cancel, &TextButton::clicked, this, [this] {
        if (onCancel)
            onCancel();
    });
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addWidget(addButton);
    buttons->addWidget(cancel);
    buttons->addStretch(1);

    QVBoxLayout* stack = column();
    stack->addWidget(new TextLabel(u"New client"_s, Style::font(14, Style::Weight::Semibold),
                                   Style::Tone::Label, c));
    stack->addWidget(new TextLabel(u"Add a client that everyone can use."_s, Style::font(11),
                                   Style::Tone::Secondary, c));
    stack->addWidget(m_field);
    stack->addWidget(new TextLabel(u"COLOUR"_s, Style::font(9.5, Style::Weight::Semibold),
                                   Style::Tone::Tertiary, c));
    stack->addLayout(grid);
    stack->addLayout(custom);
    stack->addWidget(m_error);
    stack->addLayout(buttons);
    markSelection();
}

void NewClientOverlayView::pickSwatch(int tag) {
    const std::optional<QString> hex = AdminText::paletteColor(tag);
    if (!hex)
        return;
    m_selected = *hex;
    markSelection();
}

void NewClientOverlayView::applyHex() {
    const AdminText::HexEntry entry = AdminText::hexEntry(m_hexField->text());
    if (!entry.color) {
        m_error->setText(entry.error);
        return;
    }
    m_error->setText(QString());
    m_selected = *entry.color;
    m_hexField->setText(*entry.color);
    markSelection();
}

void NewClientOverlayView::add() {
    if (const std::optional<QString> error = AdminText::nameError(m_field->text())) {
        m_error->setText(*error);
        return;
    }
    if (m_onCreate)
        m_onCreate(m_field->text().trimmed(), m_selected);
}

void NewClientOverlayView::markSelection() {
    for (SwatchButton* swatch : m_swatches)
        swatch->setMarked(AdminText::sameColor(swatch->hex(), m_selected));
    m_preview->setHex(m_selected);
}
