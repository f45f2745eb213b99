#pragma once

#include <QString>

// What the update checker shows to the person, and how it ends the
// application: windows in the tray app, printed lines in the headless mode.
class UpdatePresenter {
public:
    virtual ~UpdatePresenter() = default;

    // "You're up to date" with the running version.
    virtual void upToDate(const QString& currentVersion) = 0;
    // A failure, as its whole message ("Download failed: …").
    virtual void failed(const QString& message) = 0;
    // Opens or updates the progress window; `fraction` from 0 to 1, or
    // negative while the size is unknown.
    virtual void progress(const QString& text, double fraction) = 0;
    virtual void closeProgress() = 0;
    // Ends the application so that the swap script can replace it.
    virtual void terminate() = 0;
};
