#include "Patient.h"

#include "RecordHashing.h"

#include "net/Json.h"

#include <QStringList>

QString Patient::displayName() const
{
    QStringList parts;
    if (!firstName.isEmpty())
        parts.append(firstName);
    if (lastName && !lastName->isEmpty())
        parts.append(*lastName);
    return parts.isEmpty() ? QStringLiteral("Unnamed Patient") : parts.join(QLatin1Char(' '));
}

Patient Patient::fromJson(const QJsonValue &value)
{
    const QJsonObject object = Json::object(value);
    Patient patient;
    patient._id = Json::requiredString(object, QLatin1StringView("_id"));
    patient.firstName = Json::requiredString(object, QLatin1StringView("firstName"));
    patient.middleName = Json::optionalString(object, QLatin1StringView("middleName"));
    patient.lastName = Json::optionalString(object, QLatin1StringView("lastName"));
    patient.dateOfBirth = Json::optionalInteger(object, QLatin1StringView("dateOfBirth"));
    patient.gender = Json::optionalString(object, QLatin1StringView("gender"));
    patient.active = Json::optionalBool(object, QLatin1StringView("active"));
    return patient;
}

QJsonObject Patient::toJson() const
{
    QJsonObject object{{QLatin1StringView("_id"), _id}, {QLatin1StringView("firstName"), firstName}};
    Json::putOptional(object, QLatin1StringView("middleName"), middleName);
    Json::putOptional(object, QLatin1StringView("lastName"), lastName);
    if (dateOfBirth)
        object.insert(QLatin1StringView("dateOfBirth"), *dateOfBirth);
    Json::putOptional(object, QLatin1StringView("gender"), gender);
    if (active)
        object.insert(QLatin1StringView("active"), *active);
    return object;
}

size_t qHash(const Patient &patient, size_t seed)
{
    using RecordHashing::combine;
    seed = combine(seed, patient._id);
    seed = combine(seed, patient.firstName);
    seed = combine(seed, patient.middleName);
    seed = combine(seed, patient.lastName);
    seed = combine(seed, patient.dateOfBirth);
    seed = combine(seed, patient.gender);
    return combine(seed, patient.active);
}
