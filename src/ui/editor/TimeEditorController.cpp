#include "ui/editor/TimeEditorController.h"

#include "model/AppModel.h"
#include "ui/editor/CardPlacement.h"
#include "ui/editor/TimeEditorOverlay.h"
#include "ui/panel/TimeBox.h"

#include <QLineEdit>

TimeEditorController::TimeEditorController(AppModel* model, QWidget* host, TimeBox* box)
    : QObject(host)
    , m_model(model)
    , m_host(host)
    , m_box(box) {}

void TimeEditorController::show() {
    const std::optional<Entry> running = m_model->running();
    if (!running)
        return;
    close();
    auto* editor = new TimeEditorOverlay(*running, m_model, m_host);
    editor->adjustSize();
    const QRect boxRect(m_box->mapTo(m_host, QPoint(0, 0)), m_box->size());
    editor->setGeometry(QRect(
        CardPlacement::timeEditorOrigin(m_host->width(), boxRect, editor->size()), editor->size()));
    editor->show();
    editor->raise();
    m_editor = editor;
}

void TimeEditorController::dismissIfOutside(const QPoint& globalPos) {
    const bool inEditor = m_editor && m_editor->rect().contains(m_editor->mapFromGlobal(globalPos));
    const bool inBox = m_box->rect().contains(m_box->mapFromGlobal(globalPos));
    // A click elsewhere in the panel ends typing in the box, which applies it
    // (and so closes the editor).
    if (!inBox && !inEditor && m_box->isEditing())
        m_box->label()->clearFocus();
    if (!inEditor && !inBox)
        close();
}

void TimeEditorController::close() {
    if (m_editor) {
        m_editor->hide();
        m_editor->deleteLater();
    }
    m_editor.clear();
}

void TimeEditorController::forget() {
    m_editor.clear();
}
