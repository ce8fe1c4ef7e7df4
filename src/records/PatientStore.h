#pragma once

#include "Patient.h"
#include "PatientRecord.h"

#include "net/Generation.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <QCoroTask>

#include <functional>
#include <optional>

class AuthManager;

// The signed-in account's patients and the selected one. Follows the session by itself: loads when it
// becomes authenticated, empties when it ends. Every selection of a patient marks it active on the service:
// one activation at a time, in the order chosen, skipping choices overtaken while they waited.
class PatientStore final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<Patient> patients READ patients NOTIFY patientsChanged)
    Q_PROPERTY(
        QString selectedPatientID READ selectedPatientID WRITE setSelectedPatientID NOTIFY selectedPatientIDChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)

public:
    explicit PatientStore(AuthManager *authManager, QObject *parent = nullptr);

    const QList<Patient> &patients() const { return m_patients; }
    QString selectedPatientID() const { return m_selectedPatientID; }
    void setSelectedPatientID(const QString &id);
    bool isLoading() const { return m_isLoading; }
    // The last failed load or activation; cleared by the next successful load.
    std::optional<QString> lastError() const { return m_lastError; }
    // The selected patient, or a "No Patient" placeholder, always with an empty entry list.
    PatientRecord selectedRecord() const;

    // Never throws; may be called again after a failure.
    QCoro::Task<> loadPatients();
    // Throws APIError (unauthorized when nobody is signed in). The new patient joins the end of the list and
    // becomes the selection, unless mayMoveSelection, asked when the reply arrives, says it must stay.
    QCoro::Task<Patient> createPatient(QString name, std::function<bool()> mayMoveSelection = {});

Q_SIGNALS:
    void patientsChanged();
    void selectedPatientIDChanged(const QString &id);
    void isLoadingChanged(bool isLoading);
    void lastErrorChanged();

private:
    // Which session a request was started in; its reply counts only while that session lasts.
    struct SessionTicket {
        Generation::Token session = 0;
        QString userID;
    };
    struct Activation {
        SessionTicket ticket;
        QString patientID;
    };

    // The session's signal with repeated values removed; the reaction runs on the next event-loop turn.
    void onAuthenticatedChanged(bool isAuthenticated);
    void onAuthenticationChange(bool isAuthenticated);
    void markActive(const QString &patientID);
    // Sends the waiting activation until none is left; only one such run goes at a time.
    QCoro::Task<> sendActivations();
    QCoro::Task<> updateActive(SessionTicket ticket, QString patientID);
    std::optional<QString> currentUserID() const;
    std::optional<SessionTicket> currentTicket() const;
    bool isCurrent(const SessionTicket &ticket) const;
    void setPatients(const QList<Patient> &patients);
    void setIsLoading(bool isLoading);
    void setLastError(const std::optional<QString> &error);

    QPointer<AuthManager> m_authManager;
    QList<Patient> m_patients;
    QString m_selectedPatientID;
    bool m_isLoading = true;
    std::optional<QString> m_lastError;
    std::optional<bool> m_deliveredAuthentication;
    Generation m_sessions;
    std::optional<Activation> m_waitingActivation;
    bool m_isActivating = false; // a run of sendActivations is scheduled or under way
};
