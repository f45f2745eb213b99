#pragma once

#include "api/ReportUser.h"
#include "exchange/ReportExport.h"
#include "ui/report/PeriodChoice.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class AppModel;
class CheckList;
class QAbstractButton;
class QCheckBox;
class QDateEdit;
class QPushButton;
class QWidget;
class TextLabel;

// The "Reports" window: a period (preset buttons or two day pickers), people
// (administrators only) and clients to narrow it to, and the download of the
// report as a PDF or as JSON through a save dialog. The window is built on
// first use and kept until the controller goes; `onClose` runs after the
// window has closed, and the shell drops the controller then.
class ReportWindowController : public QObject {
    Q_OBJECT
public:
    using Kind = ReportExport::Kind;

    explicit ReportWindowController(AppModel* model, QObject* parent = nullptr);
    ~ReportWindowController() override;

    void setOnClose(std::function<void()> callback) { m_onClose = std::move(callback); }

    // Builds the window if needed, centres it, brings it to the front and
    // loads the filter lists.
    void show();
    // Builds the window if needed and loads the filter lists, without showing
    // it; gives the window for an off-screen picture.
    QWidget* prepareForSnapshot();
    QWidget* window() const { return m_window.get(); }

    CheckList* peopleList() const { return m_peopleList; }
    CheckList* clientList() const { return m_clientList; }

    void presetTapped(Preset preset);
    void selectJustMe();
    void selectEveryone();
    void selectAllClients();
    void downloadPDF() { exportReport(Kind::Pdf); }
    void downloadJSON() { exportReport(Kind::Json); }
    void downloadCSV() { exportReport(Kind::Csv); }
    void closeWindow();

    QString periodLabel() const;
    QString suggestedName(Kind kind) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWindow();
    QWidget* buildPresetGrid();
    QWidget* buildDates();
    QWidget* buildFilterSection(const QString& title, const QString& note, CheckList* list,
                                const QList<QPair<QString, std::function<void()>>>& buttons);
    QWidget* buildButtonRow();
    void loadFilterLists();
    void datesChanged();
    void restylePresets();
    void setBusy(bool busy, const QString& text, bool error = false);
    void exportReport(Kind kind);
    void save(Kind kind, const QByteArray& data);
    void dropWork();

    AppModel* m_model;
    std::unique_ptr<QWidget> m_window;
    std::function<void()> m_onClose;
    PeriodChoice m_period;
    QDateEdit* m_fromPicker = nullptr;
    QDateEdit* m_toPicker = nullptr;
    QList<QPushButton*> m_presetButtons;
    QWidget* m_peopleSection = nullptr;
    QWidget* m_clientSection = nullptr;
    CheckList* m_peopleList = nullptr;
    CheckList* m_clientList = nullptr;
    TextLabel* m_statusLabel = nullptr;
    QList<QAbstractButton*> m_exportButtons;
    QCheckBox* m_includeShotsBox = nullptr;
    QList<ReportUser> m_users;
    // Owns the callbacks of the export under way; deleting it drops the work.
    QPointer<QObject> m_work;
    QString m_saveDirectory;
};
