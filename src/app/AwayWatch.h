#pragma once

#include "model/AwayTracker.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

class AppModel;
class IdleSource;
class LogindWatch;
class PopoverViewController;

// The tray app's side of away time: feeds the AwayTracker from the idle
// source this desktop offers and from logind, and asks the waiting question
// in the panel whenever it is open.
class AwayWatch : public QObject {
    Q_OBJECT
public:
    explicit AwayWatch(AppModel& model, QObject* parent = nullptr);
    ~AwayWatch() override;

    // Chooses the sources (said once on standard error) and starts watching.
    void start();
    // The panel opened with this controller: a waiting question shows at once.
    void panelOpened(PopoverViewController* controller);
    // After every change of the model: a new threshold, a question answered
    // elsewhere.
    void modelChanged();

    AwayTracker& tracker() { return m_tracker; }

private:
    void watchSource();
    void showQuestion();
    void answer(AwayTracker::Answer answer);

    AppModel& m_model;
    AwayTracker m_tracker;
    std::unique_ptr<IdleSource> m_source;
    std::unique_ptr<LogindWatch> m_logind;
    QPointer<PopoverViewController> m_controller;
    std::optional<int> m_watched;
};
