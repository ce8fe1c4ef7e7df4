#include "app/SettingsView.h"
#include "mainwindow/ContentView.h"
#include "records/PatientStore.h"

#include "ScreenTestKit.h"
#include "SignedInSession.h"
#include "SignedInWindow.h"

#include <QDialog>
#include <QMenu>
#include <QProcess>
#include <QToolButton>

using ScreenTestKit::child;

// The patient picker and the settings window's patient rows as a screen reader reaches them: over AT-SPI, from
// another process, through the tree alone. The clients (atspi/patient_picker.py, atspi/settings_rows.py) report
// what they heard and chose; this side checks it against the store.
class PatientPickerAtspiTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.isRunning()); }
    void cleanup() { m_window.close(); }

    void picker_opensReadsAndChoosesOverAtspi()
    {
        QVERIFY(m_window.open(QSize(1200, 800)));
        PatientStore *patients = m_window.session()->patients();
        QTRY_VERIFY_WITH_TIMEOUT(!patients->selectedPatientID().isEmpty(), 10000);
        QVERIFY(patients->patients().size() >= 2);

        QStringList expected;
        for (const Patient &patient : patients->patients()) {
            const bool current = patient._id == patients->selectedPatientID();
            expected << patient.displayName() + (current ? QStringLiteral(" checked") : QStringLiteral(" unchecked"));
        }

        QList<QStringList> lines;
        runClient("VANTORELLE_ATSPI_CLIENT", lines);
        if (QTest::currentTestFailed())
            return;

        QStringList heard;
        QString chosen;
        for (const QStringList &fields : std::as_const(lines)) {
            if (fields.first() == QLatin1String("item"))
                heard << fields.mid(1).join(QLatin1Char(' '));
            else if (fields.first() == QLatin1String("chosen"))
                chosen = fields.value(1);
        }
        QCOMPARE(heard, expected);
        const QList<Patient> &all = patients->patients();
        const auto picked = std::find_if(all.cbegin(), all.cend(),
                                         [&](const Patient &patient) { return patient.displayName() == chosen; });
        QVERIFY(picked != all.cend());
        QCOMPARE(patients->selectedPatientID(), picked->_id);
        auto *picker = child<QToolButton>(m_window.view(), "patientPicker");
        QCOMPARE(picker->text(), chosen);
        QVERIFY(!picker->menu()->isVisible());
    }

    // A screen reader's Toggle on a patient row does what a click does: it switches to the patient unless a sheet
    // is open for the current one. Either way exactly one row, the current patient's, reads as checked.
    void settingsRows_toggleSwitchesUnlessASheetIsOpen_data()
    {
        QTest::addColumn<bool>("sheetOpen");
        QTest::newRow("no sheet") << false;
        QTest::newRow("entry form open") << true;
    }

    void settingsRows_toggleSwitchesUnlessASheetIsOpen()
    {
        QFETCH(bool, sheetOpen);
        QVERIFY(m_window.open(QSize(1200, 800)));
        PatientStore *patients = m_window.session()->patients();
        QTRY_VERIFY_WITH_TIMEOUT(!patients->selectedPatientID().isEmpty(), 10000);
        const QString current = patients->selectedRecord().patient.displayName();
        SettingsView settings(m_window.session()->auth(), patients);
        settings.show();
        QVERIFY(QTest::qWaitForWindowExposed(&settings));
        if (sheetOpen) {
            QTRY_VERIFY_WITH_TIMEOUT(child<QAbstractButton>(m_window.view(), "newEntryButton"), 10000);
            QTest::mouseClick(child<QAbstractButton>(m_window.view(), "newEntryButton"), Qt::LeftButton);
            QTRY_VERIFY(child<QDialog>(m_window.view(), "createEntryView") &&
                        child<QDialog>(m_window.view(), "createEntryView")->isVisible());
        }

        QList<QStringList> lines;
        runClient("VANTORELLE_ATSPI_ROWS_CLIENT", lines);
        if (QTest::currentTestFailed())
            return;
        QStringList checkedBefore;
        QStringList checkedAfter;
        QString toggled;
        for (const QStringList &fields : std::as_const(lines)) {
            if (fields.first() == QLatin1String("toggled"))
                toggled = fields.value(1);
            else if (fields.value(2) == QLatin1String("checked"))
                (fields.first() == QLatin1String("before") ? checkedBefore : checkedAfter) << fields.value(1);
        }
        QCOMPARE(checkedBefore, QStringList{current});
        QVERIFY(!toggled.isEmpty() && toggled != current);
        const QString expected = sheetOpen ? current : toggled;
        QCOMPARE(checkedAfter, QStringList{expected});
        QCOMPARE(patients->selectedRecord().patient.displayName(), expected);
    }

private:
    // Runs the client named by the environment variable against this process; its output lines, split at tabs.
    void runClient(const char *variable, QList<QStringList> &lines)
    {
        QProcess client;
        client.start(QStringLiteral("/usr/bin/python3"),
                     {qEnvironmentVariable(variable), QString::number(QCoreApplication::applicationPid())});
        QTRY_VERIFY_WITH_TIMEOUT(client.state() == QProcess::NotRunning, 20000);
        QVERIFY2(client.exitStatus() == QProcess::NormalExit && client.exitCode() == 0,
                 client.readAllStandardError().constData());
        for (const QByteArray &line : client.readAllStandardOutput().split('\n')) {
            if (!line.isEmpty())
                lines << QString::fromUtf8(line).split(QLatin1Char('\t'));
        }
    }

    StandinServer m_server;
    SignedInWindow m_window{m_server};
};

QTEST_MAIN(PatientPickerAtspiTest)
#include "PatientPickerAtspiTest.moc"
