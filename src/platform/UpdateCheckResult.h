#pragma once

#include <QString>
#include <QUrl>

// What a finished update check found; the application decides how to tell the
// user.
struct UpdateCheckResult {
    enum class Outcome { Failed, UpToDate, UpdateAvailable };

    Outcome outcome = Outcome::Failed;
    QString currentVersion;
    // The newer version and its download page, set only when an update is
    // available.
    QString availableVersion;
    QUrl downloadURL;
};
