#pragma once

#include "ui/editor/TimeEditorOverlay.h"

#include <QObject>
#include <QPointer>

class AppModel;
class QWidget;
class TimeBox;

// The small time editor under the composer's time box: opened for the
// running entry, closed by a click outside it and the box, by a typed
// duration, or when the panel hides.
class TimeEditorController : public QObject {
    Q_OBJECT
public:
    // `host` is the panel's root view; `box` the composer's time box in it.
    TimeEditorController(AppModel* model, QWidget* host, TimeBox* box);

    // Opens a new editor for the running entry; nothing when none runs.
    void show();
    // A mouse-down at a screen point: closes the editor, and ends typing in
    // the time box, when it falls outside both the editor and the box.
    void dismissIfOutside(const QPoint& globalPos);
    void close();
    void forget();
    TimeEditorOverlay* editor() const { return m_editor; }

private:
    AppModel* m_model;
    QWidget* m_host;
    TimeBox* m_box;
    QPointer<TimeEditorOverlay> m_editor;
};
