#include "ui/update/UpdateDialogs.h"

#include "ui/update/UpdateProgressWindow.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace {

void bringToFront(QMessageBox& box) {
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.show();
    box.raise();
    box.activateWindow();
}

void inform(QMessageBox::Icon icon, const QString& title, const QString& text) {
    QMessageBox box(icon, title, text, QMessageBox::Ok);
    bringToFront(box);
    box.exec();
}

} // namespace

UpdateDialogs::~UpdateDialogs() {
    delete m_progress;
}

void UpdateDialogs::upToDate(const QString& currentVersion) {
    QMessageBox box(QMessageBox::Information, u"You're up to date"_s, u"You're up to date"_s,
                    QMessageBox::Ok);
    box.setInformativeText(u"Zevra Tikit "_s + currentVersion + u" is the latest version."_s);
    bringToFront(box);
    box.exec();
}

void UpdateDialogs::failed(const QString& message) {
    inform(QMessageBox::Warning, u"Update"_s, message);
}

void UpdateDialogs::progress(const QString& text, double fraction) {
    if (!m_progress) {
        m_progress = new UpdateProgressWindow();
        m_progress->setStep(text, fraction);
        if (QScreen* screen = QGuiApplication::primaryScreen())
            m_progress->move(screen->availableGeometry().center() - m_progress->rect().center());
        m_progress->show();
        m_progress->raise();
        m_progress->activateWindow();
        return;
    }
    m_progress->setStep(text, fraction);
}

void UpdateDialogs::closeProgress() {
    if (!m_progress)
        return;
    m_progress->hide();
    m_progress->deleteLater();
    m_progress = nullptr;
}

void UpdateDialogs::terminate() {
    QCoreApplication::quit();
}

QString UpdateDialogs::offerText(const Release& release, const QString& currentVersion) {
    QString text = u"Zevra Tikit "_s + release.version.value_or(QString()) +
                   u" is available \u2014 you have "_s + currentVersion + u'.';
    if (release.notes && !release.notes->isEmpty())
        text += u"\n\n"_s + *release.notes;
    return text;
}

bool UpdateDialogs::offer(const Release& release, const QString& currentVersion) {
    QMessageBox box(QMessageBox::Information, u"Zevra Tikit"_s, u"A new version is available"_s);
    box.setInformativeText(offerText(release, currentVersion));
    QPushButton* update = box.addButton(u"Update Now"_s, QMessageBox::AcceptRole);
    box.addButton(u"Later"_s, QMessageBox::RejectRole);
    box.setDefaultButton(update);
    bringToFront(box);
    box.exec();
    return box.clickedButton() == update;
}
