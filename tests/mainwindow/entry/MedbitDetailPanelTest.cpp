#include "mainwindow/entry/MedbitDetailPanel.h"
#include "ask/MarkdownAnswerLabel.h"
#include "mainwindow/ContentView.h"
#include "mainwindow/entry/AttachmentTile.h"
#include "mainwindow/entry/MedbitCategoryRow.h"
#include "platform/UrlOpener.h"
#include "records/MedbitStore.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Theme.h"
#include "window/WindowState.h"

#include "LinkServer.h"
#include "ScreenTestKit.h"
#include "SignedInSession.h"
#include "SignedInWindow.h"
#include "widgets/RemoteImageView.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QToolButton>
#include <QUrlQuery>

#include <array>
#include <memory>

using ScreenTestKit::child;

// The detail panel inside the real window, against the stand-in: changes go through the store and show
// when its list has them; questions stream their answer in.
class MedbitDetailPanelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_server.isRunning());
        SymbolIcons::installFallbackTheme();
        qputenv("TZ", "UTC");
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void init()
    {
        QVERIFY(m_window.open(QSize(1200, 800)));
        QTRY_VERIFY_WITH_TIMEOUT(panel() != nullptr, 10000);
        QTRY_COMPARE(panel()->medbit().id, m_window.view()->state()->selectedMedbit()->id);
    }

    void cleanup()
    {
        UrlOpener::setHandlerForTesting({});
        m_window.close();
    }

    void starThenLock_sendsOnePut_andShowsOnlyWhatTheStoreHas()
    {
        const Medbit before = panel()->medbit();
        auto *star = child<QToolButton>(panel(), "starButton");
        auto *lock = child<QToolButton>(panel(), "lockButton");
        QCOMPARE(star->accessibleName(), before.isStarred ? QStringLiteral("Unstar") : QStringLiteral("Star"));
        for (const char *name : {"starButton", "lockButton", "sendButton"})
            QVERIFY2(!child<QToolButton>(panel(), name)->icon().isNull(), name);
        star->click();
        lock->click(); // dropped: the star's update still runs
        QTRY_COMPARE(panel()->medbit().isStarred, !before.isStarred);
        m_window.session()->roundTrip();
        const QList<LoggedRequest> puts = m_window.session()->requests(QStringLiteral("/api/medbits/update"));
        QCOMPARE(puts.size(), 1);
        QCOMPARE(puts.first().json()[QStringLiteral("isStarred")].toBool(), !before.isStarred);
        QCOMPARE(puts.first().json()[QStringLiteral("isLocked")].toBool(), before.isLocked);
        QCOMPARE(panel()->medbit().isLocked, before.isLocked);
        QCOMPARE(child<QToolButton>(panel(), "starButton")->accessibleName(),
                 before.isStarred ? QStringLiteral("Star") : QStringLiteral("Unstar"));
    }

    void failedUpdate_showsItsMessage_andChangesNothing()
    {
        m_server.injectFault(
            {{QStringLiteral("path"), QStringLiteral("/api/medbits/update")},
             {QStringLiteral("status"), 500},
             {QStringLiteral("body"), QStringLiteral("{\"message\":\"Entries are read-only today.\"}")}});
        const Medbit before = panel()->medbit();
        const QString code = QStringLiteral("vx");
        auto *category = child<MedbitCategoryRow>(panel(), "category-vx");
        QCOMPARE(category->accessibleName(), QStringLiteral("Vaccination"));
        category->click();
        auto *error = child<QLabel>(panel(), "flagUpdateError");
        QTRY_COMPARE(ScreenTestKit::shownText(error), QStringLiteral("Entries are read-only today."));
        QCOMPARE(ScreenTestKit::textColor(error), Theme::errorColor());
        QCOMPARE(panel()->medbit(), before);
        QCOMPARE(category->isSelected(), before.tags.contains(code));
        QVERIFY(category->isEnabled());
    }

    void delete_asksFirst_andRemovesTheEntryThroughTheStore()
    {
        const QString id = panel()->medbit().id;
        const QString deletePath = QStringLiteral("/api/medbits/delete/") + id;
        child<QPushButton>(panel(), "deleteButton")->click();
        QMessageBox *alert = nullptr;
        QTRY_VERIFY((alert = panel()->findChild<QMessageBox *>(QStringLiteral("deleteAlert"))) != nullptr);
        QCOMPARE(alert->text(), QStringLiteral("Remove entry"));
        QCOMPARE(alert->informativeText(), QStringLiteral("This entry will be permanently deleted."));
        auto *confirm = child<QPushButton>(alert, "confirmDelete");
        QCOMPARE(alert->buttonRole(confirm), QMessageBox::DestructiveRole);
        const QImage drawn = confirm->grab().toImage();
        bool red = false;
        for (int y = 0; y < drawn.height() && !red; ++y) {
            for (int x = 0; x < drawn.width() && !red; ++x)
                red = drawn.pixelColor(x, y) == Theme::errorColor();
        }
        QVERIFY2(red, "Delete is drawn in red");
        child<QPushButton>(alert, "cancelDelete")->click();
        m_window.session()->roundTrip();
        QCOMPARE(m_window.session()->requests(deletePath).size(), 0);

        child<QPushButton>(panel(), "deleteButton")->click();
        QTRY_VERIFY((alert = panel()->findChild<QMessageBox *>(QStringLiteral("deleteAlert"))) != nullptr);
        child<QPushButton>(alert, "confirmDelete")->click();
        QTRY_VERIFY(std::none_of(store()->medbits().cbegin(), store()->medbits().cend(),
                                 [&](const Medbit &medbit) { return medbit.id == id; }));
        QCOMPARE(m_window.session()->requests(deletePath).size(), 1);
        QTRY_VERIFY(panel() && panel()->medbit().id != id);
    }

    void dialogsOverTheWindow_drawInItsLightPalette()
    {
        child<QPushButton>(panel(), "deleteButton")->click();
        QMessageBox *alert = nullptr;
        QTRY_VERIFY((alert = panel()->findChild<QMessageBox *>(QStringLiteral("deleteAlert"))) != nullptr);
        QVERIFY(drawsLight(alert));
        child<QPushButton>(alert, "cancelDelete")->click();
        child<QPushButton>(panel(), "editButton")->click();
        QDialog *form = nullptr;
        QTRY_VERIFY((form = panel()->window()->findChild<QDialog *>(QStringLiteral("createEntryView"))) != nullptr);
        QVERIFY(drawsLight(form));
        form->reject();
    }

    void failedDelete_isSilent_andTheEntryStays()
    {
        const QString id = panel()->medbit().id;
        m_server.injectFault(
            {{QStringLiteral("path"), QStringLiteral("/api/medbits/delete/") + id}, {QStringLiteral("status"), 500}});
        child<QPushButton>(panel(), "deleteButton")->click();
        QMessageBox *alert = nullptr;
        QTRY_VERIFY((alert = panel()->findChild<QMessageBox *>(QStringLiteral("deleteAlert"))) != nullptr);
        child<QPushButton>(alert, "confirmDelete")->click();
        auto *button = child<QPushButton>(panel(), "deleteButton");
        QTRY_COMPARE(m_window.session()->finishedReplies(QStringLiteral("/medbits/delete/") + id), 1);
        QTRY_COMPARE(button->text(), QStringLiteral("Delete"));
        QVERIFY(button->isEnabled());
        QCOMPARE(panel()->medbit().id, id);
        QCOMPARE(ScreenTestKit::shownText(child<QLabel>(panel(), "flagUpdateError")), QString());
    }

    void question_sendsTheExactPromptAndQuery_andStreamsMarkdown()
    {
        const Medbit medbit = panel()->medbit();
        auto *field = child<QLineEdit>(panel(), "askField");
        QCOMPARE(field->placeholderText(), QStringLiteral("Ask about this entry..."));
        QTest::keyClicks(field, QStringLiteral("  Is 1+1 & #2 fine?  "));
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(field->text(), QString());
        QCOMPARE(panel()->askExchanges().size(), 1);
        QCOMPARE(panel()->askExchanges().first().question, QStringLiteral("Is 1+1 & #2 fine?"));
        QTRY_VERIFY(panel()->askExchanges().first().isFinished);

        const QList<LoggedRequest> sent = m_window.session()->requests(QStringLiteral("/api/chats/get_answer_free"));
        QCOMPARE(sent.size(), 1);
        const QUrlQuery query(QString::fromLatin1(sent.first().query));
        QCOMPARE(query.queryItems().size(), 2);
        QCOMPARE(query.queryItemValue(QStringLiteral("patientId"), QUrl::FullyDecoded),
                 m_window.session()->patients()->selectedPatientID());
        const QString prompt = QStringLiteral("Regarding this health record entry \u2014 \"") + medbit.entryText +
                               QStringLiteral("\" (categories: ") + medbit.tags.join(QStringLiteral(", ")) +
                               QStringLiteral(", dated ") + medbit.displayDate() +
                               QStringLiteral("): Is 1+1 & #2 fine?");
        QCOMPARE(query.queryItemValue(QStringLiteral("content"), QUrl::FullyDecoded), prompt);
        QCOMPARE(sent.first().header("Accept"), QByteArray("text/event-stream"));

        const AskExchange &answered = panel()->askExchanges().first();
        QVERIFY(!answered.isError);
        QVERIFY(answered.answer.startsWith(QStringLiteral("**Answer**")));
        auto *shown = child<MarkdownAnswerLabel>(panel(), "askAnswer");
        QVERIFY(shown->text().contains(QStringLiteral("font-weight")));
        QVERIFY(!shown->text().contains(QStringLiteral("**")));
        QVERIFY(panel()->findChild<QWidget *>(QStringLiteral("askSpinner")) == nullptr);
        QVERIFY(child<QToolButton>(panel(), "sendButton")->accessibleName() == QStringLiteral("Send"));
    }

    void question_failures_data()
    {
        QTest::addColumn<QJsonObject>("script");
        QTest::addColumn<bool>("isFault");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("isError");
        const QString path = QStringLiteral("/api/chats/get_answer_free");
        const auto chunk = [](const char *data) { return QJsonObject{{QStringLiteral("data"), QLatin1String(data)}}; };
        QTest::newRow("status 500") << QJsonObject{{QStringLiteral("path"), path}, {QStringLiteral("status"), 500}}
                                    << true << QStringLiteral("Request failed with status 500.") << true;
        QTest::newRow("stream_error after a piece")
            << QJsonObject{{QStringLiteral("path"), path},
                           {QStringLiteral("chunks"),
                            QJsonArray{chunk("event: message\ndata: {\"delta\":\"Par\"}\n\n"),
                                       chunk("event: stream_error\ndata: {\"message\":\"Model busy.\"}\n\n")}}}
            << false << QStringLiteral("Model busy.") << true;
        QTest::newRow("unreadable stream_error")
            << QJsonObject{{QStringLiteral("path"), path},
                           {QStringLiteral("chunks"), QJsonArray{chunk("event: stream_error\ndata: nope\n\n")}}}
            << false << QStringLiteral("Something went wrong.") << true;
        QTest::newRow("ends without text")
            << QJsonObject{{QStringLiteral("path"), path},
                           {QStringLiteral("chunks"), QJsonArray{chunk("event: message\ndata: nope\n\n")}}}
            << false << QStringLiteral("No answer received.") << false;
        QTest::newRow("ends without done")
            << QJsonObject{{QStringLiteral("path"), path},
                           {QStringLiteral("chunks"),
                            QJsonArray{chunk("event: message\ndata: {\"delta\":\"Half\"}\n\n")}}}
            << false << QStringLiteral("Half") << false;
    }

    void question_failures()
    {
        QFETCH(QJsonObject, script);
        QFETCH(bool, isFault);
        QFETCH(QString, answer);
        QFETCH(bool, isError);
        if (isFault)
            m_server.injectFault(script);
        else
            m_server.scriptStream(script);
        auto *field = child<QLineEdit>(panel(), "askField");
        QTest::keyClicks(field, QStringLiteral("Why?"));
        QTest::keyClick(field, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(panel()->askExchanges().first().isFinished, 10000);
        const AskExchange &exchange = panel()->askExchanges().first();
        QCOMPARE(exchange.isError, isError);
        if (!answer.isEmpty())
            QCOMPARE(exchange.answer, answer);
        QVERIFY(!exchange.answer.isEmpty());
        QVERIFY(panel()->findChild<QWidget *>(QStringLiteral("askSpinner")) == nullptr);
        QCOMPARE(child<MarkdownAnswerLabel>(panel(), "askAnswer")->property("isError").toBool(), isError);
        QTest::keyClicks(field, QStringLiteral("Again"));
        QVERIFY(child<QToolButton>(panel(), "sendButton")->isEnabled());
    }

    void question_staysWithItsEntry_whileAnotherIsShown()
    {
        const auto chunk = [](const char *data, int pauseMs) {
            return QJsonObject{{QStringLiteral("data"), QLatin1String(data)}, {QStringLiteral("pauseMs"), pauseMs}};
        };
        m_server.scriptStream(QJsonObject{
            {QStringLiteral("path"), QStringLiteral("/api/chats/get_answer_free")},
            {QStringLiteral("chunks"), QJsonArray{chunk("event: message\ndata: {\"delta\":\"Fine\"}\n\n", 0),
                                                  chunk("event: message\ndata: {\"delta\":\" so far\"}\n\n", 2000)}}});
        const Medbit first = panel()->medbit();
        const Medbit second = store()->medbits().at(1);
        auto *field = child<QLineEdit>(panel(), "askField");
        QTest::keyClicks(field, QStringLiteral("Why?"));
        QTest::keyClick(field, Qt::Key_Return);
        // The answer has begun; on a loaded machine its end may already be in too.
        QTRY_VERIFY(!panel()->askExchanges().isEmpty() &&
                    panel()->askExchanges().first().answer.startsWith(QStringLiteral("Fine")));

        // Another entry shows none of the first one's questions, and its stream never writes there.
        m_window.view()->state()->setSelectedMedbit(second);
        QTRY_COMPARE(panel()->medbit().id, second.id);
        QVERIFY(panel()->askExchanges().isEmpty());
        QVERIFY(!child<QScrollArea>(panel(), "askExchanges")->isVisible());
        QTRY_COMPARE(m_window.session()->finishedReplies(QStringLiteral("/chats/get_answer_free")), 1);
        QVERIFY(panel()->askExchanges().isEmpty());
        QVERIFY(panel()->findChild<QLabel *>(QStringLiteral("askQuestion")) == nullptr);

        // Back on the first entry, its question shows with the whole answer.
        m_window.view()->state()->setSelectedMedbit(first);
        QTRY_COMPARE(panel()->medbit().id, first.id);
        QCOMPARE(panel()->askExchanges().size(), 1);
        QTRY_VERIFY(panel()->askExchanges().first().isFinished);
        QCOMPARE(panel()->askExchanges().first().answer, QStringLiteral("Fine so far"));
        QCOMPARE(child<QLabel>(panel(), "askQuestion")->text(), QStringLiteral("Why?"));
        QVERIFY(child<QScrollArea>(panel(), "askExchanges")->isVisible());
    }

    // An unsent question belongs to the patient's entry it was typed about: another entry, the same patient's
    // or another's, shows its own or none, so Return there sends nothing about it.
    void unsentQuestion_staysWithItsEntry_acrossEntriesAndPatients()
    {
        const Medbit first = panel()->medbit();
        const Medbit second = store()->medbits().at(1);
        QTest::keyClicks(askField(), QStringLiteral("Is this dose right?"));
        m_window.view()->state()->setSelectedMedbit(second);
        QTRY_COMPARE(panel()->medbit().id, second.id);
        QCOMPARE(askField()->text(), QString());
        QTest::keyClicks(askField(), QStringLiteral("And this one?"));

        const QString sam = choosePatient(QStringLiteral("Sam Rivera"));
        QTRY_VERIFY(shows(sam, store()->medbits().value(0).id));
        QCOMPARE(askField()->text(), QString());
        QVERIFY(!child<QToolButton>(panel(), "sendButton")->isEnabled());
        QTest::keyClick(askField(), Qt::Key_Return);
        QVERIFY(panel()->askExchanges().isEmpty());

        const QString alex = choosePatient(QStringLiteral("Alex Rivera"));
        QTRY_VERIFY(shows(alex, first.id));
        QCOMPARE(askField()->text(), QStringLiteral("Is this dose right?"));
        m_window.view()->state()->setSelectedMedbit(store()->medbits().at(1));
        QTRY_COMPARE(panel()->medbit().id, second.id);
        QCOMPARE(askField()->text(), QStringLiteral("And this one?"));
        QCOMPARE(m_window.session()->requests(QStringLiteral("/api/chats/get_answer_free")).size(), 0);
    }

    void answerLinks_openOnlyWebAndMail_andANewQuestionScrollsToTheEnd()
    {
        QList<QUrl> opened;
        UrlOpener::setHandlerForTesting([&opened](const QUrl &url) { opened.append(url); });
        QString longAnswer = QStringLiteral("See [the guide](https://example.org/guide).");
        for (int line = 0; line < 40; ++line)
            longAnswer += QStringLiteral("\\n\\nLine ") + QString::number(line);
        const QString event =
            QStringLiteral("event: message\ndata: {\"delta\":\"") + longAnswer + QStringLiteral("\"}\n\n");
        auto *field = child<QLineEdit>(panel(), "askField");
        QScrollBar *bar = child<QScrollArea>(panel(), "askExchanges")->verticalScrollBar();
        for (const int pauseMs : {0, 1500}) {
            m_server.scriptStream(
                {{QStringLiteral("path"), QStringLiteral("/api/chats/get_answer_free")},
                 {QStringLiteral("chunks"),
                  QJsonArray{QJsonObject{{QStringLiteral("data"), event}, {QStringLiteral("pauseMs"), pauseMs}}}}});
            QTest::keyClicks(field, QStringLiteral("Why?"));
            QTest::keyClick(field, Qt::Key_Return);
            if (pauseMs > 0)
                QTRY_VERIFY(bar->maximum() > 0 && bar->value() == bar->maximum()); // the new question in view
            QTRY_VERIFY_WITH_TIMEOUT(panel()->askExchanges().last().isFinished, 10000);
        }
        const int scrolled = bar->value();
        QTRY_VERIFY(bar->maximum() > scrolled); // the grown answer left the scroll where it was
        QCOMPARE(bar->value(), scrolled);

        auto *answer = child<MarkdownAnswerLabel>(panel(), "askAnswer");
        for (const char *link :
             {"https://example.org/guide", "javascript:alert(1)", "file:///etc/passwd", "mailto:care@example.org"})
            Q_EMIT answer->linkActivated(QString::fromLatin1(link));
        QCOMPARE(opened, (QList<QUrl>{QUrl(QStringLiteral("https://example.org/guide")),
                                      QUrl(QStringLiteral("mailto:care@example.org"))}));
    }

    void attachmentTile_showsThumbnailOrSymbol_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("thumbnailPath");
        QTest::addColumn<bool>("previewOpen");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<bool>("thumbnailShown");
        QTest::newRow("no attachment") << QString() << QString() << false << QStringLiteral("photo") << false;
        QTest::newRow("PDF without thumbnail")
            << QStringLiteral("scan.pdf") << QString() << false << QStringLiteral("doc.text.fill") << false;
        QTest::newRow("image without thumbnail")
            << QStringLiteral("x.png") << QString() << false << QStringLiteral("photo") << false;
        QTest::newRow("thumbnail loads") << QStringLiteral("scan.pdf") << QStringLiteral("/thumb.png") << false
                                         << QString() << true;
        QTest::newRow("thumbnail fails: the kind's symbol")
            << QStringLiteral("scan.pdf") << QStringLiteral("/missing.png") << false << QStringLiteral("doc.text.fill")
            << false;
        QTest::newRow("preview open") << QStringLiteral("scan.pdf") << QStringLiteral("/thumb.png") << true
                                      << QStringLiteral("paperclip") << false;
    }

    void attachmentTile_showsThumbnailOrSymbol()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, thumbnailPath);
        QFETCH(bool, previewOpen);
        QFETCH(QString, symbol);
        QFETCH(bool, thumbnailShown);
        LinkServer links;
        links.serve(QStringLiteral("/thumb.png"), LinkServer::samplePng(), "image/png");
        std::optional<ImageAsset> document;
        if (!fileName.isEmpty()) {
            document = ImageAsset();
            document->fileName = fileName;
            if (!thumbnailPath.isEmpty())
                document->thumbnail = links.url(thumbnailPath).toString();
        }
        AttachmentTile tile;
        tile.setDocument(document, previewOpen);
        tile.show();
        auto *thumbnail = child<RemoteImageView>(&tile, "attachmentThumbnail");
        if (!thumbnailPath.isEmpty() && !previewOpen)
            QTRY_VERIFY(thumbnail->phase() != RemoteImageView::Phase::loading);
        QCOMPARE(tile.symbol(), symbol);
        if (!symbol.isEmpty())
            QVERIFY(!SymbolIcons::tinted(symbol, 24, Qt::blue).isNull());
        QCOMPARE(thumbnail->isVisible(), thumbnailShown);
        QCOMPARE(tile.isEnabled(), document.has_value());
    }

