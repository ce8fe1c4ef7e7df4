#pragma once

#include "records/Patient.h"
#include "widgets/MenuButton.h"

#include <QList>

// The sidebar's patient picker: the selected patient's name beside a person symbol, opening a menu of the
// account's patients with a tick beside the selected one. Qt leaves a popup menu out of the accessibility tree, so
// the picker reports its menu as its own child, and its accessible action opens the menu without waiting for a
// choice: a screen reader can open it, read each name and its tick, and press one.
class PatientPicker final : public MenuButton
{
    Q_OBJECT

public:
    explicit PatientPicker(QWidget *parent = nullptr);

    void setPatients(const QList<Patient> &patients, const QString &selectedID);
    // Shows the menu below the picker and returns at once, the current patient highlighted.
    void popUpMenu();

Q_SIGNALS:
    void patientChosen(const QString &id);
};
