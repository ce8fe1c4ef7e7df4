#include "../clipboard/ClipboardTestSettings.h"
#include "AwaitTask.h"
#include "ScreenTestKit.h"
#include "SignedInSession.h"
#include "StandinServer.h"
#include "StateWaits.h"
#include "app/MainWindow.h"
#include "app/RootView.h"
#include "app/SavingChangesDialog.h"
#include "app/SettingsView.h"
#include "app/VantorelleApp.h"
#include "ask/AskRecords.h"
#include "ask/AskSessions.h"
#include "ask/HealthStory.h"
#include "ask/HealthStoryWriter.h"
#include "import/DocumentImportManager.h"
#include "import/DocumentImportReview.h"
#include "mainwindow/ContentView.h"
#include "mainwindow/ProgramRecords.h"
#include "mainwindow/entry/AttachmentUpload.h"
#include "net/APIClient.h"
#include "net/AuthManager.h"
#include "platform/MemoryKeychain.h"
#include "records/MedbitLibrary.h"
#include "records/MedbitStore.h"
#include "records/PatientMedbits.h"
#include "records/PatientStore.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUuid>

#include <memory>
#include <optional>

using namespace ScreenTestKit;

namespace
{

const QString logoutPath = QStringLiteral("/api/auth/userLogout");
const QString editedText = QStringLiteral("Edited while signing out");
const QString createdText = QStringLiteral("Made while signing out");
const QString attachmentName = QStringLiteral("signing-out.pdf");

QCoro::Task<> changeEntry(QPointer<PatientMedbits> medbits, Medbit before, Medbit after)
{
    co_await medbits->updateMedbit(std::move(before), std::move(after));
}

QCoro::Task<> createEntry(QPointer<PatientMedbits> medbits, Medbit entry)
{
    co_await medbits->createMedbit(std::move(entry));
}

QCoro::Task<> attach(QPointer<PatientMedbits> medbits, QString patientID, QString entryID, QUrl file)
{
    const auto upload = [file, patientID, entryID] { return AttachmentUpload::upload(file, patientID, entryID); };
    co_await medbits->attachDocument(entryID, upload);
}

// As the entry form saves a new entry with an attachment: the upload starts as the creation's reply comes.
QCoro::Task<> createWithAttachment(QPointer<PatientMedbits> medbits, QString patientID, Medbit entry, QUrl file)
{
    const Medbit created = co_await medbits->createMedbit(std::move(entry));
    co_await attach(medbits, std::move(patientID), created.id, std::move(file));
}

QCoro::Task<> alreadyStarted()
{
    co_return;
}

// A star that waits its turn behind an edit of the same entry.
QCoro::Task<> editThenStar(QCoro::Task<> editing, QCoro::Task<> starring)
{
    co_await std::move(editing);
    co_await std::move(starring);
}

} // namespace

// Ending the session or the program with changes still on their way to the service, with two windows open:
// the sign-out and the quit wait for every change, whatever window or step it is in, and a change that fails
// meanwhile stops them where the user asked. Each change reaches the stand-in's handler only once the test
// opens its gate, after the sign-out or the quit was asked for.
class SessionEndTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void signOut_waitsForAChangeOnItsWay_thenEndsTheSession_data();
    void signOut_waitsForAChangeOnItsWay_thenEndsTheSession();
    void signOut_whileAnAskAnswerStreams_waitsForTheAnswer();
    void signOut_stopsAndShowsTheError_whenAChangeFailsMeanwhile();
    void closingTheLastWindow_waitsForAChangeOnItsWay_thenCloses();
    void savingDialog_quitNowLeavesTheChange_cancelKeepsTheProgram_data();
    void savingDialog_quitNowLeavesTheChange_cancelKeepsTheProgram();
    // Last: once the application's event loop has quit, no local event loop runs in this process again.
    void quit_waitsForAChangeOnItsWay_thenQuits();

