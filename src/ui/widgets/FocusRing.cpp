#include "ui/widgets/FocusRing.h"

#include "model/Theme.h"

#include <QApplication>
#include <QFocusEvent>
#include <QPainter>

FocusRing::FocusRing()
    : QWidget(nullptr) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void FocusRing::install() {
    static QPointer<FocusRing> ring;
    if (ring || !qApp)
        return;
    ring = new FocusRing;
    ring->setParent(nullptr);
    qApp->installEventFilter(ring);
    connect(qApp, &QCoreApplication::aboutToQuit, ring, &QObject::deleteLater);
}

bool FocusRing::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && watched->isWidgetType()) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        const bool keyboard = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                              reason == Qt::ShortcutFocusReason;
        follow(keyboard ? static_cast<QWidget*>(watched) : nullptr);
    } else if (event->type() == QEvent::FocusOut && watched == m_target) {
        follow(nullptr);
    } else if (watched == m_target &&
               (event->type() == QEvent::Move || event->type() == QEvent::Resize ||
                event->type() == QEvent::Hide)) {
        follow(event->type() == QEvent::Hide ? nullptr : m_target.data());
    }
    return false;
}

void FocusRing::follow(QWidget* target) {
    m_target = target;
    QWidget* host = target ? target->parentWidget() : nullptr;
    if (!host) {
        hide();
        return;
    }
    setParent(host);
    // Over the widget itself: its parent (a card, a list) clips anything wider.
    setGeometry(target->geometry());
    raise();
    show();
}

void FocusRing::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Theme::accent(), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 5, 5);
}
