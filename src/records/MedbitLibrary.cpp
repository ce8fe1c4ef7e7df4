#include "MedbitLibrary.h"

#include "PatientMedbits.h"

PatientMedbits *MedbitLibrary::patient(const QString &patientID)
{
    PatientMedbits *&medbits = m_patients[patientID];
    if (!medbits)
        medbits = new PatientMedbits(patientID, this);
    return medbits;
}
