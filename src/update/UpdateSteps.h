#pragma once

#include <QString>
#include <QUrl>

#include <optional>

// The update's steps that need neither the network nor a window: comparing
// versions, finding the download, unpacking, and the script that swaps the
// application folder once the running copy has quit.
class UpdateSteps {
public:
    // Failure texts shown after "Update failed: ".
    static const QString unpackFailed;
    static const QString noBundle;
    static const QString noExecutable;
    static const QString unsafeArchive;
    static const QString checksumMismatch;
    static const QString notFromArchive;

    // Whether dotted version a is newer than b: pieces read as numbers (a
    // piece that is not one counts as 0), missing pieces count as 0.
    static bool isNewer(const QString& a, const QString& b);

    // The archive's address: `url` as it is when it starts with "http://" or
    // "https://", otherwise the server base, "/" and `url` without its outer
    // slashes. Nothing unless the result is an http(s) address with a host.
    static std::optional<QUrl> downloadUrl(const QString& base, const QString& url);

    // The application folder when the executable is exactly
    // "<name>.app/bin/zevra-tikit", or nothing for a copy installed some
    // other way.
    static std::optional<QString> bundleOf(const QString& executablePath);
    // The first "….app" item directly inside `folder` (the search does not
    // descend), or nothing.
    static std::optional<QString> findBundle(const QString& folder);

    struct Unpacked {
        QString folder;
        QString bundle;
        QString error; // empty on success
    };
    // Unpacks the archive into a new "zevra-update-<uuid>" folder under
    // `tempRoot` and finds the application folder in it. Archives with entries
    // that would land outside that folder are refused before anything is
    // written.
    static Unpacked unpack(const QString& zipPath, const QString& tempRoot);
    // Whether everything under `folder` is a plain folder or file: no
    // symbolic link, device, pipe or socket.
    static bool onlyPlainFiles(const QString& folder);

    // A path as one single-quoted shell word: nothing in it is interpreted.
    static QString shellQuote(const QString& path);
    // The swap script: waits for process `pid` to end, copies `newBundle`
    // beside `oldBundle`, flushes it to the disk, swaps the two by renames and
    // starts the result. A
    // failed copy leaves the old folder in place and starts it again.
    static QString swapScript(qint64 pid, const QString& oldBundle, const QString& newBundle);
    // Writes the script as "swap.sh" into `folder` with mode 0755. Gives the
    // script's path, or nothing with `error` set.
    static std::optional<QString> writeScript(const QString& folder, const QString& text,
                                              QString* error);
};
