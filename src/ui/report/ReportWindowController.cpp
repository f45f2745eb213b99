#include "ui/report/ReportWindowController.h"

#include "api/Api.h"
#include "model/AppModel.h"
#include "model/Clock.h"
#include "model/Theme.h"
#include "reports/ReportFile.h"
#include "ui/report/CheckList.h"
#include "ui/widgets/LayoutHelpers.h"
#include "ui/widgets/Style.h"
#include "ui/widgets/TextLabel.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int filterListHeight = 108;

TextLabel* sectionTitle(const QString& text) {
    return new TextLabel(text, Style::font(9.5, Style::Weight::Semibold), Style::Tone::Tertiary);
}

QPushButton* smallButton(const QString& title, std::function<void()> action) {
    auto* button = new QPushButton(title);
    button->setFont(Style::font(10.5));
    button->setAttribute(Qt::WA_MacSmallSize);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setButtonAction(button, std::move(action));
    return button;
}

QString css(const QColor& color) {
    return color.name(QColor::HexArgb);
}

// Day pickers show the locale's short date, always with four-digit years.
QString pickerFormat() {
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    if (!format.contains(u"yyyy"_s))
        format.replace(u"yy"_s, u"yyyy"_s);
    return format;
}

} // namespace

ReportWindowController::ReportWindowController(AppModel* model, QObject* parent)
    : QObject(parent)
    , m_model(model)
    , m_period(Clock::now().toLocalTime()) {}

ReportWindowController::~ReportWindowController() {
    dropWork();
}

void ReportWindowController::show() {
    if (!m_window)
        buildWindow();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = m_window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        m_window->move(frame.topLeft());
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    loadFilterLists();
}

QWidget* ReportWindowController::prepareForSnapshot() {
    if (!m_window)
        buildWindow();
    loadFilterLists();
    m_window->ensurePolished();
    m_window->layout()->activate();
    return m_window.get();
}

void ReportWindowController::closeWindow() {
    if (m_window)
        m_window->close();
}

bool ReportWindowController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window.get() && event->type() == QEvent::Close) {
        // Whatever was under way has no window to report to any more.
        dropWork();
        for (QFileDialog* dialog : m_window->findChildren<QFileDialog*>())
            dialog->reject();
        setBusy(false, QString());
        QTimer::singleShot(0, this, [this] {
            if (m_onClose)
                m_onClose();
        });
    }
    return QObject::eventFilter(watched, event);
}

void ReportWindowController::buildWindow() {
    m_window = std::make_unique<QWidget>();
    m_window->setWindowTitle(u"Reports"_s);
    m_window->resize(470, 600);
    m_window->setMinimumSize(430, 480);
    m_window->installEventFilter(this);
    // Return is the window's default action, Download PDF, from any field.
    for (const int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* shortcut = new QShortcut(QKeySequence(key), m_window.get());
        connect(shortcut, &QShortcut::activated, this, &ReportWindowController::downloadPDF);
    }

    auto* stack = new QVBoxLayout(m_window.get());
    stack->setContentsMargins(20, 18, 20, 18);
    stack->setSpacing(14);

    auto* heading = new QVBoxLayout;
    heading->setSpacing(4);
    heading->addWidget(new TextLabel(u"Report"_s, Style::font(16, Style::Weight::Semibold)));
    heading->addWidget(new TextLabel(u"Pick a period and what to include, then download it."_s,
                                     Style::font(11.5), Style::Tone::Secondary));
    stack->addLayout(heading);

    stack->addWidget(sectionTitle(u"PERIOD"_s));
    stack->addWidget(buildPresetGrid());
    stack->addWidget(buildDates());

    m_peopleList = new CheckList;
    m_peopleSection =
        buildFilterSection(u"PEOPLE"_s, u"Nothing selected = everyone."_s, m_peopleList,
                           {{u"Just me"_s, [this] { selectJustMe(); }},
                            {u"Everyone"_s, [this] { selectEveryone(); }}});
    stack->addWidget(m_peopleSection);
    m_clientList = new CheckList;
    m_clientSection =
        buildFilterSection(u"CLIENTS"_s, u"Nothing selected = all clients."_s, m_clientList,
                           {{u"All"_s, [this] { selectAllClients(); }}});
    stack->addWidget(m_clientSection);

    m_includeShotsBox = new QCheckBox(u"Include screenshots in the PDF"_s);
    m_includeShotsBox->setFont(Style::font(11.5));
    QPalette palette = m_includeShotsBox->palette();
    palette.setColor(QPalette::Highlight, Theme::accent());
    m_includeShotsBox->setPalette(palette);
    stack->addWidget(m_includeShotsBox);

    m_statusLabel = new TextLabel(QString(), Style::font(11), Style::Tone::Secondary);
    m_statusLabel->setObjectName(u"status"_s);
    stack->addWidget(m_statusLabel);
    stack->addStretch(1);
    stack->addWidget(buildButtonRow());
    restylePresets();
}

