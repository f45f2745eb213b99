// The update's offer, alerts and progress window, answered through their buttons.

#include "ui/update/UpdateDialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// Presses the button named `button` of the next modal box and keeps its texts.
void answerNextBox(const QString& button, QStringList* seen) {
    QTimer::singleShot(0, [button, seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        *seen << box->text() << box->informativeText();
        for (QAbstractButton* b : box->buttons())
            if (b->text().remove(u'&') == button)
                b->click();
    });
}

} // namespace

class UpdateDialogsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void offerAndAlerts() {
        Release release;
        release.version = u"0.3.0"_s;
        release.notes = u"Faster sync."_s;
        QStringList seen;
        answerNextBox(u"Update Now"_s, &seen);
        QVERIFY(UpdateDialogs::offer(release, u"0.2.1"_s));
        answerNextBox(u"Later"_s, &seen);
        QVERIFY(!UpdateDialogs::offer(release, u"0.2.1"_s));
        QCOMPARE(seen.mid(0, 2),
                 QStringList(
                     {u"A new version is available"_s,
                      u"Zevra Tikit 0.3.0 is available \u2014 you have 0.2.1.\n\nFaster sync."_s}));

        UpdateDialogs dialogs;
        seen.clear();
        answerNextBox(u"OK"_s, &seen);
        dialogs.upToDate(u"0.2.1"_s);
        answerNextBox(u"OK"_s, &seen);
        dialogs.failed(u"Update failed: no space left."_s);
        QCOMPARE(seen,
                 QStringList({u"You're up to date"_s, u"Zevra Tikit 0.2.1 is the latest version."_s,
                              u"Update failed: no space left."_s, QString()}));
    }

    void progressWindowFollowsTheSteps() {
        UpdateDialogs dialogs;
        dialogs.progress(u"Downloading…"_s, 0.25);
        QPointer<UpdateProgressWindow> window = dialogs.progressWindow();
        QVERIFY(window && window->isVisible());
        auto* bar = window->findChild<QProgressBar*>();
        QCOMPARE(bar->value(), bar->maximum() / 4);
        dialogs.progress(u"Installing…"_s, -1); // the same window, now busy
        QCOMPARE(dialogs.progressWindow(), window.data());
        QCOMPARE(window->step(), u"Installing…"_s);
        QCOMPARE(bar->maximum(), 0);
        dialogs.closeProgress();
        QVERIFY(!dialogs.progressWindow() && !window->isVisible());
    }
};

QTEST_MAIN(UpdateDialogsTest)
#include "UpdateDialogsTest.moc"
