#include "ui/admin/UsersOverlayView.h"

#include "api/Api.h"
#include "model/AppModel.h"
#include "model/Theme.h"
#include "ui/admin/AdminText.h"
#include "ui/widgets/Style.h"
#include "ui/widgets/TextButton.h"
#include "ui/widgets/TextLabel.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

void putOnClipboard(const QString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}

} // namespace

UsersOverlayView::UsersOverlayView(AppModel* model, QWidget* parent)
    : AdminOverlay(parent)
    , m_model(model) {
    QWidget* c = card();
    QVBoxLayout* stack = column();
    stack->addWidget(
        new TextLabel(u"Team"_s, Style::font(14, Style::Weight::Semibold), Style::Tone::Label, c));
    m_rows = scrollList(170);
    stack->addWidget(new TextLabel(u"ADD A PERSON"_s, Style::font(9.5, Style::Weight::Semibold),
                                   Style::Tone::Tertiary, c));
    m_nameField = field(u"Name"_s, 13, u"name"_s);
    stack->addWidget(m_nameField);
    m_adminBox = new QCheckBox(u"Admin"_s, c);
    m_adminBox->setFont(Style::font(11.5));
    m_adminBox->setObjectName(u"admin"_s);
    stack->addWidget(m_adminBox);
    m_status = new TextLabel(AdminText::loading, Style::font(11), Style::Tone::Secondary, c);
    m_status->setObjectName(u"status"_s);
    stack->addWidget(m_status);

    TextButton* add = primaryButton(u"Add person"_s, u"add"_s);
    TextButton* done = plainButton(u"Done"_s, u"done"_s);
    connect(add, &TextButton::clicked, this, &UsersOverlayView::addPerson);
    connect(m_nameField, &QLineEdit::returnPressed, this, &UsersOverlayView::addPerson);
    connect(done, &TextButton::clicked, this, [this] {
        if (onDone)
            onDone();
    });
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addWidget(add);
    buttons->addStretch(1);
    buttons->addWidget(done);
    stack->addLayout(buttons);

    reloadRows();
    load();
}

void UsersOverlayView::load() {
    Api::fetchUsers(m_model->store(), this, [this](const QList<ReportUser>& users) {
        showUsers(users);
        m_status->setText(AdminText::statusAfterLoad(m_status->text()));
    });
}

void UsersOverlayView::showUsers(const QList<ReportUser>& users) {
    m_loaded = true;
    m_users = users;
    // A server may send keys with the list; "Copy key" copies those too.
    for (const ReportUser& person : users)
        keep(person);
    reloadRows();
}

void UsersOverlayView::reloadRows() {
    clearRows(m_rows);
    QWidget* document = m_rows->parentWidget();
    if (m_users.isEmpty()) {
        // Nothing is said about an empty list before it has come.
        if (m_loaded)
            m_rows->insertWidget(0, new TextLabel(u"No people yet."_s, Style::font(11.5),
                                                  Style::Tone::Tertiary, document));
        return;
    }
    const std::optional<qint64> self = m_model->store().db().settings.userId;
    for (int i = 0; i < m_users.size(); ++i) {
        ReportUser person = m_users[i];
        if (m_keys.contains(person.id))
            person.apiKey = m_keys[person.id];
        auto* row = new QWidget(document);
        row->setObjectName(u"person"_s);
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        line->setSpacing(8);
        const QString text = AdminText::personLabel(person, self);
        auto* name = new TextLabel(text, Style::font(12.5), Style::Tone::Label, row);
        name->setToolTip(text);
        line->addWidget(name, 1);
        // The name gets the room it needs first: the controls take their
        // short forms when the long ones would cut it.
        const int room = listWidth - name->sizeHint().width();
        int controls = addControls(person, self, false, line);
        if (controls > room) {
            while (QLayoutItem* item = line->takeAt(1)) {
                delete item->widget();
                delete item;
            }
            controls = addControls(person, self, true, line);
        }
        name->setMinimumWidth(
            std::min(name->sizeHint().width(), std::max(40, listWidth - controls)));
        m_rows->insertWidget(i, row);
    }
}

