#include "ImportFixture.h"

#include "records/MedbitStore.h"

#include <QSignalSpy>

using AwaitTask::failureOf;

namespace
{

const QString translatePath = QStringLiteral("/api/patients/translate_preview_medbits");
const QString vectorStorePath = QStringLiteral("/api/patients/update_vector_store");
const QString bulkCreatePath = QStringLiteral("/api/medbits/bulk_create");

QStringList idsOf(const QJsonArray &array)
{
    QStringList ids;
    for (const QJsonValue &value : array)
        ids.append(value.isString() ? value.toString() : value[QLatin1String("_id")].toString());
    return ids;
}

template <typename T> QStringList idsOf(const QList<T> &records)
{
    QStringList ids;
    for (const T &record : records)
        ids.append(record.id);
    return ids;
}

} // namespace

// Review edits, translation and the batch save of an analysed import.
class DocumentImportReviewTest : public QObject
{
    Q_OBJECT

private:
    ImportFixture f;
    std::unique_ptr<MedbitStore> m_store;

    void openStore(int patient)
    {
        m_store->setPatientID(f.patientID(patient));
        QTRY_VERIFY_WITH_TIMEOUT(!m_store->medbits().isEmpty() && !m_store->isLoading(), f.deadlineMs);
    }

    void fault(const QString &path, const QJsonObject &details)
    {
        QJsonObject fault = details;
        fault.insert(QStringLiteral("path"), path);
        f.m_server.injectFault(fault);
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(f.m_server.isRunning()); }

    void init()
    {
        f.setUp();
        m_store = std::make_unique<MedbitStore>();
        QVERIFY(f.analyse({f.file("checkup.pdf"), f.file("vaccination.png", "png")}));
        f.m_server.clearRequests();
    }

    void cleanup()
    {
        m_store.reset();
        f.tearDown();
    }

    void edits_touchOnlyTheirSection()
    {
        const TaggedPreviewMedbits hx = f.review()->sections().at(0);
        PreviewMedbit changed = hx.medbits.first();
        changed.entryText = QStringLiteral("Edited");
        f.review()->updateMedbit(QStringLiteral("rx"), changed);
        f.review()->updateMedbit(QStringLiteral("zz"), changed);
        QCOMPARE(f.review()->sections().at(0), hx);
        f.review()->updateMedbit(QStringLiteral("hx"), changed);
        QCOMPARE(f.review()->sections().at(0).medbits.first(), changed);
        f.review()->deleteMedbit(QStringLiteral("hx"), changed.id);
        QCOMPARE(idsOf(f.review()->sections().at(0).medbits), QStringList{hx.medbits.at(1).id});
    }

    void canSave_data()
    {
        QTest::addColumn<QStringList>("deletedTags");
        QTest::addColumn<bool>("whileSaving");
        QTest::addColumn<bool>("canSave");
        QTest::newRow("every entry left") << QStringList{} << false << true;
        QTest::newRow("one section emptied") << QStringList{"hx"} << false << true;
        QTest::newRow("every entry removed") << QStringList{"hx", "rx", "ax", "vx", "zx", "lab"} << false << false;
        QTest::newRow("while a save runs") << QStringList{} << true << false;
    }

    void canSave()
    {
        QFETCH(QStringList, deletedTags);
        const QList<TaggedPreviewMedbits> sections = f.review()->sections();
        for (const TaggedPreviewMedbits &section : sections)
            if (deletedTags.contains(section.tag))
                for (const PreviewMedbit &medbit : section.medbits)
                    f.review()->deleteMedbit(section.tag, medbit.id);
        QFETCH(bool, whileSaving);
        std::optional<QCoro::Task<>> save;
        if (whileSaving) {
            fault(vectorStorePath, {{"delayMs", 300}});
            save.emplace(f.review()->save(m_store.get()));
        }
        QTEST(f.review()->canSave(), "canSave");
        if (save)
            AwaitTask::run(std::move(*save));
    }

