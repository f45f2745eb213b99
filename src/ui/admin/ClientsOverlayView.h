#pragma once

#include "model/Client.h"
#include "ui/admin/AdminOverlay.h"

#include <QList>

#include <functional>
#include <optional>

class AppModel;
class QCheckBox;
class QLineEdit;
class SwatchButton;
class TextLabel;

// Lists the clients and recolours the selected one from the palette or a
// typed hex colour. Administrators also rename a client in place (a double
// click or its pencil; Return saves, Escape cancels), archive it, and with
// "Show archived" see the archived ones greyed, each with "Restore".
class ClientsOverlayView : public AdminOverlay {
    Q_OBJECT
public:
    explicit ClientsOverlayView(AppModel* model, QWidget* parent = nullptr);

    std::function<void()> onDone;
    std::function<void()> onNewClient;

    std::optional<QString> selectedId() const { return m_selectedId; }

    // Redraw after a change of the clients.
    void refreshRows();
    void updateColorUI();

    // The row at `position` of the list.
    void selectRow(int position);
    void pickSwatch(int tag);
    void applyHex();
    void beginRename(const QString& id);

private:
    void recolour(const QString& hex);
    QWidget* makeRow(const Client& client, int position, bool admin);
    void finishRename(const QString& id, const QString& name);
    void cancelRename();
    void setArchived(const QString& id, bool archived);

    AppModel* m_model;
    QList<Client> m_clients;
    std::optional<QString> m_selectedId;
    QVBoxLayout* m_rows;
    TextLabel* m_colorLabel;
    QLineEdit* m_hexField;
    TextLabel* m_error;
    QList<SwatchButton*> m_palette;
    QCheckBox* m_showArchived;
    std::optional<QString> m_renamingId;
};
