#pragma once

#include <QObject>

class AppDelegate;

// The application-wide event filter while the panel is shown: Escape closes
// surfaces in order, Ctrl+V hands clipboard pictures to the panel (text paste
// goes on as usual), and mouse presses elsewhere in the application close it.
class PanelEventFilter : public QObject {
    Q_OBJECT
public:
    explicit PanelEventFilter(AppDelegate* delegate);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    AppDelegate* m_delegate;
};
