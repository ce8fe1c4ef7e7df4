#include "FocusChain.h"
#include "ImportFixture.h"
#include "ScreenTestKit.h"

#include "import/ReviewTextField.h"
#include "import/SmartTimelinePreviewView.h"
#include "records/MedbitStore.h"

#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>

using ScreenTestKit::child;
using ScreenTestKit::shownText;

namespace
{

const QString bulkCreatePath = QStringLiteral("/api/medbits/bulk_create");
const QString translatePath = QStringLiteral("/api/patients/translate_preview_medbits");

} // namespace

// The review sheet over a real import on the stand-in: progress, sections, edits, translation and save.
class SmartTimelinePreviewViewTest : public QObject
{
    Q_OBJECT

private:
    ImportFixture f;
    std::unique_ptr<MedbitStore> m_store;
    std::unique_ptr<SmartTimelinePreviewView> m_view;

    QWidget *section(const QString &tag) const
    {
        return m_view->findChild<QWidget *>(QStringLiteral("reviewSection-") + tag);
    }
    QPushButton *header(const QString &tag) const { return section(tag)->findChild<QPushButton *>("sectionHeader"); }
    QString count(const QString &tag) const { return shownText(section(tag)->findChild<QLabel *>("sectionCount")); }
    QList<ReviewTextField *> editors(const char *name) const
    {
        QList<ReviewTextField *> shown;
        for (ReviewTextField *editor : m_view->findChildren<ReviewTextField *>(QLatin1String(name)))
            if (editor->isVisible())
                shown.append(editor);
        return shown;
    }
    // Clicks into the field, as a person does, presses `key` and types `text`.
    static QPlainTextEdit *type(ReviewTextField *field, QKeyCombination key, const QString &text)
    {
        QTest::mouseClick(field, Qt::LeftButton);
        QPlainTextEdit *open = field->editor();
        QTest::keyClick(open, key.key(), key.keyboardModifiers());
        QTest::keyClicks(open, text);
        return open;
    }
    QString title() const { return child<QLabel>(m_view.get(), "reviewTitle")->text(); }

    // Opens the sheet as the window does: once the import has started.
    void startImport(const QList<QUrl> &files)
    {
        f.m_manager->importFiles(files);
        m_view = std::make_unique<SmartTimelinePreviewView>(f.m_manager.get(), m_store.get());
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    }

    void reviewOneFile()
    {
        startImport({f.file("checkup.pdf")});
        QTRY_COMPARE_WITH_TIMEOUT(title(), QStringLiteral("Review Timeline"), f.deadlineMs);
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(f.m_server.isRunning()); }

    void init()
    {
        f.setUp();
        m_store = std::make_unique<MedbitStore>();
        m_store->setPatientID(f.patientID(0));
        QTRY_VERIFY_WITH_TIMEOUT(!m_store->medbits().isEmpty(), f.deadlineMs);
    }

    void cleanup()
    {
        m_view.reset();
        m_store.reset();
        f.tearDown();
    }