private:
    PatientMedbits *entries() const { return m_records->medbits()->patient(m_patientID); }
    Medbit firstEntry() const { return entries()->medbits().first(); }
    void prepare(const QString &change);
    QStringList shownTurns(const AskRecords *ask) const;
    QString gatedPath(const QString &change, const Medbit &entry) const;
    QCoro::Task<> start(const QString &change, const Medbit &entry);
    void verifyOnTheService(const QString &change, const Medbit &entry);
    void gate(const QString &path, std::optional<int> status = std::nullopt);
    void pressSignOut();
    bool isLogoutOnItsWay() const;
    QJsonValue serviceCall(const QString &path);
    QJsonArray serviceList()
    {
        return serviceCall(QStringLiteral("/medbits/list/summary?patientId=") + m_patientID).toArray();
    }

    ClipboardTestSettings m_settings;
    StandinServer m_server;
    std::unique_ptr<MemoryKeychain> m_keychain;
    std::unique_ptr<ProgramRecords> m_records;
    std::unique_ptr<VantorelleApp> m_app;
    QPointer<MainWindow> m_first;
    QPointer<MainWindow> m_second;
    QString m_patientID;
    std::unique_ptr<QTemporaryDir> m_files;
    std::unique_ptr<DocumentImportManager> m_import;
    std::unique_ptr<MedbitStore> m_importStore;
    QString m_conversationID;
    QString m_channelID;
};

void SessionEndTest::initTestCase()
{
    QVERIFY(m_server.isRunning());
    APIClient::shared().setBaseURLForTesting(m_server.apiBase());
}

void SessionEndTest::init()
{
    m_server.reset();
    ClipboardTestSettings::clear();
    m_keychain = std::make_unique<MemoryKeychain>();
    m_records = std::make_unique<ProgramRecords>();
    m_app = std::make_unique<VantorelleApp>(m_keychain.get(), ContentView::factory(m_records.get()));
    m_first = m_app->openNewWindow();
    m_second = m_app->openNewWindow();
    AwaitTask::run(m_app->authManager()->login(StandinServer::demoEmail, StandinServer::demoPassword, true));
    for (MainWindow *window : {m_first.data(), m_second.data()})
        QTRY_COMPARE(window->rootView()->screen(), RootView::Screen::Main);
    QTRY_VERIFY(!m_app->patientStore()->selectedPatientID().isEmpty());
    m_patientID = m_app->patientStore()->selectedPatientID();
    QTRY_VERIFY(!entries()->medbits().isEmpty());
    m_files = std::make_unique<QTemporaryDir>();
}

void SessionEndTest::cleanup()
{
    m_server.openGates();
    m_server.clearFaults();
    QTRY_COMPARE(APIClient::shared().changes().count(), 0);
    m_import.reset();
    m_importStore.reset();
    m_app.reset();
    m_records.reset();
    SignedInSession::drainSharedClient();
    m_keychain.reset();
}

void SessionEndTest::signOut_waitsForAChangeOnItsWay_thenEndsTheSession_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("a star") << QStringLiteral("star");
    QTest::newRow("an edit") << QStringLiteral("edit");
    QTest::newRow("a delete") << QStringLiteral("delete");
    QTest::newRow("a star waiting its turn behind an edit") << QStringLiteral("editThenStar");
    QTest::newRow("a new entry") << QStringLiteral("create");
    QTest::newRow("an attachment upload") << QStringLiteral("upload");
    QTest::newRow("a new entry, then its attachment") << QStringLiteral("createWithAttachment");
    QTest::newRow("a batch save, storing its documents") << QStringLiteral("registerDocuments");
    QTest::newRow("a batch save, creating its entries") << QStringLiteral("bulkCreate");
    QTest::newRow("a health story") << QStringLiteral("healthStory");
    QTest::newRow("an Ask undo") << QStringLiteral("askUndo");
}

