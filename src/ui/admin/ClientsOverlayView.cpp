#include "ui/admin/ClientsOverlayView.h"

#include "model/AppModel.h"
#include "model/Colors.h"
#include "model/Theme.h"
#include "ui/admin/AdminText.h"
#include "ui/admin/SwatchButton.h"
#include "ui/widgets/LayoutHelpers.h"
#include "ui/widgets/Style.h"
#include "ui/widgets/SymbolButton.h"
#include "ui/widgets/TextButton.h"
#include "ui/widgets/TextLabel.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// One client of the list: its colour dot and name, tinted while selected,
// greyed while archived. A double click asks for a rename.
class ClientRow : public QAbstractButton {
public:
    ClientRow(const Client& client, bool selected, QWidget* parent)
        : QAbstractButton(parent)
        , m_color(colorFromHex(client.color).value_or(Theme::accentDeep()))
        , m_selected(selected)
        , m_archived(client.archived) {
        setText(client.name);
        setFont(Style::font(12.5));
        setMinimumHeight(26);
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::NoFocus);
        setAccessibleName(client.name);
    }
    bool selected() const { return m_selected; }
    QSize sizeHint() const override { return QSize(100, 26); }
    std::function<void()> onDoubleClick;

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        if (onDoubleClick)
            onDoubleClick();
        else
            QAbstractButton::mouseDoubleClickEvent(event);
    }
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        if (m_selected) {
            p.setPen(Qt::NoPen);
            p.setBrush(Style::withAlpha(Theme::accent(), 0.18));
            p.drawRoundedRect(QRectF(rect()), 6, 6);
        }
        const qreal y = (height() - 14) / 2.0;
        p.setOpacity(m_archived ? 0.45 : 1.0);
        p.drawImage(QPointF(8, y), colorSwatch(m_color, 14, devicePixelRatioF()));
        p.setOpacity(1.0);
        p.setPen(m_archived ? Style::tertiaryLabel() : Style::label());
        p.setFont(font());
        const QRect textRect = rect().adjusted(30, 0, -8, 0);
        p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                   fontMetrics().elidedText(text(), Qt::ElideRight, textRect.width()));
    }

private:
    QColor m_color;
    bool m_selected;
    bool m_archived;
};

// The name field of a rename in place. Escape cancels here, before the panel
// would take it to close the overlay.
class RenameField : public QLineEdit {
public:
    RenameField(const QString& name, QWidget* parent)
        : QLineEdit(name, parent) {
        setObjectName(u"renameField"_s);
        setFont(Style::font(12.5));
        setProperty("takesEscape", true);
        selectAll();
    }
    std::function<void()> onEscape;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape && onEscape)
            onEscape();
        else
            QLineEdit::keyPressEvent(event);
    }
};

} // namespace

ClientsOverlayView::ClientsOverlayView(AppModel* model, QWidget* parent)
    : AdminOverlay(parent)
    , m_model(model) {
    QWidget* c = card();
    QVBoxLayout* stack = column();
    stack->addWidget(new TextLabel(u"Clients"_s, Style::font(14, Style::Weight::Semibold),
                                   Style::Tone::Label, c));
    stack->addWidget(new TextLabel(u"Pick a client, then choose its colour."_s, Style::font(11),
                                   Style::Tone::Secondary, c));
    m_rows = scrollList(168);
    m_showArchived = new QCheckBox(u"Show archived"_s, c);
    m_showArchived->setObjectName(u"showArchived"_s);
    m_showArchived->setFont(Style::font(11));
    connect(m_showArchived, &QCheckBox::toggled, this, [this] {
        refreshRows();
        updateColorUI();
    });
    stack->addWidget(m_showArchived);

    m_colorLabel =
        new TextLabel(u"Select a client above."_s, Style::font(11.5), Style::Tone::Secondary, c);
    m_colorLabel->setObjectName(u"colorLabel"_s);
    stack->addWidget(m_colorLabel);

    // Ten swatches, then six.
    auto* grid = new QVBoxLayout;
    grid->setSpacing(6);
    for (const auto& [first, last] : {std::pair{0, 10}, std::pair{10, 16}}) {
        auto* line = new QHBoxLayout;
        line->setSpacing(6);
        for (int i = first; i < last; ++i) {
            auto* swatch = new SwatchButton(*AdminText::paletteColor(i), 18, c);
            swatch->setObjectName(u"swatch%1"_s.arg(i));
            connect(swatch, &SwatchButton::clicked, this, [this, i] { pickSwatch(i); });
            m_palette.append(swatch);
            line->addWidget(swatch);
        }
        line->addStretch(1);
        grid->addLayout(line);
    }
    stack->addLayout(grid);

    m_hexField = field(u"#RRGGBB"_s, 12, u"hex"_s);
    m_hexField->setFixedWidth(104);
    connect(m_hexField, &QLineEdit::returnPressed, this, &ClientsOverlayView::applyHex);
    auto* custom = new QHBoxLayout;
    custom->setSpacing(8);
    custom->addWidget(new TextLabel(u"custom"_s, Style::font(11), Style::Tone::Tertiary, c));
    custom->addWidget(m_hexField);
    custom->addStretch(1);
    stack->addLayout(custom);

    m_error = new TextLabel(QString(), Style::font(11), Style::Tone::Label, c);
    m_error->setColor(Theme::stop());
    m_error->setObjectName(u"error"_s);
    stack->addWidget(m_error);

    TextButton* newClient = plainButton(u"New client"_s, u"newClient"_s);
    TextButton* done = primaryButton(u"Done"_s, u"done"_s);
    connect(newClient, &TextButton::clicked, this, [this] {
        if (onNewClient)
            onNewClient();
    });
    connect(done, &TextButton::clicked, this, [this] {
        if (onDone)
            onDone();
    });
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addWidget(newClient);
    buttons->addStretch(1);
    buttons->addWidget(done);
    stack->addLayout(buttons);

    refreshRows();
    if (!m_clients.isEmpty()) {
        m_selectedId = m_clients.first().id;
        refreshRows();
    }
    updateColorUI();
    connect(m_model, &AppModel::clientChangeRefused, this, [this](const QString& message) {
        refreshRows();
        updateColorUI();
        m_error->setText(message);
    });
}

