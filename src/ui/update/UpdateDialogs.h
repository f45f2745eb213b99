#pragma once

#include "ui/update/UpdateProgressWindow.h"
#include "update/Release.h"
#include "update/UpdatePresenter.h"

#include <QPointer>

// The tray app's side of the update: modal alerts, the progress window, and
// quitting for the swap.
class UpdateDialogs : public UpdatePresenter {
public:
    ~UpdateDialogs() override;

    void upToDate(const QString& currentVersion) override;
    void failed(const QString& message) override;
    void progress(const QString& text, double fraction) override;
    void closeProgress() override;
    void terminate() override;

    // "A new version is available": whether the person chose "Update Now".
    static bool offer(const Release& release, const QString& currentVersion);
    // The offer's informative text.
    static QString offerText(const Release& release, const QString& currentVersion);

    UpdateProgressWindow* progressWindow() const { return m_progress; }

private:
    QPointer<UpdateProgressWindow> m_progress;
};
