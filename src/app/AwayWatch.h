#pragma once

#include "idle/DesktopNotification.h"
#include "model/AwayTracker.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

class AppModel;
class IdleSource;
class LogindWatch;
class PopoverViewController;
class QSystemTrayIcon;

// The tray app's side of away time: feeds the AwayTracker from the idle
// source this desktop offers and from logind, and asks the waiting question
// in the panel whenever it is open and by a desktop notification (else the
// tray icon's message). An answer in one place takes the question from both.
class AwayWatch : public QObject {
    Q_OBJECT
public:
    AwayWatch(AppModel& model, QSystemTrayIcon* tray, QObject* parent = nullptr);
    ~AwayWatch() override;

    // Chooses the sources (said once on standard error) and starts watching.
    void start();
    // The panel opened with this controller: a waiting question shows at once.
    void panelOpened(PopoverViewController* controller);
    // After every change of the model: a new threshold, a question answered
    // elsewhere.
    void modelChanged();

    AwayTracker& tracker() { return m_tracker; }
    // The question as a notification: its text and the three answers.
    static DesktopNotification::Content content(const AwayQuestion& question);

Q_SIGNALS:
    // A click on the notification or the tray's message: the panel should open.
    void panelWanted();

private:
    void watchSource();
    void showQuestion();
    // The notification follows the waiting question: shown once, closed when
    // it is answered.
    void notify();
    void answer(AwayTracker::Answer answer);

    AppModel& m_model;
    AwayTracker m_tracker;
    std::unique_ptr<IdleSource> m_source;
    std::unique_ptr<LogindWatch> m_logind;
    QPointer<QSystemTrayIcon> m_tray;
    std::unique_ptr<DesktopNotification> m_notification;
    std::optional<AwayQuestion> m_notified;
    QPointer<PopoverViewController> m_controller;
    std::optional<int> m_watched;
};
