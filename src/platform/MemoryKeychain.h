#pragma once

#include "net/Keychain.h"

#include <QHash>
#include <QStringList>

// An in-memory credential store for tests. Each operation is logged ("save <service> <value>",
// "load <service>", "remove <service>") in its own log and, when given, in a shared one, so a test
// can check the order of effects against other events.
class MemoryKeychain final : public Keychain
{
public:
    explicit MemoryKeychain(QStringList *sharedLog = nullptr);

    void save(const QString &value, const QString &service) override;
    QCoro::Task<std::optional<QString>> load(QString service) override;
    void remove(const QString &service) override;

    std::optional<QString> item(const QString &service) const;
    QStringList operations() const { return m_operations; }

private:
    void log(const QString &entry);

    QHash<QString, QString> m_items;
    QStringList m_operations;
    QStringList *m_sharedLog = nullptr;
};
