#include "ImportFixture.h"
#include "RunningReplies.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSignalSpy>

namespace
{

const QString endedEarly = QStringLiteral("The analysis ended before it finished. Please try again.");

QByteArray sse(const QByteArray &name, const QByteArray &json)
{
    return "event: " + name + "\ndata: " + json + "\n\n";
}

QByteArray message(const QByteArray &tag, const QByteArrayList &ids)
{
    QByteArrayList items;
    for (const QByteArray &id : ids)
        items.append(id == "bad" ? R"({"entryText":"no id","date":0})"
                                 : R"({"_id":")" + id + R"(","entryText":"text )" + id + R"(","date":0})");
    return sse("message", R"({"tag":")" + tag + R"(","items":[)" + items.join(',') + "]}");
}

const QByteArray done = sse("done", R"({"files":[{"fileName":"a.pdf","filePath":"s/a.pdf",)"
                                    R"("mimetype":"application/pdf"}],"analyzeId":"an-1"})");

QStringList idsOf(const QList<PreviewMedbit> &medbits)
{
    QStringList ids;
    for (const PreviewMedbit &medbit : medbits)
        ids.append(medbit.id);
    return ids;
}

QString errorText(const DocumentImportManager &manager)
{
    return manager.activeError() ? manager.activeError()->description() : QString();
}

} // namespace

// One import from the files to the filled review: acceptance, upload, event stream, 401 and cancellation.
class DocumentImportManagerTest : public QObject
{
    Q_OBJECT

private:
    ImportFixture f;

    void unauthorizedOnce(const QByteArray &body, int times = 1)
    {
        f.m_server.injectFault({{"method", "POST"},
                                {"path", f.analyzePath},
                                {"status", 401},
                                {"body", QString::fromUtf8(body)},
                                {"times", times}});
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(f.m_server.isRunning()); }
    void init() { f.setUp(); }
    void cleanup() { f.tearDown(); }

    void importFiles_keepsPdfAndImages_andNamesTheFirstOther()
    {
        const QStringList names = f.m_manager->importFiles(
            {f.file("scan.pdf"), f.file("notes.txt"), f.file("photo.png"), f.file("letter.docx")});
        QCOMPARE(names, (QStringList{"scan.pdf", "photo.png"}));
        QCOMPARE(f.m_manager->activeError(), DocumentImportError::unsupportedFormat(QStringLiteral("notes.txt")));
        QVERIFY(f.m_manager->isReviewPresented());
        QStringList tags;
        for (const TaggedPreviewMedbits &section : f.review()->sections()) {
            tags.append(section.tag);
            QVERIFY(section.isLoading && section.medbits.isEmpty());
        }
        QCOMPARE(tags, (QStringList{"hx", "rx", "ax", "vx", "zx", "lab"}));
        QVERIFY(f.uploadsEnded());
    }

    void importFiles_withoutSupportedFilesOrPatient_uploadsNothing()
    {
        QVERIFY(f.m_manager->importFiles({f.file("notes.txt"), f.file("README")}).isEmpty());
        QCOMPARE(f.m_manager->activeError(), DocumentImportError::unsupportedFormat(QStringLiteral("notes.txt")));
        QVERIFY(!f.m_manager->isReviewPresented());
        f.m_manager->setPatientID(QString());
        QCOMPARE(f.m_manager->importFiles({f.file("scan.pdf")}), QStringList{"scan.pdf"});
        QVERIFY(!f.m_manager->isReviewPresented());
        f.m_session->roundTrip();
        QVERIFY(f.m_server.requests(f.analyzePath).isEmpty());
    }

