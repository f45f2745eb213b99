#pragma once

#include <QString>

// The failure of a server call that reports one; the message is shown as is.
struct ReportError {
    QString message;

    bool operator==(const ReportError&) const = default;
};
