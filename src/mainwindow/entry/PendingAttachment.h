#pragma once

#include <QUrl>
#include <QUuid>

// A file chosen in the entry form. Each choice is its own attachment, so a file chosen twice is sent
// twice; `isUploaded` keeps a retried save from sending one again.
struct PendingAttachment {
    QUuid id;
    QUrl url;
    bool isUploaded = false;
};
