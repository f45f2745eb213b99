#include "ui/widgets/AccessiblePainted.h"

#include <QWidget>

AccessiblePainted::AccessiblePainted(QWidget* widget, QAccessible::Role role,
                                     std::function<QString()> name)
    : QAccessibleWidget(widget, role)
    , m_name(std::move(name)) {}

QAccessible::State AccessiblePainted::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    if (text(QAccessible::Name).trimmed().isEmpty())
        state.invisible = true;
    return state;
}

QString AccessiblePainted::text(QAccessible::Text kind) const {
    if (kind == QAccessible::Name && widget()->accessibleName().isEmpty() && m_name)
        return m_name();
    return QAccessibleWidget::text(kind);
}
