#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class AppModel;
struct Entry;

// Fonts and measures shared by the entry and group rows, made once.
struct RowMetrics {
    QFont title;    // 12.5 medium
    QFont meta;     // 10.5 regular
    QFont duration; // 11.5 regular, figures of equal width
    QFont badge;    // 12 semibold
    int titleHeight;
    int metaHeight;
    int rowHeight; // content plus insets, at least 40

    static const RowMetrics& get();

    // The client dot colour and name the rows show for an entry; the tertiary
    // dot and "No client" without a model or a known client.
    struct ClientLook {
        QString name;
        QColor color;
        bool known = false;
    };
    static ClientLook clientLook(const AppModel* model, const Entry& entry);
};
