#include "ui/widgets/AccessibleWidgets.h"

#include "ui/widgets/AccessiblePainted.h"
#include "ui/widgets/Spoken.h"
#include "ui/widgets/TextLabel.h"

#include <QWidget>

using namespace Qt::StringLiterals;

void AccessibleWidgets::install() {
    static bool installed = false;
    if (!installed)
        QAccessible::installFactory(&AccessibleWidgets::create);
    installed = true;
}

QAccessibleInterface* AccessibleWidgets::create(const QString& className, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget)
        return nullptr;
    QAccessible::Role role = QAccessible::NoRole;
    if (className == u"TextLabel"_s)
        role = widget->objectName() == u"syncLine"_s ? QAccessible::StatusBar
                                                     : QAccessible::StaticText;
    else if (className == u"EntryRowView"_s || className == u"GroupRowView"_s)
        role = QAccessible::ListItem;
    else if (className == u"ChipView"_s || className == u"ShotTile"_s)
        role = QAccessible::Button;
    else if (widget->objectName() == u"dayHeader"_s)
        role = QAccessible::Heading;
    else if (className == u"Previewer"_s)
        role = QAccessible::Graphic;
    if (role == QAccessible::NoRole)
        return nullptr;
    // A label says its text, a figure as words.
    auto* label = qobject_cast<TextLabel*>(widget);
    return new AccessiblePainted(
        widget, role, [label] { return label ? Spoken::figure(label->text()) : QString(); });
}
