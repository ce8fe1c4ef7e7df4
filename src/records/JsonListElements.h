#pragma once

#include <QByteArrayView>
#include <QList>

#include <optional>

// The elements of a JSON list of objects, found without parsing them: each object's bytes, from its "{" to its
// "}". Only what lies between the objects is checked (the brackets, commas and white space); the objects are
// only delimited, by their brackets outside texts, and each still has to be parsed. Anything else (a list of
// other values, brackets that do not pair, text after the list) gives nothing.
namespace JsonListElements
{
std::optional<QList<QByteArrayView>> objects(QByteArrayView json);
}
