#pragma once

#include <QObject>

#include <functional>

class QAbstractButton;

// Gives a button one callback for its clicks. The target is a child of the
// button, so it lives exactly as long as the button; setting a new callback
// replaces the old target.
class ButtonClosureTarget : public QObject {
    Q_OBJECT
public:
    static void setButtonAction(QAbstractButton* button, std::function<void()> closure);

    void fire();

private:
    ButtonClosureTarget(QAbstractButton* button, std::function<void()> closure);

    std::function<void()> m_closure;
};
