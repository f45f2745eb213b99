#include "app/PanelEventFilter.h"

#include "app/AppDelegate.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

PanelEventFilter::PanelEventFilter(AppDelegate* delegate)
    : QObject(delegate)
    , m_delegate(delegate) {}

bool PanelEventFilter::eventFilter(QObject* watched, QEvent* event) {
    if (!watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);

    switch (event->type()) {
    case QEvent::KeyPress: {
        // An open menu handles its own keys (Escape closes the menu only).
        if (QApplication::activePopupWidget())
            return false;
        if (!m_delegate->ownsKeyboard(widget->window()))
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        // A field editing in place takes Escape itself, to cancel the edit.
        if (key->key() == Qt::Key_Escape && widget->property("takesEscape").toBool())
            return false;
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            // Consumed here, so it never travels on to the parents.
            m_delegate->handleEscape();
            return true;
        }
        if (key->matches(QKeySequence::Paste))
            return m_delegate->handlePaste();
        return false;
    }
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton && mouse->button() != Qt::RightButton)
            return false;
        // Seen again while the press travels up the parents; the handling is
        // the same for every widget of one window, so that does no harm.
        m_delegate->handleMouseDown(widget->window(), mouse->globalPosition().toPoint());
        return false;
    }
    default:
        return false;
    }
}
