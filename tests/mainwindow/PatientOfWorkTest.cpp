#include "import/DocumentImportManager.h"
#include "import/DocumentImportReview.h"
#include "import/ImportDocumentSheet.h"
#include "import/SmartTimelinePreviewView.h"
#include "mainwindow/ContentView.h"
#include "mainwindow/entry/CreateEntryView.h"
#include "records/MedbitStore.h"
#include "records/PatientStore.h"
#include "widgets/AttachmentPicker.h"
#include "window/WindowState.h"

#include "ScreenTestKit.h"
#include "SignedInSession.h"
#include "SignedInWindow.h"

#include <QAbstractItemView>
#include <QFile>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrlQuery>

#include <algorithm>
#include <memory>

using ScreenTestKit::child;

namespace
{

const QString createPath = QStringLiteral("/api/medbits/create");
const QString updatePath = QStringLiteral("/api/medbits/update");
const QString uploadPath = QStringLiteral("/api/medbits/upload_image");
const QString analyzePath = QStringLiteral("/api/patients/smart_analyze_asset");
const QString vectorStorePath = QStringLiteral("/api/patients/update_vector_store");
const QString bulkCreatePath = QStringLiteral("/api/medbits/bulk_create");
const QString answerPath = QStringLiteral("/api/chats/get_answer_free");
const QStringList writePaths{createPath, updatePath, uploadPath, analyzePath, vectorStorePath, bulkCreatePath};

// Until the case lets it go: the stand-in holds the request after logging it.
QJsonObject held(const QString &path)
{
    return {{QStringLiteral("path"), path}, {QStringLiteral("delayMs"), 600000}};
}

// The patient a request was sent for: its JSON body's, its multipart field's, or its query's "patientId".
QString patientOf(const LoggedRequest &request)
{
    const QJsonValue json = request.json();
    if (json.isObject())
        return json[QLatin1String("patientId")].toString();
    const QByteArray marker = "name=\"patientId\"\r\n\r\n";
    const qsizetype start = request.body.indexOf(marker);
    if (start >= 0) {
        const qsizetype from = start + marker.size();
        return QString::fromUtf8(request.body.mid(from, request.body.indexOf("\r\n", from) - from));
    }
    return QUrlQuery(QString::fromUtf8(request.query)).queryItemValue(QStringLiteral("patientId"));
}

} // namespace

