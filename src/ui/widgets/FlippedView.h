#pragma once

#include <QWidget>

// A plain container with its origin at the top-left corner and y growing
// downward. Qt's widgets already work this way; the type names the role (the
// panel's root, the list's document view).
class FlippedView : public QWidget {
    Q_OBJECT
public:
    explicit FlippedView(QWidget* parent = nullptr)
        : QWidget(parent) {}
};
