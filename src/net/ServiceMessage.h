#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// What the body of a failed reply says to the user. JSON calls and streams fall back differently when it
// says nothing (the body as text, or the status), so each caller adds its own fallback.
namespace ServiceMessage
{

// A web page, as a proxy or gateway sends for its own errors: its markup is never shown as a message.
bool isWebPage(const QByteArray &contentType, const QByteArray &body);

// The service's "message" (even when empty); none for a body that is no JSON object with a text there,
// and for a web page.
std::optional<QString> of(const QByteArray &contentType, const QByteArray &body);

} // namespace ServiceMessage
