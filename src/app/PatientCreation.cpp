#include "PatientCreation.h"

#include "net/APIError.h"
#include "records/PatientStore.h"
#include "widgets/FormKit.h"

namespace PatientCreation
{

QCoro::Task<std::optional<QString>> failureOfCreating(QPointer<PatientStore> store, QString name)
{
    if (!store)
        co_return APIError::unauthorized().description();
    QCoro::Task<Patient> operation = store->createPatient(std::move(name));
    co_return co_await FormKit::failureText(std::move(operation));
}

} // namespace PatientCreation
