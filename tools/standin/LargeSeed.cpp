#include "LargeSeed.h"

#include "SampleFiles.h"
#include "StandinState.h"

namespace
{

const QStringList codes{QStringLiteral("hx"), QStringLiteral("rx"),  QStringLiteral("ax"), QStringLiteral("zx"),
                        QStringLiteral("vx"), QStringLiteral("lab"), QStringLiteral("$"),  QStringLiteral("@")};

const QStringList texts{
    QStringLiteral("Follow-up visit: blood pressure 128/82, advised to continue the current dose and to return in "
                   "three months for another check of kidney values and potassium."),
    QStringLiteral("Metformin 500 mg twice daily with meals."),
    QStringLiteral("Reaction to ibuprofen: swelling of the lips, resolved within a day."),
    QStringLiteral("Knee arthroscopy, left side, day surgery."),
    QStringLiteral("Tetanus booster."),
    QStringLiteral("Chest X-ray: no abnormality seen."),
    QStringLiteral("Pharmacy receipt for prescriptions, $42.10."),
    QStringLiteral("Dentist: Dr. Lena Hoff, +1 555 0199."),
};

Medbit entry(StandinState &state, const QString &patientId, int i)
{
    Medbit medbit;
    medbit.id = state.newId();
    medbit.patientId = patientId;
    medbit.entryText = QStringLiteral("#%1 ").arg(i + 1) + texts.at(i % texts.size());
    medbit.date = qint64(1500000000) + qint64(i) * 43200;
    medbit.isApproxDate = i % 7 == 0;
    medbit.isLocked = i % 11 == 0;
    medbit.isStarred = i % 5 == 0;
    medbit.tags = QStringList{codes.at(i % codes.size())};
    if (i % 4 == 1)
        medbit.tags.append(codes.at((i + 3) % codes.size()));
    if (i % 3 == 0) {
        medbit.translated = QStringLiteral("Eintrag %1: Kontrolltermin, Blutdruck 128/82.").arg(i + 1);
        medbit.language = QStringLiteral("de");
    }
    return medbit;
}

} // namespace

void LargeSeed::apply(StandinState &state)
{
    const User demo{state.newId(), QStringLiteral("Dana Demo"), QStringLiteral("demo@vantorelle.test"),
                    QStringLiteral("health-demo-2026")};
    state.users.append(demo);
    Patient patient;
    patient.id = state.newId();
    patient.ownerId = demo.id;
    patient.firstName = QStringLiteral("Jordan");
    patient.lastName = QStringLiteral("Lee");
    patient.active = true;
    state.patients.append(patient);

    // One scan shared by every attachment keeps the seed small.
    const QByteArray scan = SampleFiles::pdf({QStringLiteral("Scan - Jordan Lee")});
    state.medbits.reserve(entryCount);
    for (int i = 0; i < entryCount; ++i) {
        Medbit medbit = entry(state, patient.id, i);
        if (i % 4 == 0) {
            Document document{state.newId(),
                              patient.id,
                              QStringLiteral("Scan %1.pdf").arg(i + 1),
                              QStringLiteral("application/pdf"),
                              scan,
                              QStringLiteral("seed"),
                              {medbit.id}};
            medbit.documentIds.append(document.id);
            state.documents.append(document);
        }
        state.medbits.append(medbit);
    }
}
