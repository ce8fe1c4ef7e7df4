#include "FocusChain.h"
#include "ImportFixture.h"
#include "ScreenTestKit.h"

#include "import/ReviewTextField.h"
#include "import/SmartTimelinePreviewView.h"
#include "records/MedbitStore.h"

#include <QAccessible>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QToolButton>

using ScreenTestKit::child;
using ScreenTestKit::shownText;

namespace
{

const QString bulkCreatePath = QStringLiteral("/api/medbits/bulk_create");
const QString translatePath = QStringLiteral("/api/patients/translate_preview_medbits");
// Every section answered with no entry, then the end.
const QString analysisFindingNothing =
    QStringLiteral("event: message\ndata: {\"tag\":\"hx\",\"items\":[]}\n\n"
                   "event: message\ndata: {\"tag\":\"lab\",\"items\":[]}\n\n"
                   "event: done\ndata: {\"files\":[{\"fileName\":\"checkup.pdf\",\"filePath\":\"s/checkup.pdf\","
                   "\"mimetype\":\"application/pdf\"}],\"analyzeId\":\"an-1\"}\n\n");

// An analysis that suggests, for each tag, that many entries, then ends.
QJsonObject analysisSuggesting(const QList<std::pair<QString, int>> &counts)
{
    QString events;
    for (const auto &[tag, count] : counts) {
        QJsonArray items;
        for (int i = 0; i < count; ++i)
            items.append(QJsonObject{{"_id", QStringLiteral("%1-%2").arg(tag).arg(i)},
                                     {"entryText", QStringLiteral("Suggestion %1 of %2").arg(i).arg(tag)},
                                     {"date", 1700000000 + i},
                                     {"tags", QJsonArray{tag}}});
        const QJsonObject message{{"tag", tag}, {"items", items}};
        events += QStringLiteral("event: message\ndata: %1\n\n")
                      .arg(QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact)));
    }
    events += QStringLiteral("event: done\ndata: {\"files\":[],\"analyzeId\":\"a1\"}\n\n");
    return {{"method", "POST"},
            {"path", ImportFixture::analyzePath},
            {"chunks", QJsonArray{QJsonObject{{"data", events}}}}};
}

// The control a focused widget stands for: an open editor stands for its review text.
QWidget *stopOf(QWidget *focus)
{
    if (auto *field = qobject_cast<ReviewTextField *>(focus->parentWidget()))
        return field;
    return focus;
}

// Where a control stands in reading order: rows top to bottom, within a row left to right, then top to bottom.
std::tuple<int, int, int> readingPlace(QWidget *control, QWidget *root)
{
    QWidget *line = control;
    for (QWidget *up = control; up && up != root; up = up->parentWidget())
        if (up->objectName().startsWith(QLatin1String("previewMedbitRow-")))
            line = up;
    const QPoint at = control->mapTo(root, QPoint());
    return {line->mapTo(root, QPoint()).y(), at.x(), at.y()};
}