QWidget* ReportWindowController::buildPresetGrid() {
    auto* grid = new QWidget;
    auto* layout = new QGridLayout(grid);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    for (const Preset preset : Preset::all()) {
        auto* button = new QPushButton(preset.title());
        button->setCheckable(true);
        button->setMinimumHeight(26);
        setButtonAction(button, [this, preset] { presetTapped(preset); });
        layout->addWidget(button, preset.raw() / 4, preset.raw() % 4);
        m_presetButtons.append(button);
    }
    return grid;
}

QWidget* ReportWindowController::buildDates() {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    const auto column = [&](const QString& title, QDateEdit*& picker, const QDate& day) {
        auto* box = new QVBoxLayout;
        box->setSpacing(4);
        box->addWidget(sectionTitle(title));
        picker = new QDateEdit(day);
        picker->setDisplayFormat(pickerFormat());
        picker->setAccessibleName(title.left(1) + title.mid(1).toLower());
        connect(picker, &QDateEdit::dateChanged, this, [this] { datesChanged(); });
        box->addWidget(picker);
        layout->addLayout(box);
    };
    column(u"FROM"_s, m_fromPicker, m_period.from());
    column(u"TO"_s, m_toPicker, m_period.to());
    layout->addStretch(1);
    return row;
}

QWidget* ReportWindowController::buildFilterSection(
    const QString& title, const QString& note, CheckList* list,
    const QList<QPair<QString, std::function<void()>>>& buttons) {
    auto* section = new QWidget;
    auto* layout = new QVBoxLayout(section);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    auto* header = new QHBoxLayout;
    header->setSpacing(8);
    header->addWidget(sectionTitle(title));
    header->addStretch(1);
    for (const auto& [text, action] : buttons)
        header->addWidget(smallButton(text, action));
    layout->addLayout(header);
    layout->addWidget(new TextLabel(note, Style::font(10), Style::Tone::Tertiary));
    list->setFixedHeight(filterListHeight);
    layout->addWidget(list);
    return section;
}

QWidget* ReportWindowController::buildButtonRow() {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    auto* close = new QPushButton(u"Close"_s);
    setButtonAction(close, [this] { closeWindow(); });
    layout->addWidget(close);
    layout->addStretch(1);
    auto* csv = new QPushButton(u"Download CSV"_s);
    csv->setFixedHeight(30);
    csv->setMinimumWidth(csv->sizeHint().width() + 16);
    setButtonAction(csv, [this] { downloadCSV(); });
    layout->addWidget(csv);
    auto* json = new QPushButton(u"Download JSON"_s);
    json->setFixedHeight(30);
    json->setMinimumWidth(json->sizeHint().width() + 16);
    setButtonAction(json, [this] { downloadJSON(); });
    layout->addWidget(json);
    auto* pdf = new QPushButton(u"Download PDF"_s);
    pdf->setFixedSize(146, 30);
    pdf->setFont(Style::font(12.5, Style::Weight::Semibold));
    pdf->setStyleSheet(
        u"QPushButton { background: %1; color: %2; border: none; border-radius: 7px; }"
        "QPushButton:disabled { background: %3; }"_s.arg(
            css(Theme::accent()), css(Theme::onAccent()),
            css(Style::withAlpha(Theme::accent(), 0.45))));
    setButtonAction(pdf, [this] { downloadPDF(); });
    layout->addWidget(pdf);
    m_exportButtons = {csv, json, pdf};
    return row;
}

void ReportWindowController::restylePresets() {
    const std::optional<Preset> active = m_period.active();
    for (QPushButton* button : std::as_const(m_presetButtons)) {
        const bool on = active && active->raw() == m_presetButtons.indexOf(button);
        button->setChecked(on);
        button->setFont(Style::font(11.5, on ? Style::Weight::Semibold : Style::Weight::Regular));
        button->setStyleSheet(
            on ? u"QPushButton { background: %1; color: %2; border: none; border-radius: 6px; }"_s
                     .arg(css(Theme::accent()), css(Theme::onAccent()))
               : QString());
    }
}

void ReportWindowController::presetTapped(Preset preset) {
    m_period.choose(preset, Clock::now().toLocalTime());
    if (m_fromPicker) {
        const QSignalBlocker blockFrom(m_fromPicker);
        const QSignalBlocker blockTo(m_toPicker);
        m_fromPicker->setDate(m_period.from());
        m_toPicker->setDate(m_period.to());
    }
    restylePresets();
}

void ReportWindowController::datesChanged() {
    m_period.setDates(m_fromPicker->date(), m_toPicker->date());
    restylePresets();
}

