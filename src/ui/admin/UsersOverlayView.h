#pragma once

#include "api/ReportUser.h"
#include "ui/admin/AdminOverlay.h"

#include <QHash>
#include <QList>

#include <functional>

class AppModel;
class QCheckBox;
class QHBoxLayout;
class QLineEdit;
class TextLabel;

// The people on the server, for administrators: creates accounts, hands out
// keys (on the clipboard), replaces a lost key and switches accounts off and
// on. Starts loading the list when created.
class UsersOverlayView : public AdminOverlay {
    Q_OBJECT
public:
    explicit UsersOverlayView(AppModel* model, QWidget* parent = nullptr);

    std::function<void()> onDone;

    const QList<ReportUser>& users() const { return m_users; }

    void addPerson();
    void copyKey(qint64 id);
    void newKey(qint64 id);
    void setActive(qint64 id, bool active);

private:
    void load();
    // The list came: it is shown, and the keys it carries are kept.
    void showUsers(const QList<ReportUser>& users);
    void reloadRows();
    // The switch and buttons of a person's row, in their long or short form;
    // gives the width they take.
    int addControls(const ReportUser& person, std::optional<qint64> self, bool compact,
                    QHBoxLayout* line);
    void setStatus(const QString& text, bool failure = false);
    // Keys handed out while the overlay is open: the list never carries them.
    void keep(const ReportUser& person);
    const ReportUser* person(qint64 id) const;

    AppModel* m_model;
    QList<ReportUser> m_users;
    QHash<qint64, QString> m_keys;
    QVBoxLayout* m_rows;
    QLineEdit* m_nameField;
    QCheckBox* m_adminBox;
    TextLabel* m_status;
    bool m_loaded = false;
};
