#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

// The update feed: a JSON document {"version": "x.y.z", "url": "download page"}.
struct UpdateFeed {
    QString version;
    QUrl downloadURL;

    // Nothing when the document is not such an object, the version is empty or the page is not a web address.
    static std::optional<UpdateFeed> fromJson(const QByteArray &bytes);
};
