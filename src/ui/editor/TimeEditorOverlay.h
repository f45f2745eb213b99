#pragma once

#include "model/Entry.h"
#include "ui/editor/EntryTimes.h"

#include <QTimeZone>
#include <QWidget>

class AppModel;
class QDateEdit;
class QTimeEdit;

// The small editor under the composer's time box: moves the running entry's
// start, or ends it at a chosen clock time, at once on every change.
class TimeEditorOverlay : public QWidget {
    Q_OBJECT
public:
    TimeEditorOverlay(const Entry& entry, AppModel* model, QWidget* parent = nullptr,
                      const QTimeZone& zone = QTimeZone::systemTimeZone());

    const Entry& entry() const { return m_entry; }
    QTimeEdit* startPicker() const { return m_startPicker; }
    QTimeEdit* endPicker() const { return m_endPicker; }
    QDateEdit* datePicker() const { return m_datePicker; }

    // A picker changed: the end stops the entry at that time (or moves the
    // end it was given); the start and the day move its start and keep it
    // running, or keep the end it has once it was stopped.
    void changed(QWidget* picker);

private:
    Entry m_entry;
    AppModel* m_model;
    QTimeZone m_zone;
    QTimeEdit* m_startPicker;
    QTimeEdit* m_endPicker;
    QDateEdit* m_datePicker;
    EntryTimes::Pickers m_opened;
};
