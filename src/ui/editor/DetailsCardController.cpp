#include "ui/editor/DetailsCardController.h"

#include "model/AppModel.h"
#include "ui/editor/CardPlacement.h"
#include "ui/editor/DetailsWindow.h"
#include "ui/editor/EditorView.h"
#include "ui/panel/PopoverViewController.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>

DetailsCardController::DetailsCardController(AppModel* model, PopoverViewController* panel)
    : QObject(panel)
    , m_model(model)
    , m_panel(panel) {}

DetailsCardController::~DetailsCardController() {
    // The card is a window of its own, not a child of the panel.
    delete m_window.data();
}

bool DetailsCardController::open(const QString& entryId, const std::optional<QRect>& anchorScreen) {
    const std::optional<Entry> found = m_model->entry(entryId);
    if (!found)
        return false;
    auto* editor = new EditorView(*found, m_model, m_panel);
    auto* card = new DetailsWindow(editor);
    m_editor = editor;
    m_window = card;
    m_entryId = entryId;
    QPointer<DetailsCardController> self(this);
    editor->onHeightChanged = [self] {
        if (self)
            self->refit();
    };
    position(anchorScreen);
    card->show();
    card->raise();
    card->activateWindow();
    editor->descField()->setFocus(Qt::OtherFocusReason);
    return true;
}

bool DetailsCardController::close() {
    if (!isOpen())
        return false;
    if (m_window) {
        m_window->hide();
        m_window->deleteLater();
    }
    forget();
    return true;
}

void DetailsCardController::forget() {
    m_window.clear();
    m_editor.clear();
    m_entryId.reset();
}

void DetailsCardController::follow() {
    if (!m_editor)
        return;
    if (const std::optional<Entry> stored = m_editor->storedEntry())
        m_editor->follow(*stored);
    else
        close();
}

void DetailsCardController::position(const std::optional<QRect>& anchorScreen) {
    if (!m_window)
        return;
    const QWidget* panel = m_panel->window();
    const QRect frame = panel->geometry();
    QScreen* screen = panel->screen() ? panel->screen() : QGuiApplication::primaryScreen();
    const QRect visible = screen ? screen->availableGeometry() : frame;
    CardPlacement::Place place =
        CardPlacement::place(frame, visible, m_window->height(), anchorScreen, m_lastAnchor);
    m_lastAnchor = place.anchor;
    // Native Wayland does not let windows place themselves beside others.
    if (QGuiApplication::platformName().startsWith(QStringLiteral("wayland")))
        place = CardPlacement::inside(frame, place);
    m_window->apply(place);
}

void DetailsCardController::followRow() {
    if (m_window && m_entryId)
        position(m_panel->screenRect(*m_entryId));
}

void DetailsCardController::refit() {
    if (!m_window)
        return;
    m_window->resize(CardPlacement::width, m_window->fittingHeight());
    followRow();
}