void ClientsOverlayView::refreshRows() {
    clearRows(m_rows);
    const bool admin = m_model->store().db().settings.isAdmin;
    m_showArchived->setVisible(admin);
    m_clients = m_model->clients(admin && m_showArchived->isChecked());
    if (m_clients.isEmpty()) {
        auto* none = new TextLabel(u"No clients yet."_s, Style::font(11.5), Style::Tone::Tertiary,
                                   m_rows->parentWidget());
        m_rows->insertWidget(0, none);
        return;
    }
    for (int i = 0; i < m_clients.size(); ++i)
        m_rows->insertWidget(i, makeRow(m_clients[i], i, admin));
}

QWidget* ClientsOverlayView::makeRow(const Client& client, int position, bool admin) {
    auto* row = new QWidget(m_rows->parentWidget());
    row->setObjectName(u"client"_s);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(4);
    const QString id = client.id;
    if (admin && m_renamingId == id) {
        auto* field = new RenameField(client.name, row);
        field->onEscape = [this] { cancelRename(); };
        connect(field, &QLineEdit::returnPressed, this,
                [this, id, field] { finishRename(id, field->text()); });
        line->addWidget(field, 1);
        QTimer::singleShot(0, field, [field] { field->setFocus(Qt::OtherFocusReason); });
        return row;
    }
    auto* name = new ClientRow(client, m_selectedId == id, row);
    name->setObjectName(u"name"_s);
    connect(name, &QAbstractButton::clicked, this, [this, position] { selectRow(position); });
    line->addWidget(name, 1);
    if (!admin)
        return row;
    if (client.archived) {
        TextButton* restore = smallButton(u"Restore"_s, u"restore"_s, row);
        connect(restore, &TextButton::clicked, this, [this, id] { setArchived(id, false); });
        line->addWidget(restore);
        return row;
    }
    name->onDoubleClick = [this, id] { beginRename(id); };
    SymbolButton* pencil = symbolButton(u"pencil"_s, u"Rename"_s, row);
    pencil->setObjectName(u"rename"_s);
    connect(pencil, &SymbolButton::clicked, this, [this, id] { beginRename(id); });
    TextButton* archive = smallButton(u"Archive"_s, u"archive"_s, row);
    connect(archive, &TextButton::clicked, this, [this, id] { setArchived(id, true); });
    line->addWidget(pencil);
    line->addWidget(archive);
    return row;
}

void ClientsOverlayView::beginRename(const QString& id) {
    m_renamingId = id;
    refreshRows();
    m_error->setText(QString());
}

void ClientsOverlayView::finishRename(const QString& id, const QString& name) {
    if (const std::optional<QString> error = m_model->renameClient(id, name)) {
        m_error->setText(*error);
        return;
    }
    cancelRename();
}

void ClientsOverlayView::cancelRename() {
    m_renamingId.reset();
    refreshRows();
    updateColorUI();
}

void ClientsOverlayView::setArchived(const QString& id, bool archived) {
    m_model->setClientArchived(id, archived);
    refreshRows();
    updateColorUI();
}

void ClientsOverlayView::updateColorUI() {
    const auto it = std::find_if(m_clients.cbegin(), m_clients.cend(),
                                 [this](const Client& c) { return c.id == m_selectedId; });
    const bool selected = it != m_clients.cend();
    m_colorLabel->setText(selected ? u"Colour for "_s + it->name : u"Select a client above."_s);
    for (SwatchButton* swatch : m_palette) {
        swatch->setEnabled(selected);
        swatch->setMarked(selected && AdminText::sameColor(swatch->hex(), it->color));
    }
    m_hexField->setEnabled(selected);
    m_hexField->setText(selected ? it->color : QString());
    m_error->setText(QString());
}

void ClientsOverlayView::selectRow(int position) {
    if (position < 0 || position >= m_clients.size())
        return;
    m_selectedId = m_clients[position].id;
    refreshRows();
    updateColorUI();
}

void ClientsOverlayView::pickSwatch(int tag) {
    if (const std::optional<QString> hex = AdminText::paletteColor(tag))
        recolour(*hex);
}

void ClientsOverlayView::applyHex() {
    const AdminText::HexEntry entry = AdminText::hexEntry(m_hexField->text());
    if (!entry.color) {
        m_error->setText(entry.error);
        return;
    }
    recolour(*entry.color);
}

void ClientsOverlayView::recolour(const QString& hex) {
    if (!m_selectedId)
        return;
    m_model->setClientColor(*m_selectedId, hex);
    refreshRows();
    updateColorUI();
}
