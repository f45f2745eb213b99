#pragma once

#include "ui/shots/Shot.h"

#include <QList>
#include <QPointer>
#include <QWidget>

#include <optional>

class AppModel;
class ChipView;
class PopoverViewController;
class QLineEdit;
class ShotStripView;
class SymbolButton;
class TimeBox;

// The card at the top of the panel: the description field, the running time,
// start/stop, delete, the client chip and the screenshots waiting for (or
// belonging to) the running entry. Every action goes to the controller or the
// model; the composer changes no data itself.
class ComposerView : public QWidget {
    Q_OBJECT
public:
    ComposerView(AppModel* model, PopoverViewController* controller, QWidget* parent = nullptr);
    ~ComposerView() override;

    // Stops calling the controller (which is going away).
    void detach();

    // Shows the current state: running or not, the time, the description
    // (unless it is being typed), the chip and the screenshots. When the
    // running entry ends the field is emptied, typed into or not; otherwise
    // text typed while nothing runs stays.
    void configure();
    void configureShots();

    QLineEdit* field() const { return m_field; }
    TimeBox* timeBox() const { return m_timeBox; }
    ChipView* chip() const { return m_chip; }
    SymbolButton* startStopButton() const { return m_startStop; }
    SymbolButton* trashButton() const { return m_trash; }
    // The screenshot strip; hidden while there is nothing to show.
    ShotStripView* shotStrip() const { return m_shots; }
    const QList<Shot>& shotItems() const;
    // The field has the keyboard focus: its text is the person's.
    bool isEditingDescription() const;

    void tapStartStop();
    void tapTrash();

private:
    AppModel* m_model;
    QPointer<PopoverViewController> m_controller;
    QLineEdit* m_field;
    TimeBox* m_timeBox;
    ChipView* m_chip;
    ShotStripView* m_shots;
    SymbolButton* m_startStop;
    SymbolButton* m_trash;
    // The running entry the field last showed: when it ends, the field empties.
    std::optional<QString> m_shownRunning;
};
