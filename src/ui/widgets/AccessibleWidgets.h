#pragma once

class QAccessibleInterface;
class QObject;
class QString;

// Gives the panel's painted widgets a role for assistive technologies (their
// names they set themselves): labels are static text, or the status bar for
// the sync line; the rows of the list are list items and the day headers
// headings; the client chip and the picture tiles are buttons.
class AccessibleWidgets {
public:
    // Once, before the first window shows.
    static void install();

private:
    static QAccessibleInterface* create(const QString& className, QObject* object);
};
