#include "SecretServiceKeychain.h"

#include <QStringDecoder>

#include <QCoroSignal>

#include <qt6keychain/keychain.h>

void SecretServiceKeychain::prepare(QKeychain::Job *job, const QString &service)
{
    job->setKey(service);
    job->setInsecureFallback(false);
}

void SecretServiceKeychain::save(const QString &value, const QString &service)
{
    // Delete first, so a save replaces whatever item of that service another program left behind.
    remove(service);
    auto *job = new QKeychain::WritePasswordJob(service);
    prepare(job, service);
    job->setTextData(value);
    job->start();
}

void SecretServiceKeychain::remove(const QString &service)
{
    auto *job = new QKeychain::DeletePasswordJob(service);
    prepare(job, service);
    job->start();
}

QCoro::Task<std::optional<QString>> SecretServiceKeychain::load(QString service)
{
    auto *job = new QKeychain::ReadPasswordJob(service);
    prepare(job, service);
    job->setAutoDelete(false);
    bool finished = false;
    QObject::connect(job, &QKeychain::Job::finished, job, [&finished] { finished = true; });
    job->start();
    if (!finished)
        co_await qCoro(job, &QKeychain::Job::finished);

    std::optional<QString> result;
    if (job->error() == QKeychain::NoError) {
        QStringDecoder decoder(QStringDecoder::Utf8);
        QString text = decoder.decode(job->binaryData());
        if (!decoder.hasError())
            result = std::move(text);
    }
    job->deleteLater();
    co_return result;
}
