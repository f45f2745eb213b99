#pragma once

#include <QObject>

class QDateTimeEdit;

// Makes a clock or day picker ready for typing when it takes the focus: its
// first section is selected, so "1130" typed after a click or Tab reads
// 11:30 (and "20260103" the 3rd of January 2026) instead of being refused
// beside a cursor in the middle of the text.
class PickerTyping : public QObject {
    Q_OBJECT
public:
    static void install(QDateTimeEdit* picker);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit PickerTyping(QDateTimeEdit* picker);

    QDateTimeEdit* m_picker;
};