private:
    static bool drawsLight(const QWidget *dialog)
    {
        const QPalette light = Theme::palette();
        return std::all_of(lightRoles.cbegin(), lightRoles.cend(), [&](QPalette::ColorRole role) {
            return dialog->palette().color(role) == light.color(role);
        });
    }

    static constexpr std::array lightRoles{QPalette::Window, QPalette::Base, QPalette::Highlight,
                                           QPalette::PlaceholderText};

    MedbitDetailPanel *panel() const { return m_window.view()->findChild<MedbitDetailPanel *>(); }
    QLineEdit *askField() const { return child<QLineEdit>(panel(), "askField"); }

    // The panel shows `entryID` of `patientID`'s entries, loaded for that patient.
    bool shows(const QString &patientID, const QString &entryID) const
    {
        return store()->patientID() == patientID && !store()->isLoading() && panel() &&
               panel()->medbit().id == entryID && !entryID.isEmpty();
    }

    // As a person does: the patient menu's item.
    QString choosePatient(const QString &name)
    {
        for (QAction *item : child<QToolButton>(m_window.view(), "patientPicker")->menu()->actions()) {
            if (item->text() == name) {
                item->trigger();
                return item->data().toString();
            }
        }
        return {};
    }
    MedbitStore *store() const { return m_window.view()->medbitStore(); }

    StandinServer m_server;
    SignedInWindow m_window{m_server};
};

QTEST_MAIN(MedbitDetailPanelTest)
#include "MedbitDetailPanelTest.moc"
