#include "PatientStore.h"

#include "net/APIClient.h"
#include "net/AuthManager.h"

#include <utility>

namespace
{

// The first patient marked active, else the first, else none.
QString chooseSelection(const QList<Patient> &patients)
{
    for (const Patient &patient : patients) {
        if (patient.active.value_or(false))
            return patient._id;
    }
    return patients.isEmpty() ? QString() : patients.first()._id;
}

} // namespace

PatientStore::PatientStore(AuthManager *authManager, QObject *parent) : QObject(parent), m_authManager(authManager)
{
    if (!authManager)
        return;
    connect(authManager, &AuthManager::isAuthenticatedChanged, this, &PatientStore::onAuthenticatedChanged);
    onAuthenticatedChanged(authManager->isAuthenticated());
}

void PatientStore::setSelectedPatientID(const QString &requested)
{
    // A copy: the caller's id may be that of one of the patients that marking it active replaces.
    const QString id = requested;
    if (m_selectedPatientID == id)
        return;
    m_selectedPatientID = id;
    Q_EMIT selectedPatientIDChanged(id);
    markActive(id);
}

PatientRecord PatientStore::selectedRecord() const
{
    for (const Patient &patient : m_patients) {
        if (patient._id == m_selectedPatientID)
            return {patient, {}};
    }
    if (!m_patients.isEmpty())
        return {m_patients.first(), {}};
    return {Patient{QString(), QStringLiteral("No Patient"), {}, {}, {}, {}, {}}, {}};
}

QCoro::Task<> PatientStore::loadPatients()
{
    const std::optional<SessionTicket> ticket = currentTicket();
    if (!ticket)
        co_return;
    setIsLoading(true);
    QPointer<PatientStore> self(this);
    std::optional<QList<Patient>> patients;
    std::optional<QString> error;
    // Built outside co_await: GCC 12 destroys an aggregate built inside one twice.
    const APIRequest request{.path = QStringLiteral("/patients/listAll"),
                             .query = {{QStringLiteral("userId"), ticket->userID}}};
    try {
        patients = co_await APIClient::shared().request<QList<Patient>>(request);
    } catch (const APIError &failure) {
        error = failure.description();
    }
    // A reply from a session that has ended since belongs to nobody on screen: another account's names must
    // never show, and its failure says nothing about the patients of the session now open.
    if (!self || !isCurrent(*ticket))
        co_return;
    if (patients) {
        setPatients(*patients);
        setSelectedPatientID(chooseSelection(*patients));
    }
    setLastError(error);
    setIsLoading(false);
}

QCoro::Task<Patient> PatientStore::createPatient(QString name, std::function<bool()> mayMoveSelection)
{
    const QString trimmed = name.trimmed();
    const std::optional<SessionTicket> ticket = currentTicket();
    if (!ticket)
        throw APIError::unauthorized();
    const QJsonObject body{
        {QLatin1StringView("userId"), ticket->userID},
        {QLatin1StringView("firstName"), trimmed.isEmpty() ? QStringLiteral("New Patient") : trimmed}};
    APIRequest request{.method = HTTPMethod::POST, .path = QStringLiteral("/patients/create")};
    request.setJSONBody(body);
    ChangesInFlight::Hold hold = APIClient::shared().changes().hold();
    QPointer<PatientStore> self(this);
    std::optional<Patient> patient;
    try {
        patient = co_await APIClient::shared().request<Patient>(request);
    } catch (const APIError &error) {
        hold.fail(error);
        throw;
    }
    if (self && isCurrent(*ticket)) {
        setPatients(m_patients + QList<Patient>{*patient});
        if (!mayMoveSelection || mayMoveSelection())
            setSelectedPatientID(patient->_id);
    }
    co_return *patient;
}

void PatientStore::onAuthenticatedChanged(bool isAuthenticated)
{
    if (m_deliveredAuthentication == isAuthenticated)
        return;
    m_deliveredAuthentication = isAuthenticated;
    m_sessions.next();
    QMetaObject::invokeMethod(
        this, [this, isAuthenticated] { onAuthenticationChange(isAuthenticated); }, Qt::QueuedConnection);
}

void PatientStore::onAuthenticationChange(bool isAuthenticated)
{
    if (isAuthenticated) {
        loadPatients();
        return;
    }
    setPatients({});
    setSelectedPatientID(QString());
    setIsLoading(true);
}

void PatientStore::markActive(const QString &patientID)
{
    if (patientID.isEmpty())
        return;
    const std::optional<SessionTicket> ticket = currentTicket();
    if (!ticket)
        return;
    QList<Patient> patients = m_patients;
    for (Patient &patient : patients)
        patient.active = patient._id == patientID;
    setPatients(patients);
    // Sent one at a time and only the newest waiting choice: replies in any other order could leave an
    // earlier choice active on the service, and the next start would open that patient.
    m_waitingActivation = Activation{*ticket, patientID};
    if (std::exchange(m_isActivating, true))
        return;
    QMetaObject::invokeMethod(
        this, [this] { sendActivations(); }, Qt::QueuedConnection);
}

QCoro::Task<> PatientStore::sendActivations()
{
    QPointer<PatientStore> self(this);
    while (self && m_waitingActivation) {
        const Activation next = *m_waitingActivation;
        m_waitingActivation.reset();
        // A choice made in a session that has ended since must not go out with another session's token.
        if (isCurrent(next.ticket))
            co_await updateActive(next.ticket, next.patientID);
    }
    if (self)
        m_isActivating = false;
}

QCoro::Task<> PatientStore::updateActive(SessionTicket ticket, QString patientID)
{
    const QJsonObject body{{QLatin1StringView("userId"), ticket.userID}, {QLatin1StringView("patientId"), patientID}};
    APIRequest request{.method = HTTPMethod::PUT, .path = QStringLiteral("/patients/updateActive")};
    request.setJSONBody(body);
    QPointer<PatientStore> self(this);
    try {
        co_await APIClient::shared().request<Patient>(request);
    } catch (const APIError &failure) {
        if (self && isCurrent(ticket))
            setLastError(failure.description());
    }
}

std::optional<QString> PatientStore::currentUserID() const
{
    if (!m_authManager)
        return std::nullopt;
    const std::optional<QString> id = m_authManager->currentUserID();
    if (!id || id->isEmpty())
        return std::nullopt;
    return id;
}

std::optional<PatientStore::SessionTicket> PatientStore::currentTicket() const
{
    const std::optional<QString> userID = currentUserID();
    if (!userID)
        return std::nullopt;
    return SessionTicket{m_sessions.current(), *userID};
}

bool PatientStore::isCurrent(const SessionTicket &ticket) const
{
    return m_sessions.isCurrent(ticket.session) && currentUserID() == ticket.userID;
}

void PatientStore::setPatients(const QList<Patient> &patients)
{
    if (m_patients == patients)
        return;
    m_patients = patients;
    Q_EMIT patientsChanged();
}

void PatientStore::setIsLoading(bool isLoading)
{
    if (m_isLoading == isLoading)
        return;
    m_isLoading = isLoading;
    Q_EMIT isLoadingChanged(isLoading);
}

void PatientStore::setLastError(const std::optional<QString> &error)
{
    if (m_lastError == error)
        return;
    m_lastError = error;
    Q_EMIT lastErrorChanged();
}
