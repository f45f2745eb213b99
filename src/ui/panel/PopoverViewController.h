#pragma once

#include "model/Client.h"
#include "model/Entry.h"
#include "ui/widgets/FlippedView.h"

#include <QList>
#include <QPointer>
#include <QRect>
#include <QSet>

#include <functional>
#include <optional>

class AppModel;
class ClockTimer;
class ComposerView;
class DetailsCardController;
class EditorView;
class PanelOverlays;
class QMenu;
class SetupOverlayView;
class EntryListView;
class LayerView;
class ListRow;
class QLineEdit;
class QMimeData;
class SuggestionListView;
class SymbolButton;
class TextLabel;
class TimeEditorController;
class TimeEditorOverlay;

// Everything inside the main floating panel: the header, the composer, today's
// total, the entry list and the sync line, and the surfaces that open over
// them. It never changes data itself: every change goes through the model, and
// every change comes back as reload(). Main thread only.
//
// The controller is the panel's root view.
class PopoverViewController : public FlippedView {
    Q_OBJECT
public:
    explicit PopoverViewController(AppModel* model, QWidget* parent = nullptr);
    ~PopoverViewController() override;

    // --- Called by the application shell ---------------------------------
    QWidget* view() { return this; }
    // After every model change and whenever the panel is shown.
    void reload();
    // Once a second while an entry runs: rewrites only the running figures.
    void updateLiveTime();
    // Escape: closes the topmost closable surface; true when one was closed.
    bool handleEscape();
    // "png" when the clipboard holds an image, else nothing.
    static std::optional<QString> clipboardImageExt(const QMimeData* mime);
    // A pasted image: to the open card's entry, else the running entry, else
    // kept for the next start.
    void handlePasteScreenshot(const QByteArray& data, const QString& ext);
    // Every mouse-down in the panel: closes the time editor when outside it.
    void dismissTimeEditor(const QPoint& globalPos);
    // An overlay covers the panel or the card: keys are its own.
    bool hasOverlay() const;
    PanelOverlays* overlays() const { return m_overlays; }
    // When the panel hides.
    void dismissTransient();
    void clearTransientState();
    QLineEdit* composerField() const;
    void setOnOpenReports(std::function<void()> callback) { m_onOpenReports = std::move(callback); }
    // The details card's window; nothing while no card is open.
    QWidget* detailsWindow() const;
    // The entry editor in the card, and the time editor; nothing while closed.
    EditorView* editorView() const;
    TimeEditorOverlay* timeEditor() const;

    // --- Called by the composer --------------------------------------------
    void toggleStartStop(const QString& description);
    void descriptionEdited(const QString& text);
    void applyComposerDuration(const QString& text);
    void showTimeEditor();
    void showClientMenu(QWidget* anchor);
    void removePendingShot(const QString& id);
    std::optional<QString> pendingClientId() const { return m_pendingClientId; }
    void hideSuggestions();

    // --- Called by the rows ------------------------------------------------
    // The details card for the entry beside the panel, its arrow at the
    // anchor (a row) or, without one, where the last card pointed.
    void openEditor(const Entry& entry, QWidget* anchor);
    void closeEditor();
    // Places the open card for an anchor in screen coordinates.
    void positionDetails(const std::optional<QRect>& anchorScreen);
    // The screen rectangle of the row that lists the entry, if one does.
    std::optional<QRect> screenRect(const QString& entryId) const;
    // The list scrolled or the panel moved: the card follows its row.
    void listScrolled();
    void mainWindowFrameChanged();
    void rowHover(ListRow* row, bool inside);
    // Up or Down on a row: the focus goes to the row above or below it.
    void focusNeighbourRow(ListRow* row, int step);

    // --- Header, menus, overlays -------------------------------------------
    void openSettings();
    void openUsers();
    void openReports();
    void tapSync();
    void showClientsManager();
    void showUsersManager();
    void promptNewClient(std::function<void(const Client&)> onCreated = {});
    void setComposerClient(const std::optional<QString>& clientId);
    // The suggestion list for a text, as typing shows it.
    void showSuggestions(const QString& text);
    // A row of the suggestion list was picked.
    void pickSuggestion(int index);
    // The setup overlay closed itself.
    void setupClosed(SetupOverlayView* overlay);

    // --- For the rows ----------------------------------------------------------
    AppModel* model() const { return m_model; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildView();
    void rebuildList();
    void updateSyncRow();
    void updateTodayTotal();
    void placeSuggestions();
    void renameRunning();
    void flushPendingRename();

    AppModel* m_model;
    ComposerView* m_composer = nullptr;
    LayerView* m_syncDot = nullptr;
    TextLabel* m_syncLabel = nullptr;
    EntryListView* m_list = nullptr;
    SuggestionListView* m_suggestionView = nullptr;
    SymbolButton* m_usersButton = nullptr;
    TextLabel* m_todayTotalLabel = nullptr;
    DetailsCardController* m_card = nullptr;
    PanelOverlays* m_overlays = nullptr;
    QPointer<QMenu> m_clientMenu;
    TimeEditorController* m_timeEditor = nullptr;

    std::function<void()> m_onOpenReports;
    std::optional<QString> m_pendingClientId;
    ClockTimer* m_editDebounce = nullptr;
    ListRow* m_hoveredRow = nullptr;
    QSet<QString> m_expandedGroups;
    double m_todayBase = 0;
    bool m_built = false;
};
