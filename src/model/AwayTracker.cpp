#include "model/AwayTracker.h"

#include "model/AppModel.h"
#include "model/Clock.h"
#include "model/Time.h"

#include <utility>

using namespace Qt::StringLiterals;

namespace {

// Whether `entry` was already running at `instant`.
bool startedBy(const Entry& entry, const QDateTime& instant) {
    const std::optional<QDateTime> started = Time::parse(entry.startedAt);
    return started && *started <= instant;
}

} // namespace

AwayTracker::AwayTracker(AppModel& model, QObject* parent)
    : QObject(parent)
    , m_model(model) {}

std::optional<int> AwayTracker::threshold() const {
    const int seconds =
        m_override ? *m_override : m_model.store().db().settings.awayAfterMinutes * 60;
    if (seconds <= 0)
        return std::nullopt;
    return seconds;
}

std::optional<AwayQuestion> AwayTracker::question() const {
    return m_model.store().db().away;
}

void AwayTracker::idleSince(const QDateTime& lastInput) {
    begin(Idle, lastInput);
}

void AwayTracker::inputResumed() {
    end(Idle);
}

void AwayTracker::setSleeping(bool sleeping) {
    if (sleeping)
        begin(Sleep, Clock::now());
    else
        end(Sleep);
}

void AwayTracker::setLocked(bool locked) {
    // Unlocking takes input: the person is at the keyboard again.
    if (locked)
        begin(Lock, Clock::now());
    else
        end(Lock | Idle);
}

void AwayTracker::resume() {
    if (m_reasons == 0)
        back();
}

void AwayTracker::begin(Reason reason, const QDateTime& since) {
    if (std::exchange(m_reasons, m_reasons | reason) == 0)
        Q_EMIT awayChanged(true);
    const Db& db = m_model.store().db();
    if (db.awaySince || !threshold())
        return;
    // Only time an entry ran through is worth asking about.
    const std::optional<Entry> running = m_model.running();
    if (!running || !startedBy(*running, since))
        return;
    m_model.setAwayState(Time::iso(since), db.away);
}

void AwayTracker::end(int reasons) {
    if ((m_reasons & reasons) == 0)
        return;
    m_reasons &= ~reasons;
    if (m_reasons == 0) {
        back();
        Q_EMIT awayChanged(false);
    }
}

void AwayTracker::back() {
    const Db& db = m_model.store().db();
    if (!db.awaySince)
        return;
    const std::optional<QDateTime> since = Time::parse(*db.awaySince);
    const QDateTime now = Clock::now();
    const std::optional<int> seconds = threshold();
    const std::optional<Entry> running = m_model.running();
    std::optional<AwayQuestion> question = db.away;
    // A newer stretch of away time replaces a question left unanswered.
    if (since && seconds && since->secsTo(now) >= *seconds && running &&
        startedBy(*running, *since))
        question = AwayQuestion{*db.awaySince, Time::iso(now), running->id};
    const bool asked = question != db.away;
    m_model.setAwayState(std::nullopt, question);
    if (asked)
        Q_EMIT questionAsked();
}

bool AwayTracker::answer(AppModel& model, Answer answer) {
    const std::optional<AwayQuestion> question = model.store().db().away;
    if (!question)
        return false;
    model.setAwayState(model.store().db().awaySince, std::nullopt);
    if (answer == Answer::Keep)
        return true;
    const std::optional<Entry> entry = model.entry(question->entryId);
    const std::optional<QDateTime> from = Time::parse(question->from);
    if (!entry || !from)
        return true;
    // The entry ends where the away time began, unless it already ended
    // earlier (changed meanwhile in the editor or elsewhere).
    const std::optional<QDateTime> ended = Time::parse(entry->endedAt);
    if (startedBy(*entry, *from) && (!entry->endedAt || !ended || *ended > *from))
        model.updateTimes(*entry, entry->startedAt, question->from);
    if (answer == Answer::Continue)
        model.start(entry->description, entry->clientId);
    return true;
}

std::optional<AwayTracker::Answer> AwayTracker::answerNamed(const QString& name) {
    if (name == u"keep"_s)
        return Answer::Keep;
    if (name == u"discard"_s)
        return Answer::Discard;
    if (name == u"continue"_s)
        return Answer::Continue;
    return std::nullopt;
}