    void upload_sendsTheExactMultipartForm()
    {
        const QByteArray pdf("%PDF-1.4\r\n--not a boundary\r\n\x00\xff", 31);
        QVERIFY(f.analyse({f.file("scan 1.pdf", pdf), f.file("x-ray.JPG", "jpeg bytes")}));
        const QList<LoggedRequest> sent = f.m_server.requests(f.analyzePath);
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent.first().method, "POST");
        QCOMPARE(sent.first().header("Accept"), "text/event-stream");
        QCOMPARE(sent.first().header("Authorization"), "Bearer " + f.m_session->auth()->accessToken()->toUtf8());
        QVERIFY(!sent.first().hasHeader("X-Client-Platform"));
        const QByteArray type = sent.first().header("Content-Type");
        const QRegularExpression shape(
            QStringLiteral("^multipart/form-data; boundary=(Boundary-[0-9A-F]{8}-[0-9A-F]{4}-"
                           "[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12})$"));
        const QRegularExpressionMatch match = shape.match(QString::fromLatin1(type));
        QVERIFY2(match.hasMatch(), type.constData());
        const QByteArray b = match.captured(1).toLatin1();
        const QByteArray expected = "--" + b + "\r\nContent-Disposition: form-data; name=\"patientId\"\r\n\r\n" +
                                    f.patientID(0).toUtf8() + "\r\n--" + b +
                                    "\r\nContent-Disposition: form-data; name=\"files\"; filename=\"scan 1.pdf\"\r\n"
                                    "Content-Type: application/pdf\r\n\r\n" +
                                    pdf + "\r\n--" + b +
                                    "\r\nContent-Disposition: form-data; name=\"files\"; filename=\"x-ray.JPG\"\r\n"
                                    "Content-Type: image/jpeg\r\n\r\njpeg bytes\r\n--" +
                                    b + "--\r\n";
        QCOMPARE(sent.first().body, expected);
        QCOMPARE(f.m_manager->uploadProgress(), 1.0);
        QCOMPARE(f.m_manager->currentStep(), 2);
        QCOMPARE(f.m_manager->uploadedFiles().size(), 2);
        QCOMPARE(f.m_manager->uploadedFiles().at(1).mimetype, QStringLiteral("image/jpeg"));
        QVERIFY(f.m_manager->analyzeId() && !f.m_manager->analyzeId()->isEmpty());
        QCOMPARE(f.review()->sections().first().medbits.size(), 2);
        QVERIFY(!f.m_manager->activeError());
    }

    void streamEvents_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QStringList>("hxIds");
        QTest::addColumn<bool>("hxLoading");
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("step");
        QTest::addColumn<bool>("extracted");
        QTest::addColumn<QString>("error");
        QTest::newRow("two messages append in order")
            << message("hx", {"a"}) + message("hx", {"b", "c"}) + done << QStringList{"a", "b", "c"} << false << 3 << 0
            << true << QString();
        QTest::newRow("a tag without section changes nothing")
            << message("$", {"a"}) + done << QStringList() << false << 0 << 0 << true << QString();
        QTest::newRow("one bad item drops its event") << message("hx", {"a", "bad"}) + message("rx", {"c"}) + done
                                                      << QStringList() << false << 1 << 0 << true << QString();
        QTest::newRow("steps count from one; done keeps the step")
            << sse("finished_step", R"({"stepIndex":0})") + sse("finished_step", R"({"stepIndex":1})") + done
            << QStringList() << false << 0 << 2 << true << QString();
        QTest::newRow("stream_error, then reading goes on")
            << sse("stream_error", R"({"message":"Page 2 is unreadable."})") + message("hx", {"a"}) + done
            << QStringList{"a"} << false << 1 << 0 << true << QStringLiteral("Page 2 is unreadable.");
        QTest::newRow("stream_error without done is the error shown")
            << sse("stream_error", R"({"message":"Busy."})") << QStringList() << true << 0 << 0 << false
            << QStringLiteral("Busy.");
        QTest::newRow("no done: the analysis ended early")
            << sse("finished_step", R"({"stepIndex":0})") + message("hx", {"a"}) << QStringList{"a"} << false << 1 << 1
            << false << endedEarly;
        QTest::newRow("unreadable stream_error does not count")
            << sse("stream_error", R"({"text":"x"})") << QStringList() << true << 0 << 0 << false << endedEarly;
        QTest::newRow("other names and non-JSON data are ignored")
            << sse("progress", R"({"tag":"hx","items":[]})") + sse("message", "not json") + done << QStringList()
            << false << 0 << 0 << true << QString();
        QTest::newRow("an unnamed event is a message")
            << QByteArray(R"(data: {"tag":"hx","items":[{"_id":"a","entryText":"x","date":0}]})"
                          "\n\n") +
                   done
            << QStringList{"a"} << false << 1 << 0 << true << QString();
    }

    void streamEvents()
    {
        QFETCH(QByteArray, stream);
        f.m_server.scriptStream({{"method", "POST"},
                                 {"path", f.analyzePath},
                                 {"chunks", QJsonArray{QJsonObject{{"data", QString::fromUtf8(stream)}}}}});
        f.m_manager->importFiles({f.file("a.pdf")});
        QVERIFY(f.uploadsEnded());
        const TaggedPreviewMedbits &hx = f.review()->sections().first();
        QTEST(idsOf(hx.medbits), "hxIds");
        QTEST(hx.isLoading, "hxLoading");
        QTEST(int(f.review()->flattenedSuggestions().size()), "entries");
        QTEST(f.m_manager->currentStep(), "step");
        QTEST(f.m_manager->isExtractionDone(), "extracted");
        QTEST(errorText(*f.m_manager), "error");
    }

    void unreadableFile_failsTheUpload_beforeAnythingIsSent()
    {
        const QUrl missing = QUrl::fromLocalFile(f.m_files->filePath(QStringLiteral("gone.pdf")));
        QFile probe(missing.toLocalFile());
        QVERIFY(!probe.open(QIODevice::ReadOnly));
        f.m_manager->importFiles({f.file("here.pdf"), missing});
        QTRY_VERIFY_WITH_TIMEOUT(f.m_manager->activeError().has_value(), f.deadlineMs);
        QCOMPARE(f.m_manager->activeError(), DocumentImportError::uploadFailed(probe.errorString()));
        f.m_session->roundTrip();
        QVERIFY(f.m_server.requests(f.analyzePath).isEmpty());
        QVERIFY(f.m_manager->isReviewPresented() && f.review()->sections().first().isLoading);
    }

    void unauthorizedWithoutMessage_refreshesOnce_andUploadsEverythingAgain()
    {
        unauthorizedOnce({});
        const QByteArray pdf = QByteArray(300000, 'p') + "end";
        QVERIFY(f.analyse({f.file("note.png", "png bytes"), f.file("a.pdf", pdf)}));
        const QList<LoggedRequest> sent = f.m_server.requests(f.analyzePath);
        QCOMPARE(sent.size(), 2);
        QCOMPARE(sent.at(1).bodyLength, sent.at(0).bodyLength);
        // Both times the same form, read from the files: same boundary, parts, names and bytes.
        const QByteArray type = sent.at(0).header("Content-Type");
        const QString boundary = QString::fromLatin1(type.mid(type.indexOf('=') + 1));
        const QString files = QStringLiteral("files");
        const QList<MultipartFile> parts{{files, QStringLiteral("note.png"), QStringLiteral("image/png"), "png bytes"},
                                         {files, QStringLiteral("a.pdf"), QStringLiteral("application/pdf"), pdf}};
        const FormFields fields{{QStringLiteral("patientId"), f.patientID(0)}};
        const QByteArray form = APIClient::makeMultipartBody(boundary, fields, parts);
        QCOMPARE(sent.at(1).header("Content-Type"), type);
        QCOMPARE(sent.at(0).body, form);
        QCOMPARE(sent.at(1).body, form);
        QVERIFY(sent.at(1).header("Authorization") != sent.at(0).header("Authorization"));
        QCOMPARE(sent.at(1).header("Authorization"), "Bearer " + f.m_session->auth()->accessToken()->toUtf8());
        QCOMPARE(f.m_server.requests(QStringLiteral("/api/auth/refreshToken")).size(), 1);
        QVERIFY(!f.m_manager->activeError());
    }

    void unauthorized_endings_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("times");
        QTest::addColumn<int>("uploads");
        QTest::addColumn<QString>("error");
        QTest::newRow("with a message: not retried")
            << QByteArray(R"({"message":"Session ended."})") << 1 << 1 << QStringLiteral("Session ended.");
        QTest::newRow("twice: the status text")
            << QByteArray() << 2 << 2 << QStringLiteral("Request failed with status 401.");
    }

    void unauthorized_endings()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, times);
        unauthorizedOnce(body, times);
        f.m_manager->importFiles({f.file("a.pdf")});
        QFETCH(int, uploads);
        QVERIFY(f.uploadsEnded(uploads));
        QCOMPARE(f.m_server.requests(f.analyzePath).size(), uploads);
        QTEST(errorText(*f.m_manager), "error");
        QVERIFY(f.m_session->auth()->isAuthenticated());
    }

    void failedRefresh_clearsTheSession()
    {
        for (const char *path : {"/api/auth/refreshToken", "/api/auth/userLogin"})
            f.m_server.injectFault({{"path", path}, {"status", 401}, {"body", R"({"message":"No."})"}});
        unauthorizedOnce({});
        f.m_manager->importFiles({f.file("a.pdf")});
        QTRY_VERIFY_WITH_TIMEOUT(f.m_manager->activeError().has_value(), f.deadlineMs);
        QCOMPARE(errorText(*f.m_manager), QStringLiteral("Please sign in again."));
        QVERIFY(!f.m_session->auth()->isAuthenticated());
        QCOMPARE(f.m_server.requests(f.analyzePath).size(), 1);
    }

    void reset_abortsTheUploadAtOnce_andRecordsNothing()
    {
        f.m_server.injectFault({{"method", "POST"}, {"path", f.analyzePath}, {"hang", true}});
        f.m_manager->importFiles({f.file("a.pdf")});
        QTRY_COMPARE_WITH_TIMEOUT(f.m_server.requests(f.analyzePath).size(), 1, f.deadlineMs);
        QCOMPARE(runningReplies(), 1);
        QSignalSpy errors(f.m_manager.get(), &DocumentImportManager::activeErrorChanged);
        f.m_manager->reset();
        QCOMPARE(runningReplies(), 0);
        QVERIFY(!f.m_manager->isReviewPresented() && f.review()->sections().isEmpty());
        f.m_session->roundTrip();
        QCOMPARE(errors.size(), 0);
        QCOMPARE(f.m_manager->uploadProgress(), 0.0);
    }

    void newImport_supersedesTheRunningOne()
    {
        f.m_server.injectFault({{"method", "POST"}, {"path", f.analyzePath}, {"delayMs", 400}});
        f.m_manager->importFiles({f.file("first.pdf")});
        QTRY_COMPARE_WITH_TIMEOUT(f.m_server.requests(f.analyzePath).size(), 1, f.deadlineMs);
        QVERIFY(f.analyse({f.file("second.pdf")}));
        QVERIFY(f.uploadsEnded(2));
        QCOMPARE(f.m_manager->uploadedFiles().size(), 1);
        QCOMPARE(f.m_manager->uploadedFiles().first().fileName, QStringLiteral("second.pdf"));
        QCOMPARE(f.review()->sections().first().medbits.size(), 1);
        QVERIFY(!f.m_manager->activeError());
    }
};

QTEST_MAIN(DocumentImportManagerTest)
#include "DocumentImportManagerTest.moc"
