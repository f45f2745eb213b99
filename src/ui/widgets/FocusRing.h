#pragma once

#include <QPointer>
#include <QWidget>

// The ring in the accent colour around whatever has the focus when it came
// by the keyboard (Tab, Shift+Tab, a shortcut), so a keyboard-only day always
// shows where the keys go; a click shows none. One for the application.
class FocusRing : public QWidget {
    Q_OBJECT
public:
    // Once, after the application object exists.
    static void install();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    FocusRing();
    void follow(QWidget* target);

    QPointer<QWidget> m_target;
};
