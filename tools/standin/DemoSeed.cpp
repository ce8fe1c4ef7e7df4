#include "DemoSeed.h"

#include "SampleFiles.h"
#include "StandinState.h"

#include <QDateTime>

namespace
{

struct EntrySeed {
    const char *text;
    QDate date;
    const char *tag;
    bool starred = false;
    bool locked = false;
    bool approx = false;
    const char *translated = nullptr;
    const char *language = nullptr;
};

Patient makePatient(StandinState &state, const QString &ownerId, const QString &firstName, bool active)
{
    Patient patient;
    patient.id = state.newId();
    patient.ownerId = ownerId;
    patient.firstName = firstName;
    patient.lastName = QStringLiteral("Rivera");
    patient.active = active;
    state.patients.append(patient);
    return patient;
}

Medbit &addEntry(StandinState &state, const QString &patientId, const EntrySeed &seed)
{
    Medbit medbit;
    medbit.id = state.newId();
    medbit.patientId = patientId;
    medbit.entryText = QString::fromUtf8(seed.text);
    medbit.date = QDateTime(seed.date, QTime(9, 0), Qt::UTC).toSecsSinceEpoch();
    medbit.tags = QStringList{QString::fromUtf8(seed.tag)};
    medbit.isStarred = seed.starred;
    medbit.isLocked = seed.locked;
    medbit.isApproxDate = seed.approx;
    if (seed.translated)
        medbit.translated = QString::fromUtf8(seed.translated);
    if (seed.language)
        medbit.language = QString::fromUtf8(seed.language);
    state.medbits.append(medbit);
    return state.medbits.last();
}

void addDocument(StandinState &state, const QString &patientId, Medbit *attachedTo, const QString &fileName,
                 const QString &type, const QByteArray &bytes)
{
    Document document{state.newId(), patientId, fileName, type, bytes, Document::newUriToken(), {}};
    if (attachedTo) {
        document.medbitIds.append(attachedTo->id);
        attachedTo->documentIds.append(document.id);
    }
    state.documents.append(document);
}

// One earlier conversation about the blood panel: a question, its answer and a follow-up.
void seedConversation(StandinState &state, const QString &patientId, const UsedEntry &lab)
{
    const qint64 asked = QDateTime(QDate(2025, 3, 1), QTime(9, 30), Qt::UTC).toSecsSinceEpoch();
    const QString question = QStringLiteral("What does my blood panel say?");
    Channel channel{state.newId(), patientId, question, asked + 120, {}};
    channel.messages = {
        {state.newId(), QStringLiteral("user"), question, std::nullopt, asked},
        {state.newId(), QStringLiteral("assistant"),
         QStringLiteral("Your blood panel of **8 March 2024** was within range:\n\n"
                        "- Total cholesterol: 182 mg/dL (below 200)\n- Vitamin D: 34 ng/mL (30 to 100)"),
         QList<UsedEntry>{lab}, asked + 5},
        {state.newId(), QStringLiteral("user"), QStringLiteral("Should I recheck my vitamin D?"), std::nullopt,
         asked + 100},
        {state.newId(), QStringLiteral("assistant"),
         QStringLiteral("Your level is near the lower end of the range, so a *yearly* check is reasonable. "
                        "Ask your doctor."),
         QList<UsedEntry>{lab}, asked + 120},
    };
    state.channels.append(channel);
}

void seedAlex(StandinState &state, const QString &patientId)
{
    const QList<EntrySeed> entries{
        {"Seasonal asthma, mild; inhaler before exercise.", QDate(2019, 4, 12), "hx", true},
        {"Salbutamol inhaler 100 mcg, two puffs as needed.", QDate(2023, 9, 1), "rx", true},
        {"Allergic to penicillin (hives).", QDate(2012, 6, 1), "ax", false, true, true},
        {"Appendectomy at City General Hospital.", QDate(2015, 3, 20), "zx", false, true},
        {"Influenza vaccine, seasonal dose.", QDate(2024, 10, 15), "vx"},
        {"Physiotherapy invoice, six sessions: $480.", QDate(2023, 11, 30), "$"},
        {"Primary care: Dr. Mira Okafor, +1 555 0134.", QDate(2022, 1, 10), "@"},
        {"Dolor de rodilla después de correr.", QDate(2024, 6, 2), "hx", false, false, true, "Knee pain after running.",
         "es"},
    };
    for (const EntrySeed &entry : entries)
        addEntry(state, patientId, entry);
    Medbit &lab = addEntry(state, patientId,
                           {"Blood panel: cholesterol and vitamin D within range.", QDate(2024, 3, 8), "lab", true});
    const UsedEntry labEntry{lab.id, lab.entryText};
    addDocument(state, patientId, &lab, QStringLiteral("Blood panel 2024-03.pdf"), QStringLiteral("application/pdf"),
                SampleFiles::pdf({QStringLiteral("Blood panel - Alex Rivera - 8 March 2024"),
                                  QStringLiteral("Total cholesterol: 182 mg/dL (range < 200)"),
                                  QStringLiteral("Vitamin D, 25-OH: 34 ng/mL (range 30-100)")}));
    Medbit &rash = addEntry(state, patientId, {"Skin rash on the forearm, photo attached.", QDate(2024, 8, 19), "hx"});
    addDocument(state, patientId, &rash, QStringLiteral("Forearm rash.png"), QStringLiteral("image/png"),
                SampleFiles::png(64, 48));
    addDocument(
        state, patientId, nullptr, QStringLiteral("Vaccination record.pdf"), QStringLiteral("application/pdf"),
        SampleFiles::pdf({QStringLiteral("Vaccination record - Alex Rivera"),
                          QStringLiteral("Influenza, 15 October 2024"), QStringLiteral("Tetanus, 2 May 2020")}));
    seedConversation(state, patientId, labEntry);
}

void seedSam(StandinState &state, const QString &patientId)
{
    const QList<EntrySeed> entries{
        {"MMR vaccine, second dose.", QDate(2021, 5, 4), "vx"},
        {"Ear infection, treated by the GP.", QDate(2023, 2, 14), "hx"},
        {"Amoxicillin 250 mg three times a day for 7 days.", QDate(2023, 2, 14), "rx"},
    };
    for (const EntrySeed &entry : entries)
        addEntry(state, patientId, entry);
}

} // namespace

void DemoSeed::apply(StandinState &state)
{
    const User demo{state.newId(), QStringLiteral("Dana Demo"), QStringLiteral("demo@vantorelle.test"),
                    QStringLiteral("health-demo-2026")};
    state.users.append(demo);
    const Patient alex = makePatient(state, demo.id, QStringLiteral("Alex"), true);
    const Patient sam = makePatient(state, demo.id, QStringLiteral("Sam"), false);
    seedAlex(state, alex.id);
    seedSam(state, sam.id);
}
