#pragma once

#include <QPointer>
#include <QString>

#include <QCoroTask>

#include <optional>

class PatientStore;

namespace PatientCreation
{

// Asks the store for a new patient named `name`: the error text to show, or nullopt once it exists.
// Without a store the session has ended, and the user is asked to sign in again.
QCoro::Task<std::optional<QString>> failureOfCreating(QPointer<PatientStore> store, QString name);

} // namespace PatientCreation
