#include "ui/panel/SetupOverlayView.h"

#include "api/HttpCall.h"
#include "model/AppModel.h"
#include "model/Text.h"
#include "model/Theme.h"
#include "ui/panel/AwaySettingRow.h"
#include "ui/panel/PopoverViewController.h"
#include "ui/panel/ReminderSettingsView.h"
#include "ui/widgets/CardView.h"
#include "ui/widgets/LayerView.h"
#include "ui/widgets/LayoutHelpers.h"
#include "ui/widgets/Style.h"
#include "ui/widgets/TextButton.h"
#include "ui/widgets/TextLabel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHostAddress>
#include <QHostInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QUrl>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QWidget* labelledGroup(const QString& caption, QLineEdit* field, QWidget* parent) {
    auto* group = new QWidget(parent);
    auto* stack = new QVBoxLayout(group);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(5);
    stack->addWidget(new TextLabel(caption, Style::font(10, Style::Weight::Semibold),
                                   Style::Tone::Secondary, group));
    stack->addWidget(field);
    field->setAccessibleName(caption);
    return group;
}

} // namespace

SetupOverlayView::SetupOverlayView(AppModel* model, PopoverViewController* controller,
                                   QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_controller(controller) {
    const Settings& settings = model->store().db().settings;

    auto* card = new CardView(this);
    auto* glass = new LayerView(card);
    glass->setFill(LayerView::ColorFn([] { return Style::glass(); }));
    glass->setBorderWidth(1);
    glass->setBorderColor(LayerView::ColorFn([] { return Theme::cardBorder(); }));
    glass->setRadius(18);
    glass->setAttribute(Qt::WA_TransparentForMouseEvents);
    pin(glass, card);
    glass->lower();
    card->setFixedWidth(330);

    m_server = new QLineEdit(settings.server, card);
    m_server->setPlaceholderText(u"https://time.example.com"_s);
    m_key = new QLineEdit(settings.apiKey, card);
    m_key->setPlaceholderText(u"your personal API key"_s);
    m_away = new AwaySettingRow(settings.awayAfterMinutes, card);
    m_reminders = new ReminderSettingsView(settings.reminders, card);
    m_error = new TextLabel(QString(), Style::font(11.5), Style::Tone::Label, card);
    m_error->setColor(Theme::stop());

    m_save = capsuleButton(u"Save & connect"_s, Theme::accent(), Theme::onAccent(), card);
    m_cancel =
        capsuleButton(u"Cancel"_s, Style::withAlpha(Style::label(), 0.10), Style::label(), card);
    connect(m_save, &TextButton::clicked, this, &SetupOverlayView::save);
    connect(m_cancel, &TextButton::clicked, this, &SetupOverlayView::cancel);
    // Return in either field is "Save & connect".
    connect(m_server, &QLineEdit::returnPressed, this, &SetupOverlayView::save);
    connect(m_key, &QLineEdit::returnPressed, this, &SetupOverlayView::save);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addWidget(m_save, 0, Qt::AlignVCenter);
    buttons->addWidget(m_cancel, 0, Qt::AlignVCenter);
    buttons->addStretch(1);

    auto* stack = new QVBoxLayout(card);
    stack->setContentsMargins(18, 16, 18, 16);
    stack->setSpacing(10);
    stack->addWidget(new TextLabel(u"Connect to your server"_s,
                                   Style::font(14, Style::Weight::Semibold), Style::Tone::Label,
                                   card));
    stack->addWidget(labelledGroup(u"SERVER ADDRESS"_s, m_server, card));
    stack->addWidget(labelledGroup(u"API KEY"_s, m_key, card));
    stack->addWidget(m_away);
    stack->addWidget(m_reminders);
    // A server whose certificate this system does not trust: its fingerprint,
    // to compare with the one the server's administrator gives, and the way
    // to accept that one certificate.
    if (const std::optional<QByteArray> sha =
            HttpCall::untrustedCertificate(QUrl(settings.server))) {
        QString fingerprint = HttpCall::fingerprintText(*sha);
        for (qsizetype at = 48; at < fingerprint.size(); at += 49)
            fingerprint.insert(at, u' '); // wraps after 16 bytes
        auto* note = new QLabel(u"This system does not trust the server's certificate. "
                                "Its SHA-256 fingerprint:\n"_s +
                                    fingerprint,
                                card);
        note->setObjectName(u"fingerprint"_s);
        note->setWordWrap(true);
        note->setFont(Style::font(10.5));
        m_trust = capsuleButton(u"Trust this certificate"_s, Style::withAlpha(Style::label(), 0.10),
                                Style::label(), card);
        const QString hex = QString::fromLatin1(sha->toHex());
        connect(m_trust, &TextButton::clicked, this, [this, hex] {
            m_model->trustCertificate(hex);
            m_model->syncNow();
            dismiss();
        });
        stack->addWidget(note);
        stack->addWidget(m_trust, 0, Qt::AlignLeft);
    }
    stack->addWidget(m_error);
    stack->addLayout(buttons);

    // The card sits in the middle; its height follows its content, and a
    // panel too short for it scrolls it (Tab moves the view with the focus).
    auto* holder = new QWidget;
    auto* centre = new QGridLayout(holder);
    centre->setContentsMargins(0, 8, 0, 8);
    centre->addWidget(card, 0, 0, Qt::AlignCenter);
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidgetResizable(true);
    scroll->setWidget(holder);
    scroll->viewport()->setAutoFillBackground(false);
    holder->setAutoFillBackground(false);
    auto* whole = new QGridLayout(this);
    whole->setContentsMargins(0, 0, 0, 0);
    whole->addWidget(scroll, 0, 0);
}

QString SetupOverlayView::errorText() const {
    return m_error->text();
}

void SetupOverlayView::focusFirstField() {
    QLineEdit* field = m_server->text().trimmed().isEmpty() ? m_server : m_key;
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
}

std::optional<QString> SetupOverlayView::clearTextHost(const QString& server) {
    const QUrl url(Text::serverBase(server));
    const QString host = url.host();
    if (url.scheme() != u"http"_s || host.isEmpty())
        return std::nullopt;
    if (host == u"localhost"_s || QHostAddress(host).isLoopback() ||
        host.compare(QHostInfo::localHostName(), Qt::CaseInsensitive) == 0)
        return std::nullopt;
    return host;
}

void SetupOverlayView::save() {
    const QString server = m_server->text().trimmed();
    const QString key = m_key->text().trimmed();
    // The away and reminder settings need no server: they are kept whatever
    // the fields hold.
    if (m_away->minutes() != m_model->store().db().settings.awayAfterMinutes)
        m_model->setAwayAfterMinutes(m_away->minutes());
    m_model->setReminderSettings(m_reminders->settings());
    if (server.isEmpty() || key.isEmpty()) {
        m_error->setText(u"Please fill in both fields."_s);
        return;
    }
    // Warned once; saving the same address again is the person's choice.
    if (const std::optional<QString> host = clearTextHost(server); host && m_warnedFor != server) {
        m_warnedFor = server;
        m_error->setText(u"Your key would travel unencrypted to "_s + *host + u"."_s);
        return;
    }
    m_model->setSettings(server, key);
    m_model->syncNow();
    dismiss();
}

void SetupOverlayView::cancel() {
    dismiss();
}

void SetupOverlayView::dismiss() {
    hide();
    deleteLater();
    if (m_controller)
        m_controller->setupClosed(this);
}

void SetupOverlayView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(0, 0, 0, qRound(0.45 * 255)));
}

void SetupOverlayView::mousePressEvent(QMouseEvent* event) {
    // The backdrop keeps clicks away from the panel below.
    event->accept();
}
