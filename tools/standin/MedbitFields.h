#pragma once

#include <QJsonObject>
#include <QString>

struct Medbit;

// Reads an entry's editable fields (text, translation, language, date, flags,
// tags) strictly, as the create and update bodies carry them. On failure
// returns false with a message and leaves `medbit` partly written.
bool readMedbitFields(const QJsonObject &json, Medbit *medbit, QString *error);
