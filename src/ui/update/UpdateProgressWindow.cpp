#include "ui/update/UpdateProgressWindow.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include <cmath>

UpdateProgressWindow::UpdateProgressWindow(QWidget* parent)
    : QWidget(parent,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
    , m_label(new QLabel(this))
    , m_bar(new QProgressBar(this)) {
    setWindowTitle(QStringLiteral("Zevra Tikit"));
    setFixedSize(300, 100);
    QFont font = m_label->font();
    font.setPixelSize(13); // 12.5 points, rounded to whole pixels
    m_label->setFont(font);
    m_label->setAlignment(Qt::AlignCenter);
    m_bar->setTextVisible(false);
    m_bar->setFixedWidth(200);
    m_bar->setRange(0, 0);

    auto* stack = new QVBoxLayout(this);
    stack->setSpacing(10);
    stack->addStretch();
    stack->addWidget(m_label, 0, Qt::AlignHCenter);
    stack->addWidget(m_bar, 0, Qt::AlignHCenter);
    stack->addStretch();
}

void UpdateProgressWindow::setStep(const QString& text, double fraction) {
    m_label->setText(text);
    if (fraction < 0) {
        m_bar->setRange(0, 0);
        return;
    }
    m_bar->setRange(0, 1000);
    m_bar->setValue(int(std::lround(qBound(0.0, fraction, 1.0) * 1000)));
}

QString UpdateProgressWindow::step() const {
    return m_label->text();
}
