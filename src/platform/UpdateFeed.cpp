#include "UpdateFeed.h"

#include <QJsonDocument>
#include <QJsonObject>

std::optional<UpdateFeed> UpdateFeed::fromJson(const QByteArray &bytes)
{
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const QJsonValue version = object.value(QLatin1String("version"));
    const QJsonValue url = object.value(QLatin1String("url"));
    if (!version.isString() || version.toString().trimmed().isEmpty() || !url.isString())
        return std::nullopt;
    // The page is opened in the browser, so only web addresses are taken from the network.
    const QUrl page(url.toString(), QUrl::StrictMode);
    const QString scheme = page.scheme();
    if (!page.isValid() || page.host().isEmpty() ||
        (scheme != QLatin1String("https") && scheme != QLatin1String("http")))
        return std::nullopt;
    return UpdateFeed{version.toString().trimmed(), page};
}
