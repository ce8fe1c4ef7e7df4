// Peak memory of one large document import: the files are read, uploaded to a local stand-in as one multipart
// form and analysed. Prints the process's resident memory before the import and at its peak, and the growth as
// a multiple of the files' size. Goal: under 3x. The anchor, measured in the same run, is the growth of simply
// reading the same files into memory (1x by construction).
// Run with VANTORELLE_STANDIN pointing at the stand-in executable; the files total 60 MB in three parts.
#include "SignedInSession.h"
#include "StandinServer.h"

#include "import/DocumentImportManager.h"
#include "net/APIClient.h"
#include "records/Patient.h"

#include "AwaitTask.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace
{

constexpr qint64 fileBytes = 20 * 1000 * 1000;
constexpr int fileCount = 3;

// Resident and peak resident memory of this process, in bytes.
qint64 statusField(const char *name)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(name))
            return line.mid(qstrlen(name)).trimmed().split(' ').first().toLongLong() * 1024;
    }
    return 0;
}

QList<QUrl> writeFiles(const QTemporaryDir &folder)
{
    QList<QUrl> urls;
    for (int i = 0; i < fileCount; ++i) {
        const QString path = folder.filePath(QStringLiteral("scan-%1.pdf").arg(i));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(fileBytes, char('a' + i))) != fileBytes)
            qFatal("cannot write the import files");
        urls.append(QUrl::fromLocalFile(path));
    }
    return urls;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    StandinServer server({QStringLiteral("--seed"), QStringLiteral("demo")}, StandinServer::Controls::Off);
    SignedInSession session(server, SignedInSession::Stores::AuthOnly);
    session.signIn(StandinServer::demoEmail, StandinServer::demoPassword);
    const APIRequest request{.path = QStringLiteral("/patients/listAll"),
                             .query = {{QStringLiteral("userId"), session.userID()}}};
    const QList<Patient> patients = AwaitTask::run(APIClient::shared().request<QList<Patient>>(request));
    QTemporaryDir folder;
    const QList<QUrl> urls = writeFiles(folder);
    const double total = double(fileBytes) * fileCount;

    const qint64 before = statusField("VmRSS:");
    DocumentImportManager manager(patients.first()._id);
    manager.importFiles(urls);
    if (!QTest::qWaitFor([&] { return manager.isExtractionDone() || manager.activeError(); }, 120000))
        qFatal("the import did not finish");
    if (manager.activeError())
        qFatal("the import failed: %s", qPrintable(manager.activeError()->description()));
    const qint64 peak = statusField("VmHWM:");

    const qint64 beforeReading = statusField("VmRSS:");
    QList<QByteArray> read;
    for (const QUrl &url : urls) {
        QFile file(url.toLocalFile());
        if (file.open(QIODevice::ReadOnly))
            read.append(file.readAll());
    }
    const qint64 afterReading = statusField("VmRSS:");

    std::printf("files: %.1f MB\n", total / 1e6);
    std::printf("resident before the import: %.1f MB, peak: %.1f MB\n", before / 1e6, peak / 1e6);
    std::printf("import growth: %.1f MB = %.2fx the files (goal < 3x)\n", (peak - before) / 1e6,
                (peak - before) / total);
    std::printf("anchor, reading the files alone: %.1f MB = %.2fx\n", (afterReading - beforeReading) / 1e6,
                (afterReading - beforeReading) / total);
    return 0;
}
