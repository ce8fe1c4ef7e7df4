#pragma once

#include <QUrl>

#include <functional>

// Hands mail links and web pages to the desktop. Tests replace the handler to see the address
// without opening anything.
namespace UrlOpener
{

void open(const QUrl &url);
// An empty handler restores the desktop's.
void setHandlerForTesting(std::function<void(const QUrl &)> handler);

} // namespace UrlOpener
