#pragma once

#include "model/Client.h"
#include "model/Entry.h"
#include "ui/panel/SetupOverlayView.h"
#include "ui/widgets/FlippedView.h"

#include <QList>
#include <QMenu>
#include <QPair>
#include <QPointer>
#include <QSet>

#include <functional>
#include <optional>

class AppModel;
class ClockTimer;
class ComposerView;
class EntryListView;
class LayerView;
class ListRow;
class QLineEdit;
class QMimeData;
class QScrollArea;
class SuggestionListView;
class SymbolButton;
class TextButton;
class TextLabel;

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
    // When the panel hides.
    void dismissTransient();
    void clearTransientState();
    QLineEdit* composerField() const;
    void setOnOpenReports(std::function<void()> callback) { m_onOpenReports = std::move(callback); }
    // The details card's window; nothing while no card is open.
    QWidget* detailsWindow() const { return m_detailsWindow; }

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
    void openEditor(const Entry& entry, QWidget* anchor);
    void closeEditor();
    void rowHover(ListRow* row, bool inside);

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

    // --- State, for the diagnostic modes and tests ---------------------------
    AppModel* model() const { return m_model; }
    ComposerView* composer() const { return m_composer; }
    SuggestionListView* suggestionView() const { return m_suggestionView; }
    SetupOverlayView* setupOverlay() const { return m_setup; }
    QMenu* clientMenu() const { return m_clientMenu; }
    EntryListView* listView() const { return m_list; }
    QScrollArea* scrollArea() const { return m_scroll; }
    const QList<ListRow*>& rowViews() const;
    const QList<TextLabel*>& liveDurationLabels() const;
    const QList<QPair<TextLabel*, double>>& liveTotals() const;
    ListRow* hoveredRow() const { return m_hoveredRow; }
    const QSet<QString>& expandedGroups() const { return m_expandedGroups; }
    TextLabel* todayTotalLabel() const { return m_todayTotalLabel; }
    double todayBase() const { return m_todayBase; }
    TextLabel* syncLabel() const { return m_syncLabel; }
    LayerView* syncDot() const { return m_syncDot; }
    SymbolButton* usersButton() const { return m_usersButton; }
    SymbolButton* reportsButton() const { return m_reportsButton; }
    SymbolButton* settingsButton() const { return m_settingsButton; }
    TextButton* syncButton() const { return m_syncButton; }
    bool isRenamePending() const;
    // Times the list was rebuilt, and rows made, since creation.
    int rebuildCount() const { return m_rebuildCount; }
    int rowsBuilt() const;

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
    void removeTimeEditor();
    static void removeOverlay(QPointer<QWidget>& overlay);

    AppModel* m_model;
    ComposerView* m_composer = nullptr;
    LayerView* m_syncDot = nullptr;
    TextLabel* m_syncLabel = nullptr;
    QScrollArea* m_scroll = nullptr;
    EntryListView* m_list = nullptr;
    SuggestionListView* m_suggestionView = nullptr;
    SymbolButton* m_usersButton = nullptr;
    SymbolButton* m_reportsButton = nullptr;
    SymbolButton* m_settingsButton = nullptr;
    TextButton* m_syncButton = nullptr;
    TextLabel* m_todayTotalLabel = nullptr;

    // Surfaces of their own (details card, time editor, client and people
    // overlays); empty until those exist.
    QPointer<QWidget> m_editorView;
    QPointer<QWidget> m_detailsWindow;
    QPointer<QWidget> m_timeEditor;
    QPointer<SetupOverlayView> m_setup;
    QPointer<QWidget> m_newClient;
    QPointer<QWidget> m_clientsManager;
    QPointer<QWidget> m_usersManager;
    QPointer<QMenu> m_clientMenu;

    std::function<void()> m_onOpenReports;
    std::optional<QString> m_pendingClientId;
    ClockTimer* m_editDebounce = nullptr;
    ListRow* m_hoveredRow = nullptr;
    QSet<QString> m_expandedGroups;
    double m_todayBase = 0;
    int m_rebuildCount = 0;
    bool m_built = false;
};
