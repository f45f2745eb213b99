#include "ui/widgets/PickerTyping.h"

#include <QDateTimeEdit>
#include <QFocusEvent>
#include <QPointer>
#include <QTimer>

PickerTyping::PickerTyping(QDateTimeEdit* picker)
    : QObject(picker)
    , m_picker(picker) {}

void PickerTyping::install(QDateTimeEdit* picker) {
    picker->installEventFilter(new PickerTyping(picker));
}

bool PickerTyping::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_picker && event->type() == QEvent::FocusIn) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason ||
            reason == Qt::OtherFocusReason) {
            // After the click has placed its cursor.
            QPointer<QDateTimeEdit> picker(m_picker);
            QTimer::singleShot(0, m_picker, [picker] {
                if (picker && picker->hasFocus())
                    picker->setSelectedSection(picker->sectionAt(0));
            });
        }
    }
    return QObject::eventFilter(watched, event);
}
