#pragma once

#include "ui/panel/ResizeGeometry.h"

#include <QPointer>
#include <QWidget>

// A transparent layer over the panel's content that resizes the panel window
// from its edges and corners. Only the edge strips and corner squares take the
// pointer; everything else reaches the content below.
class ResizeEdgesView : public QWidget {
    Q_OBJECT
public:
    explicit ResizeEdgesView(QWidget* parent = nullptr);

    void setTargetWindow(QWidget* window) { m_targetWindow = window; }
    QWidget* targetWindow() const { return m_targetWindow; }
    ResizeGeometry::Mode mode() const { return m_mode; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;

private:
    void updateCursor(QPointF position);

    QPointer<QWidget> m_targetWindow;
    QRect m_startFrame;
    QPoint m_startPoint;
    ResizeGeometry::Mode m_mode = ResizeGeometry::Mode::None;
};