    void progress_thenReview_withSectionsAndCounts()
    {
        f.m_server.injectFault({{"method", "POST"}, {"path", f.analyzePath}, {"delayMs", 300}});
        startImport({f.file("checkup.pdf")});
        QCOMPARE(title(), QStringLiteral("Smart Timeline"));
        QVERIFY(!child<QPushButton>(m_view.get(), "saveButton")->isVisible());
        QVERIFY(child<QLabel>(m_view.get(), "progressLabel")->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(title(), QStringLiteral("Review Timeline"), f.deadlineMs);
        QCOMPARE(child<QPushButton>(m_view.get(), "saveButton")->text(), QStringLiteral("Save"));
        QCOMPARE(count(QStringLiteral("hx")), QStringLiteral("1"));
        QCOMPARE(count(QStringLiteral("ax")), QStringLiteral("0"));
        QVERIFY(header(QStringLiteral("hx"))->isEnabled());
        QVERIFY(!header(QStringLiteral("ax"))->isEnabled());
        QVERIFY(header(QStringLiteral("hx"))->accessibleName().endsWith(QStringLiteral(", 1 entry")));
        QVERIFY(header(QStringLiteral("ax"))->accessibleName().endsWith(QStringLiteral(", 0 entries")));
        QCOMPARE(editors("entryTextEditor").size(), 3);
        QCOMPARE(editors("entryTextEditor").first()->toPlainText(), QStringLiteral("Condition noted in checkup"));
    }

    void collapsingASection_hidesOnlyItsRows()
    {
        reviewOneFile();
        QTest::mouseClick(header(QStringLiteral("hx")), Qt::LeftButton);
        QCOMPARE(editors("entryTextEditor").size(), 2);
        QCOMPARE(count(QStringLiteral("hx")), QStringLiteral("1"));
        QTest::mouseClick(header(QStringLiteral("hx")), Qt::LeftButton);
        QCOMPARE(editors("entryTextEditor").size(), 3);
    }

    void typing_keepsTheEditorAndItsFocus_andDeleteEmptiesTheSection()
    {
        reviewOneFile();
        ReviewTextField *editor = editors("entryTextEditor").first();
        QPlainTextEdit *open = type(editor, Qt::ControlModifier | Qt::Key_End, QStringLiteral(", mild"));
        QCOMPARE(editors("entryTextEditor").first(), editor);
        QVERIFY(open->hasFocus());
        QCOMPARE(f.review()->sections().first().medbits.first().entryText,
                 QStringLiteral("Condition noted in checkup, mild"));
        QTest::mouseClick(section(QStringLiteral("hx"))->findChild<QToolButton *>("deleteButton"), Qt::LeftButton);
        QTRY_COMPARE(editors("entryTextEditor").size(), 2);
        QCOMPARE(count(QStringLiteral("hx")), QStringLiteral("0"));
        QVERIFY(!header(QStringLiteral("hx"))->isEnabled());
    }

    void typingPastTheLine_growsTheRow_andMovesTheRowsBelow()
    {
        reviewOneFile();
        const QList<ReviewTextField *> shown = editors("entryTextEditor");
        QWidget *list = child<QScrollArea>(m_view.get(), "reviewList")->widget();
        const auto top = [list](QWidget *row) { return row->mapTo(list, QPoint()).y(); };
        // The sheet shows its sections before it lays them out: wait for the first row's own height, with the
        // next row below it.
        QTRY_VERIFY(shown.at(0)->height() > 0 &&
                    shown.at(0)->height() == shown.at(0)->heightForWidth(shown.at(0)->width()) &&
                    top(shown.at(1)) >= top(shown.at(0)) + shown.at(0)->height());
        const int oneLine = shown.at(0)->height();
        const int nextTop = top(shown.at(1));
        type(shown.at(0), Qt::ControlModifier | Qt::Key_End,
             QStringLiteral(", mild since the spring of 2019, checked twice a year by the family doctor"));
        QTRY_VERIFY(shown.at(0)->height() > oneLine);
        QTRY_COMPARE(top(shown.at(1)) - nextTop, shown.at(0)->height() - oneLine);
    }

    void translateFromTheMenu_thenUndo()
    {
        reviewOneFile();
        auto *menu = m_view->findChild<QMenu *>(QStringLiteral("translateMenu"));
        QCOMPARE(menu->actions().size(), 20);
        menu->actions().at(1)->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(child<QToolButton>(m_view.get(), "undoTranslationButton")->isVisible(), f.deadlineMs);
        QVERIFY(!child<QToolButton>(m_view.get(), "translateMenuButton")->isVisible());
        const QString code = menu->actions().at(1)->data().toString();
        QCOMPARE(f.m_server.requests(translatePath).size(), 1);
        QCOMPARE(editors("translationEditor").size(), 3);
        QCOMPARE(editors("translationEditor").first()->toPlainText(),
                 QStringLiteral("[%1] Condition noted in checkup").arg(code));
        QTest::mouseClick(child<QToolButton>(m_view.get(), "undoTranslationButton"), Qt::LeftButton);
        QCOMPARE(editors("translationEditor").size(), 0);
        QVERIFY(child<QToolButton>(m_view.get(), "translateMenuButton")->isVisible());
        for (const PreviewMedbit &medbit : f.review()->flattenedSuggestions())
            QVERIFY(!medbit.translated);
    }

    void save_sendsTheEditedEntries_putsThemFirst_andCloses()
    {
        reviewOneFile();
        ReviewTextField *editor = editors("entryTextEditor").first();
        type(editor, Qt::ControlModifier | Qt::Key_A, QStringLiteral("Asthma"));
        f.m_server.injectFault({{"path", bulkCreatePath}, {"delayMs", 300}});
        auto *save = child<QPushButton>(m_view.get(), "saveButton");
        QTest::mouseClick(save, Qt::LeftButton);
        QCOMPARE(save->text(), QStringLiteral("Saving…"));
        QVERIFY(!save->isEnabled());
        QVERIFY(!child<QPushButton>(m_view.get(), "cancelButton")->isEnabled());
        // The save sends the entries of the moment it started: no edits meanwhile.
        QVERIFY(!editor->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!m_view->isVisible(), f.deadlineMs);
        const QList<LoggedRequest> sent = f.m_server.requests(bulkCreatePath);
        QCOMPARE(sent.size(), 1);
        const QJsonArray medbits = sent.first().json()[QLatin1String("medbits")].toArray();
        QCOMPARE(medbits.size(), 3);
        QCOMPARE(medbits.first()[QLatin1String("entryText")].toString(), QStringLiteral("Asthma"));
        QCOMPARE(m_store->medbits().first().entryText, QStringLiteral("Asthma"));
        QVERIFY(!f.m_manager->isReviewPresented());
    }

    void returnKey_neverSaves_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::newRow("a row's star") << QStringLiteral("starButton");
        QTest::newRow("a section header") << QStringLiteral("sectionHeader");
        QTest::newRow("translate") << QStringLiteral("translateMenuButton");
    }

