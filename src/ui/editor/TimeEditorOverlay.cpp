#include "ui/editor/TimeEditorOverlay.h"

#include "model/AppModel.h"
#include "model/Clock.h"
#include "model/Time.h"
#include "ui/widgets/LayoutHelpers.h"
#include "ui/widgets/PickerTyping.h"
#include "ui/widgets/Style.h"
#include "ui/widgets/TextLabel.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QTimeEdit>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TimeEditorOverlay::TimeEditorOverlay(const Entry& entry, AppModel* model, QWidget* parent,
                                     const QTimeZone& zone)
    : QWidget(parent)
    , m_entry(entry)
    , m_model(model)
    , m_zone(zone)
    , m_startPicker(new QTimeEdit(this))
    , m_endPicker(new QTimeEdit(this))
    , m_datePicker(new QDateEdit(this)) {
    floatingBackground(this, 14);

    m_opened = EntryTimes::pickersFor(entry, Clock::now(), zone);
    for (QTimeEdit* picker : {m_startPicker, m_endPicker}) {
        picker->setDisplayFormat(u"HH:mm"_s);
        picker->setFont(Style::font(13));
        picker->setKeyboardTracking(false);
    }
    m_datePicker->setDisplayFormat(u"yyyy-MM-dd"_s);
    m_datePicker->setFont(Style::font(13));
    m_datePicker->setKeyboardTracking(false);
    for (QDateTimeEdit* picker :
         std::initializer_list<QDateTimeEdit*>{m_startPicker, m_endPicker, m_datePicker})
        PickerTyping::install(picker);
    m_startPicker->setAccessibleName(u"Start"_s);
    m_endPicker->setAccessibleName(u"End"_s);
    m_datePicker->setAccessibleName(u"Day"_s);
    m_startPicker->setTime(m_opened.start);
    m_endPicker->setTime(m_opened.end);
    m_datePicker->setDate(m_opened.day);

    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(12, 12, 12, 12);
    stack->setSpacing(9);
    auto* times = new QHBoxLayout;
    times->setSpacing(8);
    times->addWidget(m_startPicker);
    times->addWidget(new TextLabel(u"\u2192"_s, Style::font(13), Style::Tone::Secondary, this));
    times->addWidget(m_endPicker);
    stack->addLayout(times);
    stack->addWidget(m_datePicker, 0, Qt::AlignLeft);

    connect(m_startPicker, &QTimeEdit::timeChanged, this, [this] { changed(m_startPicker); });
    connect(m_endPicker, &QTimeEdit::timeChanged, this, [this] { changed(m_endPicker); });
    connect(m_datePicker, &QDateEdit::dateChanged, this, [this] { changed(m_datePicker); });
}

void TimeEditorOverlay::changed(QWidget* picker) {
    // By id: once the end picker has ended the entry, it no longer runs, and
    // later changes still belong to it.
    const std::optional<Entry> stored = m_model->entry(m_entry.id);
    if (!stored)
        return;
    const Entry entry = *stored;
    const EntryTimes::Pickers now{m_datePicker->date(), EntryTimes::minutes(m_startPicker->time()),
                                  EntryTimes::minutes(m_endPicker->time())};
    // Against the entry as it is stored now: an untouched start keeps its seconds.
    const QDateTime start = EntryTimes::start(entry, m_opened, now, m_zone);
    std::optional<QString> end;
    if (picker == m_endPicker) {
        end = Time::iso(EntryTimes::endAfter(start, now.day, now.end, m_zone));
    } else if (entry.endedAt) {
        // A new start keeps the end the entry has: it never runs again.
        end = EntryTimes::keptEnd(EntryTimes::Saved{Time::iso(start), std::nullopt}, entry.endedAt);
    }
    m_model->updateTimes(entry, Time::iso(start), end);
    // The stored entry now stands for these pickers.
    m_opened = now;
}