QString ReportWindowController::periodLabel() const {
    return ReportExport::periodLabel(m_period.from(), m_period.to());
}

QString ReportWindowController::suggestedName(Kind kind) const {
    return ReportExport::suggestedName(m_period.from(), m_period.to(), kind);
}

void ReportWindowController::loadFilterLists() {
    // Archived clients stay: their entries are reported like any others.
    QList<Client> clients = m_model->clients(true);
    clients.removeIf([](const Client& c) { return !c.serverId; });
    QList<CheckList::Item> clientItems;
    for (const Client& client : clients)
        clientItems.append(
            {*client.serverId, client.archived ? client.name + u" (archived)"_s : client.name});
    m_clientList->setItems(clientItems, u"No clients yet."_s);
    m_clientSection->show();

    const Settings& settings = m_model->store().db().settings;
    m_peopleSection->setVisible(settings.isAdmin);
    if (!settings.isAdmin)
        return;
    if (m_users.isEmpty())
        m_peopleList->setItems({}, u"Loading people…"_s);
    Api::fetchUsers(m_model->store(), this, [this](const QList<ReportUser>& users) {
        m_users = users;
        const std::optional<qint64> me = m_model->store().db().settings.userId;
        QList<CheckList::Item> items;
        for (const ReportUser& user : users)
            items.append({user.id, user.id == me ? user.name + u" (you)"_s : user.name});
        m_peopleList->setItems(items, u"No people on the server."_s);
    });
}

void ReportWindowController::selectJustMe() {
    if (const std::optional<qint64> me = m_model->store().db().settings.userId)
        m_peopleList->select({*me});
}

void ReportWindowController::selectEveryone() {
    m_peopleList->select(m_peopleList->allIds());
}

void ReportWindowController::selectAllClients() {
    m_clientList->select(m_clientList->allIds());
}

void ReportWindowController::setBusy(bool busy, const QString& text, bool error) {
    for (QAbstractButton* button : std::as_const(m_exportButtons))
        button->setEnabled(!busy);
    if (!m_statusLabel)
        return;
    m_statusLabel->setText(text);
    if (error)
        m_statusLabel->setColor(Theme::stop());
    else
        m_statusLabel->setTone(Style::Tone::Secondary);
}

void ReportWindowController::dropWork() {
    delete m_work;
}

void ReportWindowController::exportReport(Kind kind) {
    if (!m_window)
        return;
    const Settings& settings = m_model->store().db().settings;
    ReportExport::Request request;
    request.from = m_period.from();
    request.to = m_period.to();
    request.kind = kind;
    request.screenshots = kind == Kind::Pdf && m_includeShotsBox->isChecked();
    request.clientIds = m_clientList->selectedIds();
    // Boxes checked while this person was an administrator no longer count.
    if (settings.isAdmin)
        request.userIds = m_peopleList->selectedIds();
    request.filters = ReportExport::filterLine(request.clientIds, m_model->clients(true),
                                               settings.isAdmin, request.userIds, m_users);

    dropWork();
    m_work = new QObject(this);
    setBusy(true, QString());
    ReportExport::run(
        m_model->store(), request, m_work, [this](const QString& text) { setBusy(true, text); },
        [this, kind](const ReportExport::Outcome& outcome) {
            if (outcome.error)
                return setBusy(false, *outcome.error, true);
            setBusy(false, outcome.empty ? u"No time entries in that period."_s : QString());
            save(kind, outcome.data);
        });
}

void ReportWindowController::save(Kind kind, const QByteArray& data) {
    if (!m_window || !m_window->isVisible())
        return;
    if (m_saveDirectory.isEmpty()) {
        m_saveDirectory = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (!QDir(m_saveDirectory).exists())
            m_saveDirectory = QDir::homePath();
    }
    auto* dialog = new QFileDialog(m_window.get(), u"Save Report"_s, m_saveDirectory);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    const QString suffix = kind == Kind::Pdf ? u"pdf"_s : kind == Kind::Csv ? u"csv"_s : u"json"_s;
    dialog->setNameFilter(kind == Kind::Pdf   ? u"PDF document (*.pdf)"_s
                          : kind == Kind::Csv ? u"CSV file (*.csv)"_s
                                              : u"JSON file (*.json)"_s);
    dialog->setDefaultSuffix(suffix);
    dialog->selectFile(suggestedName(kind));
    connect(dialog, &QFileDialog::fileSelected, this, [this, data](const QString& path) {
        m_saveDirectory = QFileInfo(path).absolutePath();
        if (const std::optional<QString> error = ReportFile::write(path, data))
            return setBusy(false, *error, true);
        setBusy(false, u"Saved "_s + QFileInfo(path).fileName());
    });
    dialog->open();
}
