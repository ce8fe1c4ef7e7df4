#pragma once

#include <QJsonValueConstRef>
#include <QString>
#include <QStringList>

#include <optional>

// Strict readers of one JSON field, for records decoded in a single pass over their object (a long
// timeline decodes markedly faster that way than with one key lookup per field). They follow the rules
// of net/Json.h: null is absent, nothing is coerced, failures throw Json::DecodingError.
namespace FieldDecoding
{

QString text(QJsonValueConstRef value);
// Null is absent.
std::optional<QString> optionalText(QJsonValueConstRef value);
// Null is false.
bool flag(QJsonValueConstRef value);
// A whole number within 64 bits; 1.5 fails.
qint64 wholeNumber(QJsonValueConstRef value);
// Null is the empty list.
QStringList textList(QJsonValueConstRef value);
std::optional<QStringList> optionalTextList(QJsonValueConstRef value);

} // namespace FieldDecoding