void SessionEndTest::signOut_waitsForAChangeOnItsWay_thenEndsTheSession()
{
    QFETCH(QString, change);
    const Medbit entry = firstEntry();
    const qsizetype listed = serviceList().size();
    prepare(change);
    gate(gatedPath(change, entry));
    QCoro::Task<> changing = start(change, entry);
    QTRY_COMPARE(m_server.gatedRequests(), 1);

    pressSignOut();
    // Nothing goes out while the change is on its way, and the settings window says what it waits for.
    QVERIFY(!isLogoutOnItsWay());
    QCOMPARE(child<QPushButton>(m_app->settingsView(), "signOutButton")->text(), QStringLiteral("Signing Out…"));
    QVERIFY(m_app->authManager()->isAuthenticated());

    m_server.openGates();
    QTRY_VERIFY(!m_app->authManager()->isAuthenticated());
    AwaitTask::run(std::move(changing));
    QCOMPARE(m_server.requests(logoutPath).size(), 1);
    for (MainWindow *window : {m_first.data(), m_second.data()})
        QTRY_COMPARE(window->rootView()->screen(), RootView::Screen::SignIn);

    AwaitTask::run(m_app->authManager()->login(StandinServer::demoEmail, StandinServer::demoPassword, true));
    verifyOnTheService(change, entry);
    if (change.startsWith(QLatin1String("create")))
        QCOMPARE(serviceList().size(), listed + 1);
    if (change == QLatin1String("registerDocuments") || change == QLatin1String("bulkCreate"))
        QVERIFY(serviceList().size() > listed);
}

void SessionEndTest::signOut_whileAnAskAnswerStreams_waitsForTheAnswer()
{
    const QString streamPath = QStringLiteral("/api/chats/get_answer_free");
    const QJsonArray chunks{
        QJsonObject{{"data", "event: message\ndata: {\"delta\":\"Half \"}\n\n"}},
        QJsonObject{{"data", "event: message\ndata: {\"delta\":\"an answer\"}\n\n"}, {"gate", true}}};
    m_server.scriptStream({{"path", streamPath}, {"chunks", chunks}});
    AskRecords *ask = m_records->askSessions()->records(m_patientID);
    QString conversationID;
    ask->askNew(QStringLiteral("What changed?"), [&](const QString &id) { conversationID = id; });
    const auto answer = [&] { return ask->conversation(conversationID)->turns.last().content; };
    QTRY_COMPARE(answer(), QStringLiteral("Half "));
    QTRY_COMPARE(m_server.gatedRequests(), 1);

    pressSignOut();
    QVERIFY(!isLogoutOnItsWay());
    m_server.openGates();
    QTRY_VERIFY(!m_app->authManager()->isAuthenticated());
    // The whole answer came before the session ended.
    QCOMPARE(answer(), QStringLiteral("Half an answer"));
    QVERIFY(!ask->isAsking());
    QCOMPARE(m_server.requests(logoutPath).size(), 1);
}

void SessionEndTest::signOut_stopsAndShowsTheError_whenAChangeFailsMeanwhile()
{
    const Medbit entry = firstEntry();
    gate(QStringLiteral("/api/medbits/update"), 500);
    QCoro::Task<> starring = start(QStringLiteral("star"), entry);
    QTRY_COMPARE(m_server.gatedRequests(), 1);
    pressSignOut();
    m_server.openGates();

    auto *error = child<QLabel>(m_app->settingsView(), "signOutError");
    QTRY_VERIFY(error->isVisible());
    QVERIFY2(error->text().startsWith(QStringLiteral("A change could not be saved, so you are still signed in: ")),
             qPrintable(error->text()));
    QVERIFY(m_app->authManager()->isAuthenticated());
    QVERIFY(m_server.requests(logoutPath).isEmpty());
    auto *signOut = child<QPushButton>(m_app->settingsView(), "signOutButton");
    QCOMPARE(signOut->text(), QStringLiteral("Sign Out"));
    QVERIFY(signOut->isEnabled());
    QVERIFY_THROWS_EXCEPTION(APIError, AwaitTask::run(std::move(starring)));

    // Nothing left on its way: the next press signs out at once, and the caption goes.
    QTest::mouseClick(signOut, Qt::LeftButton);
    QTRY_VERIFY(!m_app->authManager()->isAuthenticated());
    QCOMPARE(m_server.requests(logoutPath).size(), 1);
}

