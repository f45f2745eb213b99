#pragma once

#include "model/AwayQuestion.h"
#include "model/AwayTracker.h"
#include "ui/admin/AdminOverlay.h"

#include <functional>

class QLabel;

// Asks what to do with away time: "Keep", "Discard" (the entry ends when the
// person left) and "Discard and continue" (it also starts again now). Escape
// keeps.
class AwayOverlayView : public AdminOverlay {
    Q_OBJECT
public:
    using OnAnswer = std::function<void(AwayTracker::Answer)>;

    AwayOverlayView(const AwayQuestion& question, OnAnswer onAnswer, QWidget* parent = nullptr);

    const AwayQuestion& question() const { return m_question; }
    QString text() const;
    TextButton* keepButton() const { return m_keep; }
    TextButton* discardButton() const { return m_discard; }
    TextButton* continueButton() const { return m_continue; }

    void answer(AwayTracker::Answer answer);

private:
    AwayQuestion m_question;
    OnAnswer m_onAnswer;
    QLabel* m_text;
    TextButton* m_keep;
    TextButton* m_discard;
    TextButton* m_continue;
};