int UsersOverlayView::addControls(const ReportUser& person, std::optional<qint64> self,
                                  bool compact, QHBoxLayout* line) {
    QWidget* row = line->parentWidget();
    QList<QWidget*> controls;
    // Nobody switches their own account off, so one's own row has no switch.
    if (!(self && *self == person.id)) {
        auto* active = new QCheckBox(compact ? QString() : u"Active"_s, row);
        active->setObjectName(u"active"_s);
        active->setToolTip(u"Active"_s);
        active->setAccessibleName(u"Active"_s);
        active->setFont(Style::font(10.5));
        active->setChecked(person.active);
        connect(active, &QCheckBox::toggled, this,
                [this, id = person.id](bool on) { setActive(id, on); });
        controls.append(active);
    }
    TextButton* renew = smallButton(compact ? u"New"_s : u"New key"_s, u"newKey"_s, row);
    renew->setToolTip(u"New key"_s);
    connect(renew, &TextButton::clicked, this, [this, id = person.id] { newKey(id); });
    controls.append(renew);
    if (person.apiKey && !person.apiKey->isEmpty()) {
        TextButton* copy = smallButton(compact ? u"Copy"_s : u"Copy key"_s, u"copyKey"_s, row);
        copy->setToolTip(u"Copy key"_s);
        connect(copy, &TextButton::clicked, this, [this, id = person.id] { copyKey(id); });
        controls.append(copy);
    }
    int width = 0;
    for (QWidget* control : std::as_const(controls)) {
        line->addWidget(control);
        width += line->spacing() + control->sizeHint().width();
    }
    return width;
}

void UsersOverlayView::setStatus(const QString& text, bool failure) {
    m_status->setText(text);
    if (failure)
        m_status->setColor(Theme::stop());
    else
        m_status->setTone(Style::Tone::Secondary);
}

void UsersOverlayView::keep(const ReportUser& person) {
    if (person.apiKey && !person.apiKey->isEmpty())
        m_keys[person.id] = *person.apiKey;
}

const ReportUser* UsersOverlayView::person(qint64 id) const {
    for (const ReportUser& u : m_users) {
        if (u.id == id)
            return &u;
    }
    return nullptr;
}

void UsersOverlayView::addPerson() {
    if (const std::optional<QString> error = AdminText::nameError(m_nameField->text())) {
        m_status->setText(*error);
        return;
    }
    setStatus(u"Adding…"_s);
    const bool isAdmin = m_adminBox->isChecked();
    Api::createUser(m_model->store(), m_nameField->text().trimmed(), isAdmin, this,
                    [this](const ApiResult<ReportUser>& result) {
                        if (!result.ok()) {
                            setStatus(result.error().message, true);
                            return;
                        }
                        const ReportUser& made = result.value();
                        m_nameField->clear();
                        m_adminBox->setChecked(false);
                        keep(made);
                        if (made.apiKey && !made.apiKey->isEmpty())
                            putOnClipboard(*made.apiKey);
                        setStatus(AdminText::addedStatus(made));
                        Api::fetchUsers(
                            m_model->store(), this,
                            [this](const QList<ReportUser>& users) { showUsers(users); });
                    });
}

void UsersOverlayView::copyKey(qint64 id) {
    const ReportUser* p = person(id);
    if (!p || !m_keys.contains(id))
        return;
    putOnClipboard(m_keys[id]);
    setStatus(AdminText::copiedStatus(p->name));
}

void UsersOverlayView::newKey(qint64 id) {
    Api::issueNewKey(m_model->store(), id, this, [this](const ApiResult<ReportUser>& result) {
        if (!result.ok() || !result.value().apiKey) {
            setStatus(result.ok() ? u"Malformed response"_s : result.error().message, true);
            return;
        }
        const ReportUser& person = result.value();
        keep(person);
        putOnClipboard(*person.apiKey);
        setStatus(AdminText::newKeyStatus(person));
        // A new key of one's own replaces the one this app signs in with.
        const Settings& settings = m_model->store().db().settings;
        if (settings.userId && *settings.userId == person.id)
            m_model->setSettings(settings.server, *person.apiKey);
        reloadRows();
    });
}

void UsersOverlayView::setActive(qint64 id, bool active) {
    Api::setUserActive(m_model->store(), id, active, this,
                       [this](const ApiResult<ReportUser>& result) {
                           if (result.ok()) {
                               for (ReportUser& u : m_users) {
                                   if (u.id == result.value().id)
                                       u.active = result.value().active;
                               }
                               setStatus(AdminText::activeStatus(result.value()));
                           } else {
                               setStatus(result.error().message, true);
                           }
                           // A refused change puts the switch back.
                           reloadRows();
                       });
}
