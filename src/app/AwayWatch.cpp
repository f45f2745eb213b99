#include "app/AwayWatch.h"

#include "idle/DesktopNotification.h"
#include "idle/IdleSources.h"
#include "idle/LogindWatch.h"
#include "model/AppModel.h"
#include "ui/panel/AwaySettingRow.h"
#include "ui/panel/PanelOverlays.h"
#include "ui/panel/PopoverViewController.h"

#include <QDBusConnection>
#include <QSystemTrayIcon>

#include <cstdio>

AwayWatch::AwayWatch(AppModel& model, QSystemTrayIcon* tray, QObject* parent)
    : QObject(parent)
    , m_model(model)
    , m_tracker(model)
    , m_tray(tray) {
    // A test switch: the threshold in seconds instead of the setting's minutes.
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue("ZEVRA_AWAY_AFTER_SECONDS", &ok);
    if (ok)
        m_tracker.setThresholdOverride(seconds);
    connect(&m_tracker, &AwayTracker::questionAsked, this, &AwayWatch::showQuestion);
}

AwayWatch::~AwayWatch() = default;

void AwayWatch::start() {
    m_source = IdleSources::forSession(qEnvironmentVariable("XDG_SESSION_TYPE"),
                                       qEnvironmentVariable("XDG_CURRENT_DESKTOP"),
                                       QDBusConnection::sessionBus());
    m_logind = std::make_unique<LogindWatch>(QDBusConnection::systemBus(),
                                             qEnvironmentVariable("XDG_SESSION_ID"));
    const bool logind = m_logind->offered();
    AwaySettingRow::setIdleSourceFound(m_source != nullptr);
    const QByteArray line =
        (m_source ? "zevra-tikit: away time from " + m_source->name().toUtf8()
                  : QByteArray("zevra-tikit: this desktop offers no idle time")) +
        (logind ? "; sleep and lock from logind" : "; no logind for sleep and lock");
    std::fprintf(stderr, "%s\n", line.constData());
    if (m_source) {
        connect(m_source.get(), &IdleSource::idleSince, &m_tracker, &AwayTracker::idleSince);
        connect(m_source.get(), &IdleSource::inputResumed, &m_tracker, &AwayTracker::inputResumed);
        watchSource();
    }
    connect(m_logind.get(), &LogindWatch::sleeping, &m_tracker, &AwayTracker::setSleeping);
    connect(m_logind.get(), &LogindWatch::locked, &m_tracker, &AwayTracker::setLocked);
    m_notification = std::make_unique<DesktopNotification>(QDBusConnection::sessionBus());
    connect(m_notification.get(), &DesktopNotification::actionInvoked, this,
            [this](const QString& key) {
                if (const std::optional<AwayTracker::Answer> answer = AwayTracker::answerNamed(key))
                    this->answer(*answer);
            });
    connect(m_notification.get(), &DesktopNotification::clicked, this, &AwayWatch::panelWanted);
    if (m_tray) {
        connect(m_notification.get(), &DesktopNotification::trayMessage, m_tray,
                [this](const QString& title, const QString& text) {
                    m_tray->showMessage(title, text, QSystemTrayIcon::Information, 0);
                });
        connect(m_tray, &QSystemTrayIcon::messageClicked, this, [this] {
            if (m_tracker.question())
                Q_EMIT panelWanted();
        });
    }
    m_tracker.resume();
    if (m_tracker.question())
        showQuestion();
    notify();
}

void AwayWatch::watchSource() {
    const std::optional<int> threshold = m_tracker.threshold();
    if (!m_source || m_watched == threshold)
        return;
    m_watched = threshold;
    // Switched off: the source still reports, and the tracker asks nothing.
    m_source->watch(threshold.value_or(Settings::defaultAwayAfterMinutes * 60) * 1000);
}

void AwayWatch::panelOpened(PopoverViewController* controller) {
    m_controller = controller;
    showQuestion();
}

void AwayWatch::modelChanged() {
    watchSource();
    notify();
    if (!m_tracker.question() && m_controller)
        m_controller->overlays()->closeAway();
    else
        showQuestion();
}

void AwayWatch::showQuestion() {
    const std::optional<AwayQuestion> question = m_tracker.question();
    if (!question || !m_controller || !m_controller->isVisible())
        return;
    QPointer<AwayWatch> self(this);
    m_controller->overlays()->askAway(*question, [self](AwayTracker::Answer answer) {
        if (self)
            self->answer(answer);
    });
}

void AwayWatch::notify() {
    const std::optional<AwayQuestion> question = m_tracker.question();
    if (!m_notification || question == m_notified)
        return;
    m_notified = question;
    if (question)
        m_notification->show(content(*question));
    else
        m_notification->close();
}

DesktopNotification::Content AwayWatch::content(const AwayQuestion& question) {
    using namespace Qt::StringLiterals;
    // No timeout: the question waits until it is answered.
    return {u"Away from the computer"_s,
            question.text(),
            {{u"keep"_s, u"Keep"_s},
             {u"discard"_s, u"Discard"_s},
             {u"continue"_s, u"Discard and continue"_s}},
            u" Open Zevra Tikit to keep or discard it."_s,
            u"presence"_s,
            0};
}

void AwayWatch::answer(AwayTracker::Answer answer) {
    AwayTracker::answer(m_model, answer);
    if (m_controller)
        m_controller->overlays()->closeAway();
    m_model.syncNow();
}
