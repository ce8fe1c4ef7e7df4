#pragma once

#include "AwaitTask.h"
#include "SignedInSession.h"
#include "StandinServer.h"

#include "import/DocumentImportManager.h"
#include "import/DocumentImportReview.h"
#include "net/APIClient.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// A signed-in session on a stand-in, an import manager for the first demo patient and a folder of files to
// import. Cases call setUp() from init() and tearDown() from cleanup().
class ImportFixture
{
public:
    static constexpr int deadlineMs = 15000;
    static inline const QString analyzePath = QStringLiteral("/api/patients/smart_analyze_asset");

    void setUp()
    {
        m_server.reset();
        m_session = std::make_unique<SignedInSession>(m_server, SignedInSession::Stores::AuthOnly);
        m_patientIDs = m_session->signInForPatientIDs();
        m_manager = std::make_unique<DocumentImportManager>(patientID(0));
        m_files = std::make_unique<QTemporaryDir>();
        m_server.clearRequests();
    }

    void tearDown()
    {
        m_server.clearFaults();
        m_manager.reset();
        m_session.reset();
    }

    QString patientID(int index) const { return m_patientIDs.at(index); }
    DocumentImportReview *review() const { return m_manager->review(); }

    // A file of the import folder with these bytes.
    QUrl file(const QString &name, const QByteArray &bytes = "%PDF-1.4 test")
    {
        const QString path = m_files->filePath(name);
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
            qFatal("cannot write a test file");
        return QUrl::fromLocalFile(path);
    }

    // Imports the files and waits for the analysis to finish.
    bool analyse(const QList<QUrl> &urls)
    {
        m_manager->importFiles(urls);
        return QTest::qWaitFor([this] { return m_manager->isExtractionDone(); }, deadlineMs);
    }

    // Waits until the analysis upload's reply (or `count` of them) has ended and the client has handled it.
    bool uploadsEnded(int count = 1)
    {
        const bool ended =
            QTest::qWaitFor([&] { return m_session->finishedReplies(analyzePath.mid(4)) >= count; }, deadlineMs);
        m_session->roundTrip();
        return ended;
    }

    StandinServer m_server;
    std::unique_ptr<SignedInSession> m_session;
    std::unique_ptr<DocumentImportManager> m_manager;
    std::unique_ptr<QTemporaryDir> m_files;
    QStringList m_patientIDs;
};
