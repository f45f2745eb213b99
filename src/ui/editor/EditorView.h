#pragma once

#include "model/Entry.h"
#include "ui/editor/EntryTimes.h"

#include <QPointer>
#include <QTimeZone>
#include <QWidget>

#include <functional>

#include <optional>

class AppModel;
class ChipView;
class PopoverViewController;
class QDateEdit;
class QLineEdit;
class QMenu;
class QTimeEdit;
class ShotStripView;
class TextButton;
class TextLabel;

// The content of the details card: one entry's description, client,
// screenshots, duration, start and end clock times and day, saved together or
// deleted. Nothing changes in the model before Save (pictures aside), and Save
// changes only what the person changed here, on the entry as it is stored
// then. Fields the person has not touched follow the stored entry while the
// card is open, so a stop, a sync or a rename elsewhere is neither hidden nor
// undone.
class EditorView : public QWidget {
    Q_OBJECT
public:
    static constexpr int editorWidth = 304;

    // Without a controller the editor shows the entry but saves and deletes
    // nothing. `zone` is the zone its clock times are read in.
    EditorView(const Entry& entry, AppModel* model, PopoverViewController* controller,
               QWidget* parent = nullptr, const QTimeZone& zone = QTimeZone::systemTimeZone());

    // The entry as last read from the store.
    const Entry& entry() const { return m_entry; }
    // The stored entry with the same id, or the copy when there is none or no
    // controller.
    Entry currentEntry() const;
    // The stored entry with the same id, unless it is gone or deleted.
    std::optional<Entry> storedEntry() const;
    // The stored entry changed: untouched fields, the running state and the
    // pictures take its values; what the person typed stays.
    void follow(const Entry& stored);
    // The entry (as last read from the store) has no end.
    bool isRunning() const { return !m_entry.endedAt.has_value(); }
    bool forceEnd() const { return m_forceEnd; }
    std::optional<QString> selectedClientId() const { return m_selectedClientId; }

    QLineEdit* descField() const { return m_descField; }
    QLineEdit* durationField() const { return m_durationField; }
    ChipView* chip() const { return m_chip; }
    QTimeEdit* startPicker() const { return m_startPicker; }
    QTimeEdit* endPicker() const { return m_endPicker; }
    QDateEdit* datePicker() const { return m_datePicker; }
    ShotStripView* shots() const { return m_shots; }
    // "+1 day" beside the end, and "ends in the future" over the duration.
    QString dayMark() const;
    bool marksFuture() const;
    TextButton* saveButton() const { return m_save; }
    TextButton* deleteButton() const { return m_delete; }

    // Refills the screenshot strip from the stored entry.
    void refreshScreenshot();
    // The editor's height at its fixed width changed (pictures came or went).
    std::function<void()> onHeightChanged;

    // Actions.
    void dismiss();
    void timesChanged();
    void applyDuration();
    void save();
    void deleteEntry();
    void pickClient(const std::optional<QString>& clientId);
    // The client menu, built anew on each click of the chip.
    QMenu* showClientMenu();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void build();
    void configureChip();
    EntryTimes::Pickers pickers() const;
    void setPickers(const EntryTimes::Pickers& values);
    // The duration the pickers stand for, written into the duration field.
    void showPickedDuration();
    // What a save would store, from the fields as they are.
    EntryTimes::Edit edit() const;
    // The length and the marks of the end a save would give.
    void showOutcome();
    // Text typed but not yet taken by the pickers or the duration field.
    void commitTyped();
    void removeShot(const Screenshot& shot);

    Entry m_entry;
    AppModel* m_model;
    QPointer<PopoverViewController> m_controller;
    QTimeZone m_zone;
    QLineEdit* m_descField = nullptr;
    QLineEdit* m_durationField = nullptr;
    ChipView* m_chip = nullptr;
    QTimeEdit* m_startPicker = nullptr;
    QTimeEdit* m_endPicker = nullptr;
    QDateEdit* m_datePicker = nullptr;
    ShotStripView* m_shots = nullptr;
    TextLabel* m_runningLabel = nullptr;
    TextLabel* m_dayMark = nullptr;
    TextLabel* m_futureMark = nullptr;
    TextButton* m_save = nullptr;
    TextButton* m_delete = nullptr;
    std::optional<QString> m_selectedClientId;
    bool m_forceEnd = false;
    // Text typed into the duration field that it has not taken yet.
    bool m_durationTyped = false;
    // What the pickers and the duration field showed for the stored entry.
    EntryTimes::Pickers m_opened;
    QString m_openedDuration;
    QList<Screenshot> m_shownShots;
};
