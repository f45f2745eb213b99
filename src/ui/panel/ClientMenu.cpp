#include "ui/panel/ClientMenu.h"

#include "model/Colors.h"
#include "model/Theme.h"

#include <QMenu>
#include <QPixmap>

QMenu* ClientMenu::build(const QList<Client>& clients, const std::optional<QString>& current,
                         std::function<void(const std::optional<QString>&)> onPick,
                         std::function<void()> onManage, QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->setAttribute(Qt::WA_DeleteOnClose);

    QAction* none = menu->addAction(noClient);
    none->setCheckable(true);
    none->setChecked(!current.has_value());
    QObject::connect(none, &QAction::triggered, menu, [onPick] {
        if (onPick)
            onPick(std::nullopt);
    });
    menu->addSeparator();

    for (const Client& client : clients) {
        QAction* item = menu->addAction(client.name);
        item->setData(client.id);
        item->setCheckable(true);
        item->setChecked(current && *current == client.id);
        const QColor color = colorFromHex(client.color).value_or(Theme::accentDeep());
        QIcon icon;
        icon.addPixmap(QPixmap::fromImage(colorSwatch(color, 9, 1.0)));
        icon.addPixmap(QPixmap::fromImage(colorSwatch(color, 9, 2.0)));
        item->setIcon(icon);
        QObject::connect(item, &QAction::triggered, menu, [onPick, item] {
            // Only a text id picks a client.
            const QVariant data = item->data();
            if (onPick && data.typeId() == QMetaType::QString)
                onPick(data.toString());
        });
    }
    menu->addSeparator();
    QAction* manage = menu->addAction(manageClients);
    QObject::connect(manage, &QAction::triggered, menu, [onManage] {
        if (onManage)
            onManage();
    });
    return menu;
}