// Work begun for one patient (a sheet, an import, a question) stays that patient's when another patient is
// opened before it ends: what it sends and what it brings back are the first patient's, or it is given up.
class PatientOfWorkTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_server.isRunning());
        AttachmentPicker::setHandlerForTesting(
            [this](QWidget *, const AttachmentPicker::Chosen &chosen) { chosen(m_nextChoice); });
    }

    void init()
    {
        m_files = std::make_unique<QTemporaryDir>();
        QVERIFY(m_window.open(QSize(1100, 700)));
        QTRY_VERIFY(entriesShown() && m_window.view()->state()->selectedMedbit());
        PatientStore *patients = m_window.session()->patients();
        m_alex = patients->selectedPatientID();
        m_sam = patients->patients().at(patients->patients().at(0)._id == m_alex ? 1 : 0)._id;
        m_bearer = m_server.signIn().access;
        m_server.clearRequests();
    }

    void cleanup()
    {
        m_server.clearFaults();
        m_window.close();
        m_nextChoice.clear();
        m_savedText.clear();
    }

    void workBegunForAPatient_staysWithIt_data()
    {
        QTest::addColumn<QString>("work");
        QTest::addColumn<bool>("lands");
        QTest::newRow("new entry, switched before Save") << "new entry" << true;
        QTest::newRow("new entry, switched while its file uploads") << "new entry with a file" << true;
        QTest::newRow("edit, switched before Save") << "edit" << true;
        QTest::newRow("review, switched while it saves") << "review" << true;
        // Nothing of an analysis is the patient's until the person saves it: it is given up.
        QTest::newRow("analysis, switched while it streams") << "analysis" << false;
        QTest::newRow("import sheet, switched before a file is chosen") << "import sheet" << false;
    }

    void workBegunForAPatient_staysWithIt()
    {
        QFETCH(QString, work);
        QFETCH(bool, lands);
        doWorkSwitchingMidway(work);
        if (QTest::currentTestFailed())
            return;
        const QString text = m_savedText;
        QTRY_VERIFY(m_window.view()->medbitStore()->patientID() == m_sam && entriesShown());
        m_window.session()->roundTrip();

        QTRY_VERIFY(!m_window.view()->findChild<CreateEntryView *>() &&
                    !m_window.view()->findChild<ImportDocumentSheet *>() &&
                    !m_window.view()->findChild<SmartTimelinePreviewView *>());
        QStringList sentFor;
        for (const QString &path : writePaths) {
            for (const LoggedRequest &request : m_window.session()->requests(path))
                sentFor << patientOf(request);
        }
        QVERIFY2(!sentFor.contains(m_sam), qPrintable(sentFor.join(u' ')));
        const QList<Medbit> &samShown = m_window.view()->medbitStore()->medbits();
        QVERIFY(std::none_of(samShown.begin(), samShown.end(),
                             [&](const Medbit &medbit) { return medbit.entryText == text; }));
        if (!lands) {
            QCOMPARE(sentFor, QStringList(work == QLatin1String("analysis") ? QStringList{m_alex} : QStringList{}));
            return;
        }
        QVERIFY(!sentFor.isEmpty());
        QVERIFY(entriesOfAlexWith(text) > m_textsBefore);
    }

    void lateAnswer_landsWithThePatientAsked_data()
    {
        QTest::addColumn<QString>("place");
        QTest::newRow("Ask panel") << "askPanel";
        QTest::newRow("entry") << "medbitDetailPanel";
    }

    void lateAnswer_landsWithThePatientAsked()
    {
        QFETCH(QString, place);
        const QString question = QStringLiteral("Asked for Alex?");
        if (place == QLatin1String("askPanel"))
            QTest::mouseClick(child<QAbstractButton>(m_window.view(), "askRow"), Qt::LeftButton);
        QTRY_VERIFY(questionPlace(place));
        m_server.injectFault(held(answerPath));
        auto *field = child<QLineEdit>(questionPlace(place), "askField");
        field->setFocus();
        QTest::keyClicks(field, question);
        QTest::keyClick(field, Qt::Key_Return);
        QTRY_COMPARE(m_server.requests(answerPath).size(), 1);

        switchTo(m_sam);
        m_server.clearFaults();
        QTRY_COMPARE(m_window.session()->finishedReplies(answerPath.mid(4)), 1);
        QTRY_VERIFY(questionPlace(place) && m_window.view()->medbitStore()->patientID() == m_sam && entriesShown() &&
                    m_window.view()->state()->selectedMedbit());
        m_window.session()->roundTrip();
        QCOMPARE(patientOf(m_server.requests(answerPath).first()), m_alex);
        QVERIFY(!shownQuestions(place).contains(question));

        switchTo(m_alex);
        QTRY_VERIFY(shownQuestions(place).contains(question));
    }

    // A question asked in one window's Ask panel shows in another window's at once; its answer, come while
    // another patient was open, is in both when the patient is back.
    void question_showsInEveryWindow_andItsAnswerOutlivesASwitch()
    {
        const QString question = QStringLiteral("Seen in both windows?");
        ContentView other(m_window.session()->auth(), m_window.session()->patients(), m_window.records());
        other.resize(1100, 700);
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));
        for (ContentView *window : {m_window.view(), &other})
            QTest::mouseClick(child<QAbstractButton>(window, "askRow"), Qt::LeftButton);
        QTRY_VERIFY(questionPlace("askPanel") && questionPlace("askPanel", &other));
        m_server.injectFault(held(answerPath));
        auto *field = child<QLineEdit>(questionPlace("askPanel"), "askField");
        QTest::keyClicks(field, question);
        QTest::keyClick(field, Qt::Key_Return);
        QTRY_VERIFY(shownQuestions("askPanel", &other).contains(question));

        switchTo(m_sam);
        m_server.clearFaults();
        QTRY_COMPARE(m_window.session()->finishedReplies(answerPath.mid(4)), 1);
        QTRY_VERIFY(questionPlace("askPanel", &other) && !shownQuestions("askPanel", &other).contains(question));
        switchTo(m_alex);
        QTRY_VERIFY(shownQuestions("askPanel").contains(question) &&
                    shownQuestions("askPanel", &other).contains(question));
        QCOMPARE(shownQuestions("askPanel", &other).count(question), 1);
    }

