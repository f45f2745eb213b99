#pragma once

#include <QPointer>
#include <QWidget>

#include <optional>

class AppModel;
class AwaySettingRow;
class PopoverViewController;
class ReminderSettingsView;
class QLineEdit;
class TextButton;
class TextLabel;

// Connects the tracker to a server: a dimmed backdrop over the whole panel
// with a small card asking for the server address and the API key.
class SetupOverlayView : public QWidget {
    Q_OBJECT
public:
    SetupOverlayView(AppModel* model, PopoverViewController* controller, QWidget* parent = nullptr);

    QLineEdit* serverField() const { return m_server; }
    QLineEdit* keyField() const { return m_key; }
    QString errorText() const;
    TextButton* saveButton() const { return m_save; }
    // "Trust this certificate", shown while the server's certificate is one
    // this system does not trust; nothing otherwise.
    TextButton* trustButton() const { return m_trust; }
    // The host of an http:// address that is not this machine: a key sent
    // there travels unencrypted.
    static std::optional<QString> clearTextHost(const QString& server);
    TextButton* cancelButton() const { return m_cancel; }
    ReminderSettingsView* reminderRows() const { return m_reminders; }

    // "Save & connect": both fields filled, stores them and starts a sync.
    void save();
    // Closes without saving.
    void cancel();
    // Puts the keyboard focus in the first empty field (the key when the
    // address is filled), so typing never reaches the panel behind.
    void focusFirstField();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void dismiss();

    AppModel* m_model;
    QPointer<PopoverViewController> m_controller;
    QLineEdit* m_server;
    QLineEdit* m_key;
    AwaySettingRow* m_away;
    ReminderSettingsView* m_reminders;
    TextLabel* m_error;
    TextButton* m_save;
    TextButton* m_trust = nullptr;
    // The address last warned about: saving it again keeps it.
    QString m_warnedFor;
    TextButton* m_cancel;
};
