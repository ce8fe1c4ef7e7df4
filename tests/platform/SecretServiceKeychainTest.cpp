#include "AwaitTask.h"

#include "platform/SecretServiceKeychain.h"

#include <QTest>

#include <qt6keychain/keychain.h>

using namespace Qt::StringLiterals;

// A real round trip through the Secret Service. run-with-keyring.sh starts a private D-Bus session
// with its own unlocked gnome-keyring, so the user's own keyring is never touched.
class SecretServiceKeychainTest final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariable("VANTORELLE_PRIVATE_KEYRING") != "1"_L1)
            QSKIP("needs the private keyring session of tests/net/run-with-keyring.sh");
    }

    void save_replacesAndLoadReadsBack()
    {
        m_keychain.save(u"first@x.test"_s, m_service);
        m_keychain.save(u"s\u00e9cond@x.test"_s, m_service);
        QCOMPARE(AwaitTask::run(m_keychain.load(m_service)), u"s\u00e9cond@x.test"_s);
    }

    void remove_leavesNothingToLoad()
    {
        m_keychain.save(u"pw"_s, m_service);
        m_keychain.remove(m_service);
        QCOMPARE(AwaitTask::run(m_keychain.load(m_service)), std::nullopt);
        m_keychain.remove(m_service);
        QCOMPARE(AwaitTask::run(m_keychain.load(u"com.vantorelle.never-saved"_s)), std::nullopt);
    }

    void load_rejectsBytesThatAreNotUtf8()
    {
        auto *job = new QKeychain::WritePasswordJob(m_service);
        job->setKey(m_service);
        job->setInsecureFallback(false);
        job->setBinaryData("\xff\xfe\x80"_ba);
        job->start();
        QCOMPARE(AwaitTask::run(m_keychain.load(m_service)), std::nullopt);
    }

private:
    SecretServiceKeychain m_keychain;
    const QString m_service = u"com.vantorelle.test-item"_s;
};

QTEST_GUILESS_MAIN(SecretServiceKeychainTest)
#include "SecretServiceKeychainTest.moc"
