#include "MemoryKeychain.h"

MemoryKeychain::MemoryKeychain(QStringList *sharedLog) : m_sharedLog(sharedLog) {}

void MemoryKeychain::save(const QString &value, const QString &service)
{
    log(QStringLiteral("save %1 %2").arg(service, value));
    m_items.insert(service, value);
}

QCoro::Task<std::optional<QString>> MemoryKeychain::load(QString service)
{
    log(QStringLiteral("load %1").arg(service));
    co_return item(service);
}

void MemoryKeychain::remove(const QString &service)
{
    log(QStringLiteral("remove %1").arg(service));
    m_items.remove(service);
}

std::optional<QString> MemoryKeychain::item(const QString &service) const
{
    const auto found = m_items.constFind(service);
    if (found == m_items.cend())
        return std::nullopt;
    return *found;
}

void MemoryKeychain::log(const QString &entry)
{
    m_operations.append(entry);
    if (m_sharedLog)
        m_sharedLog->append(entry);
}
