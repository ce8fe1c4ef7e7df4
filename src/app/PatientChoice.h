#pragma once

class PatientStore;
class QString;

// When a person's choice may move the current patient: picking one in the sidebar or the settings window,
// and adding one there, which selects it. The patient is every window's, so while a sheet or alert is open
// over any window the work in it stays with the patient it was opened for and the selection does not move.
// With no patient selected there is no such work, and the choice always goes through.
class PatientChoice final
{
public:
    static bool mayMove(const PatientStore *store);
    // Selects the patient when the selection may move now; else leaves it as it is.
    static void choose(PatientStore *store, const QString &patientID);
};