private:
    bool entriesShown() const
    {
        const MedbitStore *store = m_window.view()->medbitStore();
        return !store->isLoading() && !store->medbits().isEmpty();
    }

    // Another patient becomes the open one the way the app makes it so, also while a sheet is open.
    void switchTo(const QString &patientID) { m_window.session()->patients()->setSelectedPatientID(patientID); }

    // Begins the work for Alex, opens Sam midway and lets the work end; the text it saves, if any, goes to
    // m_savedText.
    void doWorkSwitchingMidway(const QString &work)
    {
        if (work.startsWith(QLatin1String("new entry")) || work == QLatin1String("edit")) {
            writeEntrySwitchingMidway(work);
            return;
        }
        if (work == QLatin1String("import sheet")) {
            QTest::mouseClick(child<QAbstractButton>(m_window.view(), "importDocumentRow"), Qt::LeftButton);
            QTRY_VERIFY(m_window.view()->findChild<ImportDocumentSheet *>());
            switchTo(m_sam);
            return;
        }
        DocumentImportManager *import = m_window.view()->documentImportManager();
        if (work == QLatin1String("analysis")) {
            m_server.injectFault(held(analyzePath));
            import->importFiles({file("checkup.pdf")});
            QTRY_COMPARE(m_server.requests(analyzePath).size(), 1);
            switchTo(m_sam);
            m_server.clearFaults();
            QTRY_COMPARE(m_window.session()->finishedReplies(analyzePath.mid(4)), 1);
            return;
        }
        import->importFiles({file("checkup.pdf")});
        QTRY_VERIFY(import->isExtractionDone());
        m_savedText = import->review()->flattenedSuggestions().first().entryText;
        m_textsBefore = entriesOfAlexWith(m_savedText);
        m_server.injectFault(held(bulkCreatePath));
        auto *review = m_window.view()->findChild<SmartTimelinePreviewView *>();
        QTest::mouseClick(child<QPushButton>(review, "saveButton"), Qt::LeftButton);
        QTRY_COMPARE(m_server.requests(bulkCreatePath).size(), 1);
        switchTo(m_sam);
        m_server.clearFaults();
        QTRY_COMPARE(m_window.session()->finishedReplies(bulkCreatePath.mid(4)), 1);
    }

    void writeEntrySwitchingMidway(const QString &work)
    {
        const bool editing = work == QLatin1String("edit");
        m_savedText = editing ? QStringLiteral("Rewritten for Alex") : QStringLiteral("Written for Alex");
        QTest::mouseClick(child<QAbstractButton>(m_window.view(), editing ? "editButton" : "newEntryButton"),
                          Qt::LeftButton);
        CreateEntryView *form = nullptr;
        QTRY_VERIFY((form = m_window.view()->findChild<CreateEntryView *>()) && form->isVisible());
        auto *editor = child<QPlainTextEdit>(form, "entryTextEditor");
        editor->selectAll();
        QTest::keyClicks(editor, m_savedText);
        m_textsBefore = editing ? 0 : entriesOfAlexWith(m_savedText);
        const bool withFile = work.endsWith(QLatin1String("a file"));
        if (withFile) {
            m_nextChoice = {file("scan.pdf")};
            QTest::mouseClick(child<QPushButton>(form, "addAttachmentButton"), Qt::LeftButton);
            m_server.injectFault(held(uploadPath));
        } else {
            switchTo(m_sam);
        }
        QTest::mouseClick(child<QPushButton>(form, "saveButton"), Qt::LeftButton);
        if (withFile) {
            QTRY_COMPARE(m_server.requests(uploadPath).size(), 1);
            switchTo(m_sam);
            m_server.clearFaults();
        }
        QPointer<CreateEntryView> closing = form;
        QTRY_VERIFY(!closing);
    }

    QUrl file(const QString &name)
    {
        QFile out(m_files->filePath(name));
        if (!out.open(QIODevice::WriteOnly) || out.write("%PDF-1.4 test") < 0)
            qFatal("cannot write a test file");
        return QUrl::fromLocalFile(out.fileName());
    }

    // How many of Alex's entries on the service have this text.
    int entriesOfAlexWith(const QString &text)
    {
        const QJsonArray entries =
            m_server.apiCall("GET", QStringLiteral("/medbits/list/summary?patientId=") + m_alex, {}, m_bearer)
                .toArray();
        return int(std::count_if(entries.begin(), entries.end(),
                                 [&](const QJsonValue &entry) { return entry[QLatin1String("entryText")] == text; }));
    }

    // The panel shown now: one on its way out after a switch is hidden already.
    QWidget *questionPlace(const QString &place, const QWidget *window = nullptr) const
    {
        window = window ? window : m_window.view();
        const QList<QWidget *> panels = window->findChildren<QWidget *>(place);
        const auto shown =
            std::find_if(panels.begin(), panels.end(), [](QWidget *panel) { return panel->isVisible(); });
        return shown == panels.end() ? nullptr : *shown;
    }

    // The questions shown for the open patient: the Ask panel's history and open conversation, or those of the
    // selected entry.
    QStringList shownQuestions(const QString &place, const QWidget *window = nullptr) const
    {
        QStringList shown;
        const QWidget *root = questionPlace(place, window);
        if (!root)
            return shown;
        for (const QLabel *label : root->findChildren<QLabel *>()) {
            const QString name = label->objectName();
            if (name == QLatin1String("questionBubble") || name == QLatin1String("askQuestion"))
                shown << label->text();
        }
        if (const auto *history = child<QAbstractItemView>(root, "historyList")) {
            for (int row = 0; row < history->model()->rowCount(); ++row)
                shown << history->model()->index(row, 0).data().toString();
        }
        return shown;
    }

    StandinServer m_server;
    SignedInWindow m_window{m_server};
    std::unique_ptr<QTemporaryDir> m_files;
    QString m_alex;
    QString m_sam;
    QByteArray m_bearer;
    QList<QUrl> m_nextChoice;
    QString m_savedText;
    int m_textsBefore = 0;
};

QTEST_MAIN(PatientOfWorkTest)
#include "PatientOfWorkTest.moc"
