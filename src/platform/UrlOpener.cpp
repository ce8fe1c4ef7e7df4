#include "UrlOpener.h"

#include <QDesktopServices>

namespace
{

std::function<void(const QUrl &)> &testHandler()
{
    static std::function<void(const QUrl &)> handler;
    return handler;
}

} // namespace

void UrlOpener::open(const QUrl &url)
{
    if (testHandler()) {
        testHandler()(url);
        return;
    }
    // Nothing is shown when no application takes the address.
    QDesktopServices::openUrl(url);
}

void UrlOpener::setHandlerForTesting(std::function<void(const QUrl &)> handler)
{
    testHandler() = std::move(handler);
}