    void returnKey_neverSaves()
    {
        reviewOneFile();
        QFETCH(QString, focus);
        QWidget *target = m_view->findChild<QWidget *>(focus);
        target->setFocus();
        QTRY_VERIFY(target->hasFocus());
        for (int press = 0; press < 3; ++press)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        f.m_session->roundTrip();
        QVERIFY(m_view->isVisible());
        QCOMPARE(f.m_server.requests(bulkCreatePath).size(), 0);
        for (QPushButton *button : m_view->findChildren<QPushButton *>())
            QVERIFY2(!button->isDefault() && !button->autoDefault(), qPrintable(button->objectName()));
    }

    void removingEverySuggestion_disablesSave_andSaysWhy()
    {
        reviewOneFile();
        auto *save = child<QPushButton>(m_view.get(), "saveButton");
        QVERIFY(!child<QLabel>(m_view.get(), "nothingToSave")->isVisible());
        while (QToolButton *remove = m_view->findChild<QToolButton *>(QStringLiteral("deleteButton"))) {
            QTest::mouseClick(remove, Qt::LeftButton);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        QVERIFY(!save->isEnabled());
        QCOMPARE(shownText(child<QLabel>(m_view.get(), "nothingToSave")),
                 QStringLiteral("Every suggestion was removed: there is nothing to save."));
        QTest::mouseClick(save, Qt::LeftButton);
        QVERIFY(m_view->isVisible());
    }

    void everyFocusStop_isNamed_inVisualOrder()
    {
        reviewOneFile();
        VERIFY_EVERY_FOCUS_STOP_NAMED(m_view.get());
        QStringList order;
        for (const QWidget *stop : FocusChain::stops(m_view.get()))
            order.append(stop->objectName());
        const QStringList row{"entryTextEditor", "starButton", "lockButton", "deleteButton"};
        QCOMPARE(order.mid(0, 4), (QStringList{"cancelButton", "saveButton", "translateMenuButton", "sectionHeader"}));
        QCOMPARE(order.mid(4, 4), row);
        QCOMPARE(order.mid(8, 1), QStringList{"sectionHeader"});
    }

    void failedSave_showsInRed_andNeverAsTheImportError()
    {
        reviewOneFile();
        f.m_server.injectFault({{"path", bulkCreatePath}, {"status", 500}, {"body", R"({"message":"Disk full."})"}});
        QTest::mouseClick(child<QPushButton>(m_view.get(), "saveButton"), Qt::LeftButton);
        auto *error = child<QLabel>(m_view.get(), "reviewError");
        QTRY_COMPARE_WITH_TIMEOUT(shownText(error), QStringLiteral("Disk full."), f.deadlineMs);
        QVERIFY(m_view->isVisible());
        QVERIFY(!f.m_manager->activeError());
        QCOMPARE(child<QPushButton>(m_view.get(), "saveButton")->text(), QStringLiteral("Save"));
        QCOMPARE(editors("entryTextEditor").size(), 3);
    }

    void errorsRaisedWhileOpen_showInRed_butNotTheOneBefore()
    {
        f.m_manager->setActiveError(DocumentImportError::uploadFailed(QStringLiteral("Earlier.")));
        f.m_server.scriptStream(
            {{"method", "POST"},
             {"path", f.analyzePath},
             {"chunks",
              QJsonArray{QJsonObject{{"data", "event: stream_error\ndata: {\"message\":\"Unreadable.\"}\n\n"}}}}});
        startImport({f.file("blurry.pdf")});
        auto *error = child<QLabel>(m_view.get(), "progressError");
        QVERIFY(shownText(error).isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(shownText(error), QStringLiteral("Unreadable."), f.deadlineMs);
        QCOMPARE(title(), QStringLiteral("Smart Timeline"));
    }

    void cancelDuringUpload_endsTheImport()
    {
        f.m_server.injectFault({{"method", "POST"}, {"path", f.analyzePath}, {"hang", true}});
        startImport({f.file("big.pdf")});
        QTRY_COMPARE_WITH_TIMEOUT(f.m_server.requests(f.analyzePath).size(), 1, f.deadlineMs);
        QTest::mouseClick(child<QPushButton>(m_view.get(), "cancelButton"), Qt::LeftButton);
        QVERIFY(!m_view->isVisible());
        QVERIFY(!f.m_manager->isReviewPresented());
        f.m_session->roundTrip();
        QVERIFY(!f.m_manager->activeError());
    }
};

QTEST_MAIN(SmartTimelinePreviewViewTest)
#include "SmartTimelinePreviewViewTest.moc"
