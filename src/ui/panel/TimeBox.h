#pragma once

#include "ui/widgets/LayerView.h"

#include <functional>

class QLineEdit;

// The composer's running time, which is also an input: clicking it selects
// the figure for typing a duration; Return or leaving the box hands over what
// was typed.
class TimeBox : public LayerView {
    Q_OBJECT
public:
    explicit TimeBox(QWidget* parent = nullptr);

    QLineEdit* label() const { return m_label; }
    // The label has the keyboard focus: the ticker leaves its text alone.
    bool isEditing() const;
    // Shows a figure unless the label is being edited.
    void showTime(const QString& text);
    // Drops what is being typed and shows the figure again (Escape, the panel
    // hiding); false when nothing was being edited.
    bool cancelEditing();

    std::function<void()> onBeginEditing;
    std::function<void(const QString&)> onCommit;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void beginEditing();
    void endEditing();

    QLineEdit* m_label;
    QString m_shown; // the figure before editing began
    bool m_edited = false;
    bool m_hovered = false;
};