// A control as a failure message names it: its name, and the row or section it belongs to.
QString describe(QWidget *control)
{
    QString owner;
    for (QWidget *up = control->parentWidget(); up && owner.isEmpty(); up = up->parentWidget())
        if (up->objectName().startsWith(QLatin1String("previewMedbitRow-")) ||
            up->objectName().startsWith(QLatin1String("reviewSection-")))
            owner = up->objectName();
    return control->objectName() + QLatin1Char('@') + owner;
}

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

    // Every control a person can reach, in the order the sheet draws them.
    QStringList controlsInDrawnOrder() const
    {
        // Rows built a moment ago have their places once the pending layouts have run.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QList<QWidget *> controls;
        for (QWidget *widget : m_view->findChildren<QWidget *>())
            if ((widget->focusPolicy() & Qt::TabFocus) && widget->isVisible() && widget->isEnabled())
                controls.append(widget);
        std::stable_sort(controls.begin(), controls.end(), [this](QWidget *a, QWidget *b) {
            return readingPlace(a, m_view.get()) < readingPlace(b, m_view.get());
        });
        QStringList described;
        for (QWidget *control : controls)
            described << describe(control);
        return described;
    }

    // Presses Tab, or Shift+Tab, `presses` times; lists each control reached, checking that it is in sight.
    QStringList walk(Qt::KeyboardModifier modifier, qsizetype presses) const
    {
        auto *list = child<QScrollArea>(m_view.get(), "reviewList");
        QStringList reached;
        for (qsizetype press = 0; press < presses; ++press) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, modifier);
            QWidget *stop = stopOf(QApplication::focusWidget());
            reached << describe(stop);
            if (!list->widget()->isAncestorOf(stop))
                continue;
            const QRect shown(stop->mapTo(list->viewport(), QPoint()), stop->size());
            if (!list->viewport()->rect().contains(shown))
                return reached << QStringLiteral("out of sight");
        }
        return reached;
    }

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

    // What a screen reader reads of the bar is where its label says the import has come, at each step of the
    // stand-in's analysis stream: the steps come closer together than the bar's fill glides.
    void progressBar_readsAsItsLabelCounts_atEveryStep()
    {
        startImport({f.file("checkup.pdf")});
        auto *bar = child<QProgressBar>(m_view.get(), "progressBar");
        auto *label = child<QLabel>(m_view.get(), "progressLabel");
        QAccessibleValueInterface *read = QAccessible::queryAccessibleInterface(bar)->valueInterface();
        QStringList heard;
        const auto listen = [&] {
            const QString line =
                QStringLiteral("%1 %2 of %3")
                    .arg(label->text(), read->currentValue().toString(), read->maximumValue().toString());
            if (bar->isVisible() && !heard.contains(line))
                heard << line;
        };
        connect(f.m_manager.get(), &DocumentImportManager::uploadProgressChanged, m_view.get(), listen);
        connect(f.m_manager.get(), &DocumentImportManager::currentStepChanged, m_view.get(), listen);
        connect(f.review(), &DocumentImportReview::sectionsChanged, m_view.get(), listen);
        QTRY_COMPARE_WITH_TIMEOUT(title(), QStringLiteral("Review Timeline"), f.deadlineMs);

        const QStringList extracting = heard.filter(QStringLiteral("Extracting"));
        QStringList counted;
        for (int finished = 0; finished <= 6; ++finished)
            counted << QStringLiteral("Extracting Information (%1 of 6)… %2 of 8").arg(finished).arg(2 + finished);
        QCOMPARE(extracting, counted);
        const QRegularExpression uploading(QStringLiteral("^Uploading Document \\((\\d+)%\\)… (\\d+) of 100$"));
        for (const QString &line : heard.filter(QStringLiteral("Uploading"))) {
            const QRegularExpressionMatch match = uploading.match(line);
            QVERIFY2(match.hasMatch() && match.captured(1) == match.captured(2), qPrintable(line));
        }
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

    void nothingLeftToSave_disablesSave_andSaysWhy_data()
    {
        QTest::addColumn<bool>("foundAny");
        QTest::addColumn<QString>("said");
        QTest::newRow("every suggestion removed")
            << true << QStringLiteral("Every suggestion was removed: there is nothing to save.");
        QTest::newRow("the analysis found nothing")
            << false << QStringLiteral("The analysis found nothing to add: there is nothing to save.");
    }

    void nothingLeftToSave_disablesSave_andSaysWhy()
    {
        QFETCH(bool, foundAny);
        if (!foundAny)
            f.m_server.scriptStream({{"method", "POST"},
                                     {"path", f.analyzePath},
                                     {"chunks", QJsonArray{QJsonObject{{"data", analysisFindingNothing}}}}});
        reviewOneFile();
        auto *save = child<QPushButton>(m_view.get(), "saveButton");
        QCOMPARE(child<QLabel>(m_view.get(), "nothingToSave")->isVisible(), !foundAny);
        while (QToolButton *remove = m_view->findChild<QToolButton *>(QStringLiteral("deleteButton"))) {
            QTest::mouseClick(remove, Qt::LeftButton);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        QVERIFY(!save->isEnabled());
        QTEST(shownText(child<QLabel>(m_view.get(), "nothingToSave")), "said");
        QTEST(save->toolTip(), "said");
        QTest::mouseClick(save, Qt::LeftButton);
        QVERIFY(m_view->isVisible());
    }

    void everyFocusStop_isNamed_inVisualOrder()
    {
        reviewOneFile();
        VERIFY_EVERY_FOCUS_STOP_NAMED(m_view.get());
        child<QPushButton>(m_view.get(), "cancelButton")->setFocus();
        QStringList order;
        for (const QString &reached : walk(Qt::NoModifier, 8))
            order.append(reached.section(QLatin1Char('@'), 0, 0));
        const QStringList row{"entryTextEditor", "starButton", "lockButton", "deleteButton"};
        QCOMPARE(order.mid(0, 3), (QStringList{"saveButton", "translateMenuButton", "sectionHeader"}));
        QCOMPARE(order.mid(3, 4), row);
        QCOMPARE(order.mid(7, 1), QStringList{"sectionHeader"});
    }

    void tabAndShiftTab_reachEveryControlOnce_inDrawnOrder_inSight()
    {
        f.m_server.scriptStream(analysisSuggesting({{"hx", 8}, {"ax", 3}, {"zx", 2}, {"lab", 9}}));
        reviewOneFile();
        QTRY_COMPARE(editors("entryTextEditor").size(), 22);
        QTest::mouseClick(header(QStringLiteral("zx")), Qt::LeftButton);
        const QStringList drawn = controlsInDrawnOrder();
        QCOMPARE(drawn.first(), QStringLiteral("cancelButton@"));
        child<QPushButton>(m_view.get(), "cancelButton")->setFocus();
        QCOMPARE(walk(Qt::NoModifier, drawn.size()), drawn.mid(1) << drawn.first());
        QStringList mirrored = drawn;
        std::reverse(mirrored.begin(), mirrored.end());
        QCOMPARE(walk(Qt::ShiftModifier, drawn.size()), mirrored);
    }

    void screenReader_hearsEverySuggestion_throughTheTree()
    {
        reviewOneFile();
        child<QPushButton>(m_view.get(), "cancelButton")->setFocus();
        QStringList heard;
        std::function<void(QAccessibleInterface *)> read = [&](QAccessibleInterface *node) {
            if (node->state().invisible)
                return;
            if (node->role() == QAccessible::EditableText && node->textInterface())
                heard << node->textInterface()->text(0, node->textInterface()->characterCount());
            for (int index = 0; index < node->childCount(); ++index)
                read(node->child(index));
        };
        read(QAccessible::queryAccessibleInterface(m_view.get()));
        QStringList suggested;
        for (const PreviewMedbit &medbit : f.review()->flattenedSuggestions())
            suggested << medbit.entryText;
        QCOMPARE(heard, suggested);
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