void SessionEndTest::quit_waitsForAChangeOnItsWay_thenQuits()
{
    const Medbit entry = firstEntry();
    gate(QStringLiteral("/api/medbits/update"));
    QCoro::Task<> starring = start(QStringLiteral("star"), entry);
    QTRY_COMPARE(m_server.gatedRequests(), 1);

    // Ctrl+Q in the window that did not make the change.
    m_second->findChild<QAction *>(QStringLiteral("quitAction"))->trigger();
    SavingChangesDialog *saving = m_app->savingChangesDialog();
    QVERIFY(saving && saving->isVisible());
    QCOMPARE(child<QLabel>(saving, "savingChangesText")->text(), QStringLiteral("Saving changes…"));
    QVERIFY(m_first->isVisible() && m_second->isVisible());

    // The program's own event loop runs until the quit: it ends only after the change's reply came.
    QTimer::singleShot(0, this, [this] { m_server.openGates(); });
    QTimer::singleShot(StateWaits::timeoutMs, qApp, [] { QCoreApplication::exit(1); });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(entries()->medbits().first().isStarred != entry.isStarred);
    QCOMPARE(APIClient::shared().changes().count(), 0);
    AwaitTask::run(std::move(starring));
    verifyOnTheService(QStringLiteral("star"), entry);
}

void SessionEndTest::closingTheLastWindow_waitsForAChangeOnItsWay_thenCloses()
{
    const Medbit entry = firstEntry();
    gate(QStringLiteral("/api/medbits/update"));
    QCoro::Task<> starring = start(QStringLiteral("star"), entry);
    QTRY_COMPARE(m_server.gatedRequests(), 1);

    // Another window stays open: this one closes at once, and the change goes on.
    QVERIFY(m_second->close());
    QTRY_VERIFY(!m_second);
    QVERIFY(!m_app->savingChangesDialog());
    QVERIFY(!m_first->close());
    QVERIFY(m_first->isVisible());
    QTRY_VERIFY(m_app->savingChangesDialog() && m_app->savingChangesDialog()->isVisible());

    m_server.openGates();
    QTRY_VERIFY(!m_first);
    QTRY_VERIFY(!m_app->savingChangesDialog());
    AwaitTask::run(std::move(starring));
    verifyOnTheService(QStringLiteral("star"), entry);
}

void SessionEndTest::savingDialog_quitNowLeavesTheChange_cancelKeepsTheProgram_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("closes");
    QTest::newRow("Quit Now") << QStringLiteral("quitNowButton") << true;
    QTest::newRow("Cancel") << QStringLiteral("cancelQuitButton") << false;
}

void SessionEndTest::savingDialog_quitNowLeavesTheChange_cancelKeepsTheProgram()
{
    QFETCH(QString, button);
    QFETCH(bool, closes);
    m_second->close();
    QTRY_VERIFY(!m_second);
    gate(QStringLiteral("/api/medbits/update"));
    QCoro::Task<> starring = start(QStringLiteral("star"), firstEntry());
    QTRY_COMPARE(m_server.gatedRequests(), 1);
    m_first->close();
    QTRY_VERIFY(m_app->savingChangesDialog());

    QTest::mouseClick(child<QPushButton>(m_app->savingChangesDialog(), qPrintable(button)), Qt::LeftButton);
    QTRY_VERIFY(!m_app->savingChangesDialog());
    QTRY_COMPARE(m_first.isNull(), closes);
    m_server.openGates();
    AwaitTask::run(std::move(starring));
    // Once the change has ended, the kept window closes at once.
    if (m_first) {
        QTRY_COMPARE(APIClient::shared().changes().count(), 0);
        QVERIFY(m_first->close());
    }
}

