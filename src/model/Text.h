#pragma once

#include <QString>
#include <QStringView>

// Small text rules shared by the model and the panel.
class Text {
public:
    // The text without spaces and tabs at either end; newlines stay.
    static QStringView trimSpacesAndTabs(QStringView text);
    // A server address as stored and used: trimmed, without trailing slashes;
    // nothing else is changed.
    static QString serverBase(const QString& text);
};
