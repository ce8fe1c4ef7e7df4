#pragma once

#include <QHashFunctions>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

struct Patient {
    QString _id;
    QString firstName;
    std::optional<QString> middleName;
    std::optional<QString> lastName;
    std::optional<qint64> dateOfBirth;
    std::optional<QString> gender;
    std::optional<bool> active;

    // "First Last", without the parts that are empty; "Unnamed Patient" when nothing is left.
    QString displayName() const;

    static Patient fromJson(const QJsonValue &value);
    QJsonObject toJson() const;

    friend bool operator==(const Patient &, const Patient &) = default;
};

size_t qHash(const Patient &patient, size_t seed = 0);
