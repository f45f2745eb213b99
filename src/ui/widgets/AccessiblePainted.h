#pragma once

#include <QAccessibleWidget>

#include <functional>

// The accessible face of a widget that paints its content: a role, and a
// name read from the widget whenever it is asked for (an explicit accessible
// name wins).
class AccessiblePainted : public QAccessibleWidget {
public:
    AccessiblePainted(QWidget* widget, QAccessible::Role role, std::function<QString()> name);

    QString text(QAccessible::Text kind) const override;
    // Nothing to read (an empty label) is nothing to show.
    QAccessible::State state() const override;

private:
    std::function<QString()> m_name;
};
