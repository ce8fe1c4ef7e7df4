#pragma once

#include "net/Keychain.h"

namespace QKeychain
{
class Job;
}

// The credential store of the application, over QtKeychain (the Secret Service on Linux). Each item is
// stored under its service name, with the same name as its key. Without a running Secret Service the
// jobs fail: saves are lost and loads find nothing; there is never a plain-text fallback.
// QtKeychain runs jobs one at a time in the order they were started, so saves and removes keep their
// order, and a load started after a save reads the saved value.
class SecretServiceKeychain final : public Keychain
{
public:
    void save(const QString &value, const QString &service) override;
    QCoro::Task<std::optional<QString>> load(QString service) override;
    void remove(const QString &service) override;

private:
    static void prepare(QKeychain::Job *job, const QString &service);
};
