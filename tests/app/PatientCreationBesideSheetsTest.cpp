#include "app/PatientRow.h"
#include "app/SettingsView.h"
#include "import/DocumentImportManager.h"
#include "import/SmartTimelinePreviewView.h"
#include "mainwindow/ContentView.h"
#include "mainwindow/entry/CreateEntryView.h"
#include "records/MedbitStore.h"
#include "records/PatientStore.h"
#include "widgets/AttachmentPicker.h"

#include "ScreenTestKit.h"
#include "SignedInSession.h"
#include "SignedInWindow.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <memory>

using ScreenTestKit::child;

namespace
{

constexpr int deadlineMs = 15000;
const QString createPath = QStringLiteral("/api/patients/create");
const QString analyzePath = QStringLiteral("/api/patients/smart_analyze_asset");
const QString getPath = QStringLiteral("/api/medbits/get");
const QString goneText = QStringLiteral("This entry no longer exists.");

} // namespace

// A patient added in the settings window while the main window works for the current patient: it joins the
// lists, and the work stays with the patient it was opened for.
class PatientCreationBesideSheetsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_server.isRunning());
        AttachmentPicker::setHandlerForTesting(
            [this](QWidget *, const AttachmentPicker::Chosen &chosen) { chosen({pdf()}); });
    }

    void init()
    {
        QVERIFY(m_window.open(QSize(1200, 800)));
        QTRY_VERIFY_WITH_TIMEOUT(!m_window.view()->medbitStore()->medbits().isEmpty(), deadlineMs);
        m_settings = std::make_unique<SettingsView>(m_window.session()->auth(), patients());
        m_settings->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_settings.get()));
    }

    void cleanup()
    {
        m_settings.reset();
        m_window.close();
        m_server.clearFaults();
    }

    void addedPatient_becomesCurrentOnlyWithNoSheetOpen_data()
    {
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<bool>("openedWhileAdding");
        QTest::newRow("no sheet") << QString() << false;
        QTest::newRow("new entry") << QStringLiteral("newEntryButton") << false;
        QTest::newRow("edit") << QStringLiteral("editButton") << false;
        QTest::newRow("import review") << QStringLiteral("review") << false;
        QTest::newRow("new entry opened while adding") << QStringLiteral("newEntryButton") << true;
    }

    void addedPatient_becomesCurrentOnlyWithNoSheetOpen()
    {
        QFETCH(QString, sheet);
        QFETCH(bool, openedWhileAdding);
        const QString current = patients()->selectedPatientID();
        QDialog *open = nullptr;
        if (openedWhileAdding)
            m_server.injectFault(ScreenTestKit::delayed(createPath, 600000)); // held until the faults are cleared
        else if (!sheet.isEmpty())
            QVERIFY((open = openSheet(sheet)) != nullptr);

        QTest::keyClicks(child<QLineEdit>(m_settings.get(), "newPatientField"), QStringLiteral("Jo Park"));
        QTest::keyClick(child<QLineEdit>(m_settings.get(), "newPatientField"), Qt::Key_Return);
        if (openedWhileAdding) {
            QTRY_COMPARE_WITH_TIMEOUT(m_server.requests(createPath).size(), 1, deadlineMs);
            QVERIFY((open = openSheet(sheet)) != nullptr);
            m_server.clearFaults();
        }
        QTRY_COMPARE_WITH_TIMEOUT(patients()->patients().size(), 3, deadlineMs);

        const QString added = patients()->patients().last()._id;
        QCOMPARE(patients()->selectedPatientID(), open ? current : added);
        QStringList checked;
        for (PatientRow *row : m_settings->findChildren<PatientRow *>(QStringLiteral("patientRow"))) {
            if (QAccessible::queryAccessibleInterface(row)->state().checked)
                checked << row->patientID();
        }
        QCOMPARE(checked, QStringList{patients()->selectedPatientID()});
        if (open)
            QVERIFY(open->isVisible());
    }

    // The added patient becomes the current one, and nothing of the previous one stays beside it: not the
    // detail of an entry the service no longer has, nor that entry's preview, whether the new list loads or not.
    void addedPatient_leavesNothingOfThePreviousOne_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("goneAfterUpload");
        QTest::addColumn<bool>("listFails");
        QTest::newRow("deleted, then selected") << QStringLiteral("Seasonal asthma") << false << false;
        QTest::newRow("deleted, then selected; new list fails") << QStringLiteral("Seasonal asthma") << false << true;
        QTest::newRow("PDF previewed, deleted before the fetch after an upload")
            << QStringLiteral("Blood panel") << true << false;
        QTest::newRow("PDF previewed, deleted after an upload; new list fails")
            << QStringLiteral("Blood panel") << true << true;
    }

    void addedPatient_leavesNothingOfThePreviousOne()
    {
        QFETCH(QString, entry);
        QFETCH(bool, goneAfterUpload);
        QFETCH(bool, listFails);
        const Medbit gone = listed(entry);
        selectDeletedAtTheService(gone, goneAfterUpload);
        const QStringList previous{goneText, gone.entryText, QStringLiteral("Detail View")};
        QTRY_VERIFY_WITH_TIMEOUT(shownOf(previous).contains(goneText), deadlineMs);
        // The preview's header: the PDF stays open beside the entry that went after its upload.
        QCOMPARE(shownOf(previous).contains(QStringLiteral("Detail View")), goneAfterUpload);
        if (listFails)
            m_server.injectFault(
                {{"path", "/api/medbits/list/summary"}, {"status", 500}, {"body", R"({"message":"Resting."})"}});

        QStringList shownAtChange;
        QObject watch;
        connect(patients(), &PatientStore::selectedPatientIDChanged, &watch,
                [&] { shownAtChange = shownOf(previous); });
        QTest::keyClicks(child<QLineEdit>(m_settings.get(), "newPatientField"), QStringLiteral("Jo Park"));
        QTest::keyClick(child<QLineEdit>(m_settings.get(), "newPatientField"), Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(patients()->patients().size(), 3, deadlineMs);
        QTRY_COMPARE(patients()->selectedPatientID(), patients()->patients().last()._id);
        QCOMPARE(shownAtChange, QStringList());
        const MedbitStore *store = m_window.view()->medbitStore();
        QTRY_VERIFY_WITH_TIMEOUT(store->patientID() == patients()->selectedPatientID() && !store->isLoading(),
                                 deadlineMs);
        // The new patient's own state: its empty timeline, or its list's error.
        const QString newState =
            listFails ? QStringLiteral("Resting.")
                      : QStringLiteral("No entries yet. Add one with New Entry, or use Import Document.");
        QTRY_COMPARE(shownOf({newState}), QStringList{newState});
        QCOMPARE(child<QLabel>(m_window.view(), "toolbarTitle")->text(), QStringLiteral("Jo Park"));
        QCOMPARE(shownOf(previous), QStringList());
    }

private:
    PatientStore *patients() const { return m_window.session()->patients(); }

    // Opens a sheet for the current patient: the entry form, new (with text typed) or editing the shown entry,
    // or the review of an import whose analysis is still running. Null when it does not show.
    QDialog *openSheet(const QString &sheet)
    {
        ContentView *view = m_window.view();
        if (sheet == QLatin1String("review")) {
            m_server.injectFault({{"method", "POST"}, {"path", analyzePath}, {"hang", true}});
            view->documentImportManager()->importFiles({pdf()});
            return shown<SmartTimelinePreviewView>();
        }
        QTest::mouseClick(child<QAbstractButton>(view, qPrintable(sheet)), Qt::LeftButton);
        QDialog *form = shown<QDialog>(QStringLiteral("createEntryView"));
        if (form && sheet == QLatin1String("newEntryButton"))
            QTest::keyClicks(child<QPlainTextEdit>(form, "entryTextEditor"), QStringLiteral("Slept well"));
        return form;
    }

    Medbit listed(const QString &start) const
    {
        for (const Medbit &medbit : m_window.view()->medbitStore()->medbits()) {
            if (medbit.entryText.startsWith(start))
                return medbit;
        }
        return {};
    }

    // Clicks the entry's row, the service having deleted the entry before this window fetched it in full; or,
    // with its PDF in the preview, edits it, adds a file and saves, the service deleting it while the upload's
    // own fetch of it is on its way, so that the fetch finds it gone.
    void selectDeletedAtTheService(const Medbit &medbit, bool afterUpload)
    {
        const QByteArray bearer = m_server.signIn().access;
        const QString deletePath = QStringLiteral("/medbits/delete/") + medbit.id;
        if (!afterUpload)
            m_server.apiCall("DELETE", deletePath, {}, bearer);
        auto *list = child<QAbstractItemView>(m_window.view(), "timelineList");
        const QModelIndex row =
            list->model()
                ->match(list->model()->index(0, 0), Qt::DisplayRole, medbit.entryText, 1, Qt::MatchContains)
                .value(0);
        list->scrollTo(row);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(row).center());
        if (!afterUpload)
            return;
        // The PDF shows, and the entry's own fetch on selection is in: the one held below follows the upload.
        QTRY_VERIFY_WITH_TIMEOUT(child<QWidget>(m_window.view(), "previewPDF") &&
                                     child<QWidget>(m_window.view(), "previewPDF")->isVisible() &&
                                     m_server.requests(getPath).size() == 2 &&
                                     m_window.session()->finishedReplies(getPath.mid(4)) == 2,
                                 deadlineMs);
        QTest::mouseClick(child<QAbstractButton>(m_window.view(), "editButton"), Qt::LeftButton);
        QPointer<CreateEntryView> form = shown<CreateEntryView>(QStringLiteral("createEntryView"));
        QVERIFY(form);
        QTest::mouseClick(child<QAbstractButton>(form, "addAttachmentButton"), Qt::LeftButton);
        m_server.injectFault(ScreenTestKit::delayed(getPath, 600000)); // held until the faults are cleared
        QTest::mouseClick(child<QAbstractButton>(form, "saveButton"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(m_server.requests(getPath).size(), 3, deadlineMs);
        m_server.apiCall("DELETE", deletePath, {}, bearer);
        m_server.clearFaults();
        QTRY_VERIFY_WITH_TIMEOUT(!form, deadlineMs);
    }

    // Which of `texts` the main window shows.
    QStringList shownOf(const QStringList &texts) const
    {
        QStringList shown;
        for (const QLabel *label : m_window.view()->findChildren<QLabel *>()) {
            if (label->isVisible() && texts.contains(label->text()))
                shown << label->text();
        }
        return shown;
    }

    template <typename T> T *shown(const QString &name = {}) const
    {
        T *sheet = nullptr;
        const bool isShown = QTest::qWaitFor(
            [&] { return (sheet = m_window.view()->findChild<T *>(name)) && sheet->isVisible(); }, deadlineMs);
        return isShown ? sheet : nullptr;
    }

    QUrl pdf()
    {
        QFile out(m_files.filePath(QStringLiteral("scan.pdf")));
        if (!out.open(QIODevice::WriteOnly) || out.write("%PDF-1.4 test") < 0)
            qFatal("cannot write a test file");
        return QUrl::fromLocalFile(out.fileName());
    }

    StandinServer m_server;
    SignedInWindow m_window{m_server};
    std::unique_ptr<SettingsView> m_settings;
    QTemporaryDir m_files;
};

QTEST_MAIN(PatientCreationBesideSheetsTest)
#include "PatientCreationBesideSheetsTest.moc"
