#pragma once

#include "ClipboardModels.h"

#include <QDateTime>
#include <QString>

#include <optional>

// Where a file item of the history is written out for the entry form to attach. The files hold patients'
// documents, so the folder is this user's alone (0700, under the cache location, not the shared temporary
// folder) and each file 0600. Drafts are not removed when the form closes: its save uploads the file after
// closing. Drafts of earlier runs are removed at start-up instead.
class ClipboardDraftFolder final
{
public:
    explicit ClipboardDraftFolder(const QString &path = standardPath());

    static QString standardPath();
    const QString &path() const { return m_path; }

    // Writes the file as upper-case UUID + "-" + its name, with "/" and NUL taken out of the name so that it
    // stays inside the folder. The written file's path; nothing when the folder or the file cannot be written.
    std::optional<QString> write(const ClipboardFile &file) const;
    // Removes drafts last written before the given time.
    void removeDraftsWrittenBefore(const QDateTime &time) const;
    // At start-up: drafts older than a day. Younger ones may belong to another running instance whose entry
    // form has not uploaded its draft yet.
    void removeDraftsOfEarlierRuns() const;

    static QString safeFileName(const QString &name);

private:
    bool makeFolder() const;

    QString m_path;
};