// An undo needs a conversation whose stored messages are shown: asked and answered before the case begins.
void SessionEndTest::prepare(const QString &change)
{
    if (change != QLatin1String("askUndo"))
        return;
    AskRecords *ask = m_records->askSessions()->records(m_patientID);
    ask->askNew(QStringLiteral("What changed?"), [this](const QString &id) { m_conversationID = id; });
    QTRY_VERIFY(!ask->isAsking() && ask->conversation(m_conversationID)->channelID);
    m_channelID = *ask->conversation(m_conversationID)->channelID;
    ask->loadConversationHistory(m_conversationID);
    QTRY_VERIFY(ask->isUndoOffered(m_conversationID, shownTurns(ask)));
}

// The conversation's turns as a screen that shows them all would.
QStringList SessionEndTest::shownTurns(const AskRecords *ask) const
{
    QStringList shown;
    for (const AskTurn &turn : ask->conversation(m_conversationID)->turns)
        shown << turn.id;
    return shown;
}

QString SessionEndTest::gatedPath(const QString &change, const Medbit &entry) const
{
    if (change == QLatin1String("askUndo"))
        return QStringLiteral("/api/chats/channels/") + m_channelID + QStringLiteral("/undo");
    if (change == QLatin1String("delete"))
        return QStringLiteral("/api/medbits/delete/") + entry.id;
    if (change == QLatin1String("create") || change == QLatin1String("createWithAttachment"))
        return QStringLiteral("/api/medbits/create");
    if (change == QLatin1String("upload"))
        return QStringLiteral("/api/medbits/upload_image");
    if (change == QLatin1String("registerDocuments"))
        return QStringLiteral("/api/patients/update_vector_store");
    if (change == QLatin1String("bulkCreate"))
        return QStringLiteral("/api/medbits/bulk_create");
    if (change == QLatin1String("healthStory"))
        return QStringLiteral("/api/chats/health_story");
    return QStringLiteral("/api/medbits/update");
}

// Starts the change as the window's store does when the user acts; the analysis of a batch save (which
// changes nothing) runs to its end first.
QCoro::Task<> SessionEndTest::start(const QString &change, const Medbit &entry)
{
    Medbit changed = entry;
    if (change == QLatin1String("star")) {
        changed.isStarred = !changed.isStarred;
        return changeEntry(entries(), entry, changed);
    }
    if (change == QLatin1String("edit")) {
        changed.entryText = editedText;
        return changeEntry(entries(), entry, changed);
    }
    if (change == QLatin1String("editThenStar")) {
        changed.entryText = editedText;
        Medbit starred = entry;
        starred.isStarred = !starred.isStarred;
        QCoro::Task<> editing = changeEntry(entries(), entry, changed);
        QCoro::Task<> starring = changeEntry(entries(), entry, starred);
        return editThenStar(std::move(editing), std::move(starring));
    }
    if (change == QLatin1String("delete"))
        return entries()->deleteMedbit(entry);
    if (change == QLatin1String("healthStory"))
        return m_records->healthStoryWriter()->write(m_patientID);
    if (change == QLatin1String("askUndo")) {
        AskRecords *ask = m_records->askSessions()->records(m_patientID);
        ask->undoLastQuestion(m_conversationID, shownTurns(ask));
        return alreadyStarted();
    }
    Medbit made;
    made.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    made.entryText = createdText;
    made.date = QDateTime::currentSecsSinceEpoch();
    if (change == QLatin1String("create"))
        return createEntry(entries(), made);
    const QString path = m_files->filePath(attachmentName);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write("%PDF-1.4 signing out") < 0)
        qFatal("cannot write a test file");
    file.close();
    if (change == QLatin1String("upload"))
        return attach(entries(), m_patientID, entry.id, QUrl::fromLocalFile(path));
    if (change == QLatin1String("createWithAttachment"))
        return createWithAttachment(entries(), m_patientID, made, QUrl::fromLocalFile(path));
    m_import = std::make_unique<DocumentImportManager>(m_patientID);
    m_importStore = std::make_unique<MedbitStore>(m_records->medbits(), m_patientID);
    m_import->importFiles({QUrl::fromLocalFile(path)});
    if (!QTest::qWaitFor([this] { return m_import->isExtractionDone(); }, StateWaits::timeoutMs))
        qFatal("the analysis did not finish");
    return m_import->review()->save(m_importStore.get());
}