    void translate_setsOnlyTranslations_andUndoKeepsTheLanguage()
    {
        AwaitTask::run(f.review()->translate(QStringLiteral("fr")));
        const QList<LoggedRequest> sent = f.m_server.requests(translatePath);
        QCOMPARE(sent.size(), 1);
        QCOMPARE(
            sent.first().json().toObject(),
            (QJsonObject{{"patientId", f.patientID(0)}, {"analyzeId", *f.m_manager->analyzeId()}, {"language", "fr"}}));
        QCOMPARE(f.review()->translationLanguage(), QStringLiteral("fr"));
        for (const PreviewMedbit &medbit : f.review()->flattenedSuggestions()) {
            QCOMPARE(medbit.translated, QStringLiteral("[fr] ") + medbit.entryText);
            QCOMPARE(medbit.language, QStringLiteral("en"));
        }
        f.review()->undoTranslation();
        QVERIFY(!f.review()->translationLanguage());
        for (const PreviewMedbit &medbit : f.review()->flattenedSuggestions()) {
            QVERIFY(!medbit.translated);
            QCOMPARE(medbit.language, QStringLiteral("en"));
        }
        QVERIFY(!f.review()->isTranslating());
    }

    void translate_failure_setsTheError_andKeepsTheEntries()
    {
        const QList<PreviewMedbit> before = f.review()->flattenedSuggestions();
        fault(translatePath, {{"status", 503}, {"body", R"({"message":"Translation is down."})"}});
        AwaitTask::run(f.review()->translate(QStringLiteral("de")));
        QCOMPARE(f.m_manager->activeError(), DocumentImportError::uploadFailed(QStringLiteral("Translation is down.")));
        QCOMPARE(f.review()->flattenedSuggestions(), before);
        QVERIFY(!f.review()->isTranslating() && !f.review()->translationLanguage());
    }

    void translateReply_forAnotherAnalysis_isDropped()
    {
        fault(translatePath, {{"delayMs", 500}});
        QCoro::Task<> translation = f.review()->translate(QStringLiteral("ja"));
        QVERIFY(f.review()->isTranslating());
        QVERIFY(f.analyse({f.file("later.pdf")}));
        AwaitTask::run(std::move(translation));
        QVERIFY(!f.review()->isTranslating());
        QVERIFY(!f.review()->translationLanguage());
        for (const PreviewMedbit &medbit : f.review()->flattenedSuggestions())
            QVERIFY(!medbit.translated);
    }

    void save_storesDocuments_createsEntries_andPutsThemFirst()
    {
        openStore(0);
        const QList<Medbit> earlier = m_store->medbits();
        f.review()->deleteMedbit(QStringLiteral("rx"), f.review()->sections().at(1).medbits.first().id);
        const QList<PreviewMedbit> suggested = f.review()->flattenedSuggestions();
        const QList<SmartAnalyzeUploadedFile> files = f.m_manager->uploadedFiles();
        QSignalSpy listChanges(m_store.get(), &MedbitStore::medbitsChanged);
        AwaitTask::run(f.review()->save(m_store.get()));

        const QJsonObject stored = f.m_server.requests(vectorStorePath).first().json().toObject();
        QJsonArray fileArray;
        for (const SmartAnalyzeUploadedFile &file : files)
            fileArray.append(file.toJson());
        QCOMPARE(stored, (QJsonObject{{"patientId", f.patientID(0)}, {"files", fileArray}}));
        const QJsonObject created = f.m_server.requests(bulkCreatePath).first().json().toObject();
        QCOMPARE(created.value(QLatin1String("patientId")).toString(), f.patientID(0));
        QCOMPARE(idsOf(created.value(QLatin1String("medbits")).toArray()), idsOf(suggested));
        QCOMPARE(created.value(QLatin1String("medbits")).toArray().first().toObject(), suggested.first().toJson());
        QCOMPARE(created.value(QLatin1String("documentIds")).toArray().size(), 2);

        QCOMPARE(listChanges.size(), 1);
        QCOMPARE(m_store->medbits().size(), earlier.size() + suggested.size());
        QCOMPARE(m_store->medbits().mid(suggested.size()), earlier);
        QCOMPARE(m_store->medbits().first().entryText, suggested.first().entryText);
        QCOMPARE(m_store->medbits().first().documents.size(), 2);
        QVERIFY(!f.m_manager->isReviewPresented() && f.review()->sections().isEmpty() && !f.review()->isSaving());
    }

