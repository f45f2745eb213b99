#include "ui/panel/ReminderSettingsView.h"

#include "model/Theme.h"
#include "ui/widgets/PickerTyping.h"
#include "ui/widgets/Style.h"
#include "ui/widgets/TextLabel.h"

#include <QHBoxLayout>
#include <QLocale>
#include <QSpinBox>
#include <QTimeEdit>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// A spin box whose lowest value reads "off".
QSpinBox* spinBox(int off, int max, int value, const QString& name, QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setRange(off, max);
    box->setSpecialValueText(u"off"_s);
    box->setValue(value <= 0 ? off : value);
    box->setAccessibleName(name);
    box->setFont(Style::font(12));
    return box;
}

QTimeEdit* timeEdit(QTime time, const QString& name, QWidget* parent) {
    auto* edit = new QTimeEdit(time, parent);
    edit->setDisplayFormat(u"HH:mm"_s);
    edit->setAccessibleName(name);
    edit->setFont(Style::font(12));
    PickerTyping::install(edit);
    return edit;
}

QHBoxLayout* line(std::initializer_list<QWidget*> widgets) {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    for (QWidget* w : widgets)
        row->addWidget(w);
    row->addStretch(1);
    return row;
}

} // namespace

ReminderSettingsView::ReminderSettingsView(const ReminderSettings& settings, QWidget* parent)
    : QWidget(parent) {
    const auto label = [this](const QString& text) {
        return new TextLabel(text, Style::font(11.5), Style::Tone::Label, this);
    };
    m_remind = spinBox(ReminderSettings::minRemindAfterMinutes - 1,
                       ReminderSettings::maxRemindAfterMinutes, settings.remindAfterMinutes,
                       u"Minutes without a timer before a reminder"_s, this);
    m_remind->setObjectName(u"remindMinutes"_s);

    auto* days = new QHBoxLayout;
    days->setContentsMargins(0, 0, 0, 0);
    days->setSpacing(3);
    const QString toggleStyle =
        u"QToolButton { border: 1px solid %1; border-radius: 5px; padding: 2px 4px; }"
        "QToolButton:checked { background: %2; color: %3; border-color: %2; }"
        // The keyboard's place, as the focus ring shows it elsewhere.
        "QToolButton:focus { border: 2px solid %4; }"_s.arg(
            Style::separator().name(QColor::HexArgb), Theme::accent().name(),
            Theme::onAccent().name(), Theme::accentDeep().name());
    const QLocale english(QLocale::English);
    for (int day = 1; day <= 7; ++day) {
        auto* toggle = new QToolButton(this);
        toggle->setCheckable(true);
        toggle->setChecked(settings.worksOn(day));
        toggle->setText(english.dayName(day, QLocale::ShortFormat).left(2));
        toggle->setAccessibleName(english.dayName(day));
        toggle->setFocusPolicy(Qt::StrongFocus);
        toggle->setFont(Style::font(10.5));
        toggle->setStyleSheet(toggleStyle);
        days->addWidget(toggle);
        m_days.append(toggle);
    }
    days->addStretch(1);
    // Made in the order they show, which is the order Tab takes.
    m_from = timeEdit(settings.workingFrom, u"Working hours from"_s, this);
    m_to = timeEdit(settings.workingTo, u"Working hours to"_s, this);
    m_longTimer = spinBox(0, ReminderSettings::maxLongTimerHours, settings.longTimerHours,
                          u"Hours a timer runs before a note"_s, this);
    m_longTimer->setObjectName(u"longTimerHours"_s);

    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(5);
    stack->addLayout(line({label(u"Remind me to track after"_s), m_remind, label(u"minutes"_s)}));
    stack->addLayout(days);
    stack->addLayout(line({label(u"from"_s), m_from, label(u"to"_s), m_to}));
    stack->addLayout(
        line({label(u"Notify after a timer has run"_s), m_longTimer, label(u"hours"_s)}));

    connect(m_remind, &QSpinBox::valueChanged, this, &ReminderSettingsView::followRemind);
    followRemind();
}

void ReminderSettingsView::followRemind() {
    const bool on = m_remind->value() != m_remind->minimum();
    for (QToolButton* day : std::as_const(m_days))
        day->setEnabled(on);
    m_from->setEnabled(on);
    m_to->setEnabled(on);
}

ReminderSettings ReminderSettingsView::settings() const {
    ReminderSettings s;
    s.remindAfterMinutes = m_remind->value() == m_remind->minimum() ? 0 : m_remind->value();
    s.longTimerHours = m_longTimer->value();
    s.workingDays = 0;
    for (qsizetype i = 0; i < m_days.size(); ++i)
        s.workingDays |= m_days[i]->isChecked() ? 1 << i : 0;
    s.workingFrom = m_from->time();
    s.workingTo = m_to->time();
    return s;
}
