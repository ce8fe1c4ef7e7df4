#include "import/ImportModels.h"
#include "import/DocumentImportError.h"
#include "import/ImportFiles.h"
#include "import/TranslationLanguage.h"
#include "net/Json.h"

#include <QJsonDocument>
#include <QLocale>
#include <QSet>
#include <QTest>

namespace
{

QJsonValue parsed(const QByteArray &json)
{
    return QJsonDocument::fromJson(json).object();
}

} // namespace

// The analysis records decode strictly, and the texts and tables of an import are exact.
class ImportModelsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void previewMedbit_decodes_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("decodes");
        QTest::newRow("minimal") << QByteArray(R"({"_id":"a","entryText":"x","date":0})") << true;
        QTest::newRow("nulls") << QByteArray(R"({"_id":"a","entryText":"x","date":0,"isStarred":null,"tags":null,)"
                                             R"("translated":null,"language":null})")
                               << true;
        QTest::newRow("negative date") << QByteArray(R"({"_id":"a","entryText":"x","date":-86400})") << true;
        QTest::newRow("fractional date") << QByteArray(R"({"_id":"a","entryText":"x","date":1.5})") << false;
        QTest::newRow("date as text") << QByteArray(R"({"_id":"a","entryText":"x","date":"0"})") << false;
        QTest::newRow("no id") << QByteArray(R"({"entryText":"x","date":0})") << false;
        QTest::newRow("no text") << QByteArray(R"({"_id":"a","date":0})") << false;
        QTest::newRow("flag as number") << QByteArray(R"({"_id":"a","entryText":"x","date":0,"isLocked":1})") << false;
        QTest::newRow("tag not text") << QByteArray(R"({"_id":"a","entryText":"x","date":0,"tags":[1]})") << false;
    }

    void previewMedbit_decodes()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, decodes);
        try {
            const PreviewMedbit medbit = PreviewMedbit::fromJson(parsed(json));
            QVERIFY(decodes);
            QVERIFY(!medbit.translated && !medbit.language && medbit.tags.isEmpty());
            QVERIFY(!medbit.isApproxDate && !medbit.isLocked && !medbit.isStarred);
        } catch (const Json::DecodingError &) {
            QVERIFY(!decodes);
        }
    }

    void previewMedbit_encodesPresentOptionalsOnly()
    {
        PreviewMedbit medbit{
            QStringLiteral("a"),   QStringLiteral("x"), std::nullopt, QStringLiteral("en"), 7, true, false, false,
            {QStringLiteral("rx")}};
        QJsonObject json = medbit.toJson();
        QVERIFY(!json.contains(QLatin1String("translated")));
        QCOMPARE(json.keys(), (QStringList{"_id", "date", "entryText", "isApproxDate", "isLocked", "isStarred",
                                           "language", "tags"}));
        QCOMPARE(PreviewMedbit::fromJson(json), medbit);
        medbit.translated = QString();
        QCOMPARE(medbit.toJson().value(QLatin1String("translated")), QJsonValue(QString()));
    }

    void previewMedbit_comparesTagsInOrder()
    {
        PreviewMedbit first{QStringLiteral("a"),
                            QStringLiteral("x"),
                            {},
                            {},
                            0,
                            false,
                            false,
                            false,
                            {QStringLiteral("hx"), QStringLiteral("rx")}};
        PreviewMedbit second = first;
        second.tags = {QStringLiteral("rx"), QStringLiteral("hx")};
        QVERIFY(first != second);
    }

    void formattedDate_marksApproximateDates()
    {
        PreviewMedbit medbit;
        medbit.date = 1614945600; // 5 March 2021, 12:00 UTC: the same day wherever the test runs
        QCOMPARE(medbit.formattedDate(), QStringLiteral("Mar 5, 2021"));
        medbit.isApproxDate = true;
        QCOMPARE(medbit.formattedDate(), QStringLiteral("~Mar 5, 2021"));
    }

    void messageEvent_withOneBadItem_decodesToNothing()
    {
        const QByteArray good = R"({"tag":"hx","items":[{"_id":"a","entryText":"x","date":0}]})";
        QCOMPARE(SmartAnalyzeMessageEvent::decode(good).items.size(), 1);
        const QByteArray bad =
            R"({"tag":"hx","items":[{"_id":"a","entryText":"x","date":0},{"entryText":"y","date":0}]})";
        QVERIFY_THROWS_EXCEPTION(Json::DecodingError, SmartAnalyzeMessageEvent::decode(bad));
        QVERIFY_THROWS_EXCEPTION(Json::DecodingError, SmartAnalyzeMessageEvent::decode(R"({"tag":"hx"})"));
        QVERIFY_THROWS_EXCEPTION(Json::DecodingError, SmartAnalyzeFinishedStepEvent::decode("not json"));
    }

    void uploadedFile_readsLowerCaseMimetypeOnly()
    {
        const QByteArray done = R"({"analyzeId":"an1","files":[{"fileName":"a.pdf","filePath":"p/a.pdf",)"
                                R"("mimetype":"application/pdf"}]})";
        const SmartAnalyzeDoneEvent event = SmartAnalyzeDoneEvent::decode(done);
        QCOMPARE(event.analyzeId, QStringLiteral("an1"));
        QCOMPARE(event.files.first().toJson(), parsed(R"({"fileName":"a.pdf","filePath":"p/a.pdf",)"
                                                      R"("mimetype":"application/pdf"})"));
        QVERIFY_THROWS_EXCEPTION(Json::DecodingError,
                                 SmartAnalyzeUploadedFile::fromJson(
                                     parsed(R"({"fileName":"a.pdf","filePath":"p","mimeType":"application/pdf"})")));
    }

    void translationLanguages_areTheTwentyInOrder()
    {
        const QList<TranslationLanguage> &all = TranslationLanguage::all();
        QCOMPARE(all.size(), 20);
        QCOMPARE(all.first(), (TranslationLanguage{QStringLiteral("en"), QStringLiteral("English")}));
        QCOMPARE(all.last(), (TranslationLanguage{QStringLiteral("vi"), QStringLiteral("Tiếng Việt")}));
        QCOMPARE(all.at(2).code, QStringLiteral("zh-Hans"));
        QCOMPARE(all.at(3).code, QStringLiteral("zh-Hant"));
        QCOMPARE(all.at(14), (TranslationLanguage{QStringLiteral("pt-BR"), QStringLiteral("Português (Brasil)")}));
        QCOMPARE(all.at(1).displayName, QStringLiteral("العربية"));
        QCOMPARE(QSet<TranslationLanguage>(all.begin(), all.end()).size(), 20);
    }

    void importError_texts()
    {
        QCOMPARE(DocumentImportError::unsupportedFormat(QStringLiteral("notes.txt")).description(),
                 QStringLiteral("Can't import “notes.txt” — only PDF and image files (JPG, PNG, HEIC, TIFF, GIF) "
                                "are supported."));
        QCOMPARE(DocumentImportError::uploadFailed(QStringLiteral("Boom.")).description(), QStringLiteral("Boom."));
        QVERIFY(DocumentImportError::uploadFailed(QStringLiteral("a.pdf")) !=
                DocumentImportError::unsupportedFormat(QStringLiteral("a.pdf")));
    }

    void acceptance_byExtension_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("supported");
        QTest::addColumn<QString>("mimeType");
        QTest::newRow("pdf") << "scan.pdf" << true << "application/pdf";
        QTest::newRow("upper-case png") << "photo.PNG" << true << "image/png";
        QTest::newRow("jpg") << "x-ray.jpg" << true << "image/jpeg";
        QTest::newRow("heic") << "IMG_0001.heic" << true << "image/heif";
        QTest::newRow("tiff") << "fax.tiff" << true << "image/tiff";
        QTest::newRow("gif") << "chart.gif" << true << "image/gif";
        QTest::newRow("text") << "notes.txt" << false << "text/plain";
        QTest::newRow("word") << "letter.docx" << false
                              << "application/vnd.openxmlformats-officedocument.wordprocessingml.document";
        QTest::newRow("no extension") << "README" << false << "application/octet-stream";
        QTest::newRow("unknown extension") << "data.zzqq" << false << "application/octet-stream";
        QTest::newRow("pdf inside zip") << "scan.pdf.zip" << false << "application/zip";
    }

    void acceptance_byExtension()
    {
        QFETCH(QString, name);
        QFETCH(bool, supported);
        QFETCH(QString, mimeType);
        QCOMPARE(ImportFiles::isSupported(QUrl::fromLocalFile(QStringLiteral("/tmp/") + name)), supported);
        QCOMPARE(ImportFiles::mimeType(name), mimeType);
    }
};

QTEST_GUILESS_MAIN(ImportModelsTest)
#include "ImportModelsTest.moc"