    void save_keepsItsPatient_andSkipsAStoreShowingAnother()
    {
        openStore(0);
        fault(vectorStorePath, {{"delayMs", 1000}});
        QCoro::Task<> saving = f.review()->save(m_store.get());
        f.m_manager->setPatientID(f.patientID(1));
        openStore(1);
        const QList<Medbit> shown = m_store->medbits();
        AwaitTask::run(std::move(saving));
        QCOMPARE(f.m_server.requests(bulkCreatePath).first().json()[QLatin1String("patientId")].toString(),
                 f.patientID(0));
        QCOMPARE(m_store->medbits(), shown);
    }

    // The manager moved on to another patient before the person translated and saved this import.
    void translateAndSave_areForThePatientWhoseDocumentsWereAnalysed()
    {
        f.m_manager->setPatientID(f.patientID(1));
        AwaitTask::run(f.review()->translate(QStringLiteral("fr")));
        AwaitTask::run(f.review()->save(m_store.get()));
        for (const QString &path : {translatePath, vectorStorePath, bulkCreatePath})
            QCOMPARE(f.m_server.requests(path).first().json()[QLatin1String("patientId")].toString(), f.patientID(0));
    }

    void save_retryAfterFailedEntries_reusesTheStoredDocuments()
    {
        openStore(0);
        fault(bulkCreatePath, {{"status", 500}, {"body", R"({"message":"Try later."})"}});
        const std::optional<APIError> failure = failureOf(f.review()->save(m_store.get()));
        QVERIFY(failure);
        QCOMPARE(failure->description(), QStringLiteral("Try later."));
        QVERIFY(!f.review()->isSaving() && f.m_manager->isReviewPresented() && !f.m_manager->activeError());
        AwaitTask::run(f.review()->save(m_store.get()));
        QCOMPARE(f.m_server.requests(vectorStorePath).size(), 1);
        const QList<LoggedRequest> creations = f.m_server.requests(bulkCreatePath);
        QCOMPARE(creations.size(), 2);
        QCOMPARE(creations.at(1).json()[QLatin1String("documentIds")],
                 creations.at(0).json()[QLatin1String("documentIds")]);
        QVERIFY(!f.m_manager->isReviewPresented());
    }

    void save_failedDocuments_sendNoEntries_andASecondSaveSendsBoth()
    {
        fault(vectorStorePath, {{"status", 500}, {"body", R"({"message":"Disk full."})"}});
        QVERIFY(failureOf(f.review()->save(m_store.get())));
        QVERIFY(f.m_server.requests(bulkCreatePath).isEmpty());
        QCOMPARE(f.review()->sections().first().medbits.size(), 2);
        AwaitTask::run(f.review()->save(m_store.get()));
        QCOMPARE(f.m_server.requests(vectorStorePath).size(), 2);
        QCOMPARE(f.m_server.requests(bulkCreatePath).size(), 1);
    }

    void save_finishingAfterANewImport_leavesThatImportOpen()
    {
        fault(bulkCreatePath, {{"delayMs", 1500}});
        QCoro::Task<> saving = f.review()->save(m_store.get());
        QVERIFY(f.analyse({f.file("next.pdf")}));
        AwaitTask::run(std::move(saving));
        QVERIFY(f.m_manager->isReviewPresented());
        QCOMPARE(f.m_manager->uploadedFiles().first().fileName, QStringLiteral("next.pdf"));
        QVERIFY(!f.review()->isSaving());
    }

    void save_withoutEntries_closesTheReviewWithoutRequests()
    {
        const QList<TaggedPreviewMedbits> sections = f.review()->sections();
        for (const TaggedPreviewMedbits &section : sections) {
            for (const PreviewMedbit &medbit : section.medbits)
                f.review()->deleteMedbit(section.tag, medbit.id);
        }
        AwaitTask::run(f.review()->save(m_store.get()));
        f.m_session->roundTrip();
        QVERIFY(f.m_server.requests(vectorStorePath).isEmpty() && f.m_server.requests(bulkCreatePath).isEmpty());
        QVERIFY(!f.m_manager->isReviewPresented() && !f.review()->isSaving());
    }
};

QTEST_MAIN(DocumentImportReviewTest)
#include "DocumentImportReviewTest.moc"
