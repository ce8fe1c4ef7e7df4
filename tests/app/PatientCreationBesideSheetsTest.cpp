#include "app/PatientRow.h"
#include "app/SettingsView.h"
#include "import/DocumentImportManager.h"
#include "import/SmartTimelinePreviewView.h"
#include "mainwindow/ContentView.h"
#include "records/MedbitStore.h"
#include "records/PatientStore.h"

#include "ScreenTestKit.h"
#include "SignedInSession.h"
#include "SignedInWindow.h"

#include <QAccessible>
#include <QDialog>
#include <QFile>
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

} // namespace

// A patient added in the settings window while the main window works for the current patient: it joins the
// lists, and the work stays with the patient it was opened for.
class PatientCreationBesideSheetsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.isRunning()); }

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
