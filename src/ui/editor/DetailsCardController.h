#pragma once

#include "model/Entry.h"
#include "ui/editor/DetailsWindow.h"
#include "ui/editor/EditorView.h"

#include <QObject>
#include <QPointer>
#include <QRect>

#include <optional>

class AppModel;
class PopoverViewController;

// The details card beside the panel: opens it on one entry, keeps it beside
// that entry's row while the list scrolls or the panel moves, brings it the
// stored entry after every change of the model, and closes it (without
// saving) once its entry is gone.
class DetailsCardController : public QObject {
    Q_OBJECT
public:
    DetailsCardController(AppModel* model, PopoverViewController* panel);
    ~DetailsCardController() override;

    // The card for the stored entry with that id, its arrow at the anchor (a
    // row, in screen coordinates) or, without one, where the last card pointed.
    // False when no such entry is stored.
    bool open(const QString& entryId, const std::optional<QRect>& anchorScreen);
    // Hides the card and lets go of it; false when none was open.
    bool close();
    // Lets go of the card without touching it (the panel is being torn down).
    void forget();
    // The model changed: the card follows its entry, or closes when the entry
    // is gone.
    void follow();
    // Places the open card for an anchor in screen coordinates.
    void position(const std::optional<QRect>& anchorScreen);
    // The card goes where its entry's row now is.
    void followRow();
    // The card takes the height its content needs (pictures or an overlay
    // came or went) and goes to its row.
    void refit();

    bool isOpen() const { return m_window || m_editor; }
    DetailsWindow* window() const { return m_window; }
    EditorView* editor() const { return m_editor; }

private:
    AppModel* m_model;
    PopoverViewController* m_panel;
    QPointer<DetailsWindow> m_window;
    QPointer<EditorView> m_editor;
    std::optional<QString> m_entryId;
    std::optional<QRect> m_lastAnchor;
};