void SessionEndTest::verifyOnTheService(const QString &change, const Medbit &entry)
{
    // The service writes the story and hands it back; it is kept here.
    if (change == QLatin1String("healthStory")) {
        QVERIFY(HealthStory::loadCached(m_patientID));
        return;
    }
    // The undo took the conversation's only question and answer, and the service dropped the channel with them.
    if (change == QLatin1String("askUndo")) {
        serviceCall(QStringLiteral("/chats/channels/") + m_channelID);
        QCOMPARE(m_server.lastStatus(), 404);
        return;
    }
    QString id = entry.id;
    if (change.startsWith(QLatin1String("create"))) {
        const QJsonArray list = serviceList();
        const auto made = std::find_if(list.begin(), list.end(), [](const QJsonValue &listed) {
            return listed[QLatin1String("entryText")].toString() == createdText;
        });
        QVERIFY(made != list.end());
        id = (*made)[QLatin1String("_id")].toString();
    }
    const QJsonValue stored = serviceCall(QStringLiteral("/medbits/get?medbitId=") + id);
    if (change == QLatin1String("star") || change == QLatin1String("editThenStar"))
        QCOMPARE(stored[QLatin1String("isStarred")].toBool(), !entry.isStarred);
    if (change == QLatin1String("edit") || change == QLatin1String("editThenStar"))
        QCOMPARE(stored[QLatin1String("entryText")].toString(), editedText);
    if (change == QLatin1String("delete"))
        QVERIFY(stored.isNull());
    if (change == QLatin1String("upload") || change == QLatin1String("createWithAttachment"))
        QCOMPARE(stored[QLatin1String("documents")].toArray().last()[QLatin1String("fileName")].toString(),
                 attachmentName);
}

void SessionEndTest::gate(const QString &path, std::optional<int> status)
{
    QJsonObject fault{{"path", path}, {"gate", true}};
    if (status) {
        fault.insert(QStringLiteral("status"), *status);
        fault.insert(QStringLiteral("body"), QStringLiteral(R"({"message":"The entry could not be saved."})"));
    }
    m_server.injectFault(fault);
}

// In the settings window, opened from the first window.
void SessionEndTest::pressSignOut()
{
    m_first->activateWindow();
    m_app->showSettings();
    QTest::mouseClick(child<QPushButton>(m_app->settingsView(), "signOutButton"), Qt::LeftButton);
}

// The client sends a request as soon as it is asked to: a sign-out that did not wait is already on its way.
bool SessionEndTest::isLogoutOnItsWay() const
{
    const QList<QNetworkReply *> replies = APIClient::shared().network()->findChildren<QNetworkReply *>();
    return std::any_of(replies.cbegin(), replies.cend(),
                       [](const QNetworkReply *reply) { return reply->url().path().endsWith(logoutPath.mid(4)); });
}

// The service's own copy, read with a session of the test's.
QJsonValue SessionEndTest::serviceCall(const QString &path)
{
    const StandinSession session = m_server.signIn();
    return m_server.apiCall("GET", path, {}, session.access);
}

QTEST_MAIN(SessionEndTest)
#include "SessionEndTest.moc"
