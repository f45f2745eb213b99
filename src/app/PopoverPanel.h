#pragma once

#include <QWidget>

class ResizeEdgesView;

// The floating panel under the tray icon: a frameless window with a painted
// rounded background and the appearance's surface tint, holding the panel's
// content and, above it, the edges that resize it.
class PopoverPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int cornerRadius = 20;
    static constexpr QSize minimumPanelSize{360, 420};

    explicit PopoverPanel(QWidget* content);

    QWidget* content() const { return m_content; }
    // Takes the content back out of the panel (it is the controller's).
    QWidget* takeContent();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QPainterPath shape() const;

    QWidget* m_content;
    ResizeEdgesView* m_edges;
};
