#include "app/AppDelegate.h"

#include "api/Api.h"
#include "api/HttpCall.h"
#include "app/Autostart.h"
#include "app/AwayWatch.h"
#include "app/CommandRunner.h"
#include "app/DesktopSession.h"
#include "app/DiagnosticOutput.h"
#include "app/EscapeRouter.h"
#include "app/PanelEventFilter.h"
#include "app/PanelGeometry.h"
#include "app/PanelSwitches.h"
#include "app/PopoverPanel.h"
#include "app/ReminderWatch.h"
#include "app/SingleInstance.h"
#include "app/TrayMenu.h"
#include "app/TrayTitle.h"
#include "exchange/Importer.h"
#include "model/AppModel.h"
#include "model/Clock.h"
#include "model/Theme.h"
#include "ui/panel/PopoverViewController.h"
#include "ui/report/ReportWindowController.h"
#include "ui/shots/Previewer.h"
#include "ui/widgets/AccessibleWidgets.h"
#include "ui/widgets/FocusRing.h"
#include "ui/widgets/Icons.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QSettings>

#include <cstdio>

namespace {

constexpr int tickMs = 1000;
constexpr int previewWarmUpMs = 1500;
constexpr int syncMs = 60 * 1000;
constexpr int firstUpdateCheckMs = 6 * 1000;
constexpr int updateCheckMs = 21600 * 1000;
constexpr int autoHideGuardMs = 300;
constexpr int statusItemSlop = 6;

QSettings panelSettings() {
    return QSettings(QStringLiteral("zevra"), QStringLiteral("tikit"));
}

// The tray's timer symbol on a round badge, so it reads on light and dark
// panels alike (and on trays that cannot show transparency): a grey badge
// while idle, the accent colour while an entry runs.
QIcon makeTrayIcon(bool running) {
    const QColor badge = running ? Theme::accent() : QColor(0x6b, 0x72, 0x80);
    const QColor glyph = running ? Theme::onAccent() : QColor(Qt::white);
    const QString name = running ? QStringLiteral("timer.running") : QStringLiteral("timer");
    QIcon icon;
    for (int side : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(badge);
        painter.drawEllipse(QRectF(0.5, 0.5, side - 1.0, side - 1.0));
        const int inset = qMax(2, side / 6);
        painter.drawPixmap(inset, inset, Icons::pixmap(name, side - 2 * inset, glyph));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

void printLine(const QString& text) {
    std::fputs(text.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

int AppDelegate::exec(int& argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fprintf(stderr,
                     "zevra-tikit: there is no graphical display (DISPLAY and "
                     "WAYLAND_DISPLAY are not set); the tray app needs a desktop session\n");
        return 1;
    }
    DesktopSession::choosePlatform();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zevra-tikit"));
    QApplication::setApplicationDisplayName(QStringLiteral("Zevra Tikit"));
    QApplication::setApplicationVersion(QStringLiteral(ZEVRA_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("zevra-tikit"));
    // No main window: closing a window never ends the application.
    QApplication::setQuitOnLastWindowClosed(false);
    AccessibleWidgets::install();
    FocusRing::install();

    const std::optional<QString> dir = DiagnosticOutput::dataDirectory();
    if (!dir)
        return 1;
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        std::fprintf(stderr, "zevra-tikit: no system tray is running yet; the icon appears when "
                             "one starts\n");

    // One copy per data folder: a second start opens the first one's panel.
    SingleInstance instance(*dir);
    if (!instance.tryLock()) {
        Command show;
        show.verb = Command::Verb::Show;
        const std::optional<CommandResult> shown = SingleInstance::ask(*dir, show, 3000);
        if (shown && shown->status == 0) {
            printLine(QStringLiteral("zevra-tikit is already running; its panel was opened."));
            return 0;
        }
        // Perhaps a command line finishing its work: wait for it a little.
        if (!instance.tryLock(SingleInstance::lockWaitMs)) {
            std::fprintf(stderr, "zevra-tikit: another copy is using %s and does not answer\n",
                         qPrintable(*dir));
            return 1;
        }
    }

    auto model = std::make_unique<AppModel>(*dir);
    Api::connect(*model);
    AppDelegate delegate(std::move(model));
    if (!instance.listen([&delegate](const Command& command, CommandRunner::Done done) {
            delegate.carryOut(command, std::move(done));
        }))
        std::fprintf(stderr, "zevra-tikit: other starts cannot reach this copy\n");
    QTimer::singleShot(0, &delegate, &AppDelegate::applicationDidFinishLaunching);
    const int status = app.exec();
    // Requests still under way end here, while their objects can be freed.
    HttpCall::abortAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return status;
}

void AppDelegate::carryOut(const Command& command, CommandRunner::Done done) {
    if (command.verb == Command::Verb::Show) {
        showPanel();
        return done(CommandResult::ok(QStringLiteral("The panel is open.")));
    }
    if (command.verb == Command::Verb::Quit) {
        done(CommandResult::ok(QStringLiteral("Zevra Tikit quits.")));
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        return;
    }
    if (command.verb == Command::Verb::Toggle) {
        // A key binding: the panel opens where the person looks, at the pointer.
        m_anchorAtPointer = true;
        togglePanel();
        m_anchorAtPointer = false;
        return done(CommandResult::ok(isPanelVisible() ? QStringLiteral("The panel is open.")
                                                       : QStringLiteral("The panel is closed.")));
    }
    CommandRunner::run(*m_model, command, std::move(done));
    // Changes from the command line go out like the panel's own.
    if (command.verb != Command::Verb::Sync)
        m_model->syncNow();
}

AppDelegate::AppDelegate(std::unique_ptr<AppModel> model, QObject* parent)
    : QObject(parent)
    , m_model(std::move(model)) {
    QSettings settings = panelSettings();
    m_size =
        PanelGeometry::sizeFromStored(settings.value(QStringLiteral("panelWidth")).toDouble(),
                                      settings.value(QStringLiteral("panelHeight")).toDouble());
}

AppDelegate::~AppDelegate() {
    removeMonitors();
    delete m_panel;
    delete m_controller;
    delete m_menu;
}

void AppDelegate::applicationDidFinishLaunching() {
    m_menu = new TrayMenu(TrayMenu::Actions{
        [this] { openFromMenu(); },
        [this] { syncFromMenu(); },
        [this] { importFromMenu(); },
        [this] { checkForUpdatesFromMenu(); },
        [] { return Autostart::isEnabled(); },
        [](bool enabled) {
            if (const std::optional<QString> error =
                    Autostart::setEnabled(enabled, Autostart::currentExecutable()))
                std::fprintf(stderr, "zevra-tikit: %s\n", qPrintable(*error));
        },
        [] { QCoreApplication::quit(); },
    });
    m_tray = new QSystemTrayIcon(this);
    setRunningIcon(false);
    m_tray->setContextMenu(m_menu);
    connect(m_tray, &QSystemTrayIcon::activated, this, &AppDelegate::statusItemActivated);
    m_tray->show();

    QPointer<AppDelegate> self(this);
    m_model->setOnChange([self] {
        if (!self)
            return;
        self->refreshStatusItem();
        if (self->m_controller)
            self->m_controller->reload();
        self->m_away->modelChanged();
        if (self->m_reminders)
            self->m_reminders->modelChanged();
    });
    m_away = new AwayWatch(*m_model, m_tray, this);
    connect(m_away, &AwayWatch::panelWanted, this, &AppDelegate::openFromMenu);
    m_away->start();
    m_reminders = new ReminderWatch(*m_model, m_away->tracker(), m_tray, this);
    connect(m_reminders, &ReminderWatch::panelWanted, this, &AppDelegate::openFromMenu);
    refreshStatusItem();
    m_model->syncNow();

    QTimer::singleShot(previewWarmUpMs, this, &AppDelegate::warmUpPreview);

    m_ticker.setInterval(tickMs);
    connect(&m_ticker, &QTimer::timeout, this, &AppDelegate::tick);
    m_ticker.start();
    m_syncTimer.setInterval(syncMs);
    connect(&m_syncTimer, &QTimer::timeout, this, [this] { m_model->syncNow(); });
    m_syncTimer.start();

    m_updater.onAvailable = [self](const Release& release) {
        if (self && UpdateDialogs::offer(release, UpdateChecker::currentVersion()))
            self->m_updater.install(release, self->m_model->store());
    };
    QTimer::singleShot(firstUpdateCheckMs, this, [this] { checkForUpdates(false); });
    m_updateTimer.setInterval(updateCheckMs);
    connect(&m_updateTimer, &QTimer::timeout, this, [this] { checkForUpdates(false); });
    m_updateTimer.start();

    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            &AppDelegate::applicationStateChanged);

    if (qEnvironmentVariableIsSet("ZEVRA_SHOW_POPOVER"))
        QTimer::singleShot(400, this, [this] { showPanel(); });
}

void AppDelegate::setRunningIcon(bool running) {
    // Some tray hosts write every new icon to a file: set it only on a change.
    if (m_iconRunning == running)
        return;
    m_iconRunning = running;
    m_tray->setIcon(makeTrayIcon(running));
}

void AppDelegate::refreshStatusItem() {
    showStatus(m_model->running());
}

void AppDelegate::showStatus(const std::optional<Entry>& running) {
    if (!m_tray)
        return;
    m_tray->setToolTip(TrayTitle::tooltip(TrayTitle::text(running, Clock::now())));
    setRunningIcon(running.has_value());
}

void AppDelegate::tick() {
    const std::optional<Entry> running = m_model->running();
    if (!running)
        return;
    showStatus(running);
    if (m_controller)
        m_controller->updateLiveTime();
}

void AppDelegate::warmUpPreview() {
    // Once, so that the first preview opens without delay.
    Previewer::shared().warmUp();
}

void AppDelegate::checkForUpdates(bool announceUpToDate) {
    m_updater.check(m_model->store(), announceUpToDate);
}

void AppDelegate::statusItemActivated(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
    case QSystemTrayIcon::MiddleClick:
        togglePanel();
        break;
    case QSystemTrayIcon::DoubleClick:
        // Hosts that send a click before the double click already toggled.
        if (!m_lastToggleAt ||
            m_lastToggleAt->msecsTo(Clock::now()) > QApplication::doubleClickInterval())
            togglePanel();
        break;
    default:
        break; // the context menu opens by itself
    }
}

void AppDelegate::togglePanel() {
    // The press that took the focus away has just hidden the panel: do not
    // let its click open it again.
    if (m_autoHiddenAt && m_autoHiddenAt->msecsTo(Clock::now()) < autoHideGuardMs)
        return;
    m_lastToggleAt = Clock::now();
    if (isPanelVisible())
        hidePanel();
    else
        showPanel();
}

bool AppDelegate::isPanelVisible() const {
    return m_panel && m_panel->isVisible();
}

void AppDelegate::openFromMenu() {
    if (!isPanelVisible())
        showPanel();
}

void AppDelegate::syncFromMenu() {
    m_model->syncNow();
}

void AppDelegate::importFromMenu() {
    auto* dialog = new QFileDialog(nullptr, QStringLiteral("Import Time Entries"), QDir::homePath(),
                                   QStringLiteral("Time entries (*.json *.csv);;All files (*)"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    QPointer<AppDelegate> self(this);
    connect(dialog, &QFileDialog::fileSelected, this, [self](const QString& path) {
        if (!self)
            return;
        const Importer::Outcome outcome =
            Importer::importFile(*self->m_model, path, std::nullopt, std::nullopt, false);
        auto* box =
            new QMessageBox(outcome.error ? QMessageBox::Warning : QMessageBox::Information,
                            QStringLiteral("Import"), outcome.error.value_or(outcome.summary));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        if (!outcome.error)
            self->m_model->syncNow();
    });
    dialog->open();
}

void AppDelegate::checkForUpdatesFromMenu() {
    checkForUpdates(true);
}

void AppDelegate::openReportWindow() {
    QTimer::singleShot(0, this, [this] {
        hidePanel();
        if (!m_reportWindow) {
            auto* reports = new ReportWindowController(m_model.get(), this);
            // Runs once the window has closed; the controller goes with it,
            // and the next opening makes a new one.
            reports->setOnClose([this, reports] {
                if (m_reportWindow == reports)
                    m_reportWindow.clear();
                reports->deleteLater();
            });
            m_reportWindow = reports;
        }
        m_reportWindow->show();
    });
}

void AppDelegate::showPanel() {
    if (!m_controller) {
        m_controller = new PopoverViewController(m_model.get());
        QPointer<AppDelegate> self(this);
        m_controller->setOnOpenReports([self] {
            if (self)
                self->openReportWindow();
        });
    }
    if (!m_panel) {
        m_panel = new PopoverPanel(m_controller->view());
        m_panel->resize(m_size);
    }
    m_controller->reload();
    placePanel();

    m_panel->show();
    m_panel->raise();
    m_panel->activateWindow();
    warmUpPreview();

    if (qEnvironmentVariableIsSet("ZEVRA_PRINT_WINID"))
        printLine(QStringLiteral("ZEVRA_WINID ") + QString::number(m_panel->winId()));
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect frame = m_panel->frameGeometry();
        printLine(QStringLiteral("ZEVRA_PANEL %1 %2 %3 %4 SCREEN_H %5")
                      .arg(frame.x())
                      .arg(frame.y())
                      .arg(frame.width())
                      .arg(frame.height())
                      .arg(screen->geometry().height()));
    }

    installMonitors();
    m_away->panelOpened(m_controller);
    m_model->syncNow();
    if (QLineEdit* field = m_controller->composerField())
        field->setFocus(Qt::PopupFocusReason);
    applyPanelSwitches();
}

void AppDelegate::placePanel() {
    if (!DesktopSession::placesWindows(QGuiApplication::platformName())) {
        // Native Wayland places windows itself: ask for the screen's middle.
        if (QScreen* screen = QGuiApplication::primaryScreen())
            m_panel->move(PanelGeometry::centred(screen->availableGeometry(), m_panel->size()));
        return;
    }
    const QRect tray = m_tray && !m_anchorAtPointer ? m_tray->geometry() : QRect();
    const QRect icon = PanelGeometry::anchor(tray, QCursor::pos());
    QScreen* screen = QGuiApplication::screenAt(icon.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return; // keeps its frame
    const QSize size = m_panel->size();
    m_panel->move(PanelGeometry::origin(icon, screen->availableGeometry(), size));
}

void AppDelegate::applyPanelSwitches() {
    // The switches of screens that are not built yet (editor, time editor,
    // preview) join here with them.
    PanelSwitches::apply(*m_model, *m_controller, QString());
    if (qEnvironmentVariableIsSet("ZEVRA_OPEN_REPORTS"))
        openReportWindow();
    if (qEnvironmentVariableIsSet("ZEVRA_PREVIEW_TEST"))
        Previewer::runTest(this, [](const QString& state) {
            printLine(QStringLiteral("ZEVRA_PREVIEW ") + state);
        });
}

void AppDelegate::hidePanel() {
    removeMonitors();
    if (Previewer::isShowing())
        Previewer::shared().closePreview(false);
    if (m_controller)
        m_controller->dismissTransient();
    if (m_panel) {
        m_size = m_panel->size();
        QSettings settings = panelSettings();
        settings.setValue(QStringLiteral("panelWidth"), double(m_size.width()));
        settings.setValue(QStringLiteral("panelHeight"), double(m_size.height()));
        m_panel->hide();
        m_panel->takeContent();
        m_panel->deleteLater();
        m_panel = nullptr;
    }
    if (m_controller) {
        m_controller->clearTransientState();
        m_controller->deleteLater();
        m_controller = nullptr;
    }
}

void AppDelegate::installMonitors() {
    removeMonitors();
    m_monitors = new PanelEventFilter(this);
    qApp->installEventFilter(m_monitors);
}

void AppDelegate::removeMonitors() {
    if (!m_monitors)
        return;
    qApp->removeEventFilter(m_monitors);
    delete m_monitors;
    m_monitors = nullptr;
}

bool AppDelegate::ownsKeyboard(const QWidget* window) const {
    if (!window)
        return false;
    return window == m_panel || (m_controller && window == m_controller->detailsWindow()) ||
           (window == Previewer::existing() && Previewer::isShowing());
}

bool AppDelegate::handleEscape() {
    switch (EscapeRouter::route(Previewer::isShowing(),
                                [this] { return m_controller && m_controller->handleEscape(); })) {
    case EscapeRouter::Step::ClosePreview:
        Previewer::shared().closePreview();
        break;
    case EscapeRouter::Step::HandledByPanel:
        break;
    case EscapeRouter::Step::HidePanel:
        hidePanel();
        break;
    }
    return true;
}

bool AppDelegate::handlePaste() {
    // In an overlay's field Ctrl+V pastes text, never a picture onto an entry.
    if (!m_controller || m_controller->hasOverlay())
        return false;
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    if (!mime || !mime->hasImage())
        return false;
    const std::optional<QString> ext = PopoverViewController::clipboardImageExt(mime);
    if (!ext)
        return false;
    // Pictures are always stored as PNG.
    QByteArray png = mime->data(QStringLiteral("image/png"));
    if (png.isEmpty()) {
        const QImage image = qvariant_cast<QImage>(mime->imageData());
        if (image.isNull())
            return false;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!image.save(&buffer, "PNG"))
            return false;
    }
    m_controller->handlePasteScreenshot(png, *ext);
    return true;
}

bool AppDelegate::pointOnStatusItem() const {
    if (!m_tray)
        return false;
    const QRect icon = m_tray->geometry();
    if (icon.isEmpty())
        return false;
    return icon.adjusted(-statusItemSlop, -statusItemSlop, statusItemSlop, statusItemSlop)
        .contains(QCursor::pos());
}

void AppDelegate::handleMouseDown(const QWidget* window, const QPoint& globalPos) {
    if (!m_panel)
        return;
    // The previewer counts as part of the panel; a click anywhere else closes it.
    if (Previewer::isShowing()) {
        if (window == Previewer::existing())
            return;
        Previewer::shared().closePreview();
    }
    if (pointOnStatusItem())
        return; // the icon's own click opens or closes the panel
    if (window == m_panel) {
        if (m_controller)
            m_controller->dismissTimeEditor(globalPos);
        return;
    }
    if (m_controller && window == m_controller->detailsWindow())
        return;
    if (window && (window->windowFlags() & Qt::Popup) == Qt::Popup)
        return; // menus of the panel
    hidePanel();
}

void AppDelegate::applicationStateChanged(Qt::ApplicationState state) {
    if (state == Qt::ApplicationActive || !isPanelVisible())
        return;
    // Focus went to another application: close, unless the pointer is on the
    // tray icon (its click toggles) or right at the panel's edge.
    if (pointOnStatusItem() || PanelGeometry::nearPanel(m_panel->frameGeometry(), QCursor::pos()))
        return;
    if (Previewer::isShowing() && Previewer::shared().frameGeometry().contains(QCursor::pos()))
        return;
    hidePanel();
    m_autoHiddenAt = Clock::now();
}
