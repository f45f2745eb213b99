#pragma once

#include <QStringView>

// Small text rules shared by the model and the panel.
class Text {
public:
    // The text without spaces and tabs at either end; newlines stay.
    static QStringView trimSpacesAndTabs(QStringView text);
};
