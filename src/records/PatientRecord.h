#pragma once

#include "Medbit.h"
#include "Patient.h"

#include <QList>

struct PatientRecord {
    Patient patient;
    QList<Medbit> medbits;
};
