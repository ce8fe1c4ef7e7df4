#include "DemoSeed.h"

#include "StandinState.h"

void DemoSeed::apply(StandinState &state)
{
    const User demo{state.newId(), QStringLiteral("Dana Demo"), QStringLiteral("demo@vantorelle.test"),
                    QStringLiteral("health-demo-2026")};
    state.users.append(demo);
    Patient alex;
    alex.id = state.newId();
    alex.ownerId = demo.id;
    alex.firstName = QStringLiteral("Alex");
    alex.lastName = QStringLiteral("Rivera");
    alex.active = true;
    Patient sam = alex;
    sam.id = state.newId();
    sam.firstName = QStringLiteral("Sam");
    sam.active = false;
    state.patients.append(alex);
    state.patients.append(sam);
}
