#include "PatientChoice.h"

#include "records/PatientStore.h"
#include "widgets/ModalShield.h"

bool PatientChoice::mayMove(const PatientStore *store)
{
    return store->selectedPatientID().isEmpty() || !ModalShield::isAnyWindowBlocked();
}

void PatientChoice::choose(PatientStore *store, const QString &patientID)
{
    if (mayMove(store))
        store->setSelectedPatientID(patientID);
}
