#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

// The small window shown while an update downloads and installs: a title bar
// without buttons, the current step, and a progress bar (busy while the size
// is unknown).
class UpdateProgressWindow : public QWidget {
    Q_OBJECT
public:
    explicit UpdateProgressWindow(QWidget* parent = nullptr);

    void setStep(const QString& text, double fraction);
    QString step() const;

private:
    QLabel* m_label;
    QProgressBar* m_bar;
};
