#pragma once

#include <QString>

#include <optional>

struct Medbit;

// The name under which an entry's attachment is shown: its first document's file name, "Document" when that
// has none, and none for an entry without documents.
std::optional<QString> attachmentName(const Medbit &medbit);
