#include "MedbitStore.h"

#include "MedbitLibrary.h"
#include "PatientMedbits.h"

namespace
{

const QList<Medbit> noMedbits;

} // namespace

MedbitStore::MedbitStore(const QString &patientID, QObject *parent) : MedbitStore(new MedbitLibrary, patientID, parent)
{
    m_library->setParent(this);
}

MedbitStore::MedbitStore(MedbitLibrary *library, const QString &patientID, QObject *parent)
    : QObject(parent), m_library(library), m_patientID(patientID)
{
    follow(m_library->patient(patientID));
}

const QList<Medbit> &MedbitStore::medbits() const
{
    return m_open ? m_open->medbits() : noMedbits;
}

void MedbitStore::setMedbits(const QList<Medbit> &medbits)
{
    if (m_open)
        m_open->setMedbits(medbits);
}

bool MedbitStore::isLoading() const
{
    return m_open && m_open->isLoading();
}

std::optional<QString> MedbitStore::lastError() const
{
    return m_open ? m_open->lastError() : std::nullopt;
}

void MedbitStore::setPatientID(const QString &id)
{
    if (m_patientID == id)
        return;
    const bool wasLoading = isLoading();
    const std::optional<QString> error = lastError();
    const QList<Medbit> shown = medbits();
    PatientMedbits *previous = m_open;
    if (previous)
        disconnect(previous, nullptr, this, nullptr);
    m_patientID = id;
    follow(m_library->patient(id));
    Q_EMIT patientIDChanged(id);
    if (shown != medbits())
        Q_EMIT medbitsChanged();
    if (wasLoading != isLoading())
        Q_EMIT isLoadingChanged(isLoading());
    if (error != lastError())
        Q_EMIT lastErrorChanged();
    if (!id.isEmpty())
        QMetaObject::invokeMethod(m_open, &PatientMedbits::loadMedbits, Qt::QueuedConnection);
}

PatientMedbits *MedbitStore::patient(const QString &patientID) const
{
    return m_library->patient(patientID);
}

void MedbitStore::follow(PatientMedbits *medbits)
{
    m_open = medbits;
    if (!medbits)
        return;
    connect(medbits, &PatientMedbits::medbitsChanged, this, &MedbitStore::medbitsChanged);
    connect(medbits, &PatientMedbits::isLoadingChanged, this, &MedbitStore::isLoadingChanged);
    connect(medbits, &PatientMedbits::lastErrorChanged, this, &MedbitStore::lastErrorChanged);
    connect(medbits, &PatientMedbits::detailErrorChanged, this, &MedbitStore::detailErrorChanged);
    connect(medbits, &PatientMedbits::medbitGone, this, &MedbitStore::medbitGone);
}

QCoro::Task<> MedbitStore::loadMedbits()
{
    const QPointer<PatientMedbits> open = m_open;
    if (open)
        co_await open->loadMedbits();
}

QCoro::Task<std::optional<Medbit>> MedbitStore::fetchMedbit(QString id)
{
    const QPointer<PatientMedbits> open = m_open;
    if (!open)
        co_return std::nullopt;
    co_return co_await open->fetchMedbit(std::move(id));
}

std::optional<QString> MedbitStore::detailError(const QString &id) const
{
    return m_open ? m_open->detailError(id) : std::nullopt;
}

bool MedbitStore::isGone(const QString &id) const
{
    return m_open && m_open->isGone(id);
}

bool MedbitStore::isFetchedInFull(const QString &id) const
{
    return m_open && m_open->isFetchedInFull(id);
}

QCoro::Task<Medbit> MedbitStore::createMedbit(Medbit medbit)
{
    return patient(m_patientID)->createMedbit(std::move(medbit));
}

QCoro::Task<Medbit> MedbitStore::updateMedbit(Medbit before, Medbit after)
{
    return patient(m_patientID)->updateMedbit(std::move(before), std::move(after));
}

QCoro::Task<> MedbitStore::deleteMedbit(Medbit medbit)
{
    return patient(m_patientID)->deleteMedbit(std::move(medbit));
}
