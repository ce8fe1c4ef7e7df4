#pragma once

#include <QString>

#include <QCoroTask>

#include <optional>

// The two stored credentials, one item per service name. Saves and deletes are fire-and-forget and keep
// their order; failures are silent; a load that cannot read anything yields nullopt.
class Keychain
{
public:
    static inline const QString emailService = QStringLiteral("com.vantorelle.auth-email");
    static inline const QString passwordService = QStringLiteral("com.vantorelle.auth-password");

    virtual ~Keychain() = default;

    virtual void save(const QString &value, const QString &service) = 0;
    virtual QCoro::Task<std::optional<QString>> load(QString service) = 0;
    virtual void remove(const QString &service) = 0;
};
